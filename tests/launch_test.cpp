// Launching slots through the shell, checked for real: the launched program is
// a recorder that writes down its arguments and working directory, and folders
// open in the shell's own folder windows.
#include "support/MainWindow.h"
#include "support/PasswordDialog.h"
#include "support/Process.h"

#include "app/persist/StoredText.h"
#include "toolkit/Application.h"
#include "toolkit/Bitmap.h"
#include "toolkit/Text.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <set>

using k2test::CurrentDirectory;
using k2test::MainWindowTest;
using k2test::Pump;

namespace {

constexpr DWORD kLaunchTimeoutMs = 15000;
// How long a launch that must not happen is waited for.
constexpr DWORD kNoLaunchMs = 1500;

std::string WithoutSeparator(std::string path) {
    if (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

std::set<DWORD> ExplorerProcesses() {
    std::set<DWORD> ids;
    const tk::KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry))
        if (lstrcmpiA(entry.szExeFile, "explorer.exe") == 0) ids.insert(entry.th32ProcessID);
    return ids;
}

// Closes a folder window's process the way a user would, so that the shell
// forgets the window; ends it when it does not go.
void EndProcess(DWORD id) {
    const tk::KernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (!process) return;
    for (const auto& window : k2test::TopLevelWindows(id))
        if (window.visible) PostMessageA(window.hwnd, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.Get(), 5000) == WAIT_TIMEOUT) TerminateProcess(process.Get(), 1);
    WaitForSingleObject(process.Get(), 5000);
}

// What launches hand to the shell: file "|" parameters.
std::vector<std::string> shellCalls;

HINSTANCE WINAPI RecordingShellExecute(HWND, LPCWSTR, LPCWSTR file, LPCWSTR parameters, LPCWSTR, INT) {
    shellCalls.push_back(tk::Utf8(file) + "|" + (parameters ? tk::Utf8(parameters) : ""));
    return reinterpret_cast<HINSTANCE>(33);
}

struct Launch {
    std::string directory;
    std::string arguments;
};

class LaunchTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        savedDirectory_ = CurrentDirectory();
        record_ = Dir() + "launches.txt";
        // Inherited by everything the shell starts from here.
        SetEnvironmentVariableW(L"K2_RECORD_FILE", tk::Wide(record_).c_str());
        explorersBefore_ = ExplorerProcesses();
        ASSERT_FALSE(k2test::TestBinFolder().empty()) << "K2_TEST_BIN is not set";
    }

    void TearDown() override {
        MainWindowTest::TearDown();
        // The scratch folder can go only once it is nobody's current directory.
        SetCurrentDirectoryW(tk::Wide(savedDirectory_).c_str());
        SetEnvironmentVariableW(L"K2_RECORD_FILE", nullptr);
        for (DWORD id : ExplorerProcesses())
            if (!explorersBefore_.contains(id)) EndProcess(id);
    }

    // A copy of the recorder at Dir() + relative; its folders are made.
    std::string PlaceRecorder(const std::string& relative) {
        const std::string target = Dir() + relative;
        tk::ForceDirectories(target.substr(0, target.rfind('\\')));
        EXPECT_TRUE(CopyFileW(tk::Wide((k2test::TestBinFolder() + "launch_recorder.exe")).c_str(), tk::Wide(target).c_str(), FALSE))
            << target;
        return target;
    }

    // Launches recorded so far, waiting up to `timeoutMs` for at least `count`.
    std::vector<Launch> Launches(std::size_t count, DWORD timeoutMs = kLaunchTimeoutMs) {
        std::vector<Launch> launches;
        k2test::WaitUntil(
            [&] {
                Pump(10);
                launches.clear();
                const std::string text = k2test::ReadFileBytes(record_);
                for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
                     start = end + 2) {
                    const std::string line = text.substr(start, end - start);
                    const std::size_t bar = line.find('|');
                    launches.push_back({line.substr(0, bar), line.substr(bar + 1)});
                }
                return launches.size() >= count;
            },
            timeoutMs);
        return launches;
    }

    // Caption of the folder window the shell opened since the last call
    // ("" when none appeared); the shell's process is ended.
    std::string OpenedFolder() {
        std::string caption;
        k2test::WaitUntil(
            [&] {
                Pump(10);
                for (DWORD id : ExplorerProcesses()) {
                    if (explorersBefore_.contains(id)) continue;
                    for (const auto& window : k2test::TopLevelWindows(id))
                        if (window.windowClass == "ExplorerWClass" && window.visible) caption = window.caption;
                }
                return !caption.empty();
            },
            kLaunchTimeoutMs);
        for (DWORD id : ExplorerProcesses())
            if (!explorersBefore_.contains(id)) EndProcess(id);
        return caption;
    }

    // Runs a popup item on a slot button as the menu does.
    void MenuCommand(const char* item, int k) {
        Form().menuTargetButton = &Form().SlotButton(k);
        SendMessageA(Form().Handle(), WM_COMMAND, Form().PopupMenu1->FindItem(std::string(item))->id, 0);
    }

    bool Hidden() { return !IsWindowVisible(Form().Handle()) && tk::App().Minimized(); }

    std::string savedDirectory_;
    std::string record_;
    std::set<DWORD> explorersBefore_;
};

} // namespace

