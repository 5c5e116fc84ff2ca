#include "support/BoxAnswerer.h"

#include "support/Windows.h"

namespace k2test {
namespace {

constexpr DWORD kPollMs = 10;
// The static control that holds a message box's text.
constexpr int kMessageBoxTextId = 0xFFFF;

struct ChildSearch {
    int id = 0;         // looked-for control id; 0: first static with text
    HWND found = nullptr;
};

BOOL CALLBACK FindChild(HWND child, LPARAM param) {
    auto& search = *reinterpret_cast<ChildSearch*>(param);
    if (search.id != 0) {
        if (GetDlgCtrlID(child) != search.id) return TRUE;
    } else if (lstrcmpiA(ClassOf(child).c_str(), "Static") != 0 || StoredText(child).empty()) {
        return TRUE;
    }
    search.found = child;
    return FALSE;
}

HWND FindDescendant(HWND parent, int id) {
    ChildSearch search{id};
    EnumChildWindows(parent, FindChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string BoxText(HWND box) {
    if (HWND text = GetDlgItem(box, kMessageBoxTextId)) return StoredText(text);
    HWND text = FindDescendant(box, 0);
    return text ? StoredText(text) : std::string();
}

} // namespace

BoxAnswerer::BoxAnswerer(DWORD processId, std::vector<int> answers)
    : processId_(processId), queue_(answers.begin(), answers.end()) {
    thread_ = std::thread([this] { Run(); });
}

BoxAnswerer::~BoxAnswerer() {
    stop_ = true;
    thread_.join();
}

std::vector<SeenBox> BoxAnswerer::Seen() const {
    std::lock_guard lock(mutex_);
    return seen_;
}

bool BoxAnswerer::WaitForBoxes(size_t count, DWORD timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return seen_.size() >= count; });
}

void BoxAnswerer::Run() {
    while (!stop_) {
        Scan();
        Sleep(kPollMs);
    }
}

void BoxAnswerer::Scan() {
    // Forget boxes that have gone, so that a later window is never mistaken for one already answered.
    std::erase_if(answered_, [](HWND hwnd) { return !IsWindow(hwnd); });

    std::vector<HWND> boxes;
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&boxes));
    for (HWND box : boxes)
        if (IsCandidate(box)) Answer(box);
}

bool BoxAnswerer::IsCandidate(HWND hwnd) const {
    // A disabled box is waiting for a box of its own, which is answered first.
    if (!IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd) || answered_.contains(hwnd)) return false;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid == processId_ && ClassOf(hwnd) == "#32770";
}

void BoxAnswerer::Answer(HWND box) {
    SeenBox seen{StoredText(box), BoxText(box), ClassOf(box), IDOK};
    {
        std::lock_guard lock(mutex_);
        if (!queue_.empty()) {
            seen.pressed = queue_.front();
            queue_.pop_front();
        }
    }
    const int pressed = seen.pressed;
    // Recorded before the press: once the box closes, the test may look at Seen() at once.
    {
        std::lock_guard lock(mutex_);
        seen_.push_back(std::move(seen));
    }
    changed_.notify_all();
    answered_.insert(box);
    // Posted, as a click would be: the box's own thread runs its modal loop.
    const WPARAM command = MAKEWPARAM(pressed, BN_CLICKED);
    if (HWND button = FindDescendant(box, pressed))
        PostMessageA(GetParent(button), WM_COMMAND, command, reinterpret_cast<LPARAM>(button));
    else
        PostMessageA(box, WM_COMMAND, command, 0);
}

} // namespace k2test
