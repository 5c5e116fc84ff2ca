// The mixer component and the mixer handle, against an in-memory mixer.
#include <gtest/gtest.h>

#include "components/Volumemixer.h"
#include "support/FakeMixer.h"

#include <limits>

namespace {

using k2::TVolumeMixer;
using k2test::FakeControl;
using k2test::FakeDevice;
using k2test::FakeLine;
using k2test::FakeMixer;

constexpr DWORD kVolume = MIXERCONTROL_CONTROLTYPE_VOLUME;
constexpr DWORD kMute = MIXERCONTROL_CONTROLTYPE_MUTE;

// Device 0 has two destinations. Destination 0's sources cover every way a
// source can lack a volume entry; destination 1's sources all have a volume
// control, so that line descriptions can walk them.
std::vector<FakeDevice> TwoDevices() {
    FakeLine speakers{
        .lineId = 0xFFFF0000,
        .componentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS,
        .name = "Master",
        .shortName = "Mst",
        .controls = {FakeControl{.id = 1, .flags = MIXERCONTROL_CONTROLF_UNIFORM, .name = "Master Volume"}},
        .sources = {
            FakeLine{.lineId = 0x100, .componentType = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, .name = "Wave",
                     .shortName = "Wav", .targetType = MIXERLINE_TARGETTYPE_WAVEOUT,
                     .controls = {FakeControl{.id = 10, .name = "Wave Volume"}}},
            FakeLine{.lineId = 0x101, .name = "Empty", .shortName = "Emp", .targetType = 1}, // no controls
            FakeLine{.lineId = 0x102, .name = "NoTarget", .shortName = "NoT",
                     .controls = {FakeControl{.id = 12}}},
            FakeLine{.lineId = 0x103, .name = "MuteOnly", .shortName = "Mut", .targetPid = 4,
                     .controls = {FakeControl{.id = 13, .type = kMute}}},
            FakeLine{.lineId = 0x104, .name = "Compact Disc", .shortName = "CD", .targetVersion = 0x500,
                     .controls = {FakeControl{.id = 14, .type = kMute},
                                  FakeControl{.id = 15, .minimum = 100, .maximum = 200},
                                  FakeControl{.id = 16}}},
        }};
    FakeLine recording{
        .lineId = 0xFFFF0001,
        .componentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN,
        .name = "Recording",
        .shortName = "Rec",
        .controls = {FakeControl{.id = 2, .maximum = 1000, .name = "Rec Volume"}},
        .sources = {
            FakeLine{.lineId = 0x200, .componentType = MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, .channels = 1,
                     .name = "Microphone", .shortName = "Mic", .targetType = MIXERLINE_TARGETTYPE_WAVEIN,
                     .targetName = "Wine In", .controls = {FakeControl{.id = 20, .flags = MIXERCONTROL_CONTROLF_UNIFORM}}},
            FakeLine{.lineId = 0x201, .name = "Line", .shortName = "Lin", .controls = {FakeControl{.id = 21}}},
            FakeLine{.lineId = 0x202, .componentType = MIXERLINE_COMPONENTTYPE_SRC_AUXILIARY, .channels = 4,
                     .name = "Auxiliary", .shortName = "Aux", .targetType = MIXERLINE_TARGETTYPE_AUX,
                     .targetDeviceId = 3, .targetName = "Aux Dev",
                     .controls = {FakeControl{.id = 22, .flags = MIXERCONTROL_CONTROLF_UNIFORM |
                                                                 MIXERCONTROL_CONTROLF_MULTIPLE}}},
        }};
    FakeLine lineOut{.lineId = 0x0001ABCD,
                     .componentType = 0x77, // a type without a name
                     .channels = 6,
                     .name = "Line Out",
                     .shortName = "Out",
                     .targetType = 9,
                     .targetName = "Beta Dev",
                     .controls = {FakeControl{.id = 30, .name = "Out Volume"}}};
    return {FakeDevice{.name = "Alpha Mixer", .destinations = {speakers, recording}},
            FakeDevice{.name = "Beta Mixer", .destinations = {lineOut}}};
}

class VolumeMixerTest : public testing::Test {
protected:
    VolumeMixerTest() { fake.devices = TwoDevices(); }
    FakeMixer fake;
};

TEST(VolumeArithmetic, RoundsWhenReadingAndTruncatesWhenWriting) {
    using k2::PercentToVolume;
    using k2::VolumeToPercent;
    EXPECT_EQ(VolumeToPercent(32768, 0, 65535), 50u);
    EXPECT_EQ(VolumeToPercent(32767, 0, 65535), 50u);
    EXPECT_EQ(PercentToVolume(50, 0, 65535), 32767u);
    EXPECT_EQ(VolumeToPercent(0, 0, 65535), 0u);
    EXPECT_EQ(VolumeToPercent(65535, 0, 65535), 100u);
    EXPECT_EQ(PercentToVolume(100, 0, 65535), 65535u);
    EXPECT_EQ(VolumeToPercent(150, 100, 200), 50u);
    EXPECT_EQ(VolumeToPercent(5, 0, 1000), 1u) << "half a percent rounds up";
    EXPECT_EQ(VolumeToPercent(4, 0, 1000), 0u);
    EXPECT_EQ(PercentToVolume(25, 100, 200), 125u);
    // Wide ranges do not overflow.
    constexpr std::uint32_t top = std::numeric_limits<std::uint32_t>::max();
    EXPECT_EQ(PercentToVolume(50, 0, top), top / 2);
    EXPECT_EQ(VolumeToPercent(top, 0, top), 100u);
    EXPECT_EQ(VolumeToPercent(top / 2, 0, top), 50u);
    // Outside the range: the nearest bound; percentages above 100 are passed on.
    EXPECT_EQ(VolumeToPercent(50, 100, 200), 0u);
    EXPECT_EQ(VolumeToPercent(300, 100, 200), 100u);
    EXPECT_EQ(PercentToVolume(110, 0, 1000), 1100u);
    EXPECT_EQ(PercentToVolume(1000, 0, top), top);
    // An empty range has one level.
    EXPECT_EQ(VolumeToPercent(7, 7, 7), 100u);
    EXPECT_EQ(VolumeToPercent(6, 7, 7), 0u);
    EXPECT_EQ(PercentToVolume(0, 7, 7), 7u);
    EXPECT_EQ(PercentToVolume(60, 7, 7), 7u);
}

TEST_F(VolumeMixerTest, MixerHandleClosesOnceThroughItsTable) {
    {
        k2::MixerHandle first(fake.Api());
        EXPECT_EQ(first.Reset(), static_cast<MMRESULT>(MMSYSERR_NOERROR)) << "nothing held";
        ASSERT_EQ(first.Open(1, 0, 0), static_cast<MMRESULT>(MMSYSERR_NOERROR));
        const HMIXER handle = first.Get();
        k2::MixerHandle second(std::move(first));
        EXPECT_FALSE(static_cast<bool>(first));
        EXPECT_EQ(second.Get(), handle);
        k2::MixerHandle third(fake.Api());
        ASSERT_EQ(third.Open(0, 0, 0), static_cast<MMRESULT>(MMSYSERR_NOERROR));
        third = std::move(second); // closes what third held
        EXPECT_EQ(fake.OpenHandles(), 1u);
        EXPECT_EQ(fake.DeviceOf(third.Get()), 1);
        EXPECT_NE(third.Open(9, 0, 0), static_cast<MMRESULT>(MMSYSERR_NOERROR));
        EXPECT_FALSE(static_cast<bool>(third));
        EXPECT_EQ(fake.OpenHandles(), 0u);
        ASSERT_EQ(third.Open(0, 0, 0), static_cast<MMRESULT>(MMSYSERR_NOERROR));
    }
    EXPECT_EQ(fake.OpenHandles(), 0u);
    EXPECT_EQ(fake.CountOf("mixerClose"), 3);
}

TEST_F(VolumeMixerTest, ConstructionNamesEveryDeviceThatOpensAndLeavesNoneOpen) {
    fake.devices.push_back(FakeDevice{.name = "Broken", .failCaps = true});
    fake.devices.push_back(FakeDevice{.name = "Gamma", .destinations = {FakeLine{.name = "G Out"}}});
    TVolumeMixer mixer(nullptr, fake.Api());
    EXPECT_EQ(mixer.DeviceCount, 4u);
    EXPECT_EQ(mixer.MixerNames, (std::vector<std::string>{"Alpha Mixer", "Beta Mixer", "", "Gamma"}));
    EXPECT_EQ(mixer.DeviceID, 3u);
    EXPECT_EQ(mixer.DestinationCount, 1u);
    EXPECT_EQ(mixer.DestinationNames, std::vector<std::string>{"G Out"});
    EXPECT_FALSE(static_cast<bool>(mixer.Mixer));
    EXPECT_EQ(fake.OpenHandles(), 0u);
    EXPECT_EQ(mixer.VolumeIDs, std::vector<std::uint32_t>{TVolumeMixer::kNotLoaded});
    EXPECT_EQ(mixer.VolumeCount, 0);
    EXPECT_EQ(mixer.Destination, 0);

    const auto opens = fake.CallsTo("mixerOpen");
    ASSERT_EQ(opens.size(), 4u);
    for (std::size_t id = 0; id < opens.size(); ++id) {
        EXPECT_EQ(opens[id].object, id);
        EXPECT_EQ(opens[id].flags, static_cast<DWORD>(CALLBACK_WINDOW));
        EXPECT_EQ(opens[id].callback, 0u);
    }
    for (const auto& caps : fake.CallsTo("mixerGetDevCapsW")) EXPECT_EQ(caps.cbStruct, sizeof(MIXERCAPSW));
}

TEST_F(VolumeMixerTest, WithoutDevicesNothingOpens) {
    fake.devices.clear();
    TVolumeMixer mixer(nullptr, fake.Api());
    EXPECT_EQ(mixer.DeviceCount, 0u);
    EXPECT_TRUE(mixer.MixerNames.empty());
    EXPECT_EQ(mixer.InitMixer(nullptr, 0), 0);
    EXPECT_EQ(mixer.InitMixer(nullptr, 1), 0);
    int percent = -1;
    EXPECT_EQ(mixer.GetVolume(percent, 0), 0);
    EXPECT_EQ(percent, -1);
}

TEST_F(VolumeMixerTest, InitMixerOpensOnceAndNamesTheDestinations) {
    TVolumeMixer mixer(nullptr, fake.Api());
    const HWND window = reinterpret_cast<HWND>(0x1234);
    ASSERT_EQ(mixer.InitMixer(window, 0), 1);
    EXPECT_EQ(mixer.CallbackWindow, window);
    EXPECT_EQ(fake.CallsTo("mixerOpen").back().callback, reinterpret_cast<DWORD_PTR>(window));
    EXPECT_EQ(mixer.DestinationCount, 2u);
    EXPECT_EQ(mixer.DestinationNames, (std::vector<std::string>{"Master", "Recording"}));
    for (const auto& line : fake.CallsTo("mixerGetLineInfoW")) {
        EXPECT_EQ(line.flags, 0x80000000u | MIXER_GETLINEINFOF_DESTINATION);
        EXPECT_EQ(line.cbStruct, sizeof(MIXERLINEW));
    }

    const int opens = fake.CountOf("mixerOpen");
    EXPECT_EQ(mixer.InitMixer(nullptr, 1), 1) << "already open";
    EXPECT_EQ(mixer.DestinationCount, 0u);
    EXPECT_EQ(fake.CountOf("mixerOpen"), opens);
    EXPECT_EQ(fake.DeviceOf(mixer.Mixer.Get()), 0);
}

TEST_F(VolumeMixerTest, EntriesAreNumberedOverSourcesWithAVolumeControlOnly) {
    TVolumeMixer mixer(nullptr, fake.Api());
    ASSERT_EQ(mixer.InitMixer(nullptr, 0), 1);
    fake.calls.clear();
    ASSERT_EQ(mixer.InitVolumeControl(), 1);

    EXPECT_EQ(mixer.VolumeCount, 2);
    ASSERT_EQ(mixer.VolumeIDs.size(), 6u) << "one entry per connection, plus the destination's";
    EXPECT_EQ(mixer.VolumeNames[0], "Master Volume");
    EXPECT_EQ(mixer.GetMixerName(0), "Master Volume");
    EXPECT_EQ(mixer.VolumeIDs[0], 1u);
    EXPECT_EQ(mixer.VolumeNames[1], "Wav");
    EXPECT_EQ(mixer.VolumeIDs[1], 10u);
    EXPECT_EQ(mixer.GetMixerName(2), "CD");
    EXPECT_EQ(mixer.VolumeIDs[2], 15u) << "the first volume control of the line";
    EXPECT_EQ(mixer.VolumeMins[2], 100u);
    EXPECT_EQ(mixer.VolumeMaxs[2], 200u);

    // The lookups: flags and record sizes of this architecture.
    const auto lines = fake.CallsTo("mixerGetLineInfoW");
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].flags, 0x80000000u);
    for (std::size_t i = 1; i < lines.size(); ++i) EXPECT_EQ(lines[i].flags, 0x80000001u);
    for (const auto& line : lines) EXPECT_EQ(line.cbStruct, sizeof(MIXERLINEW));
    const auto controls = fake.CallsTo("mixerGetLineControlsW");
    ASSERT_EQ(controls.size(), 5u) << "one by type, then all of each source that has controls";
    EXPECT_EQ(controls[0].flags, 0x80000002u);
    EXPECT_EQ(controls[0].controlType, kVolume);
    for (std::size_t i = 1; i < controls.size(); ++i) EXPECT_EQ(controls[i].flags, 0x80000000u);
    for (const auto& call : controls) {
        EXPECT_EQ(call.cbStruct, sizeof(MIXERLINECONTROLSW));
        EXPECT_EQ(call.cbItem, sizeof(MIXERCONTROLW));
    }

    EXPECT_EQ(mixer.InitVolumeControl(), 1);
    EXPECT_EQ(fake.CountOf("mixerGetLineInfoW"), 6) << "loaded once";
    EXPECT_EQ(mixer.GetMixerName(6), "");
    EXPECT_EQ(mixer.GetMixerName(-1), "");
}

