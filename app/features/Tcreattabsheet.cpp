#include "app/features/Tcreattabsheet.h"

#include "app/Korumi2.h"

namespace k2 {

namespace {

// One off/on group of the tab, in the geometry shared with the first tab. Its
// handler is attached by the caller once the item index is in place, so that
// building the tab runs no handler.
std::unique_ptr<tk::RadioGroup> CreateGroup(TForm1& form, tk::TabSheet& sheet, int top, const char* caption,
                                            const char* hint, bool on) {
    const tk::ControlDef def{.className = "TRadioGroup", .left = 0, .top = top, .width = 185, .height = 33,
                             .caption = caption, .hint = hint, .fontHeight = 11, .items = "しない\nする",
                             .columns = 2, .itemIndex = on ? 1 : 0};
    auto group = std::make_unique<tk::RadioGroup>(&form);
    group->ApplyDef(def);
    group->SetParent(&sheet);
    group->CreateHandle();
    return group;
}

} // namespace

void BuildRuntimeSettingsTab(TForm1& form, RuntimeSettingsTab& tab) {
    tab.sheet = std::make_unique<tk::TabSheet>(&form);
    tab.sheet->SetCaption("各種設定２");
    tab.sheet->SetParent(form.PageControl1);
    tab.sheet->CreateHandle();

    tab.passwordGroup = CreateGroup(form, *tab.sheet, 5, "パスワードを有効に",
                                    "「する」を選択すると各ボタンに固有のパスワードを設定できるようになり、それを入力"
                                    "しないとファイル、フォルダを起動できないようにします。",
                                    form.passwordsDisabled == 0);
    tab.volumeGroup = CreateGroup(
        form, *tab.sheet, 40, "音量増減を出来るように",
        "「する」を選択すると、Ctrlキー + ↑or↓ を押すことで音量の増減が出来るようになります。", form.volumeKeysEnabled);
    tab.cursorGroup =
        CreateGroup(form, *tab.sheet, 75, "カーソルキーを有効に",
                    "「しない」を選択すると、Ctrl+カーソルキーが無効になります。", form.hotKeys->cursorKeysEnabled);

    tab.passwordGroup->OnClick = [&form](tk::Component& sender) { form.PasswordModeClick(sender); };
    tab.volumeGroup->OnClick = [&form](tk::Component& sender) { form.VolumeKeysClick(sender); };
    tab.cursorGroup->OnClick = [&form](tk::Component& sender) { form.CursorKeysClick(sender); };
    tab.ignoreNextClick = false;
}

void TeardownRuntimeSettingsTab(TForm1& form, RuntimeSettingsTab& tab) {
    // Every choice made on the tab is already in the window's fields.
    if (tab.sheet) form.PageControl1->RemoveSheet(tab.sheet.get());
    tab.cursorGroup.reset();
    tab.volumeGroup.reset();
    tab.passwordGroup.reset();
    tab.sheet.reset();
}

} // namespace k2
