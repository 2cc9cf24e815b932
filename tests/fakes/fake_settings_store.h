#pragma once
#include <map>
#include <string>
#include <tuple>

#include "ports/settings_store.h"

namespace kelvaro::testing {

// The settings tree in memory: (application, section, key) -> value.
class FakeSettingsStore : public ISettingsStore {
public:
    using Key = std::tuple<std::wstring, std::wstring, std::wstring>;
    std::map<Key, std::wstring> values;

    std::wstring StoreRead(const std::wstring& app,
                           const std::wstring& section,
                           const std::wstring& key,
                           const std::wstring& fallback) override {
        const auto it = values.find({app, section, key});
        return it == values.end() ? fallback : it->second;
    }
    bool StoreWrite(const std::wstring& app,
                    const std::wstring& section,
                    const std::wstring& key,
                    const std::wstring& value) override {
        values[{app, section, key}] = value;
        return true;
    }
    bool StoreDelete(const std::wstring& app, const std::wstring& section) override {
        bool found = false;
        for (auto it = values.begin(); it != values.end();) {
            if (std::get<0>(it->first) == app && (section.empty() || std::get<1>(it->first) == section)) {
                it = values.erase(it);
                found = true;
            } else {
                ++it;
            }
        }
        return found;
    }
    // Keys stored under one application.
    size_t CountIn(const std::wstring& app) const {
        size_t n = 0;
        for (const auto& [key, value] : values) n += std::get<0>(key) == app;
        return n;
    }
};

}  // namespace kelvaro::testing
