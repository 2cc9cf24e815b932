// Records, before every other test, what the user's own locations hold (the
// settings keys, the journal, the "Send to" folder), and checks after the
// last one that they hold the same: no test reaches them.
//   isolation_check record FILE    writes the snapshot to FILE
//   isolation_check compare FILE   exit code 1 and the differences when they changed
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/user_locations.h"
#include "settings/app_settings.h"

namespace {

using kelvaro::UserLocations;

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

std::string Hex(const BYTE* data, DWORD size) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (DWORD i = 0; i < size; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 15];
    }
    return text;
}

// Every key and value below `path`, one line each.
void DescribeKey(HKEY root, const std::wstring& path, std::ostringstream& out) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        out << "key " << Utf8(path) << " absent\n";
        return;
    }
    out << "key " << Utf8(path) << "\n";
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameSize = 256;
        if (RegEnumKeyExW(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subkeys.emplace_back(name, nameSize);
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameSize = 16384, type = 0, dataSize = 0;
        if (RegEnumValueW(key, i, name, &nameSize, nullptr, &type, nullptr, &dataSize) != ERROR_SUCCESS) break;
        std::vector<BYTE> data(dataSize);
        nameSize = 16384;
        RegEnumValueW(key, i, name, &nameSize, nullptr, &type, data.data(), &dataSize);
        out << "  value " << Utf8(std::wstring(name, nameSize)) << " type " << type << " " << Hex(data.data(), dataSize)
            << "\n";
    }
    RegCloseKey(key);
    for (const auto& subkey : subkeys) DescribeKey(root, path + L"\\" + subkey, out);
}

void DescribeFile(const std::wstring& path, std::ostringstream& out) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.empty() || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        out << "file " << Utf8(path) << " absent\n";
        return;
    }
    out << "file " << Utf8(path) << " size " << data.nFileSizeLow << " written " << data.ftLastWriteTime.dwHighDateTime
        << ":" << data.ftLastWriteTime.dwLowDateTime << "\n";
}

void DescribeFolder(const std::wstring& folder, std::ostringstream& out) {
    out << "folder " << Utf8(folder) << "\n";
    WIN32_FIND_DATAW data;
    HANDLE find = folder.empty() ? INVALID_HANDLE_VALUE : FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") DescribeFile(folder + L"\\" + name, out);
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

std::string Snapshot() {
    const UserLocations user = kelvaro::RealUserLocations();
    std::ostringstream out;
    DescribeKey(user.registryRoot, user.registryBase + L"\\" + kelvaro::kAppName, out);
    DescribeKey(user.registryRoot, user.registryBase + L"\\" + kelvaro::kOldAppName, out);
    DescribeFile(user.journalFile, out);
    DescribeFolder(user.sendToFolder, out);
    return out.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "record") != 0 && std::strcmp(argv[1], "compare") != 0)) {
        std::fprintf(stderr, "usage: isolation_check record|compare FILE\n");
        return 2;
    }
    const std::string now = Snapshot();
    if (std::strcmp(argv[1], "record") == 0) {
        std::ofstream(argv[2], std::ios::binary) << now;
        std::printf("%s", now.c_str());
        return 0;
    }
    std::ifstream file(argv[2], std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "no snapshot %s: the recording test did not run\n", argv[2]);
        return 1;
    }
    std::ostringstream before;
    before << file.rdbuf();
    if (before.str() == now) {
        std::printf("the user's settings, journal and Send To folder are as they were\n");
        return 0;
    }
    std::printf("the tests changed the user's own data.\nbefore:\n%s\nafter:\n%s", before.str().c_str(), now.c_str());
    return 1;
}
