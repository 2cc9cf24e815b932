#include "windows/alias_dialog.h"

#include <algorithm>
#include <array>

#include "engine/catalog.h"
#include "engine/path_text.h"
#include "resource.h"
#include "windows/accessible_name.h"
#include "windows/window_base.h"

namespace kelvaro {
namespace {

constexpr const wchar_t* kPrefix = L"MenuMente_";

}  // namespace

bool AliasDialog::Load(HWND owner, const ScreenTwips& screen) {
    if (!DialogBase::Load(owner, IDD_ALIASES)) return false;
    RestorePosition(services_.store, kPrefix, {1000, 1000, 0, 0}, false, screen);
    SetDlgItemTextW(hwnd_, IDOK, ResAllText(AText::OptionOkButton).c_str());
    SetDlgItemTextW(hwnd_, IDCANCEL, ResAllText(AText::OptionCancelButton).c_str());
    SetDlgItemTextW(hwnd_, IDC_ALIAS_RENAME, ResAllText(AText::RenameAliasButton).c_str());
    hints_.Create(hwnd_);
    const std::pair<int, AText> hints[] = {
        {IDC_ALIAS_RENAME, AText::RenameAliasHint}, {IDC_ALIAS_DELETE_ALL, AText::DeleteAllAliasesHint},
        {IDC_ALIAS_DELETE, AText::DeleteAliasHint}, {IDC_ALIAS_DIR, AText::AliasFolderHint},
        {IDC_ALIAS_DOWN, AText::MoveAliasDownHint}, {IDC_ALIAS_UP, AText::MoveAliasUpHint},
        {IDCANCEL, AText::OptionCancelHint},        {IDOK, AText::OptionOkHint},
        {IDC_ALIAS_LIST, AText::AliasListHint}};
    for (const auto& [id, number] : hints) hints_.Add(Control(id), ResAllText(number));
    // The picture buttons' hints are their names for screen readers (the picture hides the text).
    for (const auto& [id, number] : hints)
        if (GetWindowLongPtrW(Control(id), GWL_STYLE) & BS_ICON) SetDlgItemTextW(hwnd_, id, ResAllText(number).c_str());
    SetAccessibleName(Control(IDC_ALIAS_DIR), ResAllText(AText::AliasFolderHint));
    SetAccessibleName(Control(IDC_ALIAS_LIST), ResAllText(AText::AliasListHint));
    SetToolTip(state_.settings.showTips);
    for (int i = 0; i < AliasEditor::kSlots; ++i) editor_.SetEntry(i, L"", L"");
    Layout();
    return true;
}

// The rename and delete buttons at the top, the folder's text below them, the
// list with the two move buttons at its right, OK and Cancel at the bottom right.
void AliasDialog::Layout() {
    // The pictures in the size of the dialog's DPI.
    for (const auto& [id, icon] :
         {std::pair{IDC_ALIAS_DELETE_ALL, IDI_DELETE_ALL}, std::pair{IDC_ALIAS_DELETE, IDI_DELETE},
          std::pair{IDC_ALIAS_UP, IDI_UP}, std::pair{IDC_ALIAS_DOWN, IDI_DOWN}})
        SetButtonIcon(Control(id), icon);
    const Metrics m = FontMetrics();
    const SIZE picture{m.button + m.button / 4, m.button};
    const SIZE name = ButtonSize(Control(IDC_ALIAS_RENAME));
    const int closeWidth = std::max<int>(ButtonSize(Control(IDOK)).cx, ButtonSize(Control(IDCANCEL)).cx);
    const int width =
        std::max({24 * m.line, static_cast<int>(name.cx + 2 * (m.gap + picture.cx)), 2 * closeWidth + m.gap});

    MoveWindow(Control(IDC_ALIAS_RENAME), m.margin, m.margin, name.cx, name.cy, TRUE);
    MoveWindow(Control(IDC_ALIAS_DELETE_ALL), m.margin + name.cx + m.gap, m.margin, picture.cx, picture.cy, TRUE);
    MoveWindow(Control(IDC_ALIAS_DELETE), m.margin + name.cx + 2 * m.gap + picture.cx, m.margin, picture.cx, picture.cy,
               TRUE);
    int top = m.margin + m.button + m.gap;
    const int textHeight = m.line + MulDiv(8, static_cast<int>(Dpi()), 96);
    MoveWindow(Control(IDC_ALIAS_DIR), m.margin, top, width, textHeight, TRUE);
    top += textHeight + m.gap;
    const int listWidth = width - 2 * (picture.cx + m.gap);
    const int listHeight = 6 * m.line + MulDiv(6, static_cast<int>(Dpi()), 96);
    MoveWindow(Control(IDC_ALIAS_LIST), m.margin, top, listWidth, listHeight, TRUE);
    MoveWindow(Control(IDC_ALIAS_UP), m.margin + listWidth + m.gap, top, picture.cx, picture.cy, TRUE);
    MoveWindow(Control(IDC_ALIAS_DOWN), m.margin + listWidth + 2 * m.gap + picture.cx, top, picture.cx, picture.cy,
               TRUE);
    top += listHeight + m.margin;
    MoveWindow(Control(IDCANCEL), m.margin + width - closeWidth, top, closeWidth, m.button, TRUE);
    MoveWindow(Control(IDOK), m.margin + width - 2 * closeWidth - m.gap, top, closeWidth, m.button, TRUE);
    SetClientSize(width + 2 * m.margin, top + m.button + m.margin);
}

void AliasDialog::Unload() {
    DialogBase::Unload(services_.store, kPrefix, false);
}

void AliasDialog::OnActivate() {
    ok_ = false;
    SetWindowTextW(hwnd_,
                   (ResKelvaroText(KText::FolderWindowCaption) + ResAllText(AText::AliasDialogCaptionTail)).c_str());
    editor_.Activate();
    ShowList();
    ControlEnabledSet();
    SetFocus(FocusTarget());
}

void AliasDialog::ShowList() {
    HWND list = Control(IDC_ALIAS_LIST);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i <= editor_.LastMenuIndex(); ++i) {
        std::wstring name, dir;
        editor_.GetEntry(i, name, dir);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(editor_.Selected()), 0);
    ShowSelectedDir();
}

