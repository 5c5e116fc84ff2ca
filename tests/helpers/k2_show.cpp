// Asks a running launcher to show its window, as a double click on its tray
// icon does. Used by the screenshot of the run script and by end-to-end tests.
#include <windows.h>

int main() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (HWND window = FindWindowA("TForm1", nullptr)) {
            PostMessageA(window, RegisterWindowMessageA("kor2icon"), 0, WM_LBUTTONDBLCLK);
            return 0;
        }
        Sleep(100);
    }
    return 1;
}
