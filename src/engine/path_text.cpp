#include "engine/path_text.h"

#include <windows.h>

#include <array>
#include <string_view>
#include <vector>

namespace kelvaro {

std::wstring LastPathName(const std::wstring& path) {
    const auto pos = path.rfind(L'\\');
    if (pos == std::wstring::npos) return {};
    return path.substr(pos + 1);
}

std::wstring ParentDirName(const std::wstring& path) {
    const auto pos = path.rfind(L'\\');
    if (pos == std::wstring::npos) return {};
    // The parent of a folder at the top of a drive is the drive's root, "C:\", never "C:".
    if (pos == 2 && PathRoot(path).size() == 3) return path.substr(0, 3);
    return path.substr(0, pos);
}

std::wstring ParentWithSeparator(const std::wstring& path) {
    std::wstring parent = ParentDirName(path);
    if (parent.empty() || parent.back() != L'\\') parent += L'\\';
    return parent;
}

namespace {

bool IsDriveLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// The length of "X:\" at `start` of `path`, or 0.
size_t DriveRootLength(const std::wstring& path, size_t start) {
    return path.size() >= start + 3 && IsDriveLetter(path[start]) && path[start + 1] == L':' && path[start + 2] == L'\\'
               ? 3
               : 0;
}

// The length of "server\share" at `start` of `path` with the backslash after
// it, if any; 0 when the share's name is missing.
size_t ShareRootLength(const std::wstring& path, size_t start) {
    const size_t server = path.find(L'\\', start);
    if (server == start || server == std::wstring::npos || server + 1 >= path.size() || path[server + 1] == L'\\')
        return 0;
    const size_t share = path.find(L'\\', server + 1);
    return (share == std::wstring::npos ? path.size() : share + 1) - start;
}

}  // namespace

std::wstring PathRoot(const std::wstring& path) {
    static const std::wstring kLong = L"\\\\?\\", kLongShare = L"\\\\?\\UNC\\";
    size_t prefix = 0, length = 0;
    bool share = false;
    if (path.compare(0, kLongShare.size(), kLongShare) == 0) {
        prefix = kLongShare.size();
        share = true;
    } else if (path.compare(0, kLong.size(), kLong) == 0) {
        prefix = kLong.size();
    } else if (path.compare(0, 2, L"\\\\") == 0) {
        prefix = 2;
        share = true;
    }
    length = share ? ShareRootLength(path, prefix) : DriveRootLength(path, prefix);
    if (length == 0) return {};
    std::wstring root = path.substr(0, prefix + length);
    if (root.back() != L'\\') root += L'\\';
    return root;
}

bool IsDriveRoot(const std::wstring& path) {
    const std::wstring root = PathRoot(path);
    return !root.empty() && (path.size() == root.size() || path.size() + 1 == root.size());
}

std::wstring WithSeparator(const std::wstring& dir) {
    return (!dir.empty() && dir.back() == L'\\') ? dir : dir + L'\\';
}

std::wstring FileBaseName(const std::wstring& path) {
    const std::wstring name = LastPathName(path);
    const auto dot = name.rfind(L'.');
    if (dot == std::wstring::npos) return name;
    return name.substr(0, dot);
}

std::wstring FileExtName(const std::wstring& path) {
    for (size_t i = path.size(); i-- > 0;) {
        if (path[i] == L'\\') return {};
        if (path[i] == L'.') return path.substr(i);
    }
    return {};
}

std::wstring LastDirName(const std::wstring& path) {
    const auto pos = path.rfind(L'\\');
    if (pos == std::wstring::npos || pos == 0) return {};
    return path.substr(pos + 1);
}

namespace {

bool InRange(wchar_t c, wchar_t first, wchar_t last) {
    return c >= first && c <= last;
}

wchar_t MapCase(wchar_t c, bool upper) {
    wchar_t buffer[1] = {c};
    if (upper)
        CharUpperBuffW(buffer, 1);
    else
        CharLowerBuffW(buffer, 1);
    return buffer[0];
}

}  // namespace

std::wstring UpperCaseName(const std::wstring& name) {
    std::wstring result = name;
    for (auto& c : result) {
        if (InRange(c, 0xFF41, 0xFF5A) || InRange(c, 0x03B1, 0x03C9) || InRange(c, 0x0430, 0x044F)) continue;
        c = MapCase(c, true);
    }
    return result;
}

std::wstring FoldedName(const std::wstring& name) {
    std::wstring key = name;
    if (!key.empty()) CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    return key;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::wstring LowerCaseName(const std::wstring& name) {
    std::wstring result = name;
    for (auto& c : result) {
        if (InRange(c, 0xFF21, 0xFF3A) || InRange(c, 0x0391, 0x03A9) || InRange(c, 0x0410, 0x042F)) continue;
        c = MapCase(c, false);
    }
    return result;
}

bool IsShortNameChar(wchar_t ch) {
    return ch == L'!' || InRange(ch, L'#', L')') || ch == L'-' || InRange(ch, L'0', L'9') || InRange(ch, L'@', L'Z') ||
           InRange(ch, L'^', L'~') || InRange(ch, 0xFF61, 0xFF9F);
}

bool IsShortName(const std::wstring& path) {
    const std::wstring base = FileBaseName(path);
    const std::wstring ext = FileExtName(path);
    if (base.empty() || base.size() > 8) return false;
    if (!ext.empty() && (ext.size() < 2 || ext.size() > 4)) return false;
    for (wchar_t c : base)
        if (!IsShortNameChar(c)) return false;
    for (size_t i = 1; i < ext.size(); ++i)
        if (!IsShortNameChar(ext[i])) return false;
    return true;
}

std::wstring DirNameAbbrev(const std::wstring& path) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == L'\\') {
            parts.push_back(path.substr(start, i + 1 - start));
            start = i + 1;
        }
    }
    if (!path.empty()) parts.push_back(path.substr(start));
    if (parts.size() < 5) return path;
    return parts[0] + parts[1] + L"...\\" + parts[parts.size() - 2] + parts.back();
}

