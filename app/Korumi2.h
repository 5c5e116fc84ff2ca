// The main window: owner of all shared state (slots, settings, hot keys,
// tray icon, volume, the runtime settings tab), its start and shutdown
// sequences, and the one place where its window messages are routed.
#pragma once
#include "app/features/Tcreattabsheet.h"
#include "app/features/Tregisterhotkey.h"
#include "app/features/Ttrayicon.h"
#include "app/features/Tvolume.h"
#include "app/persist/DataFile.h"
#include "app/persist/Settings.h"
#include "app/SlotQuestions.h"
#include "components/Geticonbutton.h"
#include "components/Scmake.h"
#include "toolkit/Controls.h"
#include "toolkit/Exception.h"
#include "toolkit/Form.h"
#include "toolkit/Monitor.h"
#include "toolkit/OpenDialog.h"

#include <shellapi.h>

#include <array>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace k2 {

// Private message that re-applies the icon caption transparency.
inline constexpr UINT kReapplyTransparencyMessage = WM_USER + 37;
inline constexpr UINT_PTR kTransparencyTimerId = 1;
// Answers of the helper threads that ask a slot's volume (SlotQuestions.h).
inline constexpr UINT kLaunchAnswerMessage = WM_APP + 21;
inline constexpr UINT kIconAnswerMessage = WM_APP + 22;
inline constexpr UINT kFollowAnswerMessage = WM_APP + 23;
// How long the window's thread waits for a quick volume's answer (a launch,
// a page's icons) before it goes on answering messages; a slow one is
// answered through the message loop.
inline constexpr DWORD kQuickAnswerMs = 80;
// A launch waits this long for its volume; its timer's id is this base plus
// the launch's serial number.
inline constexpr UINT kLaunchWaitMs = 3000;
inline constexpr UINT_PTR kLaunchTimerBase = 0x4B320000;

class TForm1 : public tk::Form, public SettingsFields, public SlotModel {
public:
    // `appDirectory` (with a trailing backslash) is the folder whose data
    // folder holds the files; the executable's folder in the program.
    explicit TForm1(tk::Component* owner = nullptr, const std::string& appDirectory = {});
    ~TForm1() override;

