// Programs a script starts and ends beside the host, as a station loses and regains its
// communication server: a real server started under a name, ended by TerminateProcess (its
// segments go with it) and started again; the faults a script can make; the children a host
// leaves behind ended with it; and the session that stays up until the operator has closed
// every faceplate.
#include "ChildProcess.h"
#include "ChildProcesses.h"
#include "RunHost.h"

#include <gtest/gtest.h>

namespace fphost {
namespace {

constexpr char kServerSegment[] = "COMMUNATAION SERVER HWND";
constexpr wchar_t kServer[] = L"commserver.exe --exit-after 60000";
constexpr DWORD kServerUpMs = 15000;
constexpr DWORD kGoneMs = 5000;

bool MappingGone(const char* name, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        HANDLE h = ::OpenFileMappingA(FILE_MAP_READ, FALSE, name);
        if (!h)
            return true;
        ::CloseHandle(h);
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::Sleep(20);
    }
}

DWORD ExitCodeOf(HANDLE process) {
    DWORD code = 0;
    ::GetExitCodeProcess(process, &code);
    return code;
}

TEST(ChildProcesses, ServerStartedEndedAndStartedAgain) {
    ChildProcesses children;
    DWORD pid = 0;
    std::string error;
    ASSERT_TRUE(children.Start("server", kServer, pid, error)) << error;
    HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
    ASSERT_NE(process, nullptr);
    EXPECT_TRUE(children.Running("SERVER")) << "names regardless of case";
    ASSERT_TRUE(kt::ChildProcess::WaitForMapping(kServerSegment, kServerUpMs));

    EXPECT_FALSE(children.Start("Server", kServer, pid, error));
    EXPECT_NE(error.find("runs already"), std::string::npos) << error;

    ASSERT_TRUE(children.Stop("server", error)) << error;
    EXPECT_EQ(::WaitForSingleObject(process, 0), WAIT_OBJECT_0) << "gone when Stop returns";
    EXPECT_EQ(ExitCodeOf(process), kStoppedExitCode);
    ::CloseHandle(process);
    EXPECT_FALSE(children.Running("server"));
    EXPECT_TRUE(MappingGone(kServerSegment, kGoneMs)) << "the server's segments went with it";

    ASSERT_TRUE(children.Start("server", kServer, pid, error)) << error;
    EXPECT_TRUE(kt::ChildProcess::WaitForMapping(kServerSegment, kServerUpMs));
    EXPECT_TRUE(children.Stop("server", error)) << error;
}

TEST(ChildProcesses, FaultsAreRefusedWithTheirReason) {
    ChildProcesses children;
    DWORD pid = 0;
    std::string error;
    EXPECT_FALSE(children.Stop("server", error));
    EXPECT_EQ(error, "no child 'server' was started");

    EXPECT_FALSE(children.Start("ghost", L"no_such_program_here.exe", pid, error));
    EXPECT_NE(error.find("cannot start 'ghost'"), std::string::npos) << error;
    EXPECT_FALSE(children.Running("ghost"));

    // A child that ends by itself (bad arguments: exit code 2) was not ended by the script.
    ASSERT_TRUE(children.Start("bad", L"commserver.exe --no-such-option", pid, error)) << error;
    const DWORD start = ::GetTickCount();
    while (children.Running("bad") && ::GetTickCount() - start < kServerUpMs)
        ::Sleep(50);
    EXPECT_FALSE(children.Stop("bad", error));
    EXPECT_EQ(error, "child 'bad' had ended by itself (exit code 2)");
    // Forgotten: the name is free again.
    EXPECT_FALSE(children.Stop("bad", error));
    EXPECT_EQ(error, "no child 'bad' was started");
}

TEST(ChildProcesses, ChildrenStillRunningEndWithTheirOwner) {
    HANDLE process = nullptr;
    {
        ChildProcesses children;
        DWORD pid = 0;
        std::string error;
        ASSERT_TRUE(children.Start("server", kServer, pid, error)) << error;
        process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
        ASSERT_NE(process, nullptr);
        ASSERT_TRUE(kt::ChildProcess::WaitForMapping(kServerSegment, kServerUpMs));
    }
    EXPECT_EQ(::WaitForSingleObject(process, 0), WAIT_OBJECT_0);
    EXPECT_EQ(ExitCodeOf(process), kStoppedExitCode);
    ::CloseHandle(process);
    EXPECT_TRUE(MappingGone(kServerSegment, kGoneMs));
}

constexpr char kIni[] = "[host]\n"
                        "module = FP_FAKETEST.dll\n"
                        "[tag BAL8_101]\n"
                        "base = 0\n";

TEST(HostScriptChildren, StartStopAndWhatRunsAtTheEnd) {
    test::HostRun run = test::RunHost(kIni, "start server commserver.exe --exit-after 60000\n"
                                            "wait 3000\n"
                                            "stop server\n"
                                            "stop server\n"
                                            "start late commserver.exe --exit-after 60000\n"
                                            "wait 3000\n");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_NE(run.output.find("line 1: start server pid "), std::string::npos) << run.output;
    // The server's own lines join the host's output.
    EXPECT_NE(run.output.find("started: 1 blocks"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("line 3: stop server"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("line 4: no child 'server' was started"), std::string::npos);
    EXPECT_NE(run.output.find("fphost: stopped late at the end"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("script done, 1 failure(s)"), std::string::npos) << run.output;
    EXPECT_TRUE(MappingGone(kServerSegment, kGoneMs));
}

TEST(HostScriptChildren, StayKeepsTheHostUpUntilTheOperatorClosesEveryFaceplate) {
    std::filesystem::path script = test::Scratch("stay.fps");
    std::filesystem::path ini = test::Scratch("stay.ini");
    std::filesystem::path png = test::Scratch("screen.png");
    std::ofstream(ini, std::ios::binary) << kIni;
    std::ofstream(script, std::ios::binary) << "open BAL8_101 embedded\n"
                                               "stay\n"
                                               "screenshot-screen "
                                            << png.string() << "\n";
    kt::ChildProcess host;
    ASSERT_TRUE(
        host.Start(kt::BinPath(L"fphost.exe"),
                   L"--ini \"" + ini.wstring() + L"\" --script \"" + script.wstring() + L"\""));
    ASSERT_TRUE(host.WaitForOutput("stay until the operator has closed every faceplate", 30000))
        << host.Output();
    ::Sleep(1500);
    EXPECT_TRUE(host.Running()) << "the host stays while its faceplate is up";
    EXPECT_EQ(host.Output().find("screenshot"), std::string::npos) << host.Output();

    // The operator closes the embedded faceplate's window.
    HWND container = ::FindWindowW(nullptr, L"fphost BAL8_101 embedded");
    ASSERT_NE(container, nullptr);
    ::PostMessageW(container, WM_CLOSE, 0, 0);
    DWORD code = 0xFFFFFFFF;
    ASSERT_TRUE(host.WaitForExit(20000, &code)) << host.Output();
    EXPECT_EQ(code, 0u) << host.Output();
    EXPECT_NE(host.Output().find("screenshot " + png.string()), std::string::npos)
        << "the script went on after stay:\n"
        << host.Output();
    std::ifstream in(png, std::ios::binary);
    char signature[8] = {};
    in.read(signature, sizeof(signature));
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");
    in.close();
    std::error_code ec;
    for (const auto& file : {script, ini, png})
        std::filesystem::remove(file, ec);
}

} // namespace
} // namespace fphost
