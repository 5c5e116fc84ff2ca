// The notification-area icon: the page number, or the question mark of the
// two-press hot-key mode. The window's tray callback message reports clicks
// and the keyboard's selection.
#pragma once
#include "toolkit/Handles.h"

#include <shellapi.h>

#include <string>

namespace k2 {

// The DPI the notification area shows its icons at now.
int NotificationAreaDpi();

struct TrayIconRecord {
    tk::IconHandle icon;  // the icon shown; released when replaced
    int number = 0;       // its resource number
    int side = 0;         // and the side it was loaded at
    DWORD leftButtonTime = 0;     // the last left-button event on the icon
    bool leftButtonSeen = false;  // and the selection notice of its click is still to come
    bool balloonOwed = false;     // a balloon found no notification area (the shell not up yet)
    // Where the scale comes from; a test may stand in another, since Wine's
    // scale is fixed while it runs.
    int (*dpi)() = NotificationAreaDpi;
};

// Version 4 of the notify data, the whole structure.
inline constexpr DWORD kTrayDataSize = sizeof(NOTIFYICONDATAW);

// Adds icon 0 of `window` with the application's icon and the tip "コルミ２",
// and asks for the version 4 callbacks.
void AddTrayIcon(TrayIconRecord& record, HWND window, UINT callbackMessage);
// Loads resource "ICON" + number at the notification area's small-icon size,
// makes it the application's small icon too, and shows it in the notification area.
void ChangeTrayIcon(TrayIconRecord& record, HWND window, int number);
// Loads the shown icon again when the notification area's scale has changed.
void FollowTrayIconScale(TrayIconRecord& record, HWND window);
// A balloon from the icon with `text` (the system's own words); false when
// the shell did not take it.
bool ShowTrayBalloon(TrayIconRecord& record, HWND window, const std::string& text);
// Whether a callback event asks for the window: the double click and the
// keyboard's selection; the selection notice that ends a mouse click does not.
bool TrayEventShowsWindow(TrayIconRecord& record, UINT event);
void DeleteTrayIcon(TrayIconRecord& record, HWND window);

} // namespace k2
