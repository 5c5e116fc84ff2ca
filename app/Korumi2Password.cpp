// Per-slot passwords: the dialog request, setting a slot's password, the
// "PASS" tool and switching the password mode.
#include "app/K2_form2.h"
#include "app/Korumi2.h"

#include "app/persist/StoredText.h"
#include "toolkit/Application.h"
#include "toolkit/Text.h"

namespace k2 {
namespace {

constexpr char kWrongPassword[] = "パスワードが違います。";
// The data file holds passwords in code page 932 only.
constexpr char kUnusablePassword[] = "パスワードに扱えない文字が含まれているため、設定することが出来ません。";

bool StorablePassword(const TForm1& form) { return tk::FitsCp932(DecodeStoredText(form.passwordEntry)); }

// Sets or clears the password of global slot g. The slot is fixed before the
// dialog opens: hot keys may change the page while it is up.
void SetPasswordOfSlot(TForm1& form, std::size_t g) {
    form.passwordSetMode = true;
    form.passwordPromptRequested = true;
    if (form.slotPaths[g].empty()) return;
    if (!form.AskPassword()) return;
    if (!StorablePassword(form)) {
        form.Label2->SetCaption(kUnusablePassword);
        return;
    }
    form.passwords[g + 1] = form.passwordEntry;
    form.Label2->SetCaption("パスワードを設定、もしくは解除しました。");
}

} // namespace

bool TForm1::AskPassword() {
    if (Ending()) return false;
    if (!passwordPromptRequested) {
        passwordPromptRequested = true;
        return true;
    }
    // A fresh dialog per request: nested requests (a guarded slot launched by
    // hot key while a dialog is open) get dialogs of their own.
    {
        TForm2 dialog(nullptr, *this);
        dialog.ShowModal();
    }
    // The end of the session (or a close) ends the dialog too: the text typed
    // so far was not submitted, and the records may be gone.
    return !Ending();
}

void TForm1::SetSlotPassword(int k) { SetPasswordOfSlot(*this, static_cast<std::size_t>(currentPage * 9 + k)); }

void TForm1::PassDrop(int k) {
    const auto g = static_cast<std::size_t>(currentPage * 9 + k);
    if (!passwords[g + 1].empty() && !slotPaths[g].empty()) {
        passwordSetMode = false;
        passwordPromptRequested = true;
        if (!AskPassword()) return;
        if (passwordEntry != passwords[g + 1]) {
            Label1->SetCaption(kWrongPassword);
            return;
        }
    }
    SetPasswordOfSlot(*this, g);
}

void TForm1::N8Click(tk::Component&) {
    if (menuTargetButton && passwordsDisabled == 0) PassDrop(SlotPosition(*menuTargetButton));
}

void TForm1::PasswordModeClick(tk::Component& sender) {
    // The group lives on the runtime settings tab, whose record holds the flag.
    if (!settingsTab2) return;
    if (settingsTab2->ignoreNextClick) {
        settingsTab2->ignoreNextClick = false;
        return;
    }
    auto& group = dynamic_cast<tk::RadioGroup&>(sender);
    passwordPromptRequested = true;
    if (group.ItemIndex() == 1) {
        passwordsDisabled = 0;
        passwordSetMode = true;
        if (!AskPassword()) return;
        if (!StorablePassword(*this)) {
            Label1->SetCaption(kUnusablePassword);
            // Back to "off"; the click that this selection raises is ours.
            passwordsDisabled = 2;
            settingsTab2->ignoreNextClick = true;
            group.SetItemIndex(0);
            return;
        }
        passwords[0] = passwordEntry;
        BitBtn6->SetVisible(true);
        return;
    }
    passwordSetMode = false;
    if (!AskPassword()) return;
    if (passwordEntry != passwords[0]) {
        Label1->SetCaption(kWrongPassword);
        // Back to "on"; the click that this selection raises is ours.
        settingsTab2->ignoreNextClick = true;
        group.SetItemIndex(1);
        return;
    }
    passwords[0].clear();
    passwordsDisabled = 2;
    BitBtn6->SetVisible(false);
}

} // namespace k2