void AliasDialog::ShowSelectedDir() {
    const std::wstring dir = editor_.SelectedDir();
    SetDlgItemTextW(hwnd_, IDC_ALIAS_DIR, dir.empty() ? L"" : DirNameAbbrev(dir).c_str());
}

// A control that loses its enabled state also loses the focus: it goes where
// the dialog puts it when it opens, so that keys keep working.
void AliasDialog::ControlEnabledSet() {
    const HWND focus = GetFocus();
    const bool enabled = editor_.ControlsEnabled();
    for (int id : {IDC_ALIAS_DIR, IDC_ALIAS_LIST, IDC_ALIAS_UP, IDC_ALIAS_DOWN, IDC_ALIAS_DELETE, IDC_ALIAS_DELETE_ALL,
                   IDC_ALIAS_RENAME})
        EnableWindow(Control(id), enabled);
    EnableWindow(Control(IDOK), TRUE);
    EnableWindow(Control(IDCANCEL), TRUE);
    if (focus && IsChild(hwnd_, focus) && !IsWindowEnabled(focus))
        SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(FocusTarget()), TRUE);
}

HWND AliasDialog::FocusTarget() const {
    return editor_.ControlsEnabled() ? Control(IDC_ALIAS_LIST) : Control(IDCANCEL);
}

bool AliasDialog::OnCommand(UINT id, UINT code) {
    switch (id) {
        case IDC_ALIAS_LIST:
            if (code == LBN_SELCHANGE) {
                editor_.Select(static_cast<int>(SendMessageW(Control(IDC_ALIAS_LIST), LB_GETCURSEL, 0, 0)));
                ShowSelectedDir();
            }
            return true;
        case IDC_ALIAS_RENAME: {
            if (editor_.Selected() < 0) return true;
            std::wstring name, dir;
            editor_.GetEntry(editor_.Selected(), name, dir);
            const std::wstring answer = services_.prompts.AskText(ResAllText(AText::NewAliasNamePrompt),
                                                                  ResAllText(AText::RenameAliasTitle), name);
            if (editor_.Rename(answer) == AliasEditor::RenameResult::Duplicate)
                services_.prompts.Notice(ResAllText(AText::AliasRenameTaken));
            ShowList();
            return true;
        }
        case IDC_ALIAS_UP:
            editor_.Up();
            ShowList();
            return true;
        case IDC_ALIAS_DOWN:
            editor_.Down();
            ShowList();
            return true;
        case IDC_ALIAS_DELETE:
            editor_.Delete();
            ShowList();
            ControlEnabledSet();
            return true;
        case IDC_ALIAS_DELETE_ALL:
            editor_.DeleteAll();
            ShowList();
            ControlEnabledSet();
            return true;
        case IDOK:
            ok_ = true;
            Hide();
            return true;
        case IDCANCEL:
            Hide();
            return true;
        default:
            return false;
    }
}

std::optional<AliasTable> AliasDialog::Ask(const AliasTable& aliases) {
    if (Shown()) return std::nullopt;  // its slots belong to the one shown
    for (int i = 0; i < AliasTable::kSlots; ++i) {
        const bool used = i <= aliases.Last();
        SetEntry(i, used ? aliases.Name(i) : L"", used ? aliases.Dir(i) : L"");
    }
    ShowModal();
    if (!ok_) return std::nullopt;
    std::array<std::wstring, AliasTable::kSlots> names{}, dirs{};
    const int last = LastMenuIndex();
    for (int i = 0; i <= last; ++i) GetEntry(i, names[static_cast<size_t>(i)], dirs[static_cast<size_t>(i)]);
    AliasTable edited;
    edited.Assign(names, dirs, last);
    return edited;
}

}  // namespace kelvaro
