// A form's keyboard: the tab order, dialog keys, and the focus it keeps
// while it is inactive. Our own rather than the system's dialog manager:
// its order follows the layout's data instead of the window stacking, a tab
// sheet lives inside its tab control, and arrows never choose a radio item.
#include "toolkit/Form.h"

#include "toolkit/Application.h"
#include "toolkit/Controls.h"

#include <algorithm>

namespace tk {
namespace {

bool Reachable(HWND window) { return IsWindowVisible(window) && IsWindowEnabled(window); }

bool IsTabStop(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_TABSTOP) != 0; }

RadioGroup* GroupOfItem(HWND item) { return dynamic_cast<RadioGroup*>(Control::FromHandle(GetParent(item))); }

// The stop of a focused window: a radio item stands for its group's stop.
HWND StopOf(HWND window, const std::vector<HWND>& stops) {
    if (std::find(stops.begin(), stops.end(), window) != stops.end()) return window;
    if (RadioGroup* group = GroupOfItem(window)) {
        for (int i = 0; i < static_cast<int>(group->Items().size()); ++i) {
            HWND item = group->ItemHandle(i);
            if (std::find(stops.begin(), stops.end(), item) != stops.end()) return item;
        }
    }
    return nullptr;
}

} // namespace

std::vector<HWND> Form::TabStops() const {
    std::vector<const Control*> named;
    for (const char* name : def_.tabOrder) {
        if (const Control* control = FindControl(name)) named.push_back(control);
    }
    if (named.empty()) {
        for (const auto& control : controls_) named.push_back(control.get());
    }
    std::vector<HWND> stops;
    for (const Control* control : named) AddTabStops(control->Handle(), named, stops);
    return stops;
}

void Form::AddTabStops(HWND window, const std::vector<const Control*>& named, std::vector<HWND>& stops) const {
    if (!window || std::find(stops.begin(), stops.end(), window) != stops.end()) return;
    if (auto* group = dynamic_cast<RadioGroup*>(FromHandle(window))) {
        const int count = static_cast<int>(group->Items().size());
        if (count > 0 && Reachable(window)) {
            const int chosen = group->ItemIndex() >= 0 ? group->ItemIndex() : 0;
            if (Reachable(group->ItemHandle(chosen))) stops.push_back(group->ItemHandle(chosen));
        }
        return;
    }
    if (IsTabStop(window) && Reachable(window)) stops.push_back(window);
    // Children no row names (a tab built at run time) follow their parent,
    // oldest first; each new window was put on top of its siblings.
    for (HWND child = GetWindow(GetWindow(window, GW_CHILD), GW_HWNDLAST); child;
         child = GetWindow(child, GW_HWNDPREV)) {
        Control* control = FromHandle(child);
        if (control && std::find(named.begin(), named.end(), control) != named.end()) continue;
        AddTabStops(child, named, stops);
    }
}

bool Form::DialogKey(const MSG& msg) {
    const bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    const bool up = msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
    if ((!down && !up) || !Handle() || !IsChild(Handle(), msg.hwnd)) return false;
    const auto key = static_cast<WORD>(msg.wParam & 0xFF);
    if (up) {
        if (!keysTaken_.test(key)) return false;
        keysTaken_.reset(key);
        return true;
    }
    // A drag or a pressed button holds the mouse: its keys are its own
    // (Escape ends a drag).
    if (GetCapture()) return false;
    if (!HandleKey(msg.hwnd, key, msg.message == WM_SYSKEYDOWN)) return false;
    keysTaken_.set(key);
    return true;
}

bool Form::HandleKey(HWND target, WORD key, bool systemKey) {
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    Control* focused = FromHandle(target);
    if (focused && focused->OnKeyDown) {
        WORD offered = key;
        focused->OnKeyDown(*focused, offered, (shift ? MK_SHIFT : 0) | (control ? MK_CONTROL : 0));
        if (offered == 0) return true;
    }
    // Alt and F10 belong to the system menu.
    if (systemKey) return false;
    switch (key) {
    case VK_TAB:
        if (control) return SwitchPage(target, !shift);
        FocusNext(target, !shift);
        return true;
    case VK_ESCAPE:
        if (Modal()) {
            SendMessageW(Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        } else if (def_.minimizeBox) {
            SendMessageW(Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
        }
        return true;
    case VK_RETURN:
        // An edit keeps its Enter (the password dialog submits on its release).
        if (!dynamic_cast<Button*>(focused) && !dynamic_cast<BitBtn*>(focused)) return false;
        if (focused->OnClick) focused->OnClick(*focused);
        return true;
    case VK_LEFT:
    case VK_UP: return MoveInGroup(target, false);
    case VK_RIGHT:
    case VK_DOWN: return MoveInGroup(target, true);
    default: return false;
    }
}

void Form::FocusNext(HWND from, bool forward) {
    const std::vector<HWND> stops = TabStops();
    if (stops.empty()) return;
    const auto count = static_cast<std::ptrdiff_t>(stops.size());
    const auto at = std::find(stops.begin(), stops.end(), StopOf(from, stops)) - stops.begin();
    std::ptrdiff_t next = 0;
    if (at < count) {
        next = (at + (forward ? 1 : count - 1)) % count;
    } else if (!forward) {
        next = count - 1;
    }
    FocusWindow(stops[static_cast<std::size_t>(next)]);
}

bool Form::SwitchPage(HWND from, bool forward) {
    PageControl* pages = nullptr;
    for (const auto& control : controls_) {
        if ((pages = dynamic_cast<PageControl*>(control.get())) != nullptr) break;
    }
    if (!pages || pages->PageCount() < 2 || !Reachable(pages->Handle())) return false;
    const bool inside = from == pages->Handle() || IsChild(pages->Handle(), from);
    pages->SelectNextPage(forward);
    // A focus left on a sheet that is hidden now goes to the tabs.
    HWND focus = GetFocus();
    if (inside && (!focus || !IsWindowVisible(focus))) FocusWindow(pages->Handle());
    return true;
}

bool Form::MoveInGroup(HWND from, bool forward) {
    RadioGroup* group = GroupOfItem(from);
    if (!group) return false;
    const int count = static_cast<int>(group->Items().size());
    int at = 0;
    while (at < count && group->ItemHandle(at) != from) ++at;
    if (at == count) return false;
    FocusWindow(group->ItemHandle((at + (forward ? 1 : count - 1)) % count));
    return true;
}

void Form::FocusWindow(HWND window) {
    keptFocus_ = window;
    MoveFocus(window);
}

void Form::KeepFocus() {
    HWND focus = GetFocus();
    if (focus && IsChild(Handle(), focus)) keptFocus_ = focus;
}

bool Form::RestoreFocus() {
    HWND target = keptFocus_;
    if (!target || !IsWindow(target) || !IsChild(Handle(), target) || !Reachable(target)) {
        const std::vector<HWND> stops = TabStops();
        target = stops.empty() ? nullptr : stops.front();
    }
    if (!target) return false;
    FocusWindow(target);
    keysTaken_.reset();
    return true;
}

} // namespace tk
