// The life of a real K2.exe copy watched from outside: shown and minimised,
// closed by the user or by the end of the session (also cancelled, while a
// dialog is open, while a file cannot be saved or is held by another program,
// or killed while saving), and a start that fails.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/persist/DataFile.h"
#include "app/persist/StoredText.h"
#include "support/BoxAnswerer.h"
#include "support/Process.h"
#include "support/Scratch.h"
#include "support/Windows.h"
#include "toolkit/Handles.h"
#include "toolkit/Text.h"

using k2test::K2MutexExists;
using k2test::ProfileValue;
using k2test::Process;
using k2test::ReadFileBytes;
using k2test::StoredText;
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

// A visible top-level window of the process of that class (and caption, when given).
HWND VisibleWindow(const Process& process, const std::string& windowClass, const char* caption = nullptr) {
    for (const auto& window : k2test::TopLevelWindows(process.Id()))
        if (window.visible && window.windowClass == windowClass && (!caption || window.caption == caption))
            return window.hwnd;
    return nullptr;
}

HWND WaitForWindow(const Process& process, const std::string& windowClass, const char* caption = nullptr) {
    HWND found = nullptr;
    k2test::WaitUntil([&] { return (found = VisibleWindow(process, windowClass, caption)) != nullptr; }, kTimeoutMs);
    return found;
}

std::string BoxText(HWND box) { return StoredText(GetDlgItem(box, 0xFFFF)); }

// A control of the main window by class and caption; slot button 1 (caption
// "") by its place in the slot panel.
HWND ChildOf(HWND form, const char* windowClass, const std::string& caption) {
    std::vector<HWND> children;
    EnumChildWindows(
        form,
        [](HWND child, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
        if (lstrcmpiA(k2test::ClassOf(child).c_str(), windowClass) == 0 && StoredText(child) == caption &&
            (!caption.empty() || (rect.left == 44 && rect.top == 128)))
            return child;
    }
    return nullptr;
}

// A drag of a tool button onto a control as the mouse does it.
void DragOnto(HWND source, HWND target) {
    RECT rect;
    GetWindowRect(target, &rect);
    POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ScreenToClient(source, &centre);
    const LPARAM at = MAKELPARAM(static_cast<WORD>(centre.x), static_cast<WORD>(centre.y));
    PostMessageA(source, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageA(source, WM_MOUSEMOVE, MK_LBUTTON, at);
    PostMessageA(source, WM_LBUTTONUP, 0, at);
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
        CreateDirectoryW(tk::Wide(Data()).c_str(), nullptr);
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
        // Idle may be signalled while the start sequence still lets messages in (a
        // query then saves nothing); joining the clipboard viewer chain is its last such step.
        EXPECT_TRUE(k2test::WaitUntil(
            [&] { return !process.IsRunning() || (Form(process) && GetClipboardViewer() == Form(process)); }, kTimeoutMs))
            << "the start sequence did not end";
        return process;
    }

    static HWND Form(const Process& process) { return WindowOf(process, "TForm1"); }
    static HWND AppWindow(const Process& process) { return WindowOf(process, "TApplication"); }

    // The answer to WM_QUERYENDSESSION; -1 when none came.
    // ENDSESSION_CLOSEAPP: the Restart Manager closes K2 for an installer or an update.
    static LRESULT QueryEndSession(const Process& process, LPARAM reason = 0) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(Form(process), WM_QUERYENDSESSION, 0, reason, SMTO_NORMAL, kTimeoutMs, &result))
            return -1;
        return static_cast<LRESULT>(result);
    }
    static void EndSession(const Process& process, LPARAM reason = 0) {
        SendNotifyMessageA(Form(process), WM_ENDSESSION, TRUE, reason);
    }

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

    // A current-format data file with `path` in slot 0; with passwords on,
    // slot 0 guarded by `password` and the master password `master`.
    void WriteDataFile(const std::string& path, const std::string& password = "", const std::string& master = "") {
        std::string bytes = (password.empty() ? "1\r\n" : "0\r\n") + k2::EncodeStoredText(k2test::Cp932(path)) + "\r\n";
        for (int line = 2; line < 181; ++line) bytes += line == 180 ? k2::EncodeStoredText(password) + "\r\n" : "\r\n";
        bytes += k2::EncodeStoredText(master) + "\r\n";
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
        EXPECT_EQ(lines[1], k2::EncodeStoredText(k2test::Cp932(path)));
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

    // Real keys: Tab moves the focus from slot to slot, Escape minimises too.
    auto focus = [form] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(form, nullptr), &info);
        return info.hwndFocus;
    };
    auto type = [](WORD key) {
        INPUT input[2]{};
        for (INPUT& i : input) i.type = INPUT_KEYBOARD, i.ki.wVk = key;
        input[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, input, sizeof(INPUT));
        Sleep(200);
    };
    // The window takes the focus first and hands it on to its slot.
    HWND first = nullptr;
    for (int i = 0; i < 50 && !IsChild(form, first); ++i, Sleep(20)) first = focus();
    ASSERT_TRUE(IsChild(form, first));
    type(VK_TAB);
    EXPECT_TRUE(IsChild(form, focus()) && focus() != first);
    type(VK_ESCAPE);
    EXPECT_TRUE(Becomes(form, false));
    EXPECT_TRUE(Becomes(app, false));
    EXPECT_TRUE(k2.IsRunning());
}