TEST_F(LaunchTest, FileStartsInItsFolderAndTheWindowHides) {
    const std::string tool = PlaceRecorder("bin\\tool.exe");
    Start();
    Register(4, tool);
    Form().ShowMainWindow();
    k2test::Click(Form().SlotButton(4));
    const std::vector<Launch> launches = Launches(1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].directory, Dir() + "bin");
    EXPECT_EQ(launches[0].arguments, "");
    EXPECT_TRUE(Hidden());
    EXPECT_EQ(Slot(4), tool);
    // The folder is the program's, not K2's: a stick it lies on can be ejected.
    EXPECT_EQ(CurrentDirectory(), savedDirectory_);

    // "実行" on the slot the menu was opened on does the same.
    Form().ShowMainWindow();
    MenuCommand("N1", 4);
    EXPECT_EQ(Launches(2).size(), 2u);
    EXPECT_TRUE(Hidden());
}

TEST_F(LaunchTest, ShortcutStartsItsTargetWithItsArgumentsInTheShortcutsFolder) {
    const std::string tool = PlaceRecorder("bin\\tool.exe");
    CreateDirectoryW(tk::Wide((Dir() + "work")).c_str(), nullptr);
    CreateDirectoryW(tk::Wide((Dir() + "links")).c_str(), nullptr);
    CreateDirectoryW(tk::Wide((Dir() + "caps")).c_str(), nullptr);
    Start();
    k2::TSCMake& link = *Form().SCMake1;
    link.SCDir = Dir() + "links";
    link.SCName = "tool";
    link.LinkPath = tool;
    link.Argument = "-x \"表 a\" 2";
    link.WorkDir = Dir() + "work";
    ASSERT_EQ(link.CreateLink(), 0);
    // The same shortcut with the extension in capitals, and one the link object cannot read.
    ASSERT_TRUE(CopyFileW(tk::Wide((Dir() + "links\\tool.lnk")).c_str(), tk::Wide((Dir() + "caps\\tool.LNK")).c_str(), FALSE));
    k2test::WriteFileBytes(Dir() + "links\\broken.lnk", "not a shortcut");
    Register(0, Dir() + "links\\tool.lnk");
    Register(1, Dir() + "caps\\tool.LNK");
    Register(2, Dir() + "links\\broken.lnk");

    Form().ShowMainWindow();
    k2test::Click(Form().SlotButton(0));
    std::vector<Launch> launches = Launches(1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].directory, Dir() + "links") << "the shortcut's own working folder is not used";
    EXPECT_EQ(launches[0].arguments, "-x \"表 a\" 2");
    EXPECT_TRUE(Hidden());

    // ".LNK" goes to the shell as it is: the shell follows it itself.
    Form().ShowMainWindow();
    k2test::Click(Form().SlotButton(1));
    launches = Launches(2);
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[1].directory, Dir() + "work");
    EXPECT_EQ(launches[1].arguments, "-x \"表 a\" 2");

    // A shortcut that cannot be read never starts the target of the one read before.
    Form().ShowMainWindow();
    k2test::Click(Form().SlotButton(2));
    EXPECT_EQ(Launches(3, kNoLaunchMs).size(), 2u);
    EXPECT_EQ(Slot(2), Dir() + "links\\broken.lnk");
    EXPECT_TRUE(Hidden());
}

