// The notification-area icon: the image it shows, and what the window does
// with the icon's mouse events.
#include "support/MainWindow.h"

#include "app/features/Ttrayicon.h"
#include "app/persist/StoredText.h"
#include "toolkit/Application.h"
#include "toolkit/Bitmap.h"
#include "toolkit/Text.h"

#include <tuple>


using k2test::MainWindowTest;
using k2test::Pump;

namespace {

// The notification area's icon side on this display.
int TraySide() { return GetSystemMetrics(SM_CXSMICON); }

int IconSide(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return 0;
    const tk::BitmapHandle colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bitmap{};
    return GetObjectW(info.hbmMask, sizeof(bitmap), &bitmap) ? bitmap.bmWidth : 0;
}

// The pixels of a tray-sized icon drawn over black and over white, so that
// both its colours and its mask take part in a comparison.
std::string IconPixels(HICON icon) {
    std::string pixels;
    for (COLORREF background : {RGB(0, 0, 0), RGB(255, 255, 255)}) {
        tk::Bitmap canvas(TraySide(), TraySide(), background);
        if (icon) canvas.DrawIcon(icon, 0, 0);
        for (int y = 0; y < TraySide(); ++y)
            for (int x = 0; x < TraySide(); ++x) pixels += std::to_string(canvas.Pixel(x, y)) + ",";
    }
    return pixels;
}

std::string ResourcePixels(int number) {
    const std::string name = "ICON" + std::to_string(number);
    const tk::IconHandle icon(static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), name.c_str(), IMAGE_ICON, TraySide(), TraySide(), 0)));
    return icon ? IconPixels(icon.Get()) : std::string();
}

// Number of the icon resource that `icon` shows (1-10, 12); 0 for none.
int IconNumber(HICON icon) {
    const std::string shown = IconPixels(icon);
    for (int number : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12})
        if (shown == ResourcePixels(number)) return number;
    return 0;
}

// A left click ends with the shell's NIN_SELECT; a right one with WM_CONTEXTMENU.
constexpr LPARAM kMouseEvents[] = {WM_MOUSEMOVE, WM_LBUTTONDOWN,   WM_LBUTTONUP,    NIN_SELECT,     WM_RBUTTONDOWN,
                                   WM_RBUTTONUP, WM_CONTEXTMENU,   WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK};

class TrayTest : public MainWindowTest {
protected:
    void SendTray(LPARAM mouseEvent) {
        SendMessageA(Form().Handle(), RegisterWindowMessageA("kor2icon"), 0, mouseEvent);
        Pump(20);
    }
};

} // namespace

TEST_F(TrayTest, StartImageIsThePageNumberOrTheTwoKeyMark) {
    struct Case {
        const char* settings;
        int icon;
    };
    const Case cases[] = {
        {"", 1},
        {"[各種設定]\r\n現在のページ番号=4\r\n", 5},
        {"[各種設定]\r\n現在のページ番号=9\r\n", 10},
        {"[各種設定]\r\n現在のページ番号=9\r\nホットキー２度押し起動=1\r\n", 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        WriteSettings(c.settings);
        Start();
        EXPECT_EQ(IconNumber(tk::App().Icon()), c.icon) << "application icon";
        EXPECT_EQ(SendMessageA(tk::App().Handle(), WM_GETICON, ICON_BIG, 0), 0) << "the taskbar shows the main icon";
        EXPECT_EQ(IconNumber(Form().trayIcon->icon.Get()), c.icon) << "tray icon";
        EXPECT_EQ(IconSide(Form().trayIcon->icon.Get()), TraySide());
        EXPECT_EQ(Form().Label5->FontColor(), c.icon == 12 ? tk::kLime : tk::kGreen);
        Stop();
    }
}

TEST_F(TrayTest, OnlyADoubleClickOrTheKeyboardsSelectionShowsTheHiddenWindowWithItsSlots) {
    Start();
    k2::TForm1& form = Form();
    // A program with an icon of its own: this test program.
    form.slotPaths[0] = k2::EncodeStoredText(tk::ModuleFileName());

    for (LPARAM event : kMouseEvents) {
        SendTray(event);
        EXPECT_FALSE(IsWindowVisible(form.Handle())) << "mouse event " << event;
    }
    EXPECT_FALSE(tk::FileExists(CacheFile(0))) << "the slots were refreshed without a double click";

    SendTray(WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
    EXPECT_EQ(GetForegroundWindow(), form.Handle());
    Settle();
    EXPECT_TRUE(tk::FileExists(CacheFile(0))) << "showing the hidden window refreshes the slots";
    EXPECT_EQ(form.SlotButton(0).Glyph().Width(), k2test::GlyphSide());

    // Enter or Space on the focused icon: NIN_SELECT with no click before it, or NIN_KEYSELECT.
    for (LPARAM event : {NIN_SELECT, NIN_KEYSELECT}) {
        tk::App().Minimize();
        Pump(20);
        SendTray(MAKELPARAM(event, 0));
        EXPECT_TRUE(IsWindowVisible(form.Handle())) << "event " << event;
    }
}

TEST_F(TrayTest, IconFollowsTheNotificationAreasScale) {
    Start();
    static int dpi;
    Form().trayIcon->dpi = [] { return dpi; };
    for (const auto& [newDpi, change, side] :
         {std::tuple{144, WM_DISPLAYCHANGE, 24}, {192, WM_SETTINGCHANGE, 32}, {96, WM_DISPLAYCHANGE, 16}}) {
        dpi = newDpi;
        SendMessageA(Form().Handle(), change, 0, 0);
        EXPECT_EQ(IconSide(Form().trayIcon->icon.Get()), side) << dpi << " dpi";
    }
}

TEST_F(TrayTest, DoubleClickOnTheShownWindowRaisesItWithoutARefresh) {
    Start();
    k2::TForm1& form = Form();
    form.slotPaths[0] = k2::EncodeStoredText(tk::ModuleFileName());
    SendTray(WM_LBUTTONDBLCLK);
    ASSERT_TRUE(IsWindowVisible(form.Handle()));

    // Another window of this program comes to the front.
    tk::WindowHandle other(CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                           nullptr, nullptr, nullptr));
    SetForegroundWindow(other.Get());
    Pump(20);
    ASSERT_NE(GetForegroundWindow(), form.Handle());
    ASSERT_TRUE(DeleteFileW(tk::Wide(CacheFile(0)).c_str()));

    SendTray(WM_LBUTTONDBLCLK);
    EXPECT_EQ(GetForegroundWindow(), form.Handle());
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
    EXPECT_FALSE(tk::FileExists(CacheFile(0))) << "a visible window was refreshed";
}
