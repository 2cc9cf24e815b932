#include "engine/width.h"

#include <string_view>
#include <unordered_map>

#include "engine/path_text.h"

namespace kelvaro {
namespace {

constexpr wchar_t kVoicedMark = 0xFF9E;      // ﾞ
constexpr wchar_t kSemiVoicedMark = 0xFF9F;  // ﾟ
constexpr wchar_t kCombiningVoiced = 0x3099;
constexpr wchar_t kCombiningSemiVoiced = 0x309A;
constexpr wchar_t kIdeographicSpace = 0x3000;

// Full-width kana that take a combining mark, each followed by its composed
// form (the composed forms of Unicode's canonical composition).
constexpr std::wstring_view kVoicedPairs =
    L"かがきぎくぐけげこごさざしじすずせぜそぞただちぢつづてでとどはばひびふぶへべほぼうゔゝゞ"
    L"カガキギクグケゲコゴサザシジスズセゼソゾタダチヂツヅテデトドハバヒビフブヘベホボウヴワヷヰヸヱヹヲヺヽヾ";
constexpr std::wstring_view kSemiVoicedPairs = L"はぱひぴふぷへぺほぽハパヒピフプヘペホポ";

// Full-width forms of ASCII symbols that only the usual form turns half-width
// (the width tables keep them in both directions).
constexpr std::wstring_view kStandardOnlyFull = L"\uFF05\uFF1B\uFF20";  // ％；＠
constexpr std::wstring_view kStandardOnlyHalf = L"%;@";
constexpr wchar_t kHalfMiddleDot = 0xFF65, kMiddleDot = 0x30FB;  // ･ ・

// Half-width and full-width symbols, pairwise.
constexpr std::wstring_view kSymbolHalf = L".!#$&'()+,-=[]^_`{}~\uFF61\uFF62\uFF63\uFF64\uFF9E\uFF9F ";
constexpr std::wstring_view kSymbolFull =
    L"\uFF0E\uFF01\uFF03\uFF04\uFF06\u2019\uFF08\uFF09\uFF0B\uFF0C\uFF0D\uFF1D\uFF3B\uFF3D\uFF3E\uFF3F\uFF40\uFF5B"
    L"\uFF5D\uFFE3\u3002\u300C\u300D\u3001\u309B\u309C\u3000";

// The kana rows, indexed by (half-width katakana - U+FF66). A blank stands
// for "no such form".
constexpr wchar_t kKanaFirst = 0xFF66;
constexpr std::wstring_view kKatakana =
    L"ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン";
constexpr std::wstring_view kHiragana =
    L"をぁぃぅぇぉゃゅょっ　あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわん";
// ヺ and ヷ too: ｦﾞ and ﾜﾞ are how a half-width name spells them.
constexpr std::wstring_view kVoicedKatakana =
    L"ヺ　　　　　　　　　　　　ヴ　　ガギグゲゴザジズゼゾダヂヅデド　　　　　バビブベボ　　　　　　　　　　　　　ヷ　";
constexpr std::wstring_view kVoicedHiragana =
    L"　　　　　　　　　　　　　ゔ　　がぎぐげござじずぜぞだぢづでど　　　　　ばびぶべぼ　　　　　　　　　　　　　　　";
constexpr std::wstring_view kSemiVoicedKatakana =
    L"　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　パピプペポ　　　　　　　　　　　　　　　";
constexpr std::wstring_view kSemiVoicedHiragana =
    L"　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　　ぱぴぷぺぽ　　　　　　　　　　　　　　　";
constexpr wchar_t kNoForm = 0x3000;

static_assert(kKatakana.size() == 56 && kHiragana.size() == 56 && kVoicedKatakana.size() == 56 &&
              kVoicedHiragana.size() == 56 && kSemiVoicedKatakana.size() == 56 && kSemiVoicedHiragana.size() == 56);

bool InRange(wchar_t c, wchar_t first, wchar_t last) {
    return c >= first && c <= last;
}

// Full-width character -> its half-width spelling (one or two characters),
// with hiragana kept apart because they convert only on request.
struct HalfTables {
    std::unordered_map<wchar_t, std::wstring> common;
    std::unordered_map<wchar_t, std::wstring> hiragana;

