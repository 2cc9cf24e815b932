#pragma once
// The program's version, shared by the version resource and the code.
#define KELVARO_VERSION_MAJOR 1
#define KELVARO_VERSION_MINOR 2
#define KELVARO_VERSION_TEXT "1.02"
#define KELVARO_VERSION_CAPTION "Ver.1.02"
#define KELVARO_PRODUCT_NAME "Kelvaro2 for Win32"
