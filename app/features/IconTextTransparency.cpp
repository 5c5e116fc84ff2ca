#include "app/features/IconTextTransparency.h"

#include "app/Korumi2.h"

#include <commctrl.h>

#include <cstring>

namespace k2 {

namespace {

// How long one application keeps at it; also the pause after each setting.
constexpr DWORD kApplyMs = 20;

HWND ListViewIn(HWND defView) {
    return defView ? FindWindowExA(defView, nullptr, "SysListView32", nullptr) : nullptr;
}

BOOL CALLBACK FindDefView(HWND window, LPARAM found) {
    char name[32];
    if (GetClassNameA(window, name, sizeof name) == 0 || std::strcmp(name, "SHELLDLL_DefView") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// Both list-view messages take 0 as their first parameter.
bool SendToDesktop(HWND listView, UINT message, LPARAM lParam, DWORD_PTR& answer) {
    return SendMessageTimeoutA(listView, message, 0, lParam, SMTO_ABORTIFHUNG, kDesktopAnswerMs, &answer) != 0;
}

} // namespace

HWND FindDesktopListView() {
    HWND progman = FindWindowA("Progman", nullptr);
    if (progman)
        if (HWND listView = ListViewIn(FindWindowExA(progman, nullptr, "SHELLDLL_DefView", nullptr))) return listView;
    for (HWND worker = nullptr; (worker = FindWindowExA(nullptr, worker, "WorkerW", nullptr)) != nullptr;)
        if (HWND listView = ListViewIn(FindWindowExA(worker, nullptr, "SHELLDLL_DefView", nullptr))) return listView;
    if (!progman) return nullptr;
    HWND defView = nullptr;
    EnumChildWindows(progman, FindDefView, reinterpret_cast<LPARAM>(&defView));
    return ListViewIn(defView);
}

bool DesktopIconTextBkColor(COLORREF& colour) {
    HWND listView = FindDesktopListView();
    DWORD_PTR answer = 0;
    if (!listView || !SendToDesktop(listView, LVM_GETTEXTBKCOLOR, 0, answer)) return false;
    colour = static_cast<COLORREF>(answer);
    return true;
}

void TForm1::ApplyIconTextTransparency() {
    HWND listView = FindDesktopListView();
    if (!listView) return;
    if (!iconTextBkColorSaved) {
        // No desktop when the program started: there is no colour to give
        // back, and the one the captions have now is the one to keep.
        if (!transparentIconText || !DesktopIconTextBkColor(savedIconTextBkColor)) return;
        iconTextBkColorSaved = true;
    }
    const COLORREF colour = transparentIconText ? CLR_NONE : savedIconTextBkColor;
    // The shell may put its own colour back while we work: keep at it for one
    // interval. Elapsed time, so that the tick count wrapping cannot stretch it.
    // A shell that does not answer is left alone until the next re-apply.
    const DWORD start = GetTickCount();
    do {
        DWORD_PTR current = 0;
        if (!SendToDesktop(listView, LVM_GETTEXTBKCOLOR, 0, current)) return;
        if (!transparentIconText || static_cast<COLORREF>(current) != colour) {
            if (!SendToDesktop(listView, LVM_SETTEXTBKCOLOR, static_cast<LPARAM>(colour), current)) return;
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
