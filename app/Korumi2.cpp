#include "app/Korumi2.h"

#include "app/features/IconTextTransparency.h"
#include "app/persist/RunKey.h"
#include "resources/Form1Layout.h"
#include "toolkit/Application.h"
#include "toolkit/Text.h"

#include <chrono>
#include <functional>
#include <initializer_list>

namespace k2 {
namespace {

// Runs every step even when one before it failed (a settings file that cannot
// be written must not cost the slots); the failures, one a line.
std::string EveryStep(std::initializer_list<std::function<void()>> steps) {
    std::string failures;
    for (const auto& run : steps) {
        try {
            run();
        } catch (const std::exception& e) {
            failures += (failures.empty() ? "" : "\n") + std::string(e.what());
        }
    }
    return failures;
}

// Windows ends a program with no visible window 5 s after it sent the query;
// the saves of a session end are through (or have failed) within this, so the
// answer, or the failure's box and reason, come in time whatever holds the files.
constexpr std::chrono::milliseconds kSessionEndSaveTime{2500};

SaveDeadline SessionEndDeadline() { return std::chrono::steady_clock::now() + kSessionEndSaveTime; }

} // namespace

TForm1::TForm1(tk::Component* owner, const std::string& appDirectory)
    : tk::Form(owner), OpenDialog1(this, "OpenDialog1") {
    // 1. The form from its layout; the records the window owns.
    Build(layout::kForm1);
    FindControls();
    OnCloseQuery = [this](tk::Component& sender, bool& canClose) { FormCloseQuery(sender, canClose); };
    OnDestroy = [this](tk::Component& sender) { FormDestroy(sender); };
    SCMake1 = std::make_unique<TSCMake>(this);
    SCMake1->SetName("SCMake1");
    OpenDialog1.Filter = "全てのファイル|*.*";
    hotKeys = std::make_unique<HotKeyState>();
    trayIcon = std::make_unique<TrayIconRecord>();

    // 2-3. The program's folder and its data folder.
    appDir = appDirectory.empty() ? tk::ModuleFolder() : appDirectory;
    openFolderRequested = false;
    if (!tk::DirectoryExists(appDir + "data")) CreateDirectoryW(tk::Wide(appDir + "data").c_str(), nullptr);

    // 4-6. Settings; 5. the desktop captions' colour before anything changes it.
    LoadSettings(appDir + "data\\data99.ini", appDir, *this, hotKeys->cursorKeysEnabled,
                 [this] { iconTextBkColorSaved = DesktopIconTextBkColor(savedIconTextBkColor); });

    // 7-8. Slots and passwords; the one-time clean-up of older versions.
    LoadDataFile(appDir + "data\\data0.kor", dataVersion, *this);
    UpgradeDataVersion(tk::App().Handle(), dataVersion);

    // 9. The password tool is there while passwords are on.
    if (passwordsDisabled == 0) BitBtn6->SetVisible(true);

    // 10. Missing capture or icon-cache folders fall back to the program's own.
    // A portable K2's own folders follow it to its drive's new letter. Settings
    // written before the drive was remembered tell it by the default folders.
    if (programVolume.empty()) programVolume = FormerVolume(iconCacheFolder, appDir, "Icon");
    if (programVolume.empty()) programVolume = FormerVolume(captureFolder, appDir, "cg");
    captureFolder = FollowedPath(captureFolder, ProgramVolumeMove(), fileAttributes);
    iconCacheFolder = FollowedPath(iconCacheFolder, ProgramVolumeMove(), fileAttributes);
    if (!tk::FileExists(captureFolder)) {
        captureFolder = appDir + "cg";
        CreateDirectoryW(tk::Wide(captureFolder).c_str(), nullptr);
    }
    if (!tk::FileExists(iconCacheFolder)) {
        iconCacheFolder = appDir + "Icon";
        CreateDirectoryW(tk::Wide(iconCacheFolder).c_str(), nullptr);
    }
    // And so do the slots' items that were on it.
    FollowProgramVolume();

    // 11-13. The hot keys; while the cursor keys are withdrawn from a hidden
    // window, the rule takes Ctrl+Left/Right and the volume keys back at once.
    RegisterKeySet(*this, *hotKeys, hotKeySet);
    hotKeys->awaitingSecondKey = false;
    hotKeys->windowShown = false;
    if (volumeKeysEnabled) RegisterVolumeKeys(*this, *hotKeys);
    if (!hotKeys->cursorKeysEnabled) {
        Label4->SetFontColor(tk::kLime);
        ApplyCursorKeyRule(*this, *hotKeys);
    } else {
        Label4->SetFontColor(tk::kGreen);
    }

    // 14-16. The notification-area icon.
    trayCallbackMessage = RegisterWindowMessageA("kor2icon");
    taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    AddTrayIcon(*trayIcon, Handle(), trayCallbackMessage);
    if (!twoKeyMode) {
        ChangeTrayIcon(*trayIcon, Handle(), currentPage + 1);
    } else {
        Label5->SetFontColor(tk::kLime);
        ChangeTrayIcon(*trayIcon, Handle(), 12);
    }
    // The window starts hidden: keys another program holds are named once
    // from the tray, or once the shell is up (started with Windows).
    if (hotKeys->missing != 0)
        trayIcon->balloonOwed = !ShowTrayBalloon(*trayIcon, Handle(), MissingHotKeysText(*hotKeys));

    // 17-20. The loaded settings into the first settings tab.
    applyingSettings = true;
    UpdatePageLabel();
    RadioGroup1->SetItemIndex(autoStart ? 1 : 0);
    RadioGroup2->SetItemIndex(transparentIconText ? 1 : 0);
    RadioGroup3->SetItemIndex(captureEnabled ? 1 : 0);
    RadioGroup4->SetItemIndex(hotKeySet != 0 ? 1 : 0);
    applyingSettings = false;
    windowsExiting = false;
    passwordPromptRequested = false;

    // 21. "Version" + the version with points after its first two digits.
    const std::string digits = std::to_string(dataVersion);
    std::string version;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i == 1 || i == 2) version += '.';
        version += digits[i];
    }
    Label6->SetCaption("Version" + version);

    // 22. The Startup-folder shortcut follows the setting.
    RadioGroup1Click(*RadioGroup1);

    // 23. The clipboard viewer chain, for the screen capture.
    nextClipboardViewer = SetClipboardViewer(Handle());

    // 24-25. Shell drops; the minimise handler.
    DragAcceptFiles(Handle(), TRUE);
    tk::App().OnMinimize = [this] { AppMinimize(); };

    // 26. Transparent desktop captions.
    if (transparentIconText) ApplyIconTextTransparency();

    // 27. The explanation panel follows the application hint.
    tk::App().OnHint = [this] { DisplayHint(); };
    SetUpAccessibility();
    started = true;
}

