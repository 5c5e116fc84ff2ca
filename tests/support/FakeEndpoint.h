// A default render endpoint in memory behind AudioEndpoints: its level, which
// calls fail, and what was written, as Windows and Wine behave.
#pragma once
#include "components/AudioEndpoint.h"

#include <vector>

namespace k2test {

class FakeEndpoints final : public k2::AudioEndpoints {
public:
    std::unique_ptr<k2::EndpointVolume> OpenDefaultRender() override;

    bool present = true;     // false: no audio device
    float level = 1.0f;      // the endpoint's master volume
    bool failGet = false;
    bool failSet = false;    // Wine 8 answers E_NOTIMPL to every write
    std::vector<float> written{};
    int opened = 0;          // endpoint objects handed out
    int alive = 0;           // of those, not yet released
};

} // namespace k2test
