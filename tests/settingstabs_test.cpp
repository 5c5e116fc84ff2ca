// The settings tabs: start with Windows through the Startup folder, the capture
// folder chooser, the runtime tab "各種設定２" and its three switches.
#include "support/MainWindow.h"
#include "support/PasswordDialog.h"
#include "support/Windows.h"

#include "app/persist/StoredText.h"
#include "components/Scmake.h"
#include "support/Scratch.h"
#include "toolkit/FolderDialog.h"
#include "toolkit/PathPart.h"
#include "toolkit/Text.h"

#include <shlobj.h>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using k2test::CurrentDirectory;
using k2test::MainWindowTest;
using k2test::Pump;

namespace {

std::string StartupShortcut() {
    PIDLIST_ABSOLUTE items = nullptr;
    char path[MAX_PATH] = {};
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_STARTUP, &items))) {
        SHGetPathFromIDListA(items, path);
        CoTaskMemFree(items);
    }
    return std::string(path) + "\\コルミ２.lnk";
}

// Presses an item of a radio group as a mouse click does.
void Choose(tk::RadioGroup& group, int item) { SendMessageA(group.ItemHandle(item), BM_CLICK, 0, 0); }

struct Link {
    int result = -1;
    std::string target, workDir, arguments;
};

Link ReadLink(const std::string& path) {
    k2::TSCMake reader(nullptr);
    Link link;
    link.result = reader.AnalizeLink(path);
    link.target = reader.LinkPath;
    link.workDir = reader.WorkDir;
    link.arguments = reader.Argument;
    return link;
}

void WriteLink(const std::string& folder, const std::string& name, const std::string& target,
               const std::string& workDir = {}, const std::string& arguments = {}) {
    k2::TSCMake writer(nullptr);
    writer.SCDir = folder;
    writer.SCName = name;
    writer.LinkPath = target;
    writer.WorkDir = workDir;
    writer.Argument = arguments;
    ASSERT_EQ(writer.CreateLink(), 0) << folder << name;
}

// Paths as the file system compares them.
std::string Lower(std::string text) {
    CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::string WithoutTrailingBackslash(std::string path) {
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

std::string TextOf(HWND hwnd) {
    char text[MAX_PATH] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000, &ignored);
    return text;
}

// Answers the modal windows of one kind from a background thread, so that the
// click that opens one can return: records what each showed, then runs the
// next queued answer (the default answer when none is queued, counted).
class ModalAnswerer {
public:
    using Answer = std::function<void(HWND window)>;

    ModalAnswerer(const char* windowClass, int childId, std::function<std::string(HWND)> shown, Answer fallback)
        : class_(windowClass), childId_(childId), shown_(std::move(shown)), fallback_(std::move(fallback)),
          thread_([this] { Run(); }) {}
    ~ModalAnswerer() {
        stop_ = true;
        thread_.join();
    }

    void Queue(Answer answer) {
        std::lock_guard lock(mutex_);
        answers_.push_back(std::move(answer));
    }
    std::vector<std::string> Shown() const {
        std::lock_guard lock(mutex_);
        return seen_;
    }
    int Unexpected() const { return unexpected_; }

private:
    void Run() {
        std::set<HWND> answered;
        while (!stop_) {
            std::erase_if(answered, [](HWND hwnd) { return !IsWindow(hwnd); });
            HWND window =
                k2test::FindOwnWindow(class_, [this](HWND found) { return !childId_ || GetDlgItem(found, childId_); });
            if (window && !answered.contains(window)) {
                answered.insert(window);
                Answer answer = fallback_;
                {
                    std::lock_guard lock(mutex_);
                    seen_.push_back(shown_(window));
                    if (answers_.empty()) {
                        ++unexpected_;
                    } else {
                        answer = std::move(answers_.front());
                        answers_.pop_front();
                    }
                }
                answer(window);
            }
            Sleep(10);
        }
    }

    const char* class_;
    int childId_;
    std::function<std::string(HWND)> shown_;
    Answer fallback_;
    mutable std::mutex mutex_;
    std::deque<Answer> answers_;
    std::vector<std::string> seen_;
    std::atomic<int> unexpected_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The folder chooser: what its name field shows when it opens.
class ChooserAnswerer : public ModalAnswerer {
public:
    ChooserAnswerer()
        : ModalAnswerer(
              "#32770", tk::folder_dialog::kNameEdit,
              [](HWND chooser) { return TextOf(GetDlgItem(chooser, tk::folder_dialog::kNameEdit)); },
              [](HWND chooser) { PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0); }) {}

    void QueueChoice(const std::string& folder) {
        Queue([folder](HWND chooser) {
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(GetDlgItem(chooser, tk::folder_dialog::kNameEdit), WM_SETTEXT, 0,
                                reinterpret_cast<LPARAM>(folder.c_str()), SMTO_BLOCK, 5000, &ignored);
            PostMessageA(chooser, WM_COMMAND, IDOK, 0);
        });
    }
    void QueueCancel() {
        Queue([](HWND chooser) { PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0); });
    }
};

