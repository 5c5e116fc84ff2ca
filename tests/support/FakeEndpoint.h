// A default render endpoint in memory behind AudioEndpoints: its level, which
// calls fail, and what was written, as Windows and Wine behave.
#pragma once
#include "components/AudioEndpoint.h"

#include <vector>

namespace k2test {

class FakeEndpoints final : public k2::AudioEndpoints {
public:
    std::unique_ptr<k2::EndpointVolume> OpenDefaultRender() override {
        if (!present) return nullptr;
        if (defaultNow) return defaultNow->OpenDefaultRender();
        ++opened;
        return std::make_unique<Volume>(*this);
    }

    bool present = true;  // false: no audio device
    FakeEndpoints* defaultNow = nullptr; // the user switched the default output to this one
    float level = 1.0f;   // the endpoint's master volume
    bool muted = false;
    bool failGet = false;
    bool failSet = false; // Wine 8 answers E_NOTIMPL to every write
    std::vector<float> written{};
    int opened = 0; // endpoint objects handed out
    int alive = 0;  // of those, not yet released

private:
    class Volume final : public k2::EndpointVolume {
    public:
        explicit Volume(FakeEndpoints& owner) : owner_(owner) { ++owner_.alive; }
        ~Volume() override { --owner_.alive; }
        Volume(const Volume&) = delete;
        Volume& operator=(const Volume&) = delete;

        bool GetLevel(float& level) override {
            if (owner_.failGet) return false;
            level = owner_.level;
            return true;
        }
        bool SetLevel(float level) override {
            if (owner_.failSet || level < 0 || level > 1) return false;
            owner_.written.push_back(owner_.level = level);
            return true;
        }
        bool Unmute() override {
            owner_.muted = false;
            return true;
        }

    private:
        FakeEndpoints& owner_;
    };
};

} // namespace k2test
