#include "fakes/temp_dir.h"

#include <algorithm>
#include <vector>

namespace kelvaro::testing {

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

TempDir::TempDir() {
    static int counter = 0;
    // A folder an earlier process of the same id left and that could not be
    // removed (what Wine cannot delete) is passed over: a test starts empty.
    do {
        path_ = L"C:\\kelvaro2-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
        RemoveTree(path_);
    } while (!CreateDirectoryW(path_.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
}

TempDir::~TempDir() {
    SetCurrentDirectoryW(L"C:\\");
    RemoveTree(path_);
}

std::wstring TempDir::MakeDir(const std::wstring& relative) const {
    std::wstring full = path_;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find(L'\\', start);
        if (end == std::wstring::npos) end = relative.size();
        full += L"\\" + relative.substr(start, end - start);
        CreateDirectoryW(full.c_str(), nullptr);
        start = end + 1;
    }
    return full;
}

std::wstring TempDir::MakeFile(const std::wstring& relative) const {
    const std::wstring full = path_ + L"\\" + relative;
    HANDLE file = CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return full;
}

std::wstring TempDir::StoredName(const std::wstring& relative) const {
    // Listing the parent shows the spelling on disk, whatever case was asked for.
    const auto slash = relative.rfind(L'\\');
    const std::wstring parent = slash == std::wstring::npos ? L"" : relative.substr(0, slash);
    const std::wstring name = slash == std::wstring::npos ? relative : relative.substr(slash + 1);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path_ + (parent.empty() ? L"" : L"\\" + parent) + L"\\*").c_str(), &data);
    std::wstring found;
    if (find == INVALID_HANDLE_VALUE) return found;
    do {
        if (CompareStringOrdinal(data.cFileName, -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) found = data.cFileName;
    } while (found.empty() && FindNextFileW(find, &data));
    FindClose(find);
    return found;
}

std::wstring TempDir::Listing(const std::wstring& relative) const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path_ + (relative.empty() ? L"" : L"\\" + relative) + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") names.push_back(name);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    std::sort(names.begin(), names.end());
    std::wstring joined;
    for (const auto& name : names) joined += (joined.empty() ? L"" : L"|") + name;
    return joined;
}

}  // namespace kelvaro::testing
