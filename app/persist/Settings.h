// The settings file data\data99.ini: fifteen keys of section "各種設定",
// read once at start and written once at shutdown.
#pragma once
#include "app/persist/FileReplace.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace k2 {

struct SettingsFields {
    int32_t dataVersion = 149;
    int32_t currentPage = 0;
    uint8_t hotKeySet = 0; // 0: Ctrl + numeric keypad, 1: Ctrl + digit row
    bool autoStart = false;
    bool transparentIconText = false;
    bool captureEnabled = false;
    int32_t captureNumber = 1;
    std::string captureFolder;
    std::string captureFilePrefix = "Image_";
    int32_t jpegQuality = 100;
    bool volumeKeysEnabled = false;
    int32_t volumeStep = 4;
    std::string iconCacheFolder;
    bool twoKeyMode = false;
    // Root of the volume K2 ran from ("E:\"), kept where older versions do
    // not look; empty until one run has stored it.
    std::string programVolume;
};

// The version written by this program; older files get the one-time upgrade steps.
inline constexpr int32_t kCurrentDataVersion = 149;

// An integer as the settings file holds it: decimal with an optional sign, or
// hexadecimal after "0x"/"0X" (up to eight digits, taken as a 32-bit pattern).
// Anything else, a decimal value outside 32 bits included, is no number.
std::optional<int32_t> ParseProfileInteger(std::string_view text);

// Reads the keys in file order; a missing key or a value that is no number
// gives the key's default. The folder defaults are built from appDir (which
// ends in a backslash). A page outside 0-9 is read as 0. betweenKeys12And13
// runs after "音量の上げ幅" and before "Iconキャッシュの保存先". What a save
// cut off left beside the file is taken back first (RecoverReplacement).
void LoadSettings(const std::string& iniPath, const std::string& appDir, SettingsFields& fields,
                  bool& cursorKeysEnabled, const std::function<void()>& betweenKeys12And13 = {});

// Writes the keys in file order (Booleans "1"/"0", integers decimal). Other
// sections and other keys of the file stay as they are. The file is replaced
// whole: a save that is cut off leaves the old file. A read-only file, or any
// key that cannot be written, raises tk::EFileError naming the file.
void SaveSettings(const std::string& iniPath, const SettingsFields& fields, bool cursorKeysEnabled,
                  const SaveDeadline& deadline = {});

} // namespace k2
