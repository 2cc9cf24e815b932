#include "app/command_line.h"

#include <windows.h>

namespace kelvaro {

bool SplitCommandLine(const std::wstring& text, const std::function<bool(const std::wstring&)>& addOne) {
    size_t p = 0;
    while (p < text.size()) {
        if (text[p] == L'"') {
            const size_t close = text.find(L'"', p + 1);
            if (close == std::wstring::npos) return false;
            const std::wstring name = text.substr(p + 1, close - p - 1);
            if (!name.empty() && addOne(name)) return false;
            p = close + 1;
            continue;
        }
        const size_t blank = text.find(L' ', p);
        const size_t end = blank == std::wstring::npos ? text.size() : blank;
        const std::wstring name = text.substr(p, end - p);
        if (!name.empty() && addOne(name)) return false;
        if (blank == std::wstring::npos) break;
        p = blank + 1;
    }
    return true;
}

bool CmdLine_AddOne(TargetList& targets, DirNameResolver& names, const std::wstring& name) {
    return !targets.Gaibu_ListInAdd(names, name);
}

bool CmdLine_ListIn(TargetList& targets, IFileSystem& fs, const std::wstring& text) {
    targets.RefreshForm();
    DirNameResolver names(fs);
    const bool whole =
        SplitCommandLine(text, [&](const std::wstring& name) { return CmdLine_AddOne(targets, names, name); });
    if (!whole) targets.RefreshForm();
    return whole;
}

std::wstring ArgumentsText(const std::wstring& fullCommandLine) {
    size_t p = 0;
    // The program name: quoted as a whole, or up to the first blank or tab.
    if (p < fullCommandLine.size() && fullCommandLine[p] == L'"') {
        const size_t close = fullCommandLine.find(L'"', 1);
        p = close == std::wstring::npos ? fullCommandLine.size() : close + 1;
    }
    while (p < fullCommandLine.size() && fullCommandLine[p] != L' ' && fullCommandLine[p] != L'\t') ++p;
    while (p < fullCommandLine.size() && (fullCommandLine[p] == L' ' || fullCommandLine[p] == L'\t')) ++p;
    return fullCommandLine.substr(p);
}

bool IsRemovalRequest(const std::wstring& text) {
    return text.size() == 2 && text[0] == L'/' && (text[1] == L'U' || text[1] == L'u');
}

bool IsUndoRequest(const std::wstring& text) {
    return text.size() == 5 && CompareStringOrdinal(text.c_str(), 5, L"/UNDO", 5, TRUE) == CSTR_EQUAL;
}

}  // namespace kelvaro
