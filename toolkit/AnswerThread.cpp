#include "toolkit/AnswerThread.h"

#include <objbase.h>

namespace tk {
namespace {

struct Delivery {
    HWND window;
    UINT message;
    std::unique_ptr<ThreadAnswer> answer;
};

DWORD WINAPI Deliver(void* parameter) {
    std::unique_ptr<Delivery> delivery(static_cast<Delivery*>(parameter));
    // The shell's icon and link objects want an apartment of their own.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    delivery->answer->Work();
    if (SUCCEEDED(com)) CoUninitialize();
    ThreadAnswer* answer = delivery->answer.release();
    if (!PostMessageW(delivery->window, delivery->message, 0, reinterpret_cast<LPARAM>(answer))) delete answer;
    return 0;
}

} // namespace

KernelHandle AnswerOffThread(HWND window, UINT message, std::unique_ptr<ThreadAnswer> answer) {
    auto delivery = std::make_unique<Delivery>(Delivery{window, message, std::move(answer)});
    KernelHandle thread(CreateThread(nullptr, 0, Deliver, delivery.get(), 0, nullptr));
    if (thread) delivery.release();
    return thread;
}

namespace {

void TakeQuick(HWND window, UINT message, const std::vector<HANDLE>& threads, DWORD ms) {
    if (threads.empty()) return;
    WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, ms);
    MSG msg;
    while (PeekMessageW(&msg, window, message, message, PM_REMOVE)) DispatchMessageW(&msg);
}

} // namespace

void TakeQuickAnswers(HWND window, UINT message, const std::vector<KernelHandle>& threads, DWORD ms) {
    std::vector<HANDLE> handles;
    for (const KernelHandle& thread : threads)
        if (thread) handles.push_back(thread.Get());
    TakeQuick(window, message, handles, ms);
}

void TakeQuickAnswer(HWND window, UINT message, const KernelHandle& thread, DWORD ms) {
    TakeQuick(window, message, thread ? std::vector<HANDLE>{thread.Get()} : std::vector<HANDLE>{}, ms);
}

} // namespace tk
