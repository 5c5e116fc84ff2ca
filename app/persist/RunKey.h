// Clean-up of the Run-key value that versions before 1.4.9 used for starting
// with Windows; the Startup-folder shortcut has replaced it.
#pragma once
#include <windows.h>

#include <cstdint>

namespace k2 {

// Deletes "KORUMI2" under the machine's Run key (32-bit view, where those
// versions wrote it) and tells the user so. Does nothing when the key cannot
// be opened for full access; the notice is shown whenever it can.
void MigrateRunKey(HWND owner);

// The start-up step after the data file is read: runs MigrateRunKey for a
// settings file older than the current version, then marks the settings as
// current so that the clean-up happens once.
void UpgradeDataVersion(HWND owner, int32_t& dataVersion);

} // namespace k2
