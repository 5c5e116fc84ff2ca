#include "app/persist/DataFile.h"

#include "app/persist/FileReplace.h"
#include "app/persist/StoredText.h"
#include "toolkit/Exception.h"
#include "toolkit/Text.h"

#include <windows.h>

#include <optional>

namespace k2 {
namespace {

std::string MissingLineMessage(const std::string& fileName, size_t index, int needed) {
    return "データファイル " + fileName + " の " + std::to_string(index + 1) + " 行目がありません（" +
           std::to_string(needed) + " 行必要です）";
}

// Line 0 holds the password switch halved; the model keeps it doubled, so the
// doubled value must fit as well.
std::optional<int32_t> ParseHalfSwitch(std::string_view text) {
    if (text.empty()) return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > INT32_MAX / 2) return std::nullopt;
    }
    return static_cast<int32_t>(value);
}

constexpr std::string_view kExactPathsMarker = "#UTF-8";

// A stored line (code page 932, encoded) as the model holds it (UTF-8, encoded).
std::string FromStoredLine(std::string_view line) {
    return EncodeStoredText(tk::FromCp932(DecodeStoredText(line)));
}

std::optional<std::string> ToStoredLine(std::string_view text) {
    const std::optional<std::string> cp932 = tk::ToCp932(DecodeStoredText(text));
    if (!cp932) return std::nullopt;
    return EncodeStoredText(*cp932);
}

std::optional<int> SlotIndex(std::string_view text) {
    if (text.empty() || text.size() > 2) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value < kSlotCount ? std::optional<int>(value) : std::nullopt;
}

// The exact paths after line 181, for the slots whose line holds the placeholder.
void ReadExactPaths(const std::vector<std::string>& lines, SlotModel& model) {
    const std::string placeholder = EncodeStoredText(kWideNamePlaceholder);
    if (lines.size() <= kDataFileLines || lines[kDataFileLines] != kExactPathsMarker) return;
    for (std::size_t i = kDataFileLines + 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) continue;
        const std::optional<int> g = SlotIndex(line.substr(0, tab));
        if (!g || lines[1 + static_cast<std::size_t>(*g)] != placeholder) continue;
        const std::optional<std::string> path = UnescapeName(DecodeStoredText(line.substr(tab + 1)));
        if (path && !path->empty()) model.slotPaths[static_cast<std::size_t>(*g)] = EncodeStoredText(*path);
    }
}

// Line 0 and the line count of the current format. An old list never looks
// so: its line 0 is a path, and a slot's path is never a bare number.
bool PlainlyCurrent(const std::vector<std::string>& lines) {
    return lines.size() >= kDataFileLines && ParseHalfSwitch(DecodeStoredText(lines[0])).has_value();
}

bool ReadsAsOldFormat(const std::vector<std::string>& lines, int32_t dataVersion) {
    // A settings value alone (a doubled key, a hand edit) must never turn
    // the slots and their passwords into an old list.
    return dataVersion < kFirstPasswordDataVersion && !PlainlyCurrent(lines);
}

} // namespace

std::string ConversionBackupName(const std::string& path) { return path + ".old"; }

