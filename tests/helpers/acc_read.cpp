// Reads a window and its descendants as a screen reader does, from another
// process: per window, its client object's "handle TAB role TAB state TAB
// name TAB description TAB shortcut" in UTF-8, line feeds written as "\n".
// acc_read <output file> <window handle, decimal>
#include "toolkit/Text.h"

#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <string>

namespace {

std::string Field(BSTR text) {
    std::string field;
    if (!text) return field;
    for (char c : tk::Utf8(text)) field += c == '\n' ? std::string("\\n") : std::string(1, c);
    SysFreeString(text);
    return field;
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
    std::fprintf(out, "%llu\t%ld\t%ld\t%s\t%s\t%s\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)),
                 role.vt == VT_I4 ? role.lVal : 0L, state.vt == VT_I4 ? state.lVal : 0L, Field(name).c_str(),
                 Field(description).c_str(), Field(shortcut).c_str());
    object->Release();
}

BOOL CALLBACK ReadChild(HWND hwnd, LPARAM out) {
    Read(hwnd, reinterpret_cast<FILE*>(out));
    return TRUE;
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
    EnumChildWindows(root, ReadChild, reinterpret_cast<LPARAM>(out));
    CoUninitialize();
    std::fclose(out);
    return 0;
}
