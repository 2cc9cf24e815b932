#include "windows/history_log.h"

namespace kelvaro {

void HistoryLog::ListInAdd(const std::wstring& line) {
    if (lines_.size() >= kCapacity) lines_.pop_front();
    lines_.push_back(line);
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
