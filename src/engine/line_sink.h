#pragma once
#include <string>

namespace kelvaro {

// Receives one line or path at a time: the history and the changed-folder list.
class ILineSink {
public:
    virtual ~ILineSink() = default;
    virtual void AddLine(const std::wstring& text) = 0;
    // A folder now stands under `to` instead of `from` (a rename or an undo):
    // a list of folders puts `to` in place of `from` and moves what lies
    // below `from` along. Lines simply get `to`.
    virtual void Moved(const std::wstring& from, const std::wstring& to) {
        (void)from;
        AddLine(to);
    }
    // No folder stands under `path` any more (left under another name).
    virtual void Removed(const std::wstring& path) { (void)path; }
};

}  // namespace kelvaro
