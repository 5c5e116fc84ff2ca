// The file-open dialog and the folder chooser, driven for real from a second thread.
#include <gtest/gtest.h>

#include "support/BoxAnswerer.h"
#include "support/Scratch.h"
#include "support/Windows.h"
#include "toolkit/Application.h"
#include "toolkit/Dpi.h"
#include "toolkit/Exception.h"
#include "toolkit/FolderDialog.h"
#include "toolkit/OpenDialog.h"
#include "toolkit/Text.h"

#include <windows.h>

#include <functional>
#include <thread>
#include <vector>

using k2test::Bytes;
using k2test::PressButton;
using k2test::ScratchDir;
using k2test::WriteFileBytes;
namespace fd = tk::folder_dialog;

namespace {

std::string Trimmed(std::string path) {
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

std::vector<HWND> VisibleDialogs() {
    std::vector<HWND> found;
    EnumWindows(
        [](HWND hwnd, LPARAM list) -> BOOL {
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            char cls[16] = {};
            GetClassNameA(hwnd, cls, sizeof cls);
            if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) && std::string(cls) == "#32770")
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// A visible dialog of this process with the given title (any title when empty).
HWND WaitForDialog(const std::string& title, int timeoutMs = 10000) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        for (HWND hwnd : VisibleDialogs())
            if (title.empty() || tk::WindowText(hwnd) == title) return hwnd;
        Sleep(20);
    }
    return nullptr;
}

bool WaitGone(HWND hwnd, int timeoutMs = 10000) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        if (!IsWindow(hwnd) || !IsWindowVisible(hwnd)) return true;
        Sleep(20);
    }
    return false;
}

std::string ItemText(HWND dialog, int id) { return tk::WindowText(GetDlgItem(dialog, id)); }

struct ListItem {
    std::string text;
    LRESULT data;
};

std::vector<ListItem> ListItems(HWND list) {
    std::vector<ListItem> items;
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
        items.push_back({tk::Utf8(text), SendMessageW(list, LB_GETITEMDATA, i, 0)});
    }
    return items;
}

// All texts of a message box's children, joined.
std::string BoxTexts(HWND box) {
    std::string texts;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        texts += tk::WindowText(child) + "|";
    return texts;
}

// Runs a script against the modal windows the test thread opens; whatever the
// script leaves open (after a failed check) is cancelled so the test ends.
class Driver {
public:
    explicit Driver(std::function<void()> script)
        : thread_([script = std::move(script)] {
              script();
              for (int round = 0; round < 250; ++round) {
                  const std::vector<HWND> open = VisibleDialogs();
                  if (open.empty()) return;
                  for (HWND hwnd : open) {
                      PressButton(hwnd, IDNO);
                      PressButton(hwnd, IDCANCEL);
                  }
                  Sleep(20);
              }
          }) {}
    ~Driver() { thread_.join(); }
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

private:
    std::thread thread_;
};

const char* const kChooserTitle = "ﾃﾞｨﾚｸﾄﾘの選択";

// Types `typed` into the chooser's name field and presses OK.
void TypeAndAccept(HWND chooser, const std::string& typed) {
    SetDlgItemTextW(chooser, fd::kNameEdit, tk::Wide(typed).c_str());
    PressButton(chooser, IDOK);
}

} // namespace

TEST(OpenDialog, FilterBecomesNulSeparated) {
    EXPECT_EQ(tk::OpenDialog::NativeFilter("全てのファイル|*.*"), Bytes("全てのファイル\0*.*\0\0"));
    // The second byte of "ポ" is '|' and must stay.
    EXPECT_EQ(tk::OpenDialog::NativeFilter("ポ|*.txt|a|*"), Bytes("ポ\0*.txt\0a\0*\0\0"));
    EXPECT_EQ(tk::OpenDialog::NativeFilter(""), "");
}

TEST(OpenDialog, AcceptsANewFileNameAndCancelLeavesTheName) {
    ScratchDir dir;
    const std::string typed = dir.Path() + "not there yet.txt";
    tk::OpenDialog dialog(nullptr, "OpenDialog1");
    dialog.Filter = "全てのファイル|*.*";
    {
        Driver driver([&] {
            HWND box = WaitForDialog("");
            ASSERT_NE(box, nullptr);
            // Explorer-style dialogs keep the name in edt1 or in the cmb13 combo box.
            if (!SetDlgItemTextW(box, 0x480, tk::Wide(typed).c_str())) SetDlgItemTextW(box, 0x47C, tk::Wide(typed).c_str());
            PressButton(box, IDOK);
            EXPECT_TRUE(WaitGone(box));
        });
        EXPECT_TRUE(dialog.Execute(nullptr));
    }
    EXPECT_EQ(dialog.FileName, typed);

    {
        Driver driver([&] {
            HWND box = WaitForDialog("");
            ASSERT_NE(box, nullptr);
            PressButton(box, IDCANCEL);
        });
        EXPECT_FALSE(dialog.Execute(nullptr));
    }
    EXPECT_EQ(dialog.FileName, typed);
}

