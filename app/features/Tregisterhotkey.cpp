#include "app/features/Tregisterhotkey.h"

#include "app/Korumi2.h"

#include <cstdint>

namespace k2 {
namespace {

// Keys of the two sets: digits 0-9 and the two-press mode key.
UINT DigitKey(int keySet, int digit) { return static_cast<UINT>((keySet == 0 ? VK_NUMPAD0 : '0') + digit); }
UINT ModeKey(int keySet) { return keySet == 0 ? VK_DECIMAL : VK_BACK; }

// A key someone else already holds, or one already ours, fails harmlessly:
// the combination simply does not reach this program.
// A held key auto-repeats: without MOD_NOREPEAT it would launch a slot (or
// ask for its password) once per repeat, and in two-press mode one held digit
// would pick the page and then the slot. Only the volume keys repeat, so that
// holding them ramps the volume.
void Register(TForm1& form, HotKeyState& state, int id, UINT key, UINT repeat = MOD_NOREPEAT) {
    state.registerHotKey(form.Handle(), id, MOD_CONTROL | repeat, key);
}
void Unregister(TForm1& form, int id) { UnregisterHotKey(form.Handle(), id); }

// Ctrl+0: the window comes up centred under the mouse (a little below it),
// whole on the work area of the monitor the mouse is on. It is placed once,
// at the size it has at that monitor's DPI, so that neither the change of
// scale nor the keep-on-screen rule moves it again.
void ShowUnderMouse(TForm1& form) {
    POINT cursor;
    GetCursorPos(&cursor);
    const tk::MonitorPlace monitor = tk::MonitorAt(cursor, *form.monitors);
    const SIZE size = form.FrameSize(monitor.dpi);
    const RECT& work = monitor.work;
    const int left = tk::KeptInside(cursor.x - size.cx / 2, size.cx, work.left, work.right);
    const int top = tk::KeptInside(cursor.y - size.cy / 2 + 10, size.cy, work.top, work.bottom);
    form.PlaceAt(RECT{left, top, left + size.cx, top + size.cy}, monitor.dpi);
    form.ShowMainWindow();
}

void StepVolume(TForm1& form, int change) {
    // No mixer or no volume control: the key has no effect.
    if (form.volume) form.volume->Step(change);
}

} // namespace

std::string HotKeyName(int keySet, int id) {
    if (id >= kHotKeyShow && id <= 9) return (keySet == 0 ? "Ctrl+テンキー" : "Ctrl+") + std::to_string(id);
    switch (id) {
    case kHotKeyPreviousPage: return "Ctrl+←";
    case kHotKeyNextPage: return "Ctrl+→";
    case kHotKeyTwoKeyMode: return keySet == 0 ? "Ctrl+テンキー." : "Ctrl+BackSpace";
    case kHotKeyVolumeUp: return "Ctrl+↑";
    case kHotKeyVolumeDown: return "Ctrl+↓";
    default: return {};
    }
}

void RegisterKeySet(TForm1& form, HotKeyState& state, int keySet) {
    ReleaseKeySet(form, state);
    for (int digit = 0; digit <= 9; ++digit) Register(form, state, digit, DigitKey(keySet, digit));
    Register(form, state, kHotKeyPreviousPage, VK_LEFT);
    Register(form, state, kHotKeyNextPage, VK_RIGHT);
    Register(form, state, kHotKeyTwoKeyMode, ModeKey(keySet));
}

void ReleaseKeySet(TForm1& form, HotKeyState&) {
    for (int id = kHotKeyShow; id <= kHotKeyTwoKeyMode; ++id) Unregister(form, id);
}

void RegisterVolumeKeys(TForm1& form, HotKeyState& state) {
    Register(form, state, kHotKeyVolumeUp, VK_UP, 0);
    Register(form, state, kHotKeyVolumeDown, VK_DOWN, 0);
    if (!form.volume) form.volume = std::make_unique<MasterVolume>();
}

void ReleaseVolumeKeys(TForm1& form, HotKeyState&) {
    Unregister(form, kHotKeyVolumeUp);
    Unregister(form, kHotKeyVolumeDown);
    form.volume.reset();
}

void ApplyCursorKeyRule(TForm1& form, HotKeyState& state) {
    if (state.cursorKeysEnabled || state.windowShown) {
        Register(form, state, kHotKeyPreviousPage, VK_LEFT);
        Register(form, state, kHotKeyNextPage, VK_RIGHT);
        if (form.volumeKeysEnabled) RegisterVolumeKeys(form, state);
    } else {
        Unregister(form, kHotKeyPreviousPage);
        Unregister(form, kHotKeyNextPage);
        if (form.volumeKeysEnabled) ReleaseVolumeKeys(form, state);
    }
}

void WMHotKey(TForm1& form, HotKeyState& state, WPARAM id) {
    const bool digit = id >= 1 && id <= 9;
    if (form.twoKeyMode && digit && !state.awaitingSecondKey) {
        // First key of a pair: turn to that page and keep its number in the
        // tray until the second key comes.
        form.currentPage = static_cast<int32_t>(id) - 1;
        form.ShowPageChange(form.Showing());
        state.awaitingSecondKey = true;
        return;
    }
    state.awaitingSecondKey = false;
    if (id == kHotKeyShow) {
        ShowUnderMouse(form);
    } else if (digit) {
        const int k = static_cast<int>(id) - 1;
        form.LaunchSlot(form.currentPage * 9 + k, form.SlotButton(k));
        // A password prompt of the launch may have seen the program end: the
        // records are then going or gone.
        if (form.Ending()) return;
    } else if (id == kHotKeyPreviousPage) {
        form.currentPage = form.currentPage == 0 ? 9 : form.currentPage - 1;
        form.ShowPageChange(form.Showing());
    } else if (id == kHotKeyNextPage) {
        form.currentPage = form.currentPage == 9 ? 0 : form.currentPage + 1;
        form.ShowPageChange(form.Showing());
    } else if (id == kHotKeyTwoKeyMode) {
        form.ToggleTwoKeyMode();
    } else if (id == kHotKeyVolumeUp) {
        StepVolume(form, form.volumeStep);
    } else if (id == kHotKeyVolumeDown) {
        // The settings file may hold any 32-bit step. The one without a
        // negation raises the volume to 100 like any other huge negative step.
        StepVolume(form, form.volumeStep == INT32_MIN ? INT32_MAX : -form.volumeStep);
    }
    // The question mark: the mode waits for a first key again.
    if (form.twoKeyMode) ChangeTrayIcon(*form.trayIcon, form.Handle(), 12);
}

} // namespace k2
