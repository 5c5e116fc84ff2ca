// The shell-link component against the shell's own link object, in a
// scratch folder.
#include <gtest/gtest.h>

#include "components/Scmake.h"
#include "support/Scratch.h"
#include "toolkit/Handles.h"
#include "toolkit/Text.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <thread>

namespace {

using k2::TSCMake;
using k2test::ReadFileBytes;
using k2test::ScratchDir;

// Fields of a shortcut file's fixed header.
constexpr std::size_t kShowCommandOffset = 0x3C;
constexpr std::size_t kHotKeyOffset = 0x40;

std::uint32_t HeaderWord(const std::string& file, std::size_t offset, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size && offset + i < file.size(); ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(file[offset + i])) << (8 * i);
    return value;
}

std::string MakeTarget(const std::string& path) {
    k2test::WriteFileBytes(path, "MZ");
    return path;
}

// Every property of a component, for comparisons that must show what differs.
std::string Snapshot(const TSCMake& link) {
    return "SCDir=" + link.SCDir + " SCName=" + link.SCName + " LinkPath=" + link.LinkPath +
           " WorkDir=" + link.WorkDir + " IconPath=" + link.IconPath + " IconNo=" + std::to_string(link.IconNo) +
           " Argument=" + link.Argument + " WndState=" + std::to_string(link.GetWndState()) +
           " SCKey=" + std::to_string(link.GetSCKey());
}

void FillSentinels(TSCMake& link) {
    link.SCDir = "C:\\before";
    link.SCName = "before";
    link.LinkPath = "C:\\before.exe";
    link.WorkDir = "C:\\work";
    link.IconPath = "C:\\icon.ico";
    link.IconNo = 3;
    link.Argument = "-x";
    link.SetWndState(TSCMake::Maximize);
    link.SetSCKey(0x4000 | 'K');
}

TEST(Scmake, RoundTripKeepsShiftJisPathsAndArguments) {
    ScratchDir scratch;
    const std::string folder = scratch.Path() + "表\\コルミ２";
    ASSERT_TRUE(tk::ForceDirectories(folder));
    const std::string target = MakeTarget(folder + "\\ツール表.exe");

    TSCMake writer(nullptr);
    writer.SCDir = folder;
    writer.SCName = "コルミ２";
    writer.LinkPath = target;
    writer.WorkDir = folder;
    writer.IconPath = target;
    writer.IconNo = 2;
    writer.Argument = "/表示 \"ﾌｧｲﾙ 名\"";
    writer.SetWndState(TSCMake::Minimize);
    writer.SetSCKey(0x4000 | 0x2000 | VK_F9);
    ASSERT_EQ(writer.CreateLink(), S_OK);
    const std::string shortcut = folder + "\\コルミ２.lnk";
    ASSERT_TRUE(tk::FileExists(shortcut));

    TSCMake reader(nullptr);
    ASSERT_EQ(reader.AnalizeLink(shortcut), 0);
    EXPECT_EQ(reader.SCDir, folder);
    EXPECT_EQ(reader.SCName, "コルミ２");
    EXPECT_EQ(reader.LinkPath, target);
    EXPECT_EQ(reader.WorkDir, folder);
    EXPECT_EQ(reader.IconPath, target);
    EXPECT_EQ(reader.IconNo, 2);
    EXPECT_EQ(reader.Argument, "/表示 \"ﾌｧｲﾙ 名\"");
    EXPECT_EQ(reader.GetSCKey(), 0x4000 | 0x2000 | VK_F9);

    // Rewriting from the read values gives the same shortcut; after a reset
    // only what is set again is written.
    reader.SCName = "copy";
    ASSERT_EQ(reader.CreateLink(), S_OK);
    TSCMake copy(nullptr);
    ASSERT_EQ(copy.AnalizeLink(folder + "\\copy.lnk"), 0);
    EXPECT_EQ(copy.Argument, writer.Argument);
    EXPECT_EQ(copy.WorkDir, folder);

    copy.ResetProperties();
    EXPECT_EQ(Snapshot(copy), Snapshot(TSCMake(nullptr)));
    copy.SCDir = folder;
    copy.SCName = "reset";
    copy.LinkPath = target;
    ASSERT_EQ(copy.CreateLink(), S_OK);
    TSCMake reset(nullptr);
    ASSERT_EQ(reset.AnalizeLink(folder + "\\reset.lnk"), 0);
    EXPECT_EQ(reset.WorkDir, "");
    EXPECT_EQ(reset.Argument, "");
    EXPECT_EQ(reset.GetSCKey(), 0);
}

