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
    // True when standard error is a console window, where a line can be
    // rewritten in place; false when it goes to a file or a pipe.
    virtual bool ErrorIsConsole() { return false; }
    // Shows `text` on standard error in place of the progress shown before,
    // without ending the line; empty text takes the progress away. The next
    // whole line written takes its place.
    virtual void Progress(const std::wstring& text) { (void)text; }
};

}  // namespace kelvaro