TEST_F(VolumeMixerTest, ReadsAndWritesVolumesInPercent) {
    TVolumeMixer mixer(nullptr, fake.Api());
    ASSERT_EQ(mixer.InitMixer(nullptr, 0), 1);
    fake.Control(0, 1)->value = 32768;
    int percent = -1;
    ASSERT_EQ(mixer.GetVolume(percent, 0), 1) << "loads the controls on first use";
    EXPECT_EQ(percent, 50);
    ASSERT_EQ(mixer.SetVolume(50, 0), 1);
    EXPECT_EQ(fake.Control(0, 1)->value, 32767u);
    ASSERT_EQ(mixer.SetVolume(25, 2), 1);
    EXPECT_EQ(fake.Control(0, 15)->value, 125u);
    ASSERT_EQ(mixer.GetVolume(percent, 2), 1);
    EXPECT_EQ(percent, 25);
    ASSERT_EQ(mixer.SetVolume(-5, 2), 1);
    EXPECT_EQ(fake.Control(0, 15)->value, 100u) << "below zero: the lower bound";

    for (const char* function : {"mixerGetControlDetailsW", "mixerSetControlDetails"}) {
        for (const auto& call : fake.CallsTo(function)) {
            EXPECT_EQ(call.flags, 0x80000000u) << function;
            EXPECT_EQ(call.cbStruct, sizeof(MIXERCONTROLDETAILS)) << function;
            EXPECT_EQ(call.cbItem, sizeof(MIXERCONTROLDETAILS_UNSIGNED)) << function;
            EXPECT_EQ(call.channels, 1u) << function;
        }
    }
    EXPECT_EQ(mixer.GetVolume(percent, 6), 0) << "past the lists";
    EXPECT_EQ(mixer.SetVolume(10, -1), 0);
}

