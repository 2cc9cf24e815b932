#include "app/progress_line.h"

#include "engine/catalog.h"

namespace kelvaro {

std::wstring ProgressText(size_t done, size_t total, uint64_t elapsedMs) {
    std::wstring text = std::to_wstring(done) + L" / " + std::to_wstring(total);
    // The pace of the first hundredth says little about the rest.
    if (done == 0 || done >= total || done * 100 < total) return text;
    const uint64_t left = (elapsedMs * (total - done) / done + 999) / 1000;  // seconds, rounded up
    text += L"\u3000" + ResKelvaroText(KText::TimeLeftProgress);
    if (left >= 3600)
        text += std::to_wstring(left / 3600) + ResKelvaroText(KText::HoursUnit) + std::to_wstring(left % 3600 / 60) +
                ResKelvaroText(KText::MinutesUnit);
    else if (left >= 60)
        text += std::to_wstring(left / 60) + ResKelvaroText(KText::MinutesUnit) + std::to_wstring(left % 60) +
                ResKelvaroText(KText::SecondsUnit);
    else
        text += std::to_wstring(left) + ResKelvaroText(KText::SecondsUnit);
    return text;
}

ProgressLine::ProgressLine(IConsole& console, Clock clock)
    : console_(console), clock_(std::move(clock)), shown_(console.ErrorIsConsole()), start_(clock_()) {
    runStart_ = start_;
}

bool ProgressLine::Due() {
    if (!shown_) return false;
    const uint64_t now = clock_();
    if (now - start_ < kFirstAfterMs || (showing_ && now - last_ < kEveryMs)) return false;
    last_ = now;
    showing_ = true;
    return true;
}

void ProgressLine::Counting(size_t counted) {
    if (Due()) console_.Progress(ResKelvaroText(KText::CountingProgress) + std::to_wstring(counted));
}

void ProgressLine::SetTotal(size_t total) {
    total_ = total;
    runStart_ = clock_();  // the pace is the renames', not the counting's
}

void ProgressLine::Done(size_t done) {
    if (Due()) console_.Progress(ProgressText(done, total_, clock_() - runStart_));
}

void ProgressLine::End() {
    if (showing_) console_.Progress(L"");
    showing_ = false;
}

}  // namespace kelvaro
