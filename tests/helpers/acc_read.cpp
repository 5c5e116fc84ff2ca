// Reads a window and its descendants as a screen reader does, from another
// process: per window, its client object's "handle role state", then name,
// description and shortcut in UTF-8, each of the four ended by a zero byte.
// acc_read <output file> <window handle, decimal>
#include "toolkit/Text.h"

#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <string>

namespace {

void Put(FILE* out, BSTR text) {
    const std::string utf8 = text ? tk::Utf8(text) : std::string();
    SysFreeString(text);
    std::fwrite(utf8.c_str(), 1, utf8.size() + 1, out);
}

void Read(HWND hwnd, FILE* out) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object))))
        return;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT role{}, state{};
    BSTR name = nullptr, description = nullptr, shortcut = nullptr;
    object->get_accRole(self, &role);
    object->get_accState(self, &state);
    object->get_accName(self, &name);
    object->get_accDescription(self, &description);
    object->get_accKeyboardShortcut(self, &shortcut);
    std::fprintf(out, "%llu %ld %ld", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)),
                 role.vt == VT_I4 ? role.lVal : 0L, state.vt == VT_I4 ? state.lVal : 0L);
    std::fputc(0, out);
    for (BSTR text : {name, description, shortcut}) Put(out, text);
    object->Release();
}

} // namespace

int main() {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args || count < 3) return 2;
    FILE* out = _wfopen(args[1], L"wb");
    if (!out) return 3;
    CoInitialize(nullptr);
    const auto root = reinterpret_cast<HWND>(static_cast<UINT_PTR>(wcstoull(args[2], nullptr, 10)));
    Read(root, out);
    const auto each = [](HWND hwnd, LPARAM file) -> BOOL { return Read(hwnd, reinterpret_cast<FILE*>(file)), TRUE; };
    EnumChildWindows(root, each, reinterpret_cast<LPARAM>(out));
    CoUninitialize();
    std::fclose(out);
    return 0;
}
