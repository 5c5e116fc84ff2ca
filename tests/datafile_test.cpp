// The launcher data file: stored text form, line layout, old lists, errors, safe replacement.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>

#include "app/persist/DataFile.h"
#include "app/persist/StoredText.h"
#include "support/Scratch.h"
#include "toolkit/Handles.h"
#include "toolkit/Exception.h"
#include "toolkit/Text.h"

using k2::SlotModel;
using k2test::ReadFileBytes;
using k2test::WriteFileBytes;

namespace {

std::string JoinLines(const std::vector<std::string>& lines, const char* end = "\r\n") {
    std::string out;
    for (const std::string& line : lines) out += line + end;
    return out;
}

// A current-format file whose every line is told apart: line i holds "Ln" + i in stored form.
std::vector<std::string> DistinctLines(const char* line0 = "0") {
    std::vector<std::string> lines{line0};
    for (int i = 1; i < k2::kDataFileLines; ++i) lines.push_back(k2::EncodeStoredText("Ln" + std::to_string(i)));
    return lines;
}

::testing::AssertionResult Contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << '"' << text << "\" does not contain \"" << part << '"';
}

SlotModel DirtyModel() {
    SlotModel model;
    model.slotPaths.fill("x");
    model.passwords.fill("y");
    model.passwordsDisabled = 0;
    return model;
}

class DataFile : public ::testing::Test {
protected:
    k2test::ScratchDir dir;
    const std::string path = dir.Path() + "data0.kor";
};

TEST(StoredText, EveryByteButTheLastIsLowered) {
    EXPECT_EQ(k2::EncodeStoredText("ab"), "\x60\x62");
    EXPECT_EQ(k2::EncodeStoredText("a"), "a");
    EXPECT_EQ(k2::EncodeStoredText(""), "");
    EXPECT_EQ(k2::EncodeStoredText("C:\\a.txt"), "B9[`-swt");
    EXPECT_EQ(k2::EncodeStoredText(std::string("\x00z", 2)), "\xFFz");
    const std::string text = "C:\\表\\ソフト.exe";
    EXPECT_EQ(k2::DecodeStoredText(k2::EncodeStoredText(text)), text);
}

TEST(DataFileLines, AnyLineEndEndsALine) {
    using V = std::vector<std::string>;
    EXPECT_EQ(k2::SplitLines("a\r\nb\r\n"), (V{"a", "b"}));
    EXPECT_EQ(k2::SplitLines("a\nb\rc"), (V{"a", "b", "c"}));
    EXPECT_EQ(k2::SplitLines("\r\n\r\n"), (V{"", ""}));
    EXPECT_EQ(k2::SplitLines("a\n\rb"), (V{"a", "", "b"}));
    EXPECT_EQ(k2::SplitLines(""), V{});
    // A Shift-JIS trail byte is never a line end.
    EXPECT_EQ(k2::SplitLines(*tk::ToCp932("表\r\n")), V{*tk::ToCp932("表")});
}

TEST_F(DataFile, FirstRunHasNothingAndWrites182Lines) {
    SlotModel model = DirtyModel();
    k2::LoadDataFile(path, 149, model);
    for (const std::string& s : model.slotPaths) EXPECT_EQ(s, "");
    for (const std::string& s : model.passwords) EXPECT_EQ(s, "");
    EXPECT_EQ(model.passwordsDisabled, 2);

    k2::SaveDataFile(path, model);
    std::string expected = "1\r\n";
    for (int i = 1; i < k2::kDataFileLines; ++i) expected += "\r\n";
    EXPECT_EQ(ReadFileBytes(path), expected);

    SlotModel fromMissingFolder = DirtyModel();
    k2::LoadDataFile(dir.Path() + "nofolder\\data0.kor", 149, fromMissingFolder);
    EXPECT_EQ(fromMissingFolder.passwordsDisabled, 2);
    EXPECT_EQ(fromMissingFolder.slotPaths[0], "");
}

