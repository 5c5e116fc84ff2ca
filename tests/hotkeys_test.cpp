// The global hot keys driven through the real window: WM_HOTKEY messages
// posted to it, key ownership probed from a second window, launches recorded
// by a helper program.
#include "support/FakeEndpoint.h"
#include "support/MainWindow.h"
#include "support/Process.h"

#include "app/persist/StoredText.h"
#include "toolkit/Application.h"
#include "toolkit/Handles.h"
#include "toolkit/Text.h"

#include <algorithm>
#include <cstdint>
#include <future>
#include <set>
#include <thread>
#include <utility>
#include <vector>

using k2test::MainWindowTest;
using k2test::Pump;

namespace {

struct NamedKey {
    const char* name;
    UINT vk;
};

// Every key the program may hold with Ctrl, in the order HeldKeys prints them.
const std::vector<NamedKey>& AllKeys() {
    static const std::vector<NamedKey> keys = [] {
        static const char* const numpad[] = {"Num0", "Num1", "Num2", "Num3", "Num4",
                                             "Num5", "Num6", "Num7", "Num8", "Num9"};
        static const char* const digits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
        std::vector<NamedKey> all;
        for (UINT i = 0; i < 10; ++i) all.push_back({numpad[i], VK_NUMPAD0 + i});
        for (UINT i = 0; i < 10; ++i) all.push_back({digits[i], '0' + i});
        all.insert(all.end(), {{"Decimal", VK_DECIMAL}, {"Back", VK_BACK}, {"Left", VK_LEFT},
                               {"Right", VK_RIGHT}, {"Up", VK_UP}, {"Down", VK_DOWN}});
        return all;
    }();
    return keys;
}

constexpr const char* kKeypadSet = "Num0 Num1 Num2 Num3 Num4 Num5 Num6 Num7 Num8 Num9 Decimal Left Right";
constexpr const char* kDigitRowSet = "0 1 2 3 4 5 6 7 8 9 Back Left Right";

// The Ctrl combinations that a second window cannot register because they are
// taken (error 1409), space-separated. Any other failure is reported by name.
std::string HeldKeys() {
    const tk::WindowHandle probe(
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    std::string held;
    for (const NamedKey& key : AllKeys()) {
        SetLastError(0xdeadbeef);
        if (RegisterHotKey(probe.Get(), 1, MOD_CONTROL, key.vk)) {
            UnregisterHotKey(probe.Get(), 1);
            continue;
        }
        const DWORD error = GetLastError();
        if (!held.empty()) held += ' ';
        held += key.name;
        if (error != ERROR_HOTKEY_ALREADY_REGISTERED) held += "(error " + std::to_string(error) + ")";
    }
    return held;
}

void PostHotKey(k2::TForm1& form, int id) {
    PostMessageA(form.Handle(), WM_HOTKEY, static_cast<WPARAM>(id), MAKELPARAM(MOD_CONTROL, 0));
    Pump(30);
}

// The colour plane of a 16 x 16 icon.
std::vector<std::uint32_t> IconColours(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return {};
    const tk::BitmapHandle colour(info.hbmColor), mask(info.hbmMask);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = 16;
    bmi.bmiHeader.biHeight = -16;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(256);
    const tk::WindowDc screen(nullptr);
    if (GetDIBits(screen.Get(), colour.Get(), 0, 16, pixels.data(), &bmi, DIB_RGB_COLORS) != 16) return {};
    for (auto& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

// Number of the "ICONn" resource the application (and with it the tray)
// shows now; -1 when it is none of them.
int ShownIconNumber() {
    const std::vector<std::uint32_t> shown = IconColours(tk::App().Icon());
    for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12}) {
        const tk::IconHandle icon(static_cast<HICON>(LoadImageA(
            GetModuleHandleA(nullptr), ("ICON" + std::to_string(n)).c_str(), IMAGE_ICON, 16, 16, LR_DEFAULTSIZE)));
        if (!shown.empty() && IconColours(icon.Get()) == shown) return n;
    }
    return -1;
}

std::string Settings(const std::string& lines) { return "[各種設定]\r\n" + lines; }

// Registrations as asked for (id, modifiers): the platform does not report
// the modifiers back, and Wine ignores MOD_NOREPEAT.
std::vector<std::pair<int, UINT>> registrations;

BOOL WINAPI RecordingRegister(HWND window, int id, UINT modifiers, UINT key) {
    registrations.emplace_back(id, modifiers);
    return RegisterHotKey(window, id, modifiers, key);
}

// Holds Ctrl+`keys` from a thread of its own, as another program would, until destroyed.
struct KeyHolder {
    explicit KeyHolder(std::vector<UINT> keys) : thread([this, keys] {
        for (UINT key : keys) RegisterHotKey(nullptr, static_cast<int>(key), MOD_CONTROL, key);
        held.set_value();
        WaitForSingleObject(release.Get(), INFINITE);
        for (UINT key : keys) UnregisterHotKey(nullptr, static_cast<int>(key));  // Wine keeps them past the thread
    }) { held.get_future().wait(); }
    ~KeyHolder() {
        SetEvent(release.Get());
        thread.join();
    }
    tk::KernelHandle release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::promise<void> held;
    std::thread thread;
};

class HotKeysTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        char cwd[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, cwd);
        savedCwd_ = cwd;
        record_ = Dir() + "launches.txt";
        SetEnvironmentVariableW(L"K2_RECORD_FILE", tk::Wide(record_).c_str());
    }

