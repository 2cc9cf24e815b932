#include "operations/resume.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

namespace kelvaro {

std::optional<ResumePlan> PlanResume(const std::vector<JournalRun>& runs, const std::vector<std::wstring>& damaged) {
    const std::unordered_set<std::wstring_view> hidden(damaged.begin(), damaged.end());
    std::vector<std::wstring> leftOut;  // of the plan under way
    auto dropHidden = [&](std::vector<std::wstring>& paths) {
        if (hidden.empty()) return;
        for (const std::wstring& path : paths)
            if (hidden.count(path)) leftOut.push_back(path);
        std::erase_if(paths, [&](const std::wstring& path) { return hidden.count(path) != 0; });
    };
    // The newest run left unfinished, whatever runs came after it: not one
    // still running, nor one a later run finished or an undo took back.
    std::unordered_set<std::string> served;
    for (size_t i = runs.size(); i-- > 0;) {
        const JournalRun& run = runs[i];
        const bool candidate = run.kind == RunKind::Run && !run.orphan && !served.count(run.id) && run.request &&
                               (run.end == RunEnd::Stopped || run.end == RunEnd::Killed);
        if (!run.target.empty()) served.insert(run.target);
        if (!candidate) continue;
        ResumePlan plan{run.id, *run.request, {}};
        leftOut.clear();
        std::vector<std::wstring>& left = plan.request.targets;
        // A run of every depth is walked again from its roots: what it renamed is in form by now.
        if (!run.request->Has(kEveryDepthFlag)) {
            const auto reached = left.begin() + static_cast<ptrdiff_t>(std::min<uint64_t>(run.reached, left.size()));
            // A folder named again after the run reached it was the run's once
            // already, whatever became of it: the run would have passed it by.
            std::unordered_set<std::wstring_view> done(left.begin(), reached);
            std::vector<std::wstring> rest;
            for (auto it = reached; it != left.end(); ++it)
                if (!done.count(*it)) rest.push_back(std::move(*it));
            left = std::move(rest);
        }
        dropHidden(left);
        if (left.empty()) continue;
        // Each folder renamed since (by this run, then by the runs after it)
        // moved the folders below it, in the order they were renamed. Only a
        // folder that is a path left or lies above one moves any: the others
        // are passed over by a lookup of the hashes of those paths, and a list
        // of a million names takes no million passes.
        std::unordered_set<size_t> above;
        auto note = [&](std::wstring_view path) {
            for (size_t end = path.size(); end > 0 && end != std::wstring_view::npos; end = path.rfind(L'\\', end - 1))
                if (!above.insert(std::hash<std::wstring_view>{}(path.substr(0, end))).second) break;
        };
        for (const std::wstring& path : left) note(path);
        const bool everyDepth = run.request->Has(kEveryDepthFlag);
        bool changedSince = false;
        for (size_t k = i; k < runs.size() && !changedSince; ++k)
            for (const JournalFolder& folder : runs[k].folders) {
                if (folder.outcome != JournalOutcome::New) continue;
                // A folder a later run renamed has changed since: it is not this run's to rename
                // again, nor is a tree of every depth in which a later run renamed anything.
                if (k > i && everyDepth && std::any_of(left.begin(), left.end(), [&](const std::wstring& root) {
                        return folder.oldPath == root ||
                               (folder.oldPath.size() > root.size() && folder.oldPath[root.size()] == L'\\' &&
                                folder.oldPath.compare(0, root.size(), root) == 0);
                    })) {
                    changedSince = true;
                    break;
                }
                if (!above.count(std::hash<std::wstring_view>{}(folder.oldPath))) continue;
                if (k > i && !everyDepth) std::erase(left, folder.oldPath);
                for (std::wstring& path : left) {
                    if (path.size() > folder.oldPath.size() && path[folder.oldPath.size()] == L'\\' &&
                        path.compare(0, folder.oldPath.size(), folder.oldPath) == 0)
                        path = folder.newPath + path.substr(folder.oldPath.size());
                    else if (path == folder.oldPath)
                        path = folder.newPath;  // a root of every depth, renamed last
                    else
                        continue;
                    note(path);
                }
                dropHidden(left);
            }
        if (changedSince || left.empty()) continue;
        plan.request.total = everyDepth ? 0 : left.size();
        plan.hidden = std::move(leftOut);
        return plan;
    }
    return std::nullopt;
}

std::optional<ResumePlan> PlanResume(RenameJournal& journal) {
    // The paths of the run it finishes and of the runs after it only.
    const auto light = ParseJournal(journal.Store(), nullptr, [](const std::string&) { return false; });
    const auto found = light ? PlanResume(*light) : std::nullopt;
    if (!found) return std::nullopt;
    bool from = false;
    JournalDamage damage;
    const auto runs = ParseJournal(journal.Store(), &damage,
                                   [&](const std::string& run) { return from = from || run == found->run; });
    return runs ? PlanResume(*runs, damage.paths) : std::nullopt;
}

}  // namespace kelvaro
