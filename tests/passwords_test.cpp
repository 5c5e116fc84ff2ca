// Per-slot passwords and the password dialog, answered by a background
// thread the way a user answers it: typing into the edit field and leaving
// with OK, Enter or the title bar's close button.
#include "support/MainWindow.h"
#include "support/PasswordDialog.h"
#include "support/Windows.h"

#include "app/persist/StoredText.h"
#include "resources/Form2Layout.h"
#include "toolkit/Application.h"
#include "toolkit/Dpi.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

using k2test::CloseBy;
using k2test::MainWindowTest;
using k2test::Pump;
using k2test::StoredText;

namespace {

const std::string kPromptNew = k2::layout::kPromptNewPassword;
const std::string kPromptExisting = k2::layout::kPromptPassword;
const std::string kWrong = "パスワードが違います。";
const std::string kSet = "パスワードを設定、もしくは解除しました。";
const std::string kUnusable = "パスワードに扱えない文字が含まれているため、設定することが出来ません。";

// Runs an action on the GUI thread after `ms`, from whatever message loop is
// running then (a modal dialog's included), as a posted hot key would.
std::function<void()> gLaterAction;

void CALLBACK RunLaterAction(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    auto action = std::move(gLaterAction);
    gLaterAction = nullptr;
    if (action) action();
}

void RunLater(UINT ms, std::function<void()> action) {
    gLaterAction = std::move(action);
    SetTimer(nullptr, 0, ms, RunLaterAction);
}

class PasswordsTest : public MainWindowTest {
protected:
    void StartShown(bool passwordsOn) {
        Start();
        k2::TForm1& form = Form();
        if (passwordsOn) {
            form.passwordsDisabled = 0;
            form.BitBtn6->SetVisible(true);
        }
        form.ShowMainWindow();
        Pump(50);
    }

    // A registered target that does not exist: a launch that gets past the
    // password empties the slot (and keeps its password).
    void RegisterMissing(int g, const std::string& password) { Register(g, Dir() + "gone.exe", password); }
    bool Launched(int g) { return Form().slotPaths[static_cast<std::size_t>(g)].empty(); }

    std::string SlotPassword(int g) { return Form().passwords[static_cast<std::size_t>(g) + 1]; }

    void DropPass(int k) { k2test::DragTo(*Form().BitBtn6, Form().SlotButton(k)); }

    // The password group of the second settings tab, built when the user
    // leaves the first tab; choices are made as the user makes them.
    tk::RadioGroup& PasswordGroup() {
        k2test::ClickTab(*Form().PageControl1, 1);
        Pump(20);
        if (!Form().settingsTab2 || !Form().settingsTab2->passwordGroup)
            throw std::runtime_error("the second settings tab has no password group");
        return *Form().settingsTab2->passwordGroup;
    }
    void Choose(tk::RadioGroup& group, int item) {
        SendMessageA(group.Handle(), WM_COMMAND, MAKEWPARAM(100 + item, BN_CLICKED),
                     reinterpret_cast<LPARAM>(group.ItemHandle(item)));
    }

