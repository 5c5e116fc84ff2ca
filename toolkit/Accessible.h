// What screen readers read of our windows. A window answers WM_GETOBJECT for
// its client object with an IAccessible over the system's standard object,
// whose name, role, state, description and keyboard shortcut the control
// puts in front (asked at each call, so they follow the model); everything
// else (location, focus, children, navigation) stays the standard object's.
#pragma once
#include <windows.h>

#include <string>

namespace tk {

struct AccessibleTexts {
    std::string name;         // empty: the standard object's
    std::string description;  // empty: the standard object's
    std::string shortcut;     // empty: the standard object's
    long role = 0;            // 0: the standard object's
    long state = 0;           // added to the standard object's state
};

// The answer to WM_GETOBJECT for `hwnd`: 0 for any object but the client's,
// or when none can be made, so the message takes the default handling.
LRESULT AnswerGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam);
// Gives a child window that is no control of its own (a radio group's item)
// the same answer; its parent control describes it.
void AnswerForChildWindow(HWND child);
// Tells screen readers that the text of `hwnd` changed; a live region's
// change is spoken even when the window does not have the focus.
void AnnounceNameChange(HWND hwnd, bool liveRegion);
// Marks `hwnd` as a polite live region for UI Automation, or clears the
// mark. Needs COM on the calling thread; where the system lacks the
// annotation service (Wine) nothing happens.
void MarkLiveRegion(HWND hwnd, bool on);

} // namespace tk
