#include "windows/option_dialog.h"

#include <algorithm>
#include <vector>

#include "engine/catalog.h"
#include "engine/folder_rules.h"
#include "resource.h"

namespace kelvaro {
namespace {

constexpr int kPanelColumns = 4;

int CheckOf(bool flag) {
    return flag ? BST_CHECKED : BST_UNCHECKED;
}

bool Visible(HWND control) {
    return (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

LONG_PTR ButtonType(HWND control) {
    wchar_t name[16] = {};
    GetClassNameW(control, name, 16);
    if (lstrcmpiW(name, L"Button") != 0) return -1;
    return GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
}

bool IsPushButton(HWND control) {
    const LONG_PTR type = ButtonType(control);
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

static_assert(IDC_OPT_EXE0 > IDC_OPT_SENDTO && IDC_OPT_EXE0 + kMostModes <= IDD_DEFAULT,
              "the modes' option buttons run into the dialog's other controls");

bool IsOptionButton(HWND control) {
    const LONG_PTR type = ButtonType(control);
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

}  // namespace

bool OptionDialog::Load(HWND owner, const ScreenTwips& screen) {
    if (!DialogBase::Load(owner, IDD_OPTION)) return false;
    RestorePosition(services_.store, L"Option_", {1000, 1000, 0, 0}, false, screen);
    SetWindowTextW(hwnd_, ResKelvaroText(KText::OptionCaption).c_str());
    const std::pair<int, std::wstring> captions[] = {{IDC_OPT_HIRA, ResKelvaroText(KText::HiraganaOption)},
                                                     {IDC_OPT_LOG, ResAllText(AText::CopyHistoryOption)},
                                                     {IDC_OPT_TIP, ResAllText(AText::ShowHintsOption)},
                                                     {IDC_OPT_RESIZE, ResAllText(AText::ResizeChildrenOption)},
                                                     {IDC_OPT_AUTO, ResKelvaroText(KText::AutoRunOption)},
                                                     {IDOK, ResAllText(AText::OptionOkButton)},
                                                     {IDC_OPT_INIT, ResAllText(AText::DefaultsButton)},
                                                     {IDCANCEL, ResAllText(AText::OptionCancelButton)},
                                                     {IDC_OPT_CONFIRM, ResKelvaroText(KText::ConfirmBeforeRunOption)}};
    for (const auto& [id, text] : captions) SetDlgItemTextW(hwnd_, id, text.c_str());
    // An option button for each mode, right after the panel in the Tab order, the first starting the group.
    HWND after = Control(IDC_OPT_PANEL);
    const auto font = static_cast<WPARAM>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
    for (int i = 0; i < ModeCount(); ++i) {
        const HWND option = CreateWindowExW(
            0, L"BUTTON", ModeOptionCaption(i).c_str(),
            WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0), 0, 0, 0, 0, hwnd_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_OPT_EXE0 + i)), GetModuleHandleW(nullptr), nullptr);
        SendMessageW(option, WM_SETFONT, font, FALSE);
        SetWindowPos(option, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = option;
    }
    SetDlgItemTextW(hwnd_, IDC_OPT_PANEL, ResKelvaroText(KText::AutoModePanel).c_str());

    hints_.Create(hwnd_);
    hints_.Add(Control(IDC_OPT_AUTO), ResKelvaroText(KText::AutoRunHint));
    hints_.Add(Control(IDC_OPT_HIRA), ResKelvaroText(KText::HiraganaHint));
    hints_.Add(Control(IDC_OPT_CONFIRM), ResKelvaroText(KText::ConfirmBeforeRunHint));
    for (int i = 0; i < ModeCount(); ++i) hints_.Add(Control(IDC_OPT_EXE0 + i), ModeOptionHint(i));
    const std::pair<int, AText> general[] = {
        {IDC_OPT_LOG, AText::CopyHistoryHint}, {IDC_OPT_RESIZE, AText::ResizeChildrenHint},
        {IDC_OPT_TIP, AText::ShowHintsHint},   {IDC_OPT_INIT, AText::DefaultsHint},
        {IDCANCEL, AText::OptionCancelHint},   {IDOK, AText::OptionOkHint}};
    for (const auto& [id, number] : general) hints_.Add(Control(id), ResAllText(number));
    if (services_.sendTo)
        hints_.Add(Control(IDC_OPT_SENDTO), ResKelvaroText(KText::SendToHint));
    else
        ShowWindow(Control(IDC_OPT_SENDTO), SW_HIDE);
    SetToolTip(state_.settings.showTips);
    Layout();
    return true;
}

void OptionDialog::Show(const OptionsForm& form) {
    CheckDlgButton(hwnd_, IDC_OPT_AUTO, CheckOf(form.autoRun));
    AutoVisible();
    CheckRadioButton(hwnd_, IDC_OPT_EXE0, IDC_OPT_EXE0 + ModeCount() - 1, IDC_OPT_EXE0 + form.mode);
    CheckDlgButton(hwnd_, IDC_OPT_LOG, CheckOf(form.log));
    CheckDlgButton(hwnd_, IDC_OPT_HIRA, CheckOf(form.hiraganaToKatakana));
    CheckDlgButton(hwnd_, IDC_OPT_RESIZE, CheckOf(form.resize));
    CheckDlgButton(hwnd_, IDC_OPT_TIP, CheckOf(form.tip));
    CheckDlgButton(hwnd_, IDC_OPT_CONFIRM, CheckOf(form.confirm));
}

OptionsForm OptionDialog::Form() const {
    OptionsForm form;
    form.autoRun = IsDlgButtonChecked(hwnd_, IDC_OPT_AUTO) == BST_CHECKED;
    form.mode = -1;
    for (int i = 0; i < ModeCount() && form.mode < 0; ++i)
        if (IsDlgButtonChecked(hwnd_, IDC_OPT_EXE0 + i) == BST_CHECKED) form.mode = i;
    form.log = IsDlgButtonChecked(hwnd_, IDC_OPT_LOG) == BST_CHECKED;
    form.hiraganaToKatakana = IsDlgButtonChecked(hwnd_, IDC_OPT_HIRA) == BST_CHECKED;
    form.resize = IsDlgButtonChecked(hwnd_, IDC_OPT_RESIZE) == BST_CHECKED;
    form.tip = IsDlgButtonChecked(hwnd_, IDC_OPT_TIP) == BST_CHECKED;
    form.confirm = IsDlgButtonChecked(hwnd_, IDC_OPT_CONFIRM) == BST_CHECKED;
    return form;
}

// The automatic-run mode and the clipboard switch show only with the automatic run on.
void OptionDialog::AutoVisible() {
    const int show = IsDlgButtonChecked(hwnd_, IDC_OPT_AUTO) == BST_CHECKED ? SW_SHOW : SW_HIDE;
    ShowWindow(Control(IDC_OPT_PANEL), show);
    for (int i = 0; i < ModeCount(); ++i) ShowWindow(Control(IDC_OPT_EXE0 + i), show);
    ShowWindow(Control(IDC_OPT_LOG), show);
    Layout();
}

// Top to bottom in the order of the controls, which is their Tab order,
// leaving out the hidden ones: one row per control, the mode panel with its
// option buttons in rows of four, and OK, 初期値 and Cancel in a row at the
// bottom right. The dialog takes the size of what it shows.
void OptionDialog::Layout() {
    if (!hwnd_) return;
    const Metrics m = FontMetrics();
    std::vector<HWND> closing;
    int top = m.margin, width = 0;
    for (HWND control = GetWindow(hwnd_, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        if (!Visible(control) || IsOptionButton(control)) continue;  // option buttons go with their panel
        const int id = GetDlgCtrlID(control);
        if (id == IDOK || id == IDC_OPT_INIT || id == IDCANCEL) {
            closing.push_back(control);
            continue;
        }
        SIZE size{};
        if (ButtonType(control) == BS_GROUPBOX) {
            size = PlacePanel(control, top);
        } else {
            size = IsPushButton(control) ? ButtonSize(control) : CheckBoxSize(control);
            MoveWindow(control, m.margin, top, size.cx, size.cy, TRUE);
        }
        width = std::max<int>(width, size.cx);
        top += size.cy + m.gap;
    }
    int buttonWidth = 0;
    for (HWND button : closing) buttonWidth = std::max<int>(buttonWidth, ButtonSize(button).cx);
    const int count = static_cast<int>(closing.size());
    const int rowWidth = count * buttonWidth + std::max(0, count - 1) * m.gap;
    const int clientWidth = std::max(width, rowWidth) + 2 * m.margin;
    top += m.gap;
    int left = clientWidth - m.margin - rowWidth;
    for (HWND button : closing) {
        MoveWindow(button, left, top, buttonWidth, m.button, TRUE);
        left += buttonWidth + m.gap;
    }
    SetClientSize(clientWidth, top + m.button + m.margin);
}

// The frame of a panel and the visible option buttons that follow it, in
// columns of equal width; gives the frame's size.
SIZE OptionDialog::PlacePanel(HWND panel, int top) {
    const Metrics m = FontMetrics();
    std::vector<HWND> members;
    for (HWND c = GetWindow(panel, GW_HWNDNEXT); c && IsOptionButton(c); c = GetWindow(c, GW_HWNDNEXT))
        if (Visible(c)) members.push_back(c);
    SIZE cell{0, 0};
    for (HWND member : members) {
        const SIZE size = CheckBoxSize(member);
        cell = {std::max(cell.cx, size.cx), std::max(cell.cy, size.cy)};
    }
    const int inset = 2 * m.gap;
    const int columns = std::min<int>(kPanelColumns, static_cast<int>(members.size()));
    const int rows = (static_cast<int>(members.size()) + kPanelColumns - 1) / kPanelColumns;
    const int firstTop = top + m.line / 2 + inset;  // below the frame's top line
    for (size_t i = 0; i < members.size(); ++i) {
        const int column = static_cast<int>(i) % kPanelColumns, row = static_cast<int>(i) / kPanelColumns;
        MoveWindow(members[i], m.margin + inset + column * (cell.cx + m.gap), firstTop + row * (cell.cy + m.gap),
                   cell.cx, cell.cy, TRUE);
    }
    const SIZE frame{2 * inset + columns * cell.cx + std::max(0, columns - 1) * m.gap,
                     firstTop - top + rows * cell.cy + std::max(0, rows - 1) * m.gap + inset};
    MoveWindow(panel, m.margin, top, frame.cx, frame.cy, TRUE);
    return frame;
}

void OptionDialog::ShowSendToState() {
    if (!services_.sendTo) return;
    SetDlgItemTextW(hwnd_, IDC_OPT_SENDTO,
                    ResKelvaroText(services_.sendTo->Exists() ? KText::SendToRemove : KText::SendToAdd).c_str());
    Layout();  // the button takes the width of its caption
}

// Takes effect at once, whatever OK or Cancel does afterwards: the shortcut is
// a file in the user's profile, not one of the settings.
void OptionDialog::ToggleSendTo() {
    if (!services_.sendTo) return;
    const bool present = services_.sendTo->Exists();
    const bool done = present ? services_.sendTo->Remove() : services_.sendTo->Create();
    if (!done) services_.prompts.Notice(ResKelvaroText(present ? KText::SendToRemoveFailed : KText::SendToAddFailed));
    ShowSendToState();
}

std::optional<OptionsForm> OptionDialog::Ask(const OptionsForm& form) {
    if (Shown()) return std::nullopt;
    asked_ = form;
    chosen_.reset();
    ShowModal();
    return chosen_;
}

void OptionDialog::OnActivate() {
    Show(asked_);
    ShowSendToState();
    EnableWindow(Control(IDOK), FALSE);
}

bool OptionDialog::OnCommand(UINT id, UINT code) {
    if (code != BN_CLICKED) return false;
    switch (id) {
        case IDOK:
            chosen_ = Form();
            Hide();
            return true;
        case IDCANCEL:
            Hide();
            return true;
        case IDC_OPT_INIT:
            EnableWindow(Control(IDOK), TRUE);
            Show(OptionsForm::Initial());
            return true;
        case IDC_OPT_SENDTO:
            ToggleSendTo();
            return true;
        default:
            break;
    }
    if (id == IDC_OPT_AUTO) AutoVisible();
    if (id == IDC_OPT_AUTO || id == IDC_OPT_HIRA || id == IDC_OPT_LOG || id == IDC_OPT_TIP || id == IDC_OPT_RESIZE ||
        id == IDC_OPT_CONFIRM || (id >= IDC_OPT_EXE0 && id < IDC_OPT_EXE0 + ModeCount()))
        EnableWindow(Control(IDOK), TRUE);
    return true;
}

}  // namespace kelvaro
