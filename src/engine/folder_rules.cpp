#include "engine/folder_rules.h"

#include "engine/converters.h"
#include "engine/path_text.h"

namespace kelvaro {

bool IsDriveRoot(const std::wstring& path) {
    return path.size() == 3 && path[1] == L':' && path[2] == L'\\';
}

std::wstring ConvertDirName(IFileSystem& fs, const std::wstring& path, int16_t mode, bool hira) {
    switch (mode) {
        case 0:
        case 1:
            return ToUpperDirName(path);
        case 2:
            return ToLowerDirName(path);
        case 3:
            return ToShortDirName(fs, path);
        case 4:
            return ToEightDirName(path);
        case 5:
            return ToFullWidthDirName(path);
        case 6:
            return ToHalfWidthDirName(path, hira);
        default:
            return {};
    }
}

FolderVerdict JudgeFolder(IFileSystem& fs,
                          const std::wstring& path,
                          int16_t mode,
                          bool hira,
                          const std::function<bool()>& exists) {
    if (mode == 1 && !IsShortName(path)) return {PlanState::KeptLong, {}};
    FolderVerdict verdict{PlanState::Rename, ConvertDirName(fs, path, mode, hira)};
    if (mode == 4 && verdict.newPath.empty())
        verdict.state = PlanState::KeptEightLong;
    else if (!verdict.newPath.empty() && verdict.newPath == path)
        // A folder that is gone carries no name at all: it is not done.
        verdict.state = exists() ? PlanState::InForm : PlanState::Missing;
    else if (verdict.newPath.empty() || !IsStorableName(LastPathName(verdict.newPath)))
        verdict.state = PlanState::Unstorable;
    return verdict;
}

FolderVerdict JudgeFolder(IFileSystem& fs, const std::wstring& path, int16_t mode, bool hira) {
    return JudgeFolder(fs, path, mode, hira, [&] { return IsDriveRoot(path) || fs.EntryName(path).has_value(); });
}

}  // namespace kelvaro
