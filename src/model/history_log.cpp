#include "model/history_log.h"

namespace kelvaro {

void HistoryLog::AddLine(const std::wstring& line) {
    if (lines_.size() >= kCapacity) {
        lines_.pop_front();
        Notify([](IListObserver& o) { o.OnRemoved(0); });
    }
    lines_.push_back(line);
    Notify([&](IListObserver& o) { o.OnInserted(lines_.size() - 1); });
}

void HistoryLog::Refresh() {
    lines_.clear();
    Notify([](IListObserver& o) { o.OnReset(); });
}

std::wstring HistoryLog::Text() const {
    std::wstring text;
    size_t total = 0;
    for (const auto& line : lines_) total += line.size() + 2;
    text.reserve(total);
    for (const auto& line : lines_) {
        text += line;
        text += L"\r\n";
    }
    return text;
}

}  // namespace kelvaro
