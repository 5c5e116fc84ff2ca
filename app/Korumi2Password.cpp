// Per-slot passwords: the dialog request and the operations that ask.
#include "app/K2_form2.h"
#include "app/Korumi2.h"

#include "toolkit/Application.h"

namespace k2 {

void TForm1::AskPassword() {
    if (!passwordPromptRequested) {
        passwordPromptRequested = true;
        return;
    }
    // A fresh dialog per request: nested requests (a guarded slot launched by
    // hot key while a dialog is open) get dialogs of their own.
    TForm2 dialog(nullptr, *this);
    dialog.ShowModal();
}

} // namespace k2
