// Registering and emptying slots: files dropped from the shell, and the tool
// buttons dragged onto a slot with the dialogs they open answered for real.
#include "support/MainWindow.h"
#include "support/Process.h"
#include "support/Windows.h"

#include "app/persist/StoredText.h"
#include "toolkit/Application.h"
#include "toolkit/Bitmap.h"
#include "toolkit/FolderDialog.h"
#include "toolkit/Text.h"

#include <shlobj.h>

#include <cstring>
#include <functional>
#include <thread>
#include <vector>

using k2test::MainWindowTest;
using k2test::PressButton;
using k2test::Pump;

namespace {

constexpr const char kNoRoom[] = "これ以上登録することが出来ません。";

// A drop handle as the shell builds it: wide names, point in client coordinates.
HDROP MakeDrop(POINT clientPoint, const std::vector<std::string>& names) {
    std::wstring list;
    for (const std::string& name : names) list += tk::Wide(name) + L'\0';
    list += L'\0';
    const std::size_t bytes = list.size() * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + bytes);
    auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    files->pt = clientPoint;
    files->fNC = FALSE;
    files->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), list.data(), bytes);
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

// A visible window of this process of the given class and title ("" for any title).
HWND WaitForWindow(const char* windowClass, const std::string& title, DWORD timeoutMs = 10000) {
    HWND found = nullptr;
    k2test::WaitUntil(
        [&] {
            for (HWND hwnd = FindWindowExA(nullptr, nullptr, windowClass, nullptr); hwnd;
                 hwnd = FindWindowExA(nullptr, hwnd, windowClass, nullptr)) {
                DWORD pid = 0;
                GetWindowThreadProcessId(hwnd, &pid);
                if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) &&
                    (title.empty() || tk::WindowText(hwnd) == title)) {
                    found = hwnd;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

// Answers the dialogs the test thread opens from a second thread.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void()> script) : thread_(std::move(script)) {}
    ~DialogDriver() { thread_.join(); }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

private:
    std::thread thread_;
};

// Chooses `path` in the open-file dialog (or cancels it when `path` is empty).
void AnswerFileDialog(const std::string& path) {
    HWND dialog = WaitForWindow("#32770", "");
    ASSERT_NE(dialog, nullptr) << "no file dialog";
    if (path.empty()) {
        PressButton(dialog, IDCANCEL);
        return;
    }
    // Explorer-style dialogs keep the name in edt1 or in the cmb13 combo box.
    if (!SetDlgItemTextW(dialog, 0x480, tk::Wide(path).c_str())) SetDlgItemTextW(dialog, 0x47C, tk::Wide(path).c_str());
    PressButton(dialog, IDOK);
}

// Chooses `folder` in the folder chooser (or cancels it when `folder` is
// empty); agrees when asked whether to make a missing folder.
void AnswerFolderChooser(const std::string& folder, bool missing = false) {
    HWND chooser = WaitForWindow("#32770", "ﾃﾞｨﾚｸﾄﾘの選択");
    ASSERT_NE(chooser, nullptr) << "no folder chooser";
    if (folder.empty()) {
        PressButton(chooser, IDCANCEL);
        return;
    }
    SetDlgItemTextW(chooser, tk::folder_dialog::kNameEdit, tk::Wide(folder).c_str());
    PressButton(chooser, IDOK);
    if (!missing) return;
    HWND question = WaitForWindow("#32770", "確認");
    ASSERT_NE(question, nullptr) << "no question before making the folder";
    PressButton(question, IDYES);
}

class RegistrationTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        savedDirectory_ = k2test::CurrentDirectory();
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        SetCurrentDirectoryW(tk::Wide(savedDirectory_).c_str());
    }

    // The decoded paths of slots first to last.
    std::vector<std::string> Slots(int first, int last) {
        std::vector<std::string> paths;
        for (int g = first; g <= last; ++g) paths.push_back(Slot(g));
        return paths;
    }

    // Client point of the main window over slot position k.
    POINT OverSlot(int k) {
        RECT rect;
        GetWindowRect(Form().SlotButton(k).Handle(), &rect);
        POINT point{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ScreenToClient(Form().Handle(), &point);
        return point;
    }

    void Drop(POINT point, const std::vector<std::string>& names) {
        SendMessageA(Form().Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(point, names)), 0);
        Pump(10);
    }

    std::string savedDirectory_;
};

} // namespace

