#pragma once
#include <string>

namespace kelvaro {

// The console the program was started from, or whatever its output was
// redirected to. Each call writes one whole line at once; without a console
// nothing is written and nothing fails.
class IConsole {
public:
    virtual ~IConsole() = default;
    virtual void Out(const std::wstring& line) = 0;    // standard output
    virtual void Error(const std::wstring& line) = 0;  // standard error
};

}  // namespace kelvaro
