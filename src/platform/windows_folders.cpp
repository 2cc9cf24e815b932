#include "platform/windows_folders.h"

#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>

#include "platform/com_scope.h"

namespace kelvaro {
namespace {

std::wstring Folded(std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
    return path;
}

// Keeps a path the shell handed back; the shell's memory is freed whether the call succeeded or not.
void TakePath(std::vector<std::wstring>& paths, HRESULT found, wchar_t* path) {
    if (SUCCEEDED(found) && path && *path) paths.emplace_back(path);
    CoTaskMemFree(path);
}

}  // namespace

void FolderSet::Assign(const std::vector<std::wstring>& folders, const IdentityOf& identityOf) {
    paths_.clear();
    names_.clear();
    identities_.clear();
    for (const std::wstring& given : folders) {
        std::wstring folder = given;
        while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
        // Every folder above it, up to the drive root (which no run renames).
        for (; folder.size() > 3; folder.erase(std::max<size_t>(folder.rfind(L'\\'), 2))) {
            std::wstring folded = Folded(folder);
            if (!paths_.insert(folded).second) continue;
            names_.insert(folded.substr(folded.rfind(L'\\') + 1));
            if (const auto identity = identityOf(folder);
                identity && std::find(identities_.begin(), identities_.end(), *identity) == identities_.end())
                identities_.push_back(*identity);
        }
    }
}

bool FolderSet::Contains(const std::wstring& path, const IdentityOf& identityOf) const {
    if (paths_.empty() || path.size() <= 3) return false;
    const std::wstring folded = Folded(path);
    if (paths_.count(folded)) return true;
    // Another spelling names the same folder under the same stored name, which
    // is what a run holds: only a folder of one of those names is asked what it is.
    if (!names_.count(folded.substr(folded.rfind(L'\\') + 1))) return false;
    const auto identity = identityOf(path);
    return identity && std::find(identities_.begin(), identities_.end(), *identity) != identities_.end();
}

std::vector<std::wstring> KnownFolderPaths() {
    // Whichever thread asks first: the known-folder manager answers in any apartment.
    const ComScope com(COINIT_MULTITHREADED);
    std::vector<std::wstring> paths;
    // The ones every user has, asked by name: enough should the manager below be missing.
    for (const KNOWNFOLDERID* id :
         {&FOLDERID_Profile, &FOLDERID_Desktop, &FOLDERID_Documents, &FOLDERID_Pictures, &FOLDERID_Music,
          &FOLDERID_Videos, &FOLDERID_Downloads, &FOLDERID_RoamingAppData, &FOLDERID_LocalAppData, &FOLDERID_SkyDrive,
          &FOLDERID_Windows, &FOLDERID_ProgramFiles, &FOLDERID_ProgramFilesX86, &FOLDERID_ProgramData,
          &FOLDERID_UserProfiles, &FOLDERID_Public}) {
        wchar_t* path = nullptr;
        const HRESULT found = SHGetKnownFolderPath(*id, KF_FLAG_DONT_VERIFY, nullptr, &path);
        TakePath(paths, found, path);
    }
    // The temporary folder every program is handed (TEMP).
    wchar_t temp[MAX_PATH + 1] = {};
    if (const DWORD length = GetTempPathW(MAX_PATH + 1, temp); length > 0 && length <= MAX_PATH)
        paths.emplace_back(temp);
    // Every other folder the shell can name for a path, the ones programs registered too.
    ComRef<IKnownFolderManager> manager;
    if (FAILED(CoCreateInstance(CLSID_KnownFolderManager, nullptr, CLSCTX_INPROC_SERVER, IID_IKnownFolderManager,
                                manager.put())))
        return paths;
    KNOWNFOLDERID* ids = nullptr;
    UINT count = 0;
    if (FAILED(manager->GetFolderIds(&ids, &count))) return paths;
    for (UINT i = 0; i < count; ++i) {
        ComRef<IKnownFolder> folder;
        if (FAILED(manager->GetFolder(ids[i], folder.out()))) continue;
        // Virtual folders (the Control Panel, Libraries) have no path and say so.
        wchar_t* path = nullptr;
        const HRESULT found = folder->GetPath(KF_FLAG_DONT_VERIFY, &path);
        TakePath(paths, found, path);
    }
    CoTaskMemFree(ids);
    return paths;
}

bool IsSyncRoot(const std::wstring& folder, const FolderSet::IdentityOf& identityOf) {
    // cldapi.dll's CfGetSyncRootInfoByPath with CF_SYNC_ROOT_INFO_BASIC, which
    // answers for any path inside a sync root with the file id of the root.
    using Query = HRESULT(WINAPI*)(LPCWSTR, int, void*, DWORD, DWORD*);
    static const Query query = [] {
        const HMODULE cloudFiles = LoadLibraryExW(L"cldapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        return cloudFiles ? reinterpret_cast<Query>(
                                reinterpret_cast<void*>(GetProcAddress(cloudFiles, "CfGetSyncRootInfoByPath")))
                          : nullptr;
    }();
    if (!query) return false;
    LARGE_INTEGER root{};
    DWORD length = 0;
    if (FAILED(query(folder.c_str(), 0, &root, sizeof(root), &length)) || length < sizeof(root)) return false;
    const auto identity = identityOf(folder);
    return identity && static_cast<uint64_t>(root.QuadPart) == identity->file;
}

bool HasLocalizedName(const std::wstring& folder) {
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM)))
        return false;
    wchar_t name[2] = {};
    return GetPrivateProfileStringW(L".ShellClassInfo", L"LocalizedResourceName", L"", name, 2,
                                    (folder + L"\\desktop.ini").c_str()) > 0;
}

}  // namespace kelvaro
