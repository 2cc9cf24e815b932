#include "app/script_targets.h"

#include "engine/disk_paths.h"
#include "engine/path_text.h"

namespace kelvaro {

namespace {

// The names looked up at once: one resolver, one listing per parent folder, for this many.
constexpr size_t kLookupBatch = 1000;

}  // namespace

ScriptTargets::ScriptTargets(IFileSystem& fs, const std::vector<ScriptName>& names, bool subfolders, bool withHidden)
    : fs_(fs), names_(names), subfolders_(subfolders), withHidden_(withHidden) {
    if (subfolders_)
        for (const auto& name : names_)
            for (const auto& path : name.paths) named_.insert(FoldedName(path));
}

std::wstring ScriptTargets::Followed(std::wstring path) const {
    if (renamed_.empty()) return path;
    // From the top down, so that a folder renamed below a renamed folder is found too.
    size_t cut = path.find(L'\\', 3);
    for (;;) {
        size_t length = cut == std::wstring::npos ? path.size() : cut;
        if (const auto it = renamed_.find(FoldedName(path.substr(0, length))); it != renamed_.end()) {
            path = it->second + path.substr(length);
            length = it->second.size();
        }
        if (length >= path.size()) return path;
        cut = path.find(L'\\', length + 1);
    }
}

void ScriptTargets::Renamed(const std::wstring& from, const std::wstring& to) {
    if (subfolders_) return;
    renamed_[FoldedName(from)] = to;
    handedOut_.insert(to);  // a later name of the folder finds it there
}

void ScriptTargets::Resolve() {
    ready_.clear();
    readyNext_ = 0;
    std::vector<std::wstring> paths;
    std::vector<size_t> slots;  // where each looked-up path goes in ready_
    while (name_ < names_.size() && paths.size() < kLookupBatch) {
        const ScriptName& name = names_[name_];
        if (name.paths.empty()) {
            ready_.push_back({L"", name.given, false, std::nullopt, name.fault});
            ++name_;
            continue;
        }
        slots.push_back(ready_.size());
        ready_.push_back({});
        paths.push_back(Followed(name.paths[path_]));
        if (++path_ == name.paths.size()) {
            path_ = 0;
            ++name_;
        }
    }
    const std::vector<std::wstring> found = ExistingDirNames(fs_, paths);
    for (size_t k = 0; k < slots.size(); ++k) {
        ScriptTarget& target = ready_[slots[k]];
        if (found[k].empty())
            target.missing = paths[k];
        else
            target.path = found[k];
    }
}

bool ScriptTargets::Next(ScriptTarget& target) {
    for (;;) {
        if (walk_) {
            if (auto folder = walk_->Next()) {
                target = {std::move(folder->path), L"", folder->unlisted, folder->identity};
                if (target.path == walkRoot_) walk_.reset();
                return true;
            }
            walk_.reset();
        }
        if (readyNext_ == ready_.size()) {
            if (name_ == names_.size()) return false;
            Resolve();
            continue;
        }
        ScriptTarget& next = ready_[readyNext_++];
        if (!subfolders_ || next.path.empty()) {
            target = std::move(next);
            if (!target.path.empty()) {
                target.path = Followed(std::move(target.path));
                if (!subfolders_ && !handedOut_.insert(target.path).second) target.repeat = Repeat::Same;
            }
            return true;
        }
        if (const Repeat covered = Covered(next.path); covered != Repeat::No) {
            target = std::move(next);
            target.repeat = covered;
            return true;
        }
        walk_ = std::make_unique<FolderTreeAhead>(fs_, next.path, withHidden_);
        walkRoot_ = next.path;
    }
}

Repeat ScriptTargets::Covered(const std::wstring& path) {
    // A folder named twice, or below another named folder, is walked with that one.
    const std::wstring folded = FoldedName(path);
    if (!walked_.insert(folded).second) return Repeat::Same;
    for (size_t slash = folded.find(L'\\', 3); slash != std::wstring::npos; slash = folded.find(L'\\', slash + 1))
        if (named_.count(folded.substr(0, slash))) return Repeat::Below;
    return Repeat::No;
}

void ScriptTargets::Unreached(const std::function<void(const ScriptTarget&)>& each) {
    if (walk_) each({walkRoot_, L"", false, std::nullopt});
    walk_.reset();
    auto named = [&](ScriptTarget target) {
        if (target.path.empty()) return each(target);
        if (subfolders_ && Covered(target.path) != Repeat::No) return;
        target.path = Followed(std::move(target.path));
        each(target);
    };
    for (; readyNext_ < ready_.size(); ++readyNext_) named(std::move(ready_[readyNext_]));
    for (; name_ < names_.size(); ++name_, path_ = 0) {
        const ScriptName& name = names_[name_];
        if (name.paths.empty()) each({L"", name.given, false, std::nullopt, name.fault});
        for (; path_ < name.paths.size(); ++path_) named({name.paths[path_], L"", false, std::nullopt});
    }
}

size_t ScriptTargets::Count(const std::function<bool(size_t)>& counted) {
    size_t count = 0;
    ScriptTargets again(fs_, names_, subfolders_, withHidden_);
    for (ScriptTarget target; again.Next(target);)
        if (++count % 256 == 0 && counted && !counted(count)) break;
    return count;
}

}  // namespace kelvaro
