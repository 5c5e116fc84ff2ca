// Pages of slots: the nine buttons of the current page, the icon cache and
// page navigation.
#include "app/Korumi2.h"

#include "app/persist/StoredText.h"
#include "toolkit/Accessible.h"
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

// Glyphs of the size a 96-dpi screen shows keep the names every version
// reads; other sizes have a folder each, named by the glyph's side, which
// older versions never look into.
std::string TForm1::IconCacheSizeFolder() const {
    const TGetIconButton& button = SlotButton(0);
    const int size = button.GlyphSize();
    return size == button.DesignGlyphSize() ? iconCacheFolder : iconCacheFolder + "\\" + std::to_string(size);
}

std::string TForm1::IconCacheFile(int g) const { return IconCacheSizeFolder() + "\\" + std::to_string(g); }

void TForm1::SaveSlotIcon(const TGetIconButton& button, int g) const {
    // Only the size's own folder is made: a cache folder removed while the
    // program runs is reported as at 96 dpi.
    const std::string folder = IconCacheSizeFolder();
    if (folder != iconCacheFolder) CreateDirectoryW(tk::Wide(folder).c_str(), nullptr);
    button.SaveGlyph(IconCacheFile(g));
}

void TForm1::RefreshSlotButtons() {
    // A cache file that cannot be written (the folder removed while the
    // program runs) costs only time: the page is still shown whole, so that
    // what follows a refresh (showing the window, the page label) happens
    // too, and the first failure is reported once the nine buttons are done.
    std::optional<tk::EFileError> unsaved;
    for (int k = 0; k < 9; ++k) {
        const int g = currentPage * 9 + k;
        TGetIconButton& button = SlotButton(k);
        tk::AnnounceNameChange(button.Handle(), false);  // the page's slot, the name with it
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
            SaveSlotIcon(button, g);
        } catch (const tk::EFileError& e) {
            if (!unsaved) unsaved = e;
        }
    }
    if (unsaved) tk::App().ShowException(*unsaved);
}

void TForm1::SetSlotButton(int k, TGetIconButton& button) {
    const int g = currentPage * 9 + k;
    button.GetIcon(DecodeStoredText(slotPaths[static_cast<std::size_t>(g)]));
    tk::AnnounceNameChange(button.Handle(), false);
    SaveSlotIcon(button, g);
}

void TForm1::DeleteSlotIcon(int g) {
    // Every size of the slot goes: a page shown later at another scale must
    // not find the old content's glyph.
    const std::string name = "\\" + std::to_string(g);
    DeleteFileW(tk::Wide(iconCacheFolder + name).c_str());
    WIN32_FIND_DATAW found{};
    tk::FindHandle find(FindFirstFileW(tk::Wide(iconCacheFolder + "\\*").c_str(), &found));
    if (!find) return;
    do {
        const std::string sub = tk::Utf8(found.cFileName);
        const bool sizeFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !sub.empty() &&
                                sub.find_first_not_of("0123456789") == std::string::npos;
        if (sizeFolder) DeleteFileW(tk::Wide(iconCacheFolder + "\\" + sub + name).c_str());
    } while (FindNextFileW(find.Get(), &found));
}

void TForm1::DpiChanged() {
    if (Showing()) RefreshSlotButtons();
    FollowTrayIconScale(*trayIcon, Handle());
}

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
