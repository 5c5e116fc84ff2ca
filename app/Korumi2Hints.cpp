// The explanation panel: the application hint in Label2, and the slot
// explanation that the slot buttons write on every mouse move.
#include "app/Korumi2.h"

#include "app/persist/StoredText.h"
#include "toolkit/Application.h"
#include "toolkit/PathPart.h"

namespace k2 {

void TForm1::DisplayHint() { Label2->SetCaption(tk::LongHint(tk::App().Hint())); }

void TForm1::GetIconButton1MouseMove(tk::Control& sender, WPARAM, int, int) {
    const int k = SlotPosition(sender);
    if (k < 0) return;
    const auto g = static_cast<std::size_t>(currentPage * 9 + k);
    const std::string path = DecodeStoredText(slotPaths[g]);
    const std::string& password = passwords[g + 1];
    // A guarded slot keeps its target to itself, whether or not the password
    // mode is on at the moment.
    if (!password.empty() && !path.empty()) {
        Label1->SetCaption("???");
        Label2->SetCaption("このボタンにはパスワードが設定されています。\n"
                           "パスワードが設定されているボタンの説明は表示することが出来ません。");
    } else if (path.empty()) {
        Label1->SetCaption("");
        Label2->SetCaption("現在このボタンには何も登録されていません。\n"
                           "ファイル、フォルダの登録方法は左にあるボタンの説明を参照して下さい。");
    } else {
        Label1->SetCaption(tk::path::FileNamePart(path));
        Label2->SetCaption("ボタンを押すか、対応したホットキー（マニュアル参照)を押すと\n" + path +
                           "\nを起動します。また右クリックするとポップアップメニューが表示されます。");
    }
}

// The cursor is on the slot panel itself, off every slot button.
void TForm1::Panel1MouseMove(tk::Control&, WPARAM, int, int) { Label1->SetCaption(""); }

} // namespace k2
