#include "support/FakeMixer.h"
#include "toolkit/Text.h"

#include <algorithm>
#include <cwchar>
#include <cstring>
#include <iterator>

namespace k2test {

namespace {

FakeMixer* active = nullptr;

template <std::size_t N> void CopyText(wchar_t (&field)[N], const std::string& text) {
    const std::wstring wide = tk::Wide(text);
    const std::size_t n = std::min(wide.size(), N - 1);
    std::wmemcpy(field, wide.data(), n);
    field[n] = L'\0';
}

void FillLine(MIXERLINEW& out, const FakeLine& line, DWORD destination, DWORD source, bool isSource) {
    out.dwDestination = destination;
    out.dwSource = source;
    out.dwLineID = line.lineId;
    out.fdwLine = MIXERLINE_LINEF_ACTIVE | (isSource ? MIXERLINE_LINEF_SOURCE : 0);
    out.dwUser = 0;
    out.dwComponentType = line.componentType;
    out.cChannels = line.channels;
    out.cConnections = isSource ? 0 : static_cast<DWORD>(line.sources.size());
    out.cControls = static_cast<DWORD>(line.controls.size());
    CopyText(out.szShortName, line.shortName);
    CopyText(out.szName, line.name);
    out.Target.dwType = line.targetType;
    out.Target.dwDeviceID = line.targetDeviceId;
    out.Target.wMid = line.targetMid;
    out.Target.wPid = line.targetPid;
    out.Target.vDriverVersion = line.targetVersion;
    CopyText(out.Target.szPname, line.targetName);
}

void FillControl(MIXERCONTROLW& out, const FakeControl& control) {
    out = MIXERCONTROLW{};
    out.cbStruct = sizeof out;
    out.dwControlID = control.id;
    out.dwControlType = control.type;
    out.fdwControl = control.flags;
    CopyText(out.szShortName, control.name);
    CopyText(out.szName, control.name);
    out.Bounds.dwMinimum = control.minimum;
    out.Bounds.dwMaximum = control.maximum;
}

UINT WINAPI FakeGetNumDevs() {
    active->calls.push_back({.function = "mixerGetNumDevs"});
    return static_cast<UINT>(active->devices.size());
}
MMRESULT WINAPI FakeOpen(LPHMIXER mixer, UINT deviceId, DWORD_PTR callback, DWORD_PTR, DWORD flags) {
    return active->Open(mixer, deviceId, callback, flags);
}
MMRESULT WINAPI FakeClose(HMIXER mixer) { return active->Close(mixer); }
MMRESULT WINAPI FakeGetDevCaps(UINT_PTR mixerOrId, LPMIXERCAPSW caps, UINT size) {
    return active->GetDevCaps(mixerOrId, caps, size);
}
MMRESULT WINAPI FakeGetLineInfo(HMIXEROBJ object, LPMIXERLINEW line, DWORD flags) {
    return active->GetLineInfo(object, line, flags);
}
MMRESULT WINAPI FakeGetLineControls(HMIXEROBJ object, LPMIXERLINECONTROLSW controls, DWORD flags) {
    return active->GetLineControls(object, controls, flags);
}
MMRESULT WINAPI FakeGetControlDetails(HMIXEROBJ object, LPMIXERCONTROLDETAILS details, DWORD flags) {
    return active->ControlDetails("mixerGetControlDetailsW", object, details, flags);
}
MMRESULT WINAPI FakeSetControlDetails(HMIXEROBJ object, LPMIXERCONTROLDETAILS details, DWORD flags) {
    return active->ControlDetails("mixerSetControlDetails", object, details, flags);
}

const k2::MixerApi fakeApi{
    .getNumDevs = FakeGetNumDevs,
    .open = FakeOpen,
    .close = FakeClose,
    .getDevCaps = FakeGetDevCaps,
    .getLineInfo = FakeGetLineInfo,
    .getLineControls = FakeGetLineControls,
    .getControlDetails = FakeGetControlDetails,
    .setControlDetails = FakeSetControlDetails,
};

} // namespace

FakeMixer::FakeMixer() { active = this; }

FakeMixer::~FakeMixer() {
    if (active == this) active = nullptr;
}

const k2::MixerApi& FakeMixer::Api() const { return fakeApi; }

std::vector<MixerCall> FakeMixer::CallsTo(const std::string& function) const {
    std::vector<MixerCall> out;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
                 [&](const MixerCall& call) { return call.function == function; });
    return out;
}

