#include "app/persist/RunKey.h"

#include "app/persist/Settings.h"
#include "toolkit/Handles.h"
#include "toolkit/Text.h"

namespace k2 {

void MigrateRunKey(HWND owner) {
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\run", 0,
                          KEY_ALL_ACCESS | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
            return;
        const tk::RegKey run(key);
        RegDeleteValueA(run.Get(), "KORUMI2");
    }
    tk::MessageBoxUtf8(owner, "Ver1.4.9からレジストリを使用しなくなりましたので、\nレジストリの値を削除しました。", "コルミ２",
                MB_OK);
}

void UpgradeDataVersion(HWND owner, int32_t& dataVersion) {
    if (dataVersion < kCurrentDataVersion) MigrateRunKey(owner);
    dataVersion = kCurrentDataVersion;
}

} // namespace k2
