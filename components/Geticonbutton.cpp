#include "components/Geticonbutton.h"

#include "toolkit/Handles.h"
#include "toolkit/Text.h"

#include <shellapi.h>

#include <cwchar>

namespace k2 {
namespace {

// The shell's icon for a path. ExtractAssociatedIconW comes first; where it
// finds none (folders and unassociated documents under some shells) the
// shell's file information supplies the icon.
tk::IconHandle AssociatedIcon(const std::string& path) {
    const std::wstring wide = tk::Wide(path);
    wchar_t buffer[MAX_PATH] = {};
    WORD index = 0;
    if (wide.size() < MAX_PATH) {
        // The call may write the icon file's path back into its buffer.
        std::wmemcpy(buffer, wide.c_str(), wide.size() + 1);
        if (HICON icon = ExtractAssociatedIconW(GetModuleHandleW(nullptr), buffer, &index))
            return tk::IconHandle(icon);
    }
    SHFILEINFOW info{};
    if (SHGetFileInfoW(wide.c_str(), 0, &info, sizeof(info), SHGFI_ICON | SHGFI_LARGEICON) && info.hIcon)
        return tk::IconHandle(info.hIcon);
    return {};
}

} // namespace

TGetIconButton::TGetIconButton(tk::Component* owner) : tk::BitBtn(owner, "TGetIconButton") {}

void TGetIconButton::GetIcon(std::string path) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    tk::Bitmap work(Width() - 8, Height() - 8, face);
    SetGlyph(work);
    if (!tk::FileExists(path)) return;
    tk::IconHandle icon = AssociatedIcon(path);
    if (!icon) return;
    ICONINFO info{};
    if (GetIconInfo(icon.Get(), &info)) {
        tk::BitmapHandle mask(info.hbmMask), colour(info.hbmColor);
        BITMAP bm{};
        GetObjectW(info.hbmMask, sizeof(bm), &bm);
        const int height = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
        work.SetSize(bm.bmWidth, height, face);
    }
    work.DrawIcon(icon.Get(), 0, 0);
    // The lower-left pixel is the glyph's transparent colour: make it the face.
    work.SetPixel(0, work.Height() - 1, face);
    SetGlyph(work);
}

} // namespace k2
