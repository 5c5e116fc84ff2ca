// Desktop broadcasts: the icon captions' background on a stand-in desktop
// (a real list view in a helper process), settings changes, and a restarted
// notification area.
#include "toolkit/Text.h"
#include "support/MainWindow.h"

#include "app/features/IconTextTransparency.h"
#include "support/Process.h"

#include <commctrl.h>
#include <shellapi.h>

using k2test::MainWindowTest;
using k2test::Pump;

namespace {

constexpr COLORREF kStartColour = 0x563412;
// Sent to the helper's list view: how many LVM_SETTEXTBKCOLOR it has received.
constexpr UINT kSetCountQuery = WM_APP;
// Posted to it: stop answering for lParam milliseconds.
constexpr UINT kHang = WM_APP + 1;

std::string Settings(bool transparent) {
    return std::string("[各種設定]\r\n文字背景の透明化=") + (transparent ? "1" : "0") + "\r\n";
}

void Choose(tk::RadioGroup& group, int item) { SendMessageA(group.ItemHandle(item), BM_CLICK, 0, 0); }

class TransparencyTest : public MainWindowTest {
protected:
    void TearDown() override {
        MainWindowTest::TearDown();
        StopDesktop();
    }

    // Starts the stand-in desktop with its captions' colour ("none" for
    // CLR_NONE), its windows laid out as `layout` says (see the helper).
    void StartDesktop(const std::string& colour, const std::string& layout = "progman") {
        desktop_ = k2test::Process::Start(k2test::TestBinFolder() + "desktop_listview.exe", colour + " " + layout);
        ASSERT_TRUE(desktop_) << desktop_.StartError();
        ASSERT_TRUE(k2test::WaitUntil([] { return k2::FindDesktopListView() != nullptr; }, 10000));
        listView_ = k2::FindDesktopListView();
    }

    void StopDesktop() {
        if (!desktop_) return;
        if (HWND progman = FindWindowW(L"Progman", L"Program Manager")) PostMessageA(progman, WM_CLOSE, 0, 0);
        EXPECT_TRUE(desktop_.WaitForExit(5000));
        desktop_ = {};
        listView_ = nullptr;
    }

    COLORREF Colour() const { return static_cast<COLORREF>(SendMessageA(listView_, LVM_GETTEXTBKCOLOR, 0, 0)); }
    int SetCount() const { return static_cast<int>(SendMessageA(listView_, kSetCountQuery, 0, 0)); }

    k2test::Process desktop_;
    HWND listView_ = nullptr;
};

} // namespace

TEST_F(TransparencyTest, CaptionsTurnTransparentAndGetTheirStartColourBack) {
    StartDesktop("563412");
    Start();
    k2::TForm1& form = Form();
    EXPECT_EQ(form.savedIconTextBkColor, kStartColour);
    EXPECT_EQ(SetCount(), 0) << "off at start: the desktop is left alone";

    Choose(*form.RadioGroup2, 1);
    EXPECT_TRUE(form.transparentIconText);
    EXPECT_EQ(Colour(), CLR_NONE);
    EXPECT_EQ(SetCount(), 1);

    Choose(*form.RadioGroup2, 0);
    EXPECT_FALSE(form.transparentIconText);
    EXPECT_EQ(Colour(), kStartColour);
}

TEST_F(TransparencyTest, AlreadyTransparentCaptionsGetNoSetMessage) {
    StartDesktop("563412");
    WriteSettings(Settings(true));
    Start();
    EXPECT_EQ(Colour(), CLR_NONE);
    EXPECT_EQ(SetCount(), 1) << "the group's handler sets it; the last start step finds it done";
    SendMessageA(Form().Handle(), k2::kReapplyTransparencyMessage, 0, 0);
    EXPECT_EQ(SetCount(), 1);
}

TEST_F(TransparencyTest, CaptionsLeftTransparentByAnEarlierRunStayTransparent) {
    StartDesktop("none");
    Start();
    k2::TForm1& form = Form();
    EXPECT_EQ(form.savedIconTextBkColor, CLR_NONE);
    Choose(*form.RadioGroup2, 1);
    Choose(*form.RadioGroup2, 0);
    EXPECT_EQ(Colour(), CLR_NONE);
}