TForm1::~TForm1() {
    RunDestroyHandler();
    Label2->SetLiveRegion(false);  // while COM is still there
    // The runtime tab goes with the window rather than in the shutdown
    // sequence: a session may end while one of its groups waits for the
    // master password, and the group must outlive its own click.
    if (settingsTab2) {
        TeardownRuntimeSettingsTab(*this, *settingsTab2);
        settingsTab2.reset();
    }
    tk::App().OnMinimize = nullptr;
    // The panel that reflected the hint is gone with the window.
    tk::App().OnHint = nullptr;
    tk::App().SetHint("");
}

void TForm1::FindControls() {
    PopupMenu1 = FindMenu("PopupMenu1");
    Panel1 = &Get<tk::Panel>("Panel1");
    Panel2 = &Get<tk::Panel>("Panel2");
    Panel3 = &Get<tk::Panel>("Panel3");
    Panel4 = &Get<tk::Panel>("Panel4");
    Label1 = &Get<tk::Label>("Label1");
    Label2 = &Get<tk::Label>("Label2");
    Label3 = &Get<tk::Label>("Label3");
    Label4 = &Get<tk::Label>("Label4");
    Label5 = &Get<tk::Label>("Label5");
    Label6 = &Get<tk::Label>("Label6");
    PageControl1 = &Get<tk::PageControl>("PageControl1");
    TabSheet1 = &Get<tk::TabSheet>("TabSheet1");
    TabSheet2 = &Get<tk::TabSheet>("TabSheet2");
    BitBtn1 = &Get<tk::BitBtn>("BitBtn1");
    BitBtn2 = &Get<tk::BitBtn>("BitBtn2");
    BitBtn3 = &Get<tk::BitBtn>("BitBtn3");
    BitBtn4 = &Get<tk::BitBtn>("BitBtn4");
    BitBtn5 = &Get<tk::BitBtn>("BitBtn5");
    BitBtn6 = &Get<tk::BitBtn>("BitBtn6");
    RadioGroup1 = &Get<tk::RadioGroup>("RadioGroup1");
    RadioGroup2 = &Get<tk::RadioGroup>("RadioGroup2");
    RadioGroup3 = &Get<tk::RadioGroup>("RadioGroup3");
    RadioGroup4 = &Get<tk::RadioGroup>("RadioGroup4");
    for (int k = 0; k < 9; ++k)
        slotButtons[static_cast<std::size_t>(k)] = &Get<TGetIconButton>("GetIconButton" + std::to_string(k + 1));
}