TEST_F(LifecycleTest, EndOfSessionSavesInTheQueryGoesOnWhenCancelledAndEndsWithoutAsking) {
    WriteDataFile("C:\\a.txt");
    k2test::WriteFileBytes(Ini(), k2test::Cp932("[各種設定]\r\n現在のページ番号=3\r\n"));
    const Process k2 = StartCopy();
    ASSERT_NE(Form(k2), nullptr);
    k2test::BoxAnswerer boxes(k2.Id());
    // A scanner holds the file without sharing for 0.8 s as the session ends.
    auto heldBriefly = [](const std::string& file) {
        return std::thread([held = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)] {
            Sleep(800);
            CloseHandle(held);
        });
    };
    std::thread scanner = heldBriefly(Ini());
    ASSERT_EQ(QueryEndSession(k2), 1) << "the session may end";
    scanner.join();
    ExpectSaved("C:\\a.txt", "3");

    // Another program cancelled: K2 goes on with its hot keys, and saves again at the end.
    DeleteFileA(Ini().c_str());
    SendMessageTimeoutA(Form(k2), WM_ENDSESSION, FALSE, 0, SMTO_NORMAL, kTimeoutMs, nullptr);
    EXPECT_FALSE(k2.WaitForExit(kQuietMs)) << "a cancelled end ended the program";
    EXPECT_FALSE(RegisterHotKey(nullptr, 1, MOD_CONTROL, VK_NUMPAD1)) << "Ctrl+1 was let go";
    scanner = heldBriefly(DataFile());
    // Closed for an update this time: it saves and ends as at the end of the session.
    ASSERT_EQ(QueryEndSession(k2, ENDSESSION_CLOSEAPP), 1);
    scanner.join();
    EndSession(k2, ENDSESSION_CLOSEAPP);
    ASSERT_TRUE(k2.WaitForExit(kTimeoutMs)) << "still running after the end of the session";
    EXPECT_EQ(k2.ExitCode(), 0u);
    EXPECT_TRUE(boxes.Seen().empty()) << "asked \"" << boxes.Seen().front().text << "\"";
    ExpectSaved("C:\\a.txt", "3");
    for (const std::string& left : {Ini() + ".tmp", DataFile() + ".tmp", Ini() + ".bak", DataFile() + ".bak"})
        EXPECT_FALSE(tk::FileExists(left)) << left;

    // A forced end comes without the query: the end saves, silently.
    DeleteFileA(Ini().c_str());
    const Process forced = StartCopy();
    EndSession(forced);
    ASSERT_TRUE(forced.WaitForExit(kTimeoutMs));
    ExpectSaved("C:\\a.txt", "0");
}

