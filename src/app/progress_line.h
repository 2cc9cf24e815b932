#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "ports/console.h"

namespace kelvaro {

// "12345 / 100000　残り約 1分20秒": folders done of the total, and the time the
// rest would take at the pace so far (nothing until a hundredth is done).
std::wstring ProgressText(size_t done, size_t total, uint64_t elapsedMs);

// The progress of a long script run, on standard error when that is a
// console: shown once the run is older than about two seconds, rewritten in
// place a few times a second at most, and taken away at the end.
class ProgressLine {
public:
    using Clock = std::function<uint64_t()>;  // milliseconds
    ProgressLine(IConsole& console, Clock clock);
    ~ProgressLine() { End(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // False when nothing would be shown (standard error is no console).
    bool Shown() const { return shown_; }
    // While the folders are being counted.
    void Counting(size_t counted);
    void SetTotal(size_t total);
    void Done(size_t done);
    void End();

    static constexpr uint64_t kFirstAfterMs = 2000;
    static constexpr uint64_t kEveryMs = 250;

private:
    bool Due();

    IConsole& console_;
    Clock clock_;
    bool shown_;
    bool showing_ = false;
    uint64_t start_, last_ = 0, runStart_ = 0;
    size_t total_ = 0;
};

}  // namespace kelvaro
