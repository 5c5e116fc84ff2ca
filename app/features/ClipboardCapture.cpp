#include "app/features/ClipboardCapture.h"

#include "app/Korumi2.h"
#include "toolkit/Application.h"
#include "toolkit/Exception.h"
#include "toolkit/Jpeg.h"
#include "toolkit/Text.h"

#include <optional>

namespace k2 {

namespace {

// Another program (a clipboard history, a remote desktop) may hold the
// clipboard open for a moment just after it changes: try a few times before
// calling it a failure.
constexpr int kOpenAttempts = 5;
constexpr DWORD kOpenRetryMs = 20;

// The clipboard, open for one read; closed on every path.
class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner) {
        for (int attempt = 1; !OpenClipboard(owner); ++attempt) {
            if (attempt == kOpenAttempts) throw tk::Exception("クリップボードを開けません");
            Sleep(kOpenRetryMs);
        }
    }
    ~OpenedClipboard() { CloseClipboard(); }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
};

// A screen picture is a plain bitmap: programs that put a metafile picture
// beside it copy drawings, not screens.
bool ClipboardHoldsScreenPicture() {
    return !IsClipboardFormatAvailable(CF_METAFILEPICT) && IsClipboardFormatAvailable(CF_BITMAP);
}

// The picture is encoded straight from the clipboard's bitmap while the
// clipboard is open; the file is written after it is closed, so a slow disk
// never keeps other programs from the clipboard.
std::string EncodeClipboardPicture(HWND owner, std::uint8_t quality) {
    OpenedClipboard clipboard(owner);
    auto* handle = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    if (!handle) throw tk::Exception("クリップボードの画像を読み取れません");
    tk::JpegImage jpeg(handle);
    jpeg.SetQuality(quality);
    return jpeg.Encode();
}

} // namespace

std::string CaptureFileName(const std::string& folder, const std::string& prefix, std::int32_t number) {
    return folder + "\\" + prefix + std::to_string(number) + ".jpg";
}

LRESULT TForm1::WMDrawClipboard(WPARAM wParam, LPARAM lParam) {
    // A capture that fails is reported only after the notice has gone down the
    // chain: the other viewers must not miss a clipboard change because of us.
    std::optional<tk::Exception> failure;
    if (captureEnabled && ClipboardHoldsScreenPicture() && tk::FileExists(captureFolder)) {
        try {
            const std::string jfif = EncodeClipboardPicture(Handle(), static_cast<std::uint8_t>(jpegQuality));
            tk::JpegImage::SaveEncoded(CaptureFileName(captureFolder, captureFilePrefix, captureNumber), jfif);
            // Wraps at the end of the range rather than overflowing.
            captureNumber = static_cast<std::int32_t>(static_cast<std::uint32_t>(captureNumber) + 1u);
        } catch (const std::exception& e) {
            failure.emplace(e.what());
        }
    }
    LRESULT result = 0;
    if (nextClipboardViewer) result = SendMessageA(nextClipboardViewer, WM_DRAWCLIPBOARD, wParam, lParam);
    if (failure) tk::App().ShowException(*failure);
    return result;
}

LRESULT TForm1::WMChangeCBChain(WPARAM wParam, LPARAM lParam) {
    const auto removed = reinterpret_cast<HWND>(wParam);
    if (removed == nextClipboardViewer) {
        nextClipboardViewer = reinterpret_cast<HWND>(lParam);
    } else if (nextClipboardViewer) {
        SendMessageA(nextClipboardViewer, WM_CHANGECBCHAIN, wParam, lParam);
    }
    return 0;
}

} // namespace k2
