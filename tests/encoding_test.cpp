// The build compiles narrow literals to code page 932 and Wine runs with it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

#include "toolkit/SjisPath.h"

TEST(Encoding, NarrowLiteralsAreShiftJis) {
    const std::string hyo = "表";
    ASSERT_EQ(hyo.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(hyo[0]), 0x95);
    EXPECT_EQ(static_cast<unsigned char>(hyo[1]), 0x5C);
    EXPECT_EQ(std::string("ﾌｧｲﾙ"), std::string("\xCC\xA7\xB2\xD9"));
    EXPECT_EQ(std::string("コルミ２"), std::string("\x83\x52\x83\x8B\x83\x7E\x82\x51"));
}

// The prefix's code page and DPI are those of the condition the test runs
// under (the default: 932 at 96 dpi).
TEST(Encoding, WineRunsWithTheConditionsCodePageAndDpi) {
    const char* codePage = std::getenv("K2_CODE_PAGE");
    const char* dpi = std::getenv("K2_DPI");
    EXPECT_EQ(GetACP(), codePage ? std::strtoul(codePage, nullptr, 10) : 932u);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), dpi ? std::atoi(dpi) : 96);
    ReleaseDC(nullptr, screen);
}

TEST(SjisPath, TrailByte5CIsNoSeparator) {
    using namespace tk::sjis;
    EXPECT_EQ(FolderPart("C:\\表\\a.exe"), "C:\\表");
    EXPECT_EQ(FileNamePart("C:\\dir\\表"), "表");
    EXPECT_EQ(FileNamePart("C:\\tools\\ツール.exe"), "ツール.exe");
    EXPECT_EQ(FolderPart("C:\\tools\\a.exe"), "C:\\tools");
    EXPECT_EQ(FolderPart("C:\\tools\\sub"), "C:\\tools");
    EXPECT_EQ(FolderPart("C:\\"), "C:\\");
    EXPECT_EQ(FolderPart("C:\\a"), "C:\\");
    EXPECT_EQ(FolderPart("a.exe"), "");
    EXPECT_EQ(FolderPart("C:a.exe"), "C:");
    EXPECT_EQ(FileNamePart("noseparator"), "noseparator");
    EXPECT_EQ(ExtensionPart("C:\\x.dir\\file"), "");
    EXPECT_EQ(ExtensionPart("C:\\x\\a.LNK"), ".LNK");
    EXPECT_EQ(BaseNamePart("C:\\x\\コルミ２.lnk"), "コルミ２");
    EXPECT_EQ(VolumeRoot("q:\\a\\b.exe"), "q:\\");
    EXPECT_EQ(VolumeRoot("\\\\表\\共有\\a.exe"), "\\\\表\\共有\\");
    EXPECT_EQ(VolumeRoot("\\\\srv\\share"), "\\\\srv\\share\\");
    for (const char* none : {"a.exe", "\\a.exe", "\\\\srv\\", "\\\\?\\C:\\a", "表:"})
        EXPECT_EQ(VolumeRoot(none), "") << none;
}
