#include "platform/registry_store.h"

#include <utility>

#include "platform/unique_handle.h"

namespace kelvaro {

RegistryStore::RegistryStore(HKEY root, std::wstring base) : root_(root), base_(std::move(base)) {}

std::wstring RegistryStore::SectionPath(const std::wstring& app, const std::wstring& section) const {
    std::wstring path = base_ + L"\\" + app;
    if (!section.empty()) path += L"\\" + section;
    return path;
}

std::wstring RegistryStore::StoreRead(const std::wstring& app,
                                      const std::wstring& section,
                                      const std::wstring& key,
                                      const std::wstring& fallback) {
    if (app.empty() || section.empty()) return fallback;
    UniqueRegKey hkey;
    if (RegOpenKeyExW(root_, SectionPath(app, section).c_str(), 0, KEY_QUERY_VALUE, hkey.put()) != ERROR_SUCCESS)
        return fallback;
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(hkey.get(), key.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return fallback;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return fallback;
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(hkey.get(), key.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes) !=
        ERROR_SUCCESS)
        return fallback;
    value.resize(bytes / sizeof(wchar_t));
    const auto nul = value.find(L'\0');
    if (nul != std::wstring::npos) value.resize(nul);
    return value;
}

bool RegistryStore::StoreWrite(const std::wstring& app,
                               const std::wstring& section,
                               const std::wstring& key,
                               const std::wstring& value) {
    if (app.empty() || section.empty()) return false;
    UniqueRegKey hkey;
    if (RegCreateKeyExW(root_, SectionPath(app, section).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, hkey.put(), nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(hkey.get(), key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
           ERROR_SUCCESS;
}

bool RegistryStore::StoreDelete(const std::wstring& app, const std::wstring& section) {
    if (app.empty()) return false;
    const std::wstring path = SectionPath(app, section);
    UniqueRegKey hkey;
    if (RegOpenKeyExW(root_, path.c_str(), 0, KEY_ALL_ACCESS, hkey.put()) != ERROR_SUCCESS) return false;
    RegDeleteTreeW(hkey.get(), nullptr);
    hkey.reset();
    return RegDeleteKeyW(root_, path.c_str()) == ERROR_SUCCESS;
}

}  // namespace kelvaro
