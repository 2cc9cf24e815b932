#include "windows/about_dialog.h"

#include <algorithm>

#include "engine/catalog.h"
#include "resource.h"
#include "windows/window_base.h"

namespace kelvaro {

bool AboutDialog::Load(HWND owner, const ScreenTwips& screen) {
    if (!DialogBase::Load(owner, IDD_ABOUT)) return false;
    RestorePosition(services_.store, L"About_", {1000, 1000, 0, 0}, false, screen);
    SetWindowTextW(hwnd_, ResKelvaroText(KText::AboutCaption).c_str());
    SetDlgItemTextW(hwnd_, IDC_ABOUT_TITLE, ResKelvaroText(KText::ProgramNameKana).c_str());
    SetDlgItemTextW(hwnd_, IDC_ABOUT_NAME, ResKelvaroText(KText::ProgramTitle).c_str());
    Layout();
    return true;
}

// The icon at the top left, the three lines beside it, Ok centred below.
void AboutDialog::Layout() {
    const Metrics m = FontMetrics();
    const UINT dpi = Dpi();
    const int icon = GetSystemMetricsForDpi(SM_CXICON, dpi);
    MoveWindow(Control(IDC_ABOUT_ICON), m.margin, m.margin, icon, icon, TRUE);
    const int left = 2 * m.margin + icon;
    int top = m.margin, textWidth = 0;
    for (int id : {IDC_ABOUT_TITLE, IDC_ABOUT_NAME, IDC_ABOUT_VERSION}) {
        const SIZE size = TextSize(Control(id));
        MoveWindow(Control(id), left, top, size.cx, m.line, TRUE);
        textWidth = std::max<int>(textWidth, size.cx);
        top += m.line + m.gap;
    }
    top = std::max(top - m.gap, m.margin + icon) + m.margin;
    const SIZE ok = ButtonSize(Control(IDOK));
    const int width = std::max<int>(left + textWidth, m.margin + ok.cx) + m.margin;
    MoveWindow(Control(IDOK), (width - ok.cx) / 2, top, ok.cx, ok.cy, TRUE);
    SetClientSize(width, top + ok.cy + m.margin);
}

bool AboutDialog::OnCommand(UINT id, UINT) {
    if (id != IDOK && id != IDCANCEL) return false;
    Hide();
    return true;
}

}  // namespace kelvaro