TEST_F(TransparencyTest, SettingsBroadcastReappliesShortlyAfterwards) {
    StartDesktop("563412");
    WriteSettings(Settings(true));
    Start();
    k2::TForm1& form = Form();
    ASSERT_EQ(Colour(), CLR_NONE);

    // The shell puts its colour back, then broadcasts a settings change.
    SendMessageA(listView_, LVM_SETTEXTBKCOLOR, 0, kStartColour);
    const int before = SetCount();
    for (int i = 0; i < 3; ++i)
        SendMessageA(form.Handle(), WM_SETTINGCHANGE, 0, 0);
    EXPECT_EQ(Colour(), kStartColour) << "re-applied from the timer, not at once";
    Pump(150);
    EXPECT_EQ(Colour(), CLR_NONE);
    EXPECT_EQ(SetCount(), before + 1);

    // Another program's timer id is not ours.
    SendMessageA(listView_, LVM_SETTEXTBKCOLOR, 0, kStartColour);
    SendMessageA(form.Handle(), WM_TIMER, 7, 0);
    Pump(60);
    EXPECT_EQ(Colour(), kStartColour);

    // With the setting off, broadcasts change nothing.
    Choose(*form.RadioGroup2, 0);
    SendMessageA(listView_, LVM_SETTEXTBKCOLOR, 0, RGB(1, 2, 3));
    SendMessageA(form.Handle(), WM_SETTINGCHANGE, 0, 0);
    Pump(100);
    EXPECT_EQ(Colour(), RGB(1, 2, 3));
}

TEST_F(TransparencyTest, EveryDesktopLayoutIsFound) {
    for (const char* layout : {"progman", "workerw", "nested"}) {
        SCOPED_TRACE(layout);
        StartDesktop("563412", layout);
        Start();
        EXPECT_EQ(Form().savedIconTextBkColor, kStartColour);
        Choose(*Form().RadioGroup2, 1);
        EXPECT_EQ(Colour(), CLR_NONE);
        Choose(*Form().RadioGroup2, 0);
        EXPECT_EQ(Colour(), kStartColour);
        Stop();
        StopDesktop();
    }
}

TEST_F(TransparencyTest, DesktopThatAppearsLaterIsFollowed) {
    // Started before the shell's desktop (as at log-on): no colour to give back.
    Start();
    k2::TForm1& form = Form();
    EXPECT_FALSE(form.iconTextBkColorSaved);
    StartDesktop("563412");
    form.ApplyIconTextTransparency();
    EXPECT_EQ(SetCount(), 0) << "nothing is given back, least of all black";
    EXPECT_EQ(Colour(), kStartColour);

    // Made transparent: the colour it had is kept first.
    Choose(*form.RadioGroup2, 1);
    EXPECT_EQ(Colour(), CLR_NONE);
    EXPECT_TRUE(form.iconTextBkColorSaved);
    EXPECT_EQ(form.savedIconTextBkColor, kStartColour);

    // The shell restarts with a new desktop: the re-apply finds it.
    StopDesktop();
    StartDesktop("123456");
    SendMessageA(form.Handle(), WM_SETTINGCHANGE, 0, 0);
    Pump(150);
    EXPECT_EQ(Colour(), CLR_NONE);
    Choose(*form.RadioGroup2, 0);
    EXPECT_EQ(Colour(), kStartColour);
}

TEST_F(TransparencyTest, HungDesktopHoldsTheWindowNoLongerThanTheTimeout) {
    StartDesktop("563412");
    WriteSettings(Settings(true));
    Start();
    ASSERT_EQ(Colour(), CLR_NONE);
    PostMessageA(listView_, kHang, 0, 3000);
    Sleep(100);
    const DWORD start = GetTickCount();
    Choose(*Form().RadioGroup2, 0);
    SendMessageA(Form().Handle(), k2::kReapplyTransparencyMessage, 0, 0);
    EXPECT_LT(GetTickCount() - start, 2 * k2::kDesktopAnswerMs + 300);
}

TEST_F(TransparencyTest, WithoutADesktopListTheSettingIsStillKept) {
    ASSERT_EQ(k2::FindDesktopListView(), nullptr);
    Start();
    EXPECT_EQ(Form().savedIconTextBkColor, 0u);
    Choose(*Form().RadioGroup2, 1);
    EXPECT_TRUE(Form().transparentIconText);
    Stop();
    EXPECT_NE(k2test::ReadFileBytes(Dir() + "data\\data99.ini").find(k2test::Cp932("文字背景の透明化=1")), std::string::npos);
}

TEST_F(TransparencyTest, RestartedNotificationAreaGetsTheIconAgain) {
    Start();
    k2::TForm1& form = Form();
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = form.Handle();
    data.uID = 0;
    // What a restarted shell has forgotten.
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));
    data.uFlags = NIF_TIP;
    lstrcpyA(data.szTip, "コルミ２");
    ASSERT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &data)) << "the icon is gone";

    SendMessageA(form.Handle(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &data)) << "added again";
}
