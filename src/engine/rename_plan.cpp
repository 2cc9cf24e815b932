#include "engine/rename_plan.h"

#include <windows.h>

#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "engine/catalog.h"
#include "engine/folder_rules.h"
#include "engine/path_text.h"
#include "engine/rename_dir.h"

namespace kelvaro {
namespace {

// One parent folder as the run meets it: every name in it (folded), with the
// folder of the batch that holds it, or kNoEntry for anything else; and the
// short spelling of each name, as the listing gave it (under the name exactly
// as stored: in a folder that tells case apart, `Mix` and `mix` are two).
struct ParentFolder {
    std::unordered_map<std::wstring, size_t> holders;
    // Names held by more than one entry, differing in case only (a folder
    // that tells case apart): a change of case to one of them is refused.
    std::unordered_set<std::wstring> twins;
    std::unordered_map<std::wstring, std::wstring> shortNames;
    std::optional<std::wstring> shortPath;  // of the parent itself, asked once
    // Nothing came back (a folder that may be entered but not listed, or is
    // gone): its folders are looked up one by one instead.
    bool unlisted = false;
};

// The disk as the plan sees it: each parent folder listed once, and the short
// names the mode-3 rule asks for answered from those listings (the short path
// of the parent, asked once, and the short name of the entry). Nothing is
// renamed, created or entered.
class ListedFileSystem final : public IFileSystem {
public:
    explicit ListedFileSystem(IFileSystem& fs) : fs_(fs) {}

    ParentFolder& Parent(const std::wstring& parent) {
        // Exactly as spelt: a parent beside a twin differing in case is another folder.
        auto [it, fresh] = parents_.try_emplace(parent);
        if (fresh) {
            if (const auto entries = fs_.Entries(parent)) {
                for (const auto& entry : *entries) {
                    const std::wstring key = FoldedName(entry.name);
                    if (!it->second.holders.emplace(key, kNoEntry).second) it->second.twins.insert(key);
                    it->second.shortNames.emplace(entry.name, entry.shortName.empty() ? entry.name : entry.shortName);
                }
            }
            it->second.unlisted = it->second.holders.empty();
        }
        return it->second;
    }

    std::wstring ShortPath(const std::wstring& path) override {
        const std::wstring name = LastPathName(path);
        if (name.empty()) return fs_.ShortPath(path);
        const std::wstring parentPath = ParentDirName(path);
        ParentFolder& parent = Parent(parentPath);
        if (parent.unlisted) return fs_.ShortPath(path);
        // A name spelt otherwise than stored is asked of the disk.
        const auto it = parent.shortNames.find(name);
        if (it == parent.shortNames.end()) return fs_.ShortPath(path);
        if (!parent.shortPath) parent.shortPath = fs_.ShortPath(parentPath);
        if (parent.shortPath->empty()) return {};
        return *parent.shortPath + (parent.shortPath->back() == L'\\' ? L"" : L"\\") + it->second;
    }

