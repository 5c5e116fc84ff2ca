// A bitmap button whose glyph is the icon the shell associates with a path.
#pragma once
#include "toolkit/Controls.h"
#include "toolkit/Handles.h"

#include <windows.h>

#include <string>

namespace k2 {

// The shell's icon for a path, `size` pixels square where the shell has it;
// none when the shell has no icon for it. It may take as long as the path's
// volume takes to answer; any thread may call it (with COM initialised).
tk::IconHandle AssociatedIcon(const std::string& path, int size);

class TGetIconButton : public tk::BitBtn {
public:
    explicit TGetIconButton(tk::Component* owner);
    // Shows the icon of `path` on the button; a path that does not exist
    // (the empty one included) gives a blank, face-coloured glyph.
    void GetIcon(std::string path);
    // Shows `icon` (kept by the caller) on the button as GetIcon does.
    void ShowIcon(HICON icon);
    // The glyph's side at 96 dpi (the button's less 8 pixels), and at the
    // button's DPI.
    int DesignGlyphSize() const { return DesignBounds().width - 8; }
    int GlyphSize() const;
};

// An icon made from the shell's 32-bit picture of an item, `size` pixels
// square, top row first; none for a picture of another size.
tk::IconHandle IconFromImage(HBITMAP image, int size);

} // namespace k2
