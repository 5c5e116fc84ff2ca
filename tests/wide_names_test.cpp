// Names outside code page 932 (é, ¥, emoji, Hangul) reach the program as
// they are and open the same file, never the best-fit name of another one.
// Only a name that is no valid Unicode text is refused.
#include "support/BoxAnswerer.h"
#include "support/MainWindow.h"
#include "support/Process.h"
#include "support/Windows.h"

#include "toolkit/FolderDialog.h"
#include "toolkit/PathPart.h"
#include "toolkit/Text.h"

#include <shlobj.h>

#include <cstring>
#include <thread>
#include <vector>

using k2test::MainWindowTest;
using k2test::Pump;

namespace {

constexpr DWORD kTimeoutMs = 20000;
constexpr const char kUnusable[] = "名前に扱えない文字が含まれているため、登録することが出来ません。";

// Each awkward name beside the file that its best-fit form names.
struct Awkward {
    const wchar_t* name;
    const wchar_t* decoy; // nullptr: best fit gives "?", no file can have that name
};
const Awkward kAwkward[] = {
    {L"caf\u00e9", L"cafe"},
    {L"a\u00a5b", L"a\\b"},
    {L"\U0001F600", nullptr},
    {L"\uD55C\uAE00", nullptr},
};

std::wstring W(const std::string& utf8) { return tk::Wide(utf8); }

bool ExistsW(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteW(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

class WideNamesTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        savedDirectory_ = k2test::CurrentDirectory();
        SetEnvironmentVariableW(L"K2_RECORD_FILE", nullptr);
        ASSERT_FALSE(k2test::TestBinFolder().empty()) << "K2_TEST_BIN is not set";
        PlaceRecorders();
        Start();
        Form().ShowMainWindow();
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        SetCurrentDirectoryW(tk::Wide(savedDirectory_).c_str());
    }

    // Copies of the recorder under each awkward name and its decoy's.
    void PlaceRecorders() {
        const std::wstring recorder = W(k2test::TestBinFolder() + "launch_recorder.exe");
        CreateDirectoryW((W(Dir()) + L"a").c_str(), nullptr);
        for (const Awkward& a : kAwkward) {
            ASSERT_TRUE(CopyFileW(recorder.c_str(), Exe(a.name).c_str(), FALSE));
            if (a.decoy) {
                ASSERT_TRUE(CopyFileW(recorder.c_str(), Exe(a.decoy).c_str(), FALSE));
            }
        }
    }
    std::wstring Exe(const wchar_t* name) const { return W(Dir()) + name + L".exe"; }

    // Launches global slot g (on the first page) and checks that the program
    // it names ran.
    void ExpectLaunchOf(int g, const Awkward& a) {
        SCOPED_TRACE(tk::Utf8(a.name));
        const std::string slot = Slot(g);
        EXPECT_EQ(slot, tk::Utf8(Exe(a.name))) << "not the exact name";
        Form().LaunchSlot(g, Form().SlotButton(g));
        EXPECT_TRUE(k2test::WaitUntil(
            [&] {
                Pump(10);
                return ExistsW(Exe(a.name) + L".record");
            },
            kTimeoutMs))
            << "the chosen program did not start";
        if (a.decoy) {
            EXPECT_FALSE(ExistsW(Exe(a.decoy) + L".record")) << "the decoy started";
        }
        EXPECT_EQ(Slot(g), slot) << "the slot was emptied";
    }

    void Drop(int k, const std::vector<std::wstring>& names) {
        RECT rect;
        GetWindowRect(Form().SlotButton(k).Handle(), &rect);
        POINT point{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ScreenToClient(Form().Handle(), &point);
        // As the shell builds it: wide names, point in client coordinates.
        std::wstring list;
        for (const std::wstring& name : names) list += name + L'\0';
        list += L'\0';
        const std::size_t bytes = list.size() * sizeof(wchar_t);
        HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + bytes);
        auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
        files->pFiles = sizeof(DROPFILES);
        files->pt = point;
        files->fWide = TRUE;
        std::memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), list.data(), bytes);
        GlobalUnlock(memory);
        SendMessageA(Form().Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
        Pump(10);
    }

    // Drags the file tool onto slot position k and chooses `path` in the dialog.
    void ChooseFile(int k, const std::wstring& path) {
        std::thread driver([&] {
            HWND dialog = nullptr;
            k2test::WaitUntil([&] { return (dialog = k2test::FindOwnWindow("#32770")) != nullptr; }, kTimeoutMs);
            ASSERT_NE(dialog, nullptr) << "no file dialog";
            if (!SetDlgItemTextW(dialog, 0x480, path.c_str())) SetDlgItemTextW(dialog, 0x47C, path.c_str());
            k2test::PressButton(dialog, IDOK);
        });
        // Wine's dialog does not open in a folder that holds such names: start elsewhere.
        SetCurrentDirectoryW(tk::Wide(k2test::TestBinFolder()).c_str());
        Form().ShowMainWindow(); // a launch minimises it
        k2test::DragTo(*Form().BitBtn3, Form().SlotButton(k));
        driver.join();
    }

