#include "app/persist/Settings.h"

#include "app/persist/DataFile.h"
#include "app/persist/FileReplace.h"
#include "app/persist/StoredText.h"
#include "toolkit/Text.h"

#include <utility>
#include <vector>

namespace k2 {
namespace {

constexpr const char* kSection = "各種設定";
// Folders that code page 932 cannot hold, escaped (EscapeName); older versions do not read it.
constexpr const char* kExactSection = "UTF-8";
// The volume K2 ran from, so that a portable K2 finds its items when its drive
// letter has changed; older versions do not read it.
constexpr const char* kVolumeSection = "前回の起動";
constexpr const char* kProgramVolume = "ドライブ";
// Longest string value read: the profile buffer holds 2047 bytes and the terminator.
constexpr std::size_t kStringBuffer = 2048;

constexpr const char* kVersion = "Version";
constexpr const char* kCurrentPage = "現在のページ番号";
constexpr const char* kHotKeySet = "ホットキー";
constexpr const char* kAutoStart = "自動的に起動するか";
constexpr const char* kTransparentIconText = "文字背景の透明化";
constexpr const char* kCaptureEnabled = "簡易キャプチャ";
constexpr const char* kCaptureNumber = "キャプチャ連番数字";
constexpr const char* kCaptureFolder = "jpgファイルの保存先";
constexpr const char* kCaptureFilePrefix = "jpgファイルの中間文字";
constexpr const char* kJpegQuality = "jpgファイルのクオリティ";
constexpr const char* kVolumeKeysEnabled = "音量増減";
constexpr const char* kVolumeStep = "音量の上げ幅";
constexpr const char* kIconCacheFolder = "Iconキャッシュの保存先";
constexpr const char* kTwoKeyMode = "ホットキー２度押し起動";
constexpr const char* kCursorKeysEnabled = "カーソルキーを使用するか";

constexpr int32_t kPageCount = 10;

// The file's lines in code page 932, edited the way the platform's profile
// functions edit them: our section's keys are found without regard to ASCII
// case and with spaces trimmed; every other line stays byte for byte. The
// profile functions themselves convert with the ANSI code page, which is not
// 932 on every system.
class ProfileFile {
public:
    explicit ProfileFile(const std::string& bytes) : lines_(SplitLines(bytes)) {}

    // The value of `key` in `section` (quotes around it removed); nothing when absent.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const {
        const std::optional<std::size_t> line = KeyLine(section, key);
        if (!line) return std::nullopt;
        const std::string& text = lines_[*line];
        std::string_view value = Trim(std::string_view(text).substr(text.find('=') + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return ClipToBuffer(value);
    }

    void Set(std::string_view section, std::string_view key, const std::string& value) {
        const std::string line = ToFile(key) + "=" + value;
        if (const std::optional<std::size_t> at = KeyLine(section, key)) {
            lines_[*at] = line;
            return;
        }
        std::optional<std::size_t> header = SectionLine(section);
        if (!header) {
            lines_.push_back("[" + ToFile(section) + "]");
            header = lines_.size() - 1;
        }
        // After the last line of the section that is not blank.
        std::size_t after = *header;
        for (std::size_t i = *header + 1; i < lines_.size() && !IsSectionHeader(lines_[i]); ++i)
            if (!Trim(lines_[i]).empty()) after = i;
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(after + 1), line);
    }

    std::string Bytes() const {
        std::string out;
        for (const std::string& line : lines_) out += line + "\r\n";
        return out;
    }

private:
    static std::string ToFile(std::string_view text) { return tk::ToCp932(text).value_or(std::string(text)); }

    static std::string_view Trim(std::string_view text) {
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
        return text;
    }

    static bool IsSectionHeader(std::string_view line) {
        line = Trim(line);
        return !line.empty() && line.front() == '[';
    }

    // Names compared as text: ASCII letters fold, the other characters do not.
    static bool SameName(std::string_view stored, std::string_view name) {
        const std::string text = tk::FromCp932(Trim(stored));
        if (text.size() != name.size()) return false;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
            if (fold(text[i]) != fold(name[i])) return false;
        }
        return true;
    }

