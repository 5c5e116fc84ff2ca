#include "components/AudioEndpoint.h"

#include "toolkit/Handles.h"

#include <windows.h>
#include <mmdeviceapi.h>
#include <endpointvolume.h>

namespace k2 {

namespace {

// COM on this thread for the owner's lifetime. Only a successful
// initialisation (S_OK or S_FALSE) is undone; in a thread that already chose
// the multithreaded apartment COM is usable as it is.
class ComApartment {
public:
    ComApartment() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (initialized_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialized_;
};

class SystemEndpointVolume final : public EndpointVolume {
public:
    bool GetLevel(float& level) override { return SUCCEEDED(volume->GetMasterVolumeLevelScalar(&level)); }
    bool SetLevel(float level) override { return SUCCEEDED(volume->SetMasterVolumeLevelScalar(level, nullptr)); }
    bool Unmute() override { return SUCCEEDED(volume->SetMute(FALSE, nullptr)); }

private:
    ComApartment apartment_;

public:
    // Declared after the apartment: released before COM is left.
    tk::ComPtr<IAudioEndpointVolume> volume;
};

class SystemEndpoints final : public AudioEndpoints {
public:
    std::unique_ptr<EndpointVolume> OpenDefaultRender() override {
        auto endpoint = std::make_unique<SystemEndpointVolume>();
        tk::ComPtr<IMMDeviceEnumerator> devices;
        if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                    __uuidof(IMMDeviceEnumerator), devices.PutVoid())))
            return nullptr;
        tk::ComPtr<IMMDevice> device;
        if (FAILED(devices->GetDefaultAudioEndpoint(eRender, eMultimedia, device.Put()))) return nullptr;
        if (FAILED(device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER, nullptr,
                                    endpoint->volume.PutVoid())))
            return nullptr;
        return endpoint;
    }
};

} // namespace

AudioEndpoints& SystemAudioEndpoints() {
    static SystemEndpoints endpoints;
    return endpoints;
}

} // namespace k2
