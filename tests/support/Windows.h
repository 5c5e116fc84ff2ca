// Finding and reading the windows a test drives: by class, by state, and
// without sending messages that a busy owner thread would have to answer.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace k2test {

std::string ClassOf(HWND hwnd);

// Reads the stored window text without sending WM_GETTEXT, so a busy or hung
// owner thread cannot block the caller.
std::string StoredText(HWND hwnd);

// First descendant of `parent` of class `windowClass` (any case); null when
// there is none.
HWND FindDescendant(HWND parent, const char* windowClass);

// A top-level window of this process of class `windowClass` that is up and
// waiting for input (visible and enabled) and that `accept` takes (any, when
// it is empty); null when there is none.
HWND FindOwnWindow(const char* windowClass, const std::function<bool(HWND)>& accept = {});

// Ids of the visible buttons a dialog or message box offers.
std::vector<int> VisibleButtons(HWND box);

// Presses button `id` of a dialog as a click does: the dialog gets its
// BN_CLICKED posted, so the thread running the dialog handles it.
void PressButton(HWND dialog, int id);

} // namespace k2test
