// The main window as built from its layout, and its life cycle.
#include "support/MainWindow.h"
#include "support/Process.h"

#include "resources/Form1Layout.h"
#include "toolkit/Application.h"
#include "toolkit/Bitmap.h"
#include "toolkit/Dpi.h"
#include "toolkit/Text.h"

#include <initializer_list>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using k2test::MainWindowTest;
using k2test::Press;
using k2test::Pump;

namespace {

RECT ClientRectOf(HWND hwnd) {
    RECT rect;
    GetClientRect(hwnd, &rect);
    return rect;
}

// Position of a child relative to its parent's client area.
POINT PositionInParent(HWND hwnd) {
    RECT rect;
    GetWindowRect(hwnd, &rect);
    POINT point{rect.left, rect.top};
    ScreenToClient(GetParent(hwnd), &point);
    return point;
}

// Every control where its layout row puts it, scaled to `dpi`.
void ExpectLayoutAt(k2::TForm1& form, int dpi) {
    SCOPED_TRACE(dpi);
    const RECT client = ClientRectOf(form.Handle());
    EXPECT_EQ(client.right, tk::Scale(427, dpi));
    EXPECT_EQ(client.bottom, tk::Scale(258, dpi));
    for (const tk::ControlDef& def : k2::layout::kForm1Controls) {
        SCOPED_TRACE(def.name);
        tk::Control* control = form.FindControl(def.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->ClassName(), def.className);
        ASSERT_NE(control->Parent(), nullptr);
        EXPECT_EQ(control->Parent()->Name(), def.parent);
        EXPECT_EQ(control->Hint(), def.hint);
        if (std::string(def.className) == "TTabSheet") continue;  // placed by its page control
        const POINT at = PositionInParent(control->Handle());
        EXPECT_EQ(at.x, tk::Scale(def.left, dpi));
        EXPECT_EQ(at.y, tk::Scale(def.top, dpi));
        RECT window;
        GetWindowRect(control->Handle(), &window);
        EXPECT_EQ(window.right - window.left, tk::Scale(def.width, dpi));
        EXPECT_EQ(window.bottom - window.top, tk::Scale(def.height, dpi));
        if (*def.caption) {
            EXPECT_EQ(tk::WindowText(control->Handle()), def.caption);
        }
    }
}

} // namespace

TEST_F(MainWindowTest, BuiltWindowMatchesItsLayout) {
    Start();
    k2::TForm1& form = Form();
    HWND hwnd = form.Handle();
    EXPECT_EQ(tk::WindowText(hwnd), "コルミ２");
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(IsWindowVisible(hwnd)) << "the window starts hidden";
    ExpectLayoutAt(form, tk::WindowDpi(hwnd));
    EXPECT_FALSE(form.BitBtn6->Visible()) << "PASS is hidden while passwords are off";
    EXPECT_EQ(form.Label6->Caption(), "Version1.4.9");
    EXPECT_EQ(form.Label3->Caption(), "[1]ページ");
    ASSERT_NE(form.PopupMenu1, nullptr);
    std::string captions;
    for (const auto& item : form.PopupMenu1->Items()) captions += item.caption + "/";
    EXPECT_EQ(captions, "実行/フォルダを開く/-/ファイルを登録/フォルダを登録/-/削除/-/パスワードの設定/");
}

namespace {

// The focused control's name; a radio item is its group's name and index.
std::string Focused() {
    HWND focus = GetFocus();
    if (tk::Control* control = tk::Control::FromHandle(focus)) return control->Name();
    auto* group = dynamic_cast<tk::RadioGroup*>(tk::Control::FromHandle(GetParent(focus)));
    if (!group) return "(no control)";
    return group->Name() + (group->ItemHandle(0) == focus ? ".0" : ".1");
}

// Shows the window and lets it hand the focus on to a control: it holds the
// focus itself for a moment after it is shown, longer on a busy machine.
void ShowAndSettle(k2::TForm1& form) {
    form.ShowMainWindow();
    k2test::WaitUntil([] { return Pump(10), tk::Control::FromHandle(GetFocus()) != nullptr; }, 2000);
}

std::string TabRound(int presses, std::initializer_list<WORD> held = {}) {
    std::string names;
    for (int i = 0; i < presses; ++i, names += Focused() + " ") Press(VK_TAB, held);
    return names;
}

} // namespace

