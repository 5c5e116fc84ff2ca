#include "toolkit/Control.h"

#include "toolkit/Accessible.h"
#include "toolkit/Application.h"
#include "toolkit/Dpi.h"
#include "toolkit/Exception.h"
#include "toolkit/Text.h"

#include <commctrl.h>
#include <mutex>
#include <set>
#include <unordered_map>

namespace tk {

LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

namespace {

// The control behind each of our windows. Looked up on every message: a
// window property would cost a round trip to the window server each time, and
// a table holds only windows we attached, so no foreign window (a message
// box, another program's window) is ever taken for a control.
class ControlTable {
public:
    void Add(HWND hwnd, Control* control) {
        std::lock_guard lock(mutex_);
        controls_[hwnd] = control;
    }
    void Remove(HWND hwnd) {
        std::lock_guard lock(mutex_);
        controls_.erase(hwnd);
    }
    Control* Find(HWND hwnd) {
        std::lock_guard lock(mutex_);
        const auto found = controls_.find(hwnd);
        return found == controls_.end() ? nullptr : found->second;
    }

private:
    std::mutex mutex_;
    std::unordered_map<HWND, Control*> controls_;
};

ControlTable& Controls() {
    static ControlTable table;
    return table;
}

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

void EnsureClassRegistered(const char* name) {
    static std::set<std::string> registered;
    if (registered.count(name)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ControlWindowProc;
    wc.hInstance = Instance();
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    const std::wstring className = Wide(name);
    wc.lpszClassName = className.c_str();
    RegisterClassExW(&wc);
    registered.insert(name);
}

// A handler's exception must not cross the system's frames: it is shown in
// the standard error box and the program goes on.
LRESULT Dispatch(Control* control, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return control->WndProc(message, wParam, lParam);
    } catch (const std::exception& e) {
        Application::Instance().ShowException(e);
    }
    return 0;
}

} // namespace

LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Control* control = Control::FromHandle(hwnd);
    if (!control && message == WM_NCCREATE) {
        control = static_cast<Control*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        control->Attach(hwnd);
    }
    if (!control) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
        control->Detach();
        return result;
    }
    return Dispatch(control, message, wParam, lParam);
}

LRESULT CALLBACK ControlSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR refData) {
    auto* control = reinterpret_cast<Control*>(refData);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, ControlSubclassProc, 1);
        const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
        control->Detach();
        return result;
    }
    return Dispatch(control, message, wParam, lParam);
}

Control::Control(Component* owner, std::string name, std::string className)
    : Component(owner, std::move(name)), className_(std::move(className)) {}

Control::~Control() {
    if (hwnd_) {
        HWND hwnd = hwnd_.Get();
        Detach();
        if (liveRegion_) MarkLiveRegion(hwnd, false);
        if (systemClass_) RemoveWindowSubclass(hwnd, ControlSubclassProc, 1);
        DestroyWindow(hwnd);
    }
}

void Control::Attach(HWND hwnd) {
    hwnd_.Reset();
    hwnd_ = WindowHandle(hwnd);
    Controls().Add(hwnd, this);
}

void Control::Detach() {
    if (!hwnd_) return;
    Controls().Remove(hwnd_.Get());
    hwnd_.Release();
}

Control* Control::FromHandle(HWND hwnd) {
    return hwnd ? Controls().Find(hwnd) : nullptr;
}

namespace {
bool focusMoving = false;
} // namespace

void Control::MoveFocus(HWND window) {
    const bool outer = focusMoving;
    focusMoving = true;
    SetFocus(window);
    focusMoving = outer;
}

bool Control::FocusMoving() { return focusMoving; }

