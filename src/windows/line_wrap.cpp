#include "windows/line_wrap.h"

#include <string_view>

namespace kelvaro {
namespace {

// A row ends after a blank when it can, else after one of the others (a
// label and its count, 同一：0件, stay together).
constexpr std::wstring_view kBlanks = L" \u3000";
constexpr std::wstring_view kBreakAfter = L"、。，．\\/)）]」』";
// A row may not start with these (the usual rules of Japanese line breaking).
constexpr std::wstring_view kNoRowStart =
    L"、。，．：:)）]」』ーぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ゛゜\u3099\u309Aｧｨｩｪｫｬｭｮｯｰﾞﾟ";

bool IsLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// How many characters from `start` fit in `width` pixels.
size_t Fitting(HDC dc, const std::wstring& text, size_t start, int width) {
    INT fit = 0;
    SIZE size{};
    if (!GetTextExtentExPointW(dc, text.c_str() + start, static_cast<int>(text.size() - start), width, &fit, nullptr,
                               &size))
        return text.size() - start;
    return static_cast<size_t>(fit);
}

}  // namespace

std::vector<size_t> WrapRows(HDC dc, const std::wstring& text, int width) {
    std::vector<size_t> rows{0};
    size_t start = 0;
    while (start < text.size()) {
        const size_t fit = Fitting(dc, text, start, width);
        if (start + fit >= text.size()) break;
        size_t end = start + fit;
        // A break point in the second half of the row wins.
        const size_t half = start + fit / 2;
        size_t soft = 0;
        for (const std::wstring_view after : {kBlanks, kBreakAfter}) {
            for (soft = end; soft > half && after.find(text[soft - 1]) == std::wstring_view::npos;) --soft;
            if (soft > half) break;
        }
        if (soft > half) {
            end = soft;
        } else {
            while (end > start + 1 &&
                   (kNoRowStart.find(text[end]) != std::wstring_view::npos || IsLowSurrogate(text[end])))
                --end;
        }
        if (end <= start) end = start + 1;
        if (end < text.size() && IsLowSurrogate(text[end])) ++end;
        if (end >= text.size()) break;
        rows.push_back(end);
        start = end;
    }
    return rows;
}

}  // namespace kelvaro
