#include "app/features/Tcreattabsheet.h"

#include "app/Korumi2.h"

namespace k2 {

void BuildRuntimeSettingsTab(TForm1& form, RuntimeSettingsTab& tab) {
    tab.sheet = std::make_unique<tk::TabSheet>(&form);
    tab.sheet->SetCaption("各種設定２");
    tab.sheet->SetParent(form.PageControl1);
    tab.sheet->CreateHandle();
    tab.ignoreNextClick = false;
}

void TeardownRuntimeSettingsTab(TForm1& form, RuntimeSettingsTab& tab) {
    if (tab.sheet) form.PageControl1->RemoveSheet(tab.sheet.get());
    tab.cursorGroup.reset();
    tab.volumeGroup.reset();
    tab.passwordGroup.reset();
    tab.sheet.reset();
}

} // namespace k2
