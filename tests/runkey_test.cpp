// The one-time Run-key clean-up, and the box answerer the tests rely on to get past it.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/persist/RunKey.h"
#include "app/persist/Settings.h"
#include "support/BoxAnswerer.h"
#include "support/Scratch.h"
#include "toolkit/Handles.h"
#include "toolkit/Text.h"

#include <optional>

namespace {

// Started as the child of BoxAnswerer.AnswersBoxesOfAnotherProcess: show one box, exit with its answer.
const int childBox = [] {
    char flag[8];
    if (GetEnvironmentVariableA("K2_BOX_CHILD", flag, sizeof flag) > 0)
        ExitProcess(static_cast<UINT>(MessageBoxW(nullptr, L"子の本文", L"子の題", MB_YESNOCANCEL)));
    return 0;
}();

constexpr char kRunPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kValueName[] = "KORUMI2";
const std::string kNotice = "Ver1.4.9からレジストリを使用しなくなりましたので、\nレジストリの値を削除しました。";

bool RunKeyExists(REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunPath, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// Wine's start-up may leave an empty 32-bit Run key behind; an empty one is
// taken away for the test and put back afterwards.
class NoRunKey32 {
public:
    NoRunKey32() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunPath, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) {
            absent_ = true;
            return;
        }
        DWORD subKeys = 0, values = 0;
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr);
        RegCloseKey(key);
        removed_ = subKeys == 0 && values == 0 &&
                   RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kRunPath, KEY_WOW64_32KEY, 0) == ERROR_SUCCESS;
        absent_ = removed_;
    }
    ~NoRunKey32() {
        HKEY key = nullptr;
        if (removed_ && RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunPath, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                                        nullptr, &key, nullptr) == ERROR_SUCCESS)
            RegCloseKey(key);
    }
    NoRunKey32(const NoRunKey32&) = delete;
    NoRunKey32& operator=(const NoRunKey32&) = delete;
    bool Absent() const { return absent_; }

private:
    bool absent_ = false;
    bool removed_ = false;
};

// The machine Run key in one registry view; created for the test when missing
// (a fresh prefix has no 32-bit one) and left as it was found.
class RunKeyView {
public:
    explicit RunKeyView(REGSAM view) : view_(view) {
        HKEY key = nullptr;
        DWORD disposition = 0;
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunPath, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                                  &disposition),
                  ERROR_SUCCESS);
        key_.Reset(key);
        created_ = disposition == REG_CREATED_NEW_KEY;
    }
    ~RunKeyView() {
        RegDeleteValueA(key_.Get(), kValueName);
        key_.Reset();
        if (created_) RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kRunPath, view_, 0);
    }
    void Set(const std::string& data) const {
        EXPECT_EQ(RegSetValueExA(key_.Get(), kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                 static_cast<DWORD>(data.size() + 1)),
                  ERROR_SUCCESS);
    }
    std::optional<std::string> Get() const {
        char data[512] = {};
        DWORD size = sizeof data - 1;
        if (RegQueryValueExA(key_.Get(), kValueName, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        return std::string(data);
    }

private:
    REGSAM view_;
    tk::RegKey key_;
    bool created_ = false;
};

TEST(BoxAnswerer, AnswersBoxesOnTheCallingThreadInQueueOrder) {
    k2test::BoxAnswerer answerer(GetCurrentProcessId(), {IDNO, IDCANCEL});
    EXPECT_EQ(tk::MessageBoxUtf8(nullptr, "一つ目", "題1", MB_YESNO), IDNO);
    EXPECT_EQ(tk::MessageBoxUtf8(nullptr, "二つ目\n二行目", "題2", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(tk::MessageBoxUtf8(nullptr, "三つ目", "題3", MB_OK), IDOK); // nothing queued: OK

    const auto seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].caption, "題1");
    EXPECT_EQ(seen[0].text, "一つ目");
    EXPECT_EQ(seen[1].text, "二つ目\n二行目");
    EXPECT_EQ(seen[1].pressed, IDCANCEL);
    EXPECT_EQ(seen[2].caption, "題3");
    EXPECT_EQ(seen[2].windowClass, "#32770");
}

TEST(BoxAnswerer, AnswersBoxesOfAnotherProcess) {
    const std::string exe = tk::ModuleFileName();
    std::string commandLine = "\"" + exe + "\" --gtest_filter=-*";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    SetEnvironmentVariableW(L"K2_BOX_CHILD", L"1");
    const BOOL started = CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                                        nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableW(L"K2_BOX_CHILD", nullptr);
    ASSERT_TRUE(started) << GetLastError();
    const tk::KernelHandle processHandle(process.hProcess), thread(process.hThread);

    k2test::BoxAnswerer answerer(process.dwProcessId, {IDNO});
    ResumeThread(thread.Get());
    ASSERT_TRUE(answerer.WaitForBoxes(1, 20000));
    ASSERT_EQ(WaitForSingleObject(processHandle.Get(), 20000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeProcess(processHandle.Get(), &exitCode);
    EXPECT_EQ(exitCode, DWORD(IDNO));
    const auto seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "子の題");
    EXPECT_EQ(seen[0].text, "子の本文");
}

TEST(RunKey, CleanUpDeletesTheValueOfThe32BitViewAndSaysSo) {
    const RunKeyView run32(KEY_WOW64_32KEY), run64(KEY_WOW64_64KEY);
    run32.Set("C:\\Program Files\\K2\\K2.exe");
    run64.Set("C:\\other\\K2.exe");

    k2test::BoxAnswerer answerer;
    k2::MigrateRunKey(nullptr);
    EXPECT_EQ(run32.Get(), std::nullopt);
    EXPECT_EQ(run64.Get(), "C:\\other\\K2.exe");
    // The notice is shown whenever the key opens, value or not.
    k2::MigrateRunKey(nullptr);

    const auto seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 2u);
    for (const auto& box : seen) {
        EXPECT_EQ(box.caption, "コルミ２");
        EXPECT_EQ(box.text, kNotice);
    }
}

TEST(RunKey, NothingHappensWithoutTheKey) {
    const NoRunKey32 noKey;
    if (!noKey.Absent()) GTEST_SKIP() << "this registry has a 32-bit Run key in use";
    k2test::BoxAnswerer answerer;
    k2::MigrateRunKey(nullptr);
    EXPECT_TRUE(answerer.Seen().empty());
    EXPECT_FALSE(RunKeyExists(KEY_WOW64_32KEY));
}

TEST(RunKey, CleanUpRunsOnceForAnOldSettingsFile) {
    const RunKeyView run32(KEY_WOW64_32KEY);
    run32.Set("C:\\K2\\K2.exe");
    const k2test::ScratchDir dir;
    const std::string ini = dir.Path() + "data99.ini";
    k2test::WriteFileBytes(ini, k2test::Cp932("[各種設定]\r\nVersion=140\r\n"));
    k2test::BoxAnswerer answerer;

    for (int start = 0; start < 2; ++start) {
        k2::SettingsFields fields;
        bool cursorKeys = true;
        k2::LoadSettings(ini, dir.Path(), fields, cursorKeys);
        EXPECT_EQ(fields.dataVersion, start == 0 ? 140 : 149);
        k2::UpgradeDataVersion(nullptr, fields.dataVersion);
        EXPECT_EQ(fields.dataVersion, 149);
        k2::SaveSettings(ini, fields, cursorKeys);
    }
    EXPECT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(run32.Get(), std::nullopt);
}

} // namespace
