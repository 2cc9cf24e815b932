#pragma once
#include <windows.h>

#include "ports/settings_store.h"

namespace kelvaro {

// The registry area where classic Windows programs keep their settings, so
// that values written by earlier releases are found.
inline constexpr const wchar_t* kSettingsRootPath = L"Software\\VB and VBA Program Settings";

// String values under <root>\<base>\<application>\<section>.
class RegistryStore final : public ISettingsStore {
public:
    // The program passes the user's own (UserLocations); tests a key of their own.
    RegistryStore(HKEY root, std::wstring base);

    std::wstring StoreRead(const std::wstring& app,
                           const std::wstring& section,
                           const std::wstring& key,
                           const std::wstring& fallback) override;
    bool StoreWrite(const std::wstring& app,
                    const std::wstring& section,
                    const std::wstring& key,
                    const std::wstring& value) override;
    bool StoreDelete(const std::wstring& app, const std::wstring& section) override;

private:
    std::wstring SectionPath(const std::wstring& app, const std::wstring& section) const;

    HKEY root_;
    std::wstring base_;
};

}  // namespace kelvaro
