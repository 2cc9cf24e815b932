#include "app/script_names.h"

#include <windows.h>

#include <algorithm>

#include "app/command_line.h"
#include "engine/catalog.h"
#include "engine/folder_rules.h"
#include "engine/path_text.h"

namespace kelvaro {

namespace {

// Where the first wildcard character of `path` stands, past a "\\?\" or
// "\\.\" prefix (whose "?" is none); npos when there is none.
size_t WildcardAt(const std::wstring& path) {
    const bool prefixed = path.compare(0, 4, L"\\\\?\\") == 0 || path.compare(0, 4, L"\\\\.\\") == 0;
    return path.find_first_of(L"*?", prefixed ? 4 : 0);
}

}  // namespace

std::vector<ScriptName> ExpandNames(IFileSystem& fs,
                                    const std::vector<std::wstring>& given,
                                    std::wstring& error,
                                    bool withHidden) {
    // Each name, and whether a list file gave it.
    std::vector<std::pair<std::wstring, bool>> names;
    for (const auto& name : given) {
        if (name.front() != L'@') {
            names.emplace_back(name, false);
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
        for (auto& line : *lines) names.emplace_back(std::move(line), true);
    }

    // A script takes any number of names: the run goes through them a batch at a time.
    std::vector<ScriptName> expanded;
    expanded.reserve(names.size());
    for (const auto& [name, listed] : names) {
        const std::wstring full = FullFileName(fs, name);
        ScriptName entry{full, {}};
        const size_t wildcard = WildcardAt(full), last = full.find_last_of(L"\\/");
        if (wildcard == std::wstring::npos) {
            entry.paths.push_back(full);
        } else if (listed) {
            entry.fault = NameFault::ListWildcard;
        } else if (last == std::wstring::npos || wildcard < last) {
            entry.fault = NameFault::WildcardNotLast;
        } else {
            entry.pattern = true;
            const std::wstring parent = full.substr(0, last), pattern = full.substr(last + 1);
            std::vector<std::wstring> matches;
            for (const auto& sub :
                 fs.TreeFolders(parent.size() == 2 ? parent + L'\\' : parent).value_or(std::vector<TreeEntry>{}))
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