    HalfTables() {
        for (size_t i = 0; i < kSymbolFull.size(); ++i) common[kSymbolFull[i]] = std::wstring(1, kSymbolHalf[i]);
        for (size_t i = 0; i < kKatakana.size(); ++i) {
            const std::wstring kana(1, static_cast<wchar_t>(kKanaFirst + i));
            common[kKatakana[i]] = kana;
            if (kVoicedKatakana[i] != kNoForm) common[kVoicedKatakana[i]] = kana + kVoicedMark;
            if (kSemiVoicedKatakana[i] != kNoForm) common[kSemiVoicedKatakana[i]] = kana + kSemiVoicedMark;
            if (kHiragana[i] != kNoForm) hiragana[kHiragana[i]] = kana;
            if (kVoicedHiragana[i] != kNoForm) hiragana[kVoicedHiragana[i]] = kana + kVoicedMark;
            if (kSemiVoicedHiragana[i] != kNoForm) hiragana[kSemiVoicedHiragana[i]] = kana + kSemiVoicedMark;
        }
    }
};

const HalfTables& Half() {
    static const HalfTables tables;
    return tables;
}

wchar_t ComposedWith(wchar_t kana, wchar_t mark) {
    const std::wstring_view pairs = mark == kCombiningVoiced ? kVoicedPairs : kSemiVoicedPairs;
    for (size_t i = 0; i + 1 < pairs.size(); i += 2)
        if (pairs[i] == kana) return pairs[i + 1];
    return 0;
}

bool IsHalfKana(wchar_t c) {
    return InRange(c, kKanaFirst, kKanaFirst + 55);
}

// ASCII and the half-width forms (katakana, their marks and punctuation).
bool IsHalfWidth(wchar_t c) {
    return c < 0x80 || InRange(c, 0xFF61, 0xFF9F);
}

// The full-width forms of ASCII (the block U+FF01-FF5E and ￠￡￢￣￤￥￦): the
// only characters besides the ideographic space that the usual form narrows.
bool IsFullWidthForm(wchar_t c) {
    return InRange(c, 0xFF01, 0xFF5E) || InRange(c, 0xFFE0, 0xFFE6);
}

// The half-width mark that joins the half-width kana `c`, or 0.
wchar_t HalfMarkFor(wchar_t c, wchar_t mark) {
    if (!IsHalfKana(c)) return 0;
    const size_t row = c - kKanaFirst;
    if (mark == kCombiningVoiced && kVoicedKatakana[row] != kNoForm) return kVoicedMark;
    if (mark == kCombiningSemiVoiced && kSemiVoicedKatakana[row] != kNoForm) return kSemiVoicedMark;
    return 0;
}

// Every full-width space a blank, or only those before the trailing ones.
std::wstring SpacesToBlanks(const std::wstring& name, bool trailingToo) {
    std::wstring result = name;
    size_t end = result.size();
    if (!trailingToo)
        while (end > 0 && result[end - 1] == kIdeographicSpace) --end;
    for (size_t i = 0; i < end; ++i)
        if (result[i] == kIdeographicSpace) result[i] = L' ';
    return result;
}

}  // namespace

std::wstring ComposeKana(const std::wstring& name) {
    std::wstring result;
    result.reserve(name.size());
    for (wchar_t c : name) {
        if ((c == kCombiningVoiced || c == kCombiningSemiVoiced) && !result.empty()) {
            if (const wchar_t composed = ComposedWith(result.back(), c)) {
                result.back() = composed;
                continue;
            }
            if (const wchar_t half = HalfMarkFor(result.back(), c)) {
                result += half;
                continue;
            }
        }
        result += c;
    }
    return result;
}

std::wstring FullWidthChar(wchar_t c, const std::wstring& next, bool& consumed) {
    consumed = false;
    if (InRange(c, L'0', L'9') || InRange(c, L'a', L'z') || InRange(c, L'A', L'Z'))
        return std::wstring(1, static_cast<wchar_t>(c - L'!' + 0xFF01));
    if (const auto pos = kSymbolHalf.find(c); pos != std::wstring_view::npos) return std::wstring(1, kSymbolFull[pos]);
    if (InRange(c, kKanaFirst, kKanaFirst + 55)) {
        const size_t row = c - kKanaFirst;
        const wchar_t mark = next.empty() ? 0 : next[0];
        if (mark == kVoicedMark && kVoicedKatakana[row] != kNoForm) {
            consumed = true;
            return std::wstring(1, kVoicedKatakana[row]);
        }
        if (mark == kSemiVoicedMark && kSemiVoicedKatakana[row] != kNoForm) {
            consumed = true;
            return std::wstring(1, kSemiVoicedKatakana[row]);
        }
        return std::wstring(1, kKatakana[row]);
    }
    return std::wstring(1, c);
}

std::wstring HalfWidthChar(wchar_t c, bool hiraganaToKatakana) {
    const bool isHiragana = InRange(c, 0x3041, 0x3094);  // ぁ to ゔ
    if (isHiragana && !hiraganaToKatakana) return std::wstring(1, c);
    if (InRange(c, 0xFF10, 0xFF19) || InRange(c, 0xFF41, 0xFF5A) || InRange(c, 0xFF21, 0xFF3A))
        return std::wstring(1, static_cast<wchar_t>(c - 0xFF01 + L'!'));
    const HalfTables& tables = Half();
    if (const auto it = tables.common.find(c); it != tables.common.end()) return it->second;
    if (const auto it = tables.hiragana.find(c); it != tables.hiragana.end()) return it->second;
    return std::wstring(1, c);
}

std::wstring FullWidthString(const std::wstring& name) {
    std::wstring result;
    result.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        const std::wstring next = i + 1 < name.size() ? std::wstring(1, name[i + 1]) : std::wstring();
        bool consumed = false;
        result += FullWidthChar(name[i], next, consumed);
        if (consumed) ++i;
    }
    return result;
}

