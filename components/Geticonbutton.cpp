#include "components/Geticonbutton.h"

#include "toolkit/Handles.h"
#include "toolkit/Text.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <vector>

namespace k2 {

tk::IconHandle IconFromImage(HBITMAP image, int size) {
    BITMAP bm{};
    if (!GetObjectW(image, sizeof(bm), &bm) || bm.bmWidth != size || bm.bmHeight != size || bm.bmBitsPixel != 32)
        return {};
    BITMAPINFO info{};
    BITMAPINFOHEADER& header = info.bmiHeader;
    header.biSize = sizeof(header);
    header.biWidth = size;
    header.biHeight = -size; // top row first
    header.biPlanes = 1;
    header.biBitCount = 32;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size) * size);
    tk::WindowDc screen(nullptr);
    if (GetDIBits(screen.Get(), image, 0, size, pixels.data(), &info, DIB_RGB_COLORS) != size) return {};
    // The shell's icon pictures carry alpha as icons do, not multiplied into
    // the colours; one with no alpha at all is drawn by its (opaque) mask.
    void* bits = nullptr;
    tk::BitmapHandle colour(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!colour) return {};
    std::copy(pixels.begin(), pixels.end(), static_cast<std::uint32_t*>(bits));
    const std::vector<std::uint16_t> clear(static_cast<std::size_t>((size + 15) / 16) * size, 0);
    tk::BitmapHandle mask(CreateBitmap(size, size, 1, 1, clear.data()));
    ICONINFO parts{};
    parts.fIcon = TRUE;
    parts.hbmMask = mask.Get();
    parts.hbmColor = colour.Get();
    return tk::IconHandle(CreateIconIndirect(&parts));
}

namespace {

// IImageList: the system image lists are handed out as this interface, and
// the pointer doubles as the list's HIMAGELIST.
constexpr GUID kImageListId = {0x46eb5926, 0x582e, 0x4017, {0x9f, 0xdf, 0xe8, 0x99, 0x8d, 0xaa, 0x09, 0x50}};

int IconSide(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return 0;
    tk::BitmapHandle mask(info.hbmMask), colour(info.hbmColor);
    BITMAP bm{};
    GetObjectW(info.hbmMask, sizeof(bm), &bm);
    return bm.bmWidth;
}

// The shell's picture of a path at exactly `size` pixels, as an icon; none
// where the shell has no picture of that size (Wine answers with one pixel).
tk::IconHandle ShellImageIcon(const std::wstring& path, int size) {
    tk::ComPtr<IShellItemImageFactory> factory;
    if (FAILED(SHCreateItemFromParsingName(path.c_str(), nullptr, IID_IShellItemImageFactory, factory.PutVoid())))
        return {};
    HBITMAP picture = nullptr;
    if (FAILED(factory->GetImage(SIZE{size, size}, SIIGBF_ICONONLY, &picture))) return {};
    return IconFromImage(tk::BitmapHandle(picture).Get(), size);
}

// The icon at index `index` of the system image list whose size is the
// smallest that reaches `size` (the largest where none does).
tk::IconHandle SystemListIcon(int index, int size) {
    tk::ComPtr<IUnknown> chosen;
    int chosenSide = 0;
    for (int list : {SHIL_LARGE, SHIL_EXTRALARGE, 4 /* SHIL_JUMBO */}) {
        tk::ComPtr<IUnknown> candidate;
        if (FAILED(SHGetImageList(list, kImageListId, candidate.PutVoid())) || !candidate) continue;
        int cx = 0, cy = 0;
        if (!ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(candidate.Get()), &cx, &cy)) continue;
        const bool better = chosenSide < size ? cx > chosenSide : cx >= size && cx < chosenSide;
        if (!chosen || better) {
            chosen = std::move(candidate);
            chosenSide = cx;
        }
    }
    if (!chosen) return {};
    return tk::IconHandle(ImageList_GetIcon(reinterpret_cast<HIMAGELIST>(chosen.Get()), index, ILD_NORMAL));
}

} // namespace

// The shell's icon for a path, `size` pixels square where the shell has it.
// ExtractAssociatedIconW comes first; where it finds none (folders and
// unassociated documents under some shells), or not at this size (a monitor
// of another scale than the system's), the shell's picture of the item at
// that size. Failing both, the shell's file information supplies the icon,
// from the system image list at the next size up.
tk::IconHandle AssociatedIcon(const std::string& path, int size) {
    const std::wstring wide = tk::Wide(path);
    wchar_t buffer[MAX_PATH] = {};
    WORD index = 0;
    tk::IconHandle extracted;
    if (wide.size() < MAX_PATH) {
        // The call may write the icon file's path back into its buffer.
        std::wmemcpy(buffer, wide.c_str(), wide.size() + 1);
        extracted = tk::IconHandle(ExtractAssociatedIconW(GetModuleHandleW(nullptr), buffer, &index));
        if (extracted && IconSide(extracted.Get()) == size) return extracted;
    }
    if (tk::IconHandle exact = ShellImageIcon(wide, size)) return exact;
    SHFILEINFOW info{};
    if (!SHGetFileInfoW(wide.c_str(), 0, &info, sizeof(info), SHGFI_ICON | SHGFI_LARGEICON | SHGFI_SYSICONINDEX))
        return extracted;
    tk::IconHandle large(info.hIcon);
    if (large && IconSide(large.Get()) == size) return large;
    if (tk::IconHandle listed = SystemListIcon(info.iIcon, size)) return listed;
    return extracted ? std::move(extracted) : std::move(large);
}

TGetIconButton::TGetIconButton(tk::Component* owner) : tk::BitBtn(owner, "TGetIconButton") {}

int TGetIconButton::GlyphSize() const { return Scaled(DesignGlyphSize()); }

void TGetIconButton::GetIcon(std::string path) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const int size = GlyphSize();
    tk::Bitmap work(size, Scaled(DesignBounds().height - 8), face);
    SetGlyph(work);
    if (!tk::FileExists(path)) return;
    if (tk::IconHandle icon = AssociatedIcon(path, size)) ShowIcon(icon.Get());
}

void TGetIconButton::ShowIcon(HICON icon) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const int size = GlyphSize();
    tk::Bitmap work(size, Scaled(DesignBounds().height - 8), face);
    // An icon of another size than the glyph's is scaled to it.
    work.DrawIcon(icon, 0, 0, IconSide(icon) == size ? 0 : size);
    // The lower-left pixel is the glyph's transparent colour: make it the face.
    work.SetPixel(0, work.Height() - 1, face);
    SetGlyph(work);
}

} // namespace k2