    // The value as a 2048-byte profile buffer holds it: 2047 bytes, not
    // ending in half a character.
    static std::string ClipToBuffer(std::string_view value) {
        if (value.size() < kStringBuffer) return tk::FromCp932(value);
        std::size_t end = 0;
        for (std::size_t i = 0; i < kStringBuffer - 1;) {
            const auto c = static_cast<unsigned char>(value[i]);
            const std::size_t n = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC) ? 2 : 1;
            if (i + n > kStringBuffer - 1) break;
            i += n;
            end = i;
        }
        return tk::FromCp932(value.substr(0, end));
    }

    std::optional<std::size_t> SectionLine(std::string_view section) const {
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const std::string_view line = Trim(lines_[i]);
            const std::size_t close = line.find(']');
            if (IsSectionHeader(line) && close != std::string_view::npos && SameName(line.substr(1, close - 1), section))
                return i;
        }
        return std::nullopt;
    }

    std::optional<std::size_t> KeyLine(std::string_view section, std::string_view key) const {
        const std::optional<std::size_t> header = SectionLine(section);
        if (!header) return std::nullopt;
        for (std::size_t i = *header + 1; i < lines_.size() && !IsSectionHeader(lines_[i]); ++i) {
            const std::size_t eq = lines_[i].find('=');
            if (eq != std::string::npos && SameName(std::string_view(lines_[i]).substr(0, eq), key)) return i;
        }
        return std::nullopt;
    }

    std::vector<std::string> lines_;
};

class ProfileReader {
public:
    ProfileReader(std::string path, std::string what) : path_(std::move(path)), what_(std::move(what)) { Reload(); }

    // Taken again when something else may have changed the file.
    void Reload() { file_ = ProfileFile(ReadWholeFile(path_, what_).value_or("")); }

    std::string String(const char* key, const std::string& fallback) const {
        return file_.Find(kSection, key).value_or(fallback);
    }
    // A folder code page 932 cannot hold is kept exactly in the section of exact names.
    std::string Folder(const char* key, const std::string& fallback) const {
        std::string value = String(key, fallback);
        if (value != kWideNamePlaceholder) return value;
        const std::optional<std::string> exact = file_.Find(kExactSection, key);
        const std::optional<std::string> name = exact ? UnescapeName(*exact) : std::nullopt;
        return name.value_or(fallback);
    }
    int32_t Integer(const char* key, int32_t fallback) const {
        return ParseProfileInteger(String(key, "")).value_or(fallback);
    }
    bool Boolean(const char* key, bool fallback) const { return Integer(key, fallback ? 1 : 0) != 0; }
    std::string Volume() const { return file_.Find(kVolumeSection, kProgramVolume).value_or(""); }

private:
    const std::string path_;
    const std::string what_;
    ProfileFile file_{""};
};

class ProfileWriter {
public:
    explicit ProfileWriter(const std::string& bytes) : file_(bytes) {}

    void String(const char* key, const std::string& value) {
        file_.Set(kSection, key, tk::ToCp932(value).value_or(std::string(kWideNamePlaceholder)));
    }
    void Folder(const char* key, const std::string& value) {
        String(key, value);
        if (!tk::FitsCp932(value)) file_.Set(kExactSection, key, EscapeName(value));
    }
    void Integer(const char* key, int32_t value) { String(key, std::to_string(value)); }
    void Boolean(const char* key, bool value) { String(key, value ? "1" : "0"); }
    void Volume(const std::string& root) {
        if (const std::optional<std::string> stored = tk::ToCp932(root); stored && !stored->empty())
            file_.Set(kVolumeSection, kProgramVolume, *stored);
    }
    std::string Bytes() const { return file_.Bytes(); }

private:
    ProfileFile file_;
};

// A file as a save writes it: every key of ours, ended by a line end.
bool WholeSettingsFile(const std::string& bytes) {
    const ProfileFile file(bytes);
    for (const char* key : {kVersion, kCurrentPage, kHotKeySet, kAutoStart, kTransparentIconText, kCaptureEnabled,
                            kCaptureNumber, kCaptureFolder, kCaptureFilePrefix, kJpegQuality, kVolumeKeysEnabled,
                            kVolumeStep, kIconCacheFolder, kTwoKeyMode, kCursorKeysEnabled})
        if (!file.Find(kSection, key)) return false;
    return bytes.ends_with("\r\n");
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int HexValue(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

} // namespace

std::optional<int32_t> ParseProfileInteger(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const std::string_view digits = text.substr(2);
        if (digits.size() > 8) return std::nullopt;
        uint32_t value = 0;
        for (char c : digits) {
            if (!IsHexDigit(c)) return std::nullopt;
            value = value * 16 + static_cast<uint32_t>(HexValue(c));
        }
        return static_cast<int32_t>(value);
    }
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > int64_t{INT32_MAX} + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(value);
}