bool HotKeyIsTaken(UINT key) {
    if (RegisterHotKey(nullptr, 0x7000, MOD_CONTROL, key)) {
        UnregisterHotKey(nullptr, 0x7000);
        return false;
    }
    return true;
}

class SettingsTabsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        DeleteFileW(tk::Wide(StartupShortcut()).c_str());
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        DeleteFileW(tk::Wide(StartupShortcut()).c_str());
    }
};

} // namespace

TEST_F(SettingsTabsTest, StartWithWindowsWritesAndRemovesTheStartupShortcut) {
    Start();
    k2::TForm1& form = Form();
    const std::string shortcut = StartupShortcut();
    EXPECT_FALSE(tk::FileExists(shortcut)) << "off: nothing is written at start";

    // A launched shortcut leaves its details in the shared component.
    WriteLink(Dir(), "launched", Dir() + "tool.exe", Dir(), "-x");
    ASSERT_EQ(form.SCMake1->AnalizeLink(Dir() + "launched.lnk"), 0);

    Choose(*form.RadioGroup1, 1);
    EXPECT_TRUE(form.autoStart);
    ASSERT_TRUE(tk::FileExists(shortcut)) << shortcut;
    const Link link = ReadLink(shortcut);
    EXPECT_EQ(link.result, 0);
    EXPECT_EQ(Lower(link.target), Lower(tk::ModuleFileName()));
    EXPECT_EQ(link.workDir, "") << "nothing of the launched shortcut is carried over";
    EXPECT_EQ(link.arguments, "");

    Choose(*form.RadioGroup1, 0);
    EXPECT_FALSE(form.autoStart);
    EXPECT_FALSE(tk::FileExists(shortcut));
    EXPECT_TRUE(tk::FileExists(Dir() + "launched.lnk")) << "only the program's own shortcut goes";
}

TEST_F(SettingsTabsTest, EveryStartBringsTheShortcutInLineWithTheSetting) {
    const std::string shortcut = StartupShortcut();
    // A shortcut left by a copy of the program in another folder.
    WriteLink(tk::path::FolderPart(shortcut), "コルミ２", Dir() + "old\\K2.exe");
    WriteSettings("[各種設定]\r\n自動的に起動するか=1\r\n");
    Start();
    EXPECT_EQ(Form().RadioGroup1->ItemIndex(), 1);
    EXPECT_EQ(Lower(ReadLink(shortcut).target), Lower(tk::ModuleFileName())) << "rewritten for this copy";
    Stop();

    WriteSettings("[各種設定]\r\n自動的に起動するか=0\r\n");
    Start();
    EXPECT_FALSE(tk::FileExists(shortcut)) << "a copy with the setting off removes it";
}