TEST_F(VolumeMixerTest, EmptyRangeReadsByTheBoundAndWritesIt) {
    FakeControl& wave = fake.devices[0].destinations[0].sources[0].controls[0];
    wave.minimum = wave.maximum = 500;
    TVolumeMixer mixer(nullptr, fake.Api());
    ASSERT_EQ(mixer.InitMixer(nullptr, 0), 1);
    int percent = -1;
    fake.Control(0, 10)->value = 500;
    ASSERT_EQ(mixer.GetVolume(percent, 1), 1);
    EXPECT_EQ(percent, 100);
    fake.Control(0, 10)->value = 0;
    ASSERT_EQ(mixer.GetVolume(percent, 1), 1);
    EXPECT_EQ(percent, 0);
    ASSERT_EQ(mixer.SetVolume(30, 1), 1);
    EXPECT_EQ(fake.Control(0, 10)->value, 500u);
}

TEST_F(VolumeMixerTest, ReleaseForgetsTheControlsUntilTheNextOpen) {
    {
        TVolumeMixer mixer(nullptr, fake.Api());
        ASSERT_EQ(mixer.InitMixer(nullptr, 0), 1);
        ASSERT_EQ(mixer.InitVolumeControl(), 1);
        mixer.ReleaseMixer();
        EXPECT_EQ(fake.OpenHandles(), 0u);
        EXPECT_EQ(mixer.VolumeIDs[0], TVolumeMixer::kNotLoaded);
        EXPECT_EQ(mixer.VolumeNames[1], "Wav") << "the lists keep their contents";
        int percent = -1;
        EXPECT_EQ(mixer.GetVolume(percent, 0), 0);
        EXPECT_EQ(mixer.SetVolume(10, 0), 0);
        ASSERT_EQ(mixer.InitMixer(nullptr, 0), 1);
        EXPECT_EQ(mixer.GetVolume(percent, 0), 1);
    }
    EXPECT_EQ(fake.OpenHandles(), 0u) << "destruction closes a device still open";
}

