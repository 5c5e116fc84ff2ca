// The text model: UTF-8 inside, code page 932 in the stored files, plain
// path splitting.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>

#include "toolkit/PathPart.h"
#include "toolkit/Text.h"

TEST(Encoding, LiteralsAreUtf8AndCodePage932IsExactOrNothing) {
    EXPECT_EQ(std::string("表"), std::string("\xE8\xA1\xA8"));
    EXPECT_EQ(tk::ToCp932("コルミ２"), std::string("\x83\x52\x83\x8B\x83\x7E\x82\x51"));
    EXPECT_EQ(tk::ToCp932("表ﾌｧｲﾙ"), std::string("\x95\x5C\xCC\xA7\xB2\xD9"));
    EXPECT_EQ(tk::FromCp932("\x95\x5C\xCC\xA7\xB2\xD9"), "表ﾌｧｲﾙ");
    // Best fit would name other files: "cafe", "a\\b".
    for (const char* text : {"café", "a¥b", "😀", "한글"}) EXPECT_FALSE(tk::ToCp932(text)) << text;
    EXPECT_EQ(tk::Utf8(tk::Wide("Café 😀")), "Café 😀");
    EXPECT_FALSE(tk::ExactUtf8(L"x\xD800"));
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

TEST(PathPart, SplitsAtSeparatorsOnly) {
    using namespace tk::path;
    EXPECT_EQ(FolderPart("C:\\表\\a.exe"), "C:\\表");
    EXPECT_EQ(FileNamePart("C:\\dir\\ミ"), "ミ");
    EXPECT_EQ(FileNamePart("C:\\tools\\ツール.exe"), "ツール.exe");
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
