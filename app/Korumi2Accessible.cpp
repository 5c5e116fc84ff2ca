// What a screen reader reads of the main window beyond the layout's texts:
// the slots by their digit, content and hot key, the indicators by their
// state, and the explanation panel spoken as it changes.
#include "app/Korumi2.h"

#include "app/persist/StoredText.h"
#include "toolkit/Accessible.h"

namespace k2 {

std::string TForm1::SlotAccessibleName(int k) const {
    const auto g = static_cast<std::size_t>(currentPage * 9 + k);
    const std::string path = DecodeStoredText(slotPaths[g]);
    const std::string digit = std::to_string(k + 1) + ": ";
    if (path.empty()) return digit + "空き";
    // Never the guarded slot's name or path, as Label1 shows "???".
    if (!passwords[g + 1].empty()) return digit + "パスワード付き";
    const std::string shown = SlotNameText(k);
    return digit + (shown.empty() ? path : shown);  // a drive's root has no name part
}

// A key another program holds is not offered as the way to reach a control.
std::string TForm1::HotKeyShortcut(int id) const {
    if (hotKeys && hotKeys->Missing(id)) return {};
    return HotKeyName(hotKeySet, id);
}

void TForm1::DescribeSlot(const tk::Control& sender, tk::AccessibleTexts& texts) const {
    const int k = SlotPosition(sender);
    if (k < 0) return;
    texts.name = SlotAccessibleName(k);
    texts.description = SlotExplanation(k);
    texts.shortcut = HotKeyShortcut(k + 1);
}

// The indicators are lit or dim: the name says which, not only the colour.
void TForm1::DescribeIndicator(const tk::Control& sender, tk::AccessibleTexts& texts) const {
    const bool lit = &sender == Label5 ? twoKeyMode : !(hotKeys && hotKeys->cursorKeysEnabled);
    texts.name = sender.Caption() + (lit ? " オン" : " オフ");
    if (&sender == Label5) texts.shortcut = HotKeyShortcut(kHotKeyTwoKeyMode);
}

void TForm1::SetUpAccessibility() {
    for (TGetIconButton* button : slotButtons) {
        button->OnDescribe = [this](const tk::Control& sender, tk::AccessibleTexts& texts) {
            DescribeSlot(sender, texts);
        };
    }
    for (tk::Label* indicator : {Label4, Label5}) {
        indicator->OnDescribe = [this](const tk::Control& sender, tk::AccessibleTexts& texts) {
            DescribeIndicator(sender, texts);
        };
    }
    BitBtn1->OnDescribe = [this](const tk::Control&, tk::AccessibleTexts& texts) {
        texts.shortcut = HotKeyShortcut(kHotKeyPreviousPage);
    };
    BitBtn2->OnDescribe = [this](const tk::Control&, tk::AccessibleTexts& texts) {
        texts.shortcut = HotKeyShortcut(kHotKeyNextPage);
    };
    // The explanation panel carries the program's messages ("パスワードが違います。").
    Label2->SetLiveRegion(true);
}

} // namespace k2