TEST(FolderDialog, ShowsItsTextsTreeFilesAndDrives) {
    ScratchDir dir;
    const std::string base = Trimmed(dir.Path());
    CreateDirectoryW(tk::Wide(base + "\\beta").c_str(), nullptr);
    CreateDirectoryW(tk::Wide(base + "\\Alpha").c_str(), nullptr);
    WriteFileBytes(base + "\\note.txt", "x");
    WriteFileBytes(base + "\\beta\\inner.txt", "x");

    std::string directory = base;
    {
        Driver driver([&] {
            HWND chooser = WaitForDialog(kChooserTitle);
            ASSERT_NE(chooser, nullptr);
            EXPECT_EQ(ItemText(chooser, fd::kNameLabel), "ﾃﾞｨﾚｸﾄﾘ名(&N):");
            EXPECT_EQ(ItemText(chooser, fd::kTreeLabel), "ﾃﾞｨﾚｸﾄﾘ(&D):");
            EXPECT_EQ(ItemText(chooser, fd::kFilesLabel), "ﾌｧｲﾙ(&F): (*.*)");
            EXPECT_EQ(ItemText(chooser, fd::kDrivesLabel), "ﾄﾞﾗｲﾌﾞ(&R):");
            EXPECT_EQ(ItemText(chooser, fd::kNetwork), "ﾈｯﾄﾜｰｸ(&N)...");
            EXPECT_EQ(ItemText(chooser, IDOK), "OK");
            EXPECT_EQ(ItemText(chooser, IDCANCEL), "ｷｬﾝｾﾙ");
            EXPECT_EQ(GetDlgItem(chooser, IDHELP), nullptr);
            EXPECT_EQ(ItemText(chooser, fd::kNameEdit), base);

            // Root, each ancestor one level deeper, then the sub-folders sorted, one level below.
            const std::vector<ListItem> tree = ListItems(GetDlgItem(chooser, fd::kTree));
            ASSERT_GE(tree.size(), 4u);
            EXPECT_EQ(tree[0].text, "C:\\");
            const std::size_t current = tree.size() - 3;
            EXPECT_EQ(tree[current].text, base.substr(base.rfind('\\') + 1));
            for (std::size_t i = 0; i <= current; ++i) EXPECT_EQ(tree[i].data, static_cast<LRESULT>(i));
            EXPECT_EQ(tree[current + 1].text, "Alpha");
            EXPECT_EQ(tree[current + 2].text, "beta");
            EXPECT_EQ(tree[current + 1].data, static_cast<LRESULT>(current + 1));
            EXPECT_EQ(SendDlgItemMessageA(chooser, fd::kTree, LB_GETCURSEL, 0, 0), static_cast<LRESULT>(current));

            const std::vector<ListItem> files = ListItems(GetDlgItem(chooser, fd::kFiles));
            ASSERT_EQ(files.size(), 1u);
            EXPECT_EQ(files[0].text, "note.txt");
            // Selecting a folder shows its files without entering it.
            SendDlgItemMessageA(chooser, fd::kTree, LB_SETCURSEL, current + 2, 0);
            SendMessageA(chooser, WM_COMMAND, MAKEWPARAM(fd::kTree, LBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(GetDlgItem(chooser, fd::kTree)));
            const std::vector<ListItem> inner = ListItems(GetDlgItem(chooser, fd::kFiles));
            ASSERT_EQ(inner.size(), 1u);
            EXPECT_EQ(inner[0].text, "inner.txt");
            EXPECT_EQ(ItemText(chooser, fd::kNameEdit), base);

            EXPECT_EQ(ItemText(chooser, fd::kDrives), "C:");
            // Moved to a monitor of twice the scale and back: the rows follow.
            RECT frame;
            GetWindowRect(chooser, &frame);
            const LRESULT row = SendDlgItemMessageA(chooser, fd::kTree, LB_GETITEMHEIGHT, 0, 0);
            for (const int times : {2, 1}) {
                const int dpi = tk::WindowDpi(chooser) * times;
                SendMessageA(chooser, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&frame));
                EXPECT_NEAR(SendDlgItemMessageA(chooser, fd::kTree, LB_GETITEMHEIGHT, 0, 0), times * row, 2);
            }
            PressButton(chooser, IDCANCEL);
        });
        EXPECT_FALSE(tk::SelectDirectory(nullptr, directory, true));
    }
    EXPECT_EQ(directory, base);
}