TEST_F(VolumeMixerTest, ALoadThatFailsHalfWayIsRetriedInFull) {
    FakeLine& cd = fake.devices[0].destinations[0].sources[4];
    cd.unreadable = true;
    TVolumeMixer mixer(nullptr, fake.Api());
    ASSERT_EQ(mixer.InitMixer(nullptr, 0), 1);
    EXPECT_EQ(mixer.InitVolumeControl(), 0);
    EXPECT_EQ(mixer.VolumeIDs[0], TVolumeMixer::kNotLoaded);
    int percent = -1;
    EXPECT_EQ(mixer.GetVolume(percent, 1), 0);
    cd.unreadable = false;
    EXPECT_EQ(mixer.GetVolume(percent, 1), 1);
    EXPECT_EQ(mixer.VolumeCount, 2);
}

TEST_F(VolumeMixerTest, DescribesADestinationLine) {
    TVolumeMixer mixer(nullptr, fake.Api());
    TVolumeMixer::MixInfo info;
    ASSERT_EQ(mixer.GetLineInfo(nullptr, info, 0, 0, 0), 1);
    EXPECT_EQ(info.Name, "Master");
    EXPECT_EQ(info.ShortName, "Mst");
    EXPECT_EQ(info.ComponentType, "DST_Speakers");
    EXPECT_EQ(info.TargetType, "UNDEFINED");
    EXPECT_EQ(info.TargetName, "");
    EXPECT_EQ(info.LineID, "FFFF0000");
    EXPECT_EQ(info.Channels, 1) << "a uniform control counts as one channel";
    EXPECT_EQ(fake.DeviceOf(mixer.Mixer.Get()), 0) << "with nothing held, the asked-for device stays open";

    mixer.ReleaseMixer();
    info.ComponentType = "kept";
    ASSERT_EQ(mixer.GetLineInfo(nullptr, info, 0, 0, 1), 1);
    EXPECT_EQ(info.Name, "Line Out");
    EXPECT_EQ(info.ComponentType, "kept") << "a type without a name leaves the field";
    EXPECT_EQ(info.TargetType, "不明");
    EXPECT_EQ(info.TargetName, "Beta Dev");
    EXPECT_EQ(info.LineID, "0001ABCD");
    EXPECT_EQ(info.Channels, 6);
    EXPECT_EQ(mixer.DeviceID, 1u);
}