int FakeMixer::CountOf(const std::string& function) const { return static_cast<int>(CallsTo(function).size()); }

int FakeMixer::DeviceOf(HMIXER handle) const {
    const auto it = open_.find(handle);
    return it == open_.end() ? -1 : static_cast<int>(it->second);
}

FakeControl* FakeMixer::Control(std::size_t device, DWORD id) {
    for (auto& destination : devices.at(device).destinations) {
        for (auto& control : destination.controls)
            if (control.id == id) return &control;
        for (auto& source : destination.sources)
            for (auto& control : source.controls)
                if (control.id == id) return &control;
    }
    return nullptr;
}

// Only open handles are accepted: the classes always query through one.
FakeDevice* FakeMixer::Resolve(HMIXEROBJ object, DWORD flags) {
    if ((flags & 0xF0000000) != MIXER_OBJECTF_HMIXER) return nullptr;
    const auto it = open_.find(reinterpret_cast<HMIXER>(object));
    return it == open_.end() ? nullptr : &devices[it->second];
}

FakeLine* FakeMixer::LineById(FakeDevice& device, DWORD lineId) {
    for (auto& destination : device.destinations) {
        if (destination.lineId == lineId) return &destination;
        for (auto& source : destination.sources)
            if (source.lineId == lineId) return &source;
    }
    return nullptr;
}

MMRESULT FakeMixer::Open(LPHMIXER mixer, UINT deviceId, DWORD_PTR callback, DWORD flags) {
    calls.push_back({.function = "mixerOpen", .object = deviceId, .flags = flags, .callback = callback});
    if (failing.count("mixerOpen")) return MMSYSERR_ERROR;
    if (deviceId >= devices.size()) return MMSYSERR_BADDEVICEID;
    const auto handle = reinterpret_cast<HMIXER>(nextHandle_);
    nextHandle_ += 4;
    open_[handle] = deviceId;
    *mixer = handle;
    return MMSYSERR_NOERROR;
}

