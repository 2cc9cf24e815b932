#pragma once
#include <cstddef>
#include <deque>
#include <string>

#include "engine/rename_dir.h"
#include "model/list_observer.h"

namespace kelvaro {

// The execution history: lines oldest first, the newest one current. Grows
// to 30,002 lines, then drops the oldest line for every new one.
class HistoryLog : public ILineSink, public ObservableList {
public:
    static constexpr size_t kCapacity = 30002;

    void AddLine(const std::wstring& line) override;
    void Refresh();

    size_t Count() const { return lines_.size(); }
    const std::wstring& Line(size_t index) const { return lines_[index]; }
    // Index of the current (newest) line; meaningful only when not empty.
    size_t Current() const { return lines_.size() - 1; }
    // Every line followed by CR LF, as copied and saved.
    std::wstring Text() const;

private:
    std::deque<std::wstring> lines_;
};

}  // namespace kelvaro
