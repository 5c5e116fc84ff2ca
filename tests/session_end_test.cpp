// The end of the session seen by the window: a query that saves, an end that
// is cancelled or goes through, and one that comes during the start sequence.
#include "support/MainWindow.h"

#include "app/persist/StoredText.h"
#include "support/BoxAnswerer.h"
#include "toolkit/Text.h"

#include <atomic>
#include <thread>

using k2test::MainWindowTest;

TEST_F(MainWindowTest, SessionEndDuringStartUpLeavesTheFilesAlone) {
    std::string lines = "0\r\n" + k2::EncodeStoredText("C:\\kept.exe") + "\r\n";
    for (int i = 2; i < 182; ++i) lines += "\r\n";
    WriteDataFile(lines);

    // Another thread sends the query as soon as the window exists; the
    // constructor's calls to the shell let it in before the sequence ends.
    std::atomic<bool> sent{false};
    std::atomic<LRESULT> answer{0};
    std::thread session([&] {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < 5000) {
            HWND window = nullptr;
            while ((window = FindWindowExA(nullptr, window, "TForm1", nullptr)) != nullptr) {
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner != GetCurrentProcessId()) continue;
                answer = SendMessageA(window, WM_QUERYENDSESSION, 0, 0);
                sent = true;
                return;
            }
            Sleep(0);
        }
    });
    Start();
    session.join();
    ASSERT_TRUE(sent);
    EXPECT_EQ(answer, 1);
    // The start sequence finished with the loaded slots, and nothing was
    // written over the data file.
    EXPECT_EQ(Form().slotPaths[0], k2::EncodeStoredText("C:\\kept.exe"));
    EXPECT_EQ(k2test::ReadFileBytes(Dir() + "data\\data0.kor"), lines);
    EXPECT_FALSE(Form().windowsExiting);
}

namespace {
std::vector<std::string> shutdownEvents;
const k2test::BoxAnswerer* answerer = nullptr;
BOOL WINAPI RecordBlock(HWND, LPCWSTR reason) {
    shutdownEvents.push_back("block " + tk::WideToAnsi(reason) + " after " + std::to_string(answerer->Seen().size()));
    return TRUE;
}
BOOL WINAPI RecordUnblock(HWND) {
    shutdownEvents.push_back("unblock after " + std::to_string(answerer->Seen().size()));
    return TRUE;
}
} // namespace

// Last in this program: the end of the session ends the application object.
TEST_F(MainWindowTest, QuerySavesAndACancelledEndGoesOnAndAnEndedOneFreesAllWithoutAWindow) {
    Start();
    k2::TForm1& form = Form();
    const std::string data = Dir() + "data\\data0.kor";
    k2test::WriteFileBytes(data, "old");
    SetFileAttributesA(data.c_str(), FILE_ATTRIBUTE_READONLY);
    form.blockShutdown = RecordBlock;
    form.unblockShutdown = RecordUnblock;
    {
        k2test::BoxAnswerer boxes;
        answerer = &boxes;
        EXPECT_EQ(SendMessageA(form.Handle(), WM_QUERYENDSESSION, 0, 0), 1);
        ASSERT_EQ(boxes.Seen().size(), 1u);
        EXPECT_NE(boxes.Seen()[0].text.find(data), std::string::npos) << boxes.Seen()[0].text;
        // The system's shutdown screen names the file while the box is up.
        ASSERT_EQ(shutdownEvents.size(), 2u);
        EXPECT_EQ(shutdownEvents[0].rfind("block ", 0), 0u);
        EXPECT_NE(shutdownEvents[0].find(data), std::string::npos) << shutdownEvents[0];
        EXPECT_NE(shutdownEvents[0].find(" after 0"), std::string::npos);
        EXPECT_EQ(shutdownEvents[1], "unblock after 1");
    }
    EXPECT_TRUE(tk::FileExists(Dir() + "data\\data99.ini")) << "the other file was not saved";

    // Cancelled by another program: everything goes on.
    SendMessageA(form.Handle(), WM_ENDSESSION, FALSE, 0);
    EXPECT_FALSE(form.Ending());
    EXPECT_NE(form.trayIcon, nullptr);
    EXPECT_NE(form.hotKeys, nullptr);
    EXPECT_FALSE(RegisterHotKey(nullptr, 1, MOD_CONTROL, VK_NUMPAD1)) << "the slot keys were let go";

    // Ended: the keys, the tray and the chain go back, nothing is saved or shown again.
    SetFileAttributesA(data.c_str(), FILE_ATTRIBUTE_NORMAL);
    k2test::BoxAnswerer boxes;
    SendMessageA(form.Handle(), WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(form.Ending());
    EXPECT_EQ(form.trayIcon, nullptr);
    EXPECT_EQ(form.hotKeys, nullptr);
    EXPECT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL, VK_NUMPAD1));
    UnregisterHotKey(nullptr, 1);
    EXPECT_EQ(k2test::ReadFileBytes(data), "old");
    EXPECT_TRUE(boxes.Seen().empty());
}
