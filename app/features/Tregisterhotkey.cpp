#include "app/features/Tregisterhotkey.h"

#include "app/Korumi2.h"

#include <cstdint>

namespace k2 {
namespace {

// Keys of the two sets: digits 0-9 and the two-press mode key.
UINT DigitKey(int keySet, int digit) { return static_cast<UINT>((keySet == 0 ? VK_NUMPAD0 : '0') + digit); }
UINT ModeKey(int keySet) { return keySet == 0 ? VK_DECIMAL : VK_BACK; }

UINT KeyOf(int keySet, int id) {
    if (id >= kHotKeyShow && id <= 9) return DigitKey(keySet, id);
    switch (id) {
    case kHotKeyPreviousPage: return VK_LEFT;
    case kHotKeyNextPage: return VK_RIGHT;
    case kHotKeyTwoKeyMode: return ModeKey(keySet);
    case kHotKeyVolumeUp: return VK_UP;
    default: return VK_DOWN;
    }
}

uint32_t Bit(int id) { return uint32_t{1} << id; }

// A held key auto-repeats: without MOD_NOREPEAT it would launch a slot (or
// ask for its password) once per repeat, and in two-press mode one held digit
// would pick the page and then the slot. Only the volume keys repeat, so that
// holding them ramps the volume.
// A refusal of a key the window holds already is harmless; any other means
// another program has the combination, and the key is recorded as missing.
void Register(TForm1& form, HotKeyState& state, int id) {
    const bool repeats = id == kHotKeyVolumeUp || id == kHotKeyVolumeDown;
    if (state.registerHotKey(form.Handle(), id, MOD_CONTROL | (repeats ? 0 : MOD_NOREPEAT),
                             KeyOf(state.keySet, id))) {
        state.held |= Bit(id);
        state.missing &= ~Bit(id);
    } else if ((state.held & Bit(id)) == 0) {
        state.missing |= Bit(id);
    }
}
// A key given back is no longer wanted, so no longer missing either.
void Unregister(TForm1& form, HotKeyState& state, int id) {
    UnregisterHotKey(form.Handle(), id);
    state.held &= ~Bit(id);
    state.missing &= ~Bit(id);
}

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
    state.keySet = keySet;
    for (int id = kHotKeyShow; id <= kHotKeyTwoKeyMode; ++id) Register(form, state, id);
}

void ReleaseKeySet(TForm1& form, HotKeyState& state) {
    for (int id = kHotKeyShow; id <= kHotKeyTwoKeyMode; ++id) Unregister(form, state, id);
}

void RegisterVolumeKeys(TForm1& form, HotKeyState& state) {
    Register(form, state, kHotKeyVolumeUp);
    Register(form, state, kHotKeyVolumeDown);
    if (!form.volume) form.volume = std::make_unique<MasterVolume>();
}

void ReleaseVolumeKeys(TForm1& form, HotKeyState& state) {
    Unregister(form, state, kHotKeyVolumeUp);
    Unregister(form, state, kHotKeyVolumeDown);
    form.volume.reset();
}

void ApplyCursorKeyRule(TForm1& form, HotKeyState& state) {
    if (state.cursorKeysEnabled || state.windowShown) {
        Register(form, state, kHotKeyPreviousPage);
        Register(form, state, kHotKeyNextPage);
        if (form.volumeKeysEnabled) RegisterVolumeKeys(form, state);
    } else {
        Unregister(form, state, kHotKeyPreviousPage);
        Unregister(form, state, kHotKeyNextPage);
        if (form.volumeKeysEnabled) ReleaseVolumeKeys(form, state);
    }
}

void RetryMissingHotKeys(TForm1& form, HotKeyState& state) {
    for (int id = kHotKeyShow; id <= kHotKeyVolumeDown; ++id)
        if (state.Missing(id)) Register(form, state, id);
}

std::string MissingHotKeysText(const HotKeyState& state) {
    std::string names;
    for (int id = kHotKeyShow; id <= kHotKeyVolumeDown; ++id)
        if (state.Missing(id)) names += (names.empty() ? "" : "、") + HotKeyName(state.keySet, id);
    return names.empty() ? names : "他のソフトが使っているため、次のホットキーは使えません：" + names;
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
