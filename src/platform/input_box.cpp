#include "platform/input_box.h"

#include "resource.h"

namespace kelvaro {
namespace {

struct InputBoxData {
    const std::wstring& prompt;
    const std::wstring& title;
    const std::wstring& proposed;
    std::wstring answer;
};

// A lone carriage return breaks the line as a CR LF pair would.
std::wstring WithLineBreaks(const std::wstring& text) {
    std::wstring result;
    for (size_t i = 0; i < text.size(); ++i) {
        result += text[i];
        if (text[i] == L'\r' && (i + 1 >= text.size() || text[i + 1] != L'\n')) result += L'\n';
    }
    return result;
}

INT_PTR CALLBACK InputBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* data = reinterpret_cast<InputBoxData*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            data = reinterpret_cast<InputBoxData*>(lParam);
            SetWindowTextW(dialog, data->title.c_str());
            SetDlgItemTextW(dialog, IDC_INPUT_PROMPT, WithLineBreaks(data->prompt).c_str());
            SetDlgItemTextW(dialog, IDC_INPUT_ANSWER, data->proposed.c_str());
            SendDlgItemMessageW(dialog, IDC_INPUT_ANSWER, EM_SETSEL, 0, -1);
            SetFocus(GetDlgItem(dialog, IDC_INPUT_ANSWER));
            return FALSE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                const int length = GetWindowTextLengthW(GetDlgItem(dialog, IDC_INPUT_ANSWER));
                std::wstring answer(static_cast<size_t>(length) + 1, L'\0');
                GetDlgItemTextW(dialog, IDC_INPUT_ANSWER, answer.data(), length + 1);
                answer.resize(static_cast<size_t>(length));
                data->answer = answer;
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

std::wstring InputBox(HWND owner, const std::wstring& prompt, const std::wstring& title, const std::wstring& proposed) {
    InputBoxData data{prompt, title, proposed, {}};
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_INPUT_BOX), owner, InputBoxProc,
                    reinterpret_cast<LPARAM>(&data));
    return data.answer;
}

}  // namespace kelvaro
