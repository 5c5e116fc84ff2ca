// Stands in for the shell's desktop: a real list view named "FolderView" in a
// "SHELLDLL_DefView", placed the way the shell places it:
//   progman  (default) top-level "Progman" titled "Program Manager" holding the view
//   workerw  the view in a top-level "WorkerW" (after a wallpaper slideshow or
//            Task View); "Progman" and another "WorkerW" stay empty
//   nested   the view in a "WorkerW" that is a child of "Progman"
//
// Arguments: the list view's starting text background colour, hexadecimal
// (default 563412), or "none" for CLR_NONE; then the layout. The list view
// counts the LVM_SETTEXTBKCOLOR messages it receives afterwards; WM_APP sent
// to it answers that count. WM_APP + 1 posted to it stops the program from
// answering for lParam milliseconds, as a hung shell. WM_CLOSE to the Progman
// window ends the program, its exit code being the count.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr UINT kCountQuery = WM_APP;
constexpr UINT kHang = WM_APP + 1;
int setCount = 0;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == kCountQuery) return setCount;
    if (message == kHang) {
        Sleep(static_cast<DWORD>(lParam));
        return 0;
    }
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

HWND Create(const char* className, const char* name, HWND parent) {
    const DWORD style = (parent ? WS_CHILD : WS_POPUP) | WS_VISIBLE;
    return CreateWindowExA(0, className, name, style, 0, 0, 200, 150, parent, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}

// The SHELLDLL_DefView for the layout, with Progman and the WorkerW windows
// around it.
HWND CreateShellWindows(const char* layout) {
    HWND progman = Create("Progman", "Program Manager", nullptr);
    if (!progman) return nullptr;
    if (std::strcmp(layout, "workerw") == 0) {
        HWND holder = Create("WorkerW", "", nullptr);
        Create("WorkerW", "", nullptr);
        return holder ? Create("SHELLDLL_DefView", "", holder) : nullptr;
    }
    if (std::strcmp(layout, "nested") == 0) {
        HWND worker = Create("WorkerW", "", progman);
        return worker ? Create("SHELLDLL_DefView", "", worker) : nullptr;
    }
    return Create("SHELLDLL_DefView", "", progman);
}

} // namespace

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    RegisterShellClass("Progman");
    RegisterShellClass("WorkerW");
    RegisterShellClass("SHELLDLL_DefView");
    HWND view = CreateShellWindows(argc > 2 ? argv[2] : "progman");
    HWND list = view ? CreateWindowExA(0, WC_LISTVIEWA, "FolderView", WS_CHILD | WS_VISIBLE | LVS_ICON, 0, 0, 200,
                                       150, view, nullptr, GetModuleHandleA(nullptr), nullptr)
                     : nullptr;
    if (!list) return 255;
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
