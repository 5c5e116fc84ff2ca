#include "support/MainWindow.h"
#include "support/Process.h"

#include "app/persist/StoredText.h"
#include "toolkit/Application.h"
#include "toolkit/Dpi.h"
#include "toolkit/Text.h"

#include <commctrl.h>

namespace k2test {

void Pump(unsigned ms) {
    const DWORD start = GetTickCount();
    do {
        tk::App().ProcessMessages();
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

void Press(WORD key, std::initializer_list<WORD> held) {
    BYTE state[256];
    GetKeyboardState(state);
    for (WORD modifier : held) state[modifier] = 0x80;
    SetKeyboardState(state);
    HWND focus = GetFocus();
    const UINT down = key == VK_F10 ? WM_SYSKEYDOWN : WM_KEYDOWN;
    PostMessageW(focus, down, key, 1);
    PostMessageW(focus, down + 1, key, static_cast<LPARAM>(0xC0000001u));
    Pump(20);
    for (WORD modifier : held) state[modifier] = 0;
    SetKeyboardState(state);
}

void DragTo(tk::Control& source, tk::Control& target) {
    RECT rect;
    GetWindowRect(target.Handle(), &rect);
    POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ScreenToClient(source.Handle(), &centre);
    SendMessageA(source.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(source.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
    SendMessageA(source.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(centre.x, centre.y));
}

void Click(tk::Control& button) { SendMessageA(button.Handle(), BM_CLICK, 0, 0); }

void ClickTab(tk::PageControl& pages, int index) {
    RECT rect = pages.TabRect(index);
    POINT point{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ScreenToClient(pages.Handle(), &point);
    SendMessageA(pages.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    SendMessageA(pages.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
}

void MainWindowTest::SetUp() {
    tk::App().SetTitle("コルミ２");
    tk::App().Initialize();
    CreateDirectoryW(tk::Wide(Dir() + "data").c_str(), nullptr);
}

void MainWindowTest::TearDown() { Stop(); }

void MainWindowTest::Start() {
    form_ = std::make_unique<k2::TForm1>(nullptr, Dir());
    Pump(20);
}

void MainWindowTest::Settle() {
    EXPECT_TRUE(WaitUntil([this] { return Pump(10), !form_->AnswersAwaited(); }, 10000)) << "no answer came";
}

void MainWindowTest::Stop() {
    form_.reset();
    Pump(20);
}

void MainWindowTest::WriteSettings(const std::string& ini) {
    WriteFileBytes(Dir() + "data\\data99.ini", tk::ToCp932(ini).value_or(ini));
}

void MainWindowTest::WriteDataFile(const std::string& bytes) { WriteFileBytes(Dir() + "data\\data0.kor", bytes); }

void MainWindowTest::Register(int g, const std::string& path) {
    form_->slotPaths[static_cast<std::size_t>(g)] = k2::EncodeStoredText(path);
}

void MainWindowTest::Register(int g, const std::string& path, const std::string& password) {
    Register(g, path);
    form_->passwords[static_cast<std::size_t>(g) + 1] = k2::EncodeStoredText(password);
}

std::string MainWindowTest::Slot(int g) { return k2::DecodeStoredText(form_->slotPaths[static_cast<std::size_t>(g)]); }

std::string MainWindowTest::CacheFile(int g, int side) const {
    if (side == 0) side = GlyphSide();
    return Dir() + "Icon\\" + (side == 32 ? "" : std::to_string(side) + "\\") + std::to_string(g);
}

int GlyphSide() { return tk::Scale(32, tk::SystemDpi()); }

namespace {
std::wstring slowPrefix;
DWORD slowMs = 0;

DWORD WINAPI SlowAttributes(LPCWSTR path) {
    if (std::wstring_view(path).starts_with(slowPrefix)) Sleep(slowMs);
    return GetFileAttributesW(path);
}
} // namespace

void MakeSlow(k2::TForm1& form, const std::string& prefix, DWORD ms) {
    slowPrefix = tk::Wide(prefix);
    slowMs = ms;
    form.fileAttributes = SlowAttributes;
}

} // namespace k2test