TEST(FolderDialog, ReturnsTheTypedFolderWithoutTrailingSeparator) {
    ScratchDir dir;
    const std::string base = Trimmed(dir.Path());
    CreateDirectoryW(tk::Wide(base + "\\sub").c_str(), nullptr);
    // "表" ends in the byte 0x5C, which is no separator.
    CreateDirectoryW(tk::Wide(base + "\\表").c_str(), nullptr);

    const auto choose = [&](const std::string& typed) {
        std::string directory = base;
        Driver driver([&] {
            HWND chooser = WaitForDialog(kChooserTitle);
            ASSERT_NE(chooser, nullptr);
            TypeAndAccept(chooser, typed);
            EXPECT_TRUE(WaitGone(chooser)) << typed;
        });
        EXPECT_TRUE(tk::SelectDirectory(nullptr, directory, false)) << typed;
        return directory;
    };
    EXPECT_EQ(choose("sub\\"), base + "\\sub");
    EXPECT_EQ(choose(base + "\\sub\\\\"), base + "\\sub");
    EXPECT_EQ(choose(base + "\\表"), base + "\\表");
    EXPECT_EQ(choose("表\\"), base + "\\表");
    EXPECT_EQ(choose("sub\\..\\表"), base + "\\表");
    EXPECT_EQ(choose("C:\\"), "C:\\");
    EXPECT_EQ(choose(""), base);
}

TEST(FolderDialog, AsksBeforeCreatingAMissingFolderWithItsParents) {
    ScratchDir dir;
    const std::string base = Trimmed(dir.Path());
    const std::string wanted = base + "\\新しい\\a\\b";
    std::string directory = base;
    {
        Driver driver([&] {
            HWND chooser = WaitForDialog(kChooserTitle);
            ASSERT_NE(chooser, nullptr);
            TypeAndAccept(chooser, wanted);
            HWND question = WaitForDialog("確認");
            ASSERT_NE(question, nullptr);
            EXPECT_NE(BoxTexts(question).find("指定されたﾃﾞｨﾚｸﾄﾘが存在しません。作成しますか？"), std::string::npos)
                << BoxTexts(question);
            // The buttons are the system's, in its display language.
            if (PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE) {
                EXPECT_EQ(ItemText(question, IDYES), "はい(&Y)");
                EXPECT_EQ(ItemText(question, IDNO), "いいえ(&N)");
            }

            // "No" keeps the chooser open and creates nothing.
            PressButton(question, IDNO);
            ASSERT_TRUE(WaitGone(question));
            Sleep(100);
            EXPECT_TRUE(IsWindowVisible(chooser));
            EXPECT_FALSE(tk::FileExists(base + "\\新しい"));

            PressButton(chooser, IDOK);
            question = WaitForDialog("確認");
            ASSERT_NE(question, nullptr);
            PressButton(question, IDYES);
            EXPECT_TRUE(WaitGone(chooser));
        });
        EXPECT_TRUE(tk::SelectDirectory(nullptr, directory, true));
    }
    EXPECT_EQ(directory, wanted);
    EXPECT_TRUE(tk::DirectoryExists(wanted));
}

TEST(FolderDialog, AFolderThatCannotBeCreatedIsReportedAndTheChooserStays) {
    ScratchDir dir;
    const std::string base = Trimmed(dir.Path());
    WriteFileBytes(base + "\\file", "x"); // a file blocks a folder of that name
    std::string directory = base;
    {
        Driver driver([&] {
            HWND chooser = WaitForDialog(kChooserTitle);
            ASSERT_NE(chooser, nullptr);
            TypeAndAccept(chooser, base + "\\file\\sub");
            HWND question = WaitForDialog("確認");
            ASSERT_NE(question, nullptr);
            PressButton(question, IDYES);
            ASSERT_TRUE(WaitGone(question));
            HWND error = WaitForDialog("エラー");
            ASSERT_NE(error, nullptr);
            EXPECT_NE(BoxTexts(error).find(base + "\\file\\sub"), std::string::npos) << BoxTexts(error);
            PressButton(error, IDOK);
            ASSERT_TRUE(WaitGone(error));
            EXPECT_TRUE(IsWindowVisible(chooser));
            PressButton(chooser, IDCANCEL);
        });
        EXPECT_FALSE(tk::SelectDirectory(nullptr, directory, true));
    }
    EXPECT_EQ(directory, base);
}

