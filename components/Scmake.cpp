#include "components/Scmake.h"

#include "toolkit/Handles.h"
#include "toolkit/PathPart.h"
#include "toolkit/Text.h"

#include <windows.h>
#include <shlobj.h>

#include <array>
#include <cwchar>
#include <optional>
#include <vector>

namespace k2 {

namespace {

constexpr int kShowNormal = SW_SHOW;
constexpr int kShowMaximized = SW_SHOWMAXIMIZED;
constexpr int kShowMinimized = SW_SHOWMINNOACTIVE;

// The link object takes the shortcut file's name as UTF-16 within MAX_PATH
// characters, terminator included; a longer name is refused, never cut.
std::optional<std::wstring> ShortcutFileName(const std::string& path) {
    std::wstring wide = tk::Wide(path);
    if (wide.size() >= MAX_PATH) return std::nullopt;
    return wide;
}

using TextBuffer = std::array<wchar_t, MAX_PATH>;

// What the link left in a buffer, terminated whatever it wrote.
std::string BufferText(TextBuffer& buffer) {
    buffer.back() = L'\0';
    return tk::Utf8(buffer.data());
}

// The arguments whole: unlike the paths they are not limited to MAX_PATH, and
// the link cuts them to the buffer it is given without saying so. A buffer
// the text does not fill shows that nothing was cut.
std::string LinkArguments(IShellLinkW& link) {
    // A link stores at most 65535 UTF-16 characters.
    constexpr std::size_t kLargest = 65536;
    std::vector<wchar_t> buffer;
    for (std::size_t size = MAX_PATH;; size *= 2) {
        buffer.assign(size, L'\0');
        if (FAILED(link.GetArguments(buffer.data(), static_cast<int>(size)))) return {};
        buffer.back() = L'\0';
        const std::size_t length = std::wcslen(buffer.data());
        if (length + 1 < size || size >= kLargest) return tk::Utf8(std::wstring_view(buffer.data(), length));
    }
}

HRESULT CreateShellLink(tk::ComPtr<IShellLinkW>& link) {
    return CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                            link.PutVoid());
}

} // namespace

TSCMake::TSCMake(tk::Component* owner) : tk::Component(owner) {
    // Only a successful initialisation (S_OK or S_FALSE) is paired with CoUninitialize.
    comInitialized_ = SUCCEEDED(CoInitialize(nullptr));
}

TSCMake::~TSCMake() {
    if (comInitialized_) CoUninitialize();
}

TSCMake::WNDSTATE TSCMake::GetWndState() const {
    switch (FShowCmd) {
    case kShowMaximized: return Maximize;
    case kShowMinimized: return Minimize;
    default: return Normal;
    }
}

void TSCMake::SetWndState(WNDSTATE state) {
    switch (state) {
    case Maximize: FShowCmd = kShowMaximized; break;
    case Minimize: FShowCmd = kShowMinimized; break;
    default: FShowCmd = kShowNormal; break;
    }
}

std::uint16_t TSCMake::GetSCKey() const {
    const unsigned key = FHotKey & 0xFFu;
    const unsigned flags = FHotKey >> 8;
    unsigned value = key;
    if (flags & HOTKEYF_SHIFT) value |= 0x2000;
    if (flags & HOTKEYF_CONTROL) value |= 0x4000;
    if (flags & HOTKEYF_ALT) value |= 0x8000;
    return static_cast<std::uint16_t>(value);
}

void TSCMake::SetSCKey(std::uint16_t value) {
    const unsigned key = value & 0x1FFFu;
    FHotKey = static_cast<std::uint16_t>(key);
    if (key == 0) return;
    unsigned flags = 0;
    if (value & 0x2000) flags |= HOTKEYF_SHIFT;
    if (value & 0x4000) flags |= HOTKEYF_CONTROL;
    if (value & 0x8000) flags |= HOTKEYF_ALT;
    FHotKey = static_cast<std::uint16_t>(FHotKey | (flags << 8));
}

long TSCMake::CreateLink() {
    if (SCName.empty() || SCDir.empty() || LinkPath.empty()) return -1;
    // A hot key without a key carries no modifiers.
    if ((FHotKey & 0xFF) == 0) FHotKey = 0;

    const auto fileName = ShortcutFileName(SCDir + "\\" + SCName + ".lnk");
    if (!fileName) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);

    tk::ComPtr<IShellLinkW> link;
    HRESULT hr = CreateShellLink(link);
    if (FAILED(hr)) return hr;
    link->SetPath(tk::Wide(LinkPath).c_str());
    link->SetWorkingDirectory(tk::Wide(WorkDir).c_str());
    link->SetShowCmd(FShowCmd);
    link->SetHotkey(FHotKey);
    link->SetIconLocation(tk::Wide(IconPath).c_str(), IconNo);
    link->SetArguments(tk::Wide(Argument).c_str());

    tk::ComPtr<IPersistFile> file;
    hr = link->QueryInterface(IID_IPersistFile, file.PutVoid());
    if (FAILED(hr)) return hr;
    return file->Save(fileName->c_str(), TRUE);
}

int TSCMake::AnalizeLink(std::string path) {
    if (tk::path::ExtensionPart(path) != ".lnk") return -1;
    const auto fileName = ShortcutFileName(path);
    if (!fileName) return -1;

    tk::ComPtr<IShellLinkW> link;
    if (FAILED(CreateShellLink(link))) return -1;
    tk::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid()))) return -1;
    if (FAILED(file->Load(fileName->c_str(), STGM_READ))) return -1;

    // The link is read as stored: a target that has moved is not searched for.
    std::array<wchar_t, MAX_PATH> target{};
    WIN32_FIND_DATAW findData{};
    link->GetPath(target.data(), MAX_PATH, &findData, SLGP_UNCPRIORITY);
    target.back() = L'\0';
    const std::optional<std::string> targetPath = tk::ExactUtf8(target.data());
    if (!targetPath) return -1;

    SCName = tk::path::BaseNamePart(path);
    SCDir = tk::path::FolderPart(path);
    LinkPath = *targetPath;

    TextBuffer buffer{};
    link->GetWorkingDirectory(buffer.data(), MAX_PATH);
    WorkDir = BufferText(buffer);

    link->GetShowCmd(&FShowCmd);
    WORD hotKey = 0;
    link->GetHotkey(&hotKey);
    FHotKey = hotKey;

    buffer.fill(L'\0');
    int iconNo = 0;
    link->GetIconLocation(buffer.data(), MAX_PATH, &iconNo);
    IconPath = BufferText(buffer);
    IconNo = iconNo;

    Argument = LinkArguments(*link.Get());
    return 0;
}

void TSCMake::ResetProperties() {
    SCDir.clear();
    SCName.clear();
    LinkPath.clear();
    WorkDir.clear();
    IconPath.clear();
    IconNo = 0;
    Argument.clear();
    FShowCmd = 0;
    FHotKey = 0;
}

} // namespace k2
