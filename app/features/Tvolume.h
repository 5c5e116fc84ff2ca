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

    // Makes sure the default render endpoint's volume is at hand.
    bool OpenEndpoint();
    // The endpoint's volume on the scale 0-100, read rounded; a level above
    // 100 is written as 100.
    bool GetEndpointPercent(unsigned& percent);
    bool SetEndpointPercent(unsigned p);

    // Moves the volume by d percentage points, stopping at 0 and 100: the
    // endpoint's, or the mixer's when no endpoint takes the change.
    bool Step(int d);

    MixerHandle mixer;
    MIXERCAPSW caps{};
    std::uint32_t minimum = 0;
    std::uint32_t maximum = 0;
    // kNoControl while the control has not been located on the open device.
    std::uint32_t controlId = kNoControl;
    // The default render endpoint's volume; null until first needed, and
    // again after it failed, so that the next press asks anew.
    std::unique_ptr<EndpointVolume> endpoint;

private:
    bool StepEndpoint(int d);

    const MixerApi& api_;
    AudioEndpoints& endpoints_;
};

} // namespace k2
