#include "support/Windows.h"

#include "toolkit/Text.h"

#include <algorithm>

namespace k2test {

std::string ClassOf(HWND hwnd) {
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string StoredText(HWND hwnd) {
    std::wstring buffer(512, L'\0');
    for (;;) {
        const int n = InternalGetWindowText(hwnd, buffer.data(), static_cast<int>(buffer.size()));
        if (n < static_cast<int>(buffer.size()) - 1) {
            buffer.resize(static_cast<size_t>(std::max(n, 0)));
            return tk::Utf8(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

HWND FindDescendant(HWND parent, const char* windowClass) {
    struct Search {
        const char* windowClass;
        HWND found;
    } search{windowClass, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            if (lstrcmpiA(ClassOf(child).c_str(), s.windowClass) != 0) return TRUE;
            s.found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindOwnWindow(const char* windowClass, const std::function<bool(HWND)>& accept) {
    struct Search {
        const char* windowClass;
        const std::function<bool(HWND)>& accept;
        HWND found;
    } search{windowClass, accept, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd) ||
                ClassOf(hwnd) != s.windowClass || (s.accept && !s.accept(hwnd)))
                return TRUE;
            s.found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<int> VisibleButtons(HWND box) {
    std::vector<int> ids;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM param) -> BOOL {
            if (lstrcmpiA(ClassOf(child).c_str(), "Button") == 0 && IsWindowVisible(child))
                reinterpret_cast<std::vector<int>*>(param)->push_back(GetDlgCtrlID(child));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ids));
    return ids;
}

void PressButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

} // namespace k2test
