// Clipboard capture: bitmaps put on the clipboard by another process become
// numbered JPEG files; the window keeps the clipboard viewer chain intact.
#include "support/BoxAnswerer.h"
#include "support/MainWindow.h"
#include "support/Process.h"

#include "support/JpegDecode.h"

#include "toolkit/Bitmap.h"
#include "toolkit/Jpeg.h"
#include "toolkit/Text.h"

#include <future>
#include <thread>
#include <vector>

using k2test::LuminanceTable;
using k2test::MainWindowTest;
using k2test::Pump;
using k2test::ReadFileBytes;

namespace {

// Runs the clipboard helper and handles the notices its change sends us.
void PutOnClipboard(const std::string& arguments) {
    k2test::Process helper = k2test::Process::Start(k2test::TestBinFolder() + "clip_put.exe", arguments);
    ASSERT_TRUE(helper) << helper.StartError();
    const DWORD start = GetTickCount();
    while (!helper.WaitForExit(0) && GetTickCount() - start < 10000)
        Pump(10);
    ASSERT_EQ(helper.ExitCode().value_or(99), 0u) << arguments;
    Pump(150);
}

void EmptyTheClipboard() {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
}

std::string Settings(const std::string& keys) { return "[各種設定]\r\n" + keys; }

// A clipboard viewer of the test that keeps the rules: it passes notices and
// chain changes on, and counts the notices it gets.
class TestViewer {
public:
    TestViewer() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "K2TestViewer";
        RegisterClassA(&wc);
        hwnd_ = CreateWindowExA(0, "K2TestViewer", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                GetModuleHandleA(nullptr), this);
        next = SetClipboardViewer(hwnd_);
        Pump(20);
        notices = 0;
    }
    ~TestViewer() {
        Leave();
        DestroyWindow(hwnd_);
    }
    TestViewer(const TestViewer&) = delete;
    TestViewer& operator=(const TestViewer&) = delete;

    void Leave() {
        if (joined_) ChangeClipboardChain(hwnd_, next);
        joined_ = false;
    }
    HWND Handle() const { return hwnd_; }

    HWND next = nullptr;
    int notices = 0;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE)
            SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<TestViewer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self && message == WM_DRAWCLIPBOARD) {
            ++self->notices;
            if (self->next) SendMessageA(self->next, message, wParam, lParam);
            return 0;
        }
        if (self && message == WM_CHANGECBCHAIN) {
            if (reinterpret_cast<HWND>(wParam) == self->next) {
                self->next = reinterpret_cast<HWND>(lParam);
            } else if (self->next) {
                SendMessageA(self->next, message, wParam, lParam);
            }
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    HWND hwnd_ = nullptr;
    bool joined_ = true;
};

class CaptureTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // A bitmap left by an earlier test would be captured when the window joins the chain.
        EmptyTheClipboard();
    }
    std::string CaptureFolder() const { return Dir() + "cg\\"; }
};

} // namespace

TEST_F(CaptureTest, BitmapsBecomeNumberedJpegFiles) {
    WriteSettings(Settings("簡易キャプチャ=1\r\n"));
    Start();
    PutOnClipboard("bitmap 64 48 C8283C");
    const std::string first = ReadFileBytes(CaptureFolder() + "Image_1.jpg");
    ASSERT_FALSE(first.empty());
    const k2test::DecodedJpeg decoded = k2test::DecodeJpeg(first);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.width, 64);
    EXPECT_EQ(decoded.height, 48);
    EXPECT_EQ(decoded.components, 3);
    EXPECT_FALSE(decoded.progressive);
    const unsigned char* centre = decoded.Pixel(decoded.width / 2, decoded.height / 2);
    EXPECT_NEAR(centre[0], 0xC8, 8);
    EXPECT_NEAR(centre[1], 0x28, 8);
    EXPECT_NEAR(centre[2], 0x3C, 8);
    EXPECT_EQ(LuminanceTable(first), std::vector<int>(64, 1)) << "quality 100 by default";
    EXPECT_EQ(Form().captureNumber, 2);

    PutOnClipboard("bitmap 20 10");
    EXPECT_EQ(k2test::DecodeJpeg(ReadFileBytes(CaptureFolder() + "Image_2.jpg")).width, 20);
    Stop();

    // The number goes on after a restart. (A bitmap still on the clipboard
    // would be captured at once: joining the chain brings a notice.)
    EmptyTheClipboard();
    Start();
    EXPECT_EQ(Form().captureNumber, 3);
    PutOnClipboard("bitmap 8 8");
    EXPECT_TRUE(tk::FileExists(CaptureFolder() + "Image_3.jpg"));
}

TEST_F(CaptureTest, OnlyPlainBitmapsAreCaptured) {
    WriteSettings(Settings("簡易キャプチャ=1\r\nキャプチャ連番数字=-3\r\n"));
    Start();
    PutOnClipboard("text");
    PutOnClipboard("picture 32 32");
    EXPECT_EQ(Form().captureNumber, -3);
    PutOnClipboard("bitmap 16 16");
    EXPECT_TRUE(tk::FileExists(CaptureFolder() + "Image_-3.jpg"));
    EXPECT_EQ(Form().captureNumber, -2);
}