    std::string Label2() { return tk::WindowText(Form().Label2->Handle()); }

    std::string savedDirectory_;
};

TEST_F(WideNamesTest, DroppedNamesRegisterThemselvesAndLaunchNeverTheDecoy) {
    std::vector<std::wstring> names;
    for (const Awkward& a : kAwkward) names.push_back(Exe(a.name));
    Drop(0, names);
    for (int g = 0; g < 4; ++g) ExpectLaunchOf(g, kAwkward[g]);

    // Half a surrogate pair names nothing UTF-8 could name again.
    Form().ShowMainWindow();
    Drop(4, {W(Dir()) + L"x\xD800.exe"});
    EXPECT_EQ(Slot(4), "");
    EXPECT_EQ(Label2(), kUnusable);
}

TEST_F(WideNamesTest, NamesChosenInTheFileDialogLaunchThemselves) {
    for (int g = 0; g < 4; ++g) {
        ChooseFile(g, Exe(kAwkward[g].name));
        ExpectLaunchOf(g, kAwkward[g]);
    }
}

TEST(FolderChooser, ListsAndMakesFoldersOfAnyName) {
    k2test::ScratchDir scratch;
    const std::wstring dir = W(scratch.Path());
    CreateDirectoryW((dir + L"Caf\u00e9").c_str(), nullptr);
    CreateDirectoryW((dir + L"Cafe").c_str(), nullptr);
    WriteW(dir + L"Caf\u00e9\\\U0001F600.txt", "");

    std::vector<std::string> files;
    std::thread driver([&] {
        HWND chooser = nullptr;
        k2test::WaitUntil([&] { return (chooser = k2test::FindOwnWindow("#32770")) != nullptr; }, kTimeoutMs);
        ASSERT_NE(chooser, nullptr) << "no folder chooser";
        const HWND list = GetDlgItem(chooser, tk::folder_dialog::kFiles);
        for (LRESULT i = 0, n = SendMessageW(list, LB_GETCOUNT, 0, 0); i < n; ++i) {
            std::wstring name(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)), L'\0');
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(name.data()));
            files.push_back(tk::Utf8(name));
        }
        // A new folder is made under the name typed, after the question.
        SetDlgItemTextW(chooser, tk::folder_dialog::kNameEdit, (dir + L"Caf\u00e9\\cr\u00e8me \uD55C").c_str());
        k2test::PressButton(chooser, IDOK);
        HWND box = nullptr;
        k2test::WaitUntil([&] { return (box = k2test::FindOwnWindow("#32770", [&](HWND h) { return h != chooser; })) != nullptr; },
                          kTimeoutMs);
        ASSERT_NE(box, nullptr) << "no question";
        k2test::PressButton(box, IDYES);
    });
    std::string chosen = tk::Utf8(dir + L"Caf\u00e9");
    EXPECT_TRUE(tk::SelectDirectory(nullptr, chosen, true));
    driver.join();
    EXPECT_EQ(chosen, tk::Utf8(dir + L"Caf\u00e9\\cr\u00e8me \uD55C"));
    EXPECT_TRUE(ExistsW(dir + L"Caf\u00e9\\cr\u00e8me \uD55C"));
    EXPECT_EQ(files, std::vector<std::string>{"\U0001F600.txt"}) << "not listed by its own name";
}

TEST(ProgramFolder, KeepsItsDataInAFolderOfAnyName) {
    ASSERT_FALSE(k2test::K2MutexExists()) << "another copy of K2 is running in this session";
    k2test::ScratchDir scratch;
    const std::wstring folder = W(scratch.Path()) + L"Caf\u00e9 \U0001F600\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(W(k2test::K2ExePath()).c_str(), (folder + L"K2.exe").c_str(), FALSE));
    {
        // Started by its long name, as the shell starts it.
        const k2test::Process k2 = k2test::Process::Start(folder + L"K2.exe", L"", folder);
        HWND form = nullptr;
        ASSERT_TRUE(k2test::WaitUntil(
            [&] {
                for (const auto& window : k2test::TopLevelWindows(k2.Id()))
                    if (window.windowClass == "TForm1") form = window.hwnd;
                return form != nullptr;
            },
            kTimeoutMs))
            << "no main window";
        k2.WaitForIdle(kTimeoutMs);
        k2test::BoxAnswerer boxes(k2.Id());
        DWORD_PTR result = 0;
        SendMessageTimeoutA(form, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, kTimeoutMs, &result);
        SendMessageTimeoutA(form, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, kTimeoutMs, &result);
        ASSERT_TRUE(k2.WaitForExit(kTimeoutMs));
        EXPECT_TRUE(boxes.Seen().empty()) << boxes.Seen().front().text;
    }
    for (const wchar_t* made : {L"data\\data99.ini", L"data\\data0.kor", L"Icon", L"cg"})
        EXPECT_TRUE(ExistsW(folder + made)) << tk::Utf8(made);
    EXPECT_FALSE(ExistsW(W(scratch.Path()) + L"Cafe ?")) << "data went to the best-fit folder";
}

} // namespace