TEST_F(RegistrationTest, DroppedNamesFillFreeSlotsFromTheSlotUnderThePoint) {
    Start();
    k2::TForm1& form = Form();
    Register(5, "taken5");
    Register(6, "taken6");
    form.ShowMainWindow();
    Drop(OverSlot(4), {Dir() + "a", Dir() + "b", Dir() + "c"});
    EXPECT_EQ(Slots(3, 9),
              (std::vector<std::string>{"", Dir() + "a", "taken5", "taken6", Dir() + "b", Dir() + "c", ""}));
    EXPECT_EQ(form.currentPage, 0);
    // Names of nothing there keep the empty face and no cache file: they
    // are asked again next time.
    for (int g : {4, 7, 8}) EXPECT_FALSE(tk::FileExists(CacheFile(g))) << g;

    // From a taken last slot of page 1 into page 2, which is then shown.
    Register(8, "taken8");
    Drop(OverSlot(8), {Dir() + "d", Dir() + "e"});
    EXPECT_EQ(Slots(8, 11), (std::vector<std::string>{"taken8", Dir() + "d", Dir() + "e", ""}));
    EXPECT_EQ(form.currentPage, 1);
    EXPECT_EQ(form.Label3->Caption(), "[2]ページ");

    // Off the slots: from slot 0 of page 1, whatever page is shown.
    Register(0, "taken0");
    Drop(POINT{5, 5}, {Dir() + "f"});
    EXPECT_EQ(Slots(0, 1), (std::vector<std::string>{"taken0", Dir() + "f"}));
    EXPECT_EQ(form.currentPage, 0);
    EXPECT_EQ(form.Label3->Caption(), "[1]ページ");
}

TEST_F(RegistrationTest, DropBeyondTheLastFreeSlotKeepsEverythingAndShowsTheLastPage) {
    Start();
    k2::TForm1& form = Form();
    for (int g = 72; g < 90; ++g) Register(g, "taken" + std::to_string(g));
    form.currentPage = 8;
    form.ShowMainWindow();
    const std::vector<std::string> before = Slots(0, 89);
    Drop(OverSlot(0), {Dir() + "x", Dir() + "y"});
    EXPECT_EQ(Slots(0, 89), before) << "free slots before the drop point were used";
    EXPECT_EQ(form.Label2->Caption(), kNoRoom);
    EXPECT_EQ(form.currentPage, 9);
    EXPECT_EQ(form.Label3->Caption(), "[10]ページ");

    // The names that fit are kept when the slots run out half way.
    Register(89, "");
    form.Label2->SetCaption("");
    Drop(OverSlot(8), {Dir() + "last", Dir() + "over"});
    EXPECT_EQ(Slot(89), Dir() + "last");
    EXPECT_EQ(form.Label2->Caption(), kNoRoom);
    EXPECT_EQ(form.currentPage, 9);
}

TEST_F(RegistrationTest, LongDroppedNameIsRegisteredWhole) {
    Start();
    Form().ShowMainWindow();
    const std::string name = Dir() + std::string(300, 'n') + ".txt";
    Drop(OverSlot(0), {name, Dir() + "next"});
    EXPECT_EQ(Slot(0), name);
    EXPECT_EQ(Slot(1), Dir() + "next");
    EXPECT_TRUE(IsWindow(Form().Handle()));
}

TEST_F(RegistrationTest, DeleteToolEmptiesTheSlotWithItsPasswordAndCache) {
    Start();
    k2::TForm1& form = Form();
    Register(4, tk::ModuleFileName());
    form.passwords[5] = k2::EncodeStoredText("pw");
    form.ShowMainWindow();
    Settle();
    ASSERT_TRUE(tk::FileExists(CacheFile(4)));
    // Glyphs of other scales, shown on other monitors earlier.
    for (int side : {32, 40, 64}) {
        CreateDirectoryW(tk::Wide(Dir() + "Icon\\" + std::to_string(side)).c_str(), nullptr);
        tk::Bitmap(side, side, RGB(1, 2, 3)).SaveToFile(CacheFile(4, side));
    }

    k2test::DragTo(*form.BitBtn5, form.SlotButton(4));
    EXPECT_EQ(form.slotPaths[4], "");
    EXPECT_EQ(form.passwords[5], "");
    for (int side : {32, 40, 64}) EXPECT_FALSE(tk::FileExists(CacheFile(4, side))) << side;
    EXPECT_EQ(form.SlotButton(4).Glyph().Pixel(16, 16), GetSysColor(COLOR_BTNFACE));

    // On an empty slot: still empty, still no cache file.
    k2test::DragTo(*form.BitBtn5, form.SlotButton(2));
    EXPECT_EQ(form.slotPaths[2], "");
    EXPECT_FALSE(tk::FileExists(CacheFile(2)));

    // The popup item does the same on the slot the menu was opened on.
    Register(3, tk::ModuleFileName());
    form.passwords[4] = k2::EncodeStoredText("pw");
    form.menuTargetButton = &form.SlotButton(3);
    SendMessageA(form.Handle(), WM_COMMAND, form.PopupMenu1->FindItem(std::string("Delete1"))->id, 0);
    EXPECT_EQ(form.slotPaths[3], "");
    EXPECT_EQ(form.passwords[4], "");
    EXPECT_FALSE(tk::FileExists(CacheFile(3)));
}

