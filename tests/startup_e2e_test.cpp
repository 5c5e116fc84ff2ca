// One copy per desktop session: K2.exe is started for real, in a folder of its
// own, and watched from outside.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "support/BoxAnswerer.h"
#include "support/Process.h"
#include "support/Scratch.h"
#include "support/Windows.h"
#include "toolkit/Dpi.h"

using k2test::K2MutexExists;
using k2test::Process;
using k2test::VisibleButtons;

namespace {

constexpr DWORD kStartTimeoutMs = 20000;
constexpr DWORD kBoxTimeoutMs = 10000;

// The main window: captioned with the title and, unlike the application's own
// hidden window, holding the controls.
HWND MainWindowOf(const Process& process) {
    for (const auto& window : k2test::TopLevelWindows(process.Id()))
        if (window.caption == "コルミ２" && GetWindow(window.hwnd, GW_CHILD)) return window.hwnd;
    return nullptr;
}

std::vector<k2test::WindowInfo> VisibleBoxes(const Process& process) {
    std::vector<k2test::WindowInfo> boxes;
    for (const auto& window : k2test::TopLevelWindows(process.Id()))
        if (window.visible && window.windowClass == "#32770") boxes.push_back(window);
    return boxes;
}

std::string Describe(const std::vector<k2test::WindowInfo>& windows) {
    std::string text;
    for (const auto& w : windows)
        text += "\n  [" + w.windowClass + "] \"" + w.caption + "\"" + (w.visible ? " visible" : " hidden");
    return text;
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(K2MutexExists()) << "another copy of K2 is running in this session";
        exe_ = k2test::CopyK2To(scratch_.Path());
        ASSERT_FALSE(exe_.empty()) << "cannot copy K2.exe from \"" << k2test::K2ExePath() << "\"";
    }

    Process StartCopy() const { return Process::Start(exe_, "", scratch_.Path()); }

    // Waits until a copy has taken the mutex, built its main window and gone
    // idle in its message loop.
    static ::testing::AssertionResult Started(const Process& process) {
        if (!process) return ::testing::AssertionFailure() << "CreateProcess error " << process.StartError();
        const auto upOrEnded = [&] {
            return !process.IsRunning() || (K2MutexExists() && MainWindowOf(process) != nullptr);
        };
        if (!k2test::WaitUntil(upOrEnded, kStartTimeoutMs))
            return ::testing::AssertionFailure() << "no main window after " << kStartTimeoutMs << " ms"
                                                 << Describe(k2test::TopLevelWindows(process.Id()));
        if (!process.IsRunning())
            return ::testing::AssertionFailure() << "the copy ended at start, exit code "
                                                 << *process.ExitCode();
        process.WaitForIdle(kStartTimeoutMs);
        return ::testing::AssertionSuccess();
    }

    // A copy that started normally keeps running hidden and asks nothing.
    static void ExpectRunsHidden(const Process& process) {
        EXPECT_FALSE(k2test::WaitUntil([&] { return !VisibleBoxes(process).empty(); }, 1000))
            << "a box appeared" << Describe(k2test::TopLevelWindows(process.Id()));
        EXPECT_TRUE(process.IsRunning());
        for (const auto& window : k2test::TopLevelWindows(process.Id()))
            EXPECT_FALSE(window.visible) << "visible window at start:" << Describe({window});
    }

    k2test::ScratchDir scratch_;
    std::string exe_;
};

TEST_F(StartupTest, FirstCopyRunsWithNoVisibleWindowOfTheScreensScale) {
    const Process first = StartCopy();
    ASSERT_TRUE(Started(first));
    ExpectRunsHidden(first);

    // The window and its 13 square buttons (slots, arrows, file and folder
    // tools) are sized for this display's DPI.
    RECT client{};
    GetClientRect(MainWindowOf(first), &client);
    EXPECT_EQ(client.right, tk::Scale(427, tk::SystemDpi()));
    EXPECT_EQ(client.bottom, tk::Scale(258, tk::SystemDpi()));
    int squares = 0;
    EnumChildWindows(MainWindowOf(first), [](HWND child, LPARAM count) -> BOOL {
        RECT r{};
        GetWindowRect(child, &r);
        const int side = r.right - r.left;
        *reinterpret_cast<int*>(count) += side == tk::Scale(40, tk::SystemDpi()) && r.bottom - r.top == side;
        return TRUE;
    }, reinterpret_cast<LPARAM>(&squares));
    EXPECT_EQ(squares, 13);
}

