#include "app/K2_form2.h"

#include "app/Korumi2.h"
#include "app/persist/StoredText.h"
#include "resources/Form2Layout.h"
#include "toolkit/Accessible.h"

namespace k2 {

TForm2::TForm2(tk::Component* owner, TForm1& mainForm) : tk::Form(owner), mainForm_(mainForm) {
    Build(layout::kForm2);
    Label1 = &Get<tk::Label>("Label1");
    MaskEdit1 = &Get<tk::MaskEdit>("MaskEdit1");
    Button1 = &Get<tk::Button>("Button1");
    MaskEdit1->SetText("");
    // No length limit: a password may be as long as the user likes.
    SendMessageW(MaskEdit1->Handle(), EM_SETLIMITTEXT, 0, 0);
    Label1->SetCaption(mainForm_.passwordSetMode ? layout::kPromptNewPassword : layout::kPromptPassword);
    // The edit is known by the prompt above it.
    MaskEdit1->OnDescribe = [this](const tk::Control&, tk::AccessibleTexts& texts) { texts.name = Label1->Caption(); };
    SetActiveControl(MaskEdit1);
    OnClose = [this](tk::Component& sender) { FormClose(sender); };
}

TForm2::~TForm2() { RunDestroyHandler(); }

void TForm2::BindHandlers(tk::HandlerTable& table) {
    table.notify["Button1Click"] = [this](tk::Component& sender) { Button1Click(sender); };
    table.keyUp["MaskEdit1KeyUp"] = [this](tk::Control& sender, WORD& key, WPARAM keys) {
        MaskEdit1KeyUp(sender, key, keys);
    };
}

void TForm2::Button1Click(tk::Component&) { Close(); }

void TForm2::MaskEdit1KeyUp(tk::Control&, WORD& key, WPARAM) {
    if (key == VK_RETURN) Close();
}

// However the dialog closes, what was typed is the entry: there is no cancel.
void TForm2::FormClose(tk::Component&) {
    mainForm_.passwordEntry = EncodeStoredText(MaskEdit1->Text());
    mainForm_.passwordPromptRequested = false;
}

} // namespace k2
