#include "app/command_line.h"

#include <windows.h>

#include <algorithm>
#include <functional>

#include "engine/catalog.h"
#include "engine/folder_rules.h"
#include "engine/path_text.h"

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

bool CmdLine_AddOne(TargetList& targets, DirNameResolver& names, const std::wstring& name) {
    return !targets.AddFromOutside(names, name);
}

bool CmdLine_ListIn(TargetList& targets, IFileSystem& fs, const std::wstring& text) {
    targets.Refresh();
    DirNameResolver names(fs);
    // A relative name is taken from the current folder, as a script's names
    // are; a word starting with "/" was meant as a switch and stays no folder.
    const bool whole = SplitCommandLine(text, [&](const std::wstring& name) {
        return CmdLine_AddOne(targets, names, name.front() == L'/' ? name : FullFileName(fs, name));
    });
    if (!whole) targets.Refresh();
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

namespace {

std::wstring AsciiUpper(std::wstring text) {
    for (auto& c : text)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return text;
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

// The spellings of a request for help that console tools commonly accept.
bool IsHelpSwitch(const std::wstring& upper) {
    return upper == L"/?" || upper == L"-?" || upper == L"/H" || upper == L"/HELP" || upper == L"--HELP" ||
           upper == L"-H";
}

bool IsSwitchStart(wchar_t c) {
    return c == L'/' || c == L'-';
}

// Reads one switch from `p`: up to the next blank outside double quotes,
// with the quotes removed. False when a quote is left open.
bool ReadSwitch(const std::wstring& text, size_t& p, std::wstring& token) {
    bool quoted = false;
    for (; p < text.size() && (quoted || text[p] != L' '); ++p) {
        if (text[p] == L'"')
            quoted = !quoted;
        else
            token += text[p];
    }
    return !quoted;
}

// The word at `p` (blanks before it skipped), a quoted one with its quotes.
std::wstring FirstWord(const std::wstring& text, size_t p) {
    const size_t from = text.find_first_not_of(L' ', std::min(p, text.size()));
    if (from == std::wstring::npos) return {};
    const size_t end = text[from] == L'"' ? text.find(L'"', from + 1) : text.find(L' ', from);
    return text.substr(from, end == std::wstring::npos ? std::wstring::npos : end - from + (text[from] == L'"'));
}

}  // namespace

namespace {

// The switches at the start of the line, each as written; `end` is where
// the names begin. False when a quote among them is left open.
bool ReadSwitches(const std::wstring& text, std::vector<std::wstring>& switches, size_t& end) {
    bool quotesClosed = true;
    size_t& p = end;
    for (p = 0;;) {
        while (p < text.size() && text[p] == L' ') ++p;
        if (p >= text.size()) break;
        // A switch, or a switch quoted as a whole ("/LOG:C:\My Logs\a.log").
        const bool quotedSwitch = text[p] == L'"' && p + 1 < text.size() && IsSwitchStart(text[p + 1]);
        if (!IsSwitchStart(text[p]) && !quotedSwitch) break;
        std::wstring token;
        quotesClosed = ReadSwitch(text, p, token) && quotesClosed;
        switches.push_back(std::move(token));
    }
    return quotesClosed;
}

// Takes one switch into `command`; `fail` keeps the first error. `next` is
// the word after the last switch, for a value given without its colon.
void TakeSwitch(ScriptCommand& command,
                const std::wstring& token,
                const std::wstring& next,
                const std::function<void(KText, const std::wstring&)>& fail) {
    const std::wstring upper = AsciiUpper(token);
    if (IsHelpSwitch(upper)) {
        command.usage = true;
    } else if (StartsWith(upper, L"/MODE:")) {
        if (command.mode >= 0)
            fail(KText::RepeatedSwitchError, token);
        else if (const int mode = ModeOfName(token.substr(6)); mode >= 0)
            command.mode = static_cast<int16_t>(mode);
        else
            fail(KText::BadModeError, token);
    } else if (upper == L"/DRYRUN" || upper == L"/UNDO" || upper == L"/TSV" || upper == L"/UTF8" || upper == L"/CLIP" ||
               upper == L"/RESUME" || upper == L"/S" || upper == L"/A") {
        bool& flag = upper == L"/DRYRUN"   ? command.dryRun
                     : upper == L"/UNDO"   ? command.undo
                     : upper == L"/TSV"    ? command.tsv
                     : upper == L"/UTF8"   ? command.utf8
                     : upper == L"/RESUME" ? command.resume
                     : upper == L"/S"      ? command.subfolders
                     : upper == L"/A"      ? command.hidden
                                           : command.clip;
        if (flag) fail(KText::RepeatedSwitchError, token);
        flag = true;
    } else if (StartsWith(upper, L"/LOG:")) {
        if (!command.logFile.empty()) fail(KText::RepeatedSwitchError, token);
        command.logFile = token.substr(5);
        if (command.logFile.empty()) fail(KText::LogNameMissingError, {});
    } else if (upper == L"/U") {
        fail(KText::RemovalAloneError, {});
    } else if (upper == L"/MODE" || upper == L"/LOG") {
        // A blank instead of the colon: the word after the last switch is the value meant.
        const std::wstring value = !next.empty() ? next : upper == L"/MODE" ? L"n" : L"ファイル";
        fail(KText::SwitchValueColonError, token + L":" + value);
    } else {
        fail(KText::UnknownSwitchError, token);
    }
}

// What the switches and names ask together: /RESUME and /UNDO take nothing
// more, /A needs /S or a wildcard, and a run needs a mode and a folder.
void CheckTogether(const ScriptCommand& command, const std::function<void(KText, const std::wstring&)>& fail) {
    for (const auto& name : command.names)
        if (IsSwitchStart(name.front())) fail(KText::SwitchAfterFolderError, name);
    if (command.resume) {
        // The journal names the folders and the mode.
        if (command.mode >= 0 || command.dryRun || command.undo || command.subfolders || command.hidden ||
            !command.names.empty())
            fail(KText::ResumeWithOthersError, {});
        return;
    }
    if (command.undo) {
        // The undo takes back what the journal says, nothing named here.
        if (command.mode >= 0 || command.dryRun || command.subfolders || command.hidden || !command.names.empty())
            fail(KText::UndoWithOthersError, {});
        return;
    }
    // /A takes hidden and system folders into a walk, or into what a wildcard matches.
    if (command.hidden && !command.subfolders &&
        std::none_of(command.names.begin(), command.names.end(),
                     [](const std::wstring& name) { return name.front() != L'@' && HasWildcard(name); }))
        fail(KText::HiddenNeedsSubfolders, {});
    if (command.mode < 0) fail(KText::ModeMissingError, {});
    if (command.names.empty()) fail(KText::NoFoldersError, {});
}

}  // namespace

ScriptCommand ParseScriptCommand(const std::wstring& text) {
    ScriptCommand command;
    std::vector<std::wstring> switches;
    size_t p = 0;
    const bool quotesClosed = ReadSwitches(text, switches, p);
    // No switch, or "/U" alone: the line is read as before. Any other line
    // that starts with a switch is read strictly, so a mistyped switch is an
    // error instead of a folder name, and "/U" with anything more is one too
    // (a script would wait on a window nobody sees).
    if (switches.empty() || IsRemovalRequest(text)) return command;
    command.script = true;
    auto fail = [&](KText number, const std::wstring& detail) {
        if (command.error.empty()) command.error = ResKelvaroText(number) + detail;
    };
    for (const auto& token : switches)
        TakeSwitch(command, token, &token == &switches.back() ? FirstWord(text, p) : L"", fail);
    if (command.usage) {
        command.error.clear();
        return command;
    }
    if (!quotesClosed) fail(KText::OpenQuoteError, {});
    const bool whole = SplitCommandLine(text.substr(std::min(p, text.size())), [&](const std::wstring& name) {
        command.names.push_back(name);
        return false;
    });
    if (!whole) fail(KText::OpenQuoteError, {});
    CheckTogether(command, fail);
    return command;
}

namespace {

std::optional<std::wstring> Decode(UINT codePage, DWORD flags, const char* bytes, size_t size) {
    if (size == 0) return std::wstring();
    const int length = MultiByteToWideChar(codePage, flags, bytes, static_cast<int>(size), nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, bytes, static_cast<int>(size), text.data(), length);
    return text;
}

std::wstring DecodeUtf16(const std::string& bytes, bool bigEndian) {
    std::wstring text;
    text.reserve(bytes.size() / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        text += static_cast<wchar_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
    }
    return text;
}

}  // namespace

std::optional<std::vector<std::wstring>> ListFileNames(const std::string& bytes, size_t* nulLine) {
    auto starts = [&](const char* mark) { return bytes.compare(0, strlen(mark), mark) == 0; };
    std::wstring text;
    if (starts("\xFF\xFE")) {
        text = DecodeUtf16(bytes, false);
    } else if (starts("\xFE\xFF")) {
        text = DecodeUtf16(bytes, true);
    } else if (starts("\xEF\xBB\xBF")) {
        text = Decode(CP_UTF8, 0, bytes.data() + 3, bytes.size() - 3).value_or(L"");
    } else if (auto utf8 = Decode(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), bytes.size())) {
        text = std::move(*utf8);
    } else {
        text = Decode(932, 0, bytes.data(), bytes.size()).value_or(L"");
    }
    // A NUL would cut a path short: the list is refused, naming the line that holds it.
    if (const size_t nul = text.find(L'\0'); nul != std::wstring::npos) {
        if (nulLine) {
            // Lines end at LF, at CR not followed by LF, and at CR LF once.
            size_t line = 1;
            for (size_t i = 0; i < nul; ++i)
                line += text[i] == L'\n' || (text[i] == L'\r' && (i + 1 >= text.size() || text[i + 1] != L'\n'));
            *nulLine = line;
        }
        return std::nullopt;
    }

    std::vector<std::wstring> names;
    size_t p = 0;
    while (p < text.size()) {
        size_t end = text.find_first_of(L"\r\n", p);
        if (end == std::wstring::npos) end = text.size();
        std::wstring name = text.substr(p, end - p);
        p = end + 1;
        // Blanks around a name are not part of it (a name in quotes keeps its own).
        const size_t first = name.find_first_not_of(L" \t");
        if (first == std::wstring::npos) continue;
        name = name.substr(first, name.find_last_not_of(L" \t") - first + 1);
        if (name.size() >= 2 && name.front() == L'"' && name.back() == L'"') name = name.substr(1, name.size() - 2);
        if (!name.empty()) names.push_back(std::move(name));
    }
    return names;
}

}  // namespace kelvaro