// A data folder as a Japanese Windows leaves it (code page 932, names beyond
// it after the last line) starts the same files under every code page.
TEST_F(LifecycleTest, ADataFolderFromAJapaneseWindowStartsTheSameFiles) {
    const std::string record = scratch_.Path() + "launched.txt";
    SetEnvironmentVariableW(L"K2_RECORD_FILE", tk::Wide(record).c_str());
    k2::SlotModel model;
    const std::string folders[] = {scratch_.Path() + "表 ツール", scratch_.Path() + "Café 😀"};
    for (int g = 0; g < 2; ++g) {
        ASSERT_TRUE(tk::ForceDirectories(folders[g]));
        const std::string exe = folders[g] + "\\起動.exe";
        ASSERT_TRUE(CopyFileW(tk::Wide(k2test::TestBinFolder() + "launch_recorder.exe").c_str(), tk::Wide(exe).c_str(),
                              FALSE));
        model.slotPaths[g] = k2::EncodeStoredText(exe);
    }
    const std::string data = k2::FormatDataFile(model);
    ASSERT_EQ(k2::SplitLines(data)[1], k2::EncodeStoredText(k2test::Cp932(folders[0] + "\\起動.exe")));
    k2test::WriteFileBytes(DataFile(), data);
    const Process k2 = StartCopy();
    ASSERT_NE(Form(k2), nullptr);
    for (int id : {1, 2}) {
        Post(Form(k2), WM_HOTKEY, static_cast<WPARAM>(id), MAKELPARAM(MOD_CONTROL, 0));
        EXPECT_TRUE(k2test::WaitUntil([&] { return Lines(ReadFileBytes(record)).size() == std::size_t(id); }, kTimeoutMs));
    }
    EXPECT_EQ(ReadFileBytes(record), folders[0] + "|\r\n" + folders[1] + "|\r\n");
    ASSERT_EQ(QueryEndSession(k2), 1);
    EndSession(k2);
    ASSERT_TRUE(k2.WaitForExit(kTimeoutMs));
    EXPECT_EQ(ReadFileBytes(DataFile()), data) << "saved otherwise";
}