TEST_F(MainWindowTest, KeyboardFollowsTheLayoutAndNeverChangesASettingByItself) {
    WriteSettings("[各種設定]\r\nホットキー=1\r\n");
    Start();
    k2::TForm1& form = Form();
    ShowAndSettle(form);
    EXPECT_EQ(Focused(), "GetIconButton7") << "the first showing starts on keypad 7";
    EXPECT_EQ(TabRound(15), "GetIconButton8 GetIconButton9 GetIconButton4 GetIconButton5 GetIconButton6 "
                            "GetIconButton1 GetIconButton2 GetIconButton3 BitBtn1 BitBtn2 BitBtn3 BitBtn4 BitBtn5 "
                            "PageControl1 GetIconButton7 ");
    EXPECT_EQ(TabRound(2, {VK_SHIFT}), "PageControl1 BitBtn5 ");

    // Ctrl+Tab turns the tabs round, the tab built at run time included; the
    // groups are one stop each, at the chosen item, and arrows only move.
    Press(VK_TAB);
    Press(VK_TAB, {VK_CONTROL});
    EXPECT_EQ(form.PageControl1->ActivePage(), form.TabSheet2);
    EXPECT_EQ(TabRound(5), "RadioGroup4.1 RadioGroup1.0 RadioGroup2.0 RadioGroup3.0 GetIconButton7 ");
    Press(VK_TAB, {VK_SHIFT});
    for (WORD key : {VK_RIGHT, VK_DOWN, VK_LEFT}) Press(key);
    EXPECT_EQ(Focused(), "RadioGroup3.1");
    EXPECT_EQ(form.RadioGroup3->ItemIndex(), 0) << "the focus chose an item";
    Press(VK_TAB, {VK_CONTROL});
    EXPECT_EQ(TabRound(4), ".0 .0 .1 GetIconButton7 ");
    Press(VK_TAB, {VK_CONTROL, VK_SHIFT});
    for (int i = 0; i < 2; ++i) Press(VK_TAB, {VK_CONTROL});
    EXPECT_EQ(form.PageControl1->ActivePage(), form.TabSheet1);
    EXPECT_FALSE(form.settingsTab2);

    // Arrows move over the grid as the keypad lies and stop at its edges.
    form.FocusWindow(form.SlotButton(6).Handle());
    std::string path;
    for (WORD key : {VK_DOWN, VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_DOWN, VK_DOWN, VK_UP})
        path += (Press(key), Focused().substr(13));
    EXPECT_EQ(path, "4566336");
    EXPECT_EQ(form.Label2->Caption(), form.SlotExplanation(5)) << "a slot reached by key explains itself";

    // Hidden and shown again, it comes back on that slot.
    form.Hide();
    ShowAndSettle(form);
    EXPECT_EQ(Focused(), "GetIconButton6");
}

