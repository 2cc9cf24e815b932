// The two compiled-in message catalogues: every caption, hint, prompt and history line
// that the program sets at run time, by name (the table is in catalog.h).
#include "engine/catalog.h"

namespace kelvaro {

#define KELVARO_TEXT_CASE(name, number, words) \
    case name:                                 \
        return words;

std::wstring ResKelvaroText(KText text) {
    switch (text) {
        using enum KText;
        KELVARO_PROGRAM_TEXTS(KELVARO_TEXT_CASE)
    }
    return {};
}

std::wstring ResAllText(AText text) {
    switch (text) {
        using enum AText;
        KELVARO_GENERAL_TEXTS(KELVARO_TEXT_CASE)
    }
    return {};
}

#undef KELVARO_TEXT_CASE

std::wstring FillIn(std::wstring text, std::initializer_list<uint64_t> numbers) {
    wchar_t mark[3] = L"%1";
    for (uint64_t number : numbers) {
        if (const size_t at = text.find(mark); at != std::wstring::npos) text.replace(at, 2, std::to_wstring(number));
        ++mark[1];
    }
    return text;
}

}  // namespace kelvaro
