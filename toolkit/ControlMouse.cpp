// Mouse input shared by every control: clicks, and the automatic dragging
// of tool buttons onto drop targets.
#include "toolkit/Control.h"

namespace tk {

LRESULT Control::HandleMouse(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
    case WM_LBUTTONDOWN:
        if (dragAutomatic_) {
            BeginDrag();
            handled = true;
            return 0;
        }
        if (OnMouseDown) OnMouseDown(*this, MouseButton::Left, wParam, x, y);
        break;
    case WM_RBUTTONDOWN:
        if (OnMouseDown) OnMouseDown(*this, MouseButton::Right, wParam, x, y);
        break;
    case WM_MBUTTONDOWN:
        if (OnMouseDown) OnMouseDown(*this, MouseButton::Middle, wParam, x, y);
        break;
    case WM_MOUSEMOVE:
        if (dragging_) {
            DragMove(lParam);
            handled = true;
            return 0;
        }
        if (OnMouseMove) OnMouseMove(*this, wParam, x, y);
        break;
    case WM_LBUTTONUP:
        if (dragging_) {
            EndDrag(lParam, true);
            handled = true;
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        if (dragging_) EndDrag(lParam, false);
        break;
    case WM_KEYDOWN:
        keysDown_.set(wParam & 0xFF);
        if (dragging_ && wParam == VK_ESCAPE) {
            EndDrag(0, false);
            handled = true;
            return 0;
        }
        break;
    case WM_KEYUP:
        if (keysDown_.test(wParam & 0xFF)) {
            keysDown_.reset(wParam & 0xFF);
            if (OnKeyUp) {
                WORD key = static_cast<WORD>(wParam);
                OnKeyUp(*this, key, 0);
            }
        }
        break;
    default: break;
    }
    return 0;
}

void Control::BeginDrag() {
    dragging_ = true;
    SetCapture(hwnd_.Get());
    SetCursor(LoadCursorA(nullptr, IDC_NO));
}

Control* Control::DragTargetAt(LPARAM lParam, int& x, int& y) {
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(hwnd_.Get(), &point);
    Control* target = AtScreenPoint(point);
    if (!target || !target->OnDragOver) return nullptr;
    ScreenToClient(target->Handle(), &point);
    x = point.x;
    y = point.y;
    bool accept = true;
    target->OnDragOver(*target, *this, x, y, accept);
    return accept ? target : nullptr;
}

void Control::DragMove(LPARAM lParam) {
    int x = 0, y = 0;
    SetCursor(LoadCursorA(nullptr, DragTargetAt(lParam, x, y) ? IDC_ARROW : IDC_NO));
}

void Control::EndDrag(LPARAM lParam, bool drop) {
    dragging_ = false;
    if (GetCapture() == hwnd_.Get()) ReleaseCapture();
    if (!drop) return;
    int x = 0, y = 0;
    if (Control* target = DragTargetAt(lParam, x, y)) {
        if (target->OnDragDrop) target->OnDragDrop(*target, *this, x, y);
    }
}

} // namespace tk
