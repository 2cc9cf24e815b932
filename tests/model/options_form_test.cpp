#include "model/options_form.h"

#include <gtest/gtest.h>

namespace kelvaro {
namespace {

TEST(OptionsForm, OpensWithTheStoredValuesAndModeZeroForStrangeModes) {
    AppSettings s;
    s.autoRun = true;
    s.autoMode = 5;
    s.copyHistory = false;
    s.showTips = false;
    OptionsForm form = OptionsForm::FromSettings(s);
    EXPECT_TRUE(form.autoRun);
    EXPECT_EQ(form.mode, 5);
    EXPECT_FALSE(form.log);
    EXPECT_FALSE(form.tip);
    s.autoMode = 7;
    EXPECT_EQ(OptionsForm::FromSettings(s).mode, 7);
    for (int16_t strange : {int16_t{8}, int16_t{-1}}) {
        s.autoMode = strange;
        EXPECT_EQ(OptionsForm::FromSettings(s).mode, 0);
        OptionsForm::FromSettings(s).ToSettings(s);
        EXPECT_EQ(s.autoMode, 0);
    }
}

TEST(OptionsForm, InitialValuesAreModeZeroNotTheStoredDefault) {
    const OptionsForm init = OptionsForm::Initial();
    EXPECT_FALSE(init.autoRun);
    EXPECT_EQ(init.mode, 0);
    EXPECT_TRUE(init.log && init.hiraganaToKatakana && init.resize && init.tip);
    EXPECT_FALSE(init.confirm);
}

TEST(OptionsForm, WritesEverythingAndTellsWhetherHintsChanged) {
    AppSettings s;
    OptionsForm form = OptionsForm::FromSettings(s);
    form.autoRun = false;
    form.log = false;  // hidden in the dialog while the automatic run is off, written all the same
    form.mode = 3;
    form.resize = false;
    form.confirm = true;
    EXPECT_FALSE(form.ToSettings(s));
    EXPECT_TRUE(s.confirmBeforeRun);
    EXPECT_FALSE(s.copyHistory);
    EXPECT_EQ(s.autoMode, 3);
    EXPECT_FALSE(s.resizeChildren);
    form.tip = false;
    EXPECT_TRUE(form.ToSettings(s));
    EXPECT_FALSE(s.showTips);
    form.mode = -1;  // nothing selected: the mode stays
    form.ToSettings(s);
    EXPECT_EQ(s.autoMode, 3);
}

}  // namespace
}  // namespace kelvaro
