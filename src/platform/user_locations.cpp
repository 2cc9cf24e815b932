#include "platform/user_locations.h"

#include <shlobj.h>

#include <algorithm>
#include <cwchar>

#include "platform/registry_store.h"

namespace kelvaro {
namespace {

std::wstring KnownFolder(REFKNOWNFOLDERID id, DWORD flags) {
    PWSTR folder = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(id, flags, nullptr, &folder)) && folder) path = folder;
    CoTaskMemFree(folder);
    return path;
}

}  // namespace

UserLocations RealUserLocations() {
    UserLocations locations;
    locations.registryBase = kSettingsRootPath;
    const std::wstring appData = KnownFolder(FOLDERID_LocalAppData, KF_FLAG_DEFAULT);
    if (!appData.empty()) {
        locations.journalFile = appData + L"\\Kelvaro2\\journal.txt";
        locations.diagnosticsFile = appData + L"\\Kelvaro2\\diagnostics.txt";
    }
    // Not verified here: the shortcut's owner checks it, and makes it only when asked to.
    locations.sendToFolder = KnownFolder(FOLDERID_SendTo, KF_FLAG_DONT_VERIFY);
    return locations;
}

UserLocations TestUserLocations(const std::wstring& root) {
    std::wstring keyName = root;
    std::replace(keyName.begin(), keyName.end(), L'\\', L'_');
    UserLocations locations;
    locations.registryBase = L"Software\\Kelvaro2 Tests\\" + keyName;
    locations.journalFile = root + L"\\Kelvaro2\\journal.txt";
    locations.diagnosticsFile = root + L"\\Kelvaro2\\diagnostics.txt";
    locations.sendToFolder = root + L"\\SendTo";
    return locations;
}

UserLocations ProgramUserLocations() {
    std::wstring root(GetEnvironmentVariableW(kTestRootVariable, nullptr, 0), L'\0');
    if (!root.empty())
        root.resize(GetEnvironmentVariableW(kTestRootVariable, root.data(), static_cast<DWORD>(root.size())));
    return root.empty() ? RealUserLocations() : TestUserLocations(root);
}

uint64_t TestSetting(const wchar_t* name) {
    wchar_t root[4] = {}, value[24] = {};
    if (GetEnvironmentVariableW(kTestRootVariable, root, 4) == 0) return 0;
    if (GetEnvironmentVariableW(name, value, 24) == 0) return 0;
    return wcstoull(value, nullptr, 10);
}

}  // namespace kelvaro
