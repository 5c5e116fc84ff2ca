// The system's file-open dialog as a component placed on a form.
#pragma once
#include "toolkit/Component.h"

#include <windows.h>
#include <string>

namespace tk {

class OpenDialog : public Component {
public:
    using Component::Component;

    // "説明|パターン|説明|パターン..." ("全てのファイル|*.*").
    std::string Filter;
    int FilterIndex = 1;
    // In: the name shown at start (empty for none). Out: the chosen file.
    std::string FileName;
    std::string InitialDir; // empty: the system's choice
    std::string Title;      // empty: the system's default title
    bool HideReadOnly = true;       // no "read only" check box
    bool NoDereferenceLinks = true; // a chosen shortcut gives its own path
    bool FileMustExist = false;     // typed names of new files are accepted

    // Shows the dialog modally; true when the user chose a file. A chosen name
    // that is no valid Unicode text (see ExactUtf8) is not taken: false, with UnusableName set.
    bool Execute(HWND owner);
    bool UnusableName = false;

    // The filter in the platform's form: '|' becomes NUL, ending with two NULs.
    static std::string NativeFilter(const std::string& filter);
};

} // namespace tk
