#include "toolkit/Application.h"

#include "toolkit/Control.h"
#include "toolkit/Dpi.h"
#include "toolkit/Form.h"
#include "toolkit/Text.h"

#include <commctrl.h>
#include <cstdlib>

namespace tk {
namespace {

LRESULT CALLBACK ApplicationWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SYSCOMMAND) {
        switch (wParam & 0xFFF0) {
        case SC_MINIMIZE: Application::Instance().Minimize(); return 0;
        case SC_RESTORE: Application::Instance().Restore(); return 0;
        case SC_CLOSE:
            if (Form* main = Application::Instance().MainForm()) main->Close();
            return 0;
        default: break;
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// True when the text already ends a sentence: with "." or with "。".
bool EndsWithFullStop(const std::string& text) {
    return text.ends_with(".") || text.ends_with("。");
}

} // namespace

std::string LongHint(const std::string& hint) {
    const std::size_t bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

Application& Application::Instance() {
    static Application application;
    return application;
}

void Application::Initialize() {
    if (window_) return;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ApplicationWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = LoadIconW(wc.hInstance, L"MAINICON");
    wc.lpszClassName = L"TApplication";
    RegisterClassExW(&wc);
    // A zero-size window that exists only for its taskbar button. Created
    // hidden: shown, it would be activated at start only to be hidden again.
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    window_ = WindowHandle(CreateWindowExW(0, L"TApplication", Wide(title_).c_str(),
                                           WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                                           x, y, 0, 0, nullptr, nullptr, wc.hInstance, nullptr));
}

void Application::SetTitle(const std::string& title) {
    title_ = title;
    if (window_) SetWindowTextW(window_.Get(), Wide(title).c_str());
}

void Application::AddForm(std::unique_ptr<Form> form) {
    if (!mainForm_) mainForm_ = form.get();
    forms_.push_back(std::move(form));
}

void Application::DestroyForms() {
    while (!forms_.empty()) {
        std::unique_ptr<Form> form = std::move(forms_.back());
        forms_.pop_back();
        if (form.get() == mainForm_) mainForm_ = nullptr;
        form.reset();
    }
}

void Application::Run() {
    if (showMainForm_ && mainForm_) mainForm_->Show();
    while (!terminated_) HandleMessage();
}

bool Application::HandleMessage() {
    MSG msg;
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            QuitReceived(msg);
            return true;
        }
        Dispatch(msg);
        return true;
    }
    Idle();
    if (!terminated_) WaitMessage();
    return false;
}

void Application::Dispatch(const MSG& msg) {
    // The keys of the form that has the focus: its tab order and dialog keys.
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
        auto* form = dynamic_cast<Form*>(Control::FromHandle(GetAncestor(msg.hwnd, GA_ROOT)));
        if (form && form->DialogKey(msg)) return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void Application::Terminate() {
    if (terminated_) return;
    terminated_ = true;
    // Our own loops watch the flag; the quit message ends the loops of the
    // system's boxes and dialogs that are open, each posting it again for the
    // loop below it.
    PostQuitMessage(0);
}

void Application::QuitReceived(const MSG& quit) {
    terminated_ = true;
    // Left for the loops further out, which may be the system's.
    PostQuitMessage(static_cast<int>(quit.wParam));
}

void Application::ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            QuitReceived(msg);
            break;
        }
        Dispatch(msg);
    }
    Idle();
}

void Application::Idle() { TrackHint(); }

void Application::TrackHint() {
    POINT cursor;
    if (!GetCursorPos(&cursor)) return;
    std::string hint;
    for (Control* control = Control::AtScreenPoint(cursor); control; control = control->Parent()) {
        if (!control->Hint().empty()) {
            hint = control->Hint();
            break;
        }
    }
    SetHint(hint);
}

void Application::ReadHighContrast() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    highContrast_ = systemParametersInfo(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
                    (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

void Application::SetHint(const std::string& hint) {
    const std::string text = LongHint(hint);
    if (text == hint_) return;
    hint_ = text;
    if (OnHint) OnHint();
}

void Application::Minimize() {
    if (!minimized_) {
        minimized_ = true;
        ShowWindow(window_.Get(), SW_MINIMIZE);
    }
    if (OnMinimize) OnMinimize();
}

void Application::Restore() {
    if (!minimized_) return;
    minimized_ = false;
    ShowWindow(window_.Get(), SW_RESTORE);
}

void Application::SetIcon(HICON icon) {
    icon_ = IconHandle(icon ? CopyIcon(icon) : nullptr);
    // The small icon only: the taskbar and Alt+Tab show the class's icon,
    // the main icon's large images, rather than a small one blown up.
    if (window_) SendMessageW(window_.Get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.Get()));
}

void Application::ShowException(const std::exception& e) {
    std::string message = e.what();
    if (!message.empty() && !EndsWithFullStop(message)) message += '.';
    HWND owner = mainForm_ && mainForm_->Handle() && IsWindowVisible(mainForm_->Handle()) ? mainForm_->Handle()
                                                                                           : window_.Get();
    // While the program closes a quit message is pending; it would end the
    // box's loop before the user could read it. It waits until the box is answered.
    MSG quit;
    const bool quitting = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    MessageBoxUtf8(owner, message, title_, MB_OK | MB_ICONSTOP);
    if (quitting) PostQuitMessage(static_cast<int>(quit.wParam));
}

HFONT Application::Font(const std::string& face, int height, int dpi) {
    height = Scale(height == 0 ? 12 : std::abs(height), dpi);
    const auto key = std::make_pair(face, height);
    auto found = fonts_.find(key);
    if (found == fonts_.end()) {
        HFONT font = CreateFontW(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, Wide(face).c_str());
        found = fonts_.emplace(key, FontHandle(font)).first;
    }
    return found->second.Get();
}

} // namespace tk
