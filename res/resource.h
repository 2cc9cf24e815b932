#pragma once
// Resource numbers shared by the .rc files and the code.
#define IDI_KELVARO2 1
#define IDI_DELETE 2
#define IDI_DELETE_ALL 3
#define IDI_ADD 4
#define IDI_ADD_ALL 5
#define IDI_ADD_ALL_ALL 6

// The input box (a prompt, a title and a proposed answer).
#define IDD_INPUT_BOX 200
#define IDC_INPUT_PROMPT 201
#define IDC_INPUT_ANSWER 202

// The folder alias maintenance dialog.
#define IDD_MENU_MENTE 300
#define IDC_MENTE_NAME 301
#define IDC_MENTE_DELALL 302
#define IDC_MENTE_DEL 303
#define IDC_MENTE_DIR 304
#define IDC_MENTE_DOWN 305
#define IDC_MENTE_UP 306
#define IDC_MENTE_LIST 309
#define IDI_UP 310
#define IDI_DOWN 311
