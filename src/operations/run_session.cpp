#include "operations/run_session.h"

#include "engine/catalog.h"
#include "engine/path_text.h"

namespace kelvaro {

void FolderBatch::FollowRenamed(size_t first, const std::wstring& from, const std::wstring& to, bool exactCase) {
    for (size_t k = first; k < paths.size(); ++k) FollowRename(paths[k], from, to, exactCase);
}

std::wstring WalkSummaryLine(const WalkEnd& end) {
    std::wstring line = RunSummaryLine(end.counts);
    if (end.leftOut > 0)
        line += L"\u3000" + ResKelvaroText(KText::SummaryLeftOut) + L"\uFF1A" + std::to_wstring(end.leftOut) +
                ResKelvaroText(KText::SummaryUnit);
    return line;
}

std::function<std::wstring(const std::wstring& path)> PlannedNewPaths(int16_t mode, bool hiraganaToKatakana) {
    return [=](const std::wstring& path) { return PlannedNewPath(path, mode, hiraganaToKatakana); };
}

RunRequest TargetRequest(int16_t mode, bool hiraganaToKatakana) {
    RunRequest request;
    request.mode = mode;
    if (hiraganaToKatakana) request.flags += kHiraganaFlag;
    return request;
}

RunSession::RunSession(RenameJournal* journal,
                       ILineSink& history,
                       RunKind kind,
                       const std::string& target,
                       const std::function<bool()>& goOnUnrecorded)
    : journal_(journal), history_(history), recorded_(journal, history, kind, target, goOnUnrecorded) {}

void RunSession::Request(RunRequest request, const IFolderQueue* folders, const std::vector<bool>& leftOut) {
    if (!journal_) return;
    if (folders) {
        for (size_t i = 0; i < folders->Count(); ++i)
            if (i >= leftOut.size() || !leftOut[i]) request.targets.push_back(folders->Text(i));
        request.total = request.targets.size();
    }
    journal_->Request(request);
}

FolderOutcome RunSession::Folder(const std::function<FolderOutcome()>& tryIt, bool numbered) {
    if (journal_ && numbered) journal_->AtFolder(static_cast<uint32_t>(reached_));
    ++reached_;
    FolderOutcome outcome = tryIt();
    if (journal_ && journal_->Failed()) {
        history_.AddLine(ResKelvaroText(KText::RecordingStoppedLine));
        journalFailed_ = stopped_ = true;
    }
    return outcome;
}

WalkEnd RunSession::Walk(IFolderQueue& targets, const Rename& rename, const TargetWalk& hooks) {
    WalkEnd end;
    const size_t count = targets.Count();
    auto leftOut = [&](size_t i) { return i < hooks.leftOut.size() && hooks.leftOut[i]; };
    // The folders after the one in hand, as the journal writes them ahead.
    const LookaheadScope lookahead(
        journal_, !hooks.newPathOf ? RenameJournal::Lookahead() : [&](size_t most) {
            std::vector<PlannedMove> planned;
            size_t number = reached_;
            for (size_t k = end.next + 1; k < count && k <= end.next + 4 * most && planned.size() < most; ++k) {
                if (leftOut(k)) continue;
                std::wstring path = targets.Text(k);
                std::wstring newPath = hooks.newPathOf(path);
                ++number;
                if (!newPath.empty())
                    planned.push_back({std::move(path), std::move(newPath), static_cast<uint32_t>(number)});
            }
            return planned;
        });
    for (; end.next < count && !journalFailed_; ++end.next) {
        const size_t i = end.next;
        if (hooks.before && !hooks.before(i)) {
            end.stopped = stopped_ = true;
            break;
        }
        if (leftOut(i)) {
            ++end.leftOut;
            continue;
        }
        const std::wstring path = targets.Text(i);
        const FolderOutcome outcome = Folder([&] { return rename(path); });
        if (outcome.state == FolderState::Renamed && outcome.newPath != path)
            targets.FollowRenamed(i + 1, path, outcome.newPath,
                                  hooks.tellsCaseApart && hooks.tellsCaseApart(ParentDirName(path)));
        if (!outcome.Done())
            ++end.counts.notRenamed;
        else if (outcome.state == FolderState::Renamed && outcome.newPath != path)
            ++end.counts.renamed;
        else
            ++end.counts.same;
        if (hooks.after) hooks.after(i, outcome);
    }
    end.journalFailed = journalFailed_;
    for (size_t i = end.next; i < count; ++i) ++(leftOut(i) ? end.leftOut : end.counts.notReached);
    return end;
}

void RunSession::End() {
    if (!journal_ || ended_) return;
    ended_ = true;
    journal_->End(stopped_ ? RunEnd::Stopped : RunEnd::Done, reached_);
}

}  // namespace kelvaro