TEST(FolderDialog, DoubleClickEntersAFolder) {
    ScratchDir dir;
    const std::string base = Trimmed(dir.Path());
    CreateDirectoryW(tk::Wide(base + "\\sub").c_str(), nullptr);
    CreateDirectoryW(tk::Wide(base + "\\sub\\deeper").c_str(), nullptr);
    std::string directory = base;
    {
        Driver driver([&] {
            HWND chooser = WaitForDialog(kChooserTitle);
            ASSERT_NE(chooser, nullptr);
            HWND tree = GetDlgItem(chooser, fd::kTree);
            const LRESULT sub = SendMessageA(tree, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>("sub"));
            ASSERT_NE(sub, LB_ERR);
            SendMessageA(tree, LB_SETCURSEL, static_cast<WPARAM>(sub), 0);
            SendMessageA(chooser, WM_COMMAND, MAKEWPARAM(fd::kTree, LBN_DBLCLK), reinterpret_cast<LPARAM>(tree));
            EXPECT_EQ(ItemText(chooser, fd::kNameEdit), base + "\\sub");
            const std::vector<ListItem> items = ListItems(tree);
            ASSERT_GE(items.size(), 2u);
            EXPECT_EQ(items.back().text, "deeper");
            EXPECT_EQ(items[items.size() - 2].text, "sub");

            // The root item goes back to the top of the drive.
            SendMessageA(tree, LB_SETCURSEL, 0, 0);
            SendMessageA(chooser, WM_COMMAND, MAKEWPARAM(fd::kTree, LBN_DBLCLK), reinterpret_cast<LPARAM>(tree));
            EXPECT_EQ(ItemText(chooser, fd::kNameEdit), "C:\\");
            PressButton(chooser, IDOK);
            EXPECT_TRUE(WaitGone(chooser));
        });
        EXPECT_TRUE(tk::SelectDirectory(nullptr, directory, true));
    }
    EXPECT_EQ(directory, "C:\\");
}

TEST(FolderDialog, StartsInTheCurrentDirectoryAndRefusesMissingFoldersWithoutCreate) {
    ScratchDir dir;
    const std::string base = Trimmed(dir.Path());
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    SetCurrentDirectoryW(tk::Wide(base).c_str());
    std::string directory = base + "\\gone";
    {
        Driver driver([&] {
            HWND chooser = WaitForDialog(kChooserTitle);
            ASSERT_NE(chooser, nullptr);
            EXPECT_EQ(ItemText(chooser, fd::kNameEdit), base);
            TypeAndAccept(chooser, "missing");
            Sleep(200);
            EXPECT_EQ(WaitForDialog("確認", 100), nullptr) << "no question without create";
            EXPECT_TRUE(IsWindowVisible(chooser));
            PressButton(chooser, IDCANCEL);
        });
        EXPECT_FALSE(tk::SelectDirectory(nullptr, directory, false));
    }
    SetCurrentDirectoryA(saved);
    EXPECT_EQ(directory, base + "\\gone");
    EXPECT_FALSE(tk::FileExists(base + "\\missing"));
}

TEST(ErrorBox, EndsItsTextOnceAndStaysWhileTheProgramIsClosing) {
    tk::App().Initialize();
    k2test::BoxAnswerer boxes;
    const char* texts[] = {"保存できません。", "ファイル a.txt", "Disk full."};
    for (const char* text : texts) tk::App().ShowException(tk::Exception(text));
    // A quit message already posted must not take the box away unseen, and is
    // still there for the loop afterwards.
    PostQuitMessage(3);
    tk::App().ShowException(tk::Exception("終了中"));
    MSG quit{};
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 3u);

    const std::vector<k2test::SeenBox> seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].text, "保存できません。");
    EXPECT_EQ(seen[1].text, "ファイル a.txt.");
    EXPECT_EQ(seen[2].text, "Disk full.");
    EXPECT_EQ(seen[3].text, "終了中.");
}
