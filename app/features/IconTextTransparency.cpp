#include "app/features/IconTextTransparency.h"

#include "app/Korumi2.h"

#include <commctrl.h>

namespace k2 {

namespace {

// How long one application keeps at it; also the pause after each setting.
constexpr DWORD kApplyMs = 20;

} // namespace

HWND FindDesktopListView() {
    HWND progman = FindWindowA("Progman", "Program Manager");
    if (!progman) return nullptr;
    // An empty name, not a null one: only the unnamed views count.
    HWND view = FindWindowExA(progman, nullptr, "SHELLDLL_DefView", "");
    if (!view) return nullptr;
    return FindWindowExA(view, nullptr, "SysListView32", "");
}

COLORREF DesktopIconTextBkColor() {
    HWND listView = FindDesktopListView();
    return listView ? static_cast<COLORREF>(SendMessageA(listView, LVM_GETTEXTBKCOLOR, 0, 0)) : 0;
}

void TForm1::ApplyIconTextTransparency() {
    HWND listView = FindDesktopListView();
    const COLORREF colour = transparentIconText ? CLR_NONE : savedIconTextBkColor;
    if (!listView) return;
    // The shell may put its own colour back while we work: keep at it for one
    // interval. Elapsed time, so that the tick count wrapping cannot stretch it.
    const DWORD start = GetTickCount();
    do {
        const auto current = static_cast<COLORREF>(SendMessageA(listView, LVM_GETTEXTBKCOLOR, 0, 0));
        if (!transparentIconText || current != colour) {
            SendMessageA(listView, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(colour));
            InvalidateRect(listView, nullptr, TRUE);
        }
        Sleep(kApplyMs);
    } while (GetTickCount() - start < kApplyMs);
}

void TForm1::WMSettingChange() {
    // A burst of broadcasts restarts the same timer: one re-apply after the last.
    if (transparentIconText) SetTimer(Handle(), kTransparencyTimerId, kApplyMs, nullptr);
}

void TForm1::WMTimer(WPARAM timerId) {
    if (timerId != kTransparencyTimerId) return;
    KillTimer(Handle(), kTransparencyTimerId);
    PostMessageA(Handle(), kReapplyTransparencyMessage, 0, 0);
}

} // namespace k2
