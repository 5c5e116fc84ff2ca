// Pages of slots: the nine buttons of the current page, the icon cache and
// page navigation.
#include "app/Korumi2.h"

#include "app/persist/StoredText.h"
#include "toolkit/Accessible.h"
#include "toolkit/Application.h"
#include "toolkit/Exception.h"
#include "toolkit/PathPart.h"
#include "toolkit/Text.h"

#include <optional>
#include <utility>

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

namespace {

// At the start, the slots that follow a portable K2 to its new drive are
// waited for longer: the first page shown should have them.
constexpr DWORD kFollowWaitMs = 1000;

// One fetch a slot, size and path: a page shown again meanwhile asks no second.
std::string IconFetchKey(int g, int size, const std::string& path) {
    return std::to_string(g) + "|" + std::to_string(size) + "|" + path;
}

} // namespace

void TForm1::RefreshSlotButtons() {
    // A cache file that cannot be written (the folder removed while the
    // program runs) costs only time: the page is still shown whole, so that
    // what follows a refresh (showing the window, the page label) happens
    // too, and the first failure is reported once the nine buttons are done.
    std::vector<tk::KernelHandle> fetches;
    for (int k = 0; k < 9; ++k) {
        const int g = currentPage * 9 + k;
        TGetIconButton& button = SlotButton(k);
        tk::AnnounceNameChange(button.Handle(), false);  // the page's slot, the name with it
        const std::string path = DecodeStoredText(slotPaths[static_cast<std::size_t>(g)]);
        const std::string cache = IconCacheFile(g);
        if (!path.empty() && tk::FileExists(cache)) {
            try {
                button.LoadGlyph(cache);
                // A bitmap without width or height would show the slot blank for good.
                if (!button.Glyph().Empty()) continue;
            } catch (const tk::EFileError&) {
            }
            // An unreadable cache file counts as missing: fetch the icon again.
        }
        // The empty face until the icon comes.
        button.GetIcon("");
        if (!path.empty()) fetches.push_back(FetchSlotIcon(g, path));
    }
    if (const auto unsaved = TakeQuickIcons(fetches)) tk::App().ShowException(*unsaved);
}

void TForm1::SetSlotButton(int k, TGetIconButton& button) {
    const int g = currentPage * 9 + k;
    const std::string path = DecodeStoredText(slotPaths[static_cast<std::size_t>(g)]);
    button.GetIcon("");
    tk::AnnounceNameChange(button.Handle(), false);
    if (path.empty()) return;
    std::vector<tk::KernelHandle> fetch;
    fetch.push_back(FetchSlotIcon(g, path));
    if (const auto unsaved = TakeQuickIcons(fetch)) throw *unsaved;
}

std::optional<tk::EFileError> TForm1::TakeQuickIcons(const std::vector<tk::KernelHandle>& fetches) {
    awaitingQuickIcons_ = true;
    tk::TakeQuickAnswers(Handle(), kIconAnswerMessage, fetches, kQuickAnswerMs);
    awaitingQuickIcons_ = false;
    return std::exchange(iconSaveFailure_, std::nullopt);
}

tk::KernelHandle TForm1::FetchSlotIcon(int g, const std::string& path) {
    const int size = SlotButton(0).GlyphSize();
    const std::string key = IconFetchKey(g, size, path);
    if (!iconsAwaited_.insert(key).second) return {};
    auto question = std::make_unique<IconQuestion>();
    question->slot = g;
    question->path = path;
    question->size = size;
    question->attributes = fileAttributes;
    tk::KernelHandle thread = tk::AnswerOffThread(Handle(), kIconAnswerMessage, std::move(question));
    // No thread, no answer: the next showing asks again.
    if (!thread) iconsAwaited_.erase(key);
    return thread;
}

void TForm1::WMIconAnswer(LPARAM lParam) {
    const std::unique_ptr<IconQuestion> answer = tk::TakeAnswer<IconQuestion>(lParam);
    iconsAwaited_.erase(IconFetchKey(answer->slot, answer->size, answer->path));
    // An item that is not there, or not yet, keeps the empty face and no
    // cache file: it is asked again next time.
    if (Ending() || !answer->icon || answer->slot / 9 != currentPage) return;
    TGetIconButton& button = SlotButton(answer->slot % 9);
    if (button.GlyphSize() != answer->size ||
        DecodeStoredText(slotPaths[static_cast<std::size_t>(answer->slot)]) != answer->path)
        return;
    button.ShowIcon(answer->icon.Get());
    tk::AnnounceNameChange(button.Handle(), false);
    try {
        SaveSlotIcon(button, answer->slot);
    } catch (const tk::EFileError& e) {
        // Reported once by the refresh that waits for it, else at once.
        if (!awaitingQuickIcons_) tk::App().ShowException(e);
        else if (!iconSaveFailure_) iconSaveFailure_ = e;
    }
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

VolumeMove TForm1::ProgramVolumeMove() const { return {programVolume, tk::path::VolumeRoot(appDir)}; }

void TForm1::FollowProgramVolume() {
    const VolumeMove move = ProgramVolumeMove();
    if (move.from.empty() || SameVolume(move.from, move.to)) {
        if (!move.to.empty()) programVolume = move.to;
        return;
    }
    // The drive letter changed (a stick or a disk plugged in another order,
    // another PC). The former drive may be anything now, a share asleep
    // included: it is asked off this thread, for a bounded time.
    auto question = std::make_unique<FollowQuestion>();
    question->move = move;
    question->attributes = fileAttributes;
    for (std::size_t g = 0; g < question->paths.size(); ++g) question->paths[g] = DecodeStoredText(slotPaths[g]);
    followAwaited_ = true;
    const tk::KernelHandle thread = tk::AnswerOffThread(Handle(), kFollowAnswerMessage, std::move(question));
    tk::TakeQuickAnswer(Handle(), kFollowAnswerMessage, thread, kFollowWaitMs);
}

void TForm1::WMFollowAnswer(LPARAM lParam) {
    const std::unique_ptr<FollowQuestion> answer = tk::TakeAnswer<FollowQuestion>(lParam);
    followAwaited_ = false;
    if (Ending()) return;
    bool moved = false;
    for (std::size_t g = 0; g < answer->paths.size(); ++g) {
        // A slot changed meanwhile keeps what it was given.
        if (answer->followed[g] == answer->paths[g] || slotPaths[g] != EncodeStoredText(answer->paths[g])) continue;
        slotPaths[g] = EncodeStoredText(answer->followed[g]);
        moved = true;
    }
    // Remembered only now: a question that never came back is asked again next time.
    programVolume = answer->move.to;
    if (moved && Showing()) RefreshSlotButtons();
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
