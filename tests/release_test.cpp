// The download as a Windows user gets it: K2.exe unpacked from the release zip
// into a folder with spaces and Japanese characters in its name runs there and
// keeps its files beside itself; the exe tells Explorer its version and shows
// the main icon; its headers keep the loader's protections.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/BoxAnswerer.h"
#include "support/Process.h"
#include "support/Scratch.h"
#include "toolkit/Text.h"

using k2test::Process;

namespace {

constexpr DWORD kTimeoutMs = 20000;

// Where release_unpack.sh unpacked the zip, with a trailing backslash; "" when
// the tests run without it.
std::string UnpackedFolder() {
    const char* unpacked = std::getenv("K2_RELEASE_DIR");
    if (!unpacked || !*unpacked) return {};
    return k2test::WinePathFromUnix(unpacked) + "\\コルミ２ テスト 置き場\\";
}

class ReleaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = UnpackedFolder();
        if (folder_.empty()) GTEST_SKIP() << "K2_RELEASE_DIR is not set (the release zip was not unpacked)";
        exe_ = folder_ + "K2.exe";
        ASSERT_TRUE(tk::FileExists(exe_)) << exe_;
    }
    std::string folder_, exe_;
};

HWND MainWindowOf(const Process& process) {
    for (const auto& window : k2test::TopLevelWindows(process.Id()))
        if (window.windowClass == "TForm1") return window.hwnd;
    return nullptr;
}

std::string VersionString(const std::vector<char>& block, const char* name) {
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring path = L"\\StringFileInfo\\041103A4\\" + tk::Wide(name);
    if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value) return "?";
    return tk::Utf8(value);
}

// The images of an icon group as stored: (width, bytes of the image).
std::vector<std::pair<int, std::string>> IconGroupImages(HMODULE module, const char* name) {
    std::vector<std::pair<int, std::string>> images;
    const auto resource = [&](LPCSTR id, LPCSTR type) {
        HRSRC found = FindResourceA(module, id, type);
        HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
        return loaded ? std::string(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found))
                      : std::string();
    };
    const std::string group = resource(name, MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
    if (group.size() < 6) return images;
    const int count = static_cast<unsigned char>(group[4]) | static_cast<unsigned char>(group[5]) << 8;
    for (int i = 0; i < count && 6 + 14 * (i + 1) <= static_cast<int>(group.size()); ++i) {
        const char* entry = group.data() + 6 + 14 * i; // GRPICONDIRENTRY
        const int width = static_cast<unsigned char>(entry[0]) ? static_cast<unsigned char>(entry[0]) : 256;
        const WORD id = static_cast<unsigned char>(entry[12]) | static_cast<unsigned char>(entry[13]) << 8;
        images.emplace_back(width, resource(MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3))); // RT_ICON
    }
    return images;
}

BOOL CALLBACK FirstName(HMODULE, LPCSTR, LPSTR name, LONG_PTR found) {
    *reinterpret_cast<std::string*>(found) = IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name)) : name;
    return FALSE;
}

} // namespace

TEST_F(ReleaseTest, UnpackedProgramKeepsItsFilesBesideItself) {
    ASSERT_FALSE(k2test::K2MutexExists()) << "another copy of K2 is running in this session";
    // Started from another current folder, as a shortcut or Explorer may do.
    const std::string elsewhere = folder_ + "..\\";
    Process k2 = Process::Start(exe_, "", elsewhere);
    ASSERT_TRUE(k2) << "CreateProcess error " << k2.StartError();
    ASSERT_TRUE(k2test::WaitUntil([&] { return !k2.IsRunning() || MainWindowOf(k2); }, kTimeoutMs)) << "no window";
    const HWND form = MainWindowOf(k2);
    ASSERT_NE(form, nullptr) << "ended with " << k2.ExitCode().value_or(0);
    k2.WaitForIdle(kTimeoutMs);
    // Leaving at the end of a session asks nothing.
    k2test::BoxAnswerer boxes(k2.Id());

    // The session ends: the program saves its files before it answers, and
    // leaves without asking at the end. Asked while its start sequence still runs (a cold
    // start can outlast the wait for idle), it agrees but saves nothing and
    // stays: ask again a little later.
    const std::string settings = folder_ + "data\\data99.ini";
    const DWORD asked = GetTickCount();
    for (;;) {
        DWORD_PTR answer = 0;
        ASSERT_TRUE(SendMessageTimeoutA(form, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, kTimeoutMs, &answer));
        EXPECT_EQ(answer, 1u);
        if (tk::FileExists(settings) || GetTickCount() - asked > kTimeoutMs) break;
        Sleep(200);
    }
    SendNotifyMessageA(form, WM_ENDSESSION, TRUE, 0);
    ASSERT_TRUE(k2.WaitForExit(kTimeoutMs)) << "still running after the end of the session; windows:" << [&] {
        std::string list;
        for (const auto& window : k2test::TopLevelWindows(k2.Id()))
            list += " " + window.windowClass + (window.visible ? " (shown) \"" : " \"") + window.caption + "\"";
        return list;
    }();
    EXPECT_EQ(k2.ExitCode(), 0u);
    for (const auto& box : boxes.Seen()) ADD_FAILURE() << "box \"" << box.caption << "\": " << box.text;

    EXPECT_TRUE(tk::FileExists(folder_ + "data\\data99.ini"));
    EXPECT_TRUE(tk::FileExists(folder_ + "data\\data0.kor"));
    EXPECT_TRUE(tk::DirectoryExists(folder_ + "cg"));
    EXPECT_FALSE(tk::FileExists(elsewhere + "data")) << "files were put in the current folder";
}