namespace {

RECT WindowRectOf(HWND hwnd) {
    RECT rect;
    GetWindowRect(hwnd, &rect);
    return rect;
}

// Two monitors, one above the other within the test display: the primary
// one with a taskbar along its bottom, the second with a taskbar along its
// left. A window belongs to the one that holds its middle. The primary has
// the display's DPI, the second another.
constexpr RECT kPrimaryWork{0, 0, 1280, 472};
constexpr RECT kSecond{0, 512, 1280, 1024}, kSecondWork{60, 512, 1280, 1024};
const auto kPrimaryMonitor = reinterpret_cast<HMONITOR>(1), kSecondMonitor = reinterpret_cast<HMONITOR>(2);
int primaryDpi = 96, secondDpi = 144;

HMONITOR WINAPI TwoMonitorsFromRect(LPCRECT rect, DWORD) {
    return (rect->top + rect->bottom) / 2 < kSecond.top ? kPrimaryMonitor : kSecondMonitor;
}

BOOL WINAPI TwoMonitorsInfo(HMONITOR monitor, LPMONITORINFO info) {
    const bool primary = monitor == kPrimaryMonitor;
    info->rcMonitor = primary ? RECT{0, 0, 1280, 512} : kSecond;
    info->rcWork = primary ? kPrimaryWork : kSecondWork;
    info->dwFlags = primary ? MONITORINFOF_PRIMARY : 0;
    return TRUE;
}

int TwoMonitorsDpi(HMONITOR monitor) { return monitor == kPrimaryMonitor ? primaryDpi : secondDpi; }

const tk::MonitorApi kTwoMonitors{.fromRect = TwoMonitorsFromRect, .getInfo = TwoMonitorsInfo, .dpi = TwoMonitorsDpi};

// What Windows does and Wine does not: a move that lands a window on a
// monitor of another DPI sends it WM_DPICHANGED from inside the move, with
// the window's corner kept and the size it asks for at that DPI.
WNDPROC formProc = nullptr;
int windowDpi = 96, dpiChanges = 0;

LRESULT CALLBACK AsWindowsDoes(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallWindowProcW(formProc, hwnd, message, wParam, lParam);
    const RECT now = WindowRectOf(hwnd);
    const int dpi = TwoMonitorsDpi(TwoMonitorsFromRect(&now, 0));
    if (message != WM_WINDOWPOSCHANGED || dpi == windowDpi) return result;
    windowDpi = dpi, ++dpiChanges;
    SIZE size{};
    SendMessageW(hwnd, tk::kGetDpiScaledSize, dpi, reinterpret_cast<LPARAM>(&size));
    const RECT suggested{now.left, now.top, now.left + size.cx, now.top + size.cy};
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    return result;
}

struct Move {
    const char* where;
    int x, y;      // where the window is dragged
    int left, top; // where it must end
};

// Drags the window as each move says and checks where it ends, whole.
void ExpectMovesEnd(HWND hwnd, const std::vector<Move>& moves) {
    const RECT start = WindowRectOf(hwnd);
    for (const Move& move : moves) {
        SCOPED_TRACE(move.where);
        SetWindowPos(hwnd, nullptr, move.x, move.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Pump(10);
        const RECT now = WindowRectOf(hwnd);
        EXPECT_EQ(now.left, move.left);
        EXPECT_EQ(now.top, move.top);
        EXPECT_EQ(now.right - now.left, start.right - start.left);
    }
}

} // namespace

TEST_F(MainWindowTest, MovedPartlyOffTheScreenSnapsBackToTheEdge) {
    Start();
    k2::TForm1& form = Form();
    form.ShowMainWindow();
    const HWND hwnd = form.Handle();
    const RECT start = WindowRectOf(hwnd);
    const int width = start.right - start.left;
    const int height = start.bottom - start.top;
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);

    ExpectMovesEnd(hwnd, {
        {"right", screenWidth - width / 2, 100, screenWidth - width, 100},
        {"bottom", 100, screenHeight - height / 3, 100, screenHeight - height},
        {"left", -40, 120, 0, 120},
        {"top", 130, -25, 130, 0},
        {"top left corner", -10, -10, 0, 0},
        {"bottom right corner", screenWidth - 5, screenHeight - 5, screenWidth - width, screenHeight - height},
        {"inside", 200, 150, 200, 150},
        {"flush with the right edge", screenWidth - width, 10, screenWidth - width, 10},
    });
}

// On two monitors of two scales the window stays whole on the work area of
// the one it is on: dragged there, or brought up by Ctrl+0 centred under the
// mouse at its size for that monitor's DPI, after one change of DPI at most.
TEST_F(MainWindowTest, KeptInTheWorkAreaOfTheMonitorItIsOn) {
    Start();
    k2::TForm1& form = Form();
    form.monitors = &kTwoMonitors;
    form.ShowMainWindow();
    const HWND hwnd = form.Handle();
    const RECT start = WindowRectOf(hwnd);
    const int width = start.right - start.left;
    const int height = start.bottom - start.top;

    ExpectMovesEnd(hwnd, {
        {"onto the primary taskbar", 100, 472 - height / 2, 100, 472 - height},
        {"inside the second monitor", 300, 560, 300, 560},
        {"onto the second monitor's taskbar", 20, 560, 60, 560},
        {"past the second monitor's right edge", 1280 - width / 2, 560, 1280 - width, 560},
        {"reaching up into the primary", 300, 500, 300, 512},
        {"past the primary's left edge", -40, 50, 0, 50},
    });

    primaryDpi = windowDpi = tk::WindowDpi(hwnd);
    secondDpi = primaryDpi == 144 ? 96 : 144;
    formProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AsWindowsDoes)));
    const SIZE second = form.FrameSize(secondDpi);
    struct Case { POINT cursor; int dpi, changes; POINT corner; } const cases[] = {
        {{640, 760}, secondDpi, 1, {640 - second.cx / 2, 760 - second.cy / 2 + 10}},
        {{1279, 1023}, secondDpi, 0, {1280 - second.cx, 1024 - second.cy}},
        {{30, 470}, primaryDpi, 1, {0, 472 - height}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cursor.x);
        dpiChanges = 0;
        ASSERT_TRUE(SetCursorPos(c.cursor.x, c.cursor.y));
        SendMessageW(hwnd, WM_HOTKEY, k2::kHotKeyShow, 0);
        const RECT now = WindowRectOf(hwnd);
        EXPECT_EQ(std::pair(dpiChanges, form.Dpi()), std::pair(c.changes, c.dpi));
        EXPECT_EQ(std::tuple(now.left, now.top, now.right - now.left),
                  std::tuple(c.corner.x, c.corner.y, form.FrameSize(c.dpi).cx));
    }
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(formProc));
}

