#include "toolkit/Controls.h"

#include "toolkit/Text.h"

#include <commctrl.h>

namespace tk {
namespace {

void FrameBevel(HDC dc, RECT& rect, Bevel bevel) {
    if (bevel == Bevel::None) return;
    DrawEdge(dc, &rect, bevel == Bevel::Lowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    InflateRect(&rect, -1, -1);
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
        FrameBevel(dc, rect, bevelOuter_);
        FrameBevel(dc, rect, bevelInner_);
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
    const std::wstring text = Wide(Caption());
    if (centerVertically_) {
        RECT measure = rect;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measure, flags | DT_CALCRECT);
        const int offset = ((rect.bottom - rect.top) - (measure.bottom - measure.top)) / 2;
        rect.top += offset;
    }
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, flags);
}

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
    const int shift = pressed ? 1 : 0;
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
        const std::wstring wide = Wide(text);
        DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    if (item.itemState & ODS_FOCUS) {
        RECT focus = rect;
        InflateRect(&focus, -4, -4);
        DrawFocusRect(dc, &focus);
    }
}

// ---- PageControl and TabSheet -----------------------------------------

PageControl::PageControl(Component* owner) : Control(owner, {}, "TPageControl") {}

PageControl::~PageControl() {
    for (TabSheet* sheet : sheets_) sheet->pageControl_ = nullptr;
}

CreateParams PageControl::GetCreateParams() const {
    return {.windowClass = "SysTabControl32",
            .style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP,
            .systemClass = true};
}

void PageControl::AddSheet(TabSheet* sheet) {
    sheet->pageControl_ = this;
    sheets_.push_back(sheet);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    std::wstring caption = Wide(sheet->Caption());
    item.pszText = caption.data();
    const int index = static_cast<int>(sheets_.size()) - 1;
    SendMessageW(Handle(), TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    PlaceSheet(sheet);
    ShowActive();
}

void PageControl::RemoveSheet(TabSheet* sheet) {
    for (std::size_t i = 0; i < sheets_.size(); ++i) {
        if (sheets_[i] != sheet) continue;
        const int active = static_cast<int>(SendMessageW(Handle(), TCM_GETCURSEL, 0, 0));
        SendMessageW(Handle(), TCM_DELETEITEM, i, 0);
        sheets_.erase(sheets_.begin() + static_cast<std::ptrdiff_t>(i));
        sheet->pageControl_ = nullptr;
        if (sheet->Handle()) ShowWindow(sheet->Handle(), SW_HIDE);
        if (active == static_cast<int>(i) && !sheets_.empty())
            SendMessageW(Handle(), TCM_SETCURSEL, 0, 0);
        ShowActive();
        return;
    }
}

TabSheet* PageControl::ActivePage() const {
    const auto index = static_cast<int>(SendMessageW(Handle(), TCM_GETCURSEL, 0, 0));
    return index >= 0 && index < PageCount() ? sheets_[static_cast<std::size_t>(index)] : nullptr;
}

void PageControl::SetActivePage(TabSheet* sheet) {
    for (std::size_t i = 0; i < sheets_.size(); ++i) {
        if (sheets_[i] == sheet) SendMessageW(Handle(), TCM_SETCURSEL, i, 0);
    }
    ShowActive();
}

RECT PageControl::TabRect(int index) const {
    RECT rect{};
    SendMessageW(Handle(), TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect));
    MapWindowPoints(Handle(), nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void PageControl::PlaceSheet(TabSheet* sheet) {
    RECT rect;
    GetClientRect(Handle(), &rect);
    SendMessageW(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rect));
    sheet->SetBounds(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

void PageControl::ShowActive() {
    TabSheet* active = ActivePage();
    for (TabSheet* sheet : sheets_) {
        if (!sheet->Handle()) continue;
        if (sheet == active) {
            SetWindowPos(sheet->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        } else {
            ShowWindow(sheet->Handle(), SW_HIDE);
        }
    }
}

bool PageControl::Reflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(TCN_SELCHANGE)) {
        ShowActive();
        if (OnChange) OnChange(*this);
        result = 0;
        return true;
    }
    return false;
}

LRESULT PageControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The sheets are our windows: their notifications go up to the form.
    if (message == WM_SIZE) {
        for (TabSheet* sheet : sheets_) PlaceSheet(sheet);
    }
    return Control::WndProc(message, wParam, lParam);
}

TabSheet::TabSheet(Component* owner) : Control(owner, {}, "TTabSheet") {}

TabSheet::~TabSheet() {
    if (pageControl_) pageControl_->RemoveSheet(this);
}

CreateParams TabSheet::GetCreateParams() const {
    return {.windowClass = "TTabSheet", .style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN};
}

void TabSheet::Created() {
    if (auto* pages = dynamic_cast<PageControl*>(Parent())) pages->AddSheet(this);
}

// ---- RadioGroup ---------------------------------------------------------

RadioGroup::RadioGroup(Component* owner) : Control(owner, {}, "TRadioGroup") {}

void RadioGroup::ApplyDef(const ControlDef& def) {
    Control::ApplyDef(def);
    columns_ = def.columns;
    items_.clear();
    SetItems(def.items);
    itemIndex_ = def.itemIndex;
}

CreateParams RadioGroup::GetCreateParams() const {
    return {.windowClass = "TRadioGroup", .style = WS_CHILD | WS_CLIPSIBLINGS};
}

void RadioGroup::Created() { RebuildButtons(); }

void RadioGroup::SetItems(const std::string& text) {
    items_.clear();
    std::size_t start = 0;
    while (start <= text.size() && !text.empty()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string item = text.substr(start, end - start);
        if (!item.empty() && item.back() == '\r') item.pop_back();
        items_.push_back(item);
        start = end + 1;
    }
    if (itemIndex_ >= static_cast<int>(items_.size())) itemIndex_ = -1;
    if (Handle()) RebuildButtons();
}

void RadioGroup::SetColumns(int columns) {
    columns_ = columns < 1 ? 1 : columns;
    if (Handle()) RebuildButtons();
}

void RadioGroup::SetItemIndex(int index) {
    if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
    if (index == itemIndex_) return;
    itemIndex_ = index;
    UpdateChecks();
    if (OnClick) OnClick(*this);
}

void RadioGroup::RebuildButtons() {
    buttons_.clear();
    const int count = static_cast<int>(items_.size());
    if (count == 0) return;
    const int columns = columns_ < 1 ? 1 : columns_;
    const int perColumn = (count + columns - 1) / columns;
    const int textHeight = FontHeight() == 0 ? 12 : std::abs(FontHeight());
    const int buttonWidth = (Width() - 10) / columns;
    const int space = Height() - textHeight - 5;
    const int buttonHeight = space / perColumn;
    const int topMargin = textHeight + 1 + (space % perColumn) / 2;
    for (int i = 0; i < count; ++i) {
        HWND button = CreateWindowExW(0, L"BUTTON", Wide(items_[static_cast<std::size_t>(i)]).c_str(),
                                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_RADIOBUTTON,
                                      (i / perColumn) * buttonWidth + 8, (i % perColumn) * buttonHeight + topMargin,
                                      buttonWidth, buttonHeight, Handle(), reinterpret_cast<HMENU>(INT_PTR(100 + i)),
                                      GetModuleHandleW(nullptr), nullptr);
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), FALSE);
        buttons_.emplace_back(button);
    }
    UpdateChecks();
}