    void TearDown() override {
        MainWindowTest::TearDown();
        // Launching changes the current folder; the scratch folder must go.
        SetCurrentDirectoryW(tk::Wide(savedCwd_).c_str());
        SetEnvironmentVariableW(L"K2_RECORD_FILE", nullptr);
        Sleep(200);  // recorders still exiting keep their exe open
    }

    // Puts a copy of the launch recorder in its own folder and registers it
    // in slot g; a launch then records that folder as its working directory.
    void PutRecorder(int g, const std::string& folder) {
        const std::string dir = Dir() + folder;
        CreateDirectoryW(tk::Wide(dir).c_str(), nullptr);
        const std::string exe = dir + "\\rec.exe";
        EXPECT_TRUE(CopyFileW(tk::Wide((k2test::TestBinFolder() + "launch_recorder.exe")).c_str(), tk::Wide(exe).c_str(), FALSE))
            << "copy to " << exe << " failed, error " << GetLastError();
        Form().slotPaths[static_cast<std::size_t>(g)] = k2::EncodeStoredText(exe);
    }

    // The record once `count` launches have arrived (or after ten seconds):
    // one line per launch, the working directory then "|" and no arguments.
    std::string Launches(std::size_t count) {
        k2test::WaitUntil([&] {
            const std::string text = k2test::ReadFileBytes(record_);
            return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) >= count;
        }, 10000);
        Pump(150);  // a launch too many would show up now
        return k2test::ReadFileBytes(record_);
    }

    std::string Folder(const std::string& name) { return Dir() + name + "|\r\n"; }

    std::string record_;
    std::string savedCwd_;
};

} // namespace

TEST_F(HotKeysTest, KeypadDigitLaunchesItsSlotOnTheCurrentPageAndHidesTheWindow) {
    WriteSettings(Settings("現在のページ番号=2\r\n"));
    Start();
    k2::TForm1& form = Form();
    PutRecorder(2 * 9 + 4, "middle");
    PutRecorder(2 * 9 + 6, "topleft");
    PutRecorder(4, "pageone");
    form.ShowMainWindow();
    ASSERT_TRUE(form.Showing());

    PostHotKey(form, 5);
    EXPECT_EQ(Launches(1), Folder("middle"));
    EXPECT_FALSE(form.Showing()) << "a launch hides the window";
    EXPECT_TRUE(tk::App().Minimized());

    PostHotKey(form, 7);
    EXPECT_EQ(Launches(2), Folder("middle") + Folder("topleft")) << "launching works while hidden too";
}

TEST_F(HotKeysTest, KeySetsSwapWithoutRestartAndShutdownReleasesThem) {
    Start();
    k2::TForm1& form = Form();
    EXPECT_EQ(HeldKeys(), kKeypadSet);

    k2::RegisterKeySet(form, *form.hotKeys, 1);
    EXPECT_EQ(HeldKeys(), kDigitRowSet);
    k2::RegisterKeySet(form, *form.hotKeys, 0);
    EXPECT_EQ(HeldKeys(), kKeypadSet);

    Stop();
    EXPECT_EQ(HeldKeys(), "");
}

