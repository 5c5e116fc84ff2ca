// Pages of slots: the nine buttons of the current page, the icon cache and
// page navigation.
#include "app/Korumi2.h"

#include "app/persist/StoredText.h"
#include "toolkit/Application.h"
#include "toolkit/Exception.h"
#include "toolkit/Text.h"

#include <optional>

namespace k2 {

int TForm1::SlotPosition(const tk::Component& control) {
    const std::string& name = control.Name();
    static constexpr std::string_view prefix = "GetIconButton";
    if (name.size() != prefix.size() + 1 || name.compare(0, prefix.size(), prefix) != 0) return -1;
    const char digit = name.back();
    return digit >= '1' && digit <= '9' ? digit - '1' : -1;
}

std::string TForm1::IconCacheFile(int g) const { return iconCacheFolder + "\\" + std::to_string(g); }

void TForm1::RefreshSlotButtons() {
    // A cache file that cannot be written (the folder removed while the
    // program runs) costs only time: the page is still shown whole, so that
    // what follows a refresh (showing the window, the page label) happens
    // too, and the first failure is reported once the nine buttons are done.
    std::optional<tk::EFileError> unsaved;
    for (int k = 0; k < 9; ++k) {
        const int g = currentPage * 9 + k;
        TGetIconButton& button = SlotButton(k);
        const std::string path = DecodeStoredText(slotPaths[static_cast<std::size_t>(g)]);
        const std::string cache = IconCacheFile(g);
        if (path.empty()) {
            button.GetIcon("");
            continue;
        }
        if (tk::FileExists(cache)) {
            try {
                button.LoadGlyph(cache);
                // A bitmap without width or height would show the slot blank for good.
                if (!button.Glyph().Empty()) continue;
            } catch (const tk::EFileError&) {
            }
            // An unreadable cache file counts as missing: fetch the icon again.
        }
        button.GetIcon(path);
        try {
            button.SaveGlyph(cache);
        } catch (const tk::EFileError& e) {
            if (!unsaved) unsaved = e;
        }
    }
    if (unsaved) tk::App().ShowException(*unsaved);
}

void TForm1::SetSlotButton(int k, TGetIconButton& button) {
    const int g = currentPage * 9 + k;
    button.GetIcon(DecodeStoredText(slotPaths[static_cast<std::size_t>(g)]));
    button.SaveGlyph(IconCacheFile(g));
}

void TForm1::DeleteSlotIcon(int g) { DeleteFileA(IconCacheFile(g).c_str()); }

void TForm1::UpdatePageLabel() { Label3->SetCaption("[" + std::to_string(currentPage + 1) + "]ページ"); }

void TForm1::ShowPageChange(bool refresh) {
    if (refresh) RefreshSlotButtons();
    ChangeTrayIcon(*trayIcon, Handle(), currentPage + 1);
    UpdatePageLabel();
}

void TForm1::NextPage() {
    currentPage = currentPage == 9 ? 0 : currentPage + 1;
    ShowPageChange(true);
}

void TForm1::PreviousPage() {
    currentPage = currentPage == 0 ? 9 : currentPage - 1;
    ShowPageChange(true);
}

void TForm1::BitBtn2Click(tk::Component& sender) {
    if (sender.Name() == "BitBtn2") {
        NextPage();
    } else {
        PreviousPage();
    }
}

} // namespace k2
