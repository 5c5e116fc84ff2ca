// MasterVolume: reads and sets the system's master volume in percent, for
// the volume hot keys: the default render endpoint's volume, or where there
// is none, the speakers' volume of the first mixer device.
#pragma once
#include "components/AudioEndpoint.h"
#include "components/MixerApi.h"

#include <cstdint>
#include <memory>

namespace k2 {

class MasterVolume {
public:
    static constexpr std::uint32_t kNoControl = 0xFFFFFFFF;

    // Opens nothing yet: the endpoint or device is opened on first use.
    explicit MasterVolume(const MixerApi& api = WinmmMixerApi(), AudioEndpoints& endpoints = SystemAudioEndpoints());
    ~MasterVolume();
    MasterVolume(const MasterVolume&) = delete;
    MasterVolume& operator=(const MasterVolume&) = delete;

    bool Open();
    // Closes the device and forgets the control; false when closing fails.
    bool Close();
    bool FindVolumeControl();
    // The mixer's speakers volume.
    bool GetPercent(unsigned& percent);
    bool SetPercent(unsigned p);

    // Moves the volume by d percentage points, stopping at 0 and 100, on the
    // render endpoint that is the default at this press (the user may have
    // switched to a headset since the last one); a step up also unmutes it.
    // The mixer moves only when there is no endpoint at all.
    bool Step(int d);

    MixerHandle mixer;
    MIXERCAPSW caps{};
    std::uint32_t minimum = 0;
    std::uint32_t maximum = 0;
    // kNoControl while the control has not been located on the open device.
    std::uint32_t controlId = kNoControl;

private:
    static bool StepEndpoint(EndpointVolume& endpoint, int d);

    const MixerApi& api_;
    AudioEndpoints& endpoints_;
};

} // namespace k2