    k2test::PasswordAnswerer answerer_;
};

using Prompts = std::vector<std::string>;

TEST_F(PasswordsTest, DialogAsksAsTheModeSaysAndSubmitsHoweverItCloses) {
    Start();
    k2::TForm1& form = Form();

    form.passwordPromptRequested = false;
    EXPECT_TRUE(form.AskPassword());
    EXPECT_TRUE(form.passwordPromptRequested) << "without a request only the flag is set";

    LRESULT passwordChar = 0;
    bool editFocused = false;
    RECT client{}, editRect{};  // the dialog's, at this display's scale
    const DWORD guiThread = GetCurrentThreadId();
    answerer_.Queue("abc", CloseBy::OkButton, 0, [&](HWND dialog) {
        HWND edit = k2test::FindDescendant(dialog, "Edit");
        DWORD_PTR result = 0;
        SendMessageTimeoutA(edit, EM_GETPASSWORDCHAR, 0, 0, SMTO_BLOCK, 5000, &result);
        passwordChar = static_cast<LRESULT>(result);
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        editFocused = GetGUIThreadInfo(guiThread, &info) && info.hwndFocus == edit;
        GetClientRect(dialog, &client);
        GetWindowRect(edit, &editRect);
    });
    bool strayReleaseClosed = false;
    answerer_.Queue("表x", CloseBy::Enter, 0, [&](HWND dialog) {
        // The release of an Enter that chose a popup-menu item lands here:
        // its key-down went to the menu, so it is not this dialog's Enter.
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(k2test::FindDescendant(dialog, "Edit"), WM_KEYUP, VK_RETURN,
                            static_cast<LPARAM>(0xC01C0001u), SMTO_BLOCK, 5000, &ignored);
        Sleep(100);
        strayReleaseClosed = !IsWindowVisible(dialog);
    });
    answerer_.Queue("typed", CloseBy::Escape);
    answerer_.Queue("", CloseBy::CloseBox);

    struct Case {
        bool setMode;
        std::string entry;
    };
    const Case cases[] = {{true, "abc"}, {false, "表x"}, {false, "typed"}, {true, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        form.passwordSetMode = c.setMode;
        form.passwordPromptRequested = true;
        EXPECT_TRUE(form.AskPassword());
        EXPECT_EQ(form.passwordEntry, k2::EncodeStoredText(c.entry));
        EXPECT_FALSE(form.passwordPromptRequested);
    }
    EXPECT_EQ(answerer_.Prompts(), (Prompts{kPromptNew, kPromptExisting, kPromptExisting, kPromptNew}));
    EXPECT_EQ(answerer_.Unexpected(), 0);

    EXPECT_FALSE(strayReleaseClosed) << "a key-up without its key-down closed the dialog";
    EXPECT_EQ(passwordChar, '*');
    EXPECT_TRUE(editFocused) << "the edit field has the focus when the dialog opens";
    const int dpi = tk::SystemDpi();
    EXPECT_EQ(client.right, tk::Scale(425, dpi));
    EXPECT_EQ(client.bottom, tk::Scale(112, dpi));
    EXPECT_EQ(editRect.right - editRect.left, tk::Scale(337, dpi));
    EXPECT_EQ(editRect.bottom - editRect.top, tk::Scale(20, dpi));
}

TEST_F(PasswordsTest, DialogPanelsExplainThemselvesInTheMainWindow) {
    StartShown(false);
    HWND label2 = Form().Label2->Handle();
    std::string overPanel, overPrompt, overEdit, overButton;
    auto hover = [&](HWND dialog, int x, int y) {  // x, y in the layout's pixels
        POINT point{tk::Scale(x, tk::SystemDpi()), tk::Scale(y, tk::SystemDpi())};
        ClientToScreen(dialog, &point);
        SetCursorPos(point.x, point.y);
        PostMessageA(dialog, WM_NULL, 0, 0);  // wakes the dialog's loop for its idle work
        Sleep(200);
        return StoredText(label2);
    };
    answerer_.Queue("", CloseBy::OkButton, 0, [&](HWND dialog) {
        overPanel = hover(dialog, 3, 3);
        overPrompt = hover(dialog, 100, 20);
        overEdit = hover(dialog, 20, 82);
        overButton = hover(dialog, 370, 85);
    });
    Form().passwordPromptRequested = true;
    EXPECT_TRUE(Form().AskPassword());
    EXPECT_EQ(overPanel, "各項目の上にカーソルを合わせると、ここにその説明が表示されます。");
    EXPECT_EQ(overPrompt, overPanel);
    EXPECT_EQ(overEdit, "");
    EXPECT_EQ(overButton, "");
}

TEST_F(PasswordsTest, PassToolSetsChecksAndClearsSlotPasswords) {
    StartShown(true);
    k2::TForm1& form = Form();
    Register(3, "C:\\tools\\a.exe");

    // An empty slot: nothing asked, nothing shown.
    form.Label1->SetCaption("");
    form.Label2->SetCaption("");
    DropPass(0);
    EXPECT_TRUE(answerer_.Prompts().empty());
    EXPECT_EQ(SlotPassword(0), "");
    EXPECT_EQ(form.Label1->Caption(), "");
    EXPECT_EQ(form.Label2->Caption(), "");

    // A registered slot without a password: only the new one is asked.
    answerer_.Queue("secret", CloseBy::OkButton);
    DropPass(3);
    EXPECT_EQ(answerer_.Prompts(), (Prompts{kPromptNew}));
    EXPECT_EQ(SlotPassword(3), k2::EncodeStoredText("secret"));
    EXPECT_EQ(form.Label2->Caption(), kSet);

    // A wrong current password: reported, no second dialog, nothing changes.
    form.Label2->SetCaption("");
    answerer_.Queue("guess", CloseBy::Enter);
    DropPass(3);
    EXPECT_EQ(answerer_.Prompts(), (Prompts{kPromptNew, kPromptExisting}));
    EXPECT_EQ(form.Label1->Caption(), kWrong);
    EXPECT_EQ(form.Label2->Caption(), "");
    EXPECT_EQ(SlotPassword(3), k2::EncodeStoredText("secret"));

    // The close box with nothing typed is a wrong current password too.
    answerer_.Queue("", CloseBy::CloseBox);
    DropPass(3);
    EXPECT_EQ(answerer_.Prompts().size(), 3u);
    EXPECT_EQ(SlotPassword(3), k2::EncodeStoredText("secret"));

    // The right one, then a one-character password: stored as typed.
    answerer_.Queue("secret", CloseBy::OkButton);
    answerer_.Queue("x", CloseBy::OkButton);
    DropPass(3);
    EXPECT_EQ(answerer_.Prompts().size(), 5u);
    EXPECT_EQ(SlotPassword(3), "x");

    // The right one, then the close box on an empty field: cleared.
    form.Label2->SetCaption("");
    answerer_.Queue("x", CloseBy::Enter);
    answerer_.Queue("", CloseBy::CloseBox);
    DropPass(3);
    const Prompts prompts = answerer_.Prompts();
    ASSERT_EQ(prompts.size(), 7u);
    EXPECT_EQ(prompts[5], kPromptExisting);
    EXPECT_EQ(prompts[6], kPromptNew);
    EXPECT_EQ(SlotPassword(3), "");
    EXPECT_EQ(form.Label2->Caption(), kSet);

    // One the data file cannot hold (code page 932): refused, nothing stored.
    answerer_.Queue("pass😀", CloseBy::OkButton);
    DropPass(3);
    EXPECT_EQ(SlotPassword(3), "");
    EXPECT_EQ(form.Label2->Caption(), kUnusable);
    EXPECT_EQ(answerer_.Unexpected(), 0);
}

TEST_F(PasswordsTest, SlotKeysOpenTheMenuAtTheSlotAndLaunchThroughThePassword) {
    StartShown(true);
    k2::TForm1& form = Form();
    Register(3, "C:\\tools\\a.exe");
    form.FocusWindow(form.SlotButton(3).Handle());

    // Shift+F10 and the context-menu key open the slot's menu at the slot;
    // its password item is there while passwords are on.
    auto open = [&](WORD key, std::initializer_list<WORD> held) {
        std::pair<int, RECT> shown{-1, {}};  // items, place
        RunLater(150, [&] {
            HWND menu = FindWindowA("#32768", nullptr);
            shown.first = GetMenuItemCount(reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0)));
            GetWindowRect(menu, &shown.second);
            EndMenu();
        });
        k2test::Press(key, held);
        return shown;
    };
    RECT slot;
    GetWindowRect(form.SlotButton(3).Handle(), &slot);
    const auto [items, place] = open(VK_F10, {VK_SHIFT});
    EXPECT_EQ(items, 9);
    EXPECT_TRUE(place.left == slot.left && place.top == slot.bottom) << "opened off its slot";
    form.passwordsDisabled = 2;
    EXPECT_EQ(open(VK_APPS, {}).first, 7);
    form.passwordsDisabled = 0;

