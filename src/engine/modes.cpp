#include "engine/modes.h"

#include "engine/converters.h"
#include "engine/path_text.h"

#include <iterator>
#include <vector>

namespace kelvaro {

namespace {

// A new mode is one row here (in the order of its number) and its conversion in converters.h.
const ModeRow kModes[] = {
    {Mode::Upper, L"upper", KText::UpperButton, KText::UpperHint, KText::AutoUpperOption, KText::AutoUpperHint,
     [](const std::wstring& path, bool) { return ToUpperDirName(path); }, ModeRule::None},
    {Mode::UpperExceptLong, L"upper-lfn", KText::UpperExceptLongButton, KText::UpperExceptLongHint,
     KText::AutoUpperExceptLongOption, KText::AutoUpperExceptLongHint,
     [](const std::wstring& path, bool) { return ToUpperDirName(path); }, ModeRule::KeepLong},
    {Mode::Lower, L"lower", KText::LowerButton, KText::LowerHint, KText::AutoLowerOption, KText::AutoLowerHint,
     [](const std::wstring& path, bool) { return ToLowerDirName(path); }, ModeRule::None},
    {Mode::ShortName, L"sfn", KText::ShortNameButton, KText::ShortNameHint, KText::AutoShortNameOption,
     KText::AutoShortNameHint, nullptr, ModeRule::ShortName},
    {Mode::Eight, L"eight", KText::EightButton, KText::EightHint, KText::AutoEightOption, KText::AutoEightHint,
     [](const std::wstring& path, bool) { return ToEightDirName(path); }, ModeRule::NeedEight},
    {Mode::FullWidth, L"full", KText::FullWidthButton, KText::FullWidthHint, KText::AutoFullWidthOption,
     KText::AutoFullWidthHint, [](const std::wstring& path, bool) { return ToFullWidthDirName(path); }, ModeRule::None},
    {Mode::HalfWidth, L"half", KText::HalfWidthButton, KText::HalfWidthHint, KText::AutoHalfWidthOption,
     KText::AutoHalfWidthHint,
     [](const std::wstring& path, bool hiraganaToKatakana) { return ToHalfWidthDirName(path, hiraganaToKatakana); },
     ModeRule::None},
    {Mode::Standard, L"standard", KText::StandardButton, KText::StandardHint, KText::AutoStandardOption,
     KText::AutoStandardHint, [](const std::wstring& path, bool) { return ToStandardDirName(path); }, ModeRule::None},
};

std::vector<ModeRow>& Table() {
    static std::vector<ModeRow> table(std::begin(kModes), std::end(kModes));
    return table;
}

}  // namespace

std::span<const ModeRow> Modes() {
    return Table();
}

int ModeCount() {
    return static_cast<int>(Table().size());
}

ExtraMode::ExtraMode(const ModeRow& row) {
    Table().push_back(row);
}

ExtraMode::~ExtraMode() {
    Table().pop_back();
}

const ModeRow& ModeOf(int mode) {
    return Table()[static_cast<size_t>(mode)];
}

ModeRule RuleOf(int mode) {
    return mode >= 0 && mode < ModeCount() ? ModeOf(mode).rule : ModeRule::None;
}

int ModeOfName(const std::wstring& value) {
    if (!value.empty() && value.size() <= 9 && value.find_first_not_of(L"0123456789") == std::wstring::npos) {
        const int number = std::stoi(value);
        return number < ModeCount() ? number : -1;
    }
    for (const ModeRow& row : Modes())
        if (SameName(value, row.name)) return static_cast<int>(row.mode);
    return -1;
}

std::wstring ModeCaption(int mode) {
    return ResKelvaroText(ModeOf(mode).caption);
}

std::wstring ModeHint(int mode) {
    return ResKelvaroText(ModeOf(mode).hint);
}

std::wstring ModeOptionCaption(int mode) {
    return ResKelvaroText(ModeOf(mode).option);
}

std::wstring ModeOptionHint(int mode) {
    return ResKelvaroText(ModeOf(mode).optionHint);
}

}  // namespace kelvaro
