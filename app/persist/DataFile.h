// The launcher data file data\data0.kor: slot paths, slot passwords, the
// master password and the password switch, 182 lines, read once at start and
// written once at shutdown.
//
//   line 0         passwordsDisabled / 2 ("0": passwords on, "1": off)
//   lines 1-90     slotPaths[0] ... slotPaths[89]
//   lines 91-181   passwords[90] ... passwords[0] (last slot first, master password last)
//
// Files of versions before 110 are a plain list of 90 slot paths. Such a list
// is converted only when the file is not plainly in the current format too
// (182 lines or more, line 0 a number); the list is kept as data0.kor.old.
//
//
// The file is code page 932. A slot path that code page 932 cannot hold is
// stored as the placeholder (kWideNamePlaceholder, encoded) on its own line,
// and exactly after line 181, which older versions do not read:
//
//   line 182       "#UTF-8"
//   then           slot index (decimal), TAB, the escaped UTF-8 path (EscapeName), encoded
//
// A file without such paths ends at line 181. Lines after it that do not
// fit this form are ignored.
#pragma once
#include "app/persist/FileReplace.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace k2 {

inline constexpr int kSlotCount = 90;
inline constexpr int kDataFileLines = 182;
inline constexpr int kOldDataFileLines = 90;
// Settings versions below this one wrote the plain 90-line list.
inline constexpr int32_t kFirstPasswordDataVersion = 110;

struct SlotModel {
    // Encoded (EncodeStoredText) UTF-8 text.
    std::array<std::string, kSlotCount> slotPaths;     // empty = empty slot
    std::array<std::string, kSlotCount + 1> passwords; // [0] master, [1+g] slot g
    int32_t passwordsDisabled = 2;                     // 0 = passwords on, 2 = off
    // Lines 0-181 as the file held them. A line whose value the session did
    // not change is written back as these bytes: the conversion to text and
    // back would alter damaged bytes and code page 932's duplicate codes.
    std::vector<std::string> readLines;
};

// Lines of a text file; CR, LF and CR LF all end a line, and a final line
// end does not start another line.
std::vector<std::string> SplitLines(std::string_view bytes);

// Where the list that a conversion replaces is kept: path + ".old", replacing
// the copy an earlier conversion left.
std::string ConversionBackupName(const std::string& path);

// Fills a model from the lines of a file of the given settings version.
// Too few lines throw tk::EListError, a line 0 that is no decimal integer
// tk::EConvertError; both messages name fileName and the line (counted from 1).
SlotModel ParseDataFile(const std::vector<std::string>& lines, int32_t dataVersion, const std::string& fileName);

// The bytes written: 182 lines and the exact paths, each ended by CR LF.
// Lines of readLines whose value is unchanged are written as they were read.
std::string FormatDataFile(const SlotModel& model);

// A missing file gives all slots empty and passwords off; an old list is
// copied to ConversionBackupName. On any error the model is left as it was.
// What a save cut off left beside the file is taken back first (RecoverReplacement).
void LoadDataFile(const std::string& path, int32_t dataVersion, SlotModel& model);

// Replaces the file as a whole: a failed write throws tk::EFileError and
// leaves the previous file intact.
void SaveDataFile(const std::string& path, const SlotModel& model, const SaveDeadline& deadline = {});

} // namespace k2
