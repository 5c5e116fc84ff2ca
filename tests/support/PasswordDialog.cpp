#include "support/PasswordDialog.h"

#include "support/Windows.h"
#include "toolkit/Text.h"

namespace k2test {

PasswordAnswerer::PasswordAnswerer() : thread_([this] { Run(); }) {}

PasswordAnswerer::~PasswordAnswerer() {
    stop_ = true;
    thread_.join();
}

void PasswordAnswerer::Queue(std::string text, CloseBy closeBy, DWORD delayMs, std::function<void(HWND)> before) {
    std::lock_guard lock(mutex_);
    answers_.push_back(Answer{std::move(text), closeBy, delayMs, std::move(before)});
}

std::vector<std::string> PasswordAnswerer::Prompts() const {
    std::lock_guard lock(mutex_);
    return prompts_;
}

int PasswordAnswerer::Answered() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(prompts_.size());
}

void PasswordAnswerer::Run() {
    while (!stop_) {
        if (HWND dialog = FindDialog()) Reply(dialog);
        Sleep(10);
    }
}

HWND PasswordAnswerer::FindDialog() {
    // A dialog that has gone or been hidden is done with; its handle may come back for a new one.
    std::erase_if(answered_, [](HWND hwnd) { return !IsWindow(hwnd) || !IsWindowVisible(hwnd); });
    return FindOwnWindow("TForm2", [this](HWND dialog) {
        return !answered_.contains(dialog) && FindDescendant(dialog, "Edit") && FindDescendant(dialog, "Button");
    });
}

void PasswordAnswerer::Reply(HWND dialog) {
    Answer answer{"", CloseBy::CloseBox, 0, {}};
    {
        std::lock_guard lock(mutex_);
        if (answers_.empty()) {
            ++unexpected_;
        } else {
            answer = std::move(answers_.front());
            answers_.pop_front();
        }
    }
    if (answer.delayMs) {
        Sleep(answer.delayMs);
        dialog = FindDialog();
        if (!dialog) return;
    }
    if (answer.before) answer.before(dialog);
    const std::string prompt = StoredText(FindDescendant(dialog, "TLabel"));
    HWND edit = FindDescendant(dialog, "Edit");
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(tk::Wide(answer.text).c_str()), SMTO_BLOCK, 5000,
                        &ignored);
    {
        std::lock_guard lock(mutex_);
        prompts_.push_back(prompt);
    }
    answered_.insert(dialog);
    switch (answer.closeBy) {
    case CloseBy::OkButton: PostMessageA(FindDescendant(dialog, "Button"), BM_CLICK, 0, 0); break;
    case CloseBy::Enter:
        PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        PostMessageA(edit, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC01C0001u));
        break;
    case CloseBy::CloseBox: PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    case CloseBy::Escape:
        PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageA(edit, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001u));
        break;
    }
}

} // namespace k2test