std::unique_ptr<tk::Control> TForm1::CreateCustomControl(const tk::ControlDef& def) {
    if (std::string(def.className) == "TGetIconButton") return std::make_unique<TGetIconButton>(this);
    return nullptr;
}

void TForm1::BindHandlers(tk::HandlerTable& table) {
    auto notify = [this](void (TForm1::*method)(tk::Component&)) {
        return [this, method](tk::Component& sender) { (this->*method)(sender); };
    };
    table.notify["PageControl1Change"] = notify(&TForm1::PageControl1Change);
    table.notify["BitBtn2Click"] = notify(&TForm1::BitBtn2Click);
    table.notify["GetIconButton1Click"] = notify(&TForm1::GetIconButton1Click);
    table.notify["N1Click"] = notify(&TForm1::N1Click);
    table.notify["N2Click"] = notify(&TForm1::N2Click);
    table.notify["N5Click"] = notify(&TForm1::N5Click);
    table.notify["N6Click"] = notify(&TForm1::N6Click);
    table.notify["Delete1Click"] = notify(&TForm1::Delete1Click);
    table.notify["N8Click"] = notify(&TForm1::N8Click);
    table.notify["GetIconButton1Enter"] = notify(&TForm1::GetIconButton1Enter);
    table.keyDown["GetIconButton1KeyDown"] = [this](tk::Control& sender, WORD& key, WPARAM keys) {
        GetIconButton1KeyDown(sender, key, keys);
    };
    table.notify["RadioGroup4Click"] = notify(&TForm1::RadioGroup4Click);
    table.notify["RadioGroup1Click"] = notify(&TForm1::RadioGroup1Click);
    table.notify["RadioGroup2Click"] = notify(&TForm1::RadioGroup2Click);
    table.notify["RadioGroup3Click"] = notify(&TForm1::RadioGroup3Click);
    table.mouseDown["GetIconButton1MouseDown"] = [this](tk::Control& sender, tk::MouseButton button, WPARAM keys,
                                                        int x, int y) {
        GetIconButton1MouseDown(sender, button, keys, x, y);
    };
    table.dragOver["GetIconButton1DragOver"] = [this](tk::Control& target, tk::Control& source, int x, int y,
                                                      bool& accept) {
        GetIconButton1DragOver(target, source, x, y, accept);
    };
    table.dragDrop["GetIconButton1DragDrop"] = [this](tk::Control& target, tk::Control& source, int x, int y) {
        GetIconButton1DragDrop(target, source, x, y);
    };
    table.mouseMove["GetIconButton1MouseMove"] = [this](tk::Control& sender, WPARAM keys, int x, int y) {
        GetIconButton1MouseMove(sender, keys, x, y);
    };
    table.mouseMove["Panel1MouseMove"] = [this](tk::Control& sender, WPARAM keys, int x, int y) {
        Panel1MouseMove(sender, keys, x, y);
    };
}

// ---- Message routing ------------------------------------------------------

bool TForm1::Ending() const { return DestroyHandlerRun() || tk::App().Terminated(); }