TEST(Scmake, ShortcutNameMustFitTheLinkObjectsBuffer) {
    ScratchDir scratch;
    const std::string dir = scratch.Path().substr(0, scratch.Path().size() - 1);
    const std::size_t room = MAX_PATH - 1 - (dir.size() + 1 + 4); // characters left for the name
    const std::string target = MakeTarget(scratch.Path() + "t.exe");

    TSCMake link(nullptr);
    link.SCDir = dir;
    link.LinkPath = target;
    link.SCName = std::string(room + 1, 'n');
    EXPECT_EQ(link.CreateLink(), HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_FALSE(tk::FileExists(dir + "\\" + link.SCName + ".lnk"));

    link.SCName = std::string(room, 'n'); // 259 characters and the terminator
    EXPECT_EQ(link.CreateLink(), S_OK);
    const std::string longest = dir + "\\" + link.SCName + ".lnk";
    EXPECT_TRUE(tk::FileExists(longest));

    // The limit counts UTF-16 characters, not bytes: a double-byte name
    // longer than 260 bytes fits.
    std::string hyo;
    for (int i = 0; i < 60; ++i) hyo += "表";
    const std::string jdir = scratch.Path() + hyo + "\\" + hyo;
    ASSERT_TRUE(tk::ForceDirectories(jdir));
    link.SCDir = jdir;
    link.SCName = hyo.substr(0, 20);
    ASSERT_GT(jdir.size() + link.SCName.size(), static_cast<std::size_t>(MAX_PATH));
    EXPECT_EQ(link.CreateLink(), S_OK);

    // Reading a path that does not fit fails and changes nothing.
    TSCMake reader(nullptr);
    FillSentinels(reader);
    const std::string before = Snapshot(reader);
    EXPECT_EQ(reader.AnalizeLink(dir + "\\" + std::string(room + 1, 'n') + ".lnk"), -1);
    EXPECT_EQ(Snapshot(reader), before);
    EXPECT_EQ(reader.AnalizeLink(longest), 0);
}

TEST(Scmake, EmptyFolderNameOrTargetWritesNothing) {
    ScratchDir scratch;
    const std::string dir = scratch.Path().substr(0, scratch.Path().size() - 1);
    const std::string target = MakeTarget(scratch.Path() + "t.exe");
    for (int empty = 0; empty < 3; ++empty) {
        TSCMake link(nullptr);
        link.SCDir = empty == 0 ? "" : dir;
        link.SCName = empty == 1 ? "" : "y";
        link.LinkPath = empty == 2 ? "" : target;
        EXPECT_EQ(link.CreateLink(), -1) << "empty field " << empty;
    }
    EXPECT_FALSE(tk::FileExists(dir + "\\y.lnk"));
    EXPECT_FALSE(tk::FileExists(dir + "\\.lnk"));
}

TEST(Scmake, ShortcutKeyMapping) {
    TSCMake link(nullptr);
    EXPECT_EQ(link.GetSCKey(), 0);
    struct Case {
        std::uint16_t set;
        std::uint16_t read;
    } const cases[] = {
        {0x4000 | 0x8000 | VK_F5, 0x4000 | 0x8000 | VK_F5},
        {0x2000 | 'A', 0x2000 | 'A'},
        {0x2000 | 0x4000 | 0x8000, 0}, // modifiers only
        {VK_HOME, VK_HOME},
    };
    for (const Case& c : cases) {
        link.SetSCKey(c.set);
        EXPECT_EQ(link.GetSCKey(), c.read) << std::hex << "set 0x" << c.set;
    }
}

TEST(Scmake, ShowCommandAndHotKeyAreWrittenInTheLinkFormat) {
    ScratchDir scratch;
    const std::string dir = scratch.Path().substr(0, scratch.Path().size() - 1);
    const std::string target = MakeTarget(scratch.Path() + "t.exe");
    const auto write = [&](TSCMake& link, const char* name) {
        link.SCDir = dir;
        link.SCName = name;
        link.LinkPath = target;
        EXPECT_EQ(link.CreateLink(), S_OK) << name;
        return ReadFileBytes(dir + "\\" + name + ".lnk");
    };

    TSCMake fresh(nullptr);
    EXPECT_EQ(fresh.GetWndState(), TSCMake::Normal);
    fresh.SetSCKey(0x4000 | 0x8000 | VK_F5);
    std::string file = write(fresh, "fresh");
    EXPECT_EQ(HeaderWord(file, kShowCommandOffset, 4), 0u) << "never set: show command 0";
    EXPECT_EQ(HeaderWord(file, kHotKeyOffset, 2), 0x0674u);

    struct Case {
        TSCMake::WNDSTATE state;
        std::uint32_t written;
        TSCMake::WNDSTATE read;
    } const cases[] = {
        {TSCMake::Normal, SW_SHOW, TSCMake::Normal},
        {TSCMake::Maximize, SW_SHOWMAXIMIZED, TSCMake::Maximize},
        {TSCMake::Minimize, SW_SHOWMINNOACTIVE, TSCMake::Minimize},
        {static_cast<TSCMake::WNDSTATE>(9), SW_SHOW, TSCMake::Normal},
    };
    for (const Case& c : cases) {
        TSCMake link(nullptr);
        link.SetWndState(c.state);
        EXPECT_EQ(link.GetWndState(), c.read) << c.state;
        file = write(link, "state");
        EXPECT_EQ(HeaderWord(file, kShowCommandOffset, 4), c.written) << c.state;
    }

    TSCMake modifiersOnly(nullptr);
    modifiersOnly.SetSCKey(0x4000 | 0x8000);
    file = write(modifiersOnly, "modifiers");
    EXPECT_EQ(HeaderWord(file, kHotKeyOffset, 2), 0u);
}

TEST(Scmake, ExtendedKeyFlagIsDroppedWhenRead) {
    ScratchDir scratch;
    TSCMake reader(nullptr); // initialises COM for the link written here
    const std::string path = scratch.Path() + "ext.lnk";
    {
        tk::ComPtr<IShellLinkA> link;
        ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   link.PutVoid()),
                  S_OK);
        link->SetPath(MakeTarget(scratch.Path() + "t.exe").c_str());
        link->SetHotkey(MAKEWORD(VK_F5, HOTKEYF_EXT | HOTKEYF_CONTROL | HOTKEYF_ALT));
        tk::ComPtr<IPersistFile> file;
        ASSERT_EQ(link->QueryInterface(IID_IPersistFile, file.PutVoid()), S_OK);
        ASSERT_EQ(file->Save(tk::Wide(path).c_str(), TRUE), S_OK);
    }
    ASSERT_EQ(reader.AnalizeLink(path), 0);
    EXPECT_EQ(reader.GetSCKey(), 0x4000 | 0x8000 | VK_F5);
}

