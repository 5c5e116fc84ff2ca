#include "app/SlotQuestions.h"

#include "components/Geticonbutton.h"
#include "components/Scmake.h"
#include "toolkit/PathPart.h"
#include "toolkit/Text.h"

namespace k2 {
namespace {

bool Exists(const std::string& path, FileAttributesCall attributes) {
    return !path.empty() && attributes(tk::Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

bool SameVolume(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string FollowedPath(const std::string& path, const VolumeMove& move, FileAttributesCall attributes) {
    if (move.from.empty() || move.to.empty() || SameVolume(move.from, move.to)) return path;
    const std::string root = tk::path::VolumeRoot(path);
    if (root.empty() || !SameVolume(root, move.from)) return path;
    const std::string moved = move.to + path.substr(root.size());
    if (Exists(path, attributes) || !Exists(moved, attributes)) return path;
    return moved;
}

std::string FormerVolume(const std::string& folder, const std::string& appDir, const std::string& name) {
    const std::string root = tk::path::VolumeRoot(folder), appRoot = tk::path::VolumeRoot(appDir);
    if (root.empty() || appRoot.empty() || SameVolume(root, appRoot)) return {};
    return folder.substr(root.size()) == appDir.substr(appRoot.size()) + name ? root : std::string();
}

bool VolumeAway(const std::string& path, FileAttributesCall attributes) {
    const std::string root = tk::path::VolumeRoot(path);
    if (root.empty() || attributes(tk::Wide(root).c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    // A share that lets us in but not list its root is there.
    return GetLastError() != ERROR_ACCESS_DENIED;
}

void LaunchQuestion::Work() {
    followed = FollowedPath(path, move, attributes);
    folder = tk::path::FolderPart(followed);
    target = openFolder ? folder : followed;
    exists = Exists(target, attributes);
    if (!exists) {
        volumeAway = VolumeAway(target, attributes);
        return;
    }
    folderExists = folder == target || Exists(folder, attributes);
    shortcut = tk::path::ExtensionPart(target) == ".lnk";
    // Reading a shortcut opens it: it is asked here too.
    if (!shortcut) return;
    TSCMake link(nullptr);
    linkRead = link.AnalizeLink(target) == 0;
    linkPath = link.LinkPath;
    linkArguments = link.Argument;
}

void IconQuestion::Work() {
    if (Exists(path, attributes)) icon = AssociatedIcon(path, size);
}

void FollowQuestion::Work() {
    for (std::size_t g = 0; g < paths.size(); ++g)
        followed[g] = paths[g].empty() ? paths[g] : FollowedPath(paths[g], move, attributes);
}

} // namespace k2