TEST_F(CaptureTest, QualityIsTakenAsAnEightBitValue) {
    const tk::Bitmap sample(16, 16, RGB(90, 120, 150));
    const auto tableAt = [&](std::uint8_t quality) {
        tk::JpegImage jpeg(sample);
        jpeg.SetQuality(quality);
        const std::string path = Dir() + "reference.jpg";
        jpeg.SaveToFile(path);
        return LuminanceTable(ReadFileBytes(path));
    };
    struct Case {
        const char* setting;
        std::uint8_t sameAs;
    };
    for (const Case& c : {Case{"0", 1}, Case{"300", 44}}) {
        SCOPED_TRACE(c.setting);
        WriteSettings(Settings(std::string("簡易キャプチャ=1\r\njpgファイルのクオリティ=") + c.setting + "\r\n"));
        Start();
        const int number = Form().captureNumber;
        PutOnClipboard("bitmap 16 16");
        const std::vector<int> table =
            LuminanceTable(ReadFileBytes(CaptureFolder() + "Image_" + std::to_string(number) + ".jpg"));
        ASSERT_EQ(table.size(), 64u);
        EXPECT_EQ(table, tableAt(c.sameAs));
        EXPECT_NE(table, tableAt(100));
        Stop();
    }
}

TEST_F(CaptureTest, MissingFolderWritesNothingAndKeepsTheNumber) {
    k2test::BoxAnswerer boxes;
    WriteSettings(Settings("簡易キャプチャ=1\r\n"));
    Start();
    ASSERT_TRUE(RemoveDirectoryW(tk::Wide(Form().captureFolder).c_str()));
    PutOnClipboard("bitmap 16 16");
    EXPECT_EQ(Form().captureNumber, 1);
    EXPECT_FALSE(tk::FileExists(CaptureFolder()));
    EXPECT_TRUE(boxes.Seen().empty()) << "nothing is reported";
}

TEST_F(CaptureTest, FailedCaptureIsReportedAfterTheNoticeIsPassedOn) {
    k2test::BoxAnswerer boxes;
    TestViewer viewer;
    WriteSettings(Settings("簡易キャプチャ=1\r\n"));
    Start();
    viewer.notices = 0;
    // The file name is taken by a folder: the file cannot be written.
    const std::string blocked = CaptureFolder() + "Image_1.jpg";
    ASSERT_TRUE(CreateDirectoryW(tk::Wide(blocked).c_str(), nullptr));
    PutOnClipboard("bitmap 16 16");
    ASSERT_TRUE(boxes.WaitForBoxes(1, 5000));
    EXPECT_NE(boxes.Seen()[0].text.find("Image_1.jpg"), std::string::npos) << boxes.Seen()[0].text;
    EXPECT_EQ(viewer.notices, 1) << "the next viewer still got the notice";
    EXPECT_EQ(Form().captureNumber, 1);

    // The next notice is handled normally, under the same number.
    RemoveDirectoryW(tk::Wide(blocked).c_str());
    PutOnClipboard("bitmap 16 16");
    EXPECT_TRUE(k2test::DecodeJpeg(ReadFileBytes(blocked)).ok);
    EXPECT_EQ(Form().captureNumber, 2);
    EXPECT_EQ(viewer.notices, 2);
    EXPECT_EQ(boxes.Seen().size(), 1u);
}

TEST_F(CaptureTest, ClipboardHeldByAnotherProgramForAMomentIsWaitedFor) {
    k2test::BoxAnswerer boxes;
    Start();
    PutOnClipboard("bitmap 16 16"); // capture still off
    Form().captureEnabled = true;
    // Someone else opens the clipboard just as the notice comes: held 50 ms
    // it is waited for; held 600 ms the capture gives up and says so.
    for (const DWORD holdMs : {50, 600}) {
        std::promise<bool> opened;
        std::thread holder([&] {
            const bool open = OpenClipboard(nullptr);
            opened.set_value(open);
            Sleep(holdMs);
            if (open) CloseClipboard();
        });
        ASSERT_TRUE(opened.get_future().get());
        SendMessageA(Form().Handle(), WM_DRAWCLIPBOARD, 0, 0);
        holder.join();
    }
    EXPECT_TRUE(tk::FileExists(CaptureFolder() + "Image_1.jpg"));
    EXPECT_FALSE(tk::FileExists(CaptureFolder() + "Image_2.jpg"));
    EXPECT_EQ(Form().captureNumber, 2);
    ASSERT_TRUE(boxes.WaitForBoxes(1, 5000));
    EXPECT_EQ(boxes.Seen().size(), 1u);
    EXPECT_NE(boxes.Seen()[0].text.find("クリップボードを開けません"), std::string::npos) << boxes.Seen()[0].text;
}

TEST_F(CaptureTest, ViewerChainStaysIntact) {
    // Joined before the window, so they follow it in the chain: window, c, b, a.
    TestViewer a, b, c;
    Start();
    k2::TForm1& form = Form();
    ASSERT_EQ(form.nextClipboardViewer, c.Handle());
    a.notices = b.notices = c.notices = 0;

    // Capture off: nothing written, every notice passed on.
    PutOnClipboard("bitmap 16 16");
    EXPECT_FALSE(tk::FileExists(CaptureFolder() + "Image_1.jpg"));
    EXPECT_EQ(c.notices, 1);
    EXPECT_EQ(a.notices, 1);

    // A viewer further down leaves: the change travels down to its neighbour.
    b.Leave();
    EXPECT_EQ(c.next, a.Handle());
    // The next viewer leaves: the window links to the one after it.
    c.Leave();
    EXPECT_EQ(form.nextClipboardViewer, a.Handle());
    PutOnClipboard("text");
    EXPECT_EQ(a.notices, 2);
    EXPECT_EQ(b.notices, 1);
    EXPECT_EQ(c.notices, 1);

    // The window leaves when it goes, handing the chain to its next viewer.
    Stop();
    EXPECT_EQ(GetClipboardViewer(), a.Handle());
    PutOnClipboard("text");
    EXPECT_EQ(a.notices, 3);
}
