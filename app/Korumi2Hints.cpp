// The explanation panel: the application hint in Label2, and the slot
// explanation that the slot buttons write on every mouse move.
#include "app/Korumi2.h"

#include "app/persist/StoredText.h"
#include "toolkit/Application.h"
#include "toolkit/PathPart.h"

namespace k2 {

void TForm1::DisplayHint() { Label2->SetCaption(tk::LongHint(tk::App().Hint())); }

std::string TForm1::SlotNameText(int k) const {
    const auto g = static_cast<std::size_t>(currentPage * 9 + k);
    const std::string path = DecodeStoredText(slotPaths[g]);
    // A guarded slot keeps its target to itself, whether or not the password
    // mode is on at the moment.
    if (!passwords[g + 1].empty() && !path.empty()) return "???";
    return path.empty() ? std::string() : tk::path::FileNamePart(path);
}

std::string TForm1::SlotExplanation(int k) const {
    const auto g = static_cast<std::size_t>(currentPage * 9 + k);
    const std::string path = DecodeStoredText(slotPaths[g]);
    // The slot's own hot key, when another program holds it (a screen reader
    // may still ask once the shutdown sequence has freed the record); the
    // panel has room for three lines.
    const bool taken = hotKeys && hotKeys->Missing(k + 1);
    const std::string refused = taken ? HotKeyName(hotKeys->keySet, k + 1) : std::string();
    const std::string refusedLine = refused.empty() ? "" : "\n" + refused + " は他のソフトが使っているため使えません。";
    if (!passwords[g + 1].empty() && !path.empty())
        return "このボタンにはパスワードが設定されています。\n"
               "パスワードが設定されているボタンの説明は表示することが出来ません。" +
               refusedLine;
    if (path.empty())
        return "現在このボタンには何も登録されていません。\n"
               "ファイル、フォルダの登録方法は左にあるボタンの説明を参照して下さい。" +
               refusedLine;
    const std::string how = refused.empty() ? "ボタンを押すか、対応したホットキー（マニュアル参照)を押すと\n"
                                            : "ボタンを押すと（" + refused + " は他のソフトが使っています）\n";
    return how + path + "\nを起動します。また右クリックするとポップアップメニューが表示されます。";
}

void TForm1::ExplainSlot(int k) {
    Label1->SetCaption(SlotNameText(k));
    Label2->SetCaption(SlotExplanation(k));
}

void TForm1::GetIconButton1MouseMove(tk::Control& sender, WPARAM, int, int) {
    const int k = SlotPosition(sender);
    if (k >= 0) ExplainSlot(k);
}

// A slot reached by keyboard explains itself as it does under the mouse.
void TForm1::GetIconButton1Enter(tk::Component& sender) {
    const int k = SlotPosition(sender);
    if (k < 0) return;
    focusedSlot = k;
    ExplainSlot(k);
}

// The cursor is on the slot panel itself, off every slot button.
void TForm1::Panel1MouseMove(tk::Control&, WPARAM, int, int) { Label1->SetCaption(""); }

} // namespace k2
