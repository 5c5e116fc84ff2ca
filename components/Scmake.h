// TSCMake: writes a shortcut file (.lnk) from its properties and reads one
// back into them, through the shell's link object.
#pragma once
#include "toolkit/Component.h"

#include <cstdint>
#include <string>

namespace k2 {

class TSCMake : public tk::Component {
public:
    enum WNDSTATE { Normal, Maximize, Minimize };

    explicit TSCMake(tk::Component* owner);
    ~TSCMake() override;

    // Published properties.
    std::string SCDir;    // folder that holds the shortcut file
    std::string SCName;   // shortcut file name without ".lnk"
    std::string LinkPath; // target
    std::string WorkDir;
    std::string IconPath;
    int IconNo = 0;
    std::string Argument;

    WNDSTATE GetWndState() const;
    void SetWndState(WNDSTATE state);
    // Shortcut value: virtual key in bits 0-12, 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt.
    std::uint16_t GetSCKey() const;
    void SetSCKey(std::uint16_t value);

    // Writes SCDir\SCName.lnk. -1 when SCName, SCDir or LinkPath is empty,
    // otherwise the COM result (an HRESULT) of the step that ended it.
    long CreateLink();
    // Reads a ".lnk" file into the properties: 0, or -1 with nothing changed.
    int AnalizeLink(std::string path);

    // Every property back to its value after construction.
    void ResetProperties();

private:
    int FShowCmd = 0;          // show command written to and read from the link
    std::uint16_t FHotKey = 0; // link hot-key format: low byte key, high byte HOTKEYF_* flags
    bool comInitialized_ = false;
};

} // namespace k2