TEST_F(HotKeysTest, StoredDigitRowSetAndVolumeKeysStayWhileHidden) {
    WriteSettings(Settings("ホットキー=1\r\n音量増減=1\r\n"));
    Start();
    k2::TForm1& form = Form();
    EXPECT_EQ(form.Label4->FontColor(), tk::kGreen);
    EXPECT_EQ(HeldKeys(), std::string(kDigitRowSet) + " Up Down");
    EXPECT_NE(form.volume, nullptr);

    form.ShowMainWindow();
    tk::App().Minimize();
    Pump(30);
    EXPECT_FALSE(form.Showing());
    EXPECT_EQ(HeldKeys(), std::string(kDigitRowSet) + " Up Down") << "kept cursor keys stay while hidden";
    EXPECT_NE(form.volume, nullptr);
}

TEST_F(HotKeysTest, TwoPressModeChoosesThePageThenTheSlot) {
    WriteSettings(Settings("ホットキー２度押し起動=1\r\n"));
    Start();
    k2::TForm1& form = Form();
    PutRecorder(2 * 9 + 6, "p3s7");
    PutRecorder(2 * 9 + 2, "p3s3");
    PutRecorder(9 * 9 + 0, "p10s1");
    EXPECT_EQ(form.Label5->FontColor(), tk::kLime);
    EXPECT_EQ(ShownIconNumber(), 12);

    // 3 then 7: page 3, slot 7. The tray shows the page while the second key is awaited.
    PostHotKey(form, 3);
    EXPECT_EQ(form.currentPage, 2);
    EXPECT_EQ(form.Label3->Caption(), "[3]ページ");
    EXPECT_EQ(ShownIconNumber(), 3);
    EXPECT_TRUE(form.hotKeys->awaitingSecondKey);
    PostHotKey(form, 7);
    EXPECT_EQ(Launches(1), Folder("p3s7"));
    EXPECT_FALSE(form.hotKeys->awaitingSecondKey);
    EXPECT_EQ(ShownIconNumber(), 12);

    // 3 twice: slot 3 of page 3.
    PostHotKey(form, 3);
    PostHotKey(form, 3);
    EXPECT_EQ(Launches(2), Folder("p3s7") + Folder("p3s3"));
    EXPECT_EQ(ShownIconNumber(), 12);

    // A second key launches on whatever page is current, page 10 included.
    PostHotKey(form, 9);
    k2test::Click(*form.BitBtn2);
    EXPECT_EQ(form.Label3->Caption(), "[10]ページ");
    PostHotKey(form, 1);
    EXPECT_EQ(Launches(3), Folder("p3s7") + Folder("p3s3") + Folder("p10s1"));
}

TEST_F(HotKeysTest, TwoPressModeOtherKeysDropThePendingKey) {
    WriteSettings(Settings("ホットキー２度押し起動=1\r\n"));
    Start();
    k2::TForm1& form = Form();

    // Ctrl+0 after a first key shows the window; the next digit is a first key again.
    PostHotKey(form, 3);
    PostHotKey(form, k2::kHotKeyShow);
    EXPECT_TRUE(form.Showing());
    EXPECT_FALSE(form.hotKeys->awaitingSecondKey);
    EXPECT_EQ(ShownIconNumber(), 12);
    PostHotKey(form, 7);
    EXPECT_EQ(form.Label3->Caption(), "[7]ページ");
    EXPECT_TRUE(form.hotKeys->awaitingSecondKey);

    // A page key turns the page and drops the pending key.
    PostHotKey(form, k2::kHotKeyPreviousPage);
    EXPECT_EQ(form.Label3->Caption(), "[6]ページ");
    EXPECT_FALSE(form.hotKeys->awaitingSecondKey);
    EXPECT_EQ(ShownIconNumber(), 12);

    // A volume key without a volume object does nothing but drop the pending key.
    ASSERT_EQ(form.volume, nullptr);
    PostHotKey(form, 4);
    PostHotKey(form, k2::kHotKeyVolumeUp);
    PostHotKey(form, k2::kHotKeyVolumeDown);
    EXPECT_EQ(form.volume, nullptr);
    EXPECT_FALSE(form.hotKeys->awaitingSecondKey);
    EXPECT_EQ(ShownIconNumber(), 12);

    // The mode key: off shows the page number and dims "2Key".
    PostHotKey(form, 5);
    PostHotKey(form, k2::kHotKeyTwoKeyMode);
    EXPECT_FALSE(form.twoKeyMode);
    EXPECT_FALSE(form.hotKeys->awaitingSecondKey);
    EXPECT_EQ(form.Label5->FontColor(), tk::kGreen);
    EXPECT_EQ(ShownIconNumber(), 5);
    PostHotKey(form, k2::kHotKeyTwoKeyMode);
    EXPECT_TRUE(form.twoKeyMode);
    EXPECT_EQ(form.Label5->FontColor(), tk::kLime);
    EXPECT_EQ(ShownIconNumber(), 12);
    EXPECT_EQ(k2test::ReadFileBytes(record_), "") << "nothing was launched";
}

