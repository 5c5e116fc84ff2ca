// The application object: its own hidden top-level window that carries the
// program's taskbar button, minimise/restore, the hint tracking, the message
// loop and the standard error box.
#pragma once
#include "toolkit/Handles.h"

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tk {

class Form;

class Application {
public:
    static Application& Instance();

    // Registers classes, initialises the common controls, creates the
    // application window (not shown until Restore after a Minimize).
    void Initialize();
    HWND Handle() const { return window_.Get(); }

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);
    bool ShowMainForm() const { return showMainForm_; }
    void SetShowMainForm(bool show) { showMainForm_ = show; }

    // Forms live as long as the application; the first one is the main form:
    // closing it ends the message loop.
    template <class T, class... Args> T& CreateForm(Args&&... args) {
        auto form = std::make_unique<T>(std::forward<Args>(args)...);
        T& ref = *form;
        AddForm(std::move(form));
        return ref;
    }
    Form* MainForm() const { return mainForm_; }
    void AddForm(std::unique_ptr<Form> form);
    // Destroys the owned forms, newest first (runs their destroy handlers).
    void DestroyForms();

    void Run();
    // Ends the message loop and every modal loop open on it. Code that
    // called a modal form or box checks Terminated() when it returns.
    void Terminate();
    bool Terminated() const { return terminated_; }
    // One message, or the idle work and a wait when the queue is empty.
    // Modal loops call it too. Returns true when a message was handled.
    bool HandleMessage();
    // Handles every queued message and then the idle work, once.
    void ProcessMessages();
    // Translates and dispatches one message, after the keyboard of the form it goes to.
    void Dispatch(const MSG& msg);
    // Idle work: hint tracking.
    void Idle();

    // Minimise the whole application (the main form's minimise box).
    void Minimize();
    // Undo a Minimize: shows the application window again.
    void Restore();
    bool Minimized() const { return minimized_; }
    std::function<void()> OnMinimize;

    // The application's small icon (a copy is kept); its large icon stays
    // the window class's.
    void SetIcon(HICON icon);
    HICON Icon() const { return icon_.Get(); }

    const std::string& Hint() const { return hint_; }
    // Sets the application hint (the part after the first '|'); runs OnHint
    // when it changed.
    void SetHint(const std::string& hint);
    std::function<void()> OnHint;

    // The standard error box; it stays until answered, also while the
    // program is closing.
    void ShowException(const std::exception& e);

    // A high-contrast theme is on, as last read: the colours the layouts
    // force give way to the theme's system colours.
    bool HighContrast() const { return highContrast_; }
    void ReadHighContrast();
    // How the setting is read; a test may put its own in front, since Wine
    // cannot switch to a high-contrast theme.
    BOOL(WINAPI* systemParametersInfo)(UINT, UINT, PVOID, UINT) = SystemParametersInfoW;

    // A shared font; `height` is the character height at 96 dpi (0: 12 pixels).
    HFONT Font(const std::string& face, int height, int dpi);

private:
    Application() = default;
    void TrackHint();
    void QuitReceived(const MSG& quit);

    WindowHandle window_;
    std::string title_;
    bool showMainForm_ = true;
    bool terminated_ = false;
    bool minimized_ = false;
    std::vector<std::unique_ptr<Form>> forms_;
    Form* mainForm_ = nullptr;
    IconHandle icon_;
    std::string hint_;
    bool highContrast_ = false;
    std::map<std::pair<std::string, int>, FontHandle> fonts_;
};

// The long part of a hint: the text after the first '|', or the whole hint.
std::string LongHint(const std::string& hint);

// Shortcut for Application::Instance().
inline Application& App() { return Application::Instance(); }

} // namespace tk
