// The life of a real K2.exe copy watched from outside: shown and minimised,
// closed by the user or by the end of the session, and a start that fails.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/persist/StoredText.h"
#include "support/BoxAnswerer.h"
#include "support/Process.h"
#include "support/Scratch.h"
#include "support/Windows.h"
#include "toolkit/Text.h"

using k2test::K2MutexExists;
using k2test::ProfileValue;
using k2test::Process;
using k2test::VisibleButtons;

namespace {

constexpr DWORD kTimeoutMs = 20000;
// How long a window or box that must not appear is waited for.
constexpr DWORD kQuietMs = 700;

HWND WindowOf(const Process& process, const std::string& windowClass) {
    for (const auto& window : k2test::TopLevelWindows(process.Id()))
        if (window.windowClass == windowClass) return window.hwnd;
    return nullptr;
}

bool VisibleBox(const Process& process) {
    for (const auto& window : k2test::TopLevelWindows(process.Id()))
        if (window.windowClass == "#32770" && window.visible) return true;
    return false;
}

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    return lines;
}

class LifecycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(K2MutexExists()) << "another copy of K2 is running in this session";
        exe_ = k2test::CopyK2To(scratch_.Path());
        ASSERT_FALSE(exe_.empty()) << "cannot copy K2.exe from \"" << k2test::K2ExePath() << "\"";
        CreateDirectoryA(Data().c_str(), nullptr);
    }

    std::string Data() const { return scratch_.Path() + "data\\"; }
    std::string Ini() const { return Data() + "data99.ini"; }
    std::string DataFile() const { return Data() + "data0.kor"; }

    // Starts the copy and waits until its main window exists and it waits for input.
    Process StartCopy() {
        Process process = Process::Start(exe_, "", scratch_.Path());
        EXPECT_TRUE(process) << "CreateProcess error " << process.StartError();
        EXPECT_TRUE(k2test::WaitUntil([&] { return !process.IsRunning() || Form(process); }, kTimeoutMs))
            << "no main window";
        process.WaitForIdle(kTimeoutMs);
        return process;
    }

    static HWND Form(const Process& process) { return WindowOf(process, "TForm1"); }
    static HWND AppWindow(const Process& process) { return WindowOf(process, "TApplication"); }

    static void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        PostMessageA(window, message, wParam, lParam);
    }
    static void DoubleClickTray(HWND form) { Post(form, RegisterWindowMessageA("kor2icon"), 0, WM_LBUTTONDBLCLK); }

    static bool Becomes(HWND window, bool visible) {
        return k2test::WaitUntil([&] { return (IsWindowVisible(window) != FALSE) == visible; }, kTimeoutMs);
    }
    // Stays as it is for a while (it may only change late).
    static bool Stays(HWND window, bool visible) {
        return !k2test::WaitUntil([&] { return (IsWindowVisible(window) != FALSE) != visible; }, kQuietMs);
    }

    // A current-format data file with `path` in slot 0.
    void WriteDataFile(const std::string& path) {
        std::string bytes = "1\r\n" + k2::EncodeStoredText(path) + "\r\n";
        for (int line = 2; line < 182; ++line) bytes += "\r\n";
        k2test::WriteFileBytes(DataFile(), bytes);
    }

    // Both files as the shutdown sequence writes them for a run that started
    // from WriteDataFile(path) and page `page`.
    void ExpectSaved(const std::string& path, const char* page) {
        EXPECT_EQ(ProfileValue(Ini(), "現在のページ番号"), page);
        EXPECT_EQ(ProfileValue(Ini(), "Version"), "149");
        const std::vector<std::string> lines = Lines(k2test::ReadFileBytes(DataFile()));
        ASSERT_EQ(lines.size(), 182u);
        EXPECT_EQ(lines[0], "1");
        EXPECT_EQ(lines[1], k2::EncodeStoredText(path));
    }

    k2test::ScratchDir scratch_;
    std::string exe_;
};

} // namespace