bool IsStorableName(const std::wstring& name) {
    if (name.empty() || name == L"." || name == L"..") return false;
    if (name.back() == L'.' || name.back() == L' ') return false;
    for (wchar_t c : name) {
        if (c < 0x20 || std::wstring_view(L"<>:\"/\\|?*").find(c) != std::wstring_view::npos) return false;
    }
    // Device names are reserved with any extension and in any case.
    std::wstring stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    for (auto& c : stem)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    static const std::array<const wchar_t*, 6> kPlain = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* device : kPlain)
        if (stem == device) return false;
    // COM1-COM9 and LPT1-LPT9, and the ports Windows also accepts with a superscript 1, 2 or 3.
    if (stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
        (InRange(stem[3], L'1', L'9') || stem[3] == 0x00B9 || stem[3] == 0x00B2 || stem[3] == 0x00B3))
        return false;
    return true;
}

bool IsCodePageShortName(const std::wstring& name) {
    if (name.empty()) return false;
    // Characters Windows never puts in a short name; the dot only as the one separator.
    for (wchar_t c : name)
        if (c <= 0x20 || std::wstring_view(L"\"*+,/:;<=>?[\\]|").find(c) != std::wstring_view::npos) return false;
    const size_t dot = name.find(L'.');
    if (dot != name.rfind(L'.')) return false;
    const auto bytes = [](const std::wstring& part) -> int {
        if (part.empty()) return 0;
        BOOL lossy = FALSE;
        const int size = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, part.c_str(), static_cast<int>(part.size()),
                                             nullptr, 0, nullptr, &lossy);
        return (size <= 0 || lossy) ? -1 : size;
    };
    const int base = bytes(name.substr(0, dot));
    if (base < 1 || base > 8) return false;
    if (dot == std::wstring::npos) return true;
    const int ext = bytes(name.substr(dot + 1));
    return ext >= 1 && ext <= 3;
}

bool HasWildcard(const std::wstring& name) {
    const size_t last = name.find_last_of(L"\\/");
    return name.find_first_of(L"*?", last == std::wstring::npos ? 0 : last + 1) != std::wstring::npos;
}

bool WildcardMatch(const std::wstring& pattern, const std::wstring& name) {
    // The classic greedy walk with one back-up point for the last "*".
    size_t p = 0, n = 0, star = std::wstring::npos, mark = 0;
    auto same = [](wchar_t a, wchar_t b) { return a == b || CompareStringOrdinal(&a, 1, &b, 1, TRUE) == CSTR_EQUAL; };
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == L'?' || (pattern[p] != L'*' && same(pattern[p], name[n])))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            mark = n;
        } else if (star != std::wstring::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

}  // namespace kelvaro
