// The operation log: record lines, escaping, bounded fields, the hash chain, several writer
// processes, tampering found by krlogread.exe, and unwritable logs.
#include "KrLogChain.h"
#include "KrLogLib.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kWriters = 4;
constexpr int kRecordsPerWriter = 250;
constexpr DWORD kChildTimeoutMs = 100000;

std::wstring BinFolder() {
    wchar_t path[MAX_PATH];
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s = path;
    return s.substr(0, s.find_last_of(L'\\') + 1);
}

std::wstring TempFolder(const wchar_t* name) {
    wchar_t tmp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tmp);
    std::wstring folder = std::wstring(tmp) + name + L"_" +
                          std::to_wstring(::GetCurrentProcessId()) + L"_" +
                          std::to_wstring(::GetTickCount());
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\";
}

std::string ReadAll(const std::wstring& path) {
    std::string out;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return out;
    DWORD size = ::GetFileSize(file, nullptr), read = 0;
    out.resize(size);
    ::ReadFile(file, out.data(), size, &read, nullptr);
    ::CloseHandle(file);
    out.resize(read);
    return out;
}

void WriteAll(const std::wstring& path, const std::string& data) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::vector<std::string> Lines(const std::string& contents) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < contents.size()) {
        size_t end = contents.find('\n', pos);
        if (end == std::string::npos)
            end = contents.size();
        lines.push_back(contents.substr(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}

tagFPLogRecord MakeRecord(const char* text, const char* user = "op1") {
    tagFPLogRecord r{};
    r.nKind = 2;
    std::strcpy(r.szCategory, "Faceplate");
    std::strcpy(r.szSource, "BALANCE8 faceplate");
    std::snprintf(r.szText, sizeof r.szText, "%s", text);
    std::strcpy(r.szUser, user);
    return r;
}

int WriteText(const char* text) {
    tagFPLogRecord r = MakeRecord(text);
    return kr_WriteLog(&r);
}

// Runs a program of the build folder in a kill-on-close job; returns its exit code (or -1).
// The standard output goes to outFile when one is given.
int RunChild(HANDLE job, const std::wstring& exe, const std::wstring& args, HANDLE* process,
             const std::wstring& outFile = L"") {
    std::wstring cmd = L"\"" + BinFolder() + exe + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    HANDLE out = INVALID_HANDLE_VALUE;
    if (!outFile.empty()) {
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        out = ::CreateFileW(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0,
                            nullptr);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = out;
        si.hStdError = out;
        si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION pi{};
    BOOL ok = ::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                               nullptr, nullptr, &si, &pi);
    if (out != INVALID_HANDLE_VALUE)
        ::CloseHandle(out);
    if (!ok)
        return -1;
    ::AssignProcessToJobObject(job, pi.hProcess);
    ::ResumeThread(pi.hThread);
    ::CloseHandle(pi.hThread);
    if (process) {
        *process = pi.hProcess;
        return 0;
    }
    DWORD code = static_cast<DWORD>(-1);
    if (::WaitForSingleObject(pi.hProcess, kChildTimeoutMs) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = TempFolder(L"krlog");
        m_log = m_folder + L"operation.log";
        ::SetEnvironmentVariableW(L"KR_LOG_PATH", m_log.c_str());
        m_job = ::CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        ::SetInformationJobObject(m_job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    void TearDown() override {
        ::CloseHandle(m_job);
        ::SetEnvironmentVariableW(L"KR_LOG_PATH", nullptr);
    }
    std::wstring m_folder, m_log;
    HANDLE m_job = nullptr;
};

TEST(LogChainTest, Sha256MatchesKnownVectors) {
    EXPECT_EQ(krlog::Sha256Hex(""),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(krlog::Sha256Hex("abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(krlog::Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(LogChainTest, EscapingRoundTripsAndLeavesNoSeparators) {
    std::string raw = "a\tb\nc\\d\re\x01";
    std::string escaped = krlog::Escape(raw);
    EXPECT_EQ(escaped, "a\\tb\\nc\\\\d\\re\\x01");
    EXPECT_EQ(escaped.find_first_of("\t\n\r"), std::string::npos);
    EXPECT_EQ(krlog::Unescape(escaped), raw);
}

TEST_F(LogTest, RecordBecomesOneLineWithEveryFieldBounded) {
    tagFPLogRecord r = MakeRecord("FTTLSET 1.0 -> 2.0\twith tab\nand line\\");
    // Full fields without a terminating zero byte: nothing past a field may be read.
    std::memset(r.szCategory, 'C', sizeof r.szCategory);
    std::memset(r.szUser, 'U', sizeof r.szUser);
    ASSERT_EQ(kr_WriteLog(&r), 1);
    std::memset(r.szText, 'T', sizeof r.szText);
    ASSERT_EQ(kr_WriteLog(&r), 1);

    std::vector<std::string> lines = Lines(ReadAll(m_log));
    ASSERT_EQ(lines.size(), 2u);
    std::vector<std::string> f = krlog::SplitFields(lines[0]);
    ASSERT_EQ(f.size(), krlog::kFieldCount);
    EXPECT_EQ(f[0].size(), 23u) << f[0]; // YYYY-MM-DD HH:MM:SS.mmm
    EXPECT_EQ(f[1], "2");
    EXPECT_EQ(f[2], std::string(16, 'C'));
    EXPECT_EQ(f[3], "BALANCE8 faceplate");
    EXPECT_EQ(f[4], std::string(32, 'U'));
    EXPECT_EQ(f[5], "FTTLSET 1.0 -> 2.0\\twith tab\\nand line\\\\");
    EXPECT_EQ(krlog::SplitFields(lines[1])[5], std::string(256, 'T'));
    krlog::VerifyResult v = krlog::Verify(ReadAll(m_log));
    EXPECT_EQ(v.records, 2u);
    EXPECT_EQ(v.brokenLine, 0u);
    EXPECT_EQ(f[6],
              krlog::ChainHash(krlog::kGenesisHash, lines[0].substr(0, lines[0].rfind('\t'))));
}

TEST_F(LogTest, GbkFieldsArriveAsUtf8EvenWhenCutInsideACharacter) {
    ASSERT_EQ(::GetACP(), 936u) << "run with LC_ALL=zh_CN.UTF-8";
    tagFPLogRecord r = MakeRecord("\xD7\xDC\xB9\xDC\xC1\xF7\xC1\xBF 1.0 -> 2.0"); // 总管流量 in GBK
    std::strcpy(r.szUser, "\xD5\xC5\xB9\xA4");                                    // 张工
    ASSERT_EQ(kr_WriteLog(&r), 1);
    // A full text field whose last byte is the first half of a GBK character.
    std::memset(r.szText, 'a', sizeof r.szText);
    r.szText[sizeof r.szText - 1] = '\xD7';
    ASSERT_EQ(kr_WriteLog(&r), 1);

    std::vector<std::string> lines = Lines(ReadAll(m_log));
    ASSERT_EQ(lines.size(), 2u);
    std::vector<std::string> f = krlog::SplitFields(lines[0]);
    EXPECT_EQ(f[5], "\xE6\x80\xBB\xE7\xAE\xA1\xE6\xB5\x81\xE9\x87\x8F 1.0 -> 2.0"); // UTF-8
    EXPECT_EQ(f[4], "\xE5\xBC\xA0\xE5\xB7\xA5");
    std::vector<std::string> g = krlog::SplitFields(lines[1]);
    ASSERT_EQ(g.size(), krlog::kFieldCount);
    EXPECT_EQ(g[5].substr(0, 255), std::string(255, 'a'));
    EXPECT_LE(g[5].size(), 258u) << "at most one replacement character for the cut one";
    EXPECT_EQ(krlog::Verify(ReadAll(m_log)).records, 2u);
}

TEST_F(LogTest, NullRecordIsRefused) {
    EXPECT_EQ(kr_WriteLog(nullptr), 0);
    EXPECT_EQ(::GetFileAttributesW(m_log.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(LogTest, FourProcessesWritingAtOnceLoseNothing) {
    std::vector<HANDLE> children;
    for (int id = 0; id < kWriters; ++id) {
        HANDLE process = nullptr;
        ASSERT_EQ(RunChild(m_job, L"krlog_writer.exe",
                           std::to_wstring(id) + L" " + std::to_wstring(kRecordsPerWriter),
                           &process),
                  0);
        children.push_back(process);
    }
    ASSERT_EQ(::WaitForMultipleObjects(kWriters, children.data(), TRUE, kChildTimeoutMs),
              WAIT_OBJECT_0);
    for (HANDLE child : children) {
        DWORD code = 1;
        ::GetExitCodeProcess(child, &code);
        EXPECT_EQ(code, 0u) << "failed writes in a child";
        ::CloseHandle(child);
    }
    std::string contents = ReadAll(m_log);
    krlog::VerifyResult v = krlog::Verify(contents);
    EXPECT_EQ(v.brokenLine, 0u) << v.problem;
    EXPECT_EQ(v.records, static_cast<size_t>(kWriters * kRecordsPerWriter));
    std::set<std::string> texts;
    for (const std::string& line : Lines(contents))
        texts.insert(krlog::SplitFields(line)[5]);
    EXPECT_EQ(texts.size(), static_cast<size_t>(kWriters * kRecordsPerWriter))
        << "every record exactly once";
    EXPECT_EQ(texts.count("writer 3 record 249"), 1u);
    EXPECT_EQ(RunChild(m_job, L"krlogread.exe", L"-q \"" + m_log + L"\"", nullptr), 0);
}

TEST_F(LogTest, ReaderFindsTheFirstChangedOrRemovedLine) {
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(WriteText(("value " + std::to_string(i)).c_str()), 1);
    std::string original = ReadAll(m_log);
    std::wstring out = m_folder + L"reader.txt";
    EXPECT_EQ(RunChild(m_job, L"krlogread.exe", L"\"" + m_log + L"\"", nullptr, out), 0);
    EXPECT_NE(ReadAll(out).find("OK: 5 records"), std::string::npos) << ReadAll(out);
    EXPECT_NE(ReadAll(out).find("value 4"), std::string::npos);

    std::string changed = original;
    size_t at = changed.find("value 2");
    ASSERT_NE(at, std::string::npos);
    changed[at + 6] = '7'; // "value 7" on line 3
    WriteAll(m_log, changed);
    EXPECT_EQ(RunChild(m_job, L"krlogread.exe", L"\"" + m_log + L"\"", nullptr, out), 1);
    EXPECT_NE(ReadAll(out).find("BROKEN at line 3"), std::string::npos) << ReadAll(out);

    std::vector<std::string> lines = Lines(original);
    std::string removed = lines[0] + "\n" + lines[1] + "\n" + lines[3] + "\n" + lines[4] + "\n";
    WriteAll(m_log, removed);
    EXPECT_EQ(krlog::Verify(removed).brokenLine, 3u);
    EXPECT_EQ(RunChild(m_job, L"krlogread.exe", L"-q \"" + m_log + L"\"", nullptr), 1);
    EXPECT_EQ(RunChild(m_job, L"krlogread.exe", L"-q \"" + m_folder + L"missing.log\"", nullptr),
              2);
}

TEST_F(LogTest, TornLastLineIsClosedAndReportedWhileTheChainGoesOn) {
    ASSERT_EQ(WriteText("first"), 1);
    std::string contents = ReadAll(m_log);
    WriteAll(m_log, contents + "2026-01-01 00:00:00.000\t2\tpart");
    ASSERT_EQ(WriteText("after"), 1);
    std::vector<std::string> lines = Lines(ReadAll(m_log));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "2026-01-01 00:00:00.000\t2\tpart");
    krlog::VerifyResult v = krlog::Verify(ReadAll(m_log));
    EXPECT_EQ(v.brokenLine, 2u);
    // The new line chains to the last complete record, not to the fragment.
    std::string prevHash = krlog::SplitFields(lines[0]).back();
    EXPECT_EQ(krlog::SplitFields(lines[2]).back(),
              krlog::ChainHash(prevHash, lines[2].substr(0, lines[2].rfind('\t'))));
}

TEST_F(LogTest, UnwritableLogGivesZeroAndTheNextWriteAfterTheFixSucceeds) {
    std::wstring missing = m_folder + L"gone\\operation.log";
    ::SetEnvironmentVariableW(L"KR_LOG_PATH", missing.c_str());
    EXPECT_EQ(WriteText("lost"), 0);
    ASSERT_TRUE(::CreateDirectoryW((m_folder + L"gone").c_str(), nullptr));
    EXPECT_EQ(WriteText("kept"), 1);

    // A program holding the file without sharing it (a read-only attribute means nothing to
    // root, under whom Wine runs here).
    HANDLE holder =
        ::CreateFileW(missing.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WriteText("locked"), 0);
    ::CloseHandle(holder);
    EXPECT_EQ(WriteText("again"), 1);

    // A folder where the file should be.
    ::SetEnvironmentVariableW(L"KR_LOG_PATH", m_folder.c_str());
    EXPECT_EQ(WriteText("folder"), 0);
    ::SetEnvironmentVariableW(L"KR_LOG_PATH", missing.c_str());

    std::string contents = ReadAll(missing);
    krlog::VerifyResult v = krlog::Verify(contents);
    EXPECT_EQ(v.brokenLine, 0u);
    EXPECT_EQ(v.records, 2u);
    EXPECT_EQ(contents.find("lost"), std::string::npos);
    EXPECT_EQ(contents.find("locked"), std::string::npos);
}

TEST_F(LogTest, DefaultLogLiesInAFolderNextToTheDll) {
    ::SetEnvironmentVariableW(L"KR_LOG_PATH", nullptr);
    ::SetEnvironmentVariableW(L"KR_STATION_INI", (m_folder + L"none.ini").c_str());
    bool isDefault = false;
    std::wstring path = krlog::LogPath(&isDefault);
    EXPECT_TRUE(isDefault);
    EXPECT_EQ(path, BinFolder() + L"KrLog\\operation.log");
    ::WritePrivateProfileStringW(L"Log", L"Path", L"sub\\x.log", (m_folder + L"none.ini").c_str());
    EXPECT_EQ(krlog::LogPath(&isDefault), BinFolder() + L"sub\\x.log");
    EXPECT_FALSE(isDefault);
    ::SetEnvironmentVariableW(L"KR_STATION_INI", nullptr);
}

} // namespace
