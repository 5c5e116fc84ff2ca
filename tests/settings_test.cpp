// The settings file: key order, defaults, number rules, and what stays untouched.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/persist/Settings.h"
#include "support/Scratch.h"
#include "toolkit/Exception.h"
#include "toolkit/Text.h"

using k2::SettingsFields;
using k2test::ReadFileBytes;
using k2test::WriteFileBytes;

namespace {

class SettingsFile : public ::testing::Test {
protected:
    k2test::ScratchDir dir;
    const std::string appDir = dir.Path();
    const std::string ini = dir.Path() + "data99.ini";

    // The file's text; on disk it is code page 932.
    void WriteIni(const std::string& text) { WriteFileBytes(ini, k2test::Cp932(text)); }
    std::string ReadIni() const { return tk::FromCp932(ReadFileBytes(ini)); }

    SettingsFields Load(bool* cursorKeys = nullptr) {
        SettingsFields fields;
        bool cursor = false;
        k2::LoadSettings(ini, appDir, fields, cursor);
        if (cursorKeys) *cursorKeys = cursor;
        return fields;
    }
};

std::string DefaultFile(const std::string& appDir) {
    return "[各種設定]\r\n"
           "Version=149\r\n"
           "現在のページ番号=0\r\n"
           "ホットキー=0\r\n"
           "自動的に起動するか=0\r\n"
           "文字背景の透明化=0\r\n"
           "簡易キャプチャ=0\r\n"
           "キャプチャ連番数字=1\r\n"
           "jpgファイルの保存先=" +
           appDir +
           "cg\r\n"
           "jpgファイルの中間文字=Image_\r\n"
           "jpgファイルのクオリティ=100\r\n"
           "音量増減=0\r\n"
           "音量の上げ幅=4\r\n"
           "Iconキャッシュの保存先=" +
           appDir +
           "Icon\r\n"
           "ホットキー２度押し起動=0\r\n"
           "カーソルキーを使用するか=1\r\n";
}

TEST_F(SettingsFile, FirstRunWritesEveryKeyInOrderWithItsDefault) {
    bool cursorKeys = false;
    SettingsFields fields = Load(&cursorKeys);
    EXPECT_TRUE(cursorKeys);
    EXPECT_EQ(fields.captureFolder, appDir + "cg");
    EXPECT_EQ(fields.iconCacheFolder, appDir + "Icon");

    k2::SaveSettings(ini, fields, cursorKeys);
    const std::string bytes = ReadFileBytes(ini);
    EXPECT_EQ(bytes, k2test::Cp932(DefaultFile(appDir)));
    // Shift-JIS on disk: "[各種設定]" is 8A 65 8E ED 90 DD 92 E8.
    EXPECT_EQ(bytes.substr(0, 10), std::string("[\x8A\x65\x8E\xED\x90\xDD\x92\xE8]"));
}

TEST_F(SettingsFile, EveryFieldSurvivesASaveAndALoad) {
    SettingsFields fields;
    fields.dataVersion = 149;
    fields.currentPage = 9;
    fields.hotKeySet = 1;
    fields.autoStart = true;
    fields.transparentIconText = true;
    fields.captureEnabled = true;
    fields.captureNumber = 1234;
    fields.captureFolder = "C:\\表\\Café 😀";
    fields.captureFilePrefix = "画像_";
    fields.jpegQuality = 75;
    fields.volumeKeysEnabled = true;
    fields.volumeStep = -3;
    fields.iconCacheFolder = "D:\\ソフト\\Icon";
    fields.twoKeyMode = true;
    k2::SaveSettings(ini, fields, false);

    bool cursorKeys = true;
    const SettingsFields got = Load(&cursorKeys);
    EXPECT_FALSE(cursorKeys);
    EXPECT_EQ(got.currentPage, 9);
    EXPECT_EQ(got.hotKeySet, 1);
    EXPECT_TRUE(got.autoStart && got.transparentIconText && got.captureEnabled && got.volumeKeysEnabled &&
                got.twoKeyMode);
    EXPECT_EQ(got.captureNumber, 1234);
    EXPECT_EQ(got.captureFolder, "C:\\表\\Café 😀");
    // An older version reads a folder no one can have; the exact name is kept aside.
    EXPECT_NE(ReadIni().find("jpgファイルの保存先=<UTF-8>\r\n"), std::string::npos);
    EXPECT_NE(ReadIni().find("[UTF-8]\r\njpgファイルの保存先=C:\\%E8%A1%A8\\Caf%C3%A9 %F0%9F%98%80\r\n"), std::string::npos);
    EXPECT_EQ(got.captureFilePrefix, "画像_");
    EXPECT_EQ(got.jpegQuality, 75);
    EXPECT_EQ(got.volumeStep, -3);
    EXPECT_EQ(got.iconCacheFolder, "D:\\ソフト\\Icon");
}

TEST_F(SettingsFile, StringValuesAreReadUpTo2047Bytes) {
    WriteIni("[各種設定]\r\njpgファイルの中間文字=" + std::string(3000, 'p') + "\r\n");
    EXPECT_EQ(Load().captureFilePrefix, std::string(2047, 'p'));
}

TEST_F(SettingsFile, NumbersAreDecimalOrHexAndAnythingElseGivesTheDefault) {
    WriteIni("[各種設定]\r\n"
                        "Version=0x8C\r\n"
                        "現在のページ番号=0X7\r\n"
                        "ホットキー=2\r\n"
                        "自動的に起動するか=0x0\r\n"
                        "文字背景の透明化=yes\r\n"
                        "簡易キャプチャ=-1\r\n"
                        "キャプチャ連番数字=12abc\r\n"
                        "jpgファイルのクオリティ=\r\n"
                        "音量増減=0x\r\n"
                        "音量の上げ幅=+6\r\n");
    const SettingsFields fields = Load();
    EXPECT_EQ(fields.dataVersion, 140);
    EXPECT_EQ(fields.currentPage, 7);
    EXPECT_EQ(fields.hotKeySet, 1);
    EXPECT_FALSE(fields.autoStart);
    EXPECT_FALSE(fields.transparentIconText);
    EXPECT_TRUE(fields.captureEnabled);
    EXPECT_EQ(fields.captureNumber, 1);
    EXPECT_EQ(fields.jpegQuality, 100);
    EXPECT_FALSE(fields.volumeKeysEnabled);
    EXPECT_EQ(fields.volumeStep, 6);
}

TEST(ProfileInteger, LimitsOfBothNotations) {
    struct Case {
        const char* text;
        std::optional<int32_t> value;
    };
    const Case cases[] = {
        {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt}, {"0xFFFFFFFF", -1}, {"0x7fffffff", INT32_MAX},
        {"0x100000000", std::nullopt}, {"0x-1", std::nullopt}, {"-0x1", std::nullopt},
        {"", std::nullopt}, {"-", std::nullopt}, {"1 2", std::nullopt}, {"007", 7},
    };
    for (const Case& c : cases) EXPECT_EQ(k2::ParseProfileInteger(c.text), c.value) << "text: \"" << c.text << '"';
}

TEST_F(SettingsFile, APageOutsideTheTenPagesIsReadAsTheFirst) {
    for (const char* value : {"10", "-1", "0x7FFFFFFF"}) {
        WriteIni(std::string("[各種設定]\r\n現在のページ番号=") + value + "\r\n");
        EXPECT_EQ(Load().currentPage, 0) << "stored page " << value;
    }
    WriteIni("[各種設定]\r\n現在のページ番号=9\r\n");
    EXPECT_EQ(Load().currentPage, 9);
}

TEST_F(SettingsFile, SavingKeepsOtherSectionsAndForeignKeys) {
    const std::string before = "[前]\r\n"
                               "甲=1\r\n"
                               "[各種設定]\r\n"
                               "独自キー=そのまま\r\n"
                               "Version=140\r\n"
                               "現在のページ番号=3\r\n"
                               "[後]\r\n"
                               "乙=表\r\n";
    WriteIni(before);
    bool cursorKeys = false;
    SettingsFields fields = Load(&cursorKeys);
    fields.dataVersion = 149;
    k2::SaveSettings(ini, fields, cursorKeys);

    std::string keys = DefaultFile(appDir);
    keys = keys.substr(keys.find("ホットキー="));
    const std::string expected = "[前]\r\n"
                                 "甲=1\r\n"
                                 "[各種設定]\r\n"
                                 "独自キー=そのまま\r\n"
                                 "Version=149\r\n"
                                 "現在のページ番号=3\r\n" +
                                 keys +
                                 "[後]\r\n"
                                 "乙=表\r\n";
    EXPECT_EQ(ReadIni(), expected);
}

TEST_F(SettingsFile, SaveReplacesTheFileWholeOrRefusesNamingIt) {
    const SettingsFields fields = Load();
    // A replacement left behind by a save that was cut off is not taken in.
    WriteFileBytes(ini + ".tmp", k2test::Cp932("[各種設定]\r\n残り物=1\r\n"));
    k2::SaveSettings(ini, fields, true);
    EXPECT_EQ(ReadIni(), DefaultFile(appDir));
    EXPECT_FALSE(tk::FileExists(ini + ".tmp"));

    // A file the user made read-only stays as it is.
    const std::string before = "[各種設定]\r\n現在のページ番号=3\r\n";
    WriteIni(before);
    SetFileAttributesW(tk::Wide(ini).c_str(), FILE_ATTRIBUTE_READONLY);
    try {
        k2::SaveSettings(ini, fields, true);
        ADD_FAILURE() << "a read-only settings file was saved over";
    } catch (const tk::EFileError& e) {
        EXPECT_NE(std::string(e.what()).find(ini), std::string::npos) << e.what();
    }
    SetFileAttributesW(tk::Wide(ini).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadIni(), before);

    // A file that cannot be written at all is an error, not a silent loss.
    EXPECT_THROW(k2::SaveSettings(appDir + "missing\\data99.ini", fields, true), tk::EFileError);

    // A save cut off in its replace left no file: the next start takes the
    // new one when it is whole, else the old one under the backup name.
    const std::string saved = k2test::Cp932(DefaultFile(appDir));
    for (const bool whole : {true, false}) {
        DeleteFileW(tk::Wide(ini).c_str());
        WriteFileBytes(ini + ".tmp", whole ? saved : saved.substr(0, saved.size() / 2));
        WriteFileBytes(ini + ".bak", k2test::Cp932(before));
        EXPECT_EQ(Load().currentPage, whole ? 0 : 3);
        EXPECT_EQ(ReadFileBytes(ini), whole ? saved : k2test::Cp932(before));
        EXPECT_FALSE(tk::FileExists(ini + ".tmp") || tk::FileExists(ini + ".bak"));
    }
}

TEST_F(SettingsFile, HookRunsBetweenVolumeStepAndIconFolder) {
    WriteIni("[各種設定]\r\n音量の上げ幅=2\r\nIconキャッシュの保存先=C:\\old\r\n");
    int calls = 0;
    SettingsFields fields;
    bool cursorKeys = false;
    k2::LoadSettings(ini, appDir, fields, cursorKeys, [&] {
        ++calls;
        WriteIni("[各種設定]\r\n音量の上げ幅=8\r\nIconキャッシュの保存先=C:\\new\r\n");
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(fields.volumeStep, 2);
    EXPECT_EQ(fields.iconCacheFolder, "C:\\new");
}

} // namespace