void LoadSettings(const std::string& iniPath, const std::string& appDir, SettingsFields& fields,
                  bool& cursorKeysEnabled, const std::function<void()>& betweenKeys12And13) {
    const std::string what = "設定ファイル " + iniPath + " を読み込めません";
    RecoverReplacement(iniPath, WholeSettingsFile, what);
    ProfileReader ini(iniPath, what);
    const SettingsFields defaults;
    fields.dataVersion = ini.Integer(kVersion, defaults.dataVersion);
    fields.currentPage = ini.Integer(kCurrentPage, defaults.currentPage);
    // Every page index must name one of the ten pages.
    if (fields.currentPage < 0 || fields.currentPage >= kPageCount) fields.currentPage = 0;
    fields.hotKeySet = ini.Boolean(kHotKeySet, defaults.hotKeySet != 0) ? 1 : 0;
    fields.autoStart = ini.Boolean(kAutoStart, defaults.autoStart);
    fields.transparentIconText = ini.Boolean(kTransparentIconText, defaults.transparentIconText);
    fields.captureEnabled = ini.Boolean(kCaptureEnabled, defaults.captureEnabled);
    fields.captureNumber = ini.Integer(kCaptureNumber, defaults.captureNumber);
    fields.captureFolder = ini.Folder(kCaptureFolder, appDir + "cg");
    fields.captureFilePrefix = ini.String(kCaptureFilePrefix, defaults.captureFilePrefix);
    fields.jpegQuality = ini.Integer(kJpegQuality, defaults.jpegQuality);
    fields.volumeKeysEnabled = ini.Boolean(kVolumeKeysEnabled, defaults.volumeKeysEnabled);
    fields.volumeStep = ini.Integer(kVolumeStep, defaults.volumeStep);
    if (betweenKeys12And13) {
        betweenKeys12And13();
        ini.Reload();
    }
    fields.iconCacheFolder = ini.Folder(kIconCacheFolder, appDir + "Icon");
    fields.twoKeyMode = ini.Boolean(kTwoKeyMode, defaults.twoKeyMode);
    cursorKeysEnabled = ini.Boolean(kCursorKeysEnabled, true);
    fields.programVolume = ini.Volume();
}

void SaveSettings(const std::string& iniPath, const SettingsFields& fields, bool cursorKeysEnabled,
                  const SaveDeadline& deadline) {
    const std::string what = "設定ファイル " + iniPath + " を保存できません";
    RefuseReadOnly(iniPath, what);
    ProfileWriter ini(ReadWholeFile(iniPath, what, deadline).value_or(""));
    ini.Integer(kVersion, fields.dataVersion);
    ini.Integer(kCurrentPage, fields.currentPage);
    ini.Boolean(kHotKeySet, fields.hotKeySet != 0);
    ini.Boolean(kAutoStart, fields.autoStart);
    ini.Boolean(kTransparentIconText, fields.transparentIconText);
    ini.Boolean(kCaptureEnabled, fields.captureEnabled);
    ini.Integer(kCaptureNumber, fields.captureNumber);
    ini.Folder(kCaptureFolder, fields.captureFolder);
    ini.String(kCaptureFilePrefix, fields.captureFilePrefix);
    ini.Integer(kJpegQuality, fields.jpegQuality);
    ini.Boolean(kVolumeKeysEnabled, fields.volumeKeysEnabled);
    ini.Integer(kVolumeStep, fields.volumeStep);
    ini.Folder(kIconCacheFolder, fields.iconCacheFolder);
    ini.Boolean(kTwoKeyMode, fields.twoKeyMode);
    ini.Boolean(kCursorKeysEnabled, cursorKeysEnabled);
    ini.Volume(fields.programVolume);
    WriteReplacement(iniPath, ini.Bytes(), what, deadline);
    CommitReplacement(iniPath, what, deadline);
}

} // namespace k2
