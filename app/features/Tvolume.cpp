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

bool MasterVolume::OpenEndpoint() {
    if (!endpoint) endpoint = endpoints_.OpenDefaultRender();
    return endpoint != nullptr;
}

bool MasterVolume::GetEndpointPercent(unsigned& percent) {
    float level = 0;
    if (!OpenEndpoint() || !endpoint->GetLevel(level)) return false;
    // Rounded to the nearest percent, halves up; NaN reads as silence.
    percent = level > 0 ? static_cast<unsigned>(std::min(level, 1.0f) * 100 + 0.5f) : 0;
    return true;
}

bool MasterVolume::SetEndpointPercent(unsigned p) {
    return OpenEndpoint() && endpoint->SetLevel(static_cast<float>(std::min(p, 100u)) / 100);
}

bool MasterVolume::StepEndpoint(int d) {
    unsigned p = 0;
    if (GetEndpointPercent(p) && SetEndpointPercent(Stepped(p, d))) return true;
    // Gone (the device was removed) or refusing the change: this press goes
    // to the mixer, and the next one asks for the default endpoint again.
    endpoint.reset();
    return false;
}

bool MasterVolume::Step(int d) {
    if (StepEndpoint(d)) return true;
    unsigned p = 0;
    if (!GetPercent(p)) return false;
    return SetPercent(Stepped(p, d));
}

} // namespace k2
