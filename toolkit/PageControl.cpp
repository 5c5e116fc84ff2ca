// The page control and its run-time tab sheets.
#include "toolkit/Controls.h"

#include "toolkit/Text.h"

#include <commctrl.h>

namespace tk {

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

void PageControl::SelectNextPage(bool forward) {
    const int count = PageCount();
    if (count == 0) return;
    const auto active = static_cast<int>(SendMessageW(Handle(), TCM_GETCURSEL, 0, 0));
    const int next = active < 0 ? 0 : (active + (forward ? 1 : count - 1)) % count;
    SendMessageW(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(next), 0);
    ShowActive();
    if (OnChange) OnChange(*this);
}

RECT PageControl::TabRect(int index) const {
    RECT rect{};
    SendMessageW(Handle(), TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect));
    MapWindowPoints(Handle(), nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void PageControl::DpiChanged() {
    for (TabSheet* sheet : sheets_) PlaceSheet(sheet);
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

} // namespace tk
