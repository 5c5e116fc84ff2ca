// The master volume of the volume hot keys: against an in-memory endpoint and
// mixer, and against Wine's own when a sound server runs.
#include <gtest/gtest.h>

#include "app/features/Tvolume.h"
#include "support/FakeEndpoint.h"
#include "support/FakeMixer.h"

namespace {

using k2::MasterVolume;
using k2::PercentToVolume;
using k2test::FakeControl;
using k2test::FakeDevice;
using k2test::FakeEndpoints;
using k2test::FakeLine;
using k2test::FakeMixer;

constexpr DWORD kVolumeId = 7;

class MasterVolumeTest : public testing::Test {
protected:
    MasterVolumeTest() {
        // The speakers are not the first destination: the line is found by type.
        fake.devices.push_back(FakeDevice{
            .name = "Primary",
            .destinations = {
                FakeLine{.lineId = 0x10000, .componentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN, .name = "Rec",
                         .controls = {FakeControl{.id = 3, .name = "Rec Volume"}}},
                FakeLine{.lineId = 0x20000,
                         .componentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS,
                         .name = "Speakers",
                         .controls = {FakeControl{.id = 5, .type = MIXERCONTROL_CONTROLTYPE_MUTE, .name = "Mute"},
                                      FakeControl{.id = kVolumeId, .name = "Master Volume"}}},
            }});
        fake.devices.push_back(FakeDevice{.name = "Second"});
        // A system without an endpoint: the mixer is the master volume.
        endpoints.present = false;
    }
    DWORD& Raw() { return fake.Control(0, kVolumeId)->value; }

    FakeMixer fake;
    FakeEndpoints endpoints;
};

TEST_F(MasterVolumeTest, StepsStopAtTheEndsOfTheScale) {
    MasterVolume volume(fake.Api(), endpoints);
    struct Case {
        DWORD raw;
        int step;
        DWORD written;
    } const cases[] = {
        {PercentToVolume(98, 0, 65535), +4, 65535}, // 98 % up by 4: 100 %
        {PercentToVolume(2, 0, 65535), -4, 0},      // 2 % down by 4: 0 %
        {PercentToVolume(50, 0, 65535), +4, PercentToVolume(54, 0, 65535)},
        {PercentToVolume(50, 0, 65535), 0, PercentToVolume(50, 0, 65535)},
        {65535, -1000, 0},
        {0, 1000, 65535},
    };
    // Each press starts from the level as it is then, whoever set it.
    for (const Case& c : cases) {
        Raw() = c.raw;
        EXPECT_TRUE(volume.Step(c.step));
        EXPECT_EQ(Raw(), c.written) << "from raw " << c.raw << " step " << c.step;
    }
}

TEST_F(MasterVolumeTest, FiftyPercentWritesHalfTheRangeAndReadsBackFifty) {
    MasterVolume volume(fake.Api(), endpoints);
    ASSERT_TRUE(volume.SetPercent(50));
    EXPECT_EQ(Raw(), 32767u);
    unsigned percent = 0;
    ASSERT_TRUE(volume.GetPercent(percent));
    EXPECT_EQ(percent, 50u);
    Raw() = 32768;
    ASSERT_TRUE(volume.GetPercent(percent));
    EXPECT_EQ(percent, 50u);
}

TEST_F(MasterVolumeTest, OpensDeviceZeroAndLocatesTheControlOncePerOpening) {
    {
        MasterVolume volume(fake.Api(), endpoints);
        EXPECT_EQ(fake.calls.size(), 0u) << "nothing is opened before first use";
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(volume.Step(4));

        const auto opens = fake.CallsTo("mixerOpen");
        ASSERT_EQ(opens.size(), 1u);
        EXPECT_EQ(opens[0].object, 0u);
        EXPECT_EQ(opens[0].flags, 0u);
        EXPECT_EQ(opens[0].callback, 0u);
        ASSERT_EQ(fake.CountOf("mixerGetDevCapsW"), 1);
        EXPECT_EQ(fake.CallsTo("mixerGetDevCapsW")[0].cbStruct, sizeof(MIXERCAPSW));

        const auto lines = fake.CallsTo("mixerGetLineInfoW");
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].flags, 0x80000003u);
        EXPECT_EQ(lines[0].cbStruct, sizeof(MIXERLINEW));
        const auto controls = fake.CallsTo("mixerGetLineControlsW");
        ASSERT_EQ(controls.size(), 1u);
        EXPECT_EQ(controls[0].flags, 0x80000002u);
        EXPECT_EQ(controls[0].cbStruct, sizeof(MIXERLINECONTROLSW));
        EXPECT_EQ(controls[0].cbItem, sizeof(MIXERCONTROLW));
        EXPECT_EQ(controls[0].lineId, 0x20000u);
        EXPECT_EQ(controls[0].controlType, static_cast<DWORD>(MIXERCONTROL_CONTROLTYPE_VOLUME));
        EXPECT_EQ(volume.controlId, kVolumeId);
        EXPECT_EQ(volume.minimum, 0u);
        EXPECT_EQ(volume.maximum, 65535u);

