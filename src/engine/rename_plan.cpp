#include "engine/rename_plan.h"

#include <windows.h>

#include <unordered_map>

#include "engine/catalog.h"
#include "engine/path_text.h"
#include "engine/rename_dir.h"

namespace kelvaro {
namespace {

// Windows keeps a name to 255 characters and, without long paths, a path to
// MAX_PATH less its terminating NUL.
constexpr size_t kMaxComponent = 255;
constexpr size_t kMaxPath = MAX_PATH - 1;
const size_t kTempLength = std::wstring(kTempSuffix).size();

constexpr int16_t kFirstStateText = 22010;

// File names compare without regard to case on Windows volumes.
std::wstring Fold(std::wstring text) {
    if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

bool IsDriveRoot(const std::wstring& path) {
    return path.size() == 3 && path[1] == L':' && path[2] == L'\\';
}

// One parent folder as the run meets it: every name in it (folded), with the
// folder of the batch that holds it, or kNoEntry for anything else.
struct ParentFolder {
    std::unordered_map<std::wstring, size_t> holders;
};

// Names the run refuses at the rename: a component over the limit, or a path
// (the temporary one included) that would not fit where the old one did.
bool TooLongForWindows(const std::wstring& from, const std::wstring& to) {
    if (LastPathName(to).size() > kMaxComponent || LastPathName(from).size() + kTempLength > kMaxComponent) return true;
    return from.size() <= kMaxPath && (to.size() > kMaxPath || from.size() + kTempLength > kMaxPath);
}

}  // namespace

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

bool FollowRename(std::wstring& path, const std::wstring& from, const std::wstring& to) {
    if (from.empty() || path.size() <= from.size() || path[from.size()] != L'\\') return false;
    if (CompareStringOrdinal(path.c_str(), static_cast<int>(from.size()), from.c_str(), static_cast<int>(from.size()),
                             TRUE) != CSTR_EQUAL)
        return false;
    path = to + path.substr(from.size());
    return true;
}

std::vector<PlanEntry> PlanRun(IFileSystem& fs, const std::vector<std::wstring>& paths, int16_t mode, bool hira) {
    const size_t count = paths.size();
    std::vector<PlanEntry> plan(count);
    std::unordered_map<std::wstring, ParentFolder> parents;
    std::vector<ParentFolder*> parentOf(count, nullptr);
    std::vector<std::wstring> nameKey(count);
    std::vector<bool> exists(count, false);

    // Each parent folder is listed once; every folder of the batch found there holds its name.
    for (size_t i = 0; i < count; ++i) {
        plan[i].path = paths[i];
        const std::wstring name = LastPathName(paths[i]);
        if (name.empty()) {
            exists[i] = IsDriveRoot(paths[i]);
            continue;
        }
        const std::wstring parent = ParentDirName(paths[i]);
        auto [it, fresh] = parents.try_emplace(Fold(parent));
        if (fresh)
            for (const auto& entry : fs.EntryNames(parent)) it->second.holders.emplace(Fold(entry), kNoEntry);
        parentOf[i] = &it->second;
        nameKey[i] = Fold(name);
        const auto holder = it->second.holders.find(nameKey[i]);
        if (holder == it->second.holders.end()) continue;
        exists[i] = true;
        if (holder->second == kNoEntry) holder->second = i;
    }

    // Then the run, folder by folder: each rename frees one name and takes another,
    // and the folders below a renamed one are followed to its new name.
    std::vector<std::wstring> current = paths;
    for (size_t i = 0; i < count; ++i) {
        PlanEntry& entry = plan[i];
        const FolderVerdict verdict = JudgeFolder(fs, paths[i], mode, hira, [&] { return exists[i]; });
        entry.state = exists[i] ? verdict.state : PlanState::Missing;
        entry.newPath = verdict.newPath;
        if (current[i] != paths[i] && !entry.newPath.empty())
            entry.newPath = ParentWithSeparator(current[i]) + LastPathName(entry.newPath);
        if (entry.state != PlanState::Rename) continue;

        const std::wstring& from = current[i];
        if (TooLongForWindows(from, entry.newPath)) {
            entry.state = PlanState::TooLong;
            continue;
        }
        ParentFolder& parent = *parentOf[i];
        if (parent.holders.count(Fold(LastPathName(from) + kTempSuffix))) {
            entry.state = PlanState::SiblingExists;
            continue;
        }
        // A change of case only keeps the folder's own name: no clash with itself.
        const std::wstring newKey = Fold(LastPathName(entry.newPath));
        if (newKey != nameKey[i]) {
            const auto holder = parent.holders.find(newKey);
            if (holder != parent.holders.end()) {
                if (holder->second == kNoEntry) {
                    entry.state = PlanState::SiblingExists;
                } else {
                    entry.state = PlanState::BatchClash;
                    entry.clashWith = holder->second;
                    if (plan[holder->second].clashWith == kNoEntry) plan[holder->second].clashWith = i;
                }
                continue;
            }
            parent.holders.erase(nameKey[i]);
            parent.holders.emplace(newKey, i);
        }
        for (size_t k = i + 1; k < count; ++k)
            if (FollowRename(current[k], from, entry.newPath)) plan[k].belowRenamed = true;
    }
    return plan;
}

std::wstring PlanStateText(PlanState state) {
    return ResKelvaroText(static_cast<int16_t>(kFirstStateText + static_cast<int>(state)));
}

}  // namespace kelvaro
