// The second settings tab "各種設定２", built when the user leaves the first
// tab and torn down when the user comes back to it.
#pragma once
#include "toolkit/Controls.h"

#include <memory>

namespace k2 {

class TForm1;

struct RuntimeSettingsTab {
    bool ignoreNextClick = false;  // the next password-group click came from the program
    std::unique_ptr<tk::TabSheet> sheet;
    std::unique_ptr<tk::RadioGroup> passwordGroup;
    std::unique_ptr<tk::RadioGroup> volumeGroup;
    std::unique_ptr<tk::RadioGroup> cursorGroup;
};

void BuildRuntimeSettingsTab(TForm1& form, RuntimeSettingsTab& tab);
void TeardownRuntimeSettingsTab(TForm1& form, RuntimeSettingsTab& tab);

} // namespace k2