TEST_F(HotKeysTest, PageKeysWrapAndRefreshOnlyAShownWindow) {
    Start();
    k2::TForm1& form = Form();
    PutRecorder(9 * 9, "p10");
    PutRecorder(0, "p1");
    PutRecorder(1 * 9, "p2");
    const auto cached = [&](int g) { return tk::FileExists(form.IconCacheFile(g)); };

    PostHotKey(form, k2::kHotKeyPreviousPage);
    EXPECT_EQ(form.currentPage, 9);
    EXPECT_EQ(form.Label3->Caption(), "[10]ページ");
    EXPECT_EQ(ShownIconNumber(), 10);
    EXPECT_FALSE(cached(81)) << "a hidden window's buttons wait for the next showing";

    PostHotKey(form, k2::kHotKeyNextPage);
    EXPECT_EQ(form.currentPage, 0);
    EXPECT_EQ(form.Label3->Caption(), "[1]ページ");
    EXPECT_EQ(ShownIconNumber(), 1);
    EXPECT_FALSE(cached(0));

    form.ShowMainWindow();
    Settle();
    EXPECT_TRUE(cached(0)) << "showing fills the buttons of the current page";
    PostHotKey(form, k2::kHotKeyNextPage);
    Settle();
    EXPECT_EQ(form.Label3->Caption(), "[2]ページ");
    EXPECT_TRUE(cached(9)) << "a shown window's buttons follow the page at once";
    EXPECT_FALSE(cached(81));
}

TEST_F(HotKeysTest, CursorKeyRuleWithdrawsKeysWhileHidden) {
    WriteSettings(Settings("音量増減=1\r\nカーソルキーを使用するか=0\r\n"));
    Start();
    k2::TForm1& form = Form();
    EXPECT_EQ(form.Label4->FontColor(), tk::kLime);
    EXPECT_EQ(HeldKeys(), "Num0 Num1 Num2 Num3 Num4 Num5 Num6 Num7 Num8 Num9 Decimal")
        << "a hidden window leaves Ctrl+cursor keys to other programs";
    EXPECT_EQ(form.volume, nullptr);

    form.ShowMainWindow();
    EXPECT_EQ(HeldKeys(), std::string(kKeypadSet) + " Up Down");
    const k2::MasterVolume* volume = form.volume.get();
    ASSERT_NE(volume, nullptr);
    form.ShowMainWindow();
    PostHotKey(form, k2::kHotKeyShow);
    EXPECT_EQ(form.volume.get(), volume) << "showing a shown window keeps its volume object";

    tk::App().Minimize();
    Pump(30);
    EXPECT_FALSE(form.Showing());
    EXPECT_FALSE(form.hotKeys->windowShown);
    EXPECT_EQ(HeldKeys(), "Num0 Num1 Num2 Num3 Num4 Num5 Num6 Num7 Num8 Num9 Decimal");
    EXPECT_EQ(form.volume, nullptr);

    PostHotKey(form, k2::kHotKeyShow);
    EXPECT_TRUE(form.hotKeys->windowShown);
    EXPECT_EQ(HeldKeys(), std::string(kKeypadSet) + " Up Down");
}

