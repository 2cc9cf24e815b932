#include "engine/rename_plan.h"

#include "engine/path_text.h"
#include "engine/rename_dir.h"

namespace kelvaro {

// A first cut that judges each folder on its own; the batch checks follow.
std::vector<PlanEntry> PlanRun(IFileSystem& fs, const std::vector<std::wstring>& paths, int16_t mode, bool hira) {
    std::vector<PlanEntry> plan;
    plan.reserve(paths.size());
    for (const auto& path : paths) {
        PlanEntry entry{path, {}, PlanState::Rename, false};
        if (!fs.EntryName(path)) {
            entry.state = PlanState::Missing;
        } else if (mode == 1 && !IsShortName(path)) {
            entry.state = PlanState::KeptLong;
        } else {
            entry.newPath = ConvertDirName(fs, path, mode, hira);
            if (mode == 4 && entry.newPath.empty())
                entry.state = PlanState::KeptEightLong;
            else if (!entry.newPath.empty() && entry.newPath == path)
                entry.state = PlanState::InForm;
            else if (entry.newPath.empty() || !IsStorableName(LastPathName(entry.newPath)))
                entry.state = PlanState::Unstorable;
        }
        plan.push_back(std::move(entry));
    }
    return plan;
}

}  // namespace kelvaro
