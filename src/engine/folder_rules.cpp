#include "engine/folder_rules.h"

#include <windows.h>

#include <iterator>

#include "engine/catalog.h"
#include "engine/converters.h"
#include "engine/path_text.h"
#include "engine/width.h"

namespace kelvaro {
namespace {

// Windows keeps a name to 255 characters and, without long paths, a path to
// MAX_PATH less its terminating NUL.
constexpr size_t kMaxComponent = 255;
constexpr size_t kMaxPath = MAX_PATH - 1;
const size_t kTempLength = std::wstring(kTempSuffix).size();

// A volume without 8.3 names (NTFS with their creation off, exFAT, ReFS)
// hands a folder's long name back as its short form.
bool HasNoShortName(IFileSystem& fs, const std::wstring& path) {
    const std::wstring name = LastPathName(path);
    const std::wstring shortName = LastPathName(fs.ShortPath(path));
    return !name.empty() && CompareStringOrdinal(name.c_str(), static_cast<int>(name.size()), shortName.c_str(),
                                                 static_cast<int>(shortName.size()), TRUE) == CSTR_EQUAL;
}

// The UTF-8 length of a name, as Linux stores it: a surrogate pair is one
// four-byte character, a lone surrogate three bytes like any other.
size_t Utf8Bytes(const std::wstring& name) {
    size_t bytes = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const wchar_t c = name[i];
        if (c < 0x80) {
            bytes += 1;
        } else if (c < 0x800) {
            bytes += 2;
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 &&
                   name[i + 1] <= 0xDFFF) {
            bytes += 4;
            ++i;
        } else {
            bytes += 3;
        }
    }
    return bytes;
}

bool NameTooLong(const std::wstring& path, bool utf8Names, LengthLimit& limit) {
    const std::wstring name = LastPathName(path) + kTempSuffix;
    if (name.size() > kMaxComponent) {
        limit = LengthLimit::NameChars;
        return true;
    }
    if (utf8Names && Utf8Bytes(name) > kMaxComponent) {
        limit = LengthLimit::NameBytes;
        return true;
    }
    return false;
}

// The conversions told from the name alone: every mode but the short name's.
std::wstring ConvertByName(const std::wstring& path, int16_t mode, bool hiraganaToKatakana) {
    if (mode < 0 || mode >= ModeCount() || !ModeOf(mode).convert) return {};
    return ModeOf(mode).convert(path, hiraganaToKatakana);
}

}  // namespace

std::wstring ConvertDirName(IFileSystem& fs, const std::wstring& path, int16_t mode, bool hiraganaToKatakana) {
    return RuleOf(mode) == ModeRule::ShortName ? ToShortDirName(fs, path)
                                               : ConvertByName(path, mode, hiraganaToKatakana);
}

LengthLimit ExceededLimit(const std::wstring& from, const std::wstring& to, bool utf8Names, bool longPaths) {
    LengthLimit limit = LengthLimit::None;
    if (NameTooLong(from, utf8Names, limit) || NameTooLong(to, utf8Names, limit)) return limit;
    // A path already past the limit shows that this volume takes long paths.
    if (longPaths || from.size() > kMaxPath) return LengthLimit::None;
    if (from.size() + kTempLength > kMaxPath || to.size() + kTempLength > kMaxPath) return LengthLimit::PathChars;
    return LengthLimit::None;
}

