#pragma once
#include <string>

namespace kelvaro {

// Application -> section -> key -> string value, per user.
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;
    // The stored value, or `fallback` when the application, section or key is absent.
    virtual std::wstring StoreRead(const std::wstring& app,
                                   const std::wstring& section,
                                   const std::wstring& key,
                                   const std::wstring& fallback) = 0;
    virtual bool StoreWrite(const std::wstring& app,
                            const std::wstring& section,
                            const std::wstring& key,
                            const std::wstring& value) = 0;
    // Removes a section with all its keys, or with an empty `section` the whole
    // application. Removing what does not exist fails.
    virtual bool StoreDelete(const std::wstring& app, const std::wstring& section) = 0;
};

}  // namespace kelvaro
