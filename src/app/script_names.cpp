#include "app/script_names.h"

#include <windows.h>

#include <algorithm>

#include "app/command_line.h"
#include "engine/catalog.h"
#include "engine/folder_rules.h"
#include "engine/path_text.h"

namespace kelvaro {

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// Folds "." and ".." steps of a full path; the root ("C:" or "\\server\share") stays.
std::wstring FoldSteps(const std::wstring& path) {
    // The root without its last backslash; a share's root alone stays as it is.
    const std::wstring root = PathRoot(path);
    const size_t rootEnd = root.empty() ? 2 : root.size() - 1;
    if (!root.empty() && rootEnd >= path.size()) return path;
    std::vector<std::wstring> parts;
    size_t p = rootEnd;
    while (p < path.size()) {
        while (p < path.size() && IsSeparator(path[p])) ++p;
        size_t end = p;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        const std::wstring part = path.substr(p, end - p);
        if (part == L"..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != L".") {
            parts.push_back(part);
        }
        p = end;
    }
    std::wstring folded = path.substr(0, rootEnd);
    for (const auto& part : parts) folded += L'\\' + part;
    if (parts.empty()) folded += L'\\';
    return folded;
}

}  // namespace

std::wstring FullFileName(IFileSystem& fs, const std::wstring& name) {
    const bool drive = name.size() >= 2 && name[1] == L':';
    if (drive && name.size() >= 3 && IsSeparator(name[2]))
        return name.find(L"\\.") == std::wstring::npos ? name : FoldSteps(name);
    if (name.compare(0, 2, L"\\\\") == 0) return name;
    std::wstring dir = fs.CurrentDir();
    if (drive) {
        // "D:photos": relative to the current folder of that drive, taken here as its root
        // unless it is the current drive.
        if (dir.size() < 2 || !SameName(dir.substr(0, 2), name.substr(0, 2))) dir = name.substr(0, 2) + L'\\';
        return FoldSteps(dir + L'\\' + name.substr(2));
    }
    if (!name.empty() && IsSeparator(name[0])) return FoldSteps(dir.substr(0, 2) + name);
    return FoldSteps(dir + L'\\' + name);
}

std::vector<ScriptName> ExpandNames(IFileSystem& fs,
                                    const std::vector<std::wstring>& given,
                                    std::wstring& error,
                                    bool withHidden) {
    std::vector<std::wstring> names;
    for (const auto& name : given) {
        if (name.front() != L'@') {
            names.push_back(name);
            continue;
        }
        const std::wstring file = name.substr(1);
        std::optional<std::vector<std::wstring>> lines;
        size_t nulLine = 0;
        if (!file.empty())
            if (auto bytes = fs.ReadFileBytes(FullFileName(fs, file))) lines = ListFileNames(*bytes, &nulLine);
        if (!lines) {
            error = nulLine ? FillIn(ResKelvaroText(KText::ListFileBadLineError), {nulLine}) + file
                            : ResKelvaroText(KText::ListFileUnreadableError) + file;
            return {};
        }
        // A list that yields nothing is as wrong as a line without names.
        if (lines->empty()) {
            error = ResKelvaroText(KText::ListFileEmptyError) + file;
            return {};
        }
        names.insert(names.end(), lines->begin(), lines->end());
    }

    // A script takes any number of names: the run goes through them a batch at a time.
    std::vector<ScriptName> expanded;
    expanded.reserve(names.size());
    for (const auto& name : names) {
        ScriptName entry{name, {}};
        const std::wstring full = FullFileName(fs, name);
        if (!HasWildcard(full)) {
            entry.paths.push_back(full);
        } else {
            const size_t last = full.find_last_of(L'\\');
            const std::wstring parent = full.substr(0, last), pattern = full.substr(last + 1);
            std::vector<std::wstring> matches;
            for (const auto& sub : fs.TreeFolders(parent.size() == 2 ? parent + L'\\' : parent).value_or(
                     std::vector<TreeEntry>{}))
                if ((withHidden || !sub.hidden) && !IsTempName(sub.name) && WildcardMatch(pattern, sub.name))
                    matches.push_back(sub.name);
            std::sort(matches.begin(), matches.end(), [](const std::wstring& a, const std::wstring& b) {
                return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                            static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
            });
            for (const auto& match : matches) entry.paths.push_back(parent + L'\\' + match);
        }
        expanded.push_back(std::move(entry));
    }
    return expanded;
}

}  // namespace kelvaro
