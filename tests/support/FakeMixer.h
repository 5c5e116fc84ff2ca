// A mixer in memory behind the MixerApi table: devices with destinations,
// sources, targets and controls, recording every call made to it. One fake
// is active at a time (the table holds plain functions).
#pragma once
#include "components/MixerApi.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace k2test {

struct FakeControl {
    DWORD id = 0;
    DWORD type = MIXERCONTROL_CONTROLTYPE_VOLUME;
    DWORD flags = 0; // fdwControl
    DWORD minimum = 0;
    DWORD maximum = 65535;
    std::string name{};
    DWORD value = 0;
};

struct FakeLine {
    DWORD lineId = 0;
    DWORD componentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    DWORD channels = 2;
    std::string name{};
    std::string shortName{};
    // Target; a line has one when any of the first five is non-zero.
    DWORD targetType = 0;
    DWORD targetDeviceId = 0;
    WORD targetMid = 0;
    WORD targetPid = 0;
    DWORD targetVersion = 0;
    std::string targetName{};
    std::vector<FakeControl> controls{};
    std::vector<FakeLine> sources{}; // of a destination
    bool unreadable = false;       // mixerGetLineInfoW fails for it
};

struct FakeDevice {
    std::string name{};
    std::vector<FakeLine> destinations{};
    bool failCaps = false;
};

struct MixerCall {
    std::string function{}; // "mixerOpen", "mixerGetLineInfoW" ...
    UINT_PTR object = 0;  // device id or handle as passed
    DWORD flags = 0;
    DWORD cbStruct = 0; // record size (the size argument for mixerGetDevCapsW)
    DWORD cbItem = 0;   // cbmxctrl or cbDetails
    DWORD lineId = 0;
    DWORD controlType = 0;
    DWORD controlId = 0;
    DWORD channels = 0; // cChannels of control details
    DWORD value = 0;    // written by mixerSetControlDetails
    DWORD_PTR callback = 0;
};

class FakeMixer {
public:
    FakeMixer();
    ~FakeMixer();
    FakeMixer(const FakeMixer&) = delete;
    FakeMixer& operator=(const FakeMixer&) = delete;

    const k2::MixerApi& Api() const;

    std::vector<FakeDevice> devices{};
    std::vector<MixerCall> calls{};
    // Functions (by winmm name) that fail with MMSYSERR_ERROR.
    std::set<std::string> failing;

    std::vector<MixerCall> CallsTo(const std::string& function) const;
    int CountOf(const std::string& function) const;
    std::size_t OpenHandles() const { return open_.size(); }
    // Device index behind an open handle; -1 when it is not open.
    int DeviceOf(HMIXER handle) const;
    // Control by id on a device; null when there is none.
    FakeControl* Control(std::size_t device, DWORD id);

    // Implementation of the table's functions.
    MMRESULT Open(LPHMIXER mixer, UINT deviceId, DWORD_PTR callback, DWORD flags);
    MMRESULT Close(HMIXER mixer);
    MMRESULT GetDevCaps(UINT_PTR mixerOrId, LPMIXERCAPSW caps, UINT size);
    MMRESULT GetLineInfo(HMIXEROBJ object, LPMIXERLINEW line, DWORD flags);
    MMRESULT GetLineControls(HMIXEROBJ object, LPMIXERLINECONTROLSW controls, DWORD flags);
    MMRESULT ControlDetails(const char* function, HMIXEROBJ object, LPMIXERCONTROLDETAILS details, DWORD flags);

private:
    FakeDevice* Resolve(HMIXEROBJ object, DWORD flags);
    FakeLine* LineById(FakeDevice& device, DWORD lineId);

    std::map<HMIXER, std::size_t> open_;
    UINT_PTR nextHandle_ = 0x7A000;
};

} // namespace k2test
