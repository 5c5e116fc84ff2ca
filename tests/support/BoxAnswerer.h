// Answers modal boxes for a test: a background thread watches for visible,
// enabled top-level dialogs ("#32770", plus any window classes given) of one
// process, records each one's caption and text, and presses the next queued
// button (IDOK when the queue is empty). Works for boxes shown modally on the
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
    explicit BoxAnswerer(DWORD processId = GetCurrentProcessId(), std::vector<std::string> extraClasses = {});
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    // Button (IDOK, IDCANCEL, IDYES ...) for the next box that has none queued.
    void Queue(int buttonId);
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
    const std::vector<std::string> classes_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<int> queue_;
    std::vector<SeenBox> seen_;
    std::set<HWND> answered_; // boxes pressed but perhaps not yet gone; touched only by the thread
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace k2test
