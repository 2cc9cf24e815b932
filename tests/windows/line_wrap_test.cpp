#include "windows/line_wrap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvaro {
namespace {

// A memory device context with a 16-pixel Japanese font selected.
class LineWrapTest : public ::testing::Test {
protected:
    void SetUp() override {
        dc = CreateCompatibleDC(nullptr);
        font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0, 0, 0, L"ＭＳ 明朝");
        previous = SelectObject(dc, font);
    }
    void TearDown() override {
        SelectObject(dc, previous);
        DeleteObject(font);
        DeleteDC(dc);
    }
    int Width(const std::wstring& text) const {
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return size.cx;
    }
    std::vector<std::wstring> Rows(const std::wstring& text, int width) const {
        const std::vector<size_t> starts = WrapRows(dc, text, width);
        std::vector<std::wstring> rows;
        for (size_t i = 0; i < starts.size(); ++i)
            rows.push_back(text.substr(starts[i], (i + 1 < starts.size() ? starts[i + 1] : text.size()) - starts[i]));
        return rows;
    }

    HDC dc = nullptr;
    HFONT font = nullptr;
    HGDIOBJ previous = nullptr;
};

// Every row fits (a row of one character aside), and the rows together are the line.
TEST_F(LineWrapTest, RowsFitTheWidthAndKeepEveryCharacter) {
    const std::wstring lines[] = {
        L"結果　変更：5件　同一：0件　変更できず：1件　未処理：12件以上",
        L"中断された実行: 300 フォルダ中 48 フォルダの名前を変更済み、251 フォルダは未処理です",
        L"[ C:\\Users\\someone\\Pictures\\2023\\Summer Trip to Hokkaido\\day1 ]",
        L"\U00020BB7\U00020BB7\U00020BB7\U00020BB7"};
    for (const std::wstring& line : lines) {
        for (const int width : {1, 40, 120, 300, 2000}) {
            std::wstring joined;
            for (const std::wstring& row : Rows(line, width)) {
                ASSERT_FALSE(row.empty());
                const bool single = row.size() == 1 || (row.size() == 2 && row[1] >= 0xDC00 && row[1] <= 0xDFFF);
                if (!single) EXPECT_LE(Width(row), width) << row;
                EXPECT_FALSE(row[0] >= 0xDC00 && row[0] <= 0xDFFF) << "a pair split at " << width;
                joined += row;
            }
            EXPECT_EQ(joined, line);
        }
        EXPECT_EQ(Rows(line, Width(line)).size(), 1u);
    }
}

// A row ends after a blank (else a Japanese comma or a path separator) when
// one is near its end, and no row starts with a mark that must follow a character.
TEST_F(LineWrapTest, RowsBreakWhereJapaneseTextMay) {
    const std::wstring summary = L"結果　変更：5件　同一：0件　変更できず：1件";
    const auto rows = Rows(summary, Width(L"結果　変更：5件　同一：0"));
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows[0], L"結果　変更：5件　");
    EXPECT_EQ(Rows(L"C:\\Users\\someone\\Pictures", Width(L"C:\\Users\\someone\\Pi"))[0], L"C:\\Users\\someone\\");
    const std::wstring kana = L"あいうえお、かきくけこ。さしすせそーたちつてとっなにぬねの";
    for (int width = Width(L"あいう"); width < Width(kana); width += 3)
        for (const std::wstring& row : Rows(kana, width))
            EXPECT_EQ(std::wstring(L"、。ーっ").find(row[0]), std::wstring::npos) << row << " at " << width;
}

}  // namespace
}  // namespace kelvaro
