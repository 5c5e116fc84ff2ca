#include "app/features/Tvolume.h"

#include <algorithm>

namespace k2 {

namespace {

// n := p + d, kept within 0 and 100.
unsigned Stepped(unsigned p, int d) {
    return static_cast<unsigned>(std::clamp(static_cast<long long>(p) + d, 0LL, 100LL));
}

} // namespace

MasterVolume::MasterVolume(const MixerApi& api, AudioEndpoints& endpoints)
    : mixer(api), api_(api), endpoints_(endpoints) {}

MasterVolume::~MasterVolume() { Close(); }

bool MasterVolume::Open() {
    if (mixer) return true;
    if (mixer.Open(0, 0, 0) != MMSYSERR_NOERROR) return false;
    // On failure the device stays open: the next Open answers true.
    return api_.getDevCaps(reinterpret_cast<UINT_PTR>(mixer.Get()), &caps, sizeof caps) == MMSYSERR_NOERROR;
}

bool MasterVolume::Close() {
    const MMRESULT result = mixer.Reset();
    controlId = kNoControl;
    return result == MMSYSERR_NOERROR;
}

bool MasterVolume::FindVolumeControl() {
    if (controlId != kNoControl) return true;
    if (!Open()) return false;

    MIXERLINEW line{};
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    if (api_.getLineInfo(mixer.Object(), &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
        MMSYSERR_NOERROR)
        return false;

    MIXERCONTROLW control{};
    if (!QueryVolumeControl(api_, mixer.Object(), line.dwLineID, control)) return false;

    minimum = control.Bounds.dwMinimum;
    maximum = control.Bounds.dwMaximum;
    controlId = control.dwControlID;
    return true;
}

bool MasterVolume::GetPercent(unsigned& percent) {
    if (!FindVolumeControl()) return false;
    MIXERCONTROLDETAILS_UNSIGNED value{};
    MIXERCONTROLDETAILS details = UnsignedValueDetails(controlId, value);
    if (api_.getControlDetails(mixer.Object(), &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) !=
        MMSYSERR_NOERROR)
        return false;
    percent = VolumeToPercent(value.dwValue, minimum, maximum);
    return true;
}

bool MasterVolume::SetPercent(unsigned p) {
    if (!FindVolumeControl()) return false;
    MIXERCONTROLDETAILS_UNSIGNED value{PercentToVolume(p, minimum, maximum)};
    MIXERCONTROLDETAILS details = UnsignedValueDetails(controlId, value);
    return api_.setControlDetails(mixer.Object(), &details,
                                  MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) == MMSYSERR_NOERROR;
}

bool MasterVolume::StepEndpoint(EndpointVolume& endpoint, int d) {
    float level = 0;
    if (!endpoint.GetLevel(level)) return false;
    // Rounded to the nearest percent, halves up; NaN reads as silence.
    const unsigned p = level > 0 ? static_cast<unsigned>(std::min(level, 1.0f) * 100 + 0.5f) : 0;
    // As the system's own volume-up key does; a device without a mute
    // control still takes the level.
    if (d > 0) endpoint.Unmute();
    return endpoint.SetLevel(static_cast<float>(Stepped(p, d)) / 100);
}

bool MasterVolume::Step(int d) {
    if (const std::unique_ptr<EndpointVolume> endpoint = endpoints_.OpenDefaultRender())
        return StepEndpoint(*endpoint, d);
    unsigned p = 0;
    if (!GetPercent(p)) return false;
    return SetPercent(Stepped(p, d));
}

} // namespace k2
