#pragma once
// Resource numbers shared by the .rc files and the code.
#define IDI_KELVARO2 1
#define IDI_DELETE 2
#define IDI_DELETE_ALL 3
#define IDI_ADD 4
#define IDI_ADD_ALL 5
#define IDI_ADD_ALL_ALL 6
#define IDI_ADD_EVERY_LEVEL 7

// The input box (a prompt, a title and a proposed answer).
#define IDD_INPUT_BOX 200
#define IDC_INPUT_PROMPT 201
#define IDC_INPUT_ANSWER 202

// The folder alias maintenance dialog.
#define IDD_ALIASES 300
#define IDC_ALIAS_RENAME 301
#define IDC_ALIAS_DELETE_ALL 302
#define IDC_ALIAS_DELETE 303
#define IDC_ALIAS_DIR 304
#define IDC_ALIAS_DOWN 305
#define IDC_ALIAS_UP 306
#define IDC_ALIAS_LIST 309
#define IDI_UP 310
#define IDI_DOWN 311

// The options dialog.
#define IDD_OPTION 400
#define IDC_OPT_HIRA 401
#define IDC_OPT_LOG 402
#define IDC_OPT_TIP 403
#define IDC_OPT_RESIZE 404
#define IDC_OPT_PANEL 405
#define IDC_OPT_AUTO 406
#define IDC_OPT_INIT 407
#define IDC_OPT_EXE0 430  // to 445, one per conversion mode (kMostModes)
#define IDC_OPT_SENDTO 425
#define IDC_OPT_CONFIRM 420

// The initial folder dialog.
#define IDD_DEFAULT 500
#define IDC_DEF_LABEL 501
#define IDC_DEF_SWITCH 502
#define IDC_DEF_DIRTEXT 503
#define IDC_DEF_PANEL 504
#define IDC_DEF_DRIVE 505
#define IDC_DEF_DIRLIST 506

// The about box.
#define IDD_ABOUT 600
#define IDC_ABOUT_ICON 601
#define IDC_ABOUT_TITLE 602
#define IDC_ABOUT_NAME 603
#define IDC_ABOUT_VERSION 604

// The preview of a run.
#define IDD_PREVIEW 700
#define IDC_PRE_MODE_LABEL 701
#define IDC_PRE_MODE 702
#define IDC_PRE_LIST 703
#define IDC_PRE_COUNTS 704
#define IDC_PRE_ONLY_REFUSED 705

// The runs the journal keeps ("変更の記録").
#define IDD_RUNS 800
#define IDC_RUNS_LIST 801
#define IDC_RUNS_UNDO 802
#define IDC_RUNS_RESUME 803
