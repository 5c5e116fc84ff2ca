// In-process fixture: the real main window in a scratch program folder,
// driven with real messages.
#pragma once
#include "app/Korumi2.h"
#include "support/Scratch.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

namespace k2test {

// Handles queued messages (and the idle work) for about `ms` milliseconds.
void Pump(unsigned ms = 50);

// Drags a tool button onto a target control with the mouse messages a user's
// drag produces: left press on the source, release over the target's centre.
void DragTo(tk::Control& source, tk::Control& target);

// Presses a push button or a bitmap button as a click does (BM_CLICK).
void Click(tk::Control& button);

// Selects the tab at `index` with a mouse click on it.
void ClickTab(tk::PageControl& pages, int index);

// A key as the message loop gets it at the focused window, the modifiers
// held in the thread's key state (F10 comes as a system key).
void Press(WORD key, std::initializer_list<WORD> held = {});

// A slot glyph's side on this display.
int GlyphSide();

// Makes the window's look-ups of paths that begin with `prefix` take `ms`
// longer, as a sleeping server's do.
void MakeSlow(k2::TForm1& form, const std::string& prefix, DWORD ms);

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the window for the files already placed in Dir() (data\...).
    void Start();
    // Handles messages until the icons and launches asked of helper threads are answered.
    void Settle();
    // Destroys the window: the shutdown sequence writes both files.
    void Stop();
    // Writes data\data99.ini (in code page 932) / data\data0.kor before Start.
    void WriteSettings(const std::string& ini);
    void WriteDataFile(const std::string& bytes);

    // Stores `path` in global slot g, encoded as the window keeps it; the
    // second form sets the slot's password too.
    void Register(int g, const std::string& path);
    void Register(int g, const std::string& path, const std::string& password);
    // Plain path held by global slot g.
    std::string Slot(int g);
    // Cached icon of global slot g with the glyph side of this display, or
    // with `side` pixels; 32-pixel glyphs keep the plain names.
    std::string CacheFile(int g, int side = 0) const;

    const std::string& Dir() const { return dir_.Path(); }
    k2::TForm1& Form() { return *form_; }

    ScratchDir dir_;
    std::unique_ptr<k2::TForm1> form_;
};

} // namespace k2test