MMRESULT FakeMixer::Close(HMIXER mixer) {
    calls.push_back({.function = "mixerClose", .object = reinterpret_cast<UINT_PTR>(mixer)});
    if (failing.count("mixerClose")) return MMSYSERR_ERROR;
    return open_.erase(mixer) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMRESULT FakeMixer::GetDevCaps(UINT_PTR mixerOrId, LPMIXERCAPSW caps, UINT size) {
    calls.push_back({.function = "mixerGetDevCapsW", .object = mixerOrId, .cbStruct = size});
    if (failing.count("mixerGetDevCapsW")) return MMSYSERR_ERROR;
    const auto it = open_.find(reinterpret_cast<HMIXER>(mixerOrId));
    const std::size_t index = it != open_.end() ? it->second : mixerOrId;
    if (index >= devices.size()) return MMSYSERR_BADDEVICEID;
    if (size != sizeof(MIXERCAPSW)) return MMSYSERR_INVALPARAM;
    const FakeDevice& device = devices[index];
    if (device.failCaps) return MMSYSERR_ERROR;
    *caps = MIXERCAPSW{};
    caps->wMid = 1;
    caps->wPid = 2;
    caps->vDriverVersion = 0x0100;
    CopyText(caps->szPname, device.name);
    caps->cDestinations = static_cast<DWORD>(device.destinations.size());
    return MMSYSERR_NOERROR;
}

MMRESULT FakeMixer::GetLineInfo(HMIXEROBJ object, LPMIXERLINEW line, DWORD flags) {
    calls.push_back({.function = "mixerGetLineInfoW",
                     .object = reinterpret_cast<UINT_PTR>(object),
                     .flags = flags,
                     .cbStruct = line->cbStruct});
    if (failing.count("mixerGetLineInfoW")) return MMSYSERR_ERROR;
    FakeDevice* device = Resolve(object, flags);
    if (!device) return MMSYSERR_INVALHANDLE;
    if (line->cbStruct != sizeof(MIXERLINEW)) return MMSYSERR_INVALPARAM;

    switch (flags & MIXER_GETLINEINFOF_QUERYMASK) {
    case MIXER_GETLINEINFOF_DESTINATION: {
        const DWORD d = line->dwDestination;
        if (d >= device->destinations.size()) return MIXERR_INVALLINE;
        if (device->destinations[d].unreadable) return MMSYSERR_ERROR;
        FillLine(*line, device->destinations[d], d, 0, false);
        return MMSYSERR_NOERROR;
    }
    case MIXER_GETLINEINFOF_SOURCE: {
        const DWORD d = line->dwDestination;
        const DWORD s = line->dwSource;
        if (d >= device->destinations.size() || s >= device->destinations[d].sources.size())
            return MIXERR_INVALLINE;
        if (device->destinations[d].sources[s].unreadable) return MMSYSERR_ERROR;
        FillLine(*line, device->destinations[d].sources[s], d, s, true);
        return MMSYSERR_NOERROR;
    }
    case MIXER_GETLINEINFOF_COMPONENTTYPE:
        for (DWORD d = 0; d < device->destinations.size(); ++d) {
            if (device->destinations[d].componentType == line->dwComponentType) {
                FillLine(*line, device->destinations[d], d, 0, false);
                return MMSYSERR_NOERROR;
            }
        }
        return MIXERR_INVALLINE;
    default: return MMSYSERR_NOTSUPPORTED;
    }
}

MMRESULT FakeMixer::GetLineControls(HMIXEROBJ object, LPMIXERLINECONTROLSW controls, DWORD flags) {
    calls.push_back({.function = "mixerGetLineControlsW",
                     .object = reinterpret_cast<UINT_PTR>(object),
                     .flags = flags,
                     .cbStruct = controls->cbStruct,
                     .cbItem = controls->cbmxctrl,
                     .lineId = controls->dwLineID,
                     .controlType = controls->dwControlType});
    if (failing.count("mixerGetLineControlsW")) return MMSYSERR_ERROR;
    FakeDevice* device = Resolve(object, flags);
    if (!device) return MMSYSERR_INVALHANDLE;
    if (controls->cbStruct != sizeof(MIXERLINECONTROLSW) || controls->cbmxctrl != sizeof(MIXERCONTROLW))
        return MMSYSERR_INVALPARAM;
    const FakeLine* line = LineById(*device, controls->dwLineID);
    if (!line) return MIXERR_INVALLINE;

    switch (flags & MIXER_GETLINECONTROLSF_QUERYMASK) {
    case MIXER_GETLINECONTROLSF_ALL:
        if (controls->cControls != line->controls.size()) return MMSYSERR_INVALPARAM;
        for (std::size_t i = 0; i < line->controls.size(); ++i) FillControl(controls->pamxctrl[i], line->controls[i]);
        return MMSYSERR_NOERROR;
    case MIXER_GETLINECONTROLSF_ONEBYTYPE:
        if (controls->cControls != 1) return MMSYSERR_INVALPARAM;
        for (const auto& control : line->controls) {
            if (control.type == controls->dwControlType) {
                FillControl(*controls->pamxctrl, control);
                controls->dwControlID = control.id;
                return MMSYSERR_NOERROR;
            }
        }
        return MIXERR_INVALCONTROL;
    default: return MMSYSERR_NOTSUPPORTED;
    }
}

MMRESULT FakeMixer::ControlDetails(const char* function, HMIXEROBJ object, LPMIXERCONTROLDETAILS details,
                                   DWORD flags) {
    const bool set = std::strcmp(function, "mixerSetControlDetails") == 0;
    MixerCall call{.function = function,
                   .object = reinterpret_cast<UINT_PTR>(object),
                   .flags = flags,
                   .cbStruct = details->cbStruct,
                   .cbItem = details->cbDetails,
                   .controlId = details->dwControlID,
                   .channels = details->cChannels};
    if (set && details->paDetails) call.value = static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails)->dwValue;
    calls.push_back(call);
    if (failing.count(function)) return MMSYSERR_ERROR;
    FakeDevice* device = Resolve(object, flags);
    if (!device) return MMSYSERR_INVALHANDLE;
    if (details->cbStruct != sizeof(MIXERCONTROLDETAILS) || details->cbDetails != sizeof(MIXERCONTROLDETAILS_UNSIGNED) ||
        details->cChannels != 1 || details->cMultipleItems != 0 || !details->paDetails)
        return MMSYSERR_INVALPARAM;
    if ((flags & MIXER_GETCONTROLDETAILSF_QUERYMASK) != MIXER_GETCONTROLDETAILSF_VALUE) return MMSYSERR_NOTSUPPORTED;
    FakeControl* control = Control(static_cast<std::size_t>(device - devices.data()), details->dwControlID);
    if (!control) return MIXERR_INVALCONTROL;
    auto* value = static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails);
    if (set)
        control->value = value->dwValue;
    else
        value->dwValue = control->value;
    return MMSYSERR_NOERROR;
}

} // namespace k2test
