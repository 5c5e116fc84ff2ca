// Questions that may take long (a file system that answers late) asked on a
// short-lived helper thread, whose answer comes back to a window as a posted
// message. The window's thread stays the only one that touches windows and
// the program's state.
#pragma once
#include "toolkit/Handles.h"

#include <windows.h>

#include <memory>
#include <vector>

namespace tk {

// A question and, once Work has run, its answer. It holds copies of all it
// needs: the helper thread may outlive everything but the process.
class ThreadAnswer {
public:
    virtual ~ThreadAnswer() = default;
    // Runs on the helper thread, with COM initialised for it.
    virtual void Work() = 0;
};

// Starts a helper thread that runs `answer->Work()` and then posts `message`
// to `window`, the answer in lParam (take it with TakeAnswer). When the window
// is gone by then, the thread frees the answer itself. The handle lets the
// caller wait a short, bounded time; empty when no thread could be started.
KernelHandle AnswerOffThread(HWND window, UINT message, std::unique_ptr<ThreadAnswer> answer);

template <class T> std::unique_ptr<T> TakeAnswer(LPARAM lParam) {
    return std::unique_ptr<T>(static_cast<T*>(reinterpret_cast<ThreadAnswer*>(lParam)));
}

// Waits up to `ms` for the given threads to end, then hands the answers of
// `message` already queued for `window` to its window procedure: a quick file
// system is answered at once, a slow one later by the message loop.
void TakeQuickAnswers(HWND window, UINT message, const std::vector<KernelHandle>& threads, DWORD ms);
void TakeQuickAnswer(HWND window, UINT message, const KernelHandle& thread, DWORD ms);

} // namespace tk