TEST_F(StartupTest, SecondCopyShowsTwoBoxesAndExitsLeavingTheFirstRunning) {
    const Process first = StartCopy();
    ASSERT_TRUE(Started(first));
    const HWND firstMainWindow = MainWindowOf(first);

    const Process second = StartCopy();
    ASSERT_TRUE(second) << "CreateProcess error " << second.StartError();

    struct Box {
        k2test::SeenBox seen;
        std::vector<int> buttons;
    };
    std::vector<Box> boxes;
    std::set<std::string> classesSeen;
    const auto noteWindows = [&] {
        for (const auto& window : k2test::TopLevelWindows(second.Id()))
            if (!k2test::IsSystemHelperWindow(window)) classesSeen.insert(window.windowClass);
    };
    for (int i = 0; i < 2; ++i) {
        std::vector<k2test::WindowInfo> shown;
        ASSERT_TRUE(k2test::WaitUntil(
            [&] {
                noteWindows();
                shown = VisibleBoxes(second);
                return !shown.empty() || !second.IsRunning();
            },
            kBoxTimeoutMs))
            << "box " << i + 1 << " did not appear";
        ASSERT_FALSE(shown.empty()) << "the second copy ended after " << boxes.size() << " box(es)";
        Box box{{}, VisibleButtons(shown.front().hwnd)};
        k2test::BoxAnswerer answerer(second.Id());
        ASSERT_TRUE(answerer.WaitForBoxes(1, kBoxTimeoutMs));
        box.seen = answerer.Seen().front();
        boxes.push_back(box);
    }

    ASSERT_TRUE(k2test::WaitUntil(
        [&] {
            noteWindows();
            return !second.IsRunning();
        },
        kBoxTimeoutMs))
        << "the second copy is still running after its boxes"
        << Describe(k2test::TopLevelWindows(second.Id()));
    EXPECT_EQ(second.ExitCode(), 0u);

    EXPECT_EQ(boxes[0].seen.text, "コルミは仕様上二重起動できなくなっています。");
    EXPECT_EQ(boxes[1].seen.text, "終了します。");
    for (const auto& box : boxes)
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK}) << "buttons of \"" << box.seen.text << "\"";
    EXPECT_EQ(classesSeen, std::set<std::string>{"#32770"}) << "the second copy made other windows";

    // The running copy is neither shown nor ended by the refusal.
    EXPECT_TRUE(first.IsRunning());
    EXPECT_EQ(MainWindowOf(first), firstMainWindow);
    EXPECT_FALSE(IsWindowVisible(firstMainWindow));
    EXPECT_TRUE(K2MutexExists());
}

TEST_F(StartupTest, NewCopyStartsAfterTheFirstIsClosed) {
    {
        const Process first = StartCopy();
        ASSERT_TRUE(Started(first));
        k2test::BoxAnswerer answerer(first.Id());
        PostMessageA(MainWindowOf(first), WM_CLOSE, 0, 0);
        ASSERT_TRUE(answerer.WaitForBoxes(1, kBoxTimeoutMs)) << "no close confirmation";
        EXPECT_EQ(answerer.Seen().front().text, "コルミ２を終了しても宜しいですか？");
        ASSERT_TRUE(first.WaitForExit(kStartTimeoutMs)) << "the first copy did not quit";
        EXPECT_EQ(first.ExitCode(), 0u);
    }
    EXPECT_FALSE(K2MutexExists());

    const Process next = StartCopy();
    ASSERT_TRUE(Started(next));
    ExpectRunsHidden(next);
}

TEST_F(StartupTest, NewCopyStartsAfterTheFirstIsKilled) {
    {
        Process first = StartCopy();
        ASSERT_TRUE(Started(first));
        first.Kill();
        ASSERT_FALSE(first.IsRunning());
    }
    const Process next = StartCopy();
    ASSERT_TRUE(Started(next));
    ExpectRunsHidden(next);
}

} // namespace