    // ---- State ----
    std::string appDir;
    bool applyingSettings = false;
    bool windowsExiting = false;
    bool sessionEnded = false;    // WM_ENDSESSION(TRUE) came: nothing may be shown any more
    bool savedInTheQuery = false; // the last WM_QUERYENDSESSION saved the files (or showed why not)
    UINT trayCallbackMessage = 0;
    UINT taskbarCreatedMessage = 0;  // the shell's notice that its notification area is new
    std::unique_ptr<TrayIconRecord> trayIcon;
    std::unique_ptr<HotKeyState> hotKeys;
    std::unique_ptr<RuntimeSettingsTab> settingsTab2;
    std::unique_ptr<MasterVolume> volume;
    bool passwordPromptRequested = false;
    bool passwordSetMode = false;
    std::string passwordEntry;
    bool openFolderRequested = false;
    HWND nextClipboardViewer = nullptr;
    COLORREF savedIconTextBkColor = 0;
    bool iconTextBkColorSaved = false;  // the colour above was read from a desktop
    TGetIconButton* menuTargetButton = nullptr;
    bool started = false;  // the start sequence has finished
    const tk::MonitorApi* monitors = &tk::SystemMonitors();  // work areas and DPIs of keep-on-screen and Ctrl+0
    // How a launch hands its item to the shell; a test may watch it, since
    // the shell opens some items (Store apps, Control Panel) only on Windows.
    HINSTANCE(WINAPI* shellExecute)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT) = ShellExecuteW;
    // How a save that failed while the session ends is named on the system's
    // shutdown screen; a test may watch it, since Wine has no such screen.
    BOOL(WINAPI* blockShutdown)(HWND, LPCWSTR) = ShutdownBlockReasonCreate;
    BOOL(WINAPI* unblockShutdown)(HWND) = ShutdownBlockReasonDestroy;
    // How the helper threads ask whether a slot's item is there; a test may
    // make it as slow as a sleeping server.
    FileAttributesCall fileAttributes = GetFileAttributesW;
    // The folder of the item last launched: where the folder chooser starts.
    // The process's own current directory never moves to it (a stick could
    // not be ejected while it is).
    std::string currentFolder;
    // Launches or icons still wait for their volume's answer.
    bool AnswersAwaited() const;
    // The program is ending (closed, or the session ends): the message loop
    // and the open dialogs unwind, and the code after a dialog returns at once.
    bool Ending() const;

    // ---- Components and controls of the layout ----
    std::unique_ptr<TSCMake> SCMake1;
    tk::OpenDialog OpenDialog1;
    tk::PopupMenu* PopupMenu1 = nullptr;
    tk::Panel *Panel1 = nullptr, *Panel2 = nullptr, *Panel3 = nullptr, *Panel4 = nullptr;
    tk::Label *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr,
              *Label6 = nullptr;
    tk::PageControl* PageControl1 = nullptr;
    tk::TabSheet *TabSheet1 = nullptr, *TabSheet2 = nullptr;
    tk::BitBtn *BitBtn1 = nullptr, *BitBtn2 = nullptr, *BitBtn3 = nullptr, *BitBtn4 = nullptr, *BitBtn5 = nullptr,
               *BitBtn6 = nullptr;
    tk::RadioGroup *RadioGroup1 = nullptr, *RadioGroup2 = nullptr, *RadioGroup3 = nullptr, *RadioGroup4 = nullptr;
    // GetIconButton1 ... GetIconButton9: position k is shown on slotButtons[k].
    std::array<TGetIconButton*, 9> slotButtons{};

    // ---- Window lifecycle ----
    void FormCloseQuery(tk::Component& sender, bool& canClose);
    void FormDestroy(tk::Component& sender);
    void ShowMainWindow();
    // Label2 names the hot keys another program holds, while the window shows.
    void ReportMissingHotKeys();
    // Moves the window to (left, top), or as near as keeps it whole on the screen.
    void MoveKeptOnScreen(int left, int top);
    void AppMinimize();
    void ToggleTwoKeyMode();
    void PageControl1Change(tk::Component& sender);
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // ---- Pages and slots ----
    TGetIconButton& SlotButton(int k) const { return *slotButtons.at(static_cast<std::size_t>(k)); }
    // Position 0-8 of a slot button from its name; -1 for any other control.
    static int SlotPosition(const tk::Component& control);
    // The cache file of slot g at the slot buttons' glyph size.
    std::string IconCacheFile(int g) const;
    void RefreshSlotButtons();
    void SetSlotButton(int k, TGetIconButton& button);
    // Deletes slot g's cache files of every size.
    void DeleteSlotIcon(int g);
    void UpdatePageLabel();
    void NextPage();
    void PreviousPage();
    // After a page change: refresh (when `refresh`), tray image, page label.
    void ShowPageChange(bool refresh);
    void BitBtn2Click(tk::Component& sender);

    // ---- Launching ----
    void LaunchSlot(int g, TGetIconButton& button);
    void GetIconButton1Click(tk::Component& sender);
    void N1Click(tk::Component& sender);
    void N2Click(tk::Component& sender);
    void GetIconButton1MouseDown(tk::Control& sender, tk::MouseButton button, WPARAM keys, int x, int y);
    // The slot menu for `button` at a screen point; its last item while passwords are on.
    void PopupSlotMenu(TGetIconButton& button, int x, int y);

    // ---- Keyboard ----
    int focusedSlot = 6;  // the slot position that had the focus last: keypad 7 at first
    // Arrows move between the slots as the keypad lies; Shift+F10 and the
    // context-menu key open the slot's menu at the slot.
    void GetIconButton1KeyDown(tk::Control& sender, WORD& key, WPARAM keys);
    void GetIconButton1Enter(tk::Component& sender);
    // "パスワードの設定": what the "PASS" tool dropped on the menu's slot does.
    void N8Click(tk::Component& sender);

    // ---- Registration and deletion ----
    void GetIconButton1DragOver(tk::Control& target, tk::Control& source, int x, int y, bool& accept);
    void GetIconButton1DragDrop(tk::Control& target, tk::Control& source, int x, int y);
    void RegisterFileInSlot(int k, TGetIconButton& button);
    void RegisterFolderInSlot(int k, TGetIconButton& button);
    void ClearSlot(int k, TGetIconButton& button);
    void N5Click(tk::Component& sender);
    void N6Click(tk::Component& sender);
    void Delete1Click(tk::Component& sender);
    void WMDropFiles(HDROP drop);

    // ---- Passwords ----
    // Shows a fresh password dialog when passwordPromptRequested is set;
    // otherwise only sets it. The entry is left in passwordEntry. False when
    // the program began to end meanwhile: the entry is then not to be used.
    [[nodiscard]] bool AskPassword();
    // Sets or clears the password of slot position k on the current page.
    void SetSlotPassword(int k);
    // The "PASS" tool dropped on slot position k.
    void PassDrop(int k);
    void PasswordModeClick(tk::Component& sender);

    // ---- Explanation panel ----
    void DisplayHint();
    // What slot position k of the current page shows in Label1 (its name,
    // "???" when guarded) and in Label2 (its explanation); ExplainSlot
    // writes both, Label1 first.
    std::string SlotNameText(int k) const;
    std::string SlotExplanation(int k) const;
    void ExplainSlot(int k);
    void GetIconButton1MouseMove(tk::Control& sender, WPARAM keys, int x, int y);
    void Panel1MouseMove(tk::Control& sender, WPARAM keys, int x, int y);

    // ---- Screen readers ----
    // Slot position k as a screen reader names it: "7: メモ帳.exe",
    // "7: パスワード付き", "7: 空き".
    std::string SlotAccessibleName(int k) const;
    // The name of hot key `id` in the chosen key set; empty while another
    // program holds it.
    std::string HotKeyShortcut(int id) const;
    void DescribeSlot(const tk::Control& sender, tk::AccessibleTexts& texts) const;
    void DescribeIndicator(const tk::Control& sender, tk::AccessibleTexts& texts) const;

    // ---- Settings tabs ----
    void RadioGroup4Click(tk::Component& sender);
    void RadioGroup1Click(tk::Component& sender);
    void RadioGroup2Click(tk::Component& sender);
    void RadioGroup3Click(tk::Component& sender);
    void VolumeKeysClick(tk::Component& sender);
    void CursorKeysClick(tk::Component& sender);

    // ---- Desktop captions and clipboard capture ----
    void ApplyIconTextTransparency();
    void WMSettingChange();
    // WM_SETTINGCHANGE: the desktop captions and the tray icon's scale.
    void SystemSettingsChanged();
    void WMTimer(WPARAM timerId);
    LRESULT WMDrawClipboard(WPARAM wParam, LPARAM lParam);
    LRESULT WMChangeCBChain(WPARAM wParam, LPARAM lParam);

