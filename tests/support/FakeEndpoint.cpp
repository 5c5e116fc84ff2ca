#include "support/FakeEndpoint.h"

namespace k2test {

namespace {

class FakeVolume final : public k2::EndpointVolume {
public:
    explicit FakeVolume(FakeEndpoints& owner) : owner_(owner) { ++owner_.alive; }
    ~FakeVolume() override { --owner_.alive; }
    FakeVolume(const FakeVolume&) = delete;
    FakeVolume& operator=(const FakeVolume&) = delete;

    bool GetLevel(float& level) override {
        if (owner_.failGet) return false;
        level = owner_.level;
        return true;
    }
    bool SetLevel(float level) override {
        if (owner_.failSet || level < 0 || level > 1) return false;
        owner_.written.push_back(level);
        owner_.level = level;
        return true;
    }

private:
    FakeEndpoints& owner_;
};

} // namespace

std::unique_ptr<k2::EndpointVolume> FakeEndpoints::OpenDefaultRender() {
    if (!present) return nullptr;
    ++opened;
    return std::make_unique<FakeVolume>(*this);
}

} // namespace k2test
