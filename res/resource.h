#pragma once
// Resource numbers shared by the .rc files and the code.
#define IDI_KELVARO2 1
#define IDI_DELETE 2
#define IDI_DELETE_ALL 3
