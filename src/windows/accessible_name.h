#pragma once
#include <windows.h>

#include <string>

namespace kelvaro {

// Gives a control that shows no text of its own (a list, a list view, a text
// field, a drop-down list) the name a screen reader announces for it. The
// accessibility interface takes such a name from the static text just before
// the control, or, for a list, from its window text: `control` gets a hidden
// label of that text just before it and, when it is a list, the text as its
// window text too. Called again, it renames the label.
void SetAccessibleName(HWND control, const std::wstring& name);

}  // namespace kelvaro