        for (const char* function : {"mixerGetControlDetailsW", "mixerSetControlDetails"}) {
            const auto details = fake.CallsTo(function);
            ASSERT_EQ(details.size(), 3u) << function;
            for (const auto& call : details) {
                EXPECT_EQ(call.flags, 0x80000000u) << function;
                EXPECT_EQ(call.cbStruct, sizeof(MIXERCONTROLDETAILS)) << function;
                EXPECT_EQ(call.cbItem, sizeof(MIXERCONTROLDETAILS_UNSIGNED)) << function;
                EXPECT_EQ(call.channels, 1u) << function;
                EXPECT_EQ(call.controlId, kVolumeId) << function;
            }
        }

        // A new opening locates the control again.
        ASSERT_TRUE(volume.Close());
        EXPECT_EQ(volume.controlId, MasterVolume::kNoControl);
        EXPECT_EQ(fake.OpenHandles(), 0u);
        ASSERT_TRUE(volume.Step(-4));
        EXPECT_EQ(fake.CountOf("mixerOpen"), 2);
        EXPECT_EQ(fake.CountOf("mixerGetLineInfoW"), 2);
        EXPECT_EQ(fake.OpenHandles(), 1u);
    }
    EXPECT_EQ(fake.OpenHandles(), 0u) << "destruction closes the device";
}

TEST_F(MasterVolumeTest, FailedLookupsChangeNothingAndAreTriedAgain) {
    MasterVolume volume(fake.Api(), endpoints);
    auto& speakers = fake.devices[0].destinations[1];
    speakers.componentType = MIXERLINE_COMPONENTTYPE_DST_HEADPHONES; // no speaker line
    EXPECT_FALSE(volume.Step(4));
    speakers.componentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    auto controls = std::move(speakers.controls); // speakers without a volume control
    EXPECT_FALSE(volume.Step(4));
    EXPECT_EQ(volume.controlId, MasterVolume::kNoControl);
    speakers.controls = std::move(controls);
    Raw() = 0;
    EXPECT_TRUE(volume.Step(4));
    EXPECT_EQ(Raw(), PercentToVolume(4, 0, 65535));
    EXPECT_EQ(fake.CountOf("mixerOpen"), 1);
    EXPECT_EQ(fake.CountOf("mixerGetLineInfoW"), 3);
    EXPECT_EQ(fake.CountOf("mixerSetControlDetails"), 1);
}

TEST_F(MasterVolumeTest, DeviceAndValueFailuresReportFalse) {
    {
        MasterVolume volume(fake.Api(), endpoints);
        Raw() = 1234;
        fake.failing = {"mixerGetControlDetailsW"};
        EXPECT_FALSE(volume.Step(4));
        EXPECT_EQ(fake.CountOf("mixerSetControlDetails"), 0);
        EXPECT_EQ(Raw(), 1234u);
        fake.failing = {"mixerSetControlDetails"};
        EXPECT_FALSE(volume.Step(4));
        fake.failing.clear();
    }
    {
        // Capabilities that cannot be read keep the device open for the next use.
        MasterVolume volume(fake.Api(), endpoints);
        fake.devices[0].failCaps = true;
        EXPECT_FALSE(volume.Open());
        EXPECT_TRUE(static_cast<bool>(volume.mixer));
        EXPECT_TRUE(volume.Open());
        EXPECT_TRUE(volume.Step(4));
        EXPECT_EQ(fake.OpenHandles(), 1u);
    }
    {
        fake.devices.clear();
        MasterVolume volume(fake.Api(), endpoints);
        unsigned percent = 77;
        EXPECT_FALSE(volume.GetPercent(percent));
        EXPECT_EQ(percent, 77u);
        EXPECT_FALSE(volume.Step(4));
        EXPECT_FALSE(static_cast<bool>(volume.mixer));
    }
}

