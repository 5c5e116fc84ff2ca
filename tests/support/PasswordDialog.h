// Answers the password dialog ("TForm2") of this process from a background
// thread the way a user does: typing into its edit field and leaving with OK,
// Enter, the title bar's close box or Escape.
#pragma once
#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace k2test {

enum class CloseBy { OkButton, Enter, CloseBox, Escape };

// Dialogs are answered in the order they become answerable, one queued answer
// each; a dialog with no answer queued is closed empty with the close box
// (and counted as unexpected).
class PasswordAnswerer {
public:
    PasswordAnswerer();
    ~PasswordAnswerer();
    PasswordAnswerer(const PasswordAnswerer&) = delete;
    PasswordAnswerer& operator=(const PasswordAnswerer&) = delete;

    // `delayMs` makes the answerer wait first; the dialog that is enabled then
    // gets the answer (a nested dialog disables the one below it). `before`
    // runs on the answering thread before typing.
    void Queue(std::string text, CloseBy closeBy = CloseBy::OkButton, DWORD delayMs = 0,
               std::function<void(HWND dialog)> before = {});
    // Prompts of the dialogs answered so far, in order.
    std::vector<std::string> Prompts() const;
    // Dialogs answered so far, the unexpected ones included.
    int Answered() const;
    int Unexpected() const { return unexpected_; }

private:
    struct Answer {
        std::string text;
        CloseBy closeBy = CloseBy::OkButton;
        DWORD delayMs = 0;
        std::function<void(HWND dialog)> before;
    };

    void Run();
    HWND FindDialog();
    void Reply(HWND dialog);

    mutable std::mutex mutex_;
    std::deque<Answer> answers_;
    std::vector<std::string> prompts_;
    std::atomic<int> unexpected_{0};
    std::set<HWND> answered_; // touched only by the thread
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace k2test
