// Panels and labels: the static, self-drawn controls.
#include "toolkit/Controls.h"

namespace tk {
namespace {

// A bevel one pixel wide at 96 dpi, `width` pixels wide at the window's.
void FrameBevel(HDC dc, RECT& rect, Bevel bevel, int width) {
    if (bevel == Bevel::None) return;
    for (int i = 0; i < width; ++i) {
        DrawEdge(dc, &rect, bevel == Bevel::Lowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        InflateRect(&rect, -1, -1);
    }
}

UINT AlignFlags(TextAlign alignment) {
    switch (alignment) {
    case TextAlign::Center: return DT_CENTER;
    case TextAlign::Right: return DT_RIGHT;
    default: return DT_LEFT;
    }
}

} // namespace

// ---- Panel --------------------------------------------------------------

Panel::Panel(Component* owner, std::string className) : Control(owner, {}, std::move(className)) {}

void Panel::ApplyDef(const ControlDef& def) {
    Control::ApplyDef(def);
    bevelInner_ = def.bevelInner;
    bevelOuter_ = def.bevelOuter;
}

CreateParams Panel::GetCreateParams() const {
    return {.windowClass = "TPanel", .style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN};
}

LRESULT Panel::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        RECT rect;
        GetClientRect(Handle(), &rect);
        FillRect(dc, &rect, BackgroundBrush());
        FrameBevel(dc, rect, bevelOuter_, Scaled(1));
        FrameBevel(dc, rect, bevelInner_, Scaled(1));
        EndPaint(Handle(), &ps);
        return 0;
    }
    return Control::WndProc(message, wParam, lParam);
}

// ---- Label --------------------------------------------------------------

Label::Label(Component* owner) : Control(owner, {}, "TLabel") {}

void Label::ApplyDef(const ControlDef& def) {
    Control::ApplyDef(def);
    alignment_ = def.alignment;
    wordWrap_ = def.wordWrap;
    centerVertically_ = def.centerVertically;
}

CreateParams Label::GetCreateParams() const { return {.windowClass = "TLabel"}; }

LRESULT Label::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        Paint(dc);
        EndPaint(Handle(), &ps);
        return 0;
    }
    case WM_ERASEBKGND: return 1;
    default: return Control::WndProc(message, wParam, lParam);
    }
}

void Label::Paint(HDC dc) {
    RECT rect;
    GetClientRect(Handle(), &rect);
    FillRect(dc, &rect, BackgroundBrush());
    SelectGuard font(dc, ControlFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, EffectiveFontColor());
    // Paths and names are shown as they are: '&' is no accelerator here.
    UINT flags = AlignFlags(alignment_) | DT_NOPREFIX | (wordWrap_ ? DT_WORDBREAK : DT_SINGLELINE);
    const std::string& text = Caption();
    if (centerVertically_) {
        RECT measure = rect;
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &measure, flags | DT_CALCRECT);
        const int offset = ((rect.bottom - rect.top) - (measure.bottom - measure.top)) / 2;
        rect.top += offset;
    }
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, flags);
}

} // namespace tk