std::wstring HalfWidthString(const std::wstring& name, bool hiraganaToKatakana) {
    std::wstring result;
    result.reserve(name.size() * 2);
    for (wchar_t c : name) {
        // A combining mark that nothing took: beside a half-width character, or
        // alone, it becomes the half-width mark; on a character that stays
        // full-width (a hiragana kept, a kanji) it still marks that character.
        if ((c == kCombiningVoiced || c == kCombiningSemiVoiced) && (result.empty() || IsHalfWidth(result.back()))) {
            result += c == kCombiningVoiced ? kVoicedMark : kSemiVoicedMark;
            continue;
        }
        result += HalfWidthChar(c, hiraganaToKatakana);
    }
    return result;
}

std::wstring StandardString(const std::wstring& name) {
    const std::wstring composed = ComposeKana(name);
    std::wstring result;
    result.reserve(composed.size());
    for (size_t i = 0; i < composed.size(); ++i) {
        const wchar_t c = composed[i];
        if (IsHalfKana(c) || c == kVoicedMark || c == kSemiVoicedMark || InRange(c, 0xFF61, 0xFF64)) {
            const std::wstring next = i + 1 < composed.size() ? std::wstring(1, composed[i + 1]) : std::wstring();
            bool consumed = false;
            result += FullWidthChar(c, next, consumed);
            if (consumed) ++i;
        } else if (c == kHalfMiddleDot) {
            result += kMiddleDot;
        } else if (const auto pos = kStandardOnlyFull.find(c); pos != std::wstring_view::npos) {
            result += kStandardOnlyHalf[pos];
        } else if (c == kIdeographicSpace) {
            result += c;  // decided below, for the whole name
        } else if (IsFullWidthForm(c)) {
            // Letters, digits and the symbols of the width table.
            const std::wstring half = HalfWidthChar(c, false);
            const bool ascii = half.size() == 1 && half[0] < 0x80;
            result += ascii ? half : std::wstring(1, c);
        } else {
            // Katakana, hiragana, kanji and typographic marks (Rock’n’Roll) stay.
            result += c;
        }
    }
    for (const bool trailingToo : {true, false}) {
        const std::wstring blanks = SpacesToBlanks(result, trailingToo);
        if (IsStorableName(blanks)) return blanks;
    }
    return result;
}

}  // namespace kelvaro