TEST_F(LaunchTest, ShortcutToSomethingThatIsNoFileGoesToTheShellAsItIs) {
    // Like shortcuts to Control Panel items or Store apps, one to the
    // computer's drives has no target path: only the shell can open it. Wine's
    // shell cannot (it answers 31), so what it is handed is watched instead.
    CreateDirectoryW(tk::Wide((Dir() + "links")).c_str(), nullptr);
    const std::string shortcut = Dir() + "links\\drives.lnk";
    Start(); // the window's shell-link component brings COM
    {
        tk::ComPtr<IShellLinkA> link;
        ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid()),
                  S_OK);
        LPITEMIDLIST drives = nullptr;
        ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives), S_OK);
        link->SetIDList(drives);
        link->SetArguments("-x");
        CoTaskMemFree(drives);
        tk::ComPtr<IPersistFile> file;
        ASSERT_EQ(link->QueryInterface(IID_IPersistFile, file.PutVoid()), S_OK);
        ASSERT_EQ(file->Save(tk::Wide(shortcut).c_str(), TRUE), S_OK);
    }
    ASSERT_EQ(Form().SCMake1->AnalizeLink(shortcut), 0);
    ASSERT_EQ(Form().SCMake1->LinkPath, "");
    Register(0, shortcut);
    Form().shellExecute = RecordingShellExecute;
    shellCalls.clear();
    Form().ShowMainWindow();
    k2test::Click(Form().SlotButton(0));
    EXPECT_EQ(shellCalls, std::vector<std::string>{shortcut + "|"});
    EXPECT_TRUE(Hidden());
}

TEST_F(LaunchTest, OpenFolderShowsTheFolderThatHoldsTheItem) {
    const std::string tool = PlaceRecorder("bin\\tool.exe");
    Start();
    Register(0, tool);
    Register(1, Dir() + "bin");
    Register(2, "C:\\");
    Register(3, Dir() + "bin\\deleted.exe");
    const std::string scratchName = WithoutSeparator(Dir()).substr(WithoutSeparator(Dir()).rfind('\\') + 1);

    struct Case {
        int k;
        std::string window;     // caption of the folder window
        std::string directory;  // K2's current folder afterwards
    };
    const Case cases[] = {
        {0, "bin", Dir() + "bin"},                  // a file: its folder
        {1, scratchName, WithoutSeparator(Dir())},  // a folder: its parent
        {2, " (C:)", "C:\\"},                        // a drive root: itself (the shell names it so)
        {3, "bin", Dir() + "bin"},                  // a file gone from a folder still there
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Slot(c.k));
        const std::string before = Slot(c.k);
        Form().ShowMainWindow();
        MenuCommand("N2", c.k);
        EXPECT_EQ(OpenedFolder(), c.window);
        EXPECT_EQ(Form().currentFolder, c.directory);
        EXPECT_EQ(CurrentDirectory(), savedDirectory_) << "the process's own directory moved";
        EXPECT_EQ(Slot(c.k), before) << "the slot changed";
        EXPECT_TRUE(Hidden());
        EXPECT_FALSE(Form().openFolderRequested);
    }
    EXPECT_TRUE(Launches(1, 0).empty()) << "the program ran instead of its folder opening";
}