    // The password item does what the PASS tool does on that slot.
    answerer_.Queue("new", CloseBy::OkButton);
    SendMessageA(form.Handle(), WM_COMMAND, form.PopupMenu1->FindItem(std::string("N8"))->id, 0);
    EXPECT_EQ(SlotPassword(3), k2::EncodeStoredText("new"));

    // Enter and Space launch the focused slot, past its password.
    for (const int k : {0, 1}) {
        RegisterMissing(k, "pw");
        form.ShowMainWindow();
        form.FocusWindow(form.SlotButton(k).Handle());
        answerer_.Queue("pw", CloseBy::Enter);
        k2test::Press(k == 0 ? VK_RETURN : VK_SPACE);
        EXPECT_TRUE(Launched(k)) << k;
    }
    EXPECT_EQ(answerer_.Prompts(), (Prompts{kPromptNew, kPromptExisting, kPromptExisting}));
}

TEST_F(PasswordsTest, LaunchAsksOnlyForGuardedSlotsWhileTheModeIsOn) {
    StartShown(true);
    k2::TForm1& form = Form();
    RegisterMissing(0, "pw");
    RegisterMissing(1, "");

    answerer_.Queue("nope", CloseBy::OkButton);
    k2test::Click(form.SlotButton(0));
    EXPECT_EQ(answerer_.Prompts(), (Prompts{kPromptExisting}));
    EXPECT_EQ(form.Label2->Caption(), kWrong);
    EXPECT_FALSE(Launched(0));
    EXPECT_TRUE(form.Showing()) << "a refused launch keeps the window";

    answerer_.Queue("", CloseBy::CloseBox);
    k2test::Click(form.SlotButton(0));
    EXPECT_FALSE(Launched(0)) << "an empty entry is never a slot's password";

    answerer_.Queue("pw", CloseBy::Enter);
    k2test::Click(form.SlotButton(0));
    EXPECT_TRUE(Launched(0));
    EXPECT_EQ(SlotPassword(0), k2::EncodeStoredText("pw")) << "the emptied slot keeps its password";

    // No password: no question.
    form.ShowMainWindow();
    k2test::Click(form.SlotButton(1));
    EXPECT_TRUE(Launched(1));
    EXPECT_EQ(answerer_.Prompts().size(), 3u);
    EXPECT_EQ(answerer_.Unexpected(), 0);
}

