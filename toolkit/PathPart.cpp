#include "toolkit/PathPart.h"

namespace tk::path {

std::size_t LastDelimiter(std::string_view path, std::string_view separators) {
    return path.find_last_of(separators);
}

std::string FileNamePart(std::string_view path) {
    const std::size_t sep = LastDelimiter(path, "\\:");
    return std::string(sep == std::string::npos ? path : path.substr(sep + 1));
}

std::string FolderPart(std::string_view path) {
    const std::size_t sep = LastDelimiter(path, "\\");
    if (sep == std::string::npos) {
        const std::size_t colon = LastDelimiter(path, ":");
        return colon == std::string::npos ? std::string() : std::string(path.substr(0, colon + 1));
    }
    // Keep the separator of a root ("C:\") or of a leading "\\".
    if (sep > 0 && (path[sep - 1] == ':' || path[sep - 1] == '\\')) {
        const std::size_t before = LastDelimiter(path.substr(0, sep), "\\:");
        if (before == sep - 1) return std::string(path.substr(0, sep + 1));
    }
    if (sep == 0) return std::string(path.substr(0, 1));
    return std::string(path.substr(0, sep));
}

std::string ExtensionPart(std::string_view path) {
    const std::size_t dot = LastDelimiter(path, ".\\:");
    if (dot == std::string::npos || path[dot] != '.') return {};
    return std::string(path.substr(dot));
}

std::string BaseNamePart(std::string_view path) {
    std::string name = FileNamePart(path);
    const std::string ext = ExtensionPart(name);
    name.resize(name.size() - ext.size());
    return name;
}

std::string VolumeRoot(std::string_view path) {
    const char first = path.empty() ? '\0' : static_cast<char>(path[0] | 0x20);
    if (path.size() >= 2 && path[1] == ':' && first >= 'a' && first <= 'z')
        return std::string(path.substr(0, 2)) + "\\";
    if (path.size() < 3 || path[0] != '\\' || path[1] != '\\' || path[2] == '?' || path[2] == '.') return {};
    int separators = 0;
    for (std::size_t i = 2; i < path.size(); ++i) {
        if (path[i] == '\\' && ++separators == 2) return std::string(path.substr(0, i + 1));
    }
    return separators == 1 && path.back() != '\\' ? std::string(path) + "\\" : std::string();
}

} // namespace tk::path
