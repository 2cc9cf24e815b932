#include "engine/width.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/converters.h"
#include "engine/folder_rules.h"
#include "fakes/fake_file_system.h"

namespace kelvaro {
namespace {

struct Pair {
    std::wstring half, full;
};

std::vector<Pair> SymbolPairs() {
    return {{L".", L"．"}, {L"!", L"！"}, {L"#", L"＃"}, {L"$", L"＄"}, {L"&", L"＆"}, {L"'", L"\u2019"}, {L"(", L"（"},
            {L")", L"）"}, {L"+", L"＋"}, {L",", L"，"}, {L"-", L"－"}, {L"=", L"＝"}, {L"[", L"［"},     {L"]", L"］"},
            {L"^", L"＾"}, {L"_", L"＿"}, {L"`", L"｀"}, {L"{", L"｛"}, {L"}", L"｝"}, {L"~", L"\uFFE3"}, {L"｡", L"。"},
            {L"｢", L"「"}, {L"｣", L"」"}, {L"､", L"、"}, {L"ﾞ", L"゛"}, {L"ﾟ", L"゜"}, {L" ", L"\u3000"}};
}

// Half-width kana, katakana, hiragana, voiced katakana, voiced hiragana,
// semi-voiced katakana, semi-voiced hiragana ("-" where none exists).
struct KanaRow {
    const wchar_t* cells[7];
};

std::vector<KanaRow> KanaRows() {
    std::vector<KanaRow> rows = {
        {{L"ｦ", L"ヲ", L"を", L"ヺ", L"-", L"-", L"-"}},  {{L"ｰ", L"ー", L"-", L"-", L"-", L"-", L"-"}},
        {{L"ｳ", L"ウ", L"う", L"ヴ", L"ゔ", L"-", L"-"}}, {{L"ﾜ", L"ワ", L"わ", L"ヷ", L"-", L"-", L"-"}},
        {{L"ﾝ", L"ン", L"ん", L"-", L"-", L"-", L"-"}},
    };
    const std::wstring small = L"ｧｨｩｪｫｬｭｮｯ", smallF = L"ァィゥェォャュョッ", smallH = L"ぁぃぅぇぉゃゅょっ";
    const std::wstring plain = L"ｱｲｴｵﾅﾆﾇﾈﾉﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛ", plainF = L"アイエオナニヌネノマミムメモヤユヨラリルレロ",
                       plainH = L"あいえおなにぬねのまみむめもやゆよらりるれろ";
    const std::wstring voiced = L"ｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄ", voicedF = L"カキクケコサシスセソタチツテト",
                       voicedH = L"かきくけこさしすせそたちつてと", voicedVF = L"ガギグゲゴザジズゼゾダヂヅデド",
                       voicedVH = L"がぎぐげござじずぜぞだぢづでど";
    const std::wstring ha = L"ﾊﾋﾌﾍﾎ", haF = L"ハヒフヘホ", haH = L"はひふへほ", haVF = L"バビブベボ",
                       haVH = L"ばびぶべぼ", haSF = L"パピプペポ", haSH = L"ぱぴぷぺぽ";
    static std::vector<std::wstring> storage;
    auto cell = [](wchar_t c) {
        storage.push_back(std::wstring(1, c));
        return storage.back().c_str();
    };
    storage.reserve(1000);
    for (size_t i = 0; i < small.size(); ++i)
        rows.push_back({{cell(small[i]), cell(smallF[i]), cell(smallH[i]), L"-", L"-", L"-", L"-"}});
    for (size_t i = 0; i < plain.size(); ++i)
        rows.push_back({{cell(plain[i]), cell(plainF[i]), cell(plainH[i]), L"-", L"-", L"-", L"-"}});
    for (size_t i = 0; i < voiced.size(); ++i)
        rows.push_back(
            {{cell(voiced[i]), cell(voicedF[i]), cell(voicedH[i]), cell(voicedVF[i]), cell(voicedVH[i]), L"-", L"-"}});
    for (size_t i = 0; i < ha.size(); ++i)
        rows.push_back(
            {{cell(ha[i]), cell(haF[i]), cell(haH[i]), cell(haVF[i]), cell(haVH[i]), cell(haSF[i]), cell(haSH[i])}});
    return rows;
}

std::wstring Full(const std::wstring& s) {
    return FullWidthString(s);
}
std::wstring Half(const std::wstring& s, bool hiraganaToKatakana = true) {
    return HalfWidthString(s, hiraganaToKatakana);
}

TEST(WidthTables, LettersDigitsAndSymbolsConvertBothWays) {
    for (wchar_t c = L'0'; c <= L'9'; ++c) {
        EXPECT_EQ(Full(std::wstring(1, c)), std::wstring(1, static_cast<wchar_t>(0xFF10 + c - L'0')));
        EXPECT_EQ(Half(std::wstring(1, static_cast<wchar_t>(0xFF10 + c - L'0'))), std::wstring(1, c));
    }
    for (wchar_t c = 0; c < 26; ++c) {
        EXPECT_EQ(Full(std::wstring(1, L'a' + c)), std::wstring(1, static_cast<wchar_t>(0xFF41 + c)));
        EXPECT_EQ(Full(std::wstring(1, L'A' + c)), std::wstring(1, static_cast<wchar_t>(0xFF21 + c)));
        EXPECT_EQ(Half(std::wstring(1, static_cast<wchar_t>(0xFF41 + c))), std::wstring(1, L'a' + c));
        EXPECT_EQ(Half(std::wstring(1, static_cast<wchar_t>(0xFF21 + c))), std::wstring(1, L'A' + c));
    }
    for (const auto& pair : SymbolPairs()) {
        EXPECT_EQ(Full(pair.half), pair.full) << pair.half;
        EXPECT_EQ(Half(pair.full), pair.half) << pair.full;
    }
    // No entry: both directions leave these alone.
    for (const wchar_t* c : {L"%", L";", L"@", L"％", L"；", L"＠", L"･", L"・", L"～", L"＇", L"\"", L"*"}) {
        EXPECT_EQ(Full(c), c);
        EXPECT_EQ(Half(c), c);
    }
}

TEST(WidthTables, EveryKanaRowConvertsBothWays) {
    const auto rows = KanaRows();
    ASSERT_EQ(rows.size(), 56u);
    const std::wstring voicedMark = L"ﾞ", semiMark = L"ﾟ";
    for (const auto& row : rows) {
        const std::wstring k = row.cells[0], f = row.cells[1];
        EXPECT_EQ(Full(k), f) << k;
        EXPECT_EQ(Half(f), k) << f;
        if (std::wstring(row.cells[2]) != L"-") {
            EXPECT_EQ(Half(row.cells[2], true), k) << row.cells[2];
            EXPECT_EQ(Half(row.cells[2], false), row.cells[2]);
        }
        if (std::wstring(row.cells[3]) != L"-") {
            EXPECT_EQ(Full(k + voicedMark), row.cells[3]) << k;
            EXPECT_EQ(Half(row.cells[3]), k + voicedMark);
        } else {
            EXPECT_EQ(Full(k + voicedMark), f + L"゛") << k;
        }
        if (std::wstring(row.cells[4]) != L"-") {
            EXPECT_EQ(Half(row.cells[4], true), k + voicedMark);
            EXPECT_EQ(Half(row.cells[4], false), row.cells[4]);
        }
        if (std::wstring(row.cells[5]) != L"-") {
            EXPECT_EQ(Full(k + semiMark), row.cells[5]) << k;
            EXPECT_EQ(Half(row.cells[5]), k + semiMark);
            EXPECT_EQ(Half(row.cells[6], true), k + semiMark);
        } else {
            EXPECT_EQ(Full(k + semiMark), f + L"゜") << k;
        }
    }
}

TEST(WidthTables, RoundTripOnEverythingTheTablesCover) {
    std::wstring half = L"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (const auto& pair : SymbolPairs()) half += pair.half;
    std::wstring full;
    for (const auto& row : KanaRows()) {
        half += row.cells[0];
        full += row.cells[1];
        if (std::wstring(row.cells[3]) != L"-") full += row.cells[3];
        if (std::wstring(row.cells[5]) != L"-") full += row.cells[5];
    }
    // A lone mark at the start and after unvoiceable characters stays a mark.
    half = L"ﾞ" + half;
    EXPECT_EQ(Half(Full(half)), half);
    EXPECT_EQ(Full(Half(full, false)), full);
    EXPECT_EQ(Full(Half(full, true)), full);
    // Hiragana come back as katakana.
    EXPECT_EQ(Full(Half(L"ひらがな", true)), L"ヒラガナ");
}

TEST(WidthConversion, JoinsMarksOnlyOntoKanaThatHaveTheForm) {
    EXPECT_EQ(Full(L"ﾊﾟｽﾎﾟｰﾄ"), L"パスポート");
    EXPECT_EQ(Full(L"ｶﾟ"), L"カ゜");
    EXPECT_EQ(Full(L"ﾞ"), L"゛");
    EXPECT_EQ(Full(L"ｱﾞ"), L"ア゛");
    EXPECT_EQ(Full(L"Aﾞ"), L"Ａ゛");
    EXPECT_EQ(Full(L"ｳﾞ"), L"ヴ");
    EXPECT_EQ(Full(L"ﾊﾞﾞ"), L"バ゛");
    bool consumed = true;
    EXPECT_EQ(FullWidthChar(L'ｶ', L"", consumed), L"カ");
    EXPECT_FALSE(consumed);
    EXPECT_EQ(FullWidthChar(L'ﾎ', L"ﾟ", consumed), L"ポ");
    EXPECT_TRUE(consumed);
    EXPECT_EQ(FullWidthChar(L'ﾅ', L"ﾞ", consumed), L"ナ");
    EXPECT_FALSE(consumed);
}

// ﾜﾞ and ｦﾞ join into ヷ and ヺ like every other kana with a composed form, and
// split again in half-width; ゔ is a hiragana and turns half-width with the others.
// A mark left alone goes half-width beside half-width characters only.
TEST(WidthConversion, MarksThatCompose) {
    testing::FakeFileSystem fs;
    for (const int16_t mode : {5, 7}) {
        EXPECT_EQ(ConvertDirName(fs, L"C:\\ﾜﾞｲﾝ", mode, true), L"C:\\ヷイン") << mode;
        EXPECT_EQ(ConvertDirName(fs, L"C:\\ｦﾞ", mode, true), L"C:\\ヺ") << mode;
    }
    EXPECT_EQ(Half(L"ヷイン"), L"ﾜﾞｲﾝ");
    EXPECT_EQ(Half(L"ゔぁ", true), L"ｳﾞｧ");
    EXPECT_EQ(Half(L"ゔぁ", false), L"ゔぁ");
    const std::pair<const wchar_t*, const wchar_t*> lone[] = {{L"ﾅ\u3099", L"ﾅﾞ"},
                                                              {L"\u309Aa", L"ﾟa"},
                                                              {L"ｱ\u3099\u309A", L"ｱﾞﾟ"},
                                                              {L"写\u3099", L"写\u3099"},
                                                              {L"ゐ\u3099", L"ゐ\u3099"}};
    for (const auto& [name, want] : lone) EXPECT_EQ(Half(name, false), want) << name;
}

TEST(WidthConversion, NamesFromTheField) {
    EXPECT_EQ(ToFullWidthDirName(L"C:\\Data\\ｶﾞｲﾄﾞ 2024"), L"C:\\Data\\ガイド　２０２４");
    EXPECT_EQ(Full(L"photo_v1.5~old"), L"ｐｈｏｔｏ＿ｖ１．５￣ｏｌｄ");
    EXPECT_EQ(Full(L"100%"), L"１００%");
    EXPECT_EQ(Half(L"ガイドブック", false), L"ｶﾞｲﾄﾞﾌﾞｯｸ");
    EXPECT_EQ(Half(L"ひらがなテスト", false), L"ひらがなﾃｽﾄ");
    EXPECT_EQ(Half(L"ひらがなテスト", true), L"ﾋﾗｶﾞﾅﾃｽﾄ");
    EXPECT_EQ(ToHalfWidthDirName(L"C:\\ＤＡＴＡ\\ＡＢＣ　（１）", true), L"C:\\ＤＡＴＡ\\ABC (1)");
    EXPECT_EQ(Half(L"写真"), L"写真");
    EXPECT_EQ(Full(L"ヴ"), L"ヴ");
    EXPECT_EQ(Half(L"ヴ"), L"ｳﾞ");
    // Kana outside the table stay in both directions.
    for (const wchar_t* c :
         {L"ゎ", L"ゐ", L"ゑ", L"ゝ", L"ゞ", L"ヮ", L"ヰ", L"ヱ", L"ヵ", L"ヶ", L"ヽ", L"ヾ", L"ヸ", L"ヹ"}) {
        EXPECT_EQ(Half(c, true), c);
        EXPECT_EQ(Full(c), c);
    }
}

// A name copied from a Mac: each mode reads a kana and its combining mark as
// the composed kana; a mark nothing takes stays. Mode 3 asks the volume for
// its short name and has no text rule (left out).
TEST(DecomposedKana, EveryModeReadsTheComposedKana) {
    const std::wstring ga = L"カ\u3099イト\u3099";  // ガイド
    struct Case {
        std::wstring name;
        const wchar_t* byMode[8];  // nullptr: mode 3
    };
    const Case cases[] = {
        {ga, {L"ガイド", L"ガイド", L"ガイド", nullptr, L"", L"ガイド", L"ｶﾞｲﾄﾞ", L"ガイド"}},
        {L"は\u309Aん", {L"ぱん", L"ぱん", L"ぱん", nullptr, L"", L"ぱん", L"ﾊﾟﾝ", L"ぱん"}},
        {L"ウ\u3099ァ", {L"ヴァ", L"ヴァ", L"ヴァ", nullptr, L"", L"ヴァ", L"ｳﾞｧ", L"ヴァ"}},
        {L"ｶ\u3099ｲ", {L"ｶﾞｲ", L"ｶﾞｲ", L"ｶﾞｲ", nullptr, L"ｶﾞｲ", L"ガイ", L"ｶﾞｲ", L"ガイ"}},
        {L"ﾊ\u309A", {L"ﾊﾟ", L"ﾊﾟ", L"ﾊﾟ", nullptr, L"ﾊﾟ", L"パ", L"ﾊﾟ", L"パ"}},
        // Nothing to combine with: kept after whatever the mode does to the rest,
        // but half-width beside half-width characters.
        {L"\u3099a", {L"\u3099A", L"\u3099A", L"\u3099a", nullptr, L"", L"\u3099ａ", L"ﾞa", L"\u3099a"}},
        {L"ナ\u3099ｱ\u309A",
         {L"ナ\u3099ｱ\u309A", L"ナ\u3099ｱ\u309A", L"ナ\u3099ｱ\u309A", nullptr, L"", L"ナ\u3099ア\u309A", L"ﾅﾞｱﾟ",
          L"ナ\u3099ア\u309A"}},
        {L"ワ\u3099ｦ\u3099", {L"ヷｦﾞ", L"ヷｦﾞ", L"ヷｦﾞ", nullptr, L"", L"ヷヺ", L"ﾜﾞｦﾞ", L"ヷヺ"}},
        // The spacing mark joins only where the tables join it.
        {L"カ゛", {L"カ゛", L"カ゛", L"カ゛", nullptr, L"", L"カ゛", L"ｶﾞ", L"カ゛"}},
    };
    testing::FakeFileSystem fs;
    for (const Case& c : cases) {
        for (int16_t mode = 0; mode < ModeCount(); ++mode) {
            if (!c.byMode[mode]) continue;
            const std::wstring want = *c.byMode[mode] ? L"C:\\Mac\\" + std::wstring(c.byMode[mode]) : L"";
            EXPECT_EQ(ConvertDirName(fs, L"C:\\Mac\\" + c.name, mode, true), want) << c.name << " mode " << mode;
        }
    }
    // Modes 1 and 4 leave a kana name alone before converting it.
    EXPECT_EQ(JudgeFolder(fs, L"C:\\Mac\\" + ga, 1, true).state, PlanState::KeptLong);
    EXPECT_EQ(JudgeFolder(fs, L"C:\\Mac\\" + ga, 4, true).state, PlanState::KeptEightLong);
    // Half-width kana make a short name once their marks are joined.
    EXPECT_EQ(JudgeFolder(fs, L"C:\\Mac\\ｶ\u3099ｲ", 1, true, [] { return true; }).newPath, L"C:\\Mac\\ｶﾞｲ");
}

std::wstring Standard(const std::wstring& s) {
    return StandardString(s);
}

TEST(StandardForm, TheWholeTable) {
    // Letters and digits half-width, case kept.
    for (wchar_t c = 0; c < 10; ++c)
        EXPECT_EQ(Standard(std::wstring(1, static_cast<wchar_t>(0xFF10 + c))), std::wstring(1, L'0' + c));
    for (wchar_t c = 0; c < 26; ++c) {
        EXPECT_EQ(Standard(std::wstring(1, static_cast<wchar_t>(0xFF41 + c))), std::wstring(1, L'a' + c));
        EXPECT_EQ(Standard(std::wstring(1, static_cast<wchar_t>(0xFF21 + c))), std::wstring(1, L'A' + c));
        EXPECT_EQ(Standard(std::wstring(1, L'a' + c)), std::wstring(1, L'a' + c));
    }
    // ASCII symbols half-width; the Japanese punctuation and marks full-width;
    // the typographic apostrophe is no full-width form and stays.
    for (const auto& pair : SymbolPairs()) {
        if (pair.half == L" " || pair.half == L"'") continue;
        const std::wstring& want = pair.half[0] < 0x80 ? pair.half : pair.full;
        EXPECT_EQ(Standard(pair.half), want) << pair.half;
        EXPECT_EQ(Standard(pair.full), want) << pair.full;
    }
    EXPECT_EQ(Standard(L"Rock’n’Roll"), L"Rock’n’Roll");
    EXPECT_EQ(Standard(L"Ｒｏｃｋ'ｎ'Ｒｏｌｌ"), L"Rock'n'Roll");
    EXPECT_EQ(Standard(L"％；＠･"), L"%;@・");
    for (const wchar_t* kept : {L"～", L"＊", L"＼", L"？", L"写真", L"ゔゝヵ", L"αβ"}) EXPECT_EQ(Standard(kept), kept);
    // Katakana full-width with their marks joined, hiragana as they are.
    for (const auto& row : KanaRows()) {
        const std::wstring k = row.cells[0], f = row.cells[1];
        EXPECT_EQ(Standard(k), f) << k;
        EXPECT_EQ(Standard(f), f) << f;
        for (int i : {2, 4, 6})
            if (std::wstring(row.cells[i]) != L"-") {
                EXPECT_EQ(Standard(row.cells[i]), row.cells[i]);
            }
        if (std::wstring(row.cells[3]) != L"-") {
            EXPECT_EQ(Standard(k + L"ﾞ"), row.cells[3]) << k;
        }
        if (std::wstring(row.cells[5]) != L"-") {
            EXPECT_EQ(Standard(k + L"ﾟ"), row.cells[5]) << k;
        }
    }
    // The full-width space becomes a blank only where the name stays storable.
    const std::pair<const wchar_t*, const wchar_t*> spaces[] = {
        {L"旅行　２０２４", L"旅行 2024"}, {L"写真　", L"写真　"}, {L"Ａ　Ｂ　", L"A B　"},
        {L"ＣＯＮ　", L"CON　"},           {L"　", L"　"},         {L"　a", L" a"}};
    for (const auto& [name, want] : spaces) EXPECT_EQ(Standard(name), want) << name;
    EXPECT_EQ(ToStandardDirName(L"C:\\Data\\ﾌｫﾙﾀﾞ　Ｎｏ．２（ｺﾋﾟｰ）"), L"C:\\Data\\フォルダ No.2(コピー)");
}

}  // namespace
}  // namespace kelvaro
