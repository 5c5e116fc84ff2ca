// A single-line edit with an optional password character.
#include "toolkit/Controls.h"

#include "toolkit/Text.h"

namespace tk {

// ---- MaskEdit -----------------------------------------------------------

MaskEdit::MaskEdit(Component* owner) : Control(owner, {}, "TMaskEdit") {}

void MaskEdit::ApplyDef(const ControlDef& def) {
    Control::ApplyDef(def);
    passwordChar_ = def.passwordChar;
}

CreateParams MaskEdit::GetCreateParams() const {
    DWORD style = WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL;
    if (passwordChar_) style |= ES_PASSWORD;
    return {.windowClass = "EDIT", .style = style, .exStyle = WS_EX_CLIENTEDGE, .systemClass = true};
}

void MaskEdit::Created() {
    if (passwordChar_) SendMessageA(Handle(), EM_SETPASSWORDCHAR, static_cast<WPARAM>(passwordChar_), 0);
}

std::string MaskEdit::Text() const { return WindowText(Handle()); }

void MaskEdit::SetText(const std::string& text) { SetWindowTextA(Handle(), text.c_str()); }

void MaskEdit::SetFocus() { ::SetFocus(Handle()); }

bool MaskEdit::Reflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORSTATIC) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, EffectiveFontColor());
        SetBkColor(dc, EffectiveColor());
        result = reinterpret_cast<LRESULT>(BackgroundBrush());
        return true;
    }
    return false;
}

} // namespace tk