TEST_F(VolumeMixerTest, DescribesTheKthSourceCountingEverySourceLine) {
    TVolumeMixer mixer(nullptr, fake.Api());
    TVolumeMixer::MixInfo info;
    // Every call walks all source lines of the destination.
    const auto describe = [&](int source) {
        fake.calls.clear();
        const int result = mixer.GetLineInfo(nullptr, info, source, 1, 0);
        int sourceQueries = 0;
        for (const auto& call : fake.CallsTo("mixerGetLineInfoW"))
            sourceQueries += call.flags == (MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_SOURCE);
        EXPECT_EQ(sourceQueries, 3) << "source " << source;
        return result;
    };
    ASSERT_EQ(describe(1), 1);
    EXPECT_EQ(info.Name, "Microphone");
    EXPECT_EQ(info.ShortName, "Mic");
    EXPECT_EQ(info.ComponentType, "SRC_Microphone");
    EXPECT_EQ(info.TargetType, "Wave In");
    EXPECT_EQ(info.TargetName, "Wine In");
    EXPECT_EQ(info.LineID, "00000200");
    EXPECT_EQ(info.Channels, 1);

    ASSERT_EQ(describe(3), 1);
    EXPECT_EQ(info.Name, "Auxiliary");
    EXPECT_EQ(info.ComponentType, "SRC_AuxILiary");
    EXPECT_EQ(info.TargetType, "AUX");
    EXPECT_EQ(info.Channels, 4) << "flags other than exactly uniform: the line's channels";

    const TVolumeMixer::MixInfo before = info;
    ASSERT_EQ(describe(2), 1) << "a source without a target";
    ASSERT_EQ(describe(4), 1) << "beyond the last source";
    EXPECT_EQ(info.Name, before.Name);
    EXPECT_EQ(info.LineID, before.LineID);
}

