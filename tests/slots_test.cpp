// Pages of slots on the nine buttons: navigation, and the icon cache that
// spares the shell's icon lookups.
#include "support/BoxAnswerer.h"
#include "support/MainWindow.h"
#include "support/Process.h"

#include "toolkit/Application.h"
#include "toolkit/Bitmap.h"
#include "toolkit/PathPart.h"
#include "toolkit/Text.h"

using k2test::GlyphSide;
using k2test::MainWindowTest;
using k2test::ProfileValue;
using k2test::Pump;

namespace {

COLORREF Face() { return GetSysColor(COLOR_BTNFACE); }

// First pixel where two bitmaps differ, described; "" when they are the same.
std::string Difference(const tk::Bitmap& a, const tk::Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return "size " + std::to_string(a.Width()) + "x" + std::to_string(a.Height()) + " vs " +
               std::to_string(b.Width()) + "x" + std::to_string(b.Height());
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y))
                return "pixel (" + std::to_string(x) + "," + std::to_string(y) + ")";
    return {};
}

// The cleared glyph: a square of the glyph's side in the button face colour.
::testing::AssertionResult IsBlank(const tk::Bitmap& glyph) {
    const std::string difference = Difference(glyph, tk::Bitmap(GlyphSide(), GlyphSide(), Face()));
    if (difference.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "not the blank glyph: " << difference;
}

// A picture no shell icon looks like.
tk::Bitmap Distinctive() {
    tk::Bitmap bitmap(GlyphSide(), GlyphSide(), RGB(10, 200, 30));
    for (int i = 0; i < GlyphSide(); ++i) bitmap.SetPixel(i, i, RGB(250, 0, 250));
    return bitmap;
}

// The number of the icon resource the application icon (and so the tray) shows.
std::string IconPixels(HICON icon) {
    std::string pixels;
    tk::Bitmap canvas(16, 16, RGB(0, 0, 0));
    canvas.DrawIcon(icon, 0, 0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) pixels += std::to_string(canvas.Pixel(x, y)) + ",";
    return pixels;
}

int ApplicationIconNumber() {
    const std::string shown = IconPixels(tk::App().Icon());
    for (int number = 1; number <= 12; ++number) {
        const std::string name = "ICON" + std::to_string(number);
        const int size = GetSystemMetrics(SM_CXSMICON); // the tray's size at this display scale
        const tk::IconHandle icon(
            static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), name.c_str(), IMAGE_ICON, size, size, 0)));
        if (icon && IconPixels(icon.Get()) == shown) return number;
    }
    return 0;
}

class SlotsTest : public MainWindowTest {
protected:
    // The cache folder of this display's glyph size, made.
    void MakeCacheFolder() { tk::ForceDirectories(tk::path::FolderPart(CacheFile(0))); }
    const tk::Bitmap& Glyph(int k) { return Form().SlotButton(k).Glyph(); }
    // This test program: a file with an icon of its own.
    const std::string program_ = tk::ModuleFileName();
};

} // namespace

TEST_F(SlotsTest, ArrowsWrapAroundTheTenPages) {
    WriteSettings("[各種設定]\r\n現在のページ番号=9\r\n");
    Start();
    k2::TForm1& form = Form();
    Register(0, program_);   // page 1, position 0
    Register(89, program_);  // page 10, position 8
    form.ShowMainWindow();
    EXPECT_EQ(form.Label3->Caption(), "[10]ページ");
    EXPECT_FALSE(IsBlank(Glyph(8)));

    k2test::Click(*form.BitBtn2);  // "→" from the last page
    EXPECT_EQ(form.currentPage, 0);
    EXPECT_EQ(form.Label3->Caption(), "[1]ページ");
    EXPECT_EQ(ApplicationIconNumber(), 1);
    EXPECT_FALSE(IsBlank(Glyph(0)));
    EXPECT_TRUE(IsBlank(Glyph(8)));

    k2test::Click(*form.BitBtn1);  // "←" from the first page
    EXPECT_EQ(form.currentPage, 9);
    EXPECT_EQ(form.Label3->Caption(), "[10]ページ");
    EXPECT_EQ(ApplicationIconNumber(), 10);
    EXPECT_TRUE(IsBlank(Glyph(0)));
    EXPECT_FALSE(IsBlank(Glyph(8)));

    k2test::Click(*form.BitBtn1);
    EXPECT_EQ(form.currentPage, 8);
    EXPECT_EQ(form.Label3->Caption(), "[9]ページ");
    EXPECT_EQ(ApplicationIconNumber(), 9);
}