FolderVerdict JudgeFolder(IFileSystem& fs,
                          const std::wstring& path,
                          int16_t mode,
                          bool hiraganaToKatakana,
                          const std::function<bool()>& exists) {
    // The program's own folders, and what an interrupted rename left, are never a run's to rename.
    if (fs.IsOwnFolder(path)) return {PlanState::OwnFolder, {}};
    if (IsTempName(LastPathName(path))) return {PlanState::TempName, {}};
    // A folder whose name the system takes for a device cannot be named to be renamed.
    if (IsDeviceName(LastPathName(path))) return {PlanState::Unstorable, {}};
    const ModeRule rule = RuleOf(mode);
    // Composing never crosses a backslash: the name is judged as the mode converts it.
    if (rule == ModeRule::KeepLong && !IsShortName(ComposeKana(path))) return {PlanState::KeptLong, {}};
    FolderVerdict verdict{PlanState::Rename, ConvertDirName(fs, path, mode, hiraganaToKatakana)};
    if (rule == ModeRule::NeedEight && verdict.newPath.empty())
        verdict.state = PlanState::KeptEightLong;
    else if (!verdict.newPath.empty() && verdict.newPath == path)
        // A folder that is gone carries no name at all: it is not done.
        verdict.state = exists() ? PlanState::InForm : PlanState::Missing;
    else if (verdict.newPath.empty() && rule == ModeRule::ShortName && HasNoShortName(fs, path))
        // The drive's words only where the drive keeps none at all.
        verdict.state = fs.KeepsShortNames(path) ? PlanState::FolderNoShortName : PlanState::NoShortName;
    else if (verdict.newPath.empty() && rule == ModeRule::ShortName && (verdict.error = fs.ShortPathError(path)) != 0)
        verdict.state = PlanState::ShortNameUnreadable;
    else if (verdict.newPath.empty() || !IsStorableName(LastPathName(verdict.newPath)))
        verdict.state = PlanState::Unstorable;
    else if ((verdict.limit = ExceededLimit(path, verdict.newPath, fs.StoresNamesAsUtf8(), fs.LongPathsEnabled())) !=
             LengthLimit::None)
        verdict.state = PlanState::TooLong;
    // Programs keep the paths of Windows' own folders, and Explorer shows them
    // under other names: only a change of case, which leaves every path to
    // them valid, is made. Asked last: only of a folder that would be renamed.
    if ((verdict.state == PlanState::Rename || verdict.state == PlanState::TooLong) &&
        FoldedName(LastPathName(verdict.newPath)) != FoldedName(LastPathName(path)) && fs.IsWindowsFolder(path))
        return {PlanState::WindowsFolder, {}};
    return verdict;
}

FolderVerdict JudgeFolder(IFileSystem& fs, const std::wstring& path, int16_t mode, bool hiraganaToKatakana) {
    return JudgeFolder(fs, path, mode, hiraganaToKatakana,
                       [&] { return IsDriveRoot(path) || fs.EntryName(path).has_value(); });
}

std::wstring PlannedNewPath(const std::wstring& path, int16_t mode, bool hiraganaToKatakana) {
    const std::wstring name = LastPathName(path);
    if (RuleOf(mode) == ModeRule::ShortName || IsTempName(name) || IsDeviceName(name)) return {};
    if (RuleOf(mode) == ModeRule::KeepLong && !IsShortName(ComposeKana(path))) return {};
    std::wstring newPath = ConvertByName(path, mode, hiraganaToKatakana);
    if (newPath == path || !IsStorableName(LastPathName(newPath))) return {};
    return newPath;
}

bool IsTempName(const std::wstring& name) {
    static const std::wstring suffix = FoldedName(kTempSuffix);
    const std::wstring folded = FoldedName(name);
    return folded.size() > suffix.size() && folded.compare(folded.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool IsDeviceName(const std::wstring& name) {
    std::wstring base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    CharUpperBuffW(base.data(), static_cast<DWORD>(base.size()));
    if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL") return true;
    // COM1 to COM9 and LPT1 to LPT9, and with the superscript digits ¹ ² ³.
    const wchar_t digit = base.size() == 4 ? base[3] : 0;
    return (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
           ((digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3');
}

// The verdict's words, by state.
constexpr KText kPlanStateTexts[] = {
    KText::WillRenameState,
    KText::SameState,
    KText::KeptLongState,
    KText::KeptEightLongState,
    KText::BadNameState,
    KText::NotFoundState,
    KText::SiblingExistsState,
    KText::ListClashState,
    KText::TooLongState,
    KText::NoShortNameState,
    KText::OwnFolderState,
    KText::TempNameState,
    KText::WindowsFolderState,
    KText::FolderNoShortNameState,
    KText::ShortNameUnreadableState,
};
static_assert(std::size(kPlanStateTexts) == kPlanStates, "one text for each verdict");

std::wstring PlanStateText(PlanState state) {
    return ResKelvaroText(kPlanStateTexts[static_cast<size_t>(state)]);
}

std::wstring LengthLimitText(LengthLimit limit) {
    switch (limit) {
        case LengthLimit::NameChars:
            return ResKelvaroText(KText::TempNameTooLongNote);
        case LengthLimit::PathChars:
            return ResKelvaroText(KText::TempPathTooLongNote);
        case LengthLimit::NameBytes:
            return ResKelvaroText(KText::TempNameTooManyBytesNote);
        default:
            return {};
    }
}

}  // namespace kelvaro
