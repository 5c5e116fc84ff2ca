// Form layouts as data: one row per control, read when the form is built.
// Tests compare the built windows with the same rows.
#pragma once
#include <windows.h>
#include <span>

namespace tk {

// Colours. kDefault means "the toolkit's own choice" (button face, window text).
constexpr COLORREF kDefault = 0xFF000000u;
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kLime = RGB(0, 255, 0);
constexpr COLORREF kGreen = RGB(0, 128, 0);
constexpr COLORREF kSilver = RGB(192, 192, 192);

enum class Bevel { None, Lowered, Raised };
enum class TextAlign { Left, Center, Right };

struct ControlDef {
    const char* name = "";
    const char* className = "";  // "TPanel", "TLabel", "TBitBtn", "TGetIconButton" ...
    const char* parent = "";     // a control of the form, or the form's own name
    int left = 0, top = 0, width = 0, height = 0;
    const char* caption = "";
    const char* hint = "";
    const char* accessibleName = "";  // what a screen reader reads when not the caption
    // Properties (each control reads those that concern it).
    Bevel bevelInner = Bevel::None;
    Bevel bevelOuter = Bevel::None;
    COLORREF color = kDefault;
    COLORREF fontColor = kDefault;
    int fontHeight = 0;  // character height in pixels; 0 = the form's font
    TextAlign alignment = TextAlign::Left;
    bool centerVertically = false;
    bool wordWrap = false;
    bool visible = true;
    bool dragAutomatic = false;
    const char* items = "";  // radio group items, separated by '\n'
    int columns = 1;
    int itemIndex = -1;
    char passwordChar = 0;
    // Handler names, bound by the form to its methods.
    const char* onClick = "";
    const char* onMouseDown = "";
    const char* onMouseMove = "";
    const char* onDragOver = "";
    const char* onDragDrop = "";
    const char* onChange = "";
    const char* onKeyUp = "";
    const char* onKeyDown = "";
    const char* onEnter = "";  // the focus moved here from another control
};

struct MenuItemDef {
    const char* name = "";
    const char* caption = "";  // "-" is a separator
    const char* hint = "";
    const char* onClick = "";
};

struct MenuDef {
    const char* name = "";
    std::span<const MenuItemDef> items;
};

struct FormDef {
    const char* name = "";       // "Form1"
    const char* className = "";  // window class, "TForm1"
    const char* caption = "";
    const char* hint = "";
    int left = CW_USEDEFAULT, top = CW_USEDEFAULT;  // screen position, or chosen by the system
    int clientWidth = 0, clientHeight = 0;
    bool topmost = false;
    bool minimizeBox = false;
    const char* fontName = "";
    int fontHeight = 12;
    std::span<const ControlDef> controls;
    std::span<const MenuDef> menus;
    // Control names in the order Tab visits them; creation order when empty.
    // A control's own children that are not named follow it.
    std::span<const char* const> tabOrder;
};

} // namespace tk
