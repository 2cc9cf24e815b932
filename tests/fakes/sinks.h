#pragma once
#include <string>
#include <vector>

#include "engine/rename_dir.h"

namespace kelvaro::testing {

class RecordingSink : public ILineSink {
public:
    void AddLine(const std::wstring& text) override { lines.push_back(text); }
    std::vector<std::wstring> lines;
};

}  // namespace kelvaro::testing