TEST(Scmake, ReadingAnythingButAShortcutChangesNothing) {
    ScratchDir scratch;
    const std::string dir = scratch.Path().substr(0, scratch.Path().size() - 1);
    TSCMake writer(nullptr);
    writer.SCDir = dir;
    writer.SCName = "good";
    writer.LinkPath = MakeTarget(scratch.Path() + "t.exe");
    ASSERT_EQ(writer.CreateLink(), S_OK);
    const std::string good = ReadFileBytes(dir + "\\good.lnk");
    k2test::WriteFileBytes(dir + "\\upper.LNK", good);
    k2test::WriteFileBytes(dir + "\\garbage.lnk", "this is no shortcut");
    k2test::WriteFileBytes(dir + "\\empty.lnk", "");

    TSCMake reader(nullptr);
    FillSentinels(reader);
    const std::string before = Snapshot(reader);
    for (const std::string name : {"upper.LNK", "garbage.lnk", "empty.lnk", "missing.lnk", "good", "good.lnk.txt"}) {
        EXPECT_EQ(reader.AnalizeLink(dir + "\\" + name), -1) << name;
        EXPECT_EQ(Snapshot(reader), before) << name;
    }
    EXPECT_EQ(reader.AnalizeLink(""), -1);
    EXPECT_EQ(Snapshot(reader), before);
}

TEST(Scmake, LongArgumentsComeBackWhole) {
    ScratchDir scratch;
    const std::string dir = scratch.Path().substr(0, scratch.Path().size() - 1);
    std::string doubleByte;
    for (int i = 0; i < 1500; ++i) doubleByte += "表";
    for (const std::string& argument : {std::string(259, 'a'), std::string(400, 'a'), doubleByte + " -x"}) {
        TSCMake link(nullptr);
        link.SCDir = dir;
        link.SCName = "long";
        link.LinkPath = MakeTarget(scratch.Path() + "t.exe");
        link.Argument = argument;
        ASSERT_EQ(link.CreateLink(), S_OK);
        TSCMake reader(nullptr);
        ASSERT_EQ(reader.AnalizeLink(dir + "\\long.lnk"), 0);
        EXPECT_EQ(reader.Argument, argument) << argument.size() << " bytes";
    }
}

TEST(Scmake, EachInstancePairsItsComInitialisation) {
    std::thread([] {
        { // on a fresh thread: afterwards no apartment is left behind
            TSCMake first(nullptr);
            TSCMake second(nullptr);
        }
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        EXPECT_EQ(hr, S_OK);
        // In a multithreaded apartment the component's own initialisation fails
        // and must not be undone.
        { TSCMake inMta(nullptr); }
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE) << "the thread's apartment was left";
        CoUninitialize();
        CoUninitialize();
    }).join();
}

} // namespace
