// Runs fphost.exe of the build folder as a second process with an ini and a script written
// to scratch files; returns its exit code and everything it wrote.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fphost::test {

inline std::filesystem::path BuildFolder() {
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    return std::filesystem::path(exe).parent_path();
}

inline std::filesystem::path Scratch(const std::string& name) {
    static int counter = 0;
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    return std::filesystem::path(temp) / ("fphost_test_" + std::to_string(::GetCurrentProcessId()) +
                                          "_" + std::to_string(++counter) + "_" + name);
}

struct HostRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
};

// `ini` empty: the build folder's demo_host.ini. `extra`: more command-line arguments.
inline HostRun RunHost(const std::string& ini, const std::string& script,
                       const std::wstring& extra = L"", DWORD timeoutMs = 60000) {
    HostRun run;
    std::filesystem::path scriptFile = Scratch("script.fps");
    std::filesystem::path iniFile = Scratch("host.ini");
    std::filesystem::path outFile = Scratch("out.txt");
    std::ofstream(scriptFile, std::ios::binary) << script;
    std::wstring cmd = L"\"" + (BuildFolder() / L"fphost.exe").wstring() + L"\" --script \"" +
                       scriptFile.wstring() + L"\"";
    if (!ini.empty()) {
        std::ofstream(iniFile, std::ios::binary) << ini;
        cmd += L" --ini \"" + iniFile.wstring() + L"\"";
    }
    cmd += L" " + extra;

    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE out = ::CreateFileW(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(out, INVALID_HANDLE_VALUE);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out;
    si.hStdError = out;
    PROCESS_INFORMATION pi{};
    BOOL started = ::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                    BuildFolder().c_str(), &si, &pi);
    ::CloseHandle(out);
    EXPECT_TRUE(started);
    if (started) {
        if (::WaitForSingleObject(pi.hProcess, timeoutMs) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "fphost.exe did not end";
            ::TerminateProcess(pi.hProcess, 0xDEAD);
            ::WaitForSingleObject(pi.hProcess, 5000);
        }
        ::GetExitCodeProcess(pi.hProcess, &run.exitCode);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    std::ifstream in(outFile, std::ios::binary);
    run.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    in.close();
    std::error_code ec;
    std::filesystem::remove(scriptFile, ec);
    std::filesystem::remove(iniFile, ec);
    std::filesystem::remove(outFile, ec);
    return run;
}

} // namespace fphost::test
