#pragma once
// The program's version, shared by the version resource, the about box, the
// build (guide, installer and file names) and the code. The text is the major
// number, a dot and the minor number in two digits; the build checks that.
#define KELVARO_VERSION_MAJOR 1
#define KELVARO_VERSION_MINOR 2
#define KELVARO_VERSION_TEXT "1.02"
#define KELVARO_VERSION_CAPTION "Ver." KELVARO_VERSION_TEXT
#define KELVARO_PRODUCT_NAME "Kelvaro2 for Win32"
