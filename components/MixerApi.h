// The winmm mixer functions the volume classes call, as one table, so that
// another mixer (a test double) can stand behind them; the owner of an open
// mixer handle; and the percentage arithmetic both classes share.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>

namespace k2 {

struct MixerApi {
    UINT(WINAPI* getNumDevs)();
    MMRESULT(WINAPI* open)(LPHMIXER mixer, UINT deviceId, DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
    MMRESULT(WINAPI* close)(HMIXER mixer);
    MMRESULT(WINAPI* getDevCaps)(UINT_PTR mixerOrId, LPMIXERCAPSW caps, UINT size);
    MMRESULT(WINAPI* getLineInfo)(HMIXEROBJ mixer, LPMIXERLINEW line, DWORD flags);
    MMRESULT(WINAPI* getLineControls)(HMIXEROBJ mixer, LPMIXERLINECONTROLSW controls, DWORD flags);
    MMRESULT(WINAPI* getControlDetails)(HMIXEROBJ mixer, LPMIXERCONTROLDETAILS details, DWORD flags);
    MMRESULT(WINAPI* setControlDetails)(HMIXEROBJ mixer, LPMIXERCONTROLDETAILS details, DWORD flags);
};

// The system's mixer (winmm).
const MixerApi& WinmmMixerApi();

// Owns an open mixer device and closes it through the table it was opened with.
class MixerHandle {
public:
    explicit MixerHandle(const MixerApi& api) : api_(&api) {}
    ~MixerHandle() { Reset(); }
    MixerHandle(const MixerHandle&) = delete;
    MixerHandle& operator=(const MixerHandle&) = delete;
    MixerHandle(MixerHandle&& other) noexcept;
    MixerHandle& operator=(MixerHandle&& other) noexcept;

    HMIXER Get() const { return handle_; }
    // The handle as a mixer object, for calls flagged MIXER_OBJECTF_HMIXER.
    HMIXEROBJ Object() const { return reinterpret_cast<HMIXEROBJ>(handle_); }
    explicit operator bool() const { return handle_ != nullptr; }

    // Opens a device in place of the one held; nothing is held on failure.
    MMRESULT Open(UINT deviceId, DWORD_PTR callback, DWORD flags);
    // Closes the device held; MMSYSERR_NOERROR when there is none.
    MMRESULT Reset();

private:
    const MixerApi* api_;
    HMIXER handle_ = nullptr;
};

// Looks up the volume control of a line (one control, by type) through an
// open mixer; true on success.
bool QueryVolumeControl(const MixerApi& api, HMIXEROBJ mixer, DWORD lineId, MIXERCONTROLW& control);

// Control details for one unsigned value shared by all channels, held in `value`.
MIXERCONTROLDETAILS UnsignedValueDetails(std::uint32_t controlId, MIXERCONTROLDETAILS_UNSIGNED& value);

// Share of a control's range in whole percent, rounded half up; a value
// outside the range reads as its nearest bound. A range that is empty (upper
// bound not above the lower) has a single level: a value at or above the
// upper bound reads 100 %, anything below it 0 %.
unsigned VolumeToPercent(std::uint32_t value, std::uint32_t minimum, std::uint32_t maximum);
// Raw value for a percentage of the range, truncated. Not clamped: a
// percentage above 100 lies above the range (saturating at the largest
// value). An empty range gives its upper bound.
std::uint32_t PercentToVolume(unsigned percent, std::uint32_t minimum, std::uint32_t maximum);

} // namespace k2
