#pragma once
#include <optional>
#include <string>
#include <vector>

#include "ports/journal_store.h"

namespace kelvaro::testing {

// A journal in memory as its segments: one run of bytes and where each
// segment begins in it. The fake store and the simulation's store keep theirs so.
struct SegmentStart {
    uint32_t number;
    size_t start;
};
using SegmentStarts = std::vector<SegmentStart>;

// The segments, as a store lists them (none for an empty journal).
inline std::vector<JournalSegment> ListSegments(const std::string& bytes, const SegmentStarts& starts) {
    std::vector<JournalSegment> segments;
    for (size_t i = 0; i < starts.size() && !bytes.empty(); ++i)
        segments.push_back({starts[i].number, (i + 1 < starts.size() ? starts[i + 1].start : bytes.size()) - starts[i].start});
    return segments;
}

// Begins a segment unless the last is still empty; gives the one appended to now.
inline uint32_t BeginSegment(const std::string& bytes, SegmentStarts& starts) {
    if (bytes.size() > starts.back().start) starts.push_back({starts.back().number + 1, bytes.size()});
    return starts.back().number;
}

// Deletes segment `number` (never one of the last two); where its bytes stood
// and how many there were, or nothing when it is not one to delete.
struct Cut {
    size_t start, size;
};
inline std::optional<Cut> DeleteSegmentOf(std::string& bytes, SegmentStarts& starts, uint32_t number) {
    for (size_t i = 0; i + 2 < starts.size(); ++i) {
        if (starts[i].number != number) continue;
        const Cut cut{starts[i].start, starts[i + 1].start - starts[i].start};
        bytes.erase(cut.start, cut.size);
        for (size_t later = i + 1; later < starts.size(); ++later) starts[later].start -= cut.size;
        starts.erase(starts.begin() + static_cast<std::ptrdiff_t>(i));
        return cut;
    }
    return std::nullopt;
}

}  // namespace kelvaro::testing
