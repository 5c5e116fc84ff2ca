// Registering files and folders in slots, and emptying slots: tool buttons
// dragged onto a slot, the popup menu, and drops from the shell.
#include "app/Korumi2.h"

#include "app/persist/StoredText.h"
#include "toolkit/FolderDialog.h"
#include "toolkit/Text.h"

#include <shellapi.h>

#include <optional>

namespace k2 {
namespace {

struct DropTraits {
    using Type = HDROP;
    static Type Invalid() { return nullptr; }
    static void Close(Type drop) { DragFinish(drop); }
};
using DropHandle = tk::UniqueHandle<DropTraits>;

} // namespace

namespace {

// Names that are no valid Unicode text (a lone surrogate).
constexpr const char kUnusableName[] = "名前に扱えない文字が含まれているため、登録することが出来ません。";
constexpr const char kSomeNamesUnusable[] = "名前に扱えない文字が含まれているものは、登録しませんでした。";

} // namespace

void TForm1::GetIconButton1DragOver(tk::Control&, tk::Control&, int, int, bool& accept) { accept = true; }

void TForm1::GetIconButton1DragDrop(tk::Control& target, tk::Control& source, int, int) {
    const int k = SlotPosition(target);
    auto* button = dynamic_cast<TGetIconButton*>(&target);
    if (k < 0 || !button) return;
    const std::string& tool = source.Name();
    if (tool == "BitBtn3") {
        RegisterFileInSlot(k, *button);
    } else if (tool == "BitBtn4") {
        RegisterFolderInSlot(k, *button);
    } else if (tool == "BitBtn5") {
        ClearSlot(k, *button);
    } else if (tool == "BitBtn6") {
        PassDrop(k);
    }
}

void TForm1::RegisterFileInSlot(int k, TGetIconButton& button) {
    const auto g = static_cast<std::size_t>(currentPage * 9 + k);
    if (!OpenDialog1.Execute(Handle())) {
        if (OpenDialog1.UnusableName && !Ending()) Label2->SetCaption(kUnusableName);
        return;
    }
    if (Ending()) return;
    if (!slotPaths[g].empty()) DeleteSlotIcon(static_cast<int>(g));
    slotPaths[g] = EncodeStoredText(OpenDialog1.FileName);
    OpenDialog1.FileName.clear();
    SetSlotButton(k, button);
}

void TForm1::RegisterFolderInSlot(int k, TGetIconButton& button) {
    const auto g = static_cast<std::size_t>(currentPage * 9 + k);
    // The chooser starts in the folder of the item last launched.
    std::string folder = currentFolder;
    if (!tk::SelectDirectory(Handle(), folder, true) || Ending()) return;
    if (!slotPaths[g].empty()) DeleteSlotIcon(static_cast<int>(g));
    slotPaths[g] = EncodeStoredText(folder);
    SetSlotButton(k, button);
}

void TForm1::ClearSlot(int k, TGetIconButton& button) {
    const auto g = static_cast<std::size_t>(currentPage * 9 + k);
    slotPaths[g].clear();
    passwords[g + 1].clear();
    SetSlotButton(k, button);
    DeleteSlotIcon(static_cast<int>(g));
}

void TForm1::N5Click(tk::Component&) {
    if (menuTargetButton) RegisterFileInSlot(SlotPosition(*menuTargetButton), *menuTargetButton);
}

void TForm1::N6Click(tk::Component&) {
    if (menuTargetButton) RegisterFolderInSlot(SlotPosition(*menuTargetButton), *menuTargetButton);
}

void TForm1::Delete1Click(tk::Component&) {
    if (menuTargetButton) ClearSlot(SlotPosition(*menuTargetButton), *menuTargetButton);
}

void TForm1::WMDropFiles(HDROP drop) {
    // Released however the handler ends (a refresh that fails included).
    const DropHandle release(drop);
    int i = 0;
    POINT point{};
    DragQueryPoint(drop, &point);
    if (tk::Control* under = ControlAtClientPoint(point)) {
        const int k = SlotPosition(*under);
        if (k >= 0) i = currentPage * 9 + k;
    }
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    UINT refused = 0;
    bool full = false;
    for (UINT n = 0; n < count; ++n) {
        // Ask for the length first, so that a long name is registered whole.
        const UINT length = DragQueryFileW(drop, n, nullptr, 0);
        std::wstring name(length + 1, L'\0');
        name.resize(DragQueryFileW(drop, n, name.data(), length + 1));
        const std::optional<std::string> path = tk::ExactUtf8(name);
        if (!path) {
            ++refused;
            continue;
        }
        while (i < kSlotCount && !slotPaths[static_cast<std::size_t>(i)].empty()) ++i;
        if (i >= kSlotCount) {
            i = kSlotCount - 1;
            Label2->SetCaption("これ以上登録することが出来ません。");
            full = true;
            continue;
        }
        slotPaths[static_cast<std::size_t>(i)] = EncodeStoredText(*path);
        DeleteSlotIcon(i);
    }
    // Running out of slots is the message that matters more.
    if (refused > 0 && !full) Label2->SetCaption(refused == count ? kUnusableName : kSomeNamesUnusable);
    currentPage = i / 9;
    ChangeTrayIcon(*trayIcon, Handle(), currentPage + 1);
    UpdatePageLabel();
    RefreshSlotButtons();
}

} // namespace k2