protected:
    void BindHandlers(tk::HandlerTable& table) override;
    // A move to a monitor of another scale: a shown page is drawn again from
    // the cache of the new size.
    void DpiChanged() override;
    std::unique_ptr<tk::Control> CreateCustomControl(const tk::ControlDef& def) override;

private:
    void FindControls();
    void KeepOnScreen();
    std::string IconCacheSizeFolder() const;
    void SaveSlotIcon(const TGetIconButton& button, int g) const;
    LRESULT WMQueryEndSession();
    LRESULT WMEndSession(bool ending);
    void SaveSettingsFile(const SaveDeadline& deadline = {});
    void SaveSlotsFile(const SaveDeadline& deadline = {});
    void WMTaskbarCreated();
    void SetUpAccessibility();

    // ---- Questions to the slots' volumes, answered by helper threads ----
    // The drive K2 ran from last time and the one it runs from now.
    VolumeMove ProgramVolumeMove() const;
    void FollowProgramVolume();
    void WMFollowAnswer(LPARAM lParam);
    void WMLaunchAnswer(LPARAM lParam);
    void FinishLaunch(const LaunchQuestion& answer);
    void OnTimer(WPARAM timerId);
    bool LaunchTimedOut(UINT_PTR timerId);
    // Starts fetching slot g's icon, unless that fetch is under way.
    tk::KernelHandle FetchSlotIcon(int g, const std::string& path);
    // A fetched icon for a page, path and size still shown goes on its button
    // and into the cache.
    void WMIconAnswer(LPARAM lParam);
    // Takes the icons that come within a short wait; the first failure to
    // write one to the cache.
    std::optional<tk::EFileError> TakeQuickIcons(const std::vector<tk::KernelHandle>& fetches);
    unsigned launchSerial_ = 0;
    std::set<unsigned> launchesAwaited_;      // serials; the answer names its slot
    std::set<std::string> iconsAwaited_;      // slot, size and path of each fetch
    bool followAwaited_ = false;
    bool awaitingQuickIcons_ = false;
    std::optional<tk::EFileError> iconSaveFailure_;
};

} // namespace k2