TEST_F(DataFile, CurrentFormatMapsLinesToSlotsAndPasswordsAndWritesThemBackUnchanged) {
    std::vector<std::string> lines = DistinctLines();
    // Damaged bytes (a lone lead byte) and a duplicate code of code page 932
    // (0xED40, NEC-selected IBM extension) do not come back from text as they were.
    lines[3] = "\x8A";
    lines[120] = "\xEC\x3F" "A";
    const std::string original = JoinLines(lines);
    WriteFileBytes(path, original);
    // A settings version that reads as an old one (a doubled key, a hand
    // edit) does not make a current file an old list.
    for (int32_t version : {149, 0, -1, 109}) {
        SCOPED_TRACE(version);
        SlotModel model;
        k2::LoadDataFile(path, version, model);

        EXPECT_EQ(model.passwordsDisabled, 0);
        EXPECT_EQ(k2::DecodeStoredText(model.slotPaths[0]), "Ln1");
        EXPECT_EQ(k2::DecodeStoredText(model.slotPaths[89]), "Ln90");
        EXPECT_EQ(k2::DecodeStoredText(model.passwords[90]), "Ln91"); // last slot's password first
        EXPECT_EQ(k2::DecodeStoredText(model.passwords[1]), "Ln180"); // slot 0's password
        EXPECT_EQ(k2::DecodeStoredText(model.passwords[0]), "Ln181"); // master password last

        const std::string copy = dir.Path() + "copy.kor";
        k2::SaveDataFile(copy, model);
        EXPECT_EQ(ReadFileBytes(copy), original);
    }
    // A line the session changed is written anew, the others as they were.
    SlotModel model;
    k2::LoadDataFile(path, 149, model);
    model.slotPaths[2] = lines[3] = k2::EncodeStoredText("C:\\b");
    EXPECT_EQ(k2::FormatDataFile(model), JoinLines(lines));
    EXPECT_EQ(GetFileAttributesA(k2::ConversionBackupName(path).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(DataFile, ReadsLfAndCrFilesAndIgnoresLinesAfterTheLast) {
    std::vector<std::string> lines = DistinctLines("1");
    const std::string expected = JoinLines(lines);
    lines.push_back("surplus");
    for (const char* end : {"\n", "\r"}) {
        WriteFileBytes(path, JoinLines(lines, end));
        SlotModel model;
        k2::LoadDataFile(path, 110, model);
        EXPECT_EQ(model.passwordsDisabled, 2);
        EXPECT_EQ(k2::FormatDataFile(model), expected) << "line end " << int(end[0]);
    }
}

TEST_F(DataFile, SwitchLineIsUsedDoubled) {
    std::vector<std::string> lines = DistinctLines("3");
    EXPECT_EQ(k2::ParseDataFile(lines, 149, path).passwordsDisabled, 6);
    lines[0] = "0";
    EXPECT_EQ(k2::ParseDataFile(lines, 149, path).passwordsDisabled, 0);
    SlotModel model;
    model.passwordsDisabled = 0;
    EXPECT_EQ(k2::FormatDataFile(model).substr(0, 3), "0\r\n");
}

TEST_F(DataFile, OldPlainListIsTakenOverEncodedWithoutPasswords) {
    std::vector<std::string> lines;
    for (int g = 0; g < k2::kSlotCount; ++g) lines.push_back(g % 2 ? "" : "C:\\表\\app" + std::to_string(g) + ".exe");
    lines.push_back("line 90 is not a slot");
    WriteFileBytes(path, *tk::ToCp932(JoinLines(lines)));
    SlotModel model = DirtyModel();
    k2::LoadDataFile(path, 109, model);

    for (int g = 0; g < k2::kSlotCount; ++g) EXPECT_EQ(model.slotPaths[g], k2::EncodeStoredText(lines[g])) << g;
    for (const std::string& s : model.passwords) EXPECT_EQ(s, "");
    EXPECT_EQ(model.passwordsDisabled, 2);

    const std::string old = ReadFileBytes(path);
    k2::SaveDataFile(path, model);
    const std::vector<std::string> written = k2::SplitLines(ReadFileBytes(path));
    ASSERT_EQ(written.size(), size_t(k2::kDataFileLines));
    EXPECT_EQ(written[0], "1");
    EXPECT_EQ(k2::DecodeStoredText(written[1]), *tk::ToCp932(lines[0]));
    EXPECT_EQ(ReadFileBytes(k2::ConversionBackupName(path)), old) << "the converted list is kept";
}

TEST_F(DataFile, NamesCodePage932CannotHoldAreKeptExactlyAfterTheLastLine) {
    SlotModel model;
    model.slotPaths[3] = k2::EncodeStoredText("C:\\Café 100%\\😀.exe");
    model.slotPaths[89] = k2::EncodeStoredText("D:\\한글.txt");
    model.slotPaths[4] = k2::EncodeStoredText("C:\\表.exe");
    const std::string bytes = k2::FormatDataFile(model);
    std::vector<std::string> lines = k2::SplitLines(bytes);
    ASSERT_EQ(lines.size(), size_t(k2::kDataFileLines + 3));
    // An older version reads a name no file can have, and nothing else moves.
    EXPECT_EQ(k2::DecodeStoredText(lines[4]), "<UTF-8>");
    EXPECT_EQ(k2::DecodeStoredText(lines[5]), *tk::ToCp932("C:\\表.exe"));
    EXPECT_EQ(lines[182], "#UTF-8");
    EXPECT_EQ(lines[183], "3\t" + k2::EncodeStoredText("C:\\Caf%C3%A9 100%25\\%F0%9F%98%80.exe"));
    EXPECT_EQ(lines[184].substr(0, 3), "89\t");
    EXPECT_EQ(k2::FormatDataFile(k2::ParseDataFile(lines, 149, path)), bytes);

    // Lines that do not fit are ignored; a placeholder without its name is an empty slot.
    const std::string placeholder = lines[4];
    lines.insert(lines.begin() + 183, {"x", "90\tabc", "3\t%zz", "5\tabc", "\t", "-1\tq"});
    lines[1 + 10] = placeholder;
    const SlotModel read = k2::ParseDataFile(lines, 149, path);
    EXPECT_EQ(k2::DecodeStoredText(read.slotPaths[3]), "C:\\Café 100%\\😀.exe");
    EXPECT_EQ(k2::DecodeStoredText(read.slotPaths[4]), "C:\\表.exe");
    EXPECT_EQ(k2::DecodeStoredText(read.slotPaths[89]), "D:\\한글.txt");
    EXPECT_EQ(read.slotPaths[5], "");
    EXPECT_EQ(read.slotPaths[10], "");
    lines[182] = "#other";
    EXPECT_EQ(k2::ParseDataFile(lines, 149, path).slotPaths[3], "");
}

// The error must name the file and the line, and leave both the file and the model alone.
template <class Error>
void ExpectLoadError(const std::string& path, const std::string& bytes, int32_t version, const std::string& line) {
    WriteFileBytes(path, bytes);
    SlotModel model = DirtyModel();
    try {
        k2::LoadDataFile(path, version, model);
        ADD_FAILURE() << "no error for version " << version;
    } catch (const Error& e) {
        EXPECT_TRUE(Contains(e.what(), path));
        EXPECT_TRUE(Contains(e.what(), line));
    }
    EXPECT_EQ(ReadFileBytes(path), bytes);
    EXPECT_EQ(model.slotPaths[5], "x");
    EXPECT_EQ(model.passwordsDisabled, 0);
}

TEST_F(DataFile, ShortOrMalformedFilesAreReportedWithFileAndLine) {
    std::vector<std::string> lines = DistinctLines();
    lines.resize(57);
    ExpectLoadError<tk::EListError>(path, JoinLines(lines), 149, " 58 行目");
    lines.resize(89);
    ExpectLoadError<tk::EListError>(path, JoinLines(lines), 100, " 90 行目");
    // A plain list that is long enough for the old format is still too short for the current one.
    lines.resize(90);
    ExpectLoadError<tk::EListError>(path, JoinLines(lines), 110, " 91 行目");
    ExpectLoadError<tk::EListError>(path, "", 149, " 1 行目");

    for (const char* line0 : {"x", "", " 1", "-1", "0000000000"}) {
        SCOPED_TRACE(line0);
        ExpectLoadError<tk::EConvertError>(path, JoinLines(DistinctLines(line0)), 149, " 1 行目");
    }
}

TEST_F(DataFile, FailedSaveKeepsTheOldFileWhole) {
    const std::string original = JoinLines(DistinctLines());
    WriteFileBytes(path, original);
    SlotModel model;
    model.slotPaths[0] = "new";

    ASSERT_TRUE(SetFileAttributesW(tk::Wide(path).c_str(), FILE_ATTRIBUTE_READONLY));
    try {
        k2::SaveDataFile(path, model);
        ADD_FAILURE() << "saved over a read-only file";
    } catch (const tk::EFileError& e) {
        EXPECT_TRUE(Contains(e.what(), path));
    }
    EXPECT_EQ(ReadFileBytes(path), original);
    EXPECT_EQ(GetFileAttributesW(tk::Wide(path + ".tmp").c_str()), INVALID_FILE_ATTRIBUTES);

    const std::string noFolder = dir.Path() + "missing\\data0.kor";
    EXPECT_THROW(k2::SaveDataFile(noFolder, model), tk::EFileError);
    EXPECT_EQ(GetFileAttributesW(tk::Wide(noFolder).c_str()), INVALID_FILE_ATTRIBUTES);

    // A file the user hid stays hidden.
    ASSERT_TRUE(SetFileAttributesW(tk::Wide(path).c_str(), FILE_ATTRIBUTE_HIDDEN));
    k2::SaveDataFile(path, model);
    EXPECT_EQ(k2::SplitLines(ReadFileBytes(path))[1], "new");
    EXPECT_EQ(GetFileAttributesW(tk::Wide(path).c_str()) & FILE_ATTRIBUTE_HIDDEN, DWORD{FILE_ATTRIBUTE_HIDDEN});
    EXPECT_EQ(GetFileAttributesW(tk::Wide(path + ".tmp").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(DataFile, AReplaceThatStopsHalfWayIsFinishedOrTakenBackWholeAtTheNextStart) {
    static tk::FileHandle held; // a scanner's hold on the new file
    using W = const wchar_t*;
    struct Fault {
        k2::ReplaceFileCall replace;
        bool saved, newAtNext; // the save goes through; the next start finds the new file
    } const faults[] = {
        {[](W, W, W) -> unsigned long { return ERROR_UNABLE_TO_REMOVE_REPLACED; }, false, false},
        {[](W, W, W) -> unsigned long { return ERROR_UNABLE_TO_MOVE_REPLACEMENT; }, false, false},
        {[](W t, W, W) -> unsigned long { return DeleteFileW(t), ERROR_UNABLE_TO_MOVE_REPLACEMENT; }, true, true},
        {[](W t, W, W b) -> unsigned long { return MoveFileW(t, b), ERROR_UNABLE_TO_MOVE_REPLACEMENT_2; }, true, true},
        {[](W t, W r, W b) -> unsigned long {
             held = tk::FileHandle(CreateFileW(r, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
             return MoveFileW(t, b), ERROR_UNABLE_TO_MOVE_REPLACEMENT_2;
         },
         false, true}};
    const k2::ReplaceFileCall system = k2::replaceFile;
    const std::string original = JoinLines(DistinctLines());
    for (const Fault& fault : faults) {
        SCOPED_TRACE(&fault - faults);
        WriteFileBytes(path, original);
        SlotModel model;
        model.slotPaths[0] = "new";
        k2::replaceFile = fault.replace;
        const auto start = std::chrono::steady_clock::now();
        bool saved = true;
        try {
            k2::SaveDataFile(path, model, start + std::chrono::milliseconds(300));
        } catch (const tk::EFileError&) {
            saved = false;
        }
        k2::replaceFile = system;
        held.Reset();
        EXPECT_EQ(saved, fault.saved);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << "the deadline was passed";
        k2::LoadDataFile(path, 149, model);
        EXPECT_EQ(model.slotPaths[0], fault.newAtNext ? "new" : k2::EncodeStoredText("Ln1"));
        EXPECT_FALSE(tk::FileExists(path + ".tmp") || tk::FileExists(path + ".bak"));
    }
}

TEST_F(DataFile, UnreadableFileIsAnErrorNotAnEmptyLauncher) {
    // A folder where the file should be: opening it fails for a reason other than absence.
    ASSERT_TRUE(CreateDirectoryW(tk::Wide(path).c_str(), nullptr));
    SlotModel model = DirtyModel();
    EXPECT_THROW(k2::LoadDataFile(path, 149, model), tk::EFileError);
    EXPECT_EQ(model.slotPaths[0], "x");
}

} // namespace
