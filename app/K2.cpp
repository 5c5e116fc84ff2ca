// Entry point: one instance per desktop session, then the two forms and the
// message loop.
#include "app/K2_form2.h"
#include "app/Korumi2.h"
#include "toolkit/Application.h"
#include "toolkit/Exception.h"
#include "toolkit/Text.h"

#include <windows.h>

namespace {

// DLLs are loaded from System32 only: never from the program's folder (a
// download folder, a stick) nor from the current folder, which follows each
// launched item. SetDefaultDllDirectories is looked up because Windows 7
// has it only with KB2533623; it concerns this process alone. Only without
// it is the current folder taken out with SetDllDirectory, which every
// program we launch inherits.
void RestrictDllSearch() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll")) {
        if (auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
                reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))) {
            if (setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
        }
    }
    SetDllDirectoryW(L"");
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictDllSearch();
    // Owned by this process until it ends; the system releases it then.
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "kor");
    if (!mutex) return 0;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        MessageBeep(0);
        tk::MessageBoxUtf8(nullptr, "コルミは仕様上二重起動できなくなっています。", "コルミ２", MB_OK);
        MessageBeep(0);
        tk::MessageBoxUtf8(nullptr, "終了します。", "コルミ２", MB_OK);
        return 0;
    }
    // An installer or Windows Update that closes K2 through the Restart
    // Manager starts it again afterwards. After a reboot the Startup shortcut
    // starts it, and a crash or a hang brings nothing back, as before.
    RegisterApplicationRestart(nullptr, RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT);
    tk::Application& app = tk::App();
    try {
        app.SetTitle("コルミ２");
        app.Initialize();
        ShowWindow(app.Handle(), SW_HIDE);
        app.SetShowMainForm(false);
        k2::TForm1& main = app.CreateForm<k2::TForm1>();
        app.CreateForm<k2::TForm2>(nullptr, main);
        app.Run();
    } catch (const tk::Exception& e) {
        app.ShowException(e);
    }
    app.DestroyForms();
    return 0;
}
