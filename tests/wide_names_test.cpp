// Names the program's code page cannot hold (é, ¥, emoji, Hangul): they reach
// the program as short names that open the same file, never as the best-fit
// name of another one, or they are refused and nothing is stored.
#include "support/BoxAnswerer.h"
#include "support/MainWindow.h"
#include "support/Process.h"
#include "support/Windows.h"

#include "toolkit/FolderDialog.h"
#include "toolkit/SjisPath.h"
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
constexpr const char kSomeUnusable[] = "名前に扱えない文字が含まれているものは、登録しませんでした。";

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

std::wstring W(const std::string& ansi) { return tk::AnsiToWide(ansi); }

bool ExistsW(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteW(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// Replaces the short-name lookup with one that finds none, as on a volume
// where short names are off.
class NoShortNames {
public:
    NoShortNames() : saved_(tk::ShortPathName) {
        tk::ShortPathName = [](const std::wstring&) { return std::wstring(); };
    }
    ~NoShortNames() { tk::ShortPathName = saved_; }

private:
    tk::ShortPathFunction saved_;
};

TEST(SystemPath, KeepsExactNamesAndShortensOnlyTheNamesThatNeedIt) {
    k2test::ScratchDir scratch;
    const std::wstring dir = W(scratch.Path());
    // Exact names keep their bytes, double-byte names with a 0x5C second byte included.
    const std::string exact = scratch.Path() + "表\\ｶﾅ ツール.txt";
    EXPECT_EQ(tk::SystemPath(W(exact)), exact);

    // A folder in the middle is shortened, the name after it kept.
    CreateDirectoryW((dir + L"Caf\u00e9").c_str(), nullptr);
    WriteW(dir + L"Caf\u00e9\\ツール.txt", "inner");
    const std::optional<std::string> inner = tk::SystemPath(dir + L"Caf\u00e9\\ツール.txt");
    ASSERT_TRUE(inner);
    EXPECT_EQ(tk::sjis::FileNamePart(*inner), "ツール.txt");
    EXPECT_EQ(k2test::ReadFileBytes(*inner), "inner");

    // A name that does not exist has no short name; nor has any without them.
    EXPECT_FALSE(tk::SystemPath(dir + L"cr\u00e8me.txt"));
    NoShortNames off;
    EXPECT_FALSE(tk::SystemPath(dir + L"caf\u00e9.txt"));
    EXPECT_EQ(tk::SystemPath(W(exact)), exact);
}

class WideNamesTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        savedDirectory_ = k2test::CurrentDirectory();
        SetEnvironmentVariableA("K2_RECORD_FILE", nullptr);
        ASSERT_FALSE(k2test::TestBinFolder().empty()) << "K2_TEST_BIN is not set";
        PlaceRecorders();
        Start();
        Form().ShowMainWindow();
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        SetCurrentDirectoryA(savedDirectory_.c_str());
    }

    // Copies of the recorder under each awkward name and its decoy's.
    void PlaceRecorders() {
        const std::wstring recorder = W(k2test::TestBinFolder() + "launch_recorder.exe");
        CreateDirectoryW((W(Dir()) + L"a").c_str(), nullptr);
        for (const Awkward& a : kAwkward) {
            ASSERT_TRUE(CopyFileW(recorder.c_str(), Exe(a.name).c_str(), FALSE));
            if (a.decoy) ASSERT_TRUE(CopyFileW(recorder.c_str(), Exe(a.decoy).c_str(), FALSE));
        }
    }
    std::wstring Exe(const wchar_t* name) const { return W(Dir()) + name + L".exe"; }

    // Launches global slot g (on the first page) and checks that the program
    // it names ran, whether the system reports it by its long or its short name.
    void ExpectLaunchOf(int g, const Awkward& a) {
        SCOPED_TRACE(tk::WideToAnsi(a.name));
        const std::string slot = Slot(g);
        ASSERT_FALSE(slot.empty());
        EXPECT_NE(slot, tk::WideToAnsi(Exe(a.name))) << "the best-fit name was stored";
        Form().LaunchSlot(g, Form().SlotButton(g));
        EXPECT_TRUE(k2test::WaitUntil(
            [&] {
                Pump(10);
                return ExistsW(Exe(a.name) + L".record") || tk::FileExists(slot + ".record");
            },
            kTimeoutMs))
            << "the chosen program did not start";
        if (a.decoy) EXPECT_FALSE(ExistsW(Exe(a.decoy) + L".record")) << "the decoy started";
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
        SetCurrentDirectoryA(k2test::TestBinFolder().c_str());
        Form().ShowMainWindow(); // a launch minimises it
        k2test::DragTo(*Form().BitBtn3, Form().SlotButton(k));
        driver.join();
    }

    std::string Label2() { return tk::WindowText(Form().Label2->Handle()); }

    std::string savedDirectory_;
};

