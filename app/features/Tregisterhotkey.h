// System-wide hot keys, all with Ctrl: keypad or digit-row digits, the
// two-press mode key, Ctrl+Left/Right (pages) and Ctrl+Up/Down (volume).
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace k2 {

class TForm1;

struct HotKeyState {
    bool awaitingSecondKey = false;  // two-press mode: a first key is pending
    bool cursorKeysEnabled = true;   // Ctrl+cursor keys stay while the window is hidden
    bool windowShown = false;        // shown since last hidden (kept while the above is false)
    uint32_t missing = 0;            // bit 1 << id: the registration was refused (another program holds it)
    uint32_t held = 0;               // bit 1 << id: registered to the window now
    int keySet = 0;                  // the digit and mode keys of the last RegisterKeySet
    bool Missing(int id) const { return ((missing >> id) & 1u) != 0; }
    // The registration call. A test puts its own in front of it to see the
    // modifiers asked for, which the platform does not report back.
    BOOL(WINAPI* registerHotKey)(HWND window, int id, UINT modifiers, UINT key) = RegisterHotKey;
};

// Hot-key ids registered to the main window; 13 is never used.
enum HotKeyId : int {
    kHotKeyShow = 0,
    kHotKeyPreviousPage = 10,
    kHotKeyNextPage = 11,
    kHotKeyTwoKeyMode = 12,
    kHotKeyVolumeUp = 14,
    kHotKeyVolumeDown = 15,
};

// Withdraws ids 0-12, then registers the digits 0-9, Ctrl+Left/Right and the
// mode key of `keySet` (0 = numeric keypad, 1 = digit row).
void RegisterKeySet(TForm1& form, HotKeyState& state, int keySet);
void ReleaseKeySet(TForm1& form, HotKeyState& state);
void RegisterVolumeKeys(TForm1& form, HotKeyState& state);
void ReleaseVolumeKeys(TForm1& form, HotKeyState& state);
// Ctrl+Left/Right (and the volume keys when wanted) are registered while the
// window is shown or the cursor keys are kept, withdrawn otherwise.
void ApplyCursorKeyRule(TForm1& form, HotKeyState& state);
// The name the user knows hot key `id` by in key set `keySet`:
// "Ctrl+テンキー7", "Ctrl+7", "Ctrl+テンキー.", "Ctrl+BackSpace", "Ctrl+←" ...
std::string HotKeyName(int keySet, int id);
// Registers again the keys that were refused; those now free are taken.
void RetryMissingHotKeys(TForm1& form, HotKeyState& state);
// "他のソフトが使っているため、次のホットキーは使えません：" and the refused
// keys' names, joined with "、"; empty when none is refused.
std::string MissingHotKeysText(const HotKeyState& state);
void WMHotKey(TForm1& form, HotKeyState& state, WPARAM id);

} // namespace k2
