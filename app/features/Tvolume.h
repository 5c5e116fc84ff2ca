// MasterVolume: reads and sets the speakers' volume of the first mixer
// device in percent, for the volume hot keys.
#pragma once
#include "components/MixerApi.h"

#include <cstdint>

namespace k2 {

class MasterVolume {
public:
    static constexpr std::uint32_t kNoControl = 0xFFFFFFFF;

    // Opens nothing yet: the device is opened on first use.
    explicit MasterVolume(const MixerApi& api = WinmmMixerApi());
    ~MasterVolume();
    MasterVolume(const MasterVolume&) = delete;
    MasterVolume& operator=(const MasterVolume&) = delete;

    bool Open();
    // Closes the device and forgets the control; false when closing fails.
    bool Close();
    bool FindVolumeControl();
    bool GetPercent(unsigned& percent);
    bool SetPercent(unsigned p);
    // Moves the volume by d percentage points, stopping at 0 and 100.
    bool Step(int d);

    MixerHandle mixer;
    MIXERCAPSA caps{};
    std::uint32_t minimum = 0;
    std::uint32_t maximum = 0;
    // kNoControl while the control has not been located on the open device.
    std::uint32_t controlId = kNoControl;

private:
    const MixerApi& api_;
};

} // namespace k2
