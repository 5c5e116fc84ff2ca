#include "toolkit/OpenDialog.h"

#include "toolkit/Text.h"

#include <commdlg.h>
#include <algorithm>
#include <optional>

namespace tk {

std::string OpenDialog::NativeFilter(const std::string& filter) {
    if (filter.empty()) return {};
    std::string native;
    native.reserve(filter.size() + 2);
    for (const char c : filter) native += c == '|' ? '\0' : c;
    native.append(2, '\0');
    return native;
}

bool OpenDialog::Execute(HWND owner) {
    UnusableName = false;
    // Wide, so that the chosen name arrives as it is on disk; room for long names rather than MAX_PATH.
    const std::wstring initialName = Wide(FileName);
    std::wstring buffer(std::max<std::size_t>(32768, initialName.size() + 1), L'\0');
    initialName.copy(buffer.data(), initialName.size());
    const std::wstring filter = Wide(NativeFilter(Filter));
    const std::wstring initialDir = Wide(InitialDir);
    const std::wstring title = Wide(Title);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(FilterIndex);
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    // The process's current directory stays: a folder left open there keeps
    // its stick from being ejected.
    ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    if (HideReadOnly) ofn.Flags |= OFN_HIDEREADONLY;
    if (NoDereferenceLinks) ofn.Flags |= OFN_NODEREFERENCELINKS;
    if (FileMustExist) ofn.Flags |= OFN_FILEMUSTEXIST;
    if (!GetOpenFileNameW(&ofn)) return false;
    FilterIndex = static_cast<int>(ofn.nFilterIndex);
    const std::optional<std::string> chosen = ExactUtf8(buffer.c_str());
    if (!chosen) {
        UnusableName = true;
        return false;
    }
    FileName = *chosen;
    return true;
}

} // namespace tk