LRESULT TForm1::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_QUERYENDSESSION) return WMQueryEndSession();
    if (message == WM_ENDSESSION) return WMEndSession(wParam != 0);
    // The helper threads' answers: their records are freed even while ending.
    switch (message) {
    case kLaunchAnswerMessage: WMLaunchAnswer(lParam); return 0;
    case kIconAnswerMessage: WMIconAnswer(lParam); return 0;
    case kFollowAnswerMessage: WMFollowAnswer(lParam); return 0;
    default: break;
    }
    // Once the program is ending nothing new is started: hot keys, tray
    // clicks, menu commands and drops still queued are dropped, and after the
    // shutdown sequence the records it freed are gone.
    if (Ending()) {
        if (message == WM_DROPFILES) DragFinish(reinterpret_cast<HDROP>(wParam));
        if (message == WM_DROPFILES || (message == WM_COMMAND && lParam == 0)) return 0;
        if (!DestroyHandlerRun() && message == WM_DRAWCLIPBOARD) return WMDrawClipboard(wParam, lParam);
        if (!DestroyHandlerRun() && message == WM_CHANGECBCHAIN) return WMChangeCBChain(wParam, lParam);
        return tk::Form::WndProc(message, wParam, lParam);
    }
    // The tray callback comes first and never reaches the default handling.
    if (trayCallbackMessage != 0 && message == trayCallbackMessage) {
        if (TrayEventShowsWindow(*trayIcon, LOWORD(lParam))) ShowMainWindow();
        return 0;
    }
    if (taskbarCreatedMessage != 0 && message == taskbarCreatedMessage) {
        WMTaskbarCreated();
        return 0;
    }
    switch (message) {
    case WM_MOVE: KeepOnScreen(); return 0;
    case WM_DROPFILES: WMDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_HOTKEY: WMHotKey(*this, *hotKeys, wParam); return 0;
    // The form redraws in the colours of a high-contrast theme that came or went.
    case WM_SETTINGCHANGE: SystemSettingsChanged(); return tk::Form::WndProc(message, wParam, lParam);
    case WM_DISPLAYCHANGE: FollowTrayIconScale(*trayIcon, Handle()); return 0;
    case WM_TIMER: OnTimer(wParam); return 0;
    case WM_DRAWCLIPBOARD: return WMDrawClipboard(wParam, lParam);
    case WM_CHANGECBCHAIN: return WMChangeCBChain(wParam, lParam);
    case kReapplyTransparencyMessage: ApplyIconTextTransparency(); return 0;
    default: return tk::Form::WndProc(message, wParam, lParam);
    }
}

void TForm1::SystemSettingsChanged() {
    // One broadcast may bring desktop and scale changes together.
    WMSettingChange();
    FollowTrayIconScale(*trayIcon, Handle());
}

void TForm1::KeepOnScreen() {
    RECT rect;
    GetWindowRect(Handle(), &rect);
    MoveKeptOnScreen(rect.left, rect.top);
}

