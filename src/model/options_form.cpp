#include "model/options_form.h"

#include "engine/folder_rules.h"

namespace kelvaro {

OptionsForm OptionsForm::FromSettings(const AppSettings& s) {
    OptionsForm form;
    form.autoRun = s.Auto;
    form.mode = (s.AutoExe >= 0 && s.AutoExe < kModeCount) ? s.AutoExe : 0;
    form.log = s.AutoLog;
    form.hira = s.Hira;
    form.resize = s.Resize;
    form.tip = s.Tip;
    form.confirm = s.Confirm;
    return form;
}

OptionsForm OptionsForm::Initial() {
    return OptionsForm{};
}

bool OptionsForm::ToSettings(AppSettings& s) const {
    s.Auto = autoRun;
    if (mode >= 0 && mode < kModeCount) s.AutoExe = static_cast<int16_t>(mode);
    s.AutoLog = log;
    s.Hira = hira;
    const bool tipChanged = tip != s.Tip;
    s.Tip = tip;
    s.Resize = resize;
    s.Confirm = confirm;
    return tipChanged;
}

}  // namespace kelvaro
