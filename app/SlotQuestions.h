// What the helper threads ask about a slot's item: the file system of a slot
// (a network share, a stick) may answer late, so none of it runs on the
// window's thread. Each question holds copies of what it needs and answers in
// its own fields; it never reads the slots or touches a window.
#pragma once
#include "toolkit/AnswerThread.h"

#include <windows.h>

#include <array>
#include <string>
#include <vector>

namespace k2 {

// How a helper asks whether a path is there (GetFileAttributesW).
using FileAttributesCall = DWORD(WINAPI*)(LPCWSTR);

// The drive a portable K2 ran from last time and the one it runs from now.
struct VolumeMove {
    std::string from, to; // volume roots ("E:\"); equal or empty: nothing moved
};

// Volume roots name the same volume whatever the case of their letters.
bool SameVolume(const std::string& a, const std::string& b);

// The path an item on K2's former drive has on its present one, when it is
// missing on the former and there on the present; otherwise `path` itself.
std::string FollowedPath(const std::string& path, const VolumeMove& move, FileAttributesCall attributes);

// The drive a K2 that moved ran from, told by a folder it made beside itself
// there: "E:\" for the folder "E:\K2\Icon" of a K2 now in "F:\K2\" and the
// name "Icon"; "" when the folder tells nothing.
std::string FormerVolume(const std::string& folder, const std::string& appDir, const std::string& name);

// The drive or share the missing `path` lies on is away (a stick pulled out,
// a network drive disconnected, a server asleep): the item may still be there.
bool VolumeAway(const std::string& path, FileAttributesCall attributes);

struct LaunchQuestion : tk::ThreadAnswer {
    // Asked.
    unsigned serial = 0;
    int slot = 0;
    std::string path; // the slot's item
    bool openFolder = false;
    VolumeMove move;
    FileAttributesCall attributes = GetFileAttributesW;
    // Answered.
    std::string followed; // `path`, or where it is now that K2's drive moved
    std::string folder;   // the folder that holds `followed`
    std::string target;   // what is opened: `followed`, or `folder`
    bool exists = false, volumeAway = false, folderExists = false;
    bool shortcut = false, linkRead = false; // a ".lnk" target, read through the link object
    std::string linkPath, linkArguments;

    void Work() override;
};

struct IconQuestion : tk::ThreadAnswer {
    int slot = 0;
    std::string path;
    int size = 0;
    FileAttributesCall attributes = GetFileAttributesW;
    tk::IconHandle icon; // none when the item is not there or has no icon

    void Work() override;
};

// Which slots follow K2 to its present drive.
struct FollowQuestion : tk::ThreadAnswer {
    VolumeMove move;
    FileAttributesCall attributes = GetFileAttributesW;
    std::array<std::string, 90> paths;    // the slots' items
    std::array<std::string, 90> followed; // where they are now
    void Work() override;
};

} // namespace k2
