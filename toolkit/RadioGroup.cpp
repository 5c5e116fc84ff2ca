// A framed group of radio buttons laid out in columns.
#include "toolkit/Controls.h"

#include "toolkit/Accessible.h"
#include "toolkit/Text.h"

namespace tk {

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

void RadioGroup::DpiChanged() { RebuildButtons(); }

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
    const int textHeight = Scaled(FontHeight() == 0 ? 12 : std::abs(FontHeight()));
    const int buttonWidth = (Width() - Scaled(10)) / columns;
    const int space = Height() - textHeight - Scaled(5);
    const int buttonHeight = space / perColumn;
    const int topMargin = textHeight + Scaled(1) + (space % perColumn) / 2;
    for (int i = 0; i < count; ++i) {
        HWND button = CreateWindowExW(0, L"BUTTON", Wide(items_[static_cast<std::size_t>(i)]).c_str(),
                                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_RADIOBUTTON,
                                      (i / perColumn) * buttonWidth + Scaled(8), (i % perColumn) * buttonHeight + topMargin,
                                      buttonWidth, buttonHeight, Handle(), reinterpret_cast<HMENU>(INT_PTR(100 + i)),
                                      GetModuleHandleW(nullptr), nullptr);
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), FALSE);
        AnswerForChildWindow(button);
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
            // The focus arriving on an item is no choice of it.
            if (FocusMoving()) return 0;
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
            TextOutW(dc, Scaled(8), 0, wide.c_str(), static_cast<int>(wide.size()));
        }
        EndPaint(Handle(), &ps);
        return 0;
    }
    default: break;
    }
    return Control::WndProc(message, wParam, lParam);
}

} // namespace tk
