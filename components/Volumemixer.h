// TVolumeMixer: lists the mixer devices and the destinations of one device,
// loads the volume controls of one destination (its own and one per source
// line), reads and sets them in percent, and describes single lines.
#pragma once
#include "components/MixerApi.h"
#include "toolkit/Component.h"

#include <cstdint>
#include <string>
#include <vector>

namespace k2 {

class TVolumeMixer : public tk::Component {
public:
    struct MixInfo {
        std::string Name;
        std::string ShortName;
        std::string ComponentType; // left as it was for a type without a name
        std::string TargetType;
        std::string TargetName;
        std::string LineID; // 8 upper-case hexadecimal digits
        int Channels = 0;   // 1 for a uniform volume control, else the line's channel count
    };

    static constexpr std::uint32_t kNotLoaded = 0xFFFFFFFF;

    // Scans every device once to fill MixerNames; leaves none open.
    explicit TVolumeMixer(tk::Component* owner, const MixerApi& api = WinmmMixerApi());
    // Closes a device still open.
    ~TVolumeMixer() override;

    MixerHandle Mixer;
    MIXERCAPSW Caps{};
    std::uint32_t DeviceID = 0;
    HWND CallbackWindow = nullptr;
    int Destination = 0;
    std::uint32_t DeviceCount = 0;
    int VolumeCount = 0;
    std::uint32_t DestinationCount = 0;
    // Entry 0: the destination's volume control; 1..VolumeCount: the sources'.
    std::vector<std::string> VolumeNames;
    std::vector<std::string> MixerNames; // one per device id
    std::vector<std::string> DestinationNames;
    std::vector<std::uint32_t> VolumeMins;
    std::vector<std::uint32_t> VolumeMaxs;
    std::vector<std::uint32_t> VolumeIDs; // entry 0 kNotLoaded: no controls loaded

    // Results: 1 success, 0 failure.
    int InitMixer(HWND callbackWindow, int deviceId);
    void ReleaseMixer();
    int InitVolumeControl();
    // index 0 is the destination's volume, 1..VolumeCount the sources'.
    int GetVolume(int& percent, int index);
    int SetVolume(int percent, int index);
    std::string GetMixerName(int index);
    int GetDestinationName();
    // source 0 describes the destination line itself, k >= 1 its k-th source line.
    int GetLineInfo(HWND callbackWindow, MixInfo& info, int source, int destination, int deviceId);

private:
    bool Loaded() const { return VolumeIDs[0] != kNotLoaded; }
    bool QueryLine(MIXERLINEW& line, DWORD flags);
    bool QueryVolumeControl(const MIXERLINEW& line, MIXERCONTROLW& control);
    bool DescribeLine(MixInfo& info, int source, int destination);

    const MixerApi& api_;
};

} // namespace k2
