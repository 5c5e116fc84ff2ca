// Puts something on the clipboard, then exits (0 on success):
//   clip_put bitmap W H [RRGGBB]  a W x H bitmap of one colour (default C8283C)
//   clip_put picture W H          such a bitmap plus a metafile picture, as
//                                 drawing programs copy their figures
//   clip_put text                 a line of text
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

HBITMAP MakeBitmap(int width, int height, COLORREF colour) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(colour);
    const RECT rect{0, 0, width, height};
    FillRect(memory, &rect, brush);
    DeleteObject(brush);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

HGLOBAL MakeMetafilePicture(int width, int height) {
    HDC recorder = CreateMetaFileA(nullptr);
    Rectangle(recorder, 0, 0, width, height);
    HMETAFILE metafile = CloseMetaFile(recorder);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(METAFILEPICT));
    if (!metafile || !memory) return nullptr;
    auto* picture = static_cast<METAFILEPICT*>(GlobalLock(memory));
    picture->mm = MM_ANISOTROPIC;
    picture->xExt = width * 26; // HIMETRIC at 96 dpi
    picture->yExt = height * 26;
    picture->hMF = metafile;
    GlobalUnlock(memory);
    return memory;
}

HGLOBAL MakeText(const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) return nullptr;
    std::memcpy(GlobalLock(memory), text, size);
    GlobalUnlock(memory);
    return memory;
}

bool OpenWithRetry() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (OpenClipboard(nullptr)) return true;
        Sleep(20);
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const bool bitmap = std::strcmp(argv[1], "bitmap") == 0;
    const bool picture = std::strcmp(argv[1], "picture") == 0;
    const bool text = std::strcmp(argv[1], "text") == 0;
    if (!bitmap && !picture && !text) return 2;
    if ((bitmap || picture) && argc < 4) return 2;
    if (!OpenWithRetry()) return 3;
    EmptyClipboard();
    bool ok = true;
    if (bitmap || picture) {
        const int width = std::atoi(argv[2]);
        const int height = std::atoi(argv[3]);
        const COLORREF colour = argc > 4 ? static_cast<COLORREF>(std::strtoul(argv[4], nullptr, 16)) : 0xC8283C;
        // COLORREF is 0x00BBGGRR; the argument reads as RRGGBB.
        const COLORREF rgb = RGB((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
        ok = SetClipboardData(CF_BITMAP, MakeBitmap(width, height, rgb)) != nullptr;
        if (picture) ok = ok && SetClipboardData(CF_METAFILEPICT, MakeMetafilePicture(width, height)) != nullptr;
    } else {
        ok = SetClipboardData(CF_TEXT, MakeText("コルミ２")) != nullptr;
    }
    CloseClipboard();
    return ok ? 0 : 1;
}
