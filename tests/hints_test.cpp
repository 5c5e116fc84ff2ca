// The explanation panel: hints followed with real cursor moves, the slot
// explanations, and the messages that stay until the next change.
#include "support/MainWindow.h"
#include "support/Process.h"
#include "support/Windows.h"

#include "app/K2_form2.h"
#include "resources/Form1Layout.h"
#include "resources/Form2Layout.h"
#include "toolkit/Application.h"

#include <oleacc.h>

#include <fstream>
#include <map>
#include <string>
#include <tuple>

using k2test::MainWindowTest;
using k2test::Pump;

namespace {

const std::string kWindowHint = k2::layout::kForm1.hint;
const std::string kPanelHint = k2::layout::kHintAbove;
const std::string kTopStripHint = k2::layout::kHintTopStrip;

const std::string kGuarded = "このボタンにはパスワードが設定されています。\n"
                             "パスワードが設定されているボタンの説明は表示することが出来ません。";
const std::string kEmpty = "現在このボタンには何も登録されていません。\n"
                           "ファイル、フォルダの登録方法は左にあるボタンの説明を参照して下さい。";

std::string Registered(const std::string& path) {
    return "ボタンを押すか、対応したホットキー（マニュアル参照)を押すと\n" + path +
           "\nを起動します。また右クリックするとポップアップメニューが表示されます。";
}

// A screen point at (x, y) of a control's client area.
POINT ScreenPoint(const tk::Control& control, int x, int y) {
    POINT point{x, y};
    ClientToScreen(control.Handle(), &point);
    return point;
}

// What a screen reader reads of one window's client object.
struct Read {
    long role = 0, state = 0;
    std::string name, description, shortcut;
};

class HintsTest : public MainWindowTest {
protected:
    // `root` and its descendants as another process reads them; its questions
    // reach this thread's windows as messages, so they are pumped meanwhile.
    std::map<HWND, Read> ReadFromAnotherProcess(HWND root) {
        const std::string file = Dir() + "read.txt";
        const auto handle = std::to_string(reinterpret_cast<UINT_PTR>(root));
        k2test::Process reader =
            k2test::Process::Start(k2test::TestBinFolder() + "acc_read.exe", "\"" + file + "\" " + handle);
        EXPECT_TRUE(reader);
        for (int i = 0; reader && !reader.WaitForExit(0) && i < 1000; ++i) Pump(10);
        std::map<HWND, Read> reads;
        std::ifstream in(file, std::ios::binary);
        unsigned long long hwnd = 0;
        for (Read read; in >> hwnd >> read.role >> read.state && in.get() == '\0';) {
            for (std::string* text : {&read.name, &read.description, &read.shortcut}) std::getline(in, *text, '\0');
            reads[reinterpret_cast<HWND>(static_cast<UINT_PTR>(hwnd))] = read;
        }
        return reads;
    }

    // The shown window, with the cursor resting off it.
    void StartShown() {
        Start();
        Form().ShowMainWindow();
        Pump(50);
        MoveOff();
    }

    // Moves the cursor and lets the idle work see it.
    void MoveTo(POINT point) {
        SetCursorPos(point.x, point.y);
        Pump(80);
    }
    void MoveTo(const tk::Control& control, int x, int y) { MoveTo(ScreenPoint(control, x, y)); }

    // Onto the desktop, clear of the window.
    void MoveOff() {
        RECT rect;
        GetWindowRect(Form().Handle(), &rect);
        MoveTo(POINT{rect.right + 40, rect.bottom + 40});
    }

