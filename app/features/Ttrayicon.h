// The notification-area icon: the page number, or the question mark of the
// two-press hot-key mode. The window's tray callback message reports clicks.
#pragma once
#include "toolkit/Handles.h"

#include <shellapi.h>

namespace k2 {

struct TrayIconRecord {
    tk::IconHandle icon;  // the icon shown; released when replaced
};

// The notify data of the first shell version: a 64-character tip and nothing after.
inline constexpr DWORD kTrayDataSize = NOTIFYICONDATAW_V1_SIZE;

// Adds icon 0 of `window` with the application's icon and the tip "コルミ２".
void AddTrayIcon(TrayIconRecord& record, HWND window, UINT callbackMessage);
// Loads resource "ICON" + number at the system's small-icon size, makes it
// the application's small icon too, and shows it in the notification area.
void ChangeTrayIcon(TrayIconRecord& record, HWND window, int number);
void DeleteTrayIcon(TrayIconRecord& record, HWND window);

} // namespace k2
