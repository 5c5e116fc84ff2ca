// Answers modal boxes for a test: a background thread watches for visible,
// enabled top-level dialogs ("#32770") of one process, records each one's
// caption and text, and presses the next of the buttons given (IDOK once they
// are used up). They are given at construction, since a box may already be
// showing when the thread starts. Works for boxes shown modally on the
// test's own main thread and for boxes of another process.
#pragma once
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace k2test {

struct SeenBox {
    std::string caption;     // window title
    std::string text;        // text of the box's static control ("" when it has none)
    std::string windowClass; // "#32770" for message boxes and dialogs
    int pressed = 0;         // control id of the button that was pressed
};

class BoxAnswerer {
public:
    // `answers`: IDOK, IDCANCEL, IDYES ... for the boxes in order.
    explicit BoxAnswerer(DWORD processId = GetCurrentProcessId(), std::vector<int> answers = {});
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    // Boxes answered so far, in order.
    std::vector<SeenBox> Seen() const;
    // True once at least `count` boxes have been answered; false on timeout.
    bool WaitForBoxes(size_t count, DWORD timeoutMs);

private:
    void Run();
    void Scan();
    bool IsCandidate(HWND hwnd) const;
    void Answer(HWND box);

    const DWORD processId_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<int> queue_;
    std::vector<SeenBox> seen_;
    std::set<HWND> answered_; // boxes pressed but perhaps not yet gone; touched only by the thread
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace k2test
