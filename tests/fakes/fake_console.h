#pragma once
#include <string>
#include <vector>

#include "ports/console.h"

namespace kelvaro::testing {

// Keeps every line written, per stream.
class FakeConsole : public IConsole {
public:
    void Out(const std::wstring& line) override { out.push_back(line); }
    void Error(const std::wstring& line) override { errors.push_back(line); }
    std::vector<std::wstring> out, errors;
};

}  // namespace kelvaro::testing