void TForm1::MoveKeptOnScreen(int left, int top) {
    RECT rect;
    GetWindowRect(Handle(), &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    // The monitor the window lands on (a second one too), without its taskbar.
    const RECT area = tk::WorkAreaNear(RECT{left, top, left + width, top + height}, *monitors);
    left = tk::KeptInside(left, width, area.left, area.right);
    top = tk::KeptInside(top, height, area.top, area.bottom);
    if (left != rect.left || top != rect.top)
        SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT TForm1::WMQueryEndSession() {
    // A session that ends while the start sequence still runs (its calls to
    // the shell let sent messages in) finds nothing to save: saving then
    // would write half-loaded state over the files.
    if (!started || DestroyHandlerRun()) return 1;
    // Nothing ends here: another program or the user may still cancel the
    // end, and K2 then goes on as it was. The files are saved now, while the
    // process surely runs; a failure is named on the system's shutdown screen
    // while its box waits for an answer.
    const SaveDeadline deadline = SessionEndDeadline();
    const std::string failures =
        EveryStep({[&] { SaveSettingsFile(deadline); }, [&] { SaveSlotsFile(deadline); }});
    if (!failures.empty()) {
        blockShutdown(Handle(), tk::Wide(failures).c_str());
        tk::App().ShowException(tk::Exception(failures));
        unblockShutdown(Handle());
    }
    savedInTheQuery = true;
    return 1;
}

LRESULT TForm1::WMEndSession(bool ending) {
    // Cancelled: what changes from now on is saved by the next close or end.
    if (!ending) savedInTheQuery = false;
    if (!ending || DestroyHandlerRun()) return 0;
    sessionEnded = true;
    windowsExiting = true;
    // Come while the start sequence still runs: the program ends once it is
    // done, through the shutdown sequence with the state whole.
    if (!started) {
        tk::App().Terminate();
        return 0;
    }
    // The process may be ended as soon as this returns: what the system lends
    // us goes back now, without any window, and the loops and dialogs unwind
    // to the end of the process.
    Close();
    RunDestroyHandler();
    return 0;
}

void TForm1::SaveSettingsFile(const SaveDeadline& deadline) {
    SaveSettings(appDir + "data\\data99.ini", *this, hotKeys->cursorKeysEnabled, deadline);
}

void TForm1::SaveSlotsFile(const SaveDeadline& deadline) { SaveDataFile(appDir + "data\\data0.kor", *this, deadline); }

void TForm1::WMTaskbarCreated() {
    // The shell has (re)started its notification area: our icon is not there.
    AddTrayIcon(*trayIcon, Handle(), trayCallbackMessage);
    ChangeTrayIcon(*trayIcon, Handle(), twoKeyMode ? 12 : currentPage + 1);
    if (trayIcon->balloonOwed && !Showing() && hotKeys->missing != 0)
        trayIcon->balloonOwed = !ShowTrayBalloon(*trayIcon, Handle(), MissingHotKeysText(*hotKeys));
}

// ---- Showing, hiding, closing ---------------------------------------------

void TForm1::ShowMainWindow() {
    const bool wasHidden = !Showing();
    if (wasHidden) RefreshSlotButtons();
    tk::App().Restore();
    SetActiveWindow(Handle());
    SetForegroundWindow(Handle());
    Show();
    // A window that comes up has the focus on the slot that had it last.
    if (wasHidden) FocusWindow(SlotButton(focusedSlot).Handle());
    // Shown: the keys the cursor-key rule holds only for a shown window come back.
    if (!hotKeys->cursorKeysEnabled) {
        hotKeys->windowShown = true;
        ApplyCursorKeyRule(*this, *hotKeys);
    }
    // Keys another program held may be free by now; those still held are named.
    RetryMissingHotKeys(*this, *hotKeys);
    ReportMissingHotKeys();
}

void TForm1::ReportMissingHotKeys() {
    if (!Showing() || hotKeys->missing == 0) return;
    // The hint under the cursor first, or it would replace the text at once:
    // the text stays until the next hint change.
    tk::App().Idle();
    Label2->SetCaption(MissingHotKeysText(*hotKeys));
}

void TForm1::AppMinimize() {
    // The record is gone once the shutdown sequence has run (end of session).
    if (hotKeys) {
        hotKeys->windowShown = false;
        if (!hotKeys->cursorKeysEnabled) ApplyCursorKeyRule(*this, *hotKeys);
    }
    ShowWindow(tk::App().Handle(), SW_HIDE);
    Hide();
}

void TForm1::FormCloseQuery(tk::Component&, bool& canClose) {
    if (windowsExiting) return;
    canClose = tk::MessageBoxUtf8(Handle(), "コルミ２を終了しても宜しいですか？", "確認", MB_OKCANCEL) != IDCANCEL;
}

void TForm1::FormDestroy(tk::Component&) {
    // At the end of the session the query saved the files and showed what
    // failed; nothing may be shown now. A forced end may come without a
    // query: the files are saved then, with nothing shown.
    const bool saved = sessionEnded && savedInTheQuery;
    // A forced end has the time of a session end; a close by the user waits longer for a held file.
    const SaveDeadline deadline = sessionEnded ? SessionEndDeadline() : SaveDeadline{};
    const std::string failures = EveryStep({[&] {
                                                if (!saved) SaveSettingsFile(deadline);
                                            },
                                            [this] {
                                                if (trayIcon) DeleteTrayIcon(*trayIcon, Handle());
                                                trayIcon.reset();
                                            },
                                            [this] {
                                                ReleaseKeySet(*this, *hotKeys);
                                                hotKeys.reset();
                                            },
                                            // The viewers after us stay in the chain.
                                            [this] { ChangeClipboardChain(Handle(), nextClipboardViewer); },
                                            [&] {
                                                if (!saved) SaveSlotsFile(deadline);
                                            }});
    if (!failures.empty() && !sessionEnded) throw tk::Exception(failures);
}

void TForm1::ToggleTwoKeyMode() {
    if (twoKeyMode) {
        twoKeyMode = false;
        Label5->SetFontColor(tk::kGreen);
        ChangeTrayIcon(*trayIcon, Handle(), currentPage + 1);
    } else {
        twoKeyMode = true;
        Label5->SetFontColor(tk::kLime);
        ChangeTrayIcon(*trayIcon, Handle(), 12);
    }
}

void TForm1::PageControl1Change(tk::Component&) {
    if (!settingsTab2) {
        settingsTab2 = std::make_unique<RuntimeSettingsTab>();
        BuildRuntimeSettingsTab(*this, *settingsTab2);
    } else if (PageControl1->ActivePage() == TabSheet1) {
        TeardownRuntimeSettingsTab(*this, *settingsTab2);
        settingsTab2.reset();
    }
}

} // namespace k2
