// A modal folder chooser of our own: an editable folder name, the folder tree
// around the current folder, the files of the selected folder, the drives and
// a button that connects a network drive.
#pragma once
#include <windows.h>
#include <string>

namespace tk {

// Control ids of the chooser; stable, so that tests can drive it.
namespace folder_dialog {
constexpr int kNameLabel = 1100;   // "ﾃﾞｨﾚｸﾄﾘ名(&N):"
constexpr int kNameEdit = 1101;    // full path of the current folder; may be edited
constexpr int kTreeLabel = 1102;   // "ﾃﾞｨﾚｸﾄﾘ(&D):"
constexpr int kTree = 1103;        // list box: root, ancestors, current folder, its sub-folders;
                                   // item data = indent level; double click enters a folder
constexpr int kFilesLabel = 1104;  // "ﾌｧｲﾙ(&F): (*.*)"
constexpr int kFiles = 1105;       // list box: files of the folder selected in the tree
constexpr int kDrivesLabel = 1106; // "ﾄﾞﾗｲﾌﾞ(&R):"
constexpr int kDrives = 1107;      // drop-down list of drives ("C:")
constexpr int kNetwork = 1108;     // "ﾈｯﾄﾜｰｸ(&N)..."
// "OK" and "ｷｬﾝｾﾙ" are IDOK and IDCANCEL.
} // namespace folder_dialog

// Shows the chooser, starting in `directory` when that folder exists, else in
// the process's current directory. On OK, `directory` receives the chosen
// folder (no trailing separator except for a drive root) and true is returned;
// on cancel it is left as it was. With `allowCreate`, a folder that does not
// exist may be chosen: the user is asked whether to create it, and it is
// created with its missing parents before the chooser closes; a folder that
// cannot be created is reported and the chooser stays open.
bool SelectDirectory(HWND owner, std::string& directory, bool allowCreate);

} // namespace tk