TEST_F(PasswordsTest, SwitchingTheModeOnAndOff) {
    StartShown(false);
    k2::TForm1& form = Form();
    RegisterMissing(0, "pw");
    tk::RadioGroup& group = PasswordGroup();
    ASSERT_EQ(group.ItemIndex(), 0);

    // On: a new master password, and the PASS tool appears.
    answerer_.Queue("master", CloseBy::OkButton);
    Choose(group, 1);
    EXPECT_EQ(answerer_.Prompts(), (Prompts{kPromptNew}));
    EXPECT_EQ(form.passwordsDisabled, 0);
    EXPECT_EQ(form.passwords[0], k2::EncodeStoredText("master"));
    EXPECT_TRUE(form.BitBtn6->Visible());

    // Off with a wrong master password: reported, still on, asked only once.
    answerer_.Queue("wrong", CloseBy::Enter);
    Choose(group, 0);
    EXPECT_EQ(answerer_.Prompts(), (Prompts{kPromptNew, kPromptExisting}));
    EXPECT_EQ(form.Label1->Caption(), kWrong);
    EXPECT_EQ(group.ItemIndex(), 1);
    EXPECT_EQ(form.passwordsDisabled, 0);
    EXPECT_TRUE(form.BitBtn6->Visible());
    EXPECT_FALSE(form.settingsTab2->ignoreNextClick);
    EXPECT_EQ(form.passwords[0], k2::EncodeStoredText("master"));

    // Off with the right one: the master password goes, slot passwords stay.
    answerer_.Queue("master", CloseBy::OkButton);
    Choose(group, 0);
    EXPECT_EQ(answerer_.Prompts().size(), 3u);
    EXPECT_EQ(form.passwordsDisabled, 2);
    EXPECT_EQ(form.passwords[0], "");
    EXPECT_FALSE(form.BitBtn6->Visible());
    EXPECT_EQ(SlotPassword(0), k2::EncodeStoredText("pw"));
    // The kept password neither asks nor lets the slot be explained.
    SendMessageA(form.SlotButton(0).Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(form.Label1->Caption(), "???");
    k2test::Click(form.SlotButton(0));
    EXPECT_TRUE(Launched(0));
    EXPECT_EQ(answerer_.Prompts().size(), 3u);
    form.ShowMainWindow();

    // On with an empty master password (close box), then off with an empty entry.
    answerer_.Queue("", CloseBy::CloseBox);
    Choose(group, 1);
    EXPECT_EQ(form.passwords[0], "");
    EXPECT_EQ(form.passwordsDisabled, 0);
    answerer_.Queue("", CloseBy::CloseBox);
    Choose(group, 0);
    EXPECT_EQ(form.passwordsDisabled, 2);
    EXPECT_EQ(group.ItemIndex(), 0);
    EXPECT_EQ(answerer_.Prompts().size(), 5u);

    // A master password the data file cannot hold: refused, the mode stays off.
    answerer_.Queue("café", CloseBy::OkButton);
    Choose(group, 1);
    EXPECT_EQ(form.Label1->Caption(), kUnusable);
    EXPECT_EQ(group.ItemIndex(), 0);
    EXPECT_FALSE(form.settingsTab2->ignoreNextClick);
    EXPECT_EQ(form.passwordsDisabled, 2);
    EXPECT_EQ(form.passwords[0], "");
    EXPECT_EQ(answerer_.Unexpected(), 0);
}

TEST_F(PasswordsTest, GuardedSlotLaunchedDuringADialogGetsADialogOfItsOwn) {
    StartShown(true);
    k2::TForm1& form = Form();
    Register(0, "C:\\tools\\a.exe");
    RegisterMissing(1, "pw");

    // While the new-password dialog of slot 0 is up, a hot key launches slot 1.
    RunLater(100, [&form] { form.LaunchSlot(1, form.SlotButton(1)); });
    answerer_.Queue("pw", CloseBy::OkButton, 600);  // answers the dialog on top
    answerer_.Queue("new", CloseBy::Enter);
    DropPass(0);
    EXPECT_EQ(answerer_.Prompts(), (Prompts{kPromptExisting, kPromptNew}));
    EXPECT_TRUE(Launched(1)) << "the nested dialog got the slot's own password";
    EXPECT_EQ(SlotPassword(0), k2::EncodeStoredText("new")) << "the first dialog kept its own entry";
    EXPECT_EQ(SlotPassword(1), k2::EncodeStoredText("pw"));
    EXPECT_EQ(answerer_.Unexpected(), 0);
}

TEST_F(PasswordsTest, PasswordGoesToTheDroppedSlotEvenWhenThePageTurnsMeanwhile) {
    StartShown(true);
    k2::TForm1& form = Form();
    Register(4, "C:\\tools\\a.exe", "old");
    Register(9 + 4, "C:\\tools\\b.exe");

    // The page turns while the current password is asked for.
    RunLater(100, [&form] { form.NextPage(); });
    answerer_.Queue("old", CloseBy::OkButton, 400);
    answerer_.Queue("new", CloseBy::OkButton);
    DropPass(4);
    EXPECT_EQ(form.currentPage, 1);
    EXPECT_EQ(answerer_.Prompts(), (Prompts{kPromptExisting, kPromptNew}));
    EXPECT_EQ(SlotPassword(4), k2::EncodeStoredText("new"));
    EXPECT_EQ(SlotPassword(9 + 4), "");
}

} // namespace
