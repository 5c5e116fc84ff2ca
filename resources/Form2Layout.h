// Layout of the password dialog.
#pragma once
#include "toolkit/Layout.h"

namespace k2::layout {

inline constexpr tk::ControlDef kForm2Controls[] = {
    {.name = "Panel3", .className = "TPanel", .parent = "Form2", .left = 0, .top = 0, .width = 425, .height = 57,
     .hint = "各項目の上にカーソルを合わせると、ここにその説明が表示されます。", .bevelInner = tk::Bevel::Lowered,
     .bevelOuter = tk::Bevel::Raised},
    {.name = "Label1", .className = "TLabel", .parent = "Panel3", .left = 8, .top = 8, .width = 409, .height = 41,
     .color = tk::kBlack, .fontColor = tk::kYellow, .fontHeight = 11, .centerVertically = true, .wordWrap = true},
    {.name = "Panel1", .className = "TPanel", .parent = "Form2", .left = 0, .top = 64, .width = 425, .height = 41,
     .bevelInner = tk::Bevel::Lowered, .bevelOuter = tk::Bevel::Raised},
    {.name = "MaskEdit1", .className = "TMaskEdit", .parent = "Panel1", .left = 8, .top = 13, .width = 337,
     .height = 20, .color = tk::kBlack, .fontColor = tk::kYellow, .passwordChar = '*', .onKeyUp = "MaskEdit1KeyUp"},
    {.name = "Button1", .className = "TButton", .parent = "Panel1", .left = 352, .top = 8, .width = 57, .height = 25,
     .caption = "OK", .onClick = "Button1Click"},
};

inline constexpr tk::FormDef kForm2 = {
    .name = "Form2",
    .className = "TForm2",
    .caption = "コルミ２-パスワードの入力-",
    .left = 219,
    .top = 162,
    .clientWidth = 425,
    .clientHeight = 112,
    .topmost = true,
    .fontName = "ＭＳ Ｐゴシック",
    .fontHeight = 12,
    .controls = kForm2Controls,
    .menus = {},
    .tabOrder = {},
};

inline constexpr char kPromptNewPassword[] =
    "設定するパスワードを入力して下さい。パスワードは半角文字のみで、何文字でも入力できます。ここで何も入力しないと"
    "パスワードを解除できます。";
inline constexpr char kPromptPassword[] = "このボタンに設定してあるパスワードを入力して下さい。";

} // namespace k2::layout