TEST_F(WideNamesTest, DroppedNamesRegisterThemselvesAndLaunchNeverTheDecoyOrAreRefused) {
    std::vector<std::wstring> names;
    for (const Awkward& a : kAwkward) names.push_back(Exe(a.name));
    Drop(0, names);
    for (int g = 0; g < 4; ++g) ExpectLaunchOf(g, kAwkward[g]);

    Form().ShowMainWindow();
    NoShortNames off;
    const std::wstring plain = W(Dir()) + L"plain.txt";
    WriteW(plain, "");
    Drop(4, {Exe(L"caf\u00e9")});
    EXPECT_EQ(Slot(4), "");
    EXPECT_EQ(Label2(), kUnusable);
    Drop(4, {Exe(L"\U0001F600"), plain, Exe(L"\uD55C\uAE00")});
    EXPECT_EQ(Slot(4), Dir() + "plain.txt") << "the name that fits is registered";
    EXPECT_EQ(Slot(5), "");
    EXPECT_EQ(Label2(), kSomeUnusable);
}

TEST_F(WideNamesTest, NamesChosenInTheFileDialogLaunchThemselvesOrAreRefused) {
    for (int g = 0; g < 4; ++g) {
        ChooseFile(g, Exe(kAwkward[g].name));
        ExpectLaunchOf(g, kAwkward[g]);
    }

    Register(5, Dir() + "kept.txt");
    NoShortNames off;
    ChooseFile(5, Exe(L"caf\u00e9"));
    EXPECT_EQ(Slot(5), Dir() + "kept.txt");
    EXPECT_EQ(Label2(), kUnusable);
}

TEST(FolderChooser, ListsShortNamesAndRefusesATypedNameWithoutAnAnsiForm) {
    k2test::ScratchDir scratch;
    const std::wstring dir = W(scratch.Path());
    CreateDirectoryW((dir + L"Caf\u00e9").c_str(), nullptr);
    CreateDirectoryW((dir + L"Cafe").c_str(), nullptr);
    WriteW(dir + L"Caf\u00e9\\\U0001F600.txt", "");
    const std::optional<std::string> cafe = tk::SystemPath(dir + L"Caf\u00e9");
    ASSERT_TRUE(cafe);

    std::vector<std::string> files, boxes;
    std::thread driver([&] {
        HWND chooser = nullptr;
        k2test::WaitUntil([&] { return (chooser = k2test::FindOwnWindow("#32770")) != nullptr; }, kTimeoutMs);
        ASSERT_NE(chooser, nullptr) << "no folder chooser";
        const HWND list = GetDlgItem(chooser, tk::folder_dialog::kFiles);
        for (LRESULT i = 0, n = SendMessageA(list, LB_GETCOUNT, 0, 0); i < n; ++i) {
            std::string name(static_cast<std::size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)), '\0');
            SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(name.data()));
            files.push_back(name);
        }
        // A new folder whose name has no ANSI form cannot be made.
        SetDlgItemTextW(chooser, tk::folder_dialog::kNameEdit, (dir + L"cr\u00e8me").c_str());
        k2test::PressButton(chooser, IDOK);
        HWND box = nullptr;
        k2test::WaitUntil([&] { return (box = k2test::FindOwnWindow("#32770", [&](HWND h) { return h != chooser; })) != nullptr; },
                          kTimeoutMs);
        ASSERT_NE(box, nullptr) << "no refusal";
        boxes.push_back(k2test::StoredText(GetDlgItem(box, 0xFFFF)));
        k2test::PressButton(box, IDOK);
        k2test::WaitUntil([&] { return !IsWindow(box); }, kTimeoutMs);
        // The typed existing folder, as typed.
        SetDlgItemTextW(chooser, tk::folder_dialog::kNameEdit, (dir + L"Caf\u00e9").c_str());
        k2test::PressButton(chooser, IDOK);
    });
    std::string chosen = *cafe;
    EXPECT_TRUE(tk::SelectDirectory(nullptr, chosen, true));
    driver.join();
    EXPECT_EQ(chosen, *cafe) << "not the folder typed";
    EXPECT_FALSE(ExistsW(dir + L"cr\u00e8me")) << "made a folder under another name";
    EXPECT_FALSE(ExistsW(dir + L"creme"));
    EXPECT_EQ(boxes, std::vector<std::string>{"ﾃﾞｨﾚｸﾄﾘ名に扱えない文字が含まれています。"});
    const std::optional<std::string> emoji = tk::SystemPath(dir + L"Caf\u00e9\\\U0001F600.txt");
    ASSERT_TRUE(emoji);
    EXPECT_EQ(files, std::vector<std::string>{tk::sjis::FileNamePart(*emoji)}) << "listed by a name that opens it";
}

TEST(ProgramFolder, KeepsItsDataInAFolderNamedWithAnAccent) {
    ASSERT_FALSE(k2test::K2MutexExists()) << "another copy of K2 is running in this session";
    k2test::ScratchDir scratch;
    const std::wstring folder = W(scratch.Path()) + L"Caf\u00e9\\";
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
        EXPECT_TRUE(ExistsW(folder + made)) << tk::WideToAnsi(made);
    EXPECT_FALSE(ExistsW(W(scratch.Path()) + L"Cafe")) << "data went to the best-fit folder";
}

} // namespace
