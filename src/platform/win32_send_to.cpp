#include "platform/win32_send_to.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <iterator>

#include "platform/com_scope.h"
#include "platform/process_setup.h"

namespace kelvaro {
namespace {

// The program the shortcut starts: the running one, or the window program
// beside it when the console companion runs.
std::wstring RunningProgram() {
    return SendToTarget(RunningProgramPath());
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

std::wstring SendToTarget(const std::wstring& program) {
    constexpr size_t kExtension = 4;
    if (program.size() <= kExtension || CompareStringOrdinal(program.c_str() + program.size() - kExtension, kExtension,
                                                             L".com", kExtension, TRUE) != CSTR_EQUAL)
        return program;
    return program.substr(0, program.size() - kExtension) + L".exe";
}

std::wstring Win32SendToLink::LinkPath(bool create) const {
    if (folder_.empty()) return {};
    if (create) {
        const int made = SHCreateDirectoryExW(nullptr, folder_.c_str(), nullptr);
        if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) return {};
    } else {
        const DWORD attributes = GetFileAttributesW(folder_.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
    }
    return folder_ + (folder_.back() == L'\\' ? L"" : L"\\") + L"Kelvaro2.lnk";
}

bool Win32SendToLink::Exists() {
    const std::wstring link = LinkPath();
    const std::wstring program = RunningProgram();
    if (link.empty() || program.empty() || !FileExists(link)) return false;
    ComScope com;
    ComRef<IShellLinkW> shellLink;
    ComRef<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shellLink.put())) ||
        FAILED(shellLink->QueryInterface(IID_IPersistFile, file.put())) || FAILED(file->Load(link.c_str(), STGM_READ)))
        return false;
    wchar_t target[MAX_PATH * 4] = {};
    if (FAILED(shellLink->GetPath(target, static_cast<int>(std::size(target)), nullptr, 0))) return false;
    return CompareStringOrdinal(target, -1, program.c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool Win32SendToLink::Create() {
    const std::wstring link = LinkPath(true);
    const std::wstring program = RunningProgram();
    if (link.empty() || program.empty()) return false;
    ComScope com;
    ComRef<IShellLinkW> shellLink;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shellLink.put())))
        return false;
    const std::wstring folder = program.substr(0, program.rfind(L'\\') + 1);
    if (FAILED(shellLink->SetPath(program.c_str())) || FAILED(shellLink->SetWorkingDirectory(folder.c_str())))
        return false;
    shellLink->SetIconLocation(program.c_str(), 0);
    shellLink->SetDescription(L"ケルヴァロ２");
    ComRef<IPersistFile> file;
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, file.put()))) return false;
    const bool existed = FileExists(link);
    if (SUCCEEDED(file->Save(link.c_str(), TRUE))) return true;
    if (!existed) DeleteFileW(link.c_str());  // leave no half-written shortcut behind
    return false;
}

bool Win32SendToLink::Remove() {
    const std::wstring link = LinkPath();
    if (link.empty()) return false;
    if (DeleteFileW(link.c_str())) return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace kelvaro
