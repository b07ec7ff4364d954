// The export table and the small exports of the real DLL, and the statistics reset's ini work.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "boundary/loader_lock.h"
#include "support/dll_under_test.h"
#include "support/loader_wait.h"
#include "support/message_loop_probe.h"
#include "support/scratch_folder.h"
#include "support/window_finder.h"

namespace {

const char* const kDecoratedNames[] = {
    "?AddData0@@YAHPBD0PAVCOleDateTime@ATL@@111II000000000000000HHHNN00000@Z",
    "?CheckCallFunc0@@YAHPBDII00000000000HHHNN0000000PAD1@Z",
    "?GetNumberOfSets@@YAHXZ",
    "?GetResult0@@YAPBDPAH@Z",
    "?GetSetName@@YAPBDH@Z",
    "?RemoveData0@@YAHPBD0PAVCOleDateTime@ATL@@111II000000000000000HHHNN00000@Z",
    "?ResetStats0@@YAHPBDH0PAVCOleDateTime@ATL@@10000000000HHHNN000@Z",
    "?SetupSet0@@YAXXZ",
    "?StatsGetExchgCount0@@YAHPBD00@Z",
    "?StatsIsValidExchg0@@YAHPBD000HHH@Z",
    "?setVersion@@YAKPBD@Z",
};
const char* const kPlainNames[] = {"AddData0",      "CheckCall0",  "GetExchgCount0", "GetNumberOfSets",
                                   "GetResult0",    "GetSetName",  "IsValidExchg0",  "RemoveData0",
                                   "ResetStats0",   "SetupSet0",   "setVersion"};

// Plain name -> decorated name of the same function.
const std::pair<const char*, int> kSameFunction[] = {
    {"AddData0", 0},   {"CheckCall0", 1}, {"GetNumberOfSets", 2}, {"GetResult0", 3},
    {"GetSetName", 4}, {"RemoveData0", 5}, {"ResetStats0", 6},   {"SetupSet0", 7},
    {"GetExchgCount0", 8}, {"IsValidExchg0", 9}, {"setVersion", 10},
};

TEST(ExportTable, EveryNameHasItsOrdinalAndBothNamesReachOneFunction) {
    DllUnderTest dll;
    for (int i = 0; i < 11; ++i) {
        FARPROC byOrdinal = GetProcAddress(dll.module(), MAKEINTRESOURCEA(i + 1));
        EXPECT_NE(byOrdinal, nullptr) << kDecoratedNames[i];
        EXPECT_EQ(dll.symbol(kDecoratedNames[i]), byOrdinal) << kDecoratedNames[i];
        EXPECT_EQ(dll.symbol(kPlainNames[i]), GetProcAddress(dll.module(), MAKEINTRESOURCEA(i + 12)))
            << kPlainNames[i];
    }
    for (const auto& [plain, decorated] : kSameFunction)
        EXPECT_EQ(dll.symbol(plain), dll.symbol(kDecoratedNames[decorated])) << plain;
    // The exchange count and the number of sets are one function.
    EXPECT_EQ(dll.symbol("GetNumberOfSets"), dll.symbol("GetExchgCount0"));
    EXPECT_EQ(GetProcAddress(dll.module(), MAKEINTRESOURCEA(23)), nullptr);
}

TEST(SmallExports, AnswerAsTheHostExpects) {
    DllUnderTest dll;
    EXPECT_EQ(dll.getNumberOfSets(), 1);
    EXPECT_EQ(dll.getExchgCount(nullptr, "x", nullptr), 1);
    EXPECT_STREQ(dll.getSetName(0), "ZELK Contest");
    ASSERT_NE(dll.getSetName(1), nullptr);
    EXPECT_STREQ(dll.getSetName(1), "");
    EXPECT_STREQ(dll.getSetName(-5), "");
    EXPECT_EQ(dll.setVersion(nullptr), 0ul);
    EXPECT_EQ(dll.setVersion("5.0"), 0ul);
}

TEST(SmallExports, SetupSet0ShowsItsMessageWithTheDefaultCaption) {
    DllUnderTest dll;
    std::string text, caption;
    std::thread closer([&] {
        HWND box = WaitForDialog(nullptr, 10000);
        if (!box) return;
        text = DialogStaticText(box);
        caption = WindowText(box);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    dll.setupSet();
    closer.join();
    EXPECT_EQ(text, "No additional setup for this plugin");
    EXPECT_EQ(caption, "Error");  // the system's default caption of a box without one
}

// A short contest session through either set of names: both lead to the same code.
class SessionByName : public ::testing::TestWithParam<DllUnderTest::Names> {};

TEST_P(SessionByName, EveryExportAnswers) {
    ScratchFolder folder;
    DllUnderTest dll(GetParam());
    EXPECT_EQ(dll.getNumberOfSets(), 1);
    EXPECT_STREQ(dll.getSetName(0), "ZELK Contest");
    EXPECT_EQ(dll.getExchgCount("", "", ""), 1);
    EXPECT_EQ(dll.isValidExchg("KI01", "", "UR", "", 0, 0, 0), 1);
    EXPECT_EQ(dll.isValidExchg("599", "", "DL", "", 0, 0, 0), 0);
    EXPECT_EQ(dll.reset(), 1);

    stats_api::Qso qso;
    qso.myCall = "UT1AA";
    qso.call = "DL1ABC";
    qso.time = MakeOleDate(2017, 5, 5, 21, 30);
    qso.frequencyHz = 3520000;
    qso.mode = "CW";
    qso.band = "80m";
    qso.exchSent = "001";
    qso.exchReceived = "017";
    qso.country = "DL";
    EXPECT_EQ(dll.add(qso), 1);
    EXPECT_EQ(dll.check("DL1ABC", "CW", "DL", "80m", "80m"), 0);
    EXPECT_EQ(dll.add(qso), 1);  // a dupe is stored too

    int out = 7;
    const std::string text = dll.getResult(&out);
    EXPECT_EQ(out, 7);
    EXPECT_NE(text.find("80m\t 1\t 0\t 1\t 1\t 0\t 0\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Dupe\t 1\r\n"), std::string::npos) << text;

    EXPECT_EQ(dll.remove(qso), 1);
    EXPECT_EQ(dll.remove(qso), 1);
    EXPECT_EQ(dll.check("DL1ABC", "CW", "DL", "80m", "80m"), 1);
    EXPECT_EQ(ReadWholeFile("BadQSO_StatsZELK_06_05_2017.txt"), "ZELK TEST UBN file UBN file \r\n");

    EXPECT_EQ(dll.setVersion(""), 0ul);
    EXPECT_EQ(std::string(dll.getResult(nullptr)).rfind("<html>", 0), 0u);

    std::string message;
    std::thread closer([&] {
        if (HWND box = WaitForDialog(nullptr, 10000)) {
            message = DialogStaticText(box);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    });
    dll.setupSet();
    closer.join();
    EXPECT_EQ(message, "No additional setup for this plugin");
}

INSTANTIATE_TEST_SUITE_P(Names, SessionByName,
                         ::testing::Values(DllUnderTest::Names::plain, DllUnderTest::Names::decorated),
                         [](const auto& info) {
                             return info.param == DllUnderTest::Names::plain ? "Plain" : "Decorated";
                         });

// The setup window after a reset that opens it. A window thread that an earlier unload left
// behind may still be leaving this image (a busy machine): the new one then starts at the first
// export after it has left, so this calls one now and then, as a host does while the operator types.
HWND WaitForSetupWindowAsAHost(DllUnderTest& dll) {
    HWND setup = nullptr;
    for (int waited = 0; waited < 10000 && !(setup = WaitForDialog("Setup ZELK-2017", 0)); waited += 20) {
        dll.check("UR5", "CW", "UR", "80m", "80m");
        Sleep(20);
    }
    return setup;
}

TEST(StatisticsReset, StartSwitchRunsOneShot) {
    ScratchFolder folder;
    DllUnderTest dll;
    const std::string ini = folder.path() + "\\Plugins\\ZELK.ini";
    auto start = [&] {
        char value[16] = "";
        GetPrivateProfileStringA("Settings", "Start", "<none>", value, sizeof value, ini.c_str());
        return std::string(value);
    };
    EXPECT_EQ(start(), "<none>");
    EXPECT_EQ(dll.reset("UT1AA", 0, "DL"), 1);
    EXPECT_EQ(start(), "1");
    HWND setup = WaitForSetupWindowAsAHost(dll);
    ASSERT_NE(setup, nullptr);
    EXPECT_EQ(dll.reset("UT1AA", 0, "DL"), 1);
    EXPECT_EQ(start(), "0");
    // The windows still run: the switch stays as it is.
    EXPECT_EQ(dll.reset("UT1AA", 0, "DL"), 1);
    EXPECT_EQ(start(), "0");
    // Once the operator has ended the setup window, the next reset starts the windows again.
    const WindowThreadWatch windowThread(setup);
    PostMessageA(setup, WM_CLOSE, 0, 0);
    ASSERT_TRUE(windowThread.ended(10000));
    EXPECT_EQ(dll.reset("UT1AA", 0, "DL"), 1);
    EXPECT_EQ(start(), "1");
}

TEST(StatisticsReset, HostVersionComesFromTheHostIni) {
    ScratchFolder folder;
    DllUnderTest dll;
    const std::string prefix = folder.path() + "\\";
    WriteWholeFile("Vexl2.ini", "[Main]\r\nName=x\r\n Vexl=2.20\r\nVexl=9.99\r\n");
    WriteWholeFile("Other.ini", "Vexl=1\r\n");

    // No listed file contains the host ini's name: the default version.
    dll.reset("UT1AA", 0, "UR", (prefix + "Other").c_str());
    EXPECT_EQ(dll.check("X1X", "AM", "DL", "20m", "20m"), 4);

    // " Vexl=2.20" loses its first five characters: "=2.20", which is not a 2.20 host.
    dll.reset("UT1AA", 0, "UR", prefix.c_str());
    EXPECT_EQ(dll.check("X1X", "AM", "DL", "20m", "20m"), 4);

    WriteWholeFile("Vexl2.ini", "[Main]\r\nVexl=2.20\r\n");
    dll.reset("UT1AA", 0, "UR", prefix.c_str());
    EXPECT_EQ(dll.check("X1X", "AM", "DL", "20m", "20m"), 1);

    // A listed ini without a "Vexl=" line keeps the version found before.
    WriteWholeFile("Vexl2.ini", "[Main]\r\n");
    dll.reset("UT1AA", 0, "UR", prefix.c_str());
    EXPECT_EQ(dll.check("X1X", "AM", "DL", "20m", "20m"), 1);

    dll.reset("UT1AA", 0, "UR", (prefix + "Nothing").c_str());
    EXPECT_EQ(dll.check("X1X", "AM", "DL", "20m", "20m"), 4);
}

TEST(StatisticsReset, CreatesTheBadQsoFileNamedAfterTheContestEnd) {
    ScratchFolder folder;
    DllUnderTest dll;
    WriteWholeFile("BadQSO_StatsZELK_06_05_2017.txt", "old content\r\n");
    dll.reset();
    EXPECT_EQ(ReadWholeFile("BadQSO_StatsZELK_06_05_2017.txt"), "ZELK TEST UBN file \r\n");
}

TEST(Boundary, NullTextsAndNullPointersNeverCrash) {
    ScratchFolder folder;
    DllUnderTest dll;
    const char* n = nullptr;
    EXPECT_EQ(dll.resetStats(n, 0, n, nullptr, nullptr, n, n, n, n, n, n, n, n, n, n, 0, 0, 0, 0.0, 0.0,
                             n, n, n),
              1);
    EXPECT_EQ(dll.addData(n, n, nullptr, nullptr, nullptr, nullptr, 0, 0, n, n, n, n, n, n, n, n, n, n, n,
                          n, n, n, n, 0, 0, 0, 0.0, 0.0, n, n, n, n, n),
              0);
    EXPECT_EQ(dll.removeData(n, n, nullptr, nullptr, nullptr, nullptr, 0, 0, n, n, n, n, n, n, n, n, n, n,
                             n, n, n, n, n, 0, 0, 0, 0.0, 0.0, n, n, n, n, n),
              1);
    dll.check(n, n, n, n, n);
    EXPECT_NE(dll.getResult(nullptr), nullptr);
    EXPECT_EQ(dll.isValidExchg(n, n, n, n, 0, 0, 0), 0);
}

}  // namespace

namespace {

// A window of the host's thread that calls the call check when it gets WM_APP, as a host's entry
// field would while a dialog of the plug-in pumps the thread's messages.
struct ReentrantCaller {
    static inline DllUnderTest* dll = nullptr;
    static inline int answer = -1;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_APP) {
            answer = dll->check("UR1AB", "CW", "UR", "80m", "80m");
            return 1;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
};

TEST(Boundary, ExportCalledFromInsideThePlugInsDialogDoesNotHang) {
    ScratchFolder folder;
    DllUnderTest dll;
    ReentrantCaller::dll = &dll;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ReentrantCaller::Proc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ReentrantCaller";
    RegisterClassA(&windowClass);
    HWND caller = CreateWindowA("ReentrantCaller", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
    ASSERT_NE(caller, nullptr);

    std::atomic<LRESULT> sent{0};
    std::thread operatorThread([&] {
        HWND dialog = WaitForDialog("ZELK CONTEST", 10000);
        if (!dialog) return;
        DWORD_PTR result = 0;
        // Answered by the host's thread from inside the dialog's message loop.
        if (SendMessageTimeoutA(caller, WM_APP, 0, 0, SMTO_NORMAL, 10000, &result)) sent = 1;
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(dll.reset("UT1AA", 1), 1);
    operatorThread.join();
    DestroyWindow(caller);

    EXPECT_EQ(sent.load(), 1);
    EXPECT_EQ(ReentrantCaller::answer, 1);
}

}  // namespace

namespace {

// An unload that leaves the window thread behind (here the thread waits for the loader lock that
// the unload holds) keeps the image mapped for that thread, while the loader lets go of the
// libraries the image imports. This program loads no COM library of its own: COM's libraries must
// stay for the image, for its thread and for a load that attaches it again, whose first reset
// calls into them.
TEST(Lifecycle, TheLibrariesOfAnImageLeftBehindStayLoaded) {
    ScratchFolder folder;
    auto dll = std::make_unique<DllUnderTest>();
    ASSERT_EQ(dll->reset("UT1AA", 0, "DL"), 1);
    HWND setup = WaitForSetupWindowAsAHost(*dll);
    ASSERT_NE(setup, nullptr);
    LoaderWaitHook hook(GetWindowThreadProcessId(setup, nullptr));
    ASSERT_TRUE(hook.installed());
    std::unique_ptr<DllUnderTest> again;
    {
        LoaderLock loader;
        ASSERT_TRUE(loader.held());
        ASSERT_TRUE(hook.sendForTheLoader(setup, 10000));
        dll.reset();
        ASSERT_NE(GetModuleHandleA("Stats.dll"), nullptr) << "the unload waited for a thread stuck in the loader";
        for (const char* imported : {"ole32.dll", "oleaut32.dll", "combase.dll"})
            ASSERT_NE(GetModuleHandleA(imported), nullptr) << imported << " went while the image stays";
        // The thread cannot leave yet: this load attaches the same image again.
        again = std::make_unique<DllUnderTest>();
    }
    WritePrivateProfileStringA("Settings", "Start", "1", ".\\Plugins\\ZELK.ini");
    EXPECT_EQ(again->reset("UT1AA", 0, "DL"), 1);
    EXPECT_EQ(again->check("UR5ABC", "CW", "UR", "80m", "80m"), 1);
}

}  // namespace

namespace {

// The library's exit runs inside the process's exit too, when the host ends without unloading it:
// it must not wait for threads that the process has already ended.
TEST(Lifecycle, ChildExitsWithTheLibraryLoaded) {
    char marker[8] = "";
    if (!GetEnvironmentVariableA("STATS_EXIT_CHILD", marker, sizeof marker)) GTEST_SKIP() << "run by the parent";
    ScratchFolder folder;
    static DllUnderTest* dll = new DllUnderTest();  // never unloaded
    dll->reset();
    ExitProcess(42);
}

TEST(Lifecycle, ProcessExitWithTheLibraryLoadedEndsPromptly) {
    char program[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string commandLine =
        std::string("\"") + program + "\" --gtest_filter=Lifecycle.ChildExitsWithTheLibraryLoaded";
    SetEnvironmentVariableA("STATS_EXIT_CHILD", "1");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    BOOL started = CreateProcessA(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &startup, &child);
    SetEnvironmentVariableA("STATS_EXIT_CHILD", nullptr);
    ASSERT_TRUE(started);
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    EXPECT_EQ(code, 42u);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
}

}  // namespace
