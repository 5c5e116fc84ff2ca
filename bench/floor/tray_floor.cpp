// The floor for the start-up benchmark: the least a tray program can do at
// start, one hidden window and one tray icon, built like K2.exe. It ends on
// WM_CLOSE and removes its icon.
#include <windows.h>
#include <shellapi.h>

namespace {

constexpr char kClassName[] = "TrayFloor";

NOTIFYICONDATAA IconData(HWND window) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = 1;
    return data;
}

LRESULT CALLBACK FloorWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        NOTIFYICONDATAA data = IconData(hwnd);
        Shell_NotifyIconA(NIM_DELETE, &data);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = FloorWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    if (!RegisterClassExA(&wc)) return 1;
    HWND window = CreateWindowExA(0, kClassName, "floor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 200,
                                  100, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    NOTIFYICONDATAA data = IconData(window);
    data.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    data.uCallbackMessage = WM_APP;
    data.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));
    lstrcpynA(data.szTip, "floor", sizeof(data.szTip));
    Shell_NotifyIconA(NIM_ADD, &data);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
