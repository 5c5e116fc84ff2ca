// Stands in for the shell's desktop: a top-level "Progman" window titled
// "Program Manager" holding an unnamed "SHELLDLL_DefView" with a real, unnamed
// "SysListView32", the way the launcher looks for the desktop's icon list.
//
// Argument: the list view's starting text background colour, hexadecimal
// (default 563412), or "none" for CLR_NONE. The list view counts the
// LVM_SETTEXTBKCOLOR messages it receives afterwards; WM_APP sent to it answers
// that count. WM_CLOSE to the Progman window ends the program, its exit code
// being the count.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr UINT kCountQuery = WM_APP;
int setCount = 0;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == kCountQuery) return setCount;
    if (message == LVM_SETTEXTBKCOLOR) ++setCount;
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK ShellProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_DESTROY:
        if (!GetParent(hwnd)) PostQuitMessage(setCount);
        return 0;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

void RegisterShellClass(const char* name) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ShellProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_DESKTOP + 1);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

COLORREF StartColour(int argc, char** argv) {
    if (argc < 2) return 0x563412;
    if (std::strcmp(argv[1], "none") == 0) return CLR_NONE;
    return static_cast<COLORREF>(std::strtoul(argv[1], nullptr, 16));
}

} // namespace

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    RegisterShellClass("Progman");
    RegisterShellClass("SHELLDLL_DefView");
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND progman = CreateWindowExA(0, "Progman", "Program Manager", WS_POPUP | WS_VISIBLE, 0, 0, 200, 150, nullptr,
                                   nullptr, instance, nullptr);
    HWND view = CreateWindowExA(0, "SHELLDLL_DefView", "", WS_CHILD | WS_VISIBLE, 0, 0, 200, 150, progman, nullptr,
                                instance, nullptr);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_ICON, 0, 0, 200, 150, view, nullptr,
                                instance, nullptr);
    if (!progman || !view || !list) return 255;
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    char caption[] = "Icon";
    item.pszText = caption;
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(StartColour(argc, argv)));
    SetWindowSubclass(list, CountingProc, 1, 0);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