Control* Control::AtScreenPoint(POINT point) {
    HWND hit = WindowFromPoint(point);
    if (!hit) return nullptr;
    DWORD process = 0;
    GetWindowThreadProcessId(hit, &process);
    if (process != GetCurrentProcessId()) return nullptr;
    // Descend by rectangles so that disabled controls count too.
    HWND current = GetAncestor(hit, GA_ROOT);
    for (;;) {
        POINT local = point;
        ScreenToClient(current, &local);
        HWND child = ChildWindowFromPointEx(current, local, CWP_SKIPINVISIBLE);
        if (!child || child == current) break;
        current = child;
    }
    for (; current; current = GetParent(current)) {
        if (Control* control = FromHandle(current)) return control;
    }
    return nullptr;
}

Control* Control::ControlAtClientPoint(POINT point) {
    HWND current = Handle();
    for (;;) {
        HWND child = ChildWindowFromPointEx(current, point, CWP_SKIPINVISIBLE | CWP_SKIPDISABLED);
        if (!child || child == current) break;
        MapWindowPoints(current, child, &point, 1);
        current = child;
    }
    for (; current; current = GetParent(current)) {
        if (Control* control = FromHandle(current)) return control;
    }
    return nullptr;
}

void Control::ApplyDef(const ControlDef& def) {
    SetName(def.name);
    fromLayout_ = true;
    designBounds_ = Bounds{def.left, def.top, def.width, def.height};
    caption_ = def.caption;
    hint_ = def.hint;
    visible_ = def.visible;
    color_ = def.color;
    fontColor_ = def.fontColor;
    fontHeight_ = def.fontHeight;
    dragAutomatic_ = def.dragAutomatic;
    accessibleName_ = def.accessibleName;
}

HWND Control::ParentWindow() const { return parent_ ? parent_->Handle() : nullptr; }

void Control::CreateHandle(HWND parentWindow) {
    const CreateParams params = GetCreateParams();
    systemClass_ = params.systemClass;
    if (parent_) {
        if (fontName_.empty()) fontName_ = parent_->FontName();
        if (fontHeight_ == 0) fontHeight_ = parent_->FontHeight();
        if (!parentWindow) parentWindow = parent_->Handle();
    }
    LayOutAtDpi();
    if (!systemClass_) EnsureClassRegistered(params.windowClass);
    DWORD style = params.style;
    if (visible_) style |= WS_VISIBLE;
    if (!enabled_) style |= WS_DISABLED;
    HWND hwnd = CreateWindowExW(params.exStyle, Wide(params.windowClass).c_str(), Wide(caption_).c_str(), style,
                                left_, top_, width_, height_, parentWindow, nullptr, Instance(), this);
    if (!hwnd) throw Exception("ウィンドウを作成できません: " + Name());
    if (systemClass_) {
        Attach(hwnd);
        SetWindowSubclass(hwnd, ControlSubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    // Later rows of a layout lie above earlier ones, for painting and hit tests.
    if (style & WS_CHILD) SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), FALSE);
    Created();
}

void Control::SetBounds(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (hwnd_) SetWindowPos(hwnd_.Get(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

int Control::Scaled(int value) const { return Scale(value, Dpi()); }

void Control::LayOutAtDpi() {
    if (!fromLayout_) return;
    const Bounds& d = designBounds_;
    SetBounds(Scaled(d.left), Scaled(d.top), Scaled(d.width), Scaled(d.height));
}

void Control::ChangeDpi() {
    LayOutAtDpi();
    if (hwnd_) SendMessageW(hwnd_.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), FALSE);
    DpiChanged();
    Invalidate();
}

void Control::SetCaption(const std::string& caption) {
    const bool changed = caption != caption_;
    caption_ = caption;
    if (hwnd_) {
        SetWindowTextW(hwnd_.Get(), Wide(caption).c_str());
        Invalidate();
        if (changed && liveRegion_) AnnounceNameChange(hwnd_.Get(), true);
    }
}

void Control::SetLiveRegion(bool on) {
    liveRegion_ = on;
    if (hwnd_) MarkLiveRegion(hwnd_.Get(), on);
}

void Control::SetVisible(bool visible) {
    visible_ = visible;
    if (hwnd_) ShowWindow(hwnd_.Get(), visible ? SW_SHOWNA : SW_HIDE);
}

void Control::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (hwnd_) EnableWindow(hwnd_.Get(), enabled);
}

void Control::SetColor(COLORREF color) {
    color_ = color;
    Invalidate();
}

void Control::SetFontColor(COLORREF color) {
    fontColor_ = color;
    Invalidate();
}

void Control::SetFontHeight(int height) {
    fontHeight_ = height;
    if (hwnd_) SendMessageW(hwnd_.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), TRUE);
}