TEST_F(SlotsTest, CachedGlyphIsShownAsStoredWhileEmptySlotsStayBlank) {
    Start();
    // Slot 0 is registered, slot 1 is empty; both have a cache file.
    Register(0, program_);
    MakeCacheFolder();
    Distinctive().SaveToFile(CacheFile(0));
    Distinctive().SaveToFile(CacheFile(1));
    const std::string stored = k2test::ReadFileBytes(CacheFile(0));

    Form().ShowMainWindow();
    EXPECT_EQ(Difference(Glyph(0), Distinctive()), "") << "the shell's icon replaced the cached one";
    EXPECT_EQ(k2test::ReadFileBytes(CacheFile(0)), stored);
    EXPECT_TRUE(IsBlank(Glyph(1))) << "an empty slot used a cache file";
    for (int k = 2; k < 9; ++k) EXPECT_TRUE(IsBlank(Glyph(k))) << "position " << k;
}

TEST_F(SlotsTest, UnreadableCacheFileIsFetchedAgainAndRewritten) {
    tk::Bitmap valid(32, 32, RGB(1, 2, 3));
    valid.SaveToFile(Dir() + "valid.bmp");
    const std::string whole = k2test::ReadFileBytes(Dir() + "valid.bmp");
    const std::string truncated = whole.substr(0, 70);
    // The header's width (at 18) or height (at 22) is 0.
    const std::string noWidth = whole.substr(0, 18) + std::string(4, '\0') + whole.substr(22);
    const std::string noHeight = whole.substr(0, 22) + std::string(4, '\0') + whole.substr(26);
    Start();
    MakeCacheFolder();
    k2test::BoxAnswerer boxes;
    for (const std::string& content : {std::string("not a bitmap"), truncated, std::string(), noWidth, noHeight}) {
        SCOPED_TRACE(content.size());
        Form().Hide();
        Register(0, program_);
        k2test::WriteFileBytes(CacheFile(0), content);
        Form().ShowMainWindow();
        Settle();
        EXPECT_FALSE(IsBlank(Glyph(0)));
        tk::Bitmap rewritten;
        ASSERT_NO_THROW(rewritten.LoadFromFile(CacheFile(0)));
        EXPECT_EQ(Difference(rewritten, Glyph(0)), "");
    }
    EXPECT_TRUE(boxes.Seen().empty()) << "a box was shown: " << boxes.Seen().front().text;
}

TEST_F(SlotsTest, MissingCacheFolderFallsBackToTheProgramsIconFolder) {
    const std::string gone = Dir() + "gone\\Icon";
    WriteSettings("[各種設定]\r\nIconキャッシュの保存先=" + gone + "\r\n");
    Start();
    EXPECT_EQ(Form().iconCacheFolder, Dir() + "Icon");
    EXPECT_TRUE(tk::DirectoryExists(Dir() + "Icon"));
    EXPECT_FALSE(tk::DirectoryExists(gone));

    Register(0, program_);
    Form().ShowMainWindow();
    Settle();
    EXPECT_TRUE(tk::FileExists(CacheFile(0)));
    Stop();
    EXPECT_EQ(ProfileValue(Dir() + "data\\data99.ini", "Iconキャッシュの保存先"), Dir() + "Icon");

    // Cache folder removed while the program is stopped: made again, icons fetched again.
    k2test::RemoveTree(Dir() + "Icon");
    Start();
    Register(0, program_);
    Form().ShowMainWindow();
    Settle();
    EXPECT_TRUE(tk::FileExists(CacheFile(0)));
    EXPECT_FALSE(IsBlank(Glyph(0)));
}

TEST_F(SlotsTest, FoldersDocumentsAndProgramsShowAnIconMissingPathsDoNot) {
    CreateDirectoryW(tk::Wide((Dir() + "folder")).c_str(), nullptr);
    k2test::WriteFileBytes(Dir() + "note.txt", "text");
    Start();
    Register(0, Dir() + "folder");
    Register(1, Dir() + "note.txt");
    Register(2, program_);
    Register(3, Dir() + "missing.exe");
    Register(4, "C:\\");
    Form().ShowMainWindow();
    Settle();
    EXPECT_FALSE(IsBlank(Glyph(0))) << "folder";
    EXPECT_FALSE(IsBlank(Glyph(1))) << "document";
    EXPECT_FALSE(IsBlank(Glyph(2))) << "program";
    EXPECT_TRUE(IsBlank(Glyph(3))) << "missing file";
    EXPECT_FALSE(tk::FileExists(CacheFile(3))) << "a blank glyph was cached";
    EXPECT_FALSE(IsBlank(Glyph(4))) << "drive root";
    for (int k : {0, 1, 2, 4}) {
        // The lower-left pixel is the glyph's transparent colour.
        EXPECT_EQ(Glyph(k).TransparentColor(), Face()) << "position " << k;
    }
}