// Messages reach a control through the table of our own windows: both kinds
// (our classes and subclassed system ones) are found from their handles; a
// window that is not a control, whatever its user data or properties hold,
// is not; and a destroyed control's handle no longer leads to it.
TEST_F(MainWindowTest, ControlsAreFoundFromTheirOwnWindowsOnly) {
    Start();
    k2::TForm1& form = Form();
    ASSERT_TRUE(form.Panel1 && form.BitBtn1);
    EXPECT_EQ(tk::Control::FromHandle(form.Handle()), &form);
    EXPECT_EQ(tk::Control::FromHandle(form.Panel1->Handle()), form.Panel1);
    EXPECT_EQ(tk::Control::FromHandle(form.BitBtn1->Handle()), form.BitBtn1);
    EXPECT_EQ(tk::Control::FromHandle(nullptr), nullptr);

    // A plain child window that poses as a control.
    HWND stranger = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 40, 40, form.Panel1->Handle(),
                                    nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(stranger);
    SetWindowLongPtrA(stranger, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form.BitBtn1));
    SetPropA(stranger, "tk.control", form.BitBtn1);
    EXPECT_EQ(tk::Control::FromHandle(stranger), nullptr);
    // A point over it belongs to the control it lies on.
    EXPECT_EQ(form.Panel1->ControlAtClientPoint(POINT{5, 5}), form.Panel1);
    // Messages it sends its parent are handled as from a foreign window.
    SendMessageA(form.Panel1->Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(stranger));
    RemovePropA(stranger, "tk.control");
    DestroyWindow(stranger);

    // The system destroys a control's window (as when its parent goes).
    HWND button = form.BitBtn1->Handle();
    DestroyWindow(button);
    EXPECT_EQ(form.BitBtn1->Handle(), nullptr);
    EXPECT_EQ(tk::Control::FromHandle(button), nullptr);
}

// A move to a monitor of another scale: the system's rectangle is taken, the
// layout follows, and the page is drawn again from the cache of the new size.
TEST_F(MainWindowTest, DpiChangeLaysTheWindowOutAgainWithGlyphsFromTheCacheOfThatSize) {
    Start();
    k2::TForm1& form = Form();
    const HWND hwnd = form.Handle();
    Register(0, tk::ModuleFileName());
    Register(1, tk::ModuleFileName());
    form.ShowMainWindow();
    const int start = tk::WindowDpi(hwnd);
    const int other = start == 144 ? 96 : 144;
    // Slot 0 already has a glyph of the other size; slot 1 has none.
    const int side = tk::Scale(32, other);
    CreateDirectoryW(tk::Wide(Dir() + "Icon\\" + std::to_string(side)).c_str(), nullptr);
    tk::Bitmap(side, side, RGB(10, 200, 30)).SaveToFile(CacheFile(0, side));

    for (const int dpi : {other, start}) {
        const RECT frame = WindowRectOf(hwnd);
        const RECT client = ClientRectOf(hwnd);
        const RECT suggested{frame.left + 7, frame.top + 5,
                             frame.left + 7 + frame.right - frame.left - client.right + tk::Scale(427, dpi),
                             frame.top + 5 + frame.bottom - frame.top - client.bottom + tk::Scale(258, dpi)};
        SendMessageA(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(WindowRectOf(hwnd).left, suggested.left);
        ExpectLayoutAt(form, dpi);
        Settle();
        for (int k : {0, 1}) EXPECT_EQ(form.SlotButton(k).Glyph().Width(), tk::Scale(32, dpi)) << k;
        if (dpi == other) {
            EXPECT_EQ(form.SlotButton(0).Glyph().Pixel(side / 2, 1), RGB(10, 200, 30)) << "fetched though cached";
            EXPECT_TRUE(tk::FileExists(CacheFile(1, side)));
            // Wine's shell icons follow the prefix's DPI: slot 1's comes from the system image list.
            EXPECT_NE(form.SlotButton(1).Glyph().Pixel(side / 2, side / 2), GetSysColor(COLOR_BTNFACE));
        }
    }
}
