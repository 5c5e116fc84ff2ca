// Layout of the main window: every control with its parent, geometry,
// caption, hint, properties and handler names. Rows are in creation order:
// later rows lie above earlier ones. The order Tab follows is its own list
// (kForm1TabOrder).
#pragma once
#include "toolkit/Layout.h"

namespace k2::layout {

using tk::Bevel;
using tk::ControlDef;
using tk::TextAlign;

inline constexpr char kHintTopStrip[] = "各項目の上にカーソルを合わせると、ここにその説明が表示されます。";
inline constexpr char kHintAbove[] = "各項目の上にカーソルを合わせると、上部にその説明が表示されます。";

// One slot button of the keypad-like grid.
constexpr ControlDef SlotButton(const char* name, int left, int top) {
    return {.name = name, .className = "TGetIconButton", .parent = "Panel1", .left = left, .top = top,
            .width = 40, .height = 40, .hint = " ", .onClick = "GetIconButton1Click",
            .onMouseDown = "GetIconButton1MouseDown", .onMouseMove = "GetIconButton1MouseMove",
            .onDragOver = "GetIconButton1DragOver", .onDragDrop = "GetIconButton1DragDrop",
            .onKeyDown = "GetIconButton1KeyDown", .onEnter = "GetIconButton1Enter"};
}

// A two-choice group of the settings tabs.
constexpr ControlDef SettingsGroup(const char* name, int top, const char* caption, const char* items,
                                   const char* hint, const char* onClick) {
    return {.name = name, .className = "TRadioGroup", .parent = "TabSheet2", .left = 0, .top = top, .width = 185,
            .height = 33, .caption = caption, .hint = hint, .fontHeight = 11, .items = items, .columns = 2,
            .itemIndex = 0, .onClick = onClick};
}

inline constexpr ControlDef kForm1Controls[] = {
    {.name = "Panel3", .className = "TPanel", .parent = "Form1", .left = 0, .top = 0, .width = 425, .height = 57,
     .hint = kHintTopStrip, .bevelInner = Bevel::Lowered, .bevelOuter = Bevel::Raised},
    {.name = "Label2", .className = "TLabel", .parent = "Panel3", .left = 8, .top = 8, .width = 409, .height = 41,
     .hint = kHintTopStrip, .color = tk::kBlack, .fontColor = tk::kYellow, .fontHeight = 11,
     .centerVertically = true, .wordWrap = true},
    {.name = "Panel4", .className = "TPanel", .parent = "Form1", .left = 0, .top = 56, .width = 425, .height = 202,
     .bevelOuter = Bevel::Lowered, .color = tk::kBlack},
    {.name = "Label6", .className = "TLabel", .parent = "Panel4", .left = 8, .top = 3, .width = 409, .height = 12,
     .color = tk::kBlack, .fontColor = tk::kSilver, .alignment = TextAlign::Center},
    {.name = "Label5", .className = "TLabel", .parent = "Panel4", .left = 8, .top = 3, .width = 33, .height = 12,
     .caption = "2Key",
     .hint = "点灯中は、ホットキーでの起動に２回の操作が必要になります。詳細はマニュアルを参照して下さい。",
     .color = tk::kBlack, .fontColor = tk::kGreen, .alignment = TextAlign::Center},
    {.name = "Label4", .className = "TLabel", .parent = "Panel4", .left = 40, .top = 3, .width = 33, .height = 12,
     .caption = "←→", .hint = "点灯中は、フォーム非表示時にCtrl+カーソルキーが無効になります。",
     .color = tk::kBlack, .fontColor = tk::kGreen, .alignment = TextAlign::Center},
    {.name = "Panel2", .className = "TPanel", .parent = "Form1", .left = 0, .top = 72, .width = 210, .height = 185,
     .bevelInner = Bevel::Lowered, .bevelOuter = Bevel::Raised},
    {.name = "PageControl1", .className = "TPageControl", .parent = "Panel2", .left = 8, .top = 8, .width = 193,
     .height = 169, .hint = kHintAbove, .onChange = "PageControl1Change"},
    {.name = "TabSheet1", .className = "TTabSheet", .parent = "PageControl1", .caption = "ページ選択＆登録",
     .hint = kHintAbove},
    {.name = "Label3", .className = "TLabel", .parent = "TabSheet1", .left = 28, .top = 5, .width = 121, .height = 33,
     .hint = "現在のページ数が表示されます。", .color = tk::kBlack, .fontColor = tk::kYellow, .fontHeight = 13,
     .alignment = TextAlign::Center, .centerVertically = true},
    {.name = "BitBtn1", .className = "TBitBtn", .parent = "TabSheet1", .left = 28, .top = 64, .width = 40,
     .height = 40, .caption = "←",
     .hint = "このボタンを押すと、一つ前のページに移ります。※Ctrlキー + ←キー でも同様の事が行えます。",
     .accessibleName = "前のページ",
     .onClick = "BitBtn2Click"},
    {.name = "BitBtn2", .className = "TBitBtn", .parent = "TabSheet1", .left = 109, .top = 64, .width = 40,
     .height = 40, .caption = "→",
     .hint = "このボタンを押すと、一つ先のページに移ります。※Ctrlキー + →キー でも同様の事が行えます。",
     .accessibleName = "次のページ",
     .onClick = "BitBtn2Click"},
    {.name = "BitBtn3", .className = "TBitBtn", .parent = "TabSheet1", .left = 68, .top = 47, .width = 40,
     .height = 40, .caption = "ﾌｧｲﾙ",
     .hint = "このボタンを、ファイルを登録したいボタンへドラッグ＆ドロップすることによって、ファイルを登録する"
             "ことが出来ます。(関連づけされているもののみ)",
     .dragAutomatic = true},
    {.name = "BitBtn4", .className = "TBitBtn", .parent = "TabSheet1", .left = 68, .top = 88, .width = 40,
     .height = 40, .caption = "ﾌｫﾙﾀﾞ",
     .hint = "このボタンを、フォルダを登録したいボタンへドラッグ＆ドロップすることによって、フォルダを登録する"
             "ことが出来ます。(フォルダの新規作成も可能)",
     .dragAutomatic = true},
    {.name = "TabSheet2", .className = "TTabSheet", .parent = "PageControl1", .caption = "各種設定"},
    SettingsGroup("RadioGroup4", 5, "ホットキーの選択", "テンキー\n数字キー",
                  "ファイルやフォルダの実行時に使用するホットキーを設定します。それぞれ、Ctrlキー　＋　[設定した"
                  "キー]となります。詳しいことはマニュアルを参照して下さい。",
                  "RadioGroup4Click"),
    SettingsGroup("RadioGroup1", 40, "コルミ２を自動的に起動", "しない\nする",
                  "「する」を選択すると、Windowsが起動されたときにコルミ２も自動的に起動されるようになります。尚、"
                  "アンインストールの際はこの項目を「しない」にして下さい。",
                  "RadioGroup1Click"),
    SettingsGroup("RadioGroup2", 75, "アイコンの文字列の背景色", "しない\n透明にする",
                  "デスクトップのアイコンの、文字列の背景を透明にします。元に戻ったときは再び設定し直して下さい。",
                  "RadioGroup2Click"),
    SettingsGroup("RadioGroup3", 109, "簡易スクリーンキャプチャ", "しない\nする",
                  "「する」にすると、クリップボードの画像を監視して、指定されたフォルダに連番ファイル名のJpgファイル"
                  "で画像を保存します。(PrintScreenキーとの連携が効果的)",
                  "RadioGroup3Click"),
    {.name = "Panel1", .className = "TPanel", .parent = "Form1", .left = 215, .top = 72, .width = 210, .height = 185,
     .hint = kHintAbove, .bevelInner = Bevel::Lowered, .bevelOuter = Bevel::Raised,
     .onMouseMove = "Panel1MouseMove"},
    {.name = "Label1", .className = "TLabel", .parent = "Panel1", .left = 44, .top = 5, .width = 121, .height = 33,
     .hint = "登録されているファイル、フォルダの、パス名を除いた部分が表示されます。", .color = tk::kBlack,
     .fontColor = tk::kYellow, .fontHeight = 13, .alignment = TextAlign::Center, .centerVertically = true,
     .wordWrap = true},
    SlotButton("GetIconButton1", 44, 128),
    SlotButton("GetIconButton3", 126, 128),
    SlotButton("GetIconButton2", 85, 128),
    SlotButton("GetIconButton4", 44, 87),
    SlotButton("GetIconButton5", 85, 87),
    SlotButton("GetIconButton6", 126, 87),
    SlotButton("GetIconButton7", 44, 46),
    SlotButton("GetIconButton8", 85, 46),
    SlotButton("GetIconButton9", 126, 46),
    {.name = "BitBtn5", .className = "TBitBtn", .parent = "Panel1", .left = 170, .top = 8, .width = 33, .height = 25,
     .caption = "削除",
     .hint = "このボタンを、登録削除したいボタンへドラッグ＆ドロップすることによって、登録されているアプリを削除"
             "することが出来ます。",
     .dragAutomatic = true},
    {.name = "BitBtn6", .className = "TBitBtn", .parent = "Panel1", .left = 170, .top = 33, .width = 33, .height = 25,
     .caption = "PASS",
     .hint = "このボタンを、パスワードを設定したいボタンへドラッグ＆ドロップすることによって、ボタンへパスワードを"
             "かける事が出来ます。",
     .visible = false, .dragAutomatic = true},
};

inline constexpr tk::MenuItemDef kPopupMenu1Items[] = {
    {.name = "N1", .caption = "実行", .onClick = "N1Click"},
    {.name = "N2", .caption = "フォルダを開く", .onClick = "N2Click"},
    {.name = "N3", .caption = "-"},
    {.name = "N5", .caption = "ファイルを登録", .onClick = "N5Click"},
    {.name = "N6", .caption = "フォルダを登録", .onClick = "N6Click"},
    {.name = "N4", .caption = "-"},
    {.name = "Delete1", .caption = "削除", .onClick = "Delete1Click"},
    // Shown while passwords are on: what the "PASS" tool does, by keyboard.
    {.name = "N7", .caption = "-"},
    {.name = "N8", .caption = "パスワードの設定", .onClick = "N8Click"},
};

// Tab order: the slots as the keypad reads, the page arrows, the tools, the
// tabs, then each settings group (a tab built at run time follows the tabs).
inline constexpr const char* kForm1TabOrder[] = {
    "GetIconButton7", "GetIconButton8", "GetIconButton9", "GetIconButton4", "GetIconButton5", "GetIconButton6",
    "GetIconButton1", "GetIconButton2", "GetIconButton3", "BitBtn1",        "BitBtn2",        "BitBtn3",
    "BitBtn4",        "BitBtn5",        "BitBtn6",        "PageControl1",   "RadioGroup4",    "RadioGroup1",
    "RadioGroup2",    "RadioGroup3",
};

inline constexpr tk::MenuDef kForm1Menus[] = {{.name = "PopupMenu1", .items = kPopupMenu1Items}};

inline constexpr tk::FormDef kForm1 = {
    .name = "Form1",
    .className = "TForm1",
    .caption = "コルミ２",
    .hint = "エクスプローラ等からフォーム上へアイコンをドラッグ＆ドロップする事でも、登録をすることが出来ます。任意の"
            "ボタンに登録する時は、左のボタンを使用して下さい。",
    .clientWidth = 427,
    .clientHeight = 258,
    .topmost = true,
    .minimizeBox = true,
    .fontName = "ＭＳ Ｐゴシック",
    .fontHeight = 12,
    .controls = kForm1Controls,
    .menus = kForm1Menus,
    .tabOrder = kForm1TabOrder,
};

} // namespace k2::layout