TEST_F(LaunchTest, VanishedTargetEmptiesTheSlotButOneOnAVolumeThatIsAwayIsKept) {
    Start();
    k2::TForm1& form = Form();
    struct Case {
        std::string path;
        bool kept;
    } const cases[] = {
        {"Q:\\tools\\gone.exe", true},                 // a drive letter that is not mapped
        {"\\\\k2-no-such-server\\share\\gone.exe", true}, // a share that cannot be reached
        {Dir() + "gone.exe", false},                     // gone from a volume that is there
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        form.Label2->SetCaption("");
        Register(2, c.path, "pw"); // passwords are off: no question
        tk::Bitmap(32, 32, RGB(200, 10, 10)).SaveToFile(CacheFile(2));
        const std::string cached = k2test::ReadFileBytes(CacheFile(2));
        form.RefreshSlotButtons();
        form.ShowMainWindow();

        k2test::Click(form.SlotButton(2));
        EXPECT_EQ(form.slotPaths[2], c.kept ? k2::EncodeStoredText(c.path) : "");
        EXPECT_EQ(form.passwords[3], k2::EncodeStoredText("pw"));
        EXPECT_EQ(form.SlotButton(2).Glyph().Pixel(5, 5), c.kept ? RGB(200, 10, 10) : GetSysColor(COLOR_BTNFACE));
        EXPECT_EQ(k2test::ReadFileBytes(CacheFile(2)) == cached, c.kept) << "the cached icon";
        EXPECT_EQ(form.Label2->Caption(),
                  c.kept ? "ドライブまたはネットワークに接続できないため、起動できませんでした。" : "");
        EXPECT_EQ(Hidden(), !c.kept);
    }

    // An empty slot is launched the same way: it stays empty.
    form.ShowMainWindow();
    k2test::Click(form.SlotButton(7));
    EXPECT_EQ(form.slotPaths[7], "");
    EXPECT_TRUE(Hidden());
    EXPECT_TRUE(Launches(1, kNoLaunchMs).empty());
}

TEST_F(LaunchTest, RefusedOpenFolderLeavesTheNextLaunchAnOrdinaryOne) {
    const std::string guarded = PlaceRecorder("guarded\\tool.exe");
    const std::string open = PlaceRecorder("open\\tool.exe");
    Start();
    k2::TForm1& form = Form();
    form.passwordsDisabled = 0;
    Register(4, guarded);
    form.passwords[5] = k2::EncodeStoredText("secret");
    Register(5, open);
    k2test::PasswordAnswerer answerer;

    // Refused, even when it came from "フォルダを開く".
    form.ShowMainWindow();
    answerer.Queue("secreT");
    MenuCommand("N2", 4);
    EXPECT_EQ(answerer.Answered(), 1);
    EXPECT_EQ(form.Label2->Caption(), "パスワードが違います。");
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
    EXPECT_FALSE(tk::App().Minimized());
    EXPECT_FALSE(form.openFolderRequested);
    EXPECT_EQ(Slot(4), guarded);

    // The next launch is an ordinary one: the program runs, its folder does not open.
    k2test::Click(form.SlotButton(5));
    const std::vector<Launch> launches = Launches(1);
    ASSERT_EQ(launches.size(), 1u) << "the refused slot ran, or the next one did not";
    EXPECT_EQ(launches[0].directory, Dir() + "open");
    EXPECT_EQ(answerer.Answered(), 1) << "a slot without a password asked for one";
}

TEST_F(LaunchTest, FolderNamedWithATrailing5CByteWorksThroughout) {
    // In code page 932, as the files store it, the second byte of "表" is 0x5C.
    const std::string tool = PlaceRecorder("表\\tool.exe");
    Start();
    k2::TForm1& form = Form();
    form.ShowMainWindow();
    // Registered by a shell drop on the first slot.
    const std::wstring names = tk::Wide(tool) + L'\0' + L'\0';
    const std::size_t bytes = names.size() * sizeof(wchar_t);
    HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + bytes);
    auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), names.data(), bytes);
    GlobalUnlock(drop);
    SendMessageA(form.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    ASSERT_EQ(Slot(0), tool);
    Settle();
    EXPECT_TRUE(tk::FileExists(Dir() + "Icon\\0"));
    EXPECT_NE(form.SlotButton(0).Glyph().Pixel(16, 16), GetSysColor(COLOR_BTNFACE)) << "no icon for the slot";

    k2test::Click(form.SlotButton(0));
    const std::vector<Launch> launches = Launches(1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].directory, Dir() + "表");
    EXPECT_EQ(form.currentFolder, Dir() + "表");
}
