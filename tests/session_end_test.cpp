// A log-off that reaches the window while its start sequence still runs must
// not save half-loaded state over the user's files.
#include "support/MainWindow.h"

#include "app/persist/StoredText.h"

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