TEST_F(VolumeMixerTest, LineInfoOnAnotherDeviceGivesBackTheLoadedOne) {
    TVolumeMixer mixer(nullptr, fake.Api());
    const HWND window = reinterpret_cast<HWND>(0x4321);
    ASSERT_EQ(mixer.InitMixer(window, 0), 1);
    mixer.Destination = 1;
    ASSERT_EQ(mixer.InitVolumeControl(), 1);

    TVolumeMixer::MixInfo info;
    ASSERT_EQ(mixer.GetLineInfo(nullptr, info, 0, 0, 1), 1);
    EXPECT_EQ(info.Name, "Line Out");

    EXPECT_EQ(fake.OpenHandles(), 1u);
    EXPECT_EQ(fake.DeviceOf(mixer.Mixer.Get()), 0);
    EXPECT_EQ(mixer.DeviceID, 0u);
    EXPECT_EQ(mixer.CallbackWindow, window);
    EXPECT_EQ(fake.CallsTo("mixerOpen").back().callback, reinterpret_cast<DWORD_PTR>(window));
    EXPECT_EQ(mixer.Destination, 1);
    EXPECT_EQ(mixer.DestinationNames, (std::vector<std::string>{"Master", "Recording"}));
    EXPECT_EQ(mixer.VolumeIDs[0], 2u) << "the remembered destination's controls";
    EXPECT_EQ(mixer.VolumeCount, 2);
    fake.Control(0, 2)->value = 500;
    int percent = -1;
    ASSERT_EQ(mixer.GetVolume(percent, 0), 1);
    EXPECT_EQ(percent, 50);

    // A device that cannot be opened: failure, and the loaded device is still given back.
    EXPECT_EQ(mixer.GetLineInfo(nullptr, info, 0, 0, 7), 0);
    EXPECT_EQ(fake.DeviceOf(mixer.Mixer.Get()), 0);
    EXPECT_EQ(mixer.VolumeIDs[0], 2u);
    EXPECT_EQ(fake.OpenHandles(), 1u);
}