TEST_F(SlotsTest, CacheFolderRemovedWhileRunningStillShowsTheWindowAndItsPages) {
    Start();
    k2::TForm1& form = Form();
    Register(0, program_);
    Register(9, program_);
    k2test::RemoveTree(Dir() + "Icon");
    k2test::BoxAnswerer boxes;

    form.ShowMainWindow();
    Settle();
    EXPECT_TRUE(IsWindowVisible(form.Handle())) << "the window could not be shown";
    EXPECT_FALSE(IsBlank(Glyph(0)));
    ASSERT_TRUE(boxes.WaitForBoxes(1, 5000)) << "the unwritable cache was not reported";
    EXPECT_NE(boxes.Seen()[0].text.find(CacheFile(0)), std::string::npos) << boxes.Seen()[0].text;

    k2test::Click(*form.BitBtn2);
    Settle();
    EXPECT_EQ(form.currentPage, 1);
    EXPECT_EQ(form.Label3->Caption(), "[2]ページ");
    EXPECT_EQ(ApplicationIconNumber(), 2);
    EXPECT_FALSE(IsBlank(Glyph(0)));
    EXPECT_EQ(boxes.Seen().size(), 2u) << "one report per page display";
}

TEST_F(SlotsTest, SlowVolumeShowsThePageAtOnceAndItsIconLaterOnlyWhereItWasAsked) {
    CreateDirectoryW(tk::Wide(Dir() + "slow").c_str(), nullptr);
    Start();
    k2::TForm1& form = Form();
    Register(0, Dir() + "slow");
    Register(1, program_);
    Register(9, Dir() + "slow");
    k2test::MakeSlow(form, Dir() + "slow", 1500);
    const DWORD start = GetTickCount();
    form.ShowMainWindow();
    EXPECT_LT(GetTickCount() - start, 1000u) << "the window waited for the slow volume";
    EXPECT_TRUE(IsBlank(Glyph(0)));
    EXPECT_FALSE(IsBlank(Glyph(1)));
    EXPECT_FALSE(tk::FileExists(CacheFile(0)));
    EXPECT_TRUE(k2test::WaitUntil([&] { return Pump(10), !IsBlank(Glyph(0)); }, 5000)) << "the icon never came";
    EXPECT_TRUE(tk::FileExists(CacheFile(0)));

    // An icon that comes for a page no longer shown is dropped.
    const tk::Bitmap shown = Glyph(0);
    k2test::Click(*form.BitBtn2);
    k2test::Click(*form.BitBtn1);
    EXPECT_TRUE(k2test::WaitUntil([&] { return Pump(10), !form.AnswersAwaited(); }, 5000));
    EXPECT_EQ(Difference(Glyph(0), shown), "");
    EXPECT_FALSE(tk::FileExists(CacheFile(9)));
}

TEST_F(SlotsTest, ItemsOnTheFormerDriveOfAPortableProgramFollowItToItsNewLetter) {
    // The program ran from Q: last time, a drive that is not here now.
    const std::string onQ = "Q:" + Dir().substr(2);
    k2test::WriteFileBytes(Dir() + "tool.exe", "x");
    CreateDirectoryW(tk::Wide(Dir() + "caps").c_str(), nullptr);
    Start();
    EXPECT_EQ(Form().programVolume, Dir().substr(0, 3)) << "the first run remembers its drive";
    Register(0, onQ + "tool.exe");              // there on the program's drive now
    Register(1, onQ + "gone.exe");              // nowhere
    Register(2, "R:" + Dir().substr(2) + "tool.exe"); // another drive
    Form().programVolume = "Q:\\";
    Form().captureFolder = onQ + "caps";
    Stop();
    Start();
    EXPECT_EQ(Slot(0), Dir() + "tool.exe");
    EXPECT_EQ(Slot(1), onQ + "gone.exe");
    EXPECT_EQ(Slot(2), "R:" + Dir().substr(2) + "tool.exe");
    EXPECT_EQ(Form().captureFolder, Dir() + "caps");
    Stop();
    const std::string ini = k2test::ReadFileBytes(Dir() + "data\\data99.ini");
    EXPECT_NE(ini.find(*tk::ToCp932("[前回の起動]\r\nドライブ=" + Dir().substr(0, 3))), std::string::npos) << ini;
    Start();
    EXPECT_EQ(Slot(0), Dir() + "tool.exe") << "the data file lost the followed path";

    // Settings of a version that did not remember the drive: its icon folder tells it.
    Register(0, onQ + "tool.exe");
    Stop();
    WriteSettings("[各種設定]\r\nIconキャッシュの保存先=" + onQ + "Icon\r\n");
    Start();
    EXPECT_EQ(Slot(0), Dir() + "tool.exe");
    EXPECT_EQ(Form().iconCacheFolder, Dir() + "Icon");
}