    // One mouse move over slot position k, as the button receives it.
    void MouseMoveOver(int k) {
        SendMessageA(Form().SlotButton(k).Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    }

    std::string Label1() { return Form().Label1->Caption(); }
    std::string Label2() { return Form().Label2->Caption(); }
};

TEST_F(HintsTest, HoverSequenceFollowsTheCursor) {
    StartShown();
    k2::TForm1& form = Form();
    Register(4, "C:\\tools\\ツール.exe");
    EXPECT_EQ(Label2(), "") << "off the window";

    // The slot panel's background: its own hint, and the name label cleared.
    form.Label1->SetCaption("old name");
    MoveTo(*form.Panel1, 10, 100);
    EXPECT_EQ(Label2(), kPanelHint);
    EXPECT_EQ(Label1(), "");

    // Onto a slot: entering blanks the panel, the mouse moves explain the slot.
    MoveTo(form.SlotButton(4), 10, 10);
    MoveTo(form.SlotButton(4), 12, 12);
    EXPECT_EQ(Label1(), "ツール.exe");
    EXPECT_EQ(Label2(), Registered("C:\\tools\\ツール.exe"));
    // Resting there changes nothing.
    Pump(50);
    EXPECT_EQ(Label2(), Registered("C:\\tools\\ツール.exe"));

    // Back to the background: the panel's hint again and no name.
    MoveTo(*form.Panel1, 10, 100);
    EXPECT_EQ(Label2(), kPanelHint);
    EXPECT_EQ(Label1(), "");

    MoveTo(*form.Label2, 5, 5);
    EXPECT_EQ(Label2(), kTopStripHint);

    // Another writer's message stays while the hint does not change.
    form.Label2->SetCaption("パスワードが違います。");
    MoveTo(*form.Label2, 7, 7);
    EXPECT_EQ(Label2(), "パスワードが違います。");

    // A highlighted popup item has no hint.
    MoveTo(*form.Label2, 5, 5);
    tk::PopupMenu& menu = *form.PopupMenu1;
    const UINT id = menu.FindItem(std::string("N1"))->id;
    SendMessageA(form.Handle(), WM_MENUSELECT, MAKEWPARAM(id, MF_HILITE), reinterpret_cast<LPARAM>(menu.Handle()));
    EXPECT_EQ(Label2(), "");

    MoveTo(*form.Label2, 5, 5);
    ASSERT_EQ(Label2(), kTopStripHint);
    MoveOff();
    EXPECT_EQ(Label2(), "");
}

TEST_F(HintsTest, ControlsWithoutHintShowTheirNearestAncestorsHint) {
    StartShown();
    k2::TForm1& form = Form();
    form.BitBtn1->SetEnabled(false);
    struct Case {
        const char* where;
        const tk::Control* control;
        int x, y;
        std::string hint;
    };
    const Case cases[] = {
        {"2Key", form.Label5, 5, 5, "点灯中は、ホットキーでの起動に２回の操作が必要になります。詳細はマニュアルを参照して下さい。"},
        {"←→", form.Label4, 5, 5, "点灯中は、フォーム非表示時にCtrl+カーソルキーが無効になります。"},
        {"version label", form.Label6, 200, 5, kWindowHint},
        {"status strip right of the version label", form.Panel4, 420, 8, kWindowHint},
        {"panel of the tabs", form.Panel2, 3, 100, kWindowHint},
        {"tab control", form.TabSheet1, 5, 50, kPanelHint},
        {"page label", form.Label3, 5, 5, "現在のページ数が表示されます。"},
        {"disabled button", form.BitBtn1, 10, 10,
         "このボタンを押すと、一つ前のページに移ります。※Ctrlキー + ←キー でも同様の事が行えます。"},
        {"slot button", &form.SlotButton(0), 5, 5, " "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        MoveOff();
        MoveTo(*c.control, c.x, c.y);
        EXPECT_EQ(Label2(), c.hint);
    }
}

TEST_F(HintsTest, SlotExplanations) {
    Start();
    k2::TForm1& form = Form();
    // Passwords are off: a slot keeps its password, and its secret, all the same.
    ASSERT_EQ(form.passwordsDisabled, 2);
    // 表 ends in the byte 0x5C: it must not cut the name.
    Register(0, "C:\\tools\\ツール.exe");
    Register(1, "C:\\表\\表計算.exe");
    Register(2, "", "secret");
    Register(3, "C:\\private\\diary.txt", "secret");
    Register(4, "memo.txt");
    Register(9 + 5, "D:\\games\\page2.exe");
    struct Case {
        int page, k;
        std::string label1, label2;
    };
    const Case cases[] = {
        {0, 0, "ツール.exe", Registered("C:\\tools\\ツール.exe")},
        {0, 1, "表計算.exe", Registered("C:\\表\\表計算.exe")},
        {0, 2, "", kEmpty},
        {0, 3, "???", kGuarded},
        {0, 4, "memo.txt", Registered("memo.txt")},
        {0, 8, "", kEmpty},
        {1, 5, "page2.exe", Registered("D:\\games\\page2.exe")},
        {1, 3, "", kEmpty},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("page " + std::to_string(c.page) + " position " + std::to_string(c.k));
        form.currentPage = c.page;
        form.Label1->SetCaption("stale");
        MouseMoveOver(c.k);
        EXPECT_EQ(Label1(), c.label1);
        EXPECT_EQ(Label2(), c.label2);
    }
}

// Every control as a screen reader reads it from another process; slot
// names follow the page and never give a guarded slot away.
TEST_F(HintsTest, ScreenReaderReadsNamesRolesStatesFromAnotherProcess) {
    Start();
    Register(6, "C:\\tools\\ツール.exe");
    Register(3, "C:\\private\\diary.txt", "secret");
    Register(9 + 6, "C:\\");
    k2::TForm1& form = Form();
    auto reads = ReadFromAnotherProcess(form.Handle());
    auto of = [&](const tk::Control& control) { return reads[control.Handle()]; };
    struct Expected { HWND hwnd; std::string name; long role; std::string shortcut; };
    auto expect = [&](std::initializer_list<Expected> rows) {
        for (const Expected& row : rows) {
            const Read& read = reads[row.hwnd];
            EXPECT_EQ(std::tie(read.name, read.role, read.shortcut), std::tie(row.name, row.role, row.shortcut));
        }
    };
    expect({{form.SlotButton(6).Handle(), "7: ツール.exe", ROLE_SYSTEM_PUSHBUTTON, "Ctrl+テンキー7"},
            {form.SlotButton(3).Handle(), "4: パスワード付き", ROLE_SYSTEM_PUSHBUTTON, "Ctrl+テンキー4"},
            {form.SlotButton(0).Handle(), "1: 空き", ROLE_SYSTEM_PUSHBUTTON, "Ctrl+テンキー1"},
            {form.BitBtn1->Handle(), "前のページ", ROLE_SYSTEM_PUSHBUTTON, "Ctrl+←"},
            {form.BitBtn3->Handle(), "ﾌｧｲﾙ", ROLE_SYSTEM_PUSHBUTTON, ""},
            {form.Label5->Handle(), "2Key オフ", ROLE_SYSTEM_STATICTEXT, "Ctrl+テンキー."},
            {form.RadioGroup4->Handle(), "ホットキーの選択", ROLE_SYSTEM_GROUPING, ""},
            {form.RadioGroup4->ItemHandle(0), "テンキー", ROLE_SYSTEM_RADIOBUTTON, ""}});
    EXPECT_EQ(of(form.SlotButton(6)).description, Registered("C:\\tools\\ツール.exe"));
    EXPECT_EQ(of(form.SlotButton(3)).description, kGuarded);
    EXPECT_EQ(of(*form.BitBtn3).description, form.BitBtn3->Hint());
    EXPECT_NE(reads[form.RadioGroup4->ItemHandle(0)].state & STATE_SYSTEM_CHECKED, 0);
    EXPECT_EQ(reads[form.RadioGroup4->ItemHandle(1)].state & STATE_SYSTEM_CHECKED, 0);
    for (const auto& [hwnd, read] : reads) {
        EXPECT_TRUE(read.name != "" || !(GetWindowLongW(hwnd, GWL_STYLE) & WS_TABSTOP)) << k2test::ClassOf(hwnd);
        EXPECT_EQ(read.description.find("diary"), std::string::npos);
    }

    form.NextPage();
    form.ToggleTwoKeyMode();
    form.RadioGroup4->SetItemIndex(1);
    reads = ReadFromAnotherProcess(form.Handle());
    expect({{form.SlotButton(6).Handle(), "7: C:\\", ROLE_SYSTEM_PUSHBUTTON, "Ctrl+7"},  // a root has no name part
            {form.SlotButton(3).Handle(), "4: 空き", ROLE_SYSTEM_PUSHBUTTON, "Ctrl+4"},
            {form.Label5->Handle(), "2Key オン", ROLE_SYSTEM_STATICTEXT, "Ctrl+BackSpace"}});

    k2::TForm2 dialog(nullptr, form);
    reads = ReadFromAnotherProcess(dialog.Handle());
    expect({{dialog.MaskEdit1->Handle(), k2::layout::kPromptPassword, ROLE_SYSTEM_TEXT, ""},
            {dialog.Button1->Handle(), "OK", ROLE_SYSTEM_PUSHBUTTON, ""}});
    EXPECT_NE(of(*dialog.MaskEdit1).state & STATE_SYSTEM_PROTECTED, 0);
}

// A high-contrast theme, read again on each message that may bring it,
// draws the forced colours in the theme's; without it they are as laid out.
TEST_F(HintsTest, HighContrastDrawsForcedColoursInSystemColours) {
    StartShown();
    k2::TForm1& form = Form();
    form.ToggleTwoKeyMode();  // "2Key" lit, "←→" dim
    auto pixel = [](const tk::Control& control) {
        UpdateWindow(control.Handle());
        HDC dc = GetDC(control.Handle());
        const COLORREF colour = GetPixel(dc, 1, 1);
        ReleaseDC(control.Handle(), dc);
        return colour;
    };
    static bool on = false;
    tk::App().systemParametersInfo = [](UINT action, UINT, PVOID data, UINT) -> BOOL {
        if (action != SPI_GETHIGHCONTRAST) return FALSE;
        static_cast<HIGHCONTRASTW*>(data)->dwFlags = on ? HCF_HIGHCONTRASTON : 0;
        return TRUE;
    };
    for (UINT message : {WM_SYSCOLORCHANGE, WM_SETTINGCHANGE, WM_THEMECHANGED}) {
        SCOPED_TRACE(message);
        on = true;
        SendMessageW(form.Handle(), message, 0, 0);
        EXPECT_EQ(pixel(*form.Label2), GetSysColor(COLOR_WINDOW));
        EXPECT_EQ(pixel(*form.Label5), GetSysColor(COLOR_HIGHLIGHT));
        on = false;
        SendMessageW(form.Handle(), message, 0, 0);
        EXPECT_EQ(pixel(*form.Label2), tk::kBlack);
        EXPECT_EQ(pixel(*form.Label5), tk::kBlack);
    }
    tk::App().systemParametersInfo = SystemParametersInfoW;
}

} // namespace
