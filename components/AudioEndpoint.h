// The system's master volume since Windows Vista: the volume of the default
// render endpoint (the speakers or headphones the system plays through). The
// winmm mixer reaches only the calling program's own audio session there.
#pragma once
#include <memory>

namespace k2 {

// The master volume of one endpoint, as a level from 0.0 to 1.0.
class EndpointVolume {
public:
    virtual ~EndpointVolume() = default;
    virtual bool GetLevel(float& level) = 0;
    virtual bool SetLevel(float level) = 0;
    virtual bool Unmute() = 0;
};

// Hands out the volume of the default render endpoint; another source (a test
// double) can stand in for the system's.
class AudioEndpoints {
public:
    virtual ~AudioEndpoints() = default;
    // Null when there is none: no audio device, or no audio service.
    virtual std::unique_ptr<EndpointVolume> OpenDefaultRender() = 0;
};

// The system's endpoints (MMDevice API). Each endpoint object keeps COM
// initialised on its thread for as long as it lives.
AudioEndpoints& SystemAudioEndpoints();

} // namespace k2
