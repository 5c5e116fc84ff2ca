#include "toolkit/OpenDialog.h"

#include "toolkit/SjisPath.h"

#include <commdlg.h>
#include <algorithm>
#include <vector>

namespace tk {

std::string OpenDialog::NativeFilter(const std::string& filter) {
    if (filter.empty()) return {};
    std::string native;
    native.reserve(filter.size() + 2);
    for (std::size_t i = 0; i < filter.size(); ++i) {
        const char c = filter[i];
        // A '|' byte may be the second half of a double-byte character.
        if (sjis::IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < filter.size()) {
            native += c;
            native += filter[++i];
            continue;
        }
        native += c == '|' ? '\0' : c;
    }
    native.append(2, '\0');
    return native;
}

bool OpenDialog::Execute(HWND owner) {
    // Room for long names rather than MAX_PATH.
    std::vector<char> buffer(std::max<std::size_t>(32768, FileName.size() + 1), '\0');
    FileName.copy(buffer.data(), FileName.size());
    const std::string filter = NativeFilter(Filter);

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(FilterIndex);
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
    ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING;
    if (HideReadOnly) ofn.Flags |= OFN_HIDEREADONLY;
    if (NoDereferenceLinks) ofn.Flags |= OFN_NODEREFERENCELINKS;
    if (FileMustExist) ofn.Flags |= OFN_FILEMUSTEXIST;
    if (!GetOpenFileNameA(&ofn)) return false;
    FileName = buffer.data();
    FilterIndex = static_cast<int>(ofn.nFilterIndex);
    return true;
}

} // namespace tk
