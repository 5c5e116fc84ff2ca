#include "components/Volumemixer.h"

#include "toolkit/Text.h"

#include <cstdio>
#include <cstring>
#include <iterator>

namespace k2 {

namespace {

constexpr const char* kDestinationTypeNames[] = {
    "DST_UNDEFINED", "DST_Digital",   "DST_Line",    "DST_Monitor",  "DST_Speakers",
    "DST_HeadHones", "DST_Telephone", "DST_Wave In", "DST_Voice In",
};
constexpr const char* kSourceTypeNames[] = {
    "SRC_UNDEFINED",   "SRC_Digital",   "SRC_Line",      "SRC_Microphone", "SRC_Synthesizer", "SRC_CompactDisc",
    "SRC_Telephone",   "SRC_PcSpeaker", "SRC_WaveOut",   "SRC_AuxILiary",  "SRC_Analog",
};
constexpr const char* kTargetTypeNames[] = {"UNDEFINED", "Wave Out", "Wave In", "Midi Out", "Midi In", "AUX"};

// Name of a line's component type; null for a type without one.
const char* ComponentTypeName(DWORD type) {
    const DWORD destination = type - MIXERLINE_COMPONENTTYPE_DST_FIRST;
    if (destination < std::size(kDestinationTypeNames)) return kDestinationTypeNames[destination];
    const DWORD source = type - MIXERLINE_COMPONENTTYPE_SRC_FIRST;
    if (source < std::size(kSourceTypeNames)) return kSourceTypeNames[source];
    return nullptr;
}

const char* TargetTypeName(DWORD type) {
    return type < std::size(kTargetTypeNames) ? kTargetTypeNames[type] : "不明";
}

// A driver's fixed-size name field, read no further than its end.
template <std::size_t N> std::string FieldText(const wchar_t (&field)[N]) {
    return tk::Utf8(std::wstring_view(field, wcsnlen(field, N)));
}

bool HasTarget(const MIXERLINEW& line) {
    return line.Target.dwType != 0 || line.Target.dwDeviceID != 0 || line.Target.wMid != 0 ||
           line.Target.wPid != 0 || line.Target.vDriverVersion != 0;
}

void Describe(TVolumeMixer::MixInfo& info, const MIXERLINEW& line, const MIXERCONTROLW& volume) {
    info.Name = FieldText(line.szName);
    info.ShortName = FieldText(line.szShortName);
    if (const char* type = ComponentTypeName(line.dwComponentType)) info.ComponentType = type;
    info.TargetType = TargetTypeName(line.Target.dwType);
    info.TargetName = FieldText(line.Target.szPname);
    char id[9];
    std::snprintf(id, sizeof id, "%08lX", static_cast<unsigned long>(line.dwLineID));
    info.LineID = id;
    info.Channels = volume.fdwControl == MIXERCONTROL_CONTROLF_UNIFORM ? 1 : static_cast<int>(line.cChannels);
}

} // namespace

TVolumeMixer::TVolumeMixer(tk::Component* owner, const MixerApi& api)
    : tk::Component(owner), Mixer(api), VolumeNames(1), DestinationNames(1), VolumeMins(1), VolumeMaxs(1),
      VolumeIDs(1, kNotLoaded), api_(api) {
    DeviceCount = api_.getNumDevs();
    MixerNames.resize(DeviceCount);
    for (std::uint32_t id = 0; id < DeviceCount; ++id) {
        InitMixer(nullptr, static_cast<int>(id));
        Mixer.Reset();
    }
}

TVolumeMixer::~TVolumeMixer() = default;

int TVolumeMixer::InitMixer(HWND callbackWindow, int deviceId) {
    DestinationCount = 0;
    if (Mixer) return 1;
    if (Mixer.Open(static_cast<UINT>(deviceId), reinterpret_cast<DWORD_PTR>(callbackWindow), CALLBACK_WINDOW) !=
        MMSYSERR_NOERROR)
        return 0;
    if (api_.getDevCaps(reinterpret_cast<UINT_PTR>(Mixer.Get()), &Caps, sizeof Caps) != MMSYSERR_NOERROR) return 0;

    DeviceID = static_cast<std::uint32_t>(deviceId);
    CallbackWindow = callbackWindow;
    // A device that appeared after the scan has no entry yet.
    if (DeviceID >= MixerNames.size()) MixerNames.resize(DeviceID + 1);
    MixerNames[DeviceID] = FieldText(Caps.szPname);
    DestinationCount = Caps.cDestinations;
    DestinationNames.resize(DestinationCount);
    GetDestinationName();
    return 1;
}

void TVolumeMixer::ReleaseMixer() {
    Mixer.Reset();
    VolumeIDs[0] = kNotLoaded;
}

bool TVolumeMixer::QueryLine(MIXERLINEW& line, DWORD flags) {
    line.cbStruct = sizeof line;
    return api_.getLineInfo(Mixer.Object(), &line, MIXER_OBJECTF_HMIXER | flags) == MMSYSERR_NOERROR;
}

bool TVolumeMixer::QueryVolumeControl(const MIXERLINEW& line, MIXERCONTROLW& control) {
    return k2::QueryVolumeControl(api_, Mixer.Object(), line.dwLineID, control);
}

int TVolumeMixer::GetDestinationName() {
    if (DestinationNames.size() < DestinationCount) DestinationNames.resize(DestinationCount);
    for (DWORD d = 0; d < DestinationCount; ++d) {
        // Nothing more is filled while volume controls are loaded.
        if (Loaded()) return 1;
        MIXERLINEW line{};
        line.dwDestination = d;
        if (!QueryLine(line, MIXER_GETLINEINFOF_DESTINATION)) return 0;
        DestinationNames[d] = FieldText(line.szName);
    }
    return 1;
}

int TVolumeMixer::InitVolumeControl() {
    if (Loaded()) return 1;
    MIXERLINEW destination{};
    destination.dwDestination = static_cast<DWORD>(Destination);
    if (!QueryLine(destination, MIXER_GETLINEINFOF_DESTINATION)) return 0;
    MIXERCONTROLW own{};
    if (!QueryVolumeControl(destination, own)) return 0;

    const std::size_t entries = std::size_t{destination.cConnections} + 1;
    VolumeNames.resize(entries);
    VolumeMins.resize(entries);
    VolumeMaxs.resize(entries);
    VolumeIDs.resize(entries);
    // Entry 0 marks the load complete only once every source has been read,
    // so a load that fails half-way is tried again in full.
    int n = 0;
    for (DWORD s = 0; s < destination.cConnections; ++s) {
        MIXERLINEW line{};
        line.dwDestination = destination.dwDestination;
        line.dwSource = s;
        if (!QueryLine(line, MIXER_GETLINEINFOF_SOURCE)) {
            VolumeCount = 0;
            return 0;
        }
        if (line.cControls == 0) continue;

        std::vector<MIXERCONTROLW> controls(line.cControls);
        for (auto& control : controls) control.cbStruct = sizeof control;
        MIXERLINECONTROLSW query{};
        query.cbStruct = sizeof query;
        query.dwLineID = line.dwLineID;
        query.cControls = line.cControls;
        query.cbmxctrl = sizeof(MIXERCONTROLW);
        query.pamxctrl = controls.data();
        if (api_.getLineControls(Mixer.Object(), &query, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ALL) !=
            MMSYSERR_NOERROR) {
            VolumeCount = 0;
            return 0;
        }
        if (!HasTarget(line)) continue;
        for (const auto& control : controls) {
            if (control.dwControlType != MIXERCONTROL_CONTROLTYPE_VOLUME) continue;
            ++n;
            VolumeNames[n] = FieldText(line.szShortName);
            VolumeMins[n] = control.Bounds.dwMinimum;
            VolumeMaxs[n] = control.Bounds.dwMaximum;
            VolumeIDs[n] = control.dwControlID;
            break;
        }
    }
    VolumeNames[0] = FieldText(own.szName);
    VolumeMins[0] = own.Bounds.dwMinimum;
    VolumeMaxs[0] = own.Bounds.dwMaximum;
    VolumeIDs[0] = own.dwControlID;
    VolumeCount = n;
    return 1;
}

int TVolumeMixer::GetVolume(int& percent, int index) {
    if (!InitVolumeControl()) return 0;
    if (index < 0 || static_cast<std::size_t>(index) >= VolumeIDs.size()) return 0;
    MIXERCONTROLDETAILS_UNSIGNED value{};
    MIXERCONTROLDETAILS details = UnsignedValueDetails(VolumeIDs[index], value);
    if (api_.getControlDetails(Mixer.Object(), &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) !=
        MMSYSERR_NOERROR)
        return 0;
    percent = static_cast<int>(VolumeToPercent(value.dwValue, VolumeMins[index], VolumeMaxs[index]));
    return 1;
}

int TVolumeMixer::SetVolume(int percent, int index) {
    if (!InitVolumeControl()) return 0;
    if (index < 0 || static_cast<std::size_t>(index) >= VolumeIDs.size()) return 0;
    // Above 100 is passed on unclamped; below 0 means the lower bound.
    const unsigned share = percent < 0 ? 0u : static_cast<unsigned>(percent);
    MIXERCONTROLDETAILS_UNSIGNED value{PercentToVolume(share, VolumeMins[index], VolumeMaxs[index])};
    MIXERCONTROLDETAILS details = UnsignedValueDetails(VolumeIDs[index], value);
    return api_.setControlDetails(Mixer.Object(), &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
                   MMSYSERR_NOERROR
               ? 1
               : 0;
}

std::string TVolumeMixer::GetMixerName(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= VolumeNames.size()) return {};
    return VolumeNames[index];
}

bool TVolumeMixer::DescribeLine(MixInfo& info, int source, int destination) {
    MIXERLINEW line{};
    line.dwDestination = static_cast<DWORD>(destination);
    if (!QueryLine(line, MIXER_GETLINEINFOF_DESTINATION)) return false;
    MIXERCONTROLW volume{};
    if (!QueryVolumeControl(line, volume)) return false;
    if (source == 0) {
        Describe(info, line, volume);
        return true;
    }
    // Every source line is queried and counts, with or without a target.
    VolumeCount = static_cast<int>(line.cConnections);
    const DWORD connections = line.cConnections;
    for (DWORD s = 0; s < connections; ++s) {
        MIXERLINEW sourceLine{};
        sourceLine.dwDestination = static_cast<DWORD>(destination);
        sourceLine.dwSource = s;
        if (!QueryLine(sourceLine, MIXER_GETLINEINFOF_SOURCE)) return false;
        if (!QueryVolumeControl(sourceLine, volume)) return false;
        if (HasTarget(sourceLine) && static_cast<int>(s) + 1 == source) Describe(info, sourceLine, volume);
    }
    return true;
}

int TVolumeMixer::GetLineInfo(HWND callbackWindow, MixInfo& info, int source, int destination, int deviceId) {
    // The device held (and its loaded controls) is given back afterwards,
    // whatever the outcome, so the component keeps working on it.
    const bool held = static_cast<bool>(Mixer);
    const bool loaded = Loaded();
    const std::uint32_t heldDevice = DeviceID;
    const HWND heldWindow = CallbackWindow;
    const int heldDestination = Destination;
    if (held) ReleaseMixer();

    const bool described = InitMixer(callbackWindow, deviceId) == 1 && DescribeLine(info, source, destination);
    if (!held) return described ? 1 : 0;

    // Close the asked-for device first: opening is a no-op while one is open.
    Mixer.Reset();
    if (!InitMixer(heldWindow, static_cast<int>(heldDevice))) return 0;
    if (loaded) {
        Destination = heldDestination;
        if (!InitVolumeControl()) return 0;
    }
    return described ? 1 : 0;
}

} // namespace k2