TEST_F(VolumeMixerTest, LineInfoOnAnotherDeviceDescribesThatDevice) {
    TVolumeMixer mixer(nullptr, fake.Api());
    ASSERT_EQ(mixer.InitMixer(nullptr, 0), 1); // open, no controls loaded
    TVolumeMixer::MixInfo info;
    ASSERT_EQ(mixer.GetLineInfo(nullptr, info, 0, 0, 1), 1);
    EXPECT_EQ(info.Name, "Line Out");
    EXPECT_EQ(fake.DeviceOf(mixer.Mixer.Get()), 0);
    EXPECT_EQ(mixer.DeviceID, 0u);
    EXPECT_EQ(mixer.VolumeIDs[0], TVolumeMixer::kNotLoaded);
    EXPECT_EQ(fake.OpenHandles(), 1u);
}

// Wine's mixer, present when the test session runs a sound server.
TEST(VolumeMixerWine, ReadsAndSetsTheSpeakersOfDeviceZero) {
    if (mixerGetNumDevs() == 0) GTEST_SKIP() << "no mixer device (no sound server)";
    TVolumeMixer mixer(nullptr);
    ASSERT_GE(mixer.DeviceCount, 1u);
    EXPECT_FALSE(mixer.MixerNames[0].empty());
    ASSERT_EQ(mixer.InitMixer(nullptr, 0), 1);
    ASSERT_GE(mixer.DestinationCount, 1u);
    EXPECT_FALSE(mixer.DestinationNames[0].empty());

    int original = -1;
    ASSERT_EQ(mixer.GetVolume(original, 0), 1);
    ASSERT_EQ(mixer.SetVolume(50, 0), 1);
    int percent = -1;
    ASSERT_EQ(mixer.GetVolume(percent, 0), 1);
    EXPECT_EQ(percent, 50);

    TVolumeMixer::MixInfo info;
    ASSERT_EQ(mixer.GetLineInfo(nullptr, info, 0, 0, 0), 1);
    EXPECT_EQ(info.ComponentType, "DST_Speakers");
    EXPECT_EQ(info.Name, mixer.DestinationNames[0]);
    EXPECT_EQ(info.LineID.size(), 8u);
    if (mixer.DeviceCount > 1) {
        ASSERT_EQ(mixer.GetLineInfo(nullptr, info, 0, 0, 1), 1);
        EXPECT_EQ(mixer.DeviceID, 0u);
    }
    ASSERT_EQ(mixer.GetVolume(percent, 0), 1) << "device 0 is given back after the descriptions";
    EXPECT_EQ(percent, 50);
    EXPECT_EQ(mixer.SetVolume(original, 0), 1);
    mixer.ReleaseMixer();
}

} // namespace
