// The switches of the two settings tabs: each group stores its choice in the
// window's fields and carries it out at once.
#include "app/Korumi2.h"

#include "toolkit/Application.h"
#include "toolkit/FolderDialog.h"
#include "toolkit/Text.h"

#include <shlobj.h>

#include <optional>

namespace k2 {

namespace {

bool IsOn(const tk::Component& group) { return dynamic_cast<const tk::RadioGroup&>(group).ItemIndex() != 0; }

// The current user's Startup folder, or nothing when the shell cannot say.
std::optional<std::string> StartupFolder() {
    PIDLIST_ABSOLUTE items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(tk::App().Handle(), CSIDL_STARTUP, &items)) || !items) return std::nullopt;
    wchar_t path[MAX_PATH] = {};
    const bool found = SHGetPathFromIDListW(items, path) && path[0] != L'\0';
    CoTaskMemFree(items);
    if (!found) return std::nullopt;
    return tk::ExactUtf8(path);
}

} // namespace

void TForm1::RadioGroup4Click(tk::Component&) {
    hotKeySet = RadioGroup4->ItemIndex() != 0 ? 1 : 0;
    RegisterKeySet(*this, *hotKeys, hotKeySet);
    ReportMissingHotKeys();
}

void TForm1::RadioGroup1Click(tk::Component&) {
    autoStart = RadioGroup1->ItemIndex() != 0;
    // Without a Startup folder the shortcut would land in (or be deleted from)
    // the root of the current drive: then the setting is only stored.
    const std::optional<std::string> startup = StartupFolder();
    if (!startup) return;
    // The launcher's AnalizeLink leaves a launched shortcut's arguments, icon
    // and working folder in the component; they do not belong here.
    SCMake1->ResetProperties();
    SCMake1->SCDir = *startup + "\\";
    SCMake1->SCName = "コルミ２";
    SCMake1->LinkPath = tk::ModuleFileName();
    if (autoStart) {
        SCMake1->CreateLink();
    } else {
        const std::string shortcut = SCMake1->SCDir + SCMake1->SCName + ".lnk";
        if (tk::FileExists(shortcut)) DeleteFileW(tk::Wide(shortcut).c_str());
    }
}

void TForm1::RadioGroup2Click(tk::Component&) {
    transparentIconText = RadioGroup2->ItemIndex() != 0;
    ApplyIconTextTransparency();
}

void TForm1::RadioGroup3Click(tk::Component&) {
    captureEnabled = RadioGroup3->ItemIndex() != 0;
    if (!captureEnabled) return;
    std::string folder = tk::FileExists(captureFolder) ? captureFolder : appDir;
    // The start sequence switches capturing on with the folder it loaded.
    if (applyingSettings) return;
    const bool chosen = tk::SelectDirectory(Handle(), folder, true);
    if (Ending()) return;
    if (chosen) {
        captureFolder = folder;
    } else {
        captureEnabled = false;
        RadioGroup3->SetItemIndex(0);
    }
}

void TForm1::VolumeKeysClick(tk::Component& sender) {
    volumeKeysEnabled = IsOn(sender);
    if (volumeKeysEnabled) {
        RegisterVolumeKeys(*this, *hotKeys);
        ReportMissingHotKeys();
    } else {
        ReleaseVolumeKeys(*this, *hotKeys);
    }
}

void TForm1::CursorKeysClick(tk::Component& sender) {
    hotKeys->cursorKeysEnabled = IsOn(sender);
    if (hotKeys->cursorKeysEnabled) {
        Label4->SetFontColor(tk::kGreen);
    } else {
        // The window is on screen while the user clicks: the keys stay until
        // it is next minimised.
        Label4->SetFontColor(tk::kLime);
        hotKeys->windowShown = true;
    }
}

} // namespace k2