void RadioGroup::UpdateChecks() {
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        SendMessageW(buttons_[i].Get(), BM_SETCHECK,
                     static_cast<int>(i) == itemIndex_ ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

LRESULT RadioGroup::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            const HWND from = reinterpret_cast<HWND>(lParam);
            for (std::size_t i = 0; i < buttons_.size(); ++i) {
                if (buttons_[i].Get() == from) SetItemIndex(static_cast<int>(i));
            }
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkColor(dc, EffectiveColor());
        SetTextColor(dc, EffectiveFontColor());
        return reinterpret_cast<LRESULT>(BackgroundBrush());
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        RECT rect;
        GetClientRect(Handle(), &rect);
        FillRect(dc, &rect, BackgroundBrush());
        SelectGuard font(dc, ControlFont());
        TEXTMETRICW metrics;
        GetTextMetricsW(dc, &metrics);
        rect.top += metrics.tmHeight / 2;
        DrawEdge(dc, &rect, EDGE_ETCHED, BF_RECT);
        const std::string& text = Caption();
        if (!text.empty()) {
            SetBkColor(dc, EffectiveColor());
            SetTextColor(dc, EffectiveFontColor());
            SetBkMode(dc, OPAQUE);
            const std::wstring wide = Wide(text);
            TextOutW(dc, 8, 0, wide.c_str(), static_cast<int>(wide.size()));
        }
        EndPaint(Handle(), &ps);
        return 0;
    }
    default: break;
    }
    return Control::WndProc(message, wParam, lParam);
}

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
    if (passwordChar_) SendMessageW(Handle(), EM_SETPASSWORDCHAR, static_cast<WPARAM>(passwordChar_), 0);
}

std::string MaskEdit::Text() const { return WindowText(Handle()); }

void MaskEdit::SetText(const std::string& text) { SetWindowTextW(Handle(), Wide(text).c_str()); }

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