TEST_F(RegistrationTest, FileToolRegistersTheChosenFileKeepingThePassword) {
    const std::string chosen = tk::ModuleFileName();
    Start();
    k2::TForm1& form = Form();
    Register(3, Dir() + "old.txt");
    form.passwords[4] = k2::EncodeStoredText("pw");
    tk::Bitmap(32, 32, RGB(1, 2, 3)).SaveToFile(CacheFile(3));
    form.ShowMainWindow();

    {
        DialogDriver driver([] { AnswerFileDialog(""); });
        k2test::DragTo(*form.BitBtn3, form.SlotButton(3));
    }
    EXPECT_EQ(Slot(3), Dir() + "old.txt") << "cancelling changed the slot";

    {
        DialogDriver driver([&] { AnswerFileDialog(chosen); });
        k2test::DragTo(*form.BitBtn3, form.SlotButton(3));
    }
    EXPECT_EQ(Slot(3), chosen);
    EXPECT_EQ(form.passwords[4], k2::EncodeStoredText("pw"));
    EXPECT_EQ(form.OpenDialog1.FileName, "") << "the next dialog would start with the old name";
    Settle();
    tk::Bitmap cached;
    ASSERT_NO_THROW(cached.LoadFromFile(CacheFile(3)));
    EXPECT_NE(cached.Pixel(16, 16), RGB(1, 2, 3)) << "the old icon stayed in the cache";
    EXPECT_EQ(cached.Pixel(16, 16), form.SlotButton(3).Glyph().Pixel(16, 16));

    // A name typed for a file that does not exist is registered too, blank.
    {
        DialogDriver driver([&] { AnswerFileDialog(Dir() + "new.txt"); });
        form.menuTargetButton = &form.SlotButton(6);
        SendMessageA(form.Handle(), WM_COMMAND, form.PopupMenu1->FindItem(std::string("N5"))->id, 0);
    }
    EXPECT_EQ(Slot(6), Dir() + "new.txt");
    EXPECT_EQ(form.SlotButton(6).Glyph().Pixel(16, 16), GetSysColor(COLOR_BTNFACE));
}

TEST_F(RegistrationTest, FolderToolRegistersTheChosenFolder) {
    const std::string folder = Dir() + "表";
    CreateDirectoryW(tk::Wide(folder).c_str(), nullptr);
    Start();
    k2::TForm1& form = Form();
    form.ShowMainWindow();

    {
        DialogDriver driver([] { AnswerFolderChooser(""); });
        k2test::DragTo(*form.BitBtn4, form.SlotButton(5));
    }
    EXPECT_EQ(Slot(5), "") << "cancelling changed the slot";

    {
        DialogDriver driver([&] { AnswerFolderChooser(folder + "\\"); });
        k2test::DragTo(*form.BitBtn4, form.SlotButton(5));
    }
    EXPECT_EQ(Slot(5), folder);
    Settle();
    EXPECT_TRUE(tk::FileExists(CacheFile(5)));
    EXPECT_NE(form.SlotButton(5).Glyph().Pixel(16, 16), GetSysColor(COLOR_BTNFACE));

    // A folder that does not exist yet is made once the user agrees.
    const std::string made = Dir() + "new\\deeper";
    {
        DialogDriver driver([&] { AnswerFolderChooser(made, true); });
        form.menuTargetButton = &form.SlotButton(7);
        SendMessageA(form.Handle(), WM_COMMAND, form.PopupMenu1->FindItem(std::string("N6"))->id, 0);
    }
    EXPECT_EQ(Slot(7), made);
    EXPECT_TRUE(tk::DirectoryExists(made));
}
