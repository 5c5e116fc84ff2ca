// Transparent captions for the desktop icons: the desktop is the shell's own
// list view, reached from outside with the list-view messages.
#pragma once
#include <windows.h>

namespace k2 {

// The desktop's icon list view (Progman -> SHELLDLL_DefView -> SysListView32),
// or null when the shell has no such window.
HWND FindDesktopListView();

// The desktop captions' current text background colour; 0 without a desktop
// list view.
COLORREF DesktopIconTextBkColor();

} // namespace k2