    MoveResult MoveDir(const std::wstring&, const std::wstring&, const std::optional<FileIdentity>&) override {
        return {ERROR_ACCESS_DENIED};
    }
    bool IsFolder(const std::wstring& path) override { return fs_.IsFolder(path); }
    bool IsOwnFolder(const std::wstring& path) override { return fs_.IsOwnFolder(path); }
    bool IsWindowsFolder(const std::wstring& path) override { return fs_.IsWindowsFolder(path); }
    bool KeepsShortNames(const std::wstring& path) override { return fs_.KeepsShortNames(path); }
    uint32_t ShortPathError(const std::wstring& path) override { return fs_.ShortPathError(path); }
    std::wstring CurrentDir() override { return fs_.CurrentDir(); }
    bool SetCurrentDir(const std::wstring&) override { return false; }
    std::optional<std::wstring> EntryName(const std::wstring& path) override { return fs_.EntryName(path); }
    std::optional<DiskFreeInfo> DiskFree(const std::wstring& root) override { return fs_.DiskFree(root); }
    std::wstring TempPath() override { return fs_.TempPath(); }
    std::vector<std::wstring> SubFolders(const std::wstring& dir) override { return fs_.SubFolders(dir); }
    std::optional<std::vector<ListedEntry>> Entries(const std::wstring& dir) override { return fs_.Entries(dir); }
    std::vector<std::wstring> Drives() override { return fs_.Drives(); }
    bool IsOrdinaryFile(const std::wstring& path) override { return fs_.IsOrdinaryFile(path); }
    bool WriteFileBytes(const std::wstring&, const std::string&) override { return false; }
    bool StoresNamesAsUtf8() const override { return fs_.StoresNamesAsUtf8(); }
    bool LongPathsEnabled() override { return fs_.LongPathsEnabled(); }

private:
    IFileSystem& fs_;
    std::unordered_map<std::wstring, ParentFolder> parents_;
};

}  // namespace

bool FollowRename(std::wstring& path, const std::wstring& from, const std::wstring& to, bool exactCase) {
    if (from.empty() || path.size() <= from.size() || path[from.size()] != L'\\') return false;
    if (CompareStringOrdinal(path.c_str(), static_cast<int>(from.size()), from.c_str(), static_cast<int>(from.size()),
                             exactCase ? FALSE : TRUE) != CSTR_EQUAL)
        return false;
    path = to + path.substr(from.size());
    return true;
}

namespace {

// Where each folder of a batch stands before the run: its parent's listing,
// its name as compared, and whether it is there.
struct BatchNames {
    explicit BatchNames(size_t count) : parentOf(count, nullptr), nameKey(count), exists(count, false) {}
    std::vector<ParentFolder*> parentOf;
    std::vector<std::wstring> nameKey;
    std::vector<bool> exists;
};

// Each parent folder is listed once; every folder of the batch found there holds its name.
void ListParents(IFileSystem& disk, ListedFileSystem& fs, const std::vector<std::wstring>& paths, BatchNames& names) {
    for (size_t i = 0; i < paths.size(); ++i) {
        const std::wstring name = LastPathName(paths[i]);
        if (name.empty()) {
            names.exists[i] = IsDriveRoot(paths[i]);
            continue;
        }
        ParentFolder& parent = fs.Parent(ParentDirName(paths[i]));
        names.parentOf[i] = &parent;
        names.nameKey[i] = FoldedName(name);
        if (parent.unlisted && disk.EntryName(paths[i])) parent.holders.emplace(names.nameKey[i], kNoEntry);
        const auto holder = parent.holders.find(names.nameKey[i]);
        if (holder == parent.holders.end()) continue;
        names.exists[i] = true;
        if (holder->second == kNoEntry) holder->second = i;
    }
}

}  // namespace

std::vector<PlanEntry> PlanRun(IFileSystem& disk,
                               const std::vector<std::wstring>& paths,
                               int16_t mode,
                               bool hiraganaToKatakana,
                               const std::vector<bool>& leftOut) {
    const size_t count = paths.size();
    std::vector<PlanEntry> plan(count);
    ListedFileSystem fs(disk);
    BatchNames names(count);
    for (size_t i = 0; i < count; ++i) plan[i].path = paths[i];
    ListParents(disk, fs, paths, names);
    std::vector<ParentFolder*>& parentOf = names.parentOf;
    const std::vector<std::wstring>& nameKey = names.nameKey;
    const std::vector<bool>& exists = names.exists;

    // Then the run, folder by folder: each rename frees one name and takes another,
    // and the folders below a renamed one are followed to its new name.
    std::vector<std::wstring> current = paths;
    for (size_t i = 0; i < count; ++i) {
        PlanEntry& entry = plan[i];
        const FolderVerdict verdict = JudgeFolder(fs, paths[i], mode, hiraganaToKatakana, [&] { return exists[i]; });
        entry.state = exists[i] ? verdict.state : PlanState::Missing;
        entry.newPath = verdict.newPath;
        entry.limit = verdict.limit;
        const std::wstring& from = current[i];
        if (from != paths[i] && !entry.newPath.empty()) {
            // Below a renamed folder the lengths are those of the new place.
            entry.newPath = ParentWithSeparator(from) + LastPathName(entry.newPath);
            if (entry.state == PlanState::Rename || entry.state == PlanState::TooLong) {
                entry.limit = ExceededLimit(from, entry.newPath, fs.StoresNamesAsUtf8(), fs.LongPathsEnabled());
                entry.state = entry.limit == LengthLimit::None ? PlanState::Rename : PlanState::TooLong;
            }
        }
        if (entry.state != PlanState::Rename) continue;
        if (i < leftOut.size() && leftOut[i]) {
            entry.leftOut = true;
            continue;
        }

        ParentFolder& parent = *parentOf[i];
        if (parent.holders.count(FoldedName(LastPathName(from) + kTempSuffix))) {
            entry.state = PlanState::SiblingExists;
            continue;
        }
        // A change of case only keeps the folder's own name: no clash with
        // itself, but one with a twin that differs from it in case only.
        const std::wstring newKey = FoldedName(LastPathName(entry.newPath));
        if (newKey == nameKey[i] && parent.twins.count(newKey)) {
            entry.state = PlanState::SiblingExists;
            continue;
        }
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
        const bool exactCase = disk.TellsCaseApart(ParentDirName(from));
        for (size_t k = i + 1; k < count; ++k)
            if (FollowRename(current[k], from, entry.newPath, exactCase)) plan[k].belowRenamed = true;
    }
    return plan;
}

}  // namespace kelvaro
