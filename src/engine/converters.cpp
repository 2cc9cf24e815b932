#include "engine/converters.h"

#include "engine/path_text.h"
#include "engine/width.h"

namespace kelvaro {

std::wstring ToUpperDirName(const std::wstring& path) {
    return ParentWithSeparator(path) + UpperCaseName(ComposeKana(LastPathName(path)));
}

std::wstring ToLowerDirName(const std::wstring& path) {
    return ParentWithSeparator(path) + LowerCaseName(ComposeKana(LastPathName(path)));
}

std::wstring ToShortDirName(IFileSystem& fs, const std::wstring& path) {
    const std::wstring shortPath = fs.ShortPath(path);
    if (shortPath.empty()) return {};
    const std::wstring name = UpperCaseName(LastPathName(shortPath));
    // A volume without 8.3 names hands the long name back: there is no short
    // form. Short names of double-byte characters (新しい~1, 写真) are real
    // ones. A drive root has no name of its own and stays as it is.
    if (!name.empty() && !IsCodePageShortName(name)) return {};
    return ParentWithSeparator(path) + name;
}

std::wstring ToEightDirName(const std::wstring& path) {
    const std::wstring upper = ToUpperDirName(path);
    return IsShortName(upper) ? upper : std::wstring();
}

std::wstring ToFullWidthDirName(const std::wstring& path) {
    return ParentWithSeparator(path) + FullWidthString(ComposeKana(LastPathName(path)));
}

std::wstring ToHalfWidthDirName(const std::wstring& path, bool hiraganaToKatakana) {
    return ParentWithSeparator(path) + HalfWidthString(ComposeKana(LastPathName(path)), hiraganaToKatakana);
}

std::wstring ToStandardDirName(const std::wstring& path) {
    return ParentWithSeparator(path) + StandardString(LastPathName(path));
}

}  // namespace kelvaro
