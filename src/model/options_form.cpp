#include "model/options_form.h"

#include "engine/folder_rules.h"

namespace kelvaro {

OptionsForm OptionsForm::FromSettings(const AppSettings& s) {
    OptionsForm form;
    form.autoRun = s.autoRun;
    form.mode = (s.autoMode >= 0 && s.autoMode < ModeCount()) ? s.autoMode : 0;
    form.log = s.copyHistory;
    form.hiraganaToKatakana = s.hiraganaToKatakana;
    form.resize = s.resizeChildren;
    form.tip = s.showTips;
    form.confirm = s.confirmBeforeRun;
    return form;
}

OptionsForm OptionsForm::Initial() {
    return OptionsForm{};
}

bool OptionsForm::ToSettings(AppSettings& s) const {
    s.autoRun = autoRun;
    if (mode >= 0 && mode < ModeCount()) s.autoMode = static_cast<int16_t>(mode);
    s.copyHistory = log;
    s.hiraganaToKatakana = hiraganaToKatakana;
    const bool tipChanged = tip != s.showTips;
    s.showTips = tip;
    s.resizeChildren = resize;
    s.confirmBeforeRun = confirm;
    return tipChanged;
}

}  // namespace kelvaro