TEST_F(LifecycleTest, MinimisingHidesTheWindowAndTheTaskbarCarrierUntilTheNextShowing) {
    const Process k2 = StartCopy();
    const HWND form = Form(k2);
    const HWND app = AppWindow(k2);
    ASSERT_NE(form, nullptr);
    ASSERT_NE(app, nullptr);
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_FALSE(IsWindowVisible(app));

    DoubleClickTray(form);
    EXPECT_TRUE(Becomes(form, true));
    EXPECT_TRUE(Stays(app, false)) << "the first showing put a button on the taskbar";

    Post(form, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(Becomes(form, false));
    EXPECT_TRUE(Stays(app, false));

    DoubleClickTray(form);
    EXPECT_TRUE(Becomes(form, true));
    EXPECT_TRUE(Becomes(app, true)) << "after a minimise the showing brings the taskbar button back";

    Post(form, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(Becomes(form, false));
    EXPECT_TRUE(Becomes(app, false));
    EXPECT_TRUE(k2.IsRunning());
}

TEST_F(LifecycleTest, EndOfSessionQuitsWithoutAskingAndSavesBothFiles) {
    WriteDataFile("C:\\a.txt");
    k2test::WriteFileBytes(Ini(), "[各種設定]\r\n現在のページ番号=3\r\n");
    const Process k2 = StartCopy();
    ASSERT_NE(Form(k2), nullptr);
    k2test::BoxAnswerer boxes(k2.Id());

    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutA(Form(k2), WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, kTimeoutMs, &result));
    EXPECT_EQ(result, 1u) << "the session may end";
    ASSERT_TRUE(k2.WaitForExit(kTimeoutMs)) << "still running after the end of the session";
    EXPECT_EQ(k2.ExitCode(), 0u);
    EXPECT_TRUE(boxes.Seen().empty()) << "asked \"" << boxes.Seen().front().text << "\"";
    ExpectSaved("C:\\a.txt", "3");
}

TEST_F(LifecycleTest, ClosingAsksAndCancelKeepsTheProgramRunning) {
    WriteDataFile("C:\\b.txt");
    const Process k2 = StartCopy();
    const HWND form = Form(k2);
    ASSERT_NE(form, nullptr);

    // The close box.
    Post(form, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(k2test::WaitUntil([&] { return VisibleBox(k2); }, kTimeoutMs)) << "no question";
    for (const auto& window : k2test::TopLevelWindows(k2.Id())) {
        if (window.windowClass == "#32770" && window.visible) {
            EXPECT_EQ(VisibleButtons(window.hwnd), (std::vector<int>{IDOK, IDCANCEL}));
        }
    }
    {
        k2test::BoxAnswerer boxes(k2.Id());
        boxes.Queue(IDCANCEL);
        ASSERT_TRUE(boxes.WaitForBoxes(1, kTimeoutMs));
        EXPECT_EQ(boxes.Seen()[0].caption, "確認");
        EXPECT_EQ(boxes.Seen()[0].text, "コルミ２を終了しても宜しいですか？");
    }
    EXPECT_FALSE(k2.WaitForExit(kQuietMs)) << "Cancel ended the program";
    EXPECT_FALSE(tk::FileExists(Ini())) << "something was saved while running";

    {
        k2test::BoxAnswerer boxes(k2.Id());
        boxes.Queue(IDOK);
        Post(form, WM_CLOSE, 0, 0);
        ASSERT_TRUE(boxes.WaitForBoxes(1, kTimeoutMs));
        EXPECT_EQ(boxes.Seen()[0].text, "コルミ２を終了しても宜しいですか？");
        ASSERT_TRUE(k2.WaitForExit(kTimeoutMs)) << "OK did not end the program";
    }
    EXPECT_EQ(k2.ExitCode(), 0u);
    EXPECT_FALSE(K2MutexExists());
    ExpectSaved("C:\\b.txt", "0");
}

TEST_F(LifecycleTest, MalformedDataFileIsReportedAndTheProgramEndsLeavingItAlone) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* says;
    };
    std::string lineEnds;
    for (int line = 0; line < 182; ++line) lineEnds += "\r\n";
    const Case cases[] = {
        {"too short", "1\r\nC:\\a.txt\r\n", "3 行目がありません"},
        {"switch not a number", "x" + lineEnds, "1 行目が整数ではありません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        k2test::WriteFileBytes(DataFile(), c.bytes);
        Process k2 = Process::Start(exe_, "", scratch_.Path());
        ASSERT_TRUE(k2);
        k2test::BoxAnswerer boxes(k2.Id());
        ASSERT_TRUE(boxes.WaitForBoxes(1, kTimeoutMs)) << "no error box";
        ASSERT_TRUE(k2.WaitForExit(kTimeoutMs));
        EXPECT_EQ(k2.ExitCode(), 0u);
        const k2test::SeenBox box = boxes.Seen()[0];
        EXPECT_EQ(box.caption, "コルミ２");
        EXPECT_NE(box.text.find(DataFile()), std::string::npos) << box.text;
        EXPECT_NE(box.text.find(c.says), std::string::npos) << box.text;
        EXPECT_EQ(boxes.Seen().size(), 1u);
        EXPECT_EQ(k2test::ReadFileBytes(DataFile()), c.bytes) << "the file was changed";
        EXPECT_FALSE(tk::FileExists(Ini())) << "settings were saved by a program that never ran";
    }
}
