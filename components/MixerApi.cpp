#include "components/MixerApi.h"

#include <algorithm>
#include <utility>

namespace k2 {

const MixerApi& WinmmMixerApi() {
    static const MixerApi api{
        .getNumDevs = mixerGetNumDevs,
        .open = mixerOpen,
        .close = mixerClose,
        .getDevCaps = mixerGetDevCapsW,
        .getLineInfo = mixerGetLineInfoW,
        .getLineControls = mixerGetLineControlsW,
        .getControlDetails = mixerGetControlDetailsW,
        .setControlDetails = mixerSetControlDetails,
    };
    return api;
}

MixerHandle::MixerHandle(MixerHandle&& other) noexcept
    : api_(other.api_), handle_(std::exchange(other.handle_, nullptr)) {}

MixerHandle& MixerHandle::operator=(MixerHandle&& other) noexcept {
    if (this != &other) {
        Reset();
        api_ = other.api_;
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

MMRESULT MixerHandle::Open(UINT deviceId, DWORD_PTR callback, DWORD flags) {
    Reset();
    HMIXER opened = nullptr;
    const MMRESULT result = api_->open(&opened, deviceId, callback, 0, flags);
    if (result == MMSYSERR_NOERROR) handle_ = opened;
    return result;
}

MMRESULT MixerHandle::Reset() {
    if (!handle_) return MMSYSERR_NOERROR;
    return api_->close(std::exchange(handle_, nullptr));
}

bool QueryVolumeControl(const MixerApi& api, HMIXEROBJ mixer, DWORD lineId, MIXERCONTROLW& control) {
    control = MIXERCONTROLW{};
    control.cbStruct = sizeof control;
    MIXERLINECONTROLSW controls{};
    controls.cbStruct = sizeof controls;
    controls.dwLineID = lineId;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof control;
    controls.pamxctrl = &control;
    return api.getLineControls(mixer, &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
           MMSYSERR_NOERROR;
}

MIXERCONTROLDETAILS UnsignedValueDetails(std::uint32_t controlId, MIXERCONTROLDETAILS_UNSIGNED& value) {
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof details;
    details.dwControlID = controlId;
    details.cChannels = 1;
    details.cMultipleItems = 0;
    details.cbDetails = sizeof value;
    details.paDetails = &value;
    return details;
}

unsigned VolumeToPercent(std::uint32_t value, std::uint32_t minimum, std::uint32_t maximum) {
    if (maximum <= minimum) return value >= maximum ? 100u : 0u;
    const std::uint64_t range = maximum - minimum;
    const std::uint64_t offset = std::clamp(value, minimum, maximum) - minimum;
    return static_cast<unsigned>((offset * 100 + range / 2) / range);
}

std::uint32_t PercentToVolume(unsigned percent, std::uint32_t minimum, std::uint32_t maximum) {
    if (maximum <= minimum) return maximum;
    const std::uint64_t raw = std::uint64_t{percent} * (maximum - minimum) / 100 + minimum;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(raw, UINT32_MAX));
}

} // namespace k2
