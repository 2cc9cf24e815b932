#include "engine/catalog.h"
#include "engine/modes.h"

#include <gtest/gtest.h>

#include <set>

namespace kelvaro {
namespace {

TEST(Catalog, EveryNamedTextExistsUnderItsOwnNumber) {
    std::set<int16_t> program, general;
    for (KText text : kAllProgramTexts) {
        EXPECT_FALSE(ResKelvaroText(text).empty()) << static_cast<int>(text);
        EXPECT_TRUE(program.insert(static_cast<int16_t>(text)).second) << "twice: " << static_cast<int>(text);
    }
    for (AText text : kAllGeneralTexts) {
        EXPECT_FALSE(ResAllText(text).empty()) << static_cast<int>(text);
        EXPECT_TRUE(general.insert(static_cast<int16_t>(text)).second) << "twice: " << static_cast<int>(text);
    }
    EXPECT_EQ(ResKelvaroText(static_cast<KText>(17)), L"");
    EXPECT_EQ(ResAllText(static_cast<AText>(9)), L"");
}

// The lines under a folder's heading are indented by the ideographic space:
// the /TSV reason is made of them without it.
TEST(Catalog, HistoryTextsUnderAHeadingStartWithTheIdeographicSpace) {
    for (KText text : {KText::KeptLongLine, KText::UnchangedLine, KText::NotRenamedLine, KText::RenamedLine,
                       KText::RenamedToLine, KText::KeptEightLongLine, KText::UnlistedLine})
        EXPECT_EQ(ResKelvaroText(text).front(), L'\u3000') << static_cast<int>(text);
}

// Every mode has its row, in the order of its number, with texts of its own
// and a name no other mode answers to.
TEST(Catalog, EveryModeHasItsRow) {
    std::set<std::wstring> captions, names;
    for (int mode = 0; mode < ModeCount(); ++mode) {
        EXPECT_EQ(static_cast<int>(ModeOf(mode).mode), mode);
        EXPECT_TRUE(captions.insert(ModeCaption(mode)).second) << mode;
        EXPECT_TRUE(names.insert(ModeOf(mode).name).second) << mode;
        EXPECT_EQ(ModeOfName(ModeOf(mode).name), mode);
        for (const std::wstring& text : {ModeHint(mode), ModeOptionCaption(mode), ModeOptionHint(mode)})
            EXPECT_FALSE(text.empty()) << mode;
        EXPECT_EQ(ModeOf(mode).convert == nullptr, ModeOf(mode).rule == ModeRule::ShortName) << mode;
    }
}

}  // namespace
}  // namespace kelvaro