std::vector<std::string> SplitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') continue;
        lines.emplace_back(bytes.substr(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
    return lines;
}

SlotModel ParseDataFile(const std::vector<std::string>& lines, int32_t dataVersion, const std::string& fileName) {
    SlotModel model;
    if (!ReadsAsOldFormat(lines, dataVersion)) {
        if (lines.size() < kDataFileLines)
            throw tk::EListError(MissingLineMessage(fileName, lines.size(), kDataFileLines));
        // Decoded like every stored line; the one-digit values this program writes come out unchanged.
        const std::optional<int32_t> half = ParseHalfSwitch(DecodeStoredText(lines[0]));
        if (!half) throw tk::EConvertError("データファイル " + fileName + " の 1 行目が整数ではありません");
        model.passwordsDisabled = *half * 2;
        // A placeholder without its exact path leaves the slot empty.
        const std::string placeholder = EncodeStoredText(kWideNamePlaceholder);
        for (int g = 0; g < kSlotCount; ++g)
            if (lines[1 + g] != placeholder) model.slotPaths[g] = FromStoredLine(lines[1 + g]);
        for (int j = 0; j <= kSlotCount; ++j)
            model.passwords[kSlotCount - j] = FromStoredLine(lines[1 + kSlotCount + j]);
        ReadExactPaths(lines, model);
        model.readLines.assign(lines.begin(), lines.begin() + kDataFileLines);
    } else {
        if (lines.size() < kOldDataFileLines)
            throw tk::EListError(MissingLineMessage(fileName, lines.size(), kOldDataFileLines));
        for (int g = 0; g < kSlotCount; ++g) model.slotPaths[g] = EncodeStoredText(tk::FromCp932(lines[g]));
    }
    return model;
}

std::string FormatDataFile(const SlotModel& model) {
    const bool wasRead = model.readLines.size() == kDataFileLines;
    const std::string placeholder = EncodeStoredText(kWideNamePlaceholder);
    // Line i as it was read, where it still reads as `value`.
    auto unchanged = [&](std::size_t i, const std::string& value) -> const std::string* {
        if (!wasRead || model.readLines[i] == placeholder || FromStoredLine(model.readLines[i]) != value) return nullptr;
        return &model.readLines[i];
    };
    const bool switchUnchanged =
        wasRead && ParseHalfSwitch(DecodeStoredText(model.readLines[0])) == model.passwordsDisabled / 2;
    std::string out = (switchUnchanged ? model.readLines[0] : std::to_string(model.passwordsDisabled / 2)) + "\r\n";
    std::string exactPaths;
    for (int g = 0; g < kSlotCount; ++g) {
        const std::string& path = model.slotPaths[g];
        if (const std::string* read = unchanged(1 + g, path)) {
            out += *read + "\r\n";
            continue;
        }
        const std::optional<std::string> line = ToStoredLine(path);
        out += line.value_or(placeholder) + "\r\n";
        if (!line)
            exactPaths += std::to_string(g) + "\t" + EncodeStoredText(EscapeName(DecodeStoredText(path))) + "\r\n";
    }
    // Passwords are refused when typed unless code page 932 holds them.
    for (int i = kSlotCount; i >= 0; --i) {
        const std::string* read = unchanged(1 + kSlotCount + (kSlotCount - i), model.passwords[i]);
        out += (read ? *read : ToStoredLine(model.passwords[i]).value_or("")) + "\r\n";
    }
    if (!exactPaths.empty()) out += std::string(kExactPathsMarker) + "\r\n" + exactPaths;
    return out;
}

void LoadDataFile(const std::string& path, int32_t dataVersion, SlotModel& model) {
    const std::string what = "データファイル " + path + " を読み込めません";
    // Ours are written whole and end with a line end; a cut one may not.
    RecoverReplacement(
        path,
        [](const std::string& bytes) { return bytes.ends_with("\r\n") && PlainlyCurrent(SplitLines(bytes)); },
        what);
    const std::optional<std::string> bytes = ReadWholeFile(path, what);
    if (!bytes) {
        model = SlotModel{};
        return;
    }
    const std::vector<std::string> lines = SplitLines(*bytes);
    SlotModel loaded = ParseDataFile(lines, dataVersion, path);
    // The list a conversion replaces at the next save stays beside it.
    if (ReadsAsOldFormat(lines, dataVersion) &&
        !CopyFileW(tk::Wide(path).c_str(), tk::Wide(ConversionBackupName(path)).c_str(), FALSE))
        ThrowFileError("データファイル " + path + " を " + ConversionBackupName(path) + " に残せません", GetLastError());
    model = std::move(loaded);
}

void SaveDataFile(const std::string& path, const SlotModel& model, const SaveDeadline& deadline) {
    const std::string bytes = FormatDataFile(model);
    const std::string what = "データファイル " + path + " を保存できません";
    RefuseReadOnly(path, what);
    WriteReplacement(path, bytes, what, deadline);
    CommitReplacement(path, what, deadline);
}

} // namespace k2
