// Transparent captions for the desktop icons: the desktop is the shell's own
// list view, reached from outside with the list-view messages.
#pragma once
#include <windows.h>

namespace k2 {

// A message to the shell's desktop waits at most this long: a hung shell
// must not stop this program.
inline constexpr UINT kDesktopAnswerMs = 500;

// The desktop's icon list view, or null when the shell has none. It sits in
// a SHELLDLL_DefView under Progman; after a wallpaper slideshow or Task View
// that view lives in a top-level WorkerW instead, and on newer systems it may
// lie deeper under Progman. Names are not compared: the list view is named
// "FolderView" on current systems.
HWND FindDesktopListView();

// The desktop captions' current text background colour; false, with
// `colour` unchanged, when there is no desktop list view or it does not
// answer in time.
bool DesktopIconTextBkColor(COLORREF& colour);

} // namespace k2