TEST_F(MasterVolumeTest, EmptyRangeNeverDividesByZero) {
    auto& control = *fake.Control(0, kVolumeId);
    control.minimum = control.maximum = 300;
    MasterVolume volume(fake.Api(), endpoints);
    unsigned percent = 0;
    Raw() = 300;
    ASSERT_TRUE(volume.GetPercent(percent));
    EXPECT_EQ(percent, 100u) << "at the bound";
    Raw() = 10;
    ASSERT_TRUE(volume.GetPercent(percent));
    EXPECT_EQ(percent, 0u) << "below the bound";
    ASSERT_TRUE(volume.Step(-4));
    EXPECT_EQ(Raw(), 300u) << "any level writes the bound";
}

TEST_F(MasterVolumeTest, EndpointTakesTheStepsAndStopsAtTheEnds) {
    endpoints.present = true;
    {
        MasterVolume volume(fake.Api(), endpoints);
        struct Case {
            float level;
            int step;
            float written;
        } const cases[] = {
            {0.98f, +4, 1.0f}, {0.02f, -4, 0.0f}, {0.5f, +4, 0.54f},    {0.5f, 0, 0.5f},
            {1.0f, -1000, 0.0f}, {0.0f, 1000, 1.0f}, {0.506f, +4, 0.55f}, // 50.6 % reads as 51
            {0.544f, -4, 0.50f},
        };
        for (const Case& c : cases) {
            endpoints.level = c.level;
            endpoints.written.clear();
            EXPECT_TRUE(volume.Step(c.step));
            ASSERT_EQ(endpoints.written.size(), 1u) << "from " << c.level << " step " << c.step;
            EXPECT_FLOAT_EQ(endpoints.written[0], c.written) << "from " << c.level << " step " << c.step;
        }
        EXPECT_TRUE(fake.calls.empty()) << "the mixer is not touched while there is an endpoint";
        EXPECT_EQ(endpoints.opened, 8) << "every press asks for the default endpoint";
    }
    EXPECT_EQ(endpoints.alive, 0) << "released after each press";
}

TEST_F(MasterVolumeTest, EachPressMovesTheCurrentDefaultEndpointAndOnlyItsMute) {
    MasterVolume volume(fake.Api(), endpoints);
    endpoints.present = true;
    endpoints.level = 0.5f;
    endpoints.muted = true;
    EXPECT_TRUE(volume.Step(-4));
    EXPECT_TRUE(endpoints.muted) << "a step down leaves the mute as it is";
    // The user switches the output to a headset between two presses.
    FakeEndpoints headset;
    headset.level = 0.2f;
    headset.muted = true;
    endpoints.defaultNow = &headset;
    EXPECT_TRUE(volume.Step(4));
    ASSERT_EQ(headset.written.size(), 1u);
    EXPECT_FLOAT_EQ(headset.written[0], 0.24f);
    EXPECT_FALSE(headset.muted) << "a step up unmutes";
    EXPECT_EQ(endpoints.written.size(), 1u) << "the old device moved again";

    // An endpoint that refuses (Wine's answers E_NOTIMPL) is not replaced by
    // the mixer, which reaches only this program's own sound on Windows.
    headset.failSet = true;
    EXPECT_FALSE(volume.Step(4));
    EXPECT_TRUE(fake.calls.empty());
}

// Wine's mixer, present when the test session runs a sound server.
TEST(MasterVolumeWine, SetsAndReadsTheSpeakersVolume) {
    if (mixerGetNumDevs() == 0) GTEST_SKIP() << "no mixer device (no sound server)";
    FakeEndpoints none;
    none.present = false;
    MasterVolume volume(k2::WinmmMixerApi(), none);
    unsigned original = 0;
    ASSERT_TRUE(volume.GetPercent(original));
    EXPECT_LE(volume.minimum, volume.maximum);
    unsigned percent = 0;
    ASSERT_TRUE(volume.SetPercent(50));
    ASSERT_TRUE(volume.GetPercent(percent));
    EXPECT_EQ(percent, 50u);
    ASSERT_TRUE(volume.Step(4));
    ASSERT_TRUE(volume.GetPercent(percent));
    EXPECT_EQ(percent, 54u);
    ASSERT_TRUE(volume.Step(100));
    ASSERT_TRUE(volume.GetPercent(percent));
    EXPECT_EQ(percent, 100u);
    EXPECT_TRUE(volume.SetPercent(original));
}

} // namespace
