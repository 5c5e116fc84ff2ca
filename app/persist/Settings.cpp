#include "app/persist/Settings.h"

#include "app/persist/FileReplace.h"

#include <windows.h>

namespace k2 {
namespace {

constexpr const char* kSection = "各種設定";
// Longest string value read: the profile buffer holds 2047 bytes and the terminator.
constexpr DWORD kStringBuffer = 2048;

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

class ProfileReader {
public:
    explicit ProfileReader(const std::string& path) : path_(path) {}

    std::string String(const char* key, const std::string& fallback) const {
        char buffer[kStringBuffer];
        const DWORD n = GetPrivateProfileStringA(kSection, key, fallback.c_str(), buffer, kStringBuffer,
                                                 path_.c_str());
        return std::string(buffer, n);
    }
    int32_t Integer(const char* key, int32_t fallback) const {
        return ParseProfileInteger(String(key, "")).value_or(fallback);
    }
    bool Boolean(const char* key, bool fallback) const { return Integer(key, fallback ? 1 : 0) != 0; }

private:
    const std::string& path_;
};

class ProfileWriter {
public:
    ProfileWriter(const std::string& path, const std::string& what) : path_(path), what_(what) {}

    // A key that is not written would come back as an old value or the
    // default at the next start: every write must succeed.
    void String(const char* key, const std::string& value) const {
        if (!WritePrivateProfileStringA(kSection, key, value.c_str(), path_.c_str()))
            ThrowFileError(what_, GetLastError());
    }
    void Integer(const char* key, int32_t value) const { String(key, std::to_string(value)); }
    void Boolean(const char* key, bool value) const { String(key, value ? "1" : "0"); }
    // Writes out what the platform's profile cache still holds of the file
    // (its result says nothing: it is false even when all went well).
    void Flush() const { WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str()); }

private:
    const std::string& path_;
    const std::string& what_;
};

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
    const ProfileReader ini(iniPath);
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
    fields.captureFolder = ini.String(kCaptureFolder, appDir + "cg");
    fields.captureFilePrefix = ini.String(kCaptureFilePrefix, defaults.captureFilePrefix);
    fields.jpegQuality = ini.Integer(kJpegQuality, defaults.jpegQuality);
    fields.volumeKeysEnabled = ini.Boolean(kVolumeKeysEnabled, defaults.volumeKeysEnabled);
    fields.volumeStep = ini.Integer(kVolumeStep, defaults.volumeStep);
    if (betweenKeys12And13) betweenKeys12And13();
    fields.iconCacheFolder = ini.String(kIconCacheFolder, appDir + "Icon");
    fields.twoKeyMode = ini.Boolean(kTwoKeyMode, defaults.twoKeyMode);
    cursorKeysEnabled = ini.Boolean(kCursorKeysEnabled, true);
}

void SaveSettings(const std::string& iniPath, const SettingsFields& fields, bool cursorKeysEnabled) {
    const std::string what = "設定ファイル " + iniPath + " を保存できません";
    RefuseReadOnly(iniPath, what);
    // The keys are written into a copy of the file, which then replaces it:
    // the profile functions rewrite the file they are given at every key.
    const std::string copy = ReplacementName(iniPath);
    WriteReplacement(iniPath, ReadWholeFile(iniPath, what).value_or(""), what);
    try {
        const ProfileWriter ini(copy, what);
        ini.Integer(kVersion, fields.dataVersion);
        ini.Integer(kCurrentPage, fields.currentPage);
        ini.Boolean(kHotKeySet, fields.hotKeySet != 0);
        ini.Boolean(kAutoStart, fields.autoStart);
        ini.Boolean(kTransparentIconText, fields.transparentIconText);
        ini.Boolean(kCaptureEnabled, fields.captureEnabled);
        ini.Integer(kCaptureNumber, fields.captureNumber);
        ini.String(kCaptureFolder, fields.captureFolder);
        ini.String(kCaptureFilePrefix, fields.captureFilePrefix);
        ini.Integer(kJpegQuality, fields.jpegQuality);
        ini.Boolean(kVolumeKeysEnabled, fields.volumeKeysEnabled);
        ini.Integer(kVolumeStep, fields.volumeStep);
        ini.String(kIconCacheFolder, fields.iconCacheFolder);
        ini.Boolean(kTwoKeyMode, fields.twoKeyMode);
        ini.Boolean(kCursorKeysEnabled, cursorKeysEnabled);
        ini.Flush();
    } catch (...) {
        DiscardReplacement(iniPath);
        throw;
    }
    FlushReplacement(iniPath, what);
    CommitReplacement(iniPath, what);
}

} // namespace k2
