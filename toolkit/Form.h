// A top-level window built from its layout data. A form binds the handler
// names of its layout to its methods in one place (BindHandlers).
#pragma once
#include "toolkit/Control.h"
#include "toolkit/Exception.h"
#include "toolkit/Menu.h"

#include <bitset>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tk {

struct HandlerTable {
    std::map<std::string, NotifyEvent> notify;  // clicks and changes
    std::map<std::string, MouseEvent> mouseDown;
    std::map<std::string, MouseMoveEvent> mouseMove;
    std::map<std::string, DragOverEvent> dragOver;
    std::map<std::string, DragDropEvent> dragDrop;
    std::map<std::string, KeyEvent> keyUp;
    std::map<std::string, KeyEvent> keyDown;
};

enum ModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

class Form : public Control {
public:
    explicit Form(Component* owner = nullptr);
    ~Form() override;

    // Creates the window and every control of the layout, in table order,
    // and binds their handlers. Raises Exception for a layout that names an
    // unknown class, parent or handler.
    void Build(const FormDef& def);
    const FormDef& Definition() const { return def_; }

    Control* FindControl(const std::string& name) const;
    template <class T> T& Get(const std::string& name) const {
        auto* control = dynamic_cast<T*>(FindControl(name));
        if (!control) throw Exception("コントロールがありません: " + name);
        return *control;
    }
    PopupMenu* FindMenu(const std::string& name) const;

    void Show();
    void Hide();
    bool Showing() const;
    // Closes the form: asks OnCloseQuery; a modal form ends its loop, the
    // main form ends the application, others hide.
    void Close();
    int ShowModal();
    bool Modal() const { return modal_; }
    void SetModalResult(int result) { modalResult_ = result; }
    void SetActiveControl(Control* control) { activeControl_ = control; }
    // The window's outer size for the layout's client size at `dpi`.
    SIZE FrameSize(int dpi) const;
    // Moves the window to `rect`, its size at `dpi`, the DPI of the monitor
    // it goes to: when the system changes the window's DPI on the way, the
    // window keeps this rectangle rather than the system's suggestion.
    void PlaceAt(const RECT& rect, int dpi);

    // The form's keyboard, for a key message on its way to one of its
    // windows: the focused control's OnKeyDown first; then Tab and Shift+Tab
    // follow the tab order, Ctrl+Tab and Ctrl+Shift+Tab switch the pages of
    // the page control, the arrows move inside a radio group, Enter presses
    // a focused button, Escape closes a modal form and minimises one with a
    // minimise box. The release of a key taken here is taken too. True when
    // the form took the message.
    bool DialogKey(const MSG& msg);
    // The windows Tab visits, in order: each visible, enabled tab stop; a
    // radio group's stop is its chosen item (the first while none is).
    std::vector<HWND> TabStops() const;
    // Moves the focus to `window` and keeps it there for the next activation.
    void FocusWindow(HWND window);

    std::function<void(Component& sender, bool& canClose)> OnCloseQuery;
    NotifyEvent OnClose;
    NotifyEvent OnDestroy;

    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    CreateParams GetCreateParams() const override;
    // The form's handlers by name.
    virtual void BindHandlers(HandlerTable& table) { (void)table; }
    // Creates a control of a class that the toolkit does not know.
    virtual std::unique_ptr<Control> CreateCustomControl(const ControlDef& def);
    // Runs OnDestroy once. A derived form calls it from its destructor, while
    // its handlers still exist; the end of the session may run it earlier.
    void RunDestroyHandler();
    bool DestroyHandlerRun() const { return destroyHandlerRun_; }
    // The system's colours, theme or high-contrast setting may have changed:
    // reads the setting again and draws every control anew.
    void ColorsChanged();

private:
    std::unique_ptr<Control> CreateControl(const ControlDef& def);
    // The window has moved to a monitor of another DPI: the system's
    // suggested rectangle (PlaceAt's own during that move), every control
    // scaled again.
    void ChangeFormDpi(int dpi, const RECT& suggested);
    void Bind(Control& control, const ControlDef& def, const HandlerTable& table);
    void DoClose();
    bool HandleKey(HWND target, WORD key, bool systemKey);
    void AddTabStops(HWND window, const std::vector<const Control*>& named, std::vector<HWND>& stops) const;
    void FocusNext(HWND from, bool forward);
    bool SwitchPage(HWND from, bool forward);
    bool MoveInGroup(HWND from, bool forward);
    // The focus is kept while the form is inactive and comes back with it.
    void KeepFocus();
    bool RestoreFocus();

    FormDef def_{};
    std::vector<std::unique_ptr<Control>> controls_;
    std::vector<std::unique_ptr<PopupMenu>> menus_;
    bool modal_ = false;
    int modalResult_ = mrNone;
    Control* activeControl_ = nullptr;
    bool destroyHandlerRun_ = false;
    RECT placing_{};     // where PlaceAt is moving the window,
    int placingDpi_ = 0; // and at which DPI (0: no such move under way)
    HWND keptFocus_ = nullptr;
    std::bitset<256> keysTaken_;  // keys whose press DialogKey took
};

} // namespace tk