TEST_F(HotKeysTest, ShowKeyPlacesTheWindowUnderTheMouseAndOnTheScreen) {
    Start();
    k2::TForm1& form = Form();
    RECT rect;
    GetWindowRect(form.Handle(), &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);

    struct Case {
        const char* where;
        POINT cursor;
        POINT expected;  // top-left corner of the window
    };
    const Case cases[] = {
        {"middle", {screenWidth / 2, screenHeight / 2},
         {screenWidth / 2 - width / 2, screenHeight / 2 - height / 2 + 10}},
        {"top left", {0, 0}, {0, 0}},
        {"top right", {screenWidth - 1, 0}, {screenWidth - width, 0}},
        {"bottom left", {0, screenHeight - 1}, {0, screenHeight - height}},
        {"bottom right", {screenWidth - 1, screenHeight - 1}, {screenWidth - width, screenHeight - height}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        ASSERT_TRUE(SetCursorPos(c.cursor.x, c.cursor.y));
        PostHotKey(form, k2::kHotKeyShow);
        EXPECT_TRUE(form.Showing());
        GetWindowRect(form.Handle(), &rect);
        EXPECT_EQ(rect.left, c.expected.x);
        EXPECT_EQ(rect.top, c.expected.y);
        EXPECT_EQ(rect.right - rect.left, width) << "the window keeps its size";
        tk::App().Minimize();
        Pump(30);
    }
}

TEST_F(HotKeysTest, HeldKeysActOnceButHeldVolumeKeysRepeat) {
    WriteSettings(Settings("音量増減=1\r\nカーソルキーを使用するか=0\r\n"));
    Start();
    k2::TForm1& form = Form();
    form.hotKeys->registerHotKey = RecordingRegister;
    registrations.clear();
    k2::RegisterKeySet(form, *form.hotKeys, 1);
    k2::RegisterKeySet(form, *form.hotKeys, 0);
    form.ShowMainWindow(); // the cursor-key rule registers the page and volume keys
    EXPECT_EQ(HeldKeys(), std::string(kKeypadSet) + " Up Down") << "the flag does not change which keys are held";

    std::set<int> seen;
    for (const auto& [id, modifiers] : registrations) {
        seen.insert(id);
        const bool volume = id == k2::kHotKeyVolumeUp || id == k2::kHotKeyVolumeDown;
        EXPECT_EQ(modifiers, volume ? UINT{MOD_CONTROL} : UINT{MOD_CONTROL | MOD_NOREPEAT}) << "id " << id;
    }
    EXPECT_EQ(seen, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 15}));
}

TEST_F(HotKeysTest, VolumeKeysStepTheMasterVolume) {
    // The step that has no negation: Ctrl+Down must raise the volume, as any
    // negative step does, not overflow.
    WriteSettings(Settings("音量増減=1\r\n音量の上げ幅=-2147483648\r\n"));
    Start();
    k2::TForm1& form = Form();
    // Wine's endpoint refuses every change: the keys are watched on one in memory.
    k2test::FakeEndpoints endpoints;
    form.volume = std::make_unique<k2::MasterVolume>(k2::WinmmMixerApi(), endpoints);
    struct Press {
        int step;
        int key;
        float from, to;
    } const presses[] = {
        {INT32_MIN, k2::kHotKeyVolumeDown, 0.5f, 1.0f}, {INT32_MIN, k2::kHotKeyVolumeUp, 0.5f, 0.0f},
        {4, k2::kHotKeyVolumeUp, 0.5f, 0.54f},          {4, k2::kHotKeyVolumeDown, 0.5f, 0.46f},
    };
    for (const Press& p : presses) {
        form.volumeStep = p.step;
        endpoints.level = p.from;
        PostHotKey(form, p.key);
        EXPECT_FLOAT_EQ(endpoints.level, p.to) << "step " << p.step << " key " << p.key;
    }
}

TEST_F(HotKeysTest, KeysAnotherProgramHoldsAreNamedAndTakenOnceFree) {
    WriteSettings(Settings("音量増減=1\r\n"));
    auto keypad = std::make_unique<KeyHolder>(std::vector<UINT>{VK_NUMPAD7, VK_DECIMAL});
    const KeyHolder up({VK_UP});
    Start();
    k2::TForm1& form = Form();
    const std::string taken = "他のソフトが使っているため、次のホットキーは使えません：";
    EXPECT_EQ(form.SlotExplanation(6).substr(form.SlotExplanation(6).rfind('\n')),
              "\nCtrl+テンキー7 は他のソフトが使っているため使えません。");
    form.slotPaths[6] = k2::EncodeStoredText("C:\\memo.exe");
    EXPECT_EQ(form.SlotExplanation(6), "ボタンを押すと（Ctrl+テンキー7 は他のソフトが使っています）\nC:\\memo.exe\n"
                                       "を起動します。また右クリックするとポップアップメニューが表示されます。");

    // A balloon the shell was not up for at start comes with its notification area.
    form.trayIcon->balloonOwed = true;
    SendMessageA(form.Handle(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_FALSE(form.trayIcon->balloonOwed);

    // Each showing takes what has become free and names only the rest.
    form.ShowMainWindow();
    Pump(50);
    EXPECT_EQ(form.Label2->Caption(), taken + "Ctrl+テンキー7、Ctrl+テンキー.、Ctrl+↑");
    keypad.reset();
    tk::App().Minimize();
    PostHotKey(form, k2::kHotKeyShow);
    EXPECT_EQ(form.Label2->Caption(), taken + "Ctrl+↑");
    EXPECT_EQ(HeldKeys(), std::string(kKeypadSet) + " Up Down");
}
