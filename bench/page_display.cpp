// How much the icon cache saves when a page of slots is shown: the main window
// in a scratch program folder with nine registered slots on the first page,
// page displays timed from the cache and with an empty cache (every icon
// asked of the shell). Usage: page_display [rounds]
#include "app/Korumi2.h"
#include "bench/Clock.h"
#include "app/persist/StoredText.h"
#include "toolkit/Application.h"
#include "toolkit/Exception.h"
#include "toolkit/Text.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// The folder the benchmark works in, removed with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "k2bench_" + std::to_string(GetCurrentProcessId()) + "\\";
        tk::ForceDirectories(path_ + "data");
    }
    ~ScratchFolder() { tk::RemoveTree(path_.substr(0, path_.size() - 1)); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Nine items as a user registers them: programs (copies of this one, each a
// file of its own), a document and two folders.
std::vector<std::string> MakeItems(const std::string& folder) {
    std::vector<std::string> items;
    const std::string self = tk::ModuleFileName();
    for (int i = 1; i <= 6; ++i) {
        const std::string copy = folder + "tool" + std::to_string(i) + ".exe";
        if (!CopyFileA(self.c_str(), copy.c_str(), FALSE)) throw tk::Exception("cannot copy to " + copy);
        items.push_back(copy);
    }
    const std::string document = folder + "notes.txt";
    if (FILE* file = std::fopen(document.c_str(), "wb")) {
        std::fputs("notes\r\n", file);
        std::fclose(file);
    }
    items.push_back(document);
    for (const char* name : {"folder1", "folder2"}) {
        items.push_back(folder + name);
        CreateDirectoryA(items.back().c_str(), nullptr);
    }
    return items;
}

// Mean milliseconds per page display over `rounds` displays; `prepare` runs
// before each display, outside the timing.
template <class Prepare> double MeanDisplayMs(k2::TForm1& form, int rounds, Prepare prepare) {
    double total = 0;
    for (int round = 0; round < rounds; ++round) {
        prepare();
        const double start = bench::Milliseconds();
        form.RefreshSlotButtons();
        total += bench::Milliseconds() - start;
    }
    return total / rounds;
}

int Run(int rounds) {
    tk::Application& app = tk::App();
    app.SetTitle("コルミ２");
    app.Initialize();
    ShowWindow(app.Handle(), SW_HIDE);

    ScratchFolder scratch;
    const std::vector<std::string> items = MakeItems(scratch.Path());
    auto form = std::make_unique<k2::TForm1>(nullptr, scratch.Path());
    for (std::size_t k = 0; k < items.size(); ++k) form->slotPaths[k] = k2::EncodeStoredText(items[k]);
    form->currentPage = 0;

    const auto emptyCache = [&] {
        for (int g = 0; g < 9; ++g) DeleteFileA(form->IconCacheFile(g).c_str());
    };
    // One display of each kind first, so that neither pays for first-use costs.
    emptyCache();
    form->RefreshSlotButtons();
    form->RefreshSlotButtons();

    const double cached = MeanDisplayMs(*form, rounds, [] {});
    const double shell = MeanDisplayMs(*form, rounds, emptyCache);

    std::printf("page display with 9 registered slots (6 programs, 1 document, 2 folders), %d rounds each\n",
                rounds);
    std::printf("  from the icon cache:    %8.3f ms per page\n", cached);
    std::printf("  from the shell (empty): %8.3f ms per page\n", shell);
    std::printf("  the cache is %.1f times as fast\n", cached > 0 ? shell / cached : 0.0);
    std::fflush(stdout);

    form.reset();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
    if (rounds <= 0) {
        std::fprintf(stderr, "usage: page_display [rounds]\n");
        return 2;
    }
    try {
        return Run(rounds);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "page_display: %s\n", e.what());
        return 1;
    }
}
