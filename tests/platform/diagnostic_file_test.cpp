#include "platform/diagnostic_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "fakes/temp_dir.h"

namespace kelvaro {
namespace {

std::string Contents(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// An unforeseen failure is told in one line (its place, the exception's
// message, the system's last error), in a file made where none was, which
// keeps its newest whole lines within its bound.
TEST(DiagnosticFile, TellsEachFailureInALineAndKeepsTheNewest) {
    testing::TempDir dir;
    const std::wstring path = dir.Path() + L"\\Kelvaro2\\diagnostics.txt";
    DiagnosticFile file(path, 2000);
    const DiagnosticsScope scope(file);
    for (int i = 0; i < 100; ++i) {
        try {
            SetLastError(ERROR_ACCESS_DENIED);
            throw std::runtime_error("boom " + std::to_string(i));
        } catch (...) {
            RecordUnexpected("Place");
        }
    }
    const std::string text = Contents(path);
    EXPECT_LE(text.size(), 2000u);
    EXPECT_GT(text.size(), 500u);
    EXPECT_EQ(text.find("\tPlace\tboom "), 19u) << text;  // a whole line first, after its time
    EXPECT_NE(text.find("\tPlace\tboom 99\tlast error 5\r\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

}  // namespace
}  // namespace kelvaro
