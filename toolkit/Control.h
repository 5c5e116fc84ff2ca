// Windowed controls. Every control owns its window; messages reach the
// object's WndProc through one trampoline (custom classes) or a subclass
// (system classes); what the object does not handle goes to the default.
#pragma once
#include "toolkit/Component.h"
#include "toolkit/Handles.h"
#include "toolkit/Layout.h"

#include <bitset>
#include <functional>
#include <string>
#include <vector>

namespace tk {

class Control;
struct AccessibleTexts;

enum class MouseButton { Left, Right, Middle };

using NotifyEvent = std::function<void(Component& sender)>;
using MouseEvent = std::function<void(Control& sender, MouseButton button, WPARAM keys, int x, int y)>;
using MouseMoveEvent = std::function<void(Control& sender, WPARAM keys, int x, int y)>;
using DragOverEvent = std::function<void(Control& target, Control& source, int x, int y, bool& accept)>;
using DragDropEvent = std::function<void(Control& target, Control& source, int x, int y)>;
using KeyEvent = std::function<void(Control& sender, WORD& key, WPARAM keys)>;

struct CreateParams {
    const char* windowClass = "";
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    bool systemClass = false;  // a system class, subclassed after creation
};

class Control : public Component {
public:
    Control(Component* owner, std::string name, std::string className);
    ~Control() override;

    const std::string& ClassName() const { return className_; }
    HWND Handle() const { return hwnd_.Get(); }
    Control* Parent() const { return parent_; }
    void SetParent(Control* parent) { parent_ = parent; }

    // Creates the window under the parent's window (or `parentWindow` for
    // top-level windows); applies bounds, caption, font and visibility.
    void CreateHandle(HWND parentWindow = nullptr);
    // Properties from a layout row; the window must not exist yet.
    virtual void ApplyDef(const ControlDef& def);

    // Geometry in pixels at the window's DPI; a layout row gives it at 96 dpi.
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetBounds(int left, int top, int width, int height);
    // The bounds of the control's layout row, at 96 dpi.
    struct Bounds {
        int left = 0, top = 0, width = 0, height = 0;
    };
    const Bounds& DesignBounds() const { return designBounds_; }
    // The DPI the control is shown at: its form's.
    int Dpi() const { return parent_ ? parent_->Dpi() : dpi_; }
    // A length given at 96 dpi, at the control's DPI.
    int Scaled(int value) const;
    // Lays the control out again once its form has moved to another DPI.
    void ChangeDpi();

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    const std::string& Hint() const { return hint_; }
    void SetHint(std::string hint) { hint_ = std::move(hint); }
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    COLORREF Color() const { return color_; }
    void SetColor(COLORREF color);
    COLORREF FontColor() const { return fontColor_; }
    void SetFontColor(COLORREF color);
    // The font's character height at 96 dpi (0: the form's).
    int FontHeight() const { return fontHeight_; }
    void SetFontHeight(int height);
    const std::string& FontName() const { return fontName_; }
    void SetFontName(std::string name) { fontName_ = std::move(name); }
    bool DragAutomatic() const { return dragAutomatic_; }
    void SetDragAutomatic(bool on) { dragAutomatic_ = on; }
    void Invalidate();

    // What a screen reader reads as the name when it is not the caption.
    const std::string& AccessibleName() const { return accessibleName_; }
    void SetAccessibleName(std::string name) { accessibleName_ = std::move(name); }
    // A live region: changes of the caption are spoken as they happen, where
    // the control has the focus or not (a status line).
    void SetLiveRegion(bool on);
    // Puts texts that follow the form's model in front of what the toolkit
    // tells a screen reader of the control (Accessible.h).
    std::function<void(const Control& sender, AccessibleTexts& texts)> OnDescribe;

    NotifyEvent OnClick;
    MouseEvent OnMouseDown;
    MouseMoveEvent OnMouseMove;
    DragOverEvent OnDragOver;
    DragDropEvent OnDragDrop;
    // Raised only for a key whose key-down this control received: the release
    // of a key pressed elsewhere (Enter on a menu that opened this window) is
    // not a key of this control.
    KeyEvent OnKeyUp;
    // Raised by the form's keyboard handling before the window sees the key;
    // a handler that takes the key sets it to 0. `keys` holds MK_SHIFT and
    // MK_CONTROL.
    KeyEvent OnKeyDown;
    // The keyboard focus moved to the control from another one of its window.
    NotifyEvent OnEnter;

    // The control that owns a window of this process, or null.
    static Control* FromHandle(HWND hwnd);
    // The deepest visible control at a screen point, disabled ones included;
    // null over another program's window or the desktop.
    static Control* AtScreenPoint(POINT point);
    // The deepest visible, enabled control of this window at a point of its
    // client area; this control itself when no child is there.
    Control* ControlAtClientPoint(POINT point);

    // Gives a window the keyboard focus. A radio item focused this way is
    // not chosen by it: the system's buttons report a click when an unchosen
    // item gets the focus, and FocusMoving() is true meanwhile.
    static void MoveFocus(HWND window);
    static bool FocusMoving();

    // Window messages of the object; unhandled ones go to DefaultHandler.
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    virtual CreateParams GetCreateParams() const = 0;
    // Notifications the parent reflects to the child that sent them
    // (WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_CTLCOLOR*). True when handled.
    virtual bool Reflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Called once the window exists.
    virtual void Created() {}
    // Called after ChangeDpi has scaled the bounds and the font.
    virtual void DpiChanged() {}
    void SetDpi(int dpi) { dpi_ = dpi; }
    // Font used for the window (the form's unless the control has its own height).
    HFONT ControlFont() const;
    // Background brush for the control's colour (button face by default).
    HBRUSH BackgroundBrush();
    COLORREF EffectiveColor() const;
    COLORREF EffectiveFontColor() const;

    HWND ParentWindow() const;

private:
    // Sets the bounds of a control built from a layout row at its DPI.
    void LayOutAtDpi();
    friend LRESULT CALLBACK ControlWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK ControlSubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void Attach(HWND hwnd);
    void Detach();
    LRESULT HandleMouse(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    void BeginDrag();
    void DragMove(LPARAM lParam);
    void EndDrag(LPARAM lParam, bool drop);
    Control* DragTargetAt(LPARAM lParam, int& x, int& y);

    std::string className_;
    Control* parent_ = nullptr;
    WindowHandle hwnd_;
    bool systemClass_ = false;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool fromLayout_ = false;  // the bounds below come from a layout row
    Bounds designBounds_;      // at 96 dpi
    int dpi_ = 96;             // of a top-level window
    std::string caption_;
    std::string hint_;
    bool visible_ = true;
    bool enabled_ = true;
    COLORREF color_ = kDefault;
    COLORREF fontColor_ = kDefault;
    int fontHeight_ = 0;
    std::string fontName_;
    bool dragAutomatic_ = false;
    std::string accessibleName_;
    bool liveRegion_ = false;
    bool dragging_ = false;
    std::bitset<256> keysDown_; // keys pressed while this control had the focus
    BrushHandle brush_;
    COLORREF brushColor_ = kDefault;
};

} // namespace tk