TEST_F(SettingsTabsTest, SwitchingTheCaptureOnAsksForItsFolder) {
    ChooserAnswerer chooser;
    WriteSettings("[各種設定]\r\n簡易キャプチャ=1\r\n");
    Start();
    k2::TForm1& form = Form();
    EXPECT_TRUE(form.captureEnabled) << "the start sequence switches it on without asking";
    EXPECT_TRUE(chooser.Shown().empty());
    Choose(*form.RadioGroup3, 0);
    EXPECT_FALSE(form.captureEnabled);

    // The configured folder has gone: the chooser opens in the program's folder.
    ASSERT_TRUE(RemoveDirectoryW(tk::Wide(form.captureFolder).c_str()));
    const std::string shots = Dir() + "shots";
    CreateDirectoryW(tk::Wide(shots).c_str(), nullptr);
    chooser.QueueChoice(shots);
    Choose(*form.RadioGroup3, 1);
    ASSERT_EQ(chooser.Shown().size(), 1u);
    EXPECT_EQ(Lower(chooser.Shown()[0]), Lower(WithoutTrailingBackslash(Dir())));
    EXPECT_NE(Lower(CurrentDirectory()), Lower(WithoutTrailingBackslash(Dir()))) << "the process's directory moved";
    EXPECT_TRUE(form.captureEnabled);
    EXPECT_EQ(Lower(form.captureFolder), Lower(shots));
    EXPECT_EQ(form.RadioGroup3->ItemIndex(), 1);

    // Off asks nothing; on again starts in the chosen folder; cancel turns it off.
    Choose(*form.RadioGroup3, 0);
    chooser.QueueCancel();
    Choose(*form.RadioGroup3, 1);
    ASSERT_EQ(chooser.Shown().size(), 2u);
    EXPECT_EQ(Lower(chooser.Shown()[1]), Lower(shots));
    EXPECT_FALSE(form.captureEnabled);
    EXPECT_EQ(form.RadioGroup3->ItemIndex(), 0);
    EXPECT_EQ(Lower(form.captureFolder), Lower(shots)) << "a cancel keeps the folder";
    EXPECT_EQ(chooser.Unexpected(), 0);
}