TEST_F(ReleaseTest, ExplorerSeesVersionIconAndManifest) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(tk::Wide(exe_).c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version block";
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(tk::Wide(exe_).c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010004u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00090000u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010004u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00090000u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0411);
    EXPECT_EQ(translation[1], 932);
    EXPECT_EQ(VersionString(block, "ProductName"), "コルミ２");
    EXPECT_EQ(VersionString(block, "FileDescription"), "コルミ２");
    EXPECT_EQ(VersionString(block, "OriginalFilename"), "K2.exe");
    EXPECT_EQ(VersionString(block, "FileVersion"), "1.4.9.0");
    EXPECT_EQ(VersionString(block, "ProductVersion"), "1.4.9.0");

    const HMODULE module = LoadLibraryExW(tk::Wide(exe_).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    // Explorer shows the first icon group: it must be the main icon, at every size.
    std::string first;
    EnumResourceNamesA(module, MAKEINTRESOURCEA(14), FirstName, reinterpret_cast<LONG_PTR>(&first));
    const auto shown = IconGroupImages(module, first.c_str());
    const auto main = IconGroupImages(module, "MAINICON");
    std::vector<int> sizes;
    for (const auto& image : main) sizes.push_back(image.first);
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 256}));
    EXPECT_TRUE(shown == main) << "the first icon group, \"" << first << "\", is not the main icon";
    // The page icons have every small-icon size from 100 % to 200 %.
    for (const char* page : {"ICON1", "ICON10", "ICON12"}) {
        std::vector<int> pageSizes;
        for (const auto& image : IconGroupImages(module, page)) pageSizes.push_back(image.first);
        EXPECT_EQ(pageSizes, (std::vector<int>{16, 20, 24, 32})) << page;
    }
    FreeLibrary(module);

    // The manifest is one the loader accepts (a broken one stops the program
    // from starting on Windows).
    const std::wstring source = tk::Wide(exe_);
    ACTCTXW context{};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = source.c_str();
    context.lpResourceName = MAKEINTRESOURCEW(1);
    const HANDLE activation = CreateActCtxW(&context);
    EXPECT_NE(activation, INVALID_HANDLE_VALUE) << "manifest rejected, error " << GetLastError();
    if (activation != INVALID_HANDLE_VALUE) ReleaseActCtx(activation);
}

TEST_F(ReleaseTest, HeadersKeepTheLoadersProtectionsAndNoTimeStamp) {
    const std::string image = k2test::ReadFileBytes(exe_);
    ASSERT_GT(image.size(), 0x400u);
    LONG offset = 0;
    std::memcpy(&offset, image.data() + 0x3C, sizeof offset);
    ASSERT_LT(static_cast<std::size_t>(offset) + sizeof(IMAGE_NT_HEADERS64), image.size());
    IMAGE_NT_HEADERS64 headers;
    std::memcpy(&headers, image.data() + offset, sizeof headers);
    ASSERT_EQ(headers.Signature, IMAGE_NT_SIGNATURE);
    ASSERT_EQ(headers.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
    EXPECT_EQ(headers.FileHeader.TimeDateStamp, 0u) << "a time stamp makes every build differ";
    EXPECT_EQ(headers.FileHeader.PointerToSymbolTable, 0u) << "symbols were not stripped";
    const WORD flags = headers.OptionalHeader.DllCharacteristics;
    for (const WORD wanted : {IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE, IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA,
                              IMAGE_DLLCHARACTERISTICS_NX_COMPAT, IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE})
        EXPECT_EQ(flags & wanted, wanted) << std::hex << "DllCharacteristics " << flags << " lack " << wanted;
}
