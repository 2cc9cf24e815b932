#pragma once
#include <cstdint>
#include <string>
#include <utility>

#include "engine/diagnostics.h"

namespace kelvaro {

// diagnostics.txt beside the journal: one UTF-8 line per unforeseen failure,
// kept to the newest lines within `most` bytes, so that it never grows.
class DiagnosticFile : public IDiagnostics {
public:
    explicit DiagnosticFile(std::wstring path, uint64_t most = 64 * 1024) : path_(std::move(path)), most_(most) {}
    void Record(const std::wstring& line) override;

private:
    std::wstring path_;
    uint64_t most_;
};

}  // namespace kelvaro