TEST_F(SettingsTabsTest, SecondTabIsBuiltOnLeavingTheFirstAndKeepsItsChanges) {
    Start();
    k2::TForm1& form = Form();
    form.ShowMainWindow();
    Pump(20);
    tk::PageControl& pages = *form.PageControl1;
    ASSERT_EQ(pages.PageCount(), 2);

    k2test::ClickTab(pages, 1);
    ASSERT_NE(form.settingsTab2, nullptr);
    ASSERT_EQ(pages.PageCount(), 3);
    k2::RuntimeSettingsTab& tab = *form.settingsTab2;
    EXPECT_EQ(pages.Page(2), tab.sheet.get());
    EXPECT_EQ(tab.sheet->Caption(), "各種設定２");
    EXPECT_EQ(pages.ActivePage(), form.TabSheet2) << "building the tab does not select it";
    struct Expected {
        tk::RadioGroup* group;
        int top;
        const char* caption;
        const char* hint;
        int itemIndex;
    };
    const Expected expected[] = {
        {tab.passwordGroup.get(), 5, "パスワードを有効に",
         "「する」を選択すると各ボタンに固有のパスワードを設定できるようになり、それを入力しないとファイル、"
         "フォルダを起動できないようにします。",
         0},
        {tab.volumeGroup.get(), 40, "音量増減を出来るように",
         "「する」を選択すると、Ctrlキー + ↑or↓ を押すことで音量の増減が出来るようになります。", 0},
        {tab.cursorGroup.get(), 75, "カーソルキーを有効に",
         "「しない」を選択すると、Ctrl+カーソルキーが無効になります。", 1},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.caption);
        ASSERT_NE(e.group, nullptr);
        EXPECT_EQ(e.group->Parent(), tab.sheet.get());
        RECT rect;
        GetWindowRect(e.group->Handle(), &rect);
        POINT at{rect.left, rect.top};
        ScreenToClient(tab.sheet->Handle(), &at);
        EXPECT_EQ(at.x, 0);
        EXPECT_EQ(at.y, e.top);
        EXPECT_EQ(rect.right - rect.left, 185);
        EXPECT_EQ(rect.bottom - rect.top, 33);
        EXPECT_EQ(e.group->Caption(), e.caption);
        EXPECT_EQ(e.group->Hint(), e.hint);
        EXPECT_EQ(e.group->Items(), (std::vector<std::string>{"しない", "する"}));
        EXPECT_EQ(e.group->Columns(), 2);
        EXPECT_EQ(e.group->FontHeight(), 11);
        EXPECT_EQ(e.group->ItemIndex(), e.itemIndex);
    }

    // Volume keys: held at once when on, free at once when off.
    EXPECT_FALSE(HotKeyIsTaken(VK_UP));
    Choose(*tab.volumeGroup, 1);
    EXPECT_TRUE(form.volumeKeysEnabled);
    EXPECT_TRUE(HotKeyIsTaken(VK_UP));
    EXPECT_TRUE(HotKeyIsTaken(VK_DOWN));
    Choose(*tab.volumeGroup, 0);
    EXPECT_FALSE(form.volumeKeysEnabled);
    EXPECT_FALSE(HotKeyIsTaken(VK_UP));

    // Cursor keys off: lit indicator, but the keys stay until the next minimise.
    form.hotKeys->windowShown = false;
    Choose(*tab.cursorGroup, 0);
    EXPECT_FALSE(form.hotKeys->cursorKeysEnabled);
    EXPECT_TRUE(form.hotKeys->windowShown);
    EXPECT_EQ(form.Label4->FontColor(), tk::kLime);
    EXPECT_TRUE(HotKeyIsTaken(VK_LEFT));

    // Moving between the settings tabs keeps the tab; the first tab removes it.
    k2test::ClickTab(pages, 2);
    EXPECT_EQ(pages.ActivePage(), tab.sheet.get());
    EXPECT_EQ(form.settingsTab2.get(), &tab);
    // Three tabs do not fit: the first comes back into view with the scroll arrows.
    SendMessageA(pages.Handle(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    k2test::ClickTab(pages, 0);
    EXPECT_EQ(pages.ActivePage(), form.TabSheet1);
    EXPECT_EQ(form.settingsTab2, nullptr);
    EXPECT_EQ(pages.PageCount(), 2);

    // Rebuilt from the window's fields.
    k2test::ClickTab(pages, 1);
    ASSERT_NE(form.settingsTab2, nullptr);
    EXPECT_EQ(form.settingsTab2->cursorGroup->ItemIndex(), 0);
    Choose(*form.settingsTab2->cursorGroup, 1);
    EXPECT_TRUE(form.hotKeys->cursorKeysEnabled);
    EXPECT_EQ(form.Label4->FontColor(), tk::kGreen);
    Choose(*form.settingsTab2->cursorGroup, 0);
    Stop();
    EXPECT_NE(k2test::ReadFileBytes(Dir() + "data\\data99.ini").find(k2test::Cp932("カーソルキーを使用するか=0")), std::string::npos);
}

TEST_F(SettingsTabsTest, WrongMasterPasswordLeavesPasswordsOn) {
    k2test::PasswordAnswerer answerer;
    Start();
    k2::TForm1& form = Form();
    form.passwordsDisabled = 0;
    form.passwords[0] = k2::EncodeStoredText("secret");
    form.ShowMainWindow();
    k2test::ClickTab(*form.PageControl1, 1);
    ASSERT_NE(form.settingsTab2, nullptr);
    tk::RadioGroup& group = *form.settingsTab2->passwordGroup;
    ASSERT_EQ(group.ItemIndex(), 1);

    answerer.Queue("wrong");
    Choose(group, 0);
    EXPECT_EQ(answerer.Prompts().size(), 1u) << "asked once";
    EXPECT_EQ(form.Label1->Caption(), "パスワードが違います。");
    EXPECT_EQ(group.ItemIndex(), 1);
    EXPECT_EQ(form.passwordsDisabled, 0);

    answerer.Queue("secret");
    Choose(group, 0);
    EXPECT_EQ(group.ItemIndex(), 0);
    EXPECT_EQ(form.passwordsDisabled, 2);
    EXPECT_EQ(answerer.Unexpected(), 0);
}
