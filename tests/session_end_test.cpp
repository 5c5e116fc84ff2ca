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
// What the system's shutdown screen was told: the reason, then "" once it went.
std::vector<std::string> shutdownScreen;
BOOL WINAPI Block(HWND, LPCWSTR reason) {
    shutdownScreen.push_back(tk::Utf8(reason));
    return TRUE;
}
BOOL WINAPI Unblock(HWND) {
    shutdownScreen.push_back("");
    return TRUE;
}
} // namespace

TEST_F(MainWindowTest, AFailedSaveInTheQueryIsNamedOnTheShutdownScreenUntilItsBoxIsAnswered) {
    Start();
    const std::string data = Dir() + "data\\data0.kor";
    WriteDataFile("old");
    SetFileAttributesA(data.c_str(), FILE_ATTRIBUTE_READONLY);
    Form().blockShutdown = Block;
    Form().unblockShutdown = Unblock;
    k2test::BoxAnswerer boxes;
    EXPECT_EQ(SendMessageA(Form().Handle(), WM_QUERYENDSESSION, 0, 0), 1);
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_NE(boxes.Seen()[0].text.find(data), std::string::npos) << boxes.Seen()[0].text;
    ASSERT_EQ(shutdownScreen.size(), 2u);
    EXPECT_NE(shutdownScreen[0].find(data + " を保存できません"), std::string::npos) << shutdownScreen[0];
    EXPECT_EQ(shutdownScreen[1], "");
    SetFileAttributesA(data.c_str(), FILE_ATTRIBUTE_NORMAL);
}
