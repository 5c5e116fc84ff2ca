#include "toolkit/Form.h"

#include "toolkit/Application.h"
#include "toolkit/Controls.h"
#include "toolkit/Dpi.h"

namespace tk {
namespace {

template <class Map> auto Lookup(const Map& map, const char* name, const std::string& control) {
    auto found = map.find(name);
    if (found == map.end()) throw Exception("ハンドラがありません: " + control + "." + name);
    return found->second;
}

} // namespace

Form::Form(Component* owner) : Control(owner, {}, "TForm") { SetVisible(false); }

Form::~Form() {
    // The window goes first: every control is detached from its window
    // before the objects are released.
    if (Handle()) DestroyWindow(Handle());
}

void Form::RunDestroyHandler() {
    if (destroyHandlerRun_) return;
    destroyHandlerRun_ = true;
    if (!OnDestroy) return;
    // Runs from destructors: a failure (a file that cannot be written) is
    // shown, never thrown on.
    try {
        OnDestroy(*this);
    } catch (const std::exception& e) {
        Application::Instance().ShowException(e);
    }
}

CreateParams Form::GetCreateParams() const {
    DWORD style = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (def_.minimizeBox) style |= WS_MINIMIZEBOX;
    DWORD exStyle = WS_EX_CONTROLPARENT;
    if (def_.topmost) exStyle |= WS_EX_TOPMOST;
    return {.windowClass = def_.className, .style = style, .exStyle = exStyle};
}

void Form::Build(const FormDef& def) {
    Application::Instance().ReadHighContrast();
    def_ = def;
    SetName(def.name);
    SetCaption(def.caption);
    SetHint(def.hint);
    SetFontName(def.fontName);
    SetFontHeight(def.fontHeight);

    // The layout is given at 96 dpi: the window is built at the DPI of the
    // monitor it comes up on.
    SetDpi(SystemDpi());
    const SIZE frame = FrameSize(Dpi());
    const bool placed = def.left != CW_USEDEFAULT;
    SetBounds(placed ? Scaled(def.left) : CW_USEDEFAULT, placed ? Scaled(def.top) : 0, frame.cx, frame.cy);
    CreateHandle(Application::Instance().Handle());
    if (const int dpi = WindowDpi(Handle()); dpi != Dpi()) {
        SetDpi(dpi);
        const SIZE scaled = FrameSize(dpi);
        SetWindowPos(Handle(), nullptr, 0, 0, scaled.cx, scaled.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    HandlerTable table;
    BindHandlers(table);
    for (const ControlDef& controlDef : def.controls) {
        std::unique_ptr<Control> control = CreateControl(controlDef);
        control->ApplyDef(controlDef);
        Control* parent = std::string(controlDef.parent) == def.name ? this : FindControl(controlDef.parent);
        if (!parent) throw Exception("親コントロールがありません: " + std::string(controlDef.parent));
        control->SetParent(parent);
        control->CreateHandle();
        Bind(*control, controlDef, table);
        controls_.push_back(std::move(control));
    }
    for (auto& control : controls_) {
        if (auto* pages = dynamic_cast<PageControl*>(control.get()); pages && pages->PageCount() > 0)
            pages->SetActivePage(pages->Page(0));
    }
    for (const MenuDef& menuDef : def.menus) {
        auto menu = std::make_unique<PopupMenu>(this, menuDef);
        for (const MenuItemDef& itemDef : menuDef.items) {
            if (*itemDef.onClick)
                menu->FindItem(itemDef.name)->onClick = Lookup(table.notify, itemDef.onClick, itemDef.name);
        }
        menus_.push_back(std::move(menu));
    }
}

SIZE Form::FrameSize(int dpi) const {
    const CreateParams params = GetCreateParams();
    RECT frame{0, 0, Scale(def_.clientWidth, dpi), Scale(def_.clientHeight, dpi)};
    AdjustWindowRectForDpi(frame, params.style, params.exStyle, dpi);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

void Form::PlaceAt(const RECT& rect, int dpi) {
    // The system sends the change of DPI from inside the move.
    placing_ = rect;
    placingDpi_ = dpi;
    SetBounds(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    placingDpi_ = 0;
}

void Form::ChangeFormDpi(int dpi, const RECT& suggested) {
    const RECT target = placingDpi_ == dpi ? placing_ : suggested;
    SetDpi(dpi);
    // Every control of the window, those built at run time included, is laid
    // out again before anything is drawn at the new size.
    std::vector<Control*> children;
    EnumChildWindows(
        Handle(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* list = reinterpret_cast<std::vector<Control*>*>(param);
            if (Control* control = FromHandle(hwnd)) list->push_back(control);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    SendMessageW(Handle(), WM_SETREDRAW, FALSE, 0);
    for (Control* child : children) child->ChangeDpi();
    SetBounds(target.left, target.top, target.right - target.left, target.bottom - target.top);
    // The form's own work (new glyphs) sees it visible again; nothing is
    // painted before the redraw below.
    SendMessageW(Handle(), WM_SETREDRAW, TRUE, 0);
    ChangeDpi();
    RedrawWindow(Handle(), nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

std::unique_ptr<Control> Form::CreateControl(const ControlDef& def) {
    const std::string cls = def.className;
    if (cls == "TPanel") return std::make_unique<Panel>(this);
    if (cls == "TLabel") return std::make_unique<Label>(this);
    if (cls == "TButton") return std::make_unique<Button>(this);
    if (cls == "TBitBtn") return std::make_unique<BitBtn>(this);
    if (cls == "TPageControl") return std::make_unique<PageControl>(this);
    if (cls == "TTabSheet") return std::make_unique<TabSheet>(this);
    if (cls == "TRadioGroup") return std::make_unique<RadioGroup>(this);
    if (cls == "TMaskEdit") return std::make_unique<MaskEdit>(this);
    if (auto custom = CreateCustomControl(def)) return custom;
    throw Exception("不明なコントロールのクラスです: " + cls);
}

std::unique_ptr<Control> Form::CreateCustomControl(const ControlDef&) { return nullptr; }

void Form::Bind(Control& control, const ControlDef& def, const HandlerTable& table) {
    const std::string& name = control.Name();
    if (*def.onClick) control.OnClick = Lookup(table.notify, def.onClick, name);
    if (*def.onMouseDown) control.OnMouseDown = Lookup(table.mouseDown, def.onMouseDown, name);
    if (*def.onMouseMove) control.OnMouseMove = Lookup(table.mouseMove, def.onMouseMove, name);
    if (*def.onDragOver) control.OnDragOver = Lookup(table.dragOver, def.onDragOver, name);
    if (*def.onDragDrop) control.OnDragDrop = Lookup(table.dragDrop, def.onDragDrop, name);
    if (*def.onKeyUp) control.OnKeyUp = Lookup(table.keyUp, def.onKeyUp, name);
    if (*def.onKeyDown) control.OnKeyDown = Lookup(table.keyDown, def.onKeyDown, name);
    if (*def.onEnter) control.OnEnter = Lookup(table.notify, def.onEnter, name);
    if (*def.onChange) {
        auto* pages = dynamic_cast<PageControl*>(&control);
        if (!pages) throw Exception("OnChange はページコントロールだけのものです: " + name);
        pages->OnChange = Lookup(table.notify, def.onChange, name);
    }
}

Control* Form::FindControl(const std::string& name) const {
    for (const auto& control : controls_) {
        if (control->Name() == name) return control.get();
    }
    return nullptr;
}

PopupMenu* Form::FindMenu(const std::string& name) const {
    for (const auto& menu : menus_) {
        if (menu->Name() == name) return menu.get();
    }
    return nullptr;
}

void Form::Show() {
    Control::SetVisible(true);
    ShowWindow(Handle(), SW_SHOW);
}

void Form::Hide() {
    Control::SetVisible(false);
    ShowWindow(Handle(), SW_HIDE);
}

bool Form::Showing() const { return Handle() && IsWindowVisible(Handle()); }

void Form::Close() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(*this, canClose);
    // The question may have been open when the program began to end some
    // other way (the end of the session): that close is already under way.
    if (!canClose || (Application::Instance().Terminated() && !modal_)) return;
    if (modal_) {
        if (modalResult_ == mrNone) modalResult_ = mrCancel;
        return;
    }
    DoClose();
    if (this == Application::Instance().MainForm()) {
        Application::Instance().Terminate();
    } else {
        Hide();
    }
}

void Form::ColorsChanged() {
    Application::Instance().ReadHighContrast();
    if (Handle()) RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void Form::DoClose() {
    if (OnClose) OnClose(*this);
}

int Form::ShowModal() {
    // Every other window of this thread is disabled while the form is up;
    // posted messages (hot keys) still reach them.
    std::vector<HWND> disabled;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* list = reinterpret_cast<std::vector<HWND>*>(param);
            if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) list->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&disabled));
    for (HWND hwnd : disabled) EnableWindow(hwnd, FALSE);

    // The window that was active gets the activation back, and with it its focus.
    HWND previous = GetActiveWindow();
    modal_ = true;
    modalResult_ = mrNone;
    Show();
    SetForegroundWindow(Handle());
    if (activeControl_) SetFocus(activeControl_->Handle());
    Application& app = Application::Instance();
    while (modalResult_ == mrNone) {
        if (app.Terminated()) {
            modalResult_ = mrCancel;
            break;
        }
        app.HandleMessage();
    }
    DoClose();
    for (HWND hwnd : disabled) {
        if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
    }
    if (previous && previous != Handle() && IsWindowVisible(previous)) SetActiveWindow(previous);
    Hide();
    modal_ = false;
    return modalResult_;
}

LRESULT Form::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE: Close(); return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            KeepFocus();
        } else if (!HIWORD(wParam) && RestoreFocus()) {
            return 0;
        }
        break;
    case WM_SETFOCUS:
        // The window itself takes no keys: the focus goes on to its control.
        if (RestoreFocus()) return 0;
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MINIMIZE && this == Application::Instance().MainForm()) {
            Application::Instance().Minimize();
            return 0;
        }
        break;
    case WM_COMMAND:
        if (lParam == 0 && HIWORD(wParam) == 0) {
            for (auto& menu : menus_) {
                if (menu->DispatchCommand(LOWORD(wParam))) return 0;
            }
        }
        break;
    case WM_MENUSELECT:
        // A highlighted item's hint becomes the application hint.
        if (HIWORD(wParam) != 0xFFFF || lParam != 0) {
            std::string hint;
            for (auto& menu : menus_) {
                if (auto* item = menu->FindItem(static_cast<UINT>(LOWORD(wParam)))) hint = item->hint;
            }
            Application::Instance().SetHint(hint);
        }
        return 0;
    case kGetDpiScaledSize: {
        // The size the system proposes for the new DPI is the layout's own.
        *reinterpret_cast<SIZE*>(lParam) = FrameSize(static_cast<int>(wParam));
        return TRUE;
    }
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED: ColorsChanged(); break;
    case WM_DPICHANGED: ChangeFormDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_ENDSESSION:
        // The session ends: state is saved now, the process may not get
        // back to its message loop.
        if (wParam && this == Application::Instance().MainForm()) RunDestroyHandler();
        return 0;
    default: break;
    }
    return Control::WndProc(message, wParam, lParam);
}

} // namespace tk
