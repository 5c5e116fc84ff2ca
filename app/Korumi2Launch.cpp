// Launching a slot through the shell, and the slot popup menu.
#include "app/Korumi2.h"

#include "app/persist/StoredText.h"
#include "toolkit/Application.h"
#include "toolkit/PathPart.h"
#include "toolkit/Text.h"

#include <shellapi.h>

#include <algorithm>

namespace k2 {
namespace {

// The drive or share the path lies on is away (a stick pulled out, a network
// drive disconnected, a server asleep): the item may well still be there.
bool VolumeAway(const std::string& path) {
    const std::string root = tk::path::VolumeRoot(path);
    if (root.empty() || GetFileAttributesW(tk::Wide(root).c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    // A share that lets us in but not list its root is there.
    return GetLastError() != ERROR_ACCESS_DENIED;
}

} // namespace

void TForm1::LaunchSlot(int g, TGetIconButton& button) {
    // Nothing starts once the program is ending.
    if (Ending()) return;
    const auto slot = static_cast<std::size_t>(g);
    passwordSetMode = false;
    if (!passwords[slot + 1].empty() && passwordsDisabled == 0 && !slotPaths[slot].empty()) {
        passwordPromptRequested = true;
        if (!AskPassword()) return;
        if (passwords[slot + 1] != passwordEntry) {
            Label2->SetCaption("パスワードが違います。");
            openFolderRequested = false;
            return;
        }
    }
    std::string path = DecodeStoredText(slotPaths[slot]);
    const std::string folder = tk::path::FolderPart(path);
    // The started program inherits this as its working directory.
    SetCurrentDirectoryW(tk::Wide(folder).c_str());
    if (openFolderRequested) path = folder;
    openFolderRequested = false;

    HWND owner = tk::App().Handle();
    const bool missing = !tk::FileExists(path);
    if (missing && VolumeAway(path)) {
        // The slot stays as it is, to be launched once the volume is back.
        MessageBeep(0);
        Label2->SetCaption("ドライブまたはネットワークに接続できないため、起動できませんでした。");
        return;
    }
    if (missing) {
        MessageBeep(0);
        DeleteSlotIcon(g);
        slotPaths[slot].clear();
        SetSlotButton(SlotPosition(button), button);
    } else if (tk::path::ExtensionPart(path) == ".lnk") {
        // A shortcut that is unreadable, or whose target is no file (a Store
        // app, a Control Panel item, an installer's advertised entry), goes
        // to the shell as it is: only the shell knows how to open it.
        if (SCMake1->AnalizeLink(path) == 0 && !SCMake1->LinkPath.empty()) {
            shellExecute(owner, L"open", tk::Wide(SCMake1->LinkPath).c_str(), tk::Wide(SCMake1->Argument).c_str(),
                         nullptr, SW_SHOW);
        } else {
            shellExecute(owner, L"open", tk::Wide(path).c_str(), nullptr, nullptr, SW_SHOW);
        }
    } else {
        shellExecute(owner, L"open", tk::Wide(path).c_str(), nullptr, nullptr, SW_SHOW);
    }
    tk::App().Minimize();
}

void TForm1::GetIconButton1Click(tk::Component& sender) {
    const int k = SlotPosition(sender);
    if (k < 0) return;
    LaunchSlot(currentPage * 9 + k, SlotButton(k));
}

void TForm1::N1Click(tk::Component&) {
    if (menuTargetButton) GetIconButton1Click(*menuTargetButton);
}

void TForm1::N2Click(tk::Component& sender) {
    openFolderRequested = true;
    N1Click(sender);
}

void TForm1::GetIconButton1MouseDown(tk::Control& sender, tk::MouseButton button, WPARAM, int, int) {
    auto* slot = dynamic_cast<TGetIconButton*>(&sender);
    if (button != tk::MouseButton::Right || !slot) return;
    POINT cursor;
    GetCursorPos(&cursor);
    PopupSlotMenu(*slot, cursor.x, cursor.y);
}

void TForm1::PopupSlotMenu(TGetIconButton& button, int x, int y) {
    menuTargetButton = &button;
    const bool passwordsOn = passwordsDisabled == 0;
    PopupMenu1->SetItemVisible("N7", passwordsOn);
    PopupMenu1->SetItemVisible("N8", passwordsOn);
    PopupMenu1->Popup(Handle(), x, y);
}

void TForm1::GetIconButton1KeyDown(tk::Control& sender, WORD& key, WPARAM keys) {
    const int k = SlotPosition(sender);
    if (k < 0 || (keys & MK_CONTROL)) return;
    if (key == VK_APPS || (key == VK_F10 && (keys & MK_SHIFT))) {
        RECT rect;
        GetWindowRect(sender.Handle(), &rect);
        PopupSlotMenu(SlotButton(k), rect.left, rect.bottom);
        key = 0;
        return;
    }
    // Position k sits in row k / 3 from the bottom, column k % 3; the grid's
    // edges stop the arrows.
    int row = k / 3, column = k % 3;
    switch (key) {
    case VK_UP: row = std::min(row + 1, 2); break;
    case VK_DOWN: row = std::max(row - 1, 0); break;
    case VK_LEFT: column = std::max(column - 1, 0); break;
    case VK_RIGHT: column = std::min(column + 1, 2); break;
    default: return;
    }
    FocusWindow(SlotButton(row * 3 + column).Handle());
    key = 0;
}

} // namespace k2
