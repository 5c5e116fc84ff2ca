// Launching a slot through the shell, and the slot popup menu.
#include "app/Korumi2.h"

#include "app/persist/StoredText.h"
#include "toolkit/Application.h"
#include "toolkit/Text.h"

#include <shellapi.h>

#include <algorithm>

namespace k2 {
namespace {

constexpr char kVolumeUnreachable[] = "ドライブまたはネットワークに接続できないため、起動できませんでした。";

} // namespace

void TForm1::LaunchSlot(int g, TGetIconButton&) {
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
    // Whether the item, its folder and its volume are there is asked off
    // this thread: a share that answers late must not stop the window.
    auto question = std::make_unique<LaunchQuestion>();
    question->serial = ++launchSerial_;
    question->slot = g;
    question->path = DecodeStoredText(slotPaths[slot]);
    question->openFolder = openFolderRequested;
    question->move = ProgramVolumeMove();
    question->attributes = fileAttributes;
    openFolderRequested = false;
    launchesAwaited_.insert(question->serial);
    SetTimer(Handle(), kLaunchTimerBase + question->serial, kLaunchWaitMs, nullptr);
    const tk::KernelHandle thread = tk::AnswerOffThread(Handle(), kLaunchAnswerMessage, std::move(question));
    tk::TakeQuickAnswer(Handle(), kLaunchAnswerMessage, thread, kQuickAnswerMs);
}

void TForm1::WMLaunchAnswer(LPARAM lParam) {
    const std::unique_ptr<LaunchQuestion> answer = tk::TakeAnswer<LaunchQuestion>(lParam);
    // One that came after its launch gave up is dropped.
    if (launchesAwaited_.erase(answer->serial) == 0) return;
    KillTimer(Handle(), kLaunchTimerBase + answer->serial);
    if (!Ending()) FinishLaunch(*answer);
}

bool TForm1::LaunchTimedOut(UINT_PTR timerId) {
    if (timerId < kLaunchTimerBase) return false;
    KillTimer(Handle(), timerId);
    if (launchesAwaited_.erase(static_cast<unsigned>(timerId - kLaunchTimerBase)) == 0 || Ending()) return true;
    // The slot stays as it is, to be launched once the volume answers.
    MessageBeep(0);
    Label2->SetCaption(kVolumeUnreachable);
    return true;
}

void TForm1::OnTimer(WPARAM timerId) {
    if (!LaunchTimedOut(timerId)) WMTimer(timerId);
}

bool TForm1::AnswersAwaited() const { return !launchesAwaited_.empty() || !iconsAwaited_.empty() || followAwaited_; }

void TForm1::FinishLaunch(const LaunchQuestion& answer) {
    const auto slot = static_cast<std::size_t>(answer.slot);
    // The slot may have been changed while its volume was asked.
    const bool unchanged = slotPaths[slot] == EncodeStoredText(answer.path);
    // An item on the drive a portable K2 ran from before follows it.
    if (unchanged && answer.followed != answer.path) slotPaths[slot] = EncodeStoredText(answer.followed);
    if (answer.folderExists) currentFolder = answer.folder;
    if (!answer.exists && answer.volumeAway) {
        MessageBeep(0);
        Label2->SetCaption(kVolumeUnreachable);
        return;
    }
    HWND owner = tk::App().Handle();
    // The started program's working directory; K2's own stays where it started.
    const std::wstring directory = tk::Wide(answer.folder);
    const wchar_t* workDir = directory.empty() ? nullptr : directory.c_str();
    if (!answer.exists) {
        MessageBeep(0);
        if (unchanged) {
            DeleteSlotIcon(answer.slot);
            slotPaths[slot].clear();
            if (answer.slot / 9 == currentPage) SetSlotButton(answer.slot % 9, SlotButton(answer.slot % 9));
        }
    } else if (answer.shortcut && answer.linkRead && !answer.linkPath.empty()) {
        shellExecute(owner, L"open", tk::Wide(answer.linkPath).c_str(), tk::Wide(answer.linkArguments).c_str(),
                     workDir, SW_SHOW);
    } else {
        // A shortcut that is unreadable, or whose target is no file (a Store
        // app, a Control Panel item, an installer's advertised entry), goes
        // to the shell as it is: only the shell knows how to open it.
        shellExecute(owner, L"open", tk::Wide(answer.target).c_str(), nullptr, workDir, SW_SHOW);
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
