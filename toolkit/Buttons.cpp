// Push buttons and bitmap buttons (owner-drawn).
#include "toolkit/Controls.h"

namespace tk {

// ---- Button -------------------------------------------------------------

Button::Button(Component* owner) : Control(owner, {}, "TButton") {}

CreateParams Button::GetCreateParams() const {
    return {.windowClass = "BUTTON", .style = WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, .systemClass = true};
}

bool Button::Reflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (OnClick) OnClick(*this);
        result = 0;
        return true;
    }
    return false;
}

// ---- BitBtn -------------------------------------------------------------

BitBtn::BitBtn(Component* owner, std::string className) : Control(owner, {}, std::move(className)) {}

CreateParams BitBtn::GetCreateParams() const {
    return {.windowClass = "BUTTON", .style = WS_CHILD | WS_TABSTOP | BS_OWNERDRAW, .systemClass = true};
}

void BitBtn::SetGlyph(const Bitmap& glyph) {
    glyph_ = glyph;
    Invalidate();
}

void BitBtn::LoadGlyph(const std::string& path) {
    Bitmap loaded;
    loaded.LoadFromFile(path);
    glyph_ = std::move(loaded);
    Invalidate();
}

void BitBtn::SaveGlyph(const std::string& path) const { glyph_.SaveToFile(path); }

bool BitBtn::Reflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_COMMAND && (HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == BN_DOUBLECLICKED)) {
        if (OnClick) OnClick(*this);
        result = 0;
        return true;
    }
    if (message == WM_DRAWITEM) {
        Draw(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    }
    return false;
}

void BitBtn::Draw(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT rect = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    DrawFrameControl(dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    const int shift = pressed ? Scaled(1) : 0;
    const std::string& text = Caption();
    if (!glyph_.Empty()) {
        int x = (rect.right - rect.left - glyph_.Width()) / 2 + shift;
        int y = (rect.bottom - rect.top - glyph_.Height()) / 2 + shift;
        glyph_.DrawTransparent(dc, x, y, glyph_.TransparentColor());
    }
    if (!text.empty()) {
        SelectGuard font(dc, ControlFont());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor((item.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
        RECT textRect = rect;
        OffsetRect(&textRect, shift, shift);
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    if (item.itemState & ODS_FOCUS) {
        RECT focus = rect;
        InflateRect(&focus, -Scaled(4), -Scaled(4));
        DrawFocusRect(dc, &focus);
    }
}

} // namespace tk