void Control::Invalidate() {
    if (hwnd_) InvalidateRect(hwnd_.Get(), nullptr, TRUE);
}

HFONT Control::ControlFont() const { return Application::Instance().Font(fontName_, fontHeight_, Dpi()); }

// Under a high-contrast theme the colours a layout forces give way to the
// theme's: a forced background is the window's, its text the window text;
// a lit (lime) indicator is highlighted. Default colours are the system's anyway.
COLORREF Control::EffectiveColor() const {
    if (color_ == kDefault) return GetSysColor(COLOR_BTNFACE);
    if (!Application::Instance().HighContrast()) return color_;
    return GetSysColor(fontColor_ == kLime ? COLOR_HIGHLIGHT : COLOR_WINDOW);
}

COLORREF Control::EffectiveFontColor() const {
    if (!Application::Instance().HighContrast())
        return fontColor_ == kDefault ? GetSysColor(COLOR_WINDOWTEXT) : fontColor_;
    if (fontColor_ == kLime) return GetSysColor(COLOR_HIGHLIGHTTEXT);
    return GetSysColor(color_ == kDefault ? COLOR_BTNTEXT : COLOR_WINDOWTEXT);
}

HBRUSH Control::BackgroundBrush() {
    const COLORREF color = EffectiveColor();
    if (!brush_ || brushColor_ != color) {
        brush_ = BrushHandle(CreateSolidBrush(color));
        brushColor_ = color;
    }
    return brush_.Get();
}

bool Control::Reflected(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT Control::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
    if (systemClass_) return DefSubclassProc(hwnd_.Get(), message, wParam, lParam);
    return DefWindowProcW(hwnd_.Get(), message, wParam, lParam);
}

LRESULT Control::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    bool handled = false;
    const LRESULT mouse = HandleMouse(message, wParam, lParam, handled);
    if (handled) return mouse;

    HWND child = nullptr;
    switch (message) {
    case WM_COMMAND: child = reinterpret_cast<HWND>(lParam); break;
    case WM_NOTIFY: child = reinterpret_cast<NMHDR*>(lParam)->hwndFrom; break;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (item->CtlType != ODT_MENU) child = item->hwndItem;
        break;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX: child = reinterpret_cast<HWND>(lParam); break;
    case WM_SETFOCUS: {
        // Only a move inside the window: the focus that comes back with the
        // window's activation (after a dialog or a box) announces nothing.
        const auto from = reinterpret_cast<HWND>(wParam);
        if (OnEnter && from && IsChild(GetAncestor(hwnd_.Get(), GA_ROOT), from)) OnEnter(*this);
        break;
    }
    case WM_ERASEBKGND:
        if (!systemClass_) {
            RECT rect;
            GetClientRect(hwnd_.Get(), &rect);
            FillRect(reinterpret_cast<HDC>(wParam), &rect, BackgroundBrush());
            return 1;
        }
        break;
    case WM_GETOBJECT:
        if (const LRESULT answer = AnswerGetObject(hwnd_.Get(), wParam, lParam)) return answer;
        break;
    default: break;
    }
    if (child && child != hwnd_.Get()) {
        if (Control* target = FromHandle(child)) {
            LRESULT result = 0;
            if (target->Reflected(message, wParam, lParam, result)) return result;
        }
    }
    return DefaultHandler(message, wParam, lParam);
}

} // namespace tk