TEST_F(LifecycleTest, ClosingAsksAndCancelKeepsTheProgramRunning) {
    WriteDataFile("C:\\b.txt");
    const Process k2 = StartCopy();
    const HWND form = Form(k2);
    ASSERT_NE(form, nullptr);

    // The close box.
    Post(form, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(k2test::WaitUntil([&] { return VisibleWindow(k2, "#32770") != nullptr; }, kTimeoutMs)) << "no question";
    for (const auto& window : k2test::TopLevelWindows(k2.Id())) {
        if (window.windowClass == "#32770" && window.visible) {
            EXPECT_EQ(VisibleButtons(window.hwnd), (std::vector<int>{IDOK, IDCANCEL}));
        }
    }
    {
        k2test::BoxAnswerer boxes(k2.Id(), {IDCANCEL});
        ASSERT_TRUE(boxes.WaitForBoxes(1, kTimeoutMs));
        EXPECT_EQ(boxes.Seen()[0].caption, "確認");
        EXPECT_EQ(boxes.Seen()[0].text, "コルミ２を終了しても宜しいですか？");
    }
    EXPECT_FALSE(k2.WaitForExit(kQuietMs)) << "Cancel ended the program";
    EXPECT_FALSE(tk::FileExists(Ini())) << "something was saved while running";

    {
        k2test::BoxAnswerer boxes(k2.Id());
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

TEST_F(LifecycleTest, AFailedSaveIsShownUntilAnsweredOnEveryWayOfEnding) {
    struct Route {
        const char* what;
        std::function<void(const Process&)> end;
        bool asks;
        bool session = false; // the end comes once the query is answered
    };
    const Route routes[] = {
        {"close box", [](const Process& k2) { Post(Form(k2), WM_SYSCOMMAND, SC_CLOSE, 0); }, true},
        {"application window's system menu", [](const Process& k2) { Post(AppWindow(k2), WM_SYSCOMMAND, SC_CLOSE, 0); },
         true},
        {"WM_CLOSE", [](const Process& k2) { Post(Form(k2), WM_CLOSE, 0, 0); }, true},
        {"end of session", [](const Process& k2) { SendNotifyMessageA(Form(k2), WM_QUERYENDSESSION, 0, 0); }, false,
         true},
    };
    struct Case {
        const Route& route;
        std::string file;
        bool held = false; // by another program, without sharing, rather than read-only
        bool both = false; // the other file held too
    };
    const Case cases[] = {{routes[0], DataFile()}, {routes[1], DataFile()},      {routes[2], DataFile()},
                          {routes[3], DataFile()}, {routes[2], Ini()},           {routes[3], Ini()},
                          {routes[2], Ini(), true}, {routes[3], DataFile(), true}, {routes[3], Ini(), true},
                          {routes[3], DataFile(), true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.route.what) + (c.held ? ", held " : ", read-only ") + c.file);
        WriteDataFile("C:\\a.txt");
        k2test::WriteFileBytes(Ini(), k2test::Cp932("[各種設定]\r\n現在のページ番号=3\r\n"));
        const std::string before = ReadFileBytes(c.file);
        const Process k2 = StartCopy();
        ASSERT_NE(Form(k2), nullptr);
        auto held = [](const std::string& file) {
            return tk::FileHandle(CreateFileW(tk::Wide(file).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        };
        tk::FileHandle hold, holdOther = c.both ? held(c.file == DataFile() ? Ini() : DataFile()) : tk::FileHandle();
        if (c.held)
            hold = held(c.file);
        else
            SetFileAttributesW(tk::Wide(c.file).c_str(), FILE_ATTRIBUTE_READONLY);

        const DWORD start = GetTickCount();
        c.route.end(k2);
        if (c.route.asks) {
            const HWND question = WaitForWindow(k2, "#32770", "確認");
            ASSERT_NE(question, nullptr) << "no question";
            k2test::PressButton(question, IDOK);
        }
        const HWND box = WaitForWindow(k2, "#32770", "コルミ２");
        ASSERT_NE(box, nullptr) << "no error box";
        // Windows ends a program that has not answered the query within 5 s, whatever holds its files.
        EXPECT_TRUE(!c.route.session || GetTickCount() - start < 3500) << "box after " << GetTickCount() - start << " ms";
        EXPECT_NE(BoxText(box).find(c.file), std::string::npos) << BoxText(box);
        EXPECT_FALSE(k2.WaitForExit(1000)) << "the box went by itself";
        EXPECT_TRUE(IsWindowVisible(box));
        k2test::PressButton(box, IDOK);
        hold.Reset();
        holdOther.Reset();
        if (c.route.session) {
            ASSERT_TRUE(k2test::WaitUntil([&] { return !IsWindow(box); }, kTimeoutMs));
            EndSession(k2);
        }
        ASSERT_TRUE(k2.WaitForExit(kTimeoutMs));
        EXPECT_EQ(k2.ExitCode(), 0u);

        SetFileAttributesW(tk::Wide(c.file).c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(ReadFileBytes(c.file), before) << "the file was replaced";
        EXPECT_FALSE(tk::FileExists(c.file + ".tmp") || tk::FileExists(c.file + ".bak"));
        // The other file was saved all the same.
        if (c.both) continue;
        if (c.file == DataFile()) EXPECT_EQ(ProfileValue(Ini(), "Version"), "149");
        else EXPECT_EQ(Lines(ReadFileBytes(DataFile())).size(), 182u);
    }
}

TEST_F(LifecycleTest, BothFilesAreWholeAtTheNextStartWhenTheProgramIsKilledWhileSaving) {
    const std::string oldIni = "[他の設定]\r\nキー=値\r\n[各種設定]\r\n現在のページ番号=3\r\n";
    WriteDataFile("C:\\a.txt");
    const std::string data = ReadFileBytes(DataFile());

    // One whole save first: what it writes, and how long it takes.
    k2test::WriteFileBytes(Ini(), k2test::Cp932(oldIni));
    DWORD saveMs = 0;
    {
        const Process k2 = StartCopy();
        const DWORD start = GetTickCount();
        ASSERT_EQ(QueryEndSession(k2), 1);
        saveMs = GetTickCount() - start;
        EndSession(k2);
        ASSERT_TRUE(k2.WaitForExit(kTimeoutMs));
    }
    const std::string newIni = ReadFileBytes(Ini());
    ASSERT_NE(newIni.find(k2test::Cp932("[他の設定]\r\nキー=値\r\n")), std::string::npos);
    ASSERT_EQ(ProfileValue(Ini(), "カーソルキーを使用するか"), "1");

    // Killed at a moment spread over the whole shutdown, between the steps of
    // a replace too (Wine's moves the old file aside before it moves the new
    // one in): the next start finds each file whole under its own name, and
    // nothing else is left in the folder.
    std::mt19937 random(20261208);
    int kept = 0, replaced = 0, cut = 0;
    for (int round = 0; round < 10; ++round) {
        k2test::WriteFileBytes(Ini(), k2test::Cp932(oldIni));
        Process k2 = StartCopy();
        ASSERT_NE(Form(k2), nullptr);
        SendNotifyMessageA(Form(k2), WM_QUERYENDSESSION, 0, 0);
        Sleep(random() % (saveMs + 1));
        k2.Kill();
        cut += !tk::FileExists(Ini()) || !tk::FileExists(DataFile());
        Process next = StartCopy();
        ASSERT_NE(Form(next), nullptr) << "round " << round;
        next.Kill();
        const std::string ini = ReadFileBytes(Ini());
        EXPECT_TRUE(ini == k2test::Cp932(oldIni) || ini == newIni) << "round " << round << " left:\n" << ini;
        EXPECT_EQ(ReadFileBytes(DataFile()), data) << "round " << round;
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        const tk::FindHandle search(FindFirstFileA((Data() + "*").c_str(), &found));
        for (BOOL more = search ? TRUE : FALSE; more; more = FindNextFileA(search.Get(), &found))
            if (found.cFileName[0] != '.') names.push_back(found.cFileName);
        EXPECT_EQ(names, (std::vector<std::string>{"data0.kor", "data99.ini"})) << "round " << round;
        (ini == k2test::Cp932(oldIni) ? kept : replaced) += 1;
    }
    std::printf("query answered (both files saved) in %lu ms; old file kept %d times, replaced %d times; "
                "%d kill(s) left a file only beside its name\n",
                saveMs, kept, replaced, cut);
}

TEST_F(LifecycleTest, EndingWhileADialogIsOpenSavesOnceLaunchesNothingAndExitsCleanly) {
    const std::string record = scratch_.Path() + "launched.txt";
    SetEnvironmentVariableW(L"K2_RECORD_FILE", tk::Wide(record).c_str());
    const std::string launcher = k2test::TestBinFolder() + "launch_recorder.exe";

    auto show = [](const Process& k2) {
        DoubleClickTray(Form(k2));
        return Becomes(Form(k2), true);
    };
    auto prompt = [](const Process& k2) { return WaitForWindow(k2, "TForm2"); };
    auto type = [](HWND dialog, const char* text) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(k2test::FindDescendant(dialog, "Edit"), WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>(tk::Wide(text).c_str()),
                            SMTO_BLOCK, 5000, &ignored);
    };
    auto dragTool = [&](const Process& k2, const char* tool) {
        if (!show(k2)) return false;
        const HWND source = ChildOf(Form(k2), "Button", tool);
        const HWND slot = ChildOf(Form(k2), "Button", "");
        if (!source || !slot) return false;
        DragOnto(source, slot);
        return true;
    };
    auto chooser = [](const Process& k2) {
        HWND found = nullptr;
        k2test::WaitUntil(
            [&] {
                found = VisibleWindow(k2, "#32770");
                return found && GetDlgItem(found, 1101);
            },
            kTimeoutMs);
        return found;
    };
    // A capture folder that names a file: the next screenshot cannot be written.
    const std::string notAFolder = scratch_.Path() + "file";
    k2test::WriteFileBytes(notAFolder, "x");
    // The screenshot stays on the clipboard after its program ends; later tests capture it.
    struct ClipboardEmptied {
        ~ClipboardEmptied() {
            if (!OpenClipboard(nullptr)) return;
            EmptyClipboard();
            CloseClipboard();
        }
    } emptied;
    auto slotPrompt = [&](const Process& k2) {
        Post(Form(k2), WM_HOTKEY, 1, 0);
        const HWND dialog = prompt(k2);
        if (dialog) type(dialog, "pw"); // the right password, not submitted
        return dialog != nullptr;
    };
    struct Case {
        const char* what;
        std::string settings;
        std::function<bool(const Process&)> open; // true once the dialog is up
        bool byClose = false;                      // WM_CLOSE + OK rather than the end of the session
    };
    const Case cases[] = {
        {"slot password", "", slotPrompt},
        {"slot password, closed with OK", "", slotPrompt, true},
        {"slot password in two-press mode", "ホットキー２度押し起動=1\r\n",
         [&](const Process& k2) {
             Post(Form(k2), WM_HOTKEY, 1, 0);
             Post(Form(k2), WM_HOTKEY, 1, 0);
             return prompt(k2) != nullptr;
         }},
        {"the PASS tool's old password", "",
         [&](const Process& k2) { return dragTool(k2, "PASS") && prompt(k2) != nullptr; }},
        {"the master password, switching off", "",
         [&](const Process& k2) {
             if (!show(k2)) return false;
             Post(k2test::FindDescendant(Form(k2), "SysTabControl32"), WM_KEYDOWN, VK_RIGHT, 0);
             HWND group = nullptr;
             k2test::WaitUntil([&] { return (group = ChildOf(Form(k2), "TRadioGroup", "パスワードを有効に")); },
                               kTimeoutMs);
             if (!group) return false;
             Post(group, WM_COMMAND, MAKEWPARAM(100, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(group, 100)));
             const HWND dialog = prompt(k2);
             if (dialog) type(dialog, "wrong");
             return dialog != nullptr;
         }},
        {"the open-file dialog", "",
         [&](const Process& k2) { return dragTool(k2, "ﾌｧｲﾙ") && WaitForWindow(k2, "#32770") != nullptr; }},
        {"the folder chooser", "", [&](const Process& k2) { return dragTool(k2, "ﾌｫﾙﾀﾞ") && chooser(k2) != nullptr; }},
        {"the folder chooser's question", "",
         [&](const Process& k2) {
             if (!dragTool(k2, "ﾌｫﾙﾀﾞ")) return false;
             const HWND dialog = chooser(k2);
             if (!dialog) return false;
             const std::string missing = scratch_.Path() + "new";
             DWORD_PTR ignored = 0;
             SendMessageTimeoutW(GetDlgItem(dialog, 1101), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(tk::Wide(missing).c_str()),
                                 SMTO_BLOCK, 5000, &ignored);
             k2test::PressButton(dialog, IDOK);
             return WaitForWindow(k2, "#32770", "確認") != nullptr;
         }},
        {"the close question", "",
         [&](const Process& k2) {
             Post(Form(k2), WM_CLOSE, 0, 0);
             return WaitForWindow(k2, "#32770", "確認") != nullptr;
         }},
        {"an error box", "簡易キャプチャ=1\r\njpgファイルの保存先=" + notAFolder + "\r\n",
         [&](const Process& k2) {
             Process put = Process::Start(k2test::TestBinFolder() + "clip_put.exe", "bitmap 8 8");
             return put && put.WaitForExit(kTimeoutMs) && WaitForWindow(k2, "#32770", "コルミ２") != nullptr;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileW(tk::Wide(record).c_str());
        WriteDataFile(launcher, "pw", "master");
        const std::string data = ReadFileBytes(DataFile());
        k2test::WriteFileBytes(Ini(), k2test::Cp932("[各種設定]\r\n現在のページ番号=0\r\n" + c.settings));
        const Process k2 = StartCopy();
        ASSERT_NE(Form(k2), nullptr);
        ASSERT_TRUE(c.open(k2)) << "the dialog did not open";

        if (c.byClose) {
            Post(Form(k2), WM_CLOSE, 0, 0);
            const HWND question = WaitForWindow(k2, "#32770", "確認");
            ASSERT_NE(question, nullptr);
            k2test::PressButton(question, IDOK);
        } else {
            EXPECT_EQ(QueryEndSession(k2), 1);
            EXPECT_EQ(ReadFileBytes(DataFile()), data) << "not saved in the query";
            EndSession(k2);
        }
        ASSERT_TRUE(k2.WaitForExit(kTimeoutMs)) << "still running";
        EXPECT_EQ(k2.ExitCode(), 0u);
        EXPECT_EQ(ReadFileBytes(DataFile()), data);
        EXPECT_EQ(ProfileValue(Ini(), "カーソルキーを使用するか"), "1") << "settings not saved whole";
        Sleep(300);
        EXPECT_FALSE(tk::FileExists(record)) << "a slot was launched";
    }
}

TEST_F(LifecycleTest, ASlowShareNeitherStopsTheWindowNorAnotherSlotNorTheEndOfTheSession) {
    // The preloaded library (tests/preload) slows down the folder this file names.
    const char* const settings = std::getenv("K2_SLOW_FOLDER_FILE");
    const auto unixName = reinterpret_cast<char*(CDECL*)(LPCWSTR)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    if (!settings || !unixName) GTEST_SKIP() << "no slow-folder library here";
    const std::string record = scratch_.Path() + "launched.txt";
    SetEnvironmentVariableW(L"K2_RECORD_FILE", tk::Wide(record).c_str());
    k2::SlotModel model;
    for (int g = 0; g < 2; ++g) {
        const std::string folder = scratch_.Path() + (g == 0 ? "slow" : "quick");
        ASSERT_TRUE(tk::ForceDirectories(folder));
        ASSERT_TRUE(CopyFileW(tk::Wide(k2test::TestBinFolder() + "launch_recorder.exe").c_str(),
                              tk::Wide(folder + "\\tool.exe").c_str(), FALSE));
        model.slotPaths[g] = k2::EncodeStoredText(folder + "\\tool.exe");
    }
    const std::string data = k2::FormatDataFile(model);
    k2test::WriteFileBytes(DataFile(), data);
    // Eight seconds a look-up, in the copy started now only.
    char* const slow = unixName(tk::Wide(scratch_.Path() + "slow").c_str());
    const std::string settingsFile = "Z:" + std::string(settings);
    k2test::WriteFileBytes(settingsFile, std::string(slow) + "\n8000\n");
    HeapFree(GetProcessHeap(), 0, slow);
    const Process k2 = StartCopy();
    DeleteFileW(tk::Wide(settingsFile).c_str());
    const HWND form = Form(k2);
    ASSERT_NE(form, nullptr);
    const auto answerMs = [&](UINT message) {
        const DWORD start = GetTickCount();
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(form, message, 0, 0, SMTO_NORMAL, kTimeoutMs, &result) ? GetTickCount() - start
                                                                                          : kTimeoutMs;
    };

    // A page that shows the slow slot, the slow slot launched, then a quick one.
    DoubleClickTray(form);
    EXPECT_TRUE(Becomes(form, true));
    const DWORD shown = answerMs(WM_NULL);
    const DWORD posted = GetTickCount();
    Post(form, WM_HOTKEY, 1, MAKELPARAM(MOD_CONTROL, 0));
    const DWORD slowLaunch = answerMs(WM_NULL);
    Post(form, WM_HOTKEY, 2, MAKELPARAM(MOD_CONTROL, 0));
    EXPECT_TRUE(k2test::WaitUntil([&] { return !Lines(ReadFileBytes(record)).empty(); }, kTimeoutMs));
    const DWORD quickLaunch = GetTickCount() - posted;
    // The slow one is given up after about three seconds.
    EXPECT_TRUE(k2test::WaitUntil(
        [&] { return ChildOf(form, "TLabel", "ドライブまたはネットワークに接続できないため、起動できませんでした。") != nullptr; },
        kTimeoutMs));
    const DWORD givenUp = GetTickCount() - posted;
    const DWORD query = answerMs(WM_QUERYENDSESSION);
    std::printf("answer times (ms): page shown %lu, slow launch %lu, quick launch %lu, given up %lu, query %lu\n",
                shown, slowLaunch, quickLaunch, givenUp, query);
    EXPECT_LT(std::max({shown, slowLaunch, query}), 500u);
    EXPECT_LT(quickLaunch, 2500u);
    EXPECT_GE(givenUp, 2900u);
    EndSession(k2);
    ASSERT_TRUE(k2.WaitForExit(kTimeoutMs)) << "the end waited for the slow folder";
    EXPECT_EQ(ReadFileBytes(record), scratch_.Path() + "quick|\r\n");
    EXPECT_EQ(ReadFileBytes(DataFile()), data) << "the slow slot was changed";
}
