// The operation log: record lines, escaping, bounded fields, the keyed chain and its seal, several
// writer processes through several spellings of one path, a writer process holding the lock,
// the spool, tampering found by krlogread.exe (every broken range), a writer stopped before
// sealing or inside a line, and unwritable logs.
#include "KrLogChain.h"
#include "KrLogLib.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <functional>
#include <iostream>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kWriters = 4;
constexpr int kRecordsPerWriter = 300;
constexpr DWORD kChildTimeoutMs = 200000;
constexpr DWORD kHolderMs = 4000;       // how long a holder process keeps the lock
constexpr DWORD kWaitForItMs = 20000;   // for a child to take the lock, for the spool to drain
constexpr DWORD kPollMs = 50;

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

// The log with every line's MAC computed anew by `mac(previous MAC, content)`, as a forger would.
template <typename MacFn> std::string Rechain(const std::string& contents, MacFn mac) {
    std::string out, previous = krlog::kGenesisMac;
    for (const std::string& line : Lines(contents)) {
        std::string content = line.substr(0, line.rfind('\t'));
        previous = mac(previous, content);
        out += content + "\t" + previous + "\n";
    }
    return out;
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::Sleep(kPollMs);
    }
    return true;
}

// The same file through the Z: drive, the view of the whole file system that Wine gives (on
// Windows: through the \\?\ prefix); both name the file the C: path names.
std::wstring OtherDriveSpelling(const std::wstring& path) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    auto unixName = reinterpret_cast<UnixName>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"));
    char* name = unixName ? unixName(path.c_str()) : nullptr;
    if (!name)
        return L"\\\\?\\" + path;
    std::wstring z = L"Z:";
    for (const char* c = name; *c; ++c)
        z += *c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c));
    ::HeapFree(::GetProcessHeap(), 0, name);
    return z;
}

std::wstring ShortSpelling(const std::wstring& path) {
    wchar_t shortPath[MAX_PATH];
    DWORD n = ::GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(shortPath, n) : path;
}

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = TempFolder(L"krlog");
        m_log = m_folder + L"operation.log";
        ::SetEnvironmentVariableW(L"KR_LOG_PATH", m_log.c_str());
        // The station key lies beside the configuration in force: one key per test.
        ::SetEnvironmentVariableW(L"KR_STATION_INI", (m_folder + L"KrStation.ini").c_str());
        m_job = ::CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        ::SetInformationJobObject(m_job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    void TearDown() override {
        ::CloseHandle(m_job);
        ::SetEnvironmentVariableW(L"KR_LOG_PATH", nullptr);
        ::SetEnvironmentVariableW(L"KR_STATION_INI", nullptr);
    }
    // The verification key.
    std::string Key() {
        std::string key, problem;
        EXPECT_TRUE(krlog::LoadKey(krlog::VerifyKeyPath(m_log), key, problem)) << problem;
        return key;
    }
    // The key state every writer, and so the operator's account, reads.
    krlog::SealingKey SealingKey() {
        krlog::SealingKey key;
        std::string problem;
        EXPECT_TRUE(krlog::LoadSealingKey(krlog::KeyPath(m_log), key, problem)) << problem;
        return key;
    }
    krlog::VerifyResult VerifyLog(const std::wstring& log) {
        krlog::LogFiles files;
        EXPECT_TRUE(krlog::ReadLogFiles(log, files));
        std::string key, problem;
        EXPECT_TRUE(krlog::LoadKey(krlog::VerifyKeyPath(log), key, problem)) << problem;
        return krlog::Verify(key, files);
    }
    krlog::VerifyResult VerifyLog() { return VerifyLog(m_log); }
    // The texts of the log's lines.
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (const std::string& line : Lines(ReadAll(m_log))) {
            std::vector<std::string> f = krlog::SplitFields(line);
            texts.push_back(f.size() == krlog::kFieldCount ? f[5] : line);
        }
        return texts;
    }
    // A writer process holding the log's lock; null when it did not take it.
    HANDLE Holder(DWORD holdMs) {
        HANDLE process = nullptr;
        if (RunChild(m_job, L"krlog_writer.exe",
                     L"--hold " + std::to_wstring(holdMs) + L" \"" + m_log + L"\"", &process) != 0)
            return nullptr;
        if (!WaitFor([&] { return !krlog::CLogLock(m_log, 0).Owned(); }, kWaitForItMs)) {
            ::CloseHandle(process);
            return nullptr;
        }
        return process;
    }
    // krlogread.exe on the test's log; its exit code, its output in `out`.
    int Reader(std::string* out = nullptr) {
        std::wstring file = m_folder + L"reader.txt";
        int code = RunChild(m_job, L"krlogread.exe", L"\"" + m_log + L"\"", nullptr, file);
        if (out)
            *out = ReadAll(file);
        return code;
    }
    std::wstring Seal() const { return krlog::SealPath(m_log); }
    std::wstring m_folder, m_log;
    std::string m_sealOf4;
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

TEST(LogChainTest, HmacMatchesKnownVectors) {
    // RFC 4231, test cases 1 and 2.
    EXPECT_EQ(krlog::HmacSha256Hex(std::string(20, '\x0b'), "Hi There"),
              "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7");
    EXPECT_EQ(krlog::HmacSha256Hex("Jefe", "what do ya want for nothing?"),
              "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
}

TEST(LogChainTest, SealRoundTripsAndRejectsAnotherKeyOrAnEdit) {
    const std::string key(krlog::kKeyBytes, 'k'), other(krlog::kKeyBytes, 'o');
    krlog::Seal seal{12, krlog::ChainMac(key, krlog::kGenesisMac, "x"), "before record 3: a\tb"};
    std::string text = krlog::FormatSeal(key, seal);
    krlog::Seal back;
    ASSERT_TRUE(krlog::ParseSeal(key, text, back));
    EXPECT_EQ(back.count, 12u);
    EXPECT_EQ(back.lastMac, seal.lastMac);
    EXPECT_EQ(back.note, seal.note);
    EXPECT_FALSE(krlog::ParseSeal(other, text, back));
    std::string edited = text;
    edited[0] = '9'; // "92" records
    EXPECT_FALSE(krlog::ParseSeal(key, edited, back));
    EXPECT_FALSE(krlog::ParseSeal(key, "", back));
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
    krlog::VerifyResult v = VerifyLog();
    EXPECT_EQ(v.records, 2u);
    EXPECT_TRUE(v.intact) << v.problem;
    EXPECT_EQ(f[6], krlog::ChainMac(krlog::CKeyLadder(Key()).Key(1), krlog::kGenesisMac,
                                    lines[0].substr(0, lines[0].rfind('\t'))));
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
    EXPECT_EQ(g[5], std::string(255, 'a')) << "the half character is dropped, nothing replaces it";
    EXPECT_EQ(VerifyLog().records, 2u);
}

// UTF-16 records: every character as UTF-8, those outside code page 936 too, and a full field
// never cut between the halves of a pair.
TEST_F(LogTest, WideRecordsKeepEveryCharacter) {
    tagFPLogRecordW r{};
    r.nKind = 2;
    std::wcscpy(r.szCategory, L"面板操作");
    std::wcscpy(r.szSource, L"BALANCE8面板");
    std::wcscpy(r.szUser, L"张工");
    std::wcscpy(r.szText, L"总管流量 1.0 -> 2.0，修改原因：\U0001F525 กข é\t");
    ASSERT_EQ(kr_WriteLogW(&r), 1);
    std::wmemset(r.szText, L'a', kLogRecordTextChars);
    r.szText[kLogRecordTextChars - 1] = 0xD83D; // the first half of a pair fills the field
    ASSERT_EQ(kr_WriteLogW(&r), 1);
    EXPECT_EQ(kr_WriteLogW(nullptr), 0);

    std::vector<std::string> lines = Lines(ReadAll(m_log));
    ASSERT_EQ(lines.size(), 2u);
    std::vector<std::string> f = krlog::SplitFields(lines[0]);
    ASSERT_EQ(f.size(), krlog::kFieldCount);
    EXPECT_EQ(f[2], "\xE9\x9D\xA2\xE6\x9D\xBF\xE6\x93\x8D\xE4\xBD\x9C");
    EXPECT_EQ(f[4], "\xE5\xBC\xA0\xE5\xB7\xA5");
    EXPECT_EQ(f[5], "\xE6\x80\xBB\xE7\xAE\xA1\xE6\xB5\x81\xE9\x87\x8F 1.0 -> 2.0"
                    "\xEF\xBC\x8C\xE4\xBF\xAE\xE6\x94\xB9\xE5\x8E\x9F\xE5\x9B\xA0\xEF\xBC\x9A"
                    "\xF0\x9F\x94\xA5 \xE0\xB8\x81\xE0\xB8\x82 \xC3\xA9\\t");
    EXPECT_EQ(krlog::SplitFields(lines[1])[5], std::string(kLogRecordTextChars - 1, 'a'));
    EXPECT_TRUE(VerifyLog().intact);
}

TEST_F(LogTest, NullRecordIsRefused) {
    EXPECT_EQ(kr_WriteLog(nullptr), 0);
    EXPECT_EQ(::GetFileAttributesW(m_log.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(::GetFileAttributesW(Seal().c_str()), INVALID_FILE_ATTRIBUTES);
}

// Four writer processes, each naming the log another way: the C: path, the Z: path, the 8.3
// short name, the Z: path of the short name. One lock for all of them; nothing cut or lost.
TEST_F(LogTest, FourProcessesThroughFourSpellingsLoseNothing) {
    ASSERT_EQ(WriteText("start"), 1);
    const std::wstring spellings[kWriters] = {m_log, OtherDriveSpelling(m_log), ShortSpelling(m_log),
                                              OtherDriveSpelling(ShortSpelling(m_log))};
    ASSERT_NE(spellings[1], m_log);
    ASSERT_NE(spellings[2], m_log) << "no short name";
    std::vector<HANDLE> children;
    for (int id = 0; id < kWriters; ++id) {
        HANDLE process = nullptr;
        ASSERT_EQ(RunChild(m_job, L"krlog_writer.exe",
                           std::to_wstring(id) + L" " + std::to_wstring(kRecordsPerWriter) +
                               L" \"" + spellings[id] + L"\"",
                           &process),
                  0);
        children.push_back(process);
    }
    ASSERT_EQ(::WaitForMultipleObjects(kWriters, children.data(), TRUE, kChildTimeoutMs),
              WAIT_OBJECT_0);
    int reported = 0;
    for (HANDLE child : children) {
        DWORD code = kRecordsPerWriter;
        ::GetExitCodeProcess(child, &code);
        EXPECT_EQ(code, 0u) << "writes not stored, or records left waiting, in a child";
        reported += kRecordsPerWriter - static_cast<int>(code);
        ::CloseHandle(child);
    }
    std::string contents = ReadAll(m_log);
    std::set<std::string> texts;
    for (const std::string& line : Lines(contents))
        texts.insert(krlog::SplitFields(line).back() == line ? line : krlog::SplitFields(line)[5]);
    size_t present = texts.size() - 1; // without "start"
    std::cout << "records reported " << reported << ", present " << present << ", NUL bytes "
              << std::count(contents.begin(), contents.end(), '\0') << "\n";
    EXPECT_EQ(contents.find('\0'), std::string::npos);
    krlog::VerifyResult v = VerifyLog(); // every writer used the one key the first one created
    EXPECT_TRUE(v.intact) << v.problem;
    EXPECT_EQ(v.unsealed, 0u);
    EXPECT_EQ(v.records, static_cast<size_t>(kWriters * kRecordsPerWriter + 1));
    EXPECT_EQ(present, static_cast<size_t>(kWriters * kRecordsPerWriter)) << "each exactly once";
    for (int id = 0; id < kWriters; ++id) // each writer's records in its own order
        EXPECT_EQ(texts.count("writer " + std::to_string(id) + " record " +
                              std::to_string(kRecordsPerWriter - 1)),
                  1u);
    EXPECT_EQ(krlog::SpoolFiles(m_log).size(), 0u);
    EXPECT_EQ(RunChild(m_job, L"krlogread.exe", L"-q \"" + m_log + L"\"", nullptr), 0);
}

// A process that holds the lock holds nobody up: the record waits in the spool, the caller goes
// on at once, and the records are appended in order once the lock is free.
TEST_F(LogTest, ALockHeldByAnotherProcessDelaysRecordsButLosesNone) {
    ASSERT_EQ(WriteText("before"), 1);
    HANDLE holder = Holder(kHolderMs);
    ASSERT_TRUE(holder);
    EXPECT_EQ(WriteText("waited 1"), 1);
    EXPECT_EQ(WriteText("waited 2"), 1);
    EXPECT_EQ(::WaitForSingleObject(holder, 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "both calls returned while the other process still held the lock";
    EXPECT_EQ(kr_LogPending(), 2);
    EXPECT_EQ(Texts(), std::vector<std::string>{"before"});
    EXPECT_EQ(krlog::CountSpooled(m_log), 2u);
    std::string out;
    EXPECT_EQ(Reader(&out), 0) << out;
    EXPECT_NE(out.find("2 record(s) wait in spool files"), std::string::npos) << out;

    ASSERT_EQ(::WaitForSingleObject(holder, kWaitForItMs), WAIT_OBJECT_0);
    ::CloseHandle(holder);
    // Nobody writes: the library's own thread appends them.
    EXPECT_TRUE(WaitFor([] { return kr_LogPending() == 0; }, kWaitForItMs));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"before", "waited 1", "waited 2"}));
    EXPECT_EQ(krlog::SpoolFiles(m_log).size(), 0u);
    krlog::VerifyResult v = VerifyLog();
    EXPECT_TRUE(v.intact) << v.problem;
    EXPECT_EQ(v.records, 3u);
}

TEST_F(LogTest, TheSpoolOfAWriterThatDiedIsAppendedByTheNextWriter) {
    ASSERT_EQ(WriteText("first"), 1);
    HANDLE holder = Holder(kChildTimeoutMs);
    ASSERT_TRUE(holder);
    HANDLE writer = nullptr;
    ASSERT_EQ(RunChild(m_job, L"krlog_writer.exe", L"7 3 \"" + m_log + L"\"", &writer), 0);
    ASSERT_TRUE(WaitFor([&] { return krlog::CountSpooled(m_log) == 3; }, kWaitForItMs));
    ::TerminateProcess(writer, 1); // it dies with its records in the spool
    ::WaitForSingleObject(writer, kWaitForItMs);
    ::CloseHandle(writer);
    ::TerminateProcess(holder, 1);
    ::WaitForSingleObject(holder, kWaitForItMs);
    ::CloseHandle(holder);
    EXPECT_EQ(krlog::CountSpooled(m_log), 3u);

    ASSERT_EQ(WriteText("next"), 1);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"first", "writer 7 record 0", "writer 7 record 1",
                                                 "writer 7 record 2", "next"}));
    EXPECT_EQ(krlog::SpoolFiles(m_log).size(), 0u);
    EXPECT_EQ(Reader(), 0);
}

// Only this account and the system may open the lock file: another account's process cannot
// take the lock. (Wine grants every process the same token, so the descriptor is what is checked.)
TEST_F(LogTest, TheLockIsAFileOnlyThisAccountAndTheSystemMayOpen) {
    ASSERT_EQ(WriteText("x"), 1);
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    std::wstring lock = krlog::CLogLock::LockPath(m_log);
    ASSERT_EQ(::GetNamedSecurityInfoW(lock.c_str(), SE_FILE_OBJECT,
                                      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                      &owner, nullptr, &dacl, nullptr, &sd),
              static_cast<DWORD>(ERROR_SUCCESS));
    HANDLE token = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
    BYTE user[256];
    DWORD size = 0;
    ASSERT_TRUE(::GetTokenInformation(token, TokenUser, user, sizeof user, &size));
    ::CloseHandle(token);
    PSID self = reinterpret_cast<TOKEN_USER*>(user)->User.Sid;
    PSID system = nullptr;
    ASSERT_TRUE(::ConvertStringSidToSidW(L"SY", &system));
    EXPECT_TRUE(owner && ::EqualSid(owner, self));
    ASSERT_TRUE(dacl) << "a null DACL lets everybody in";
    EXPECT_GE(dacl->AceCount, 1);
    for (WORD i = 0; i < dacl->AceCount; ++i) {
        ACE_HEADER* ace = nullptr;
        ASSERT_TRUE(::GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
        ASSERT_EQ(ace->AceType, ACCESS_ALLOWED_ACE_TYPE);
        PSID sid = &reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart;
        EXPECT_TRUE(::EqualSid(sid, self) || ::EqualSid(sid, system)) << "ACE " << i;
    }
    ::LocalFree(system);
    ::LocalFree(sd);
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
    EXPECT_EQ(VerifyLog().brokenLine, 3u);
    EXPECT_EQ(RunChild(m_job, L"krlogread.exe", L"-q \"" + m_log + L"\"", nullptr), 1);
    EXPECT_EQ(RunChild(m_job, L"krlogread.exe", L"-q \"" + m_folder + L"missing.log\"", nullptr),
              2);
}

TEST_F(LogTest, TornLastLineIsClosedByAMarkAndTheChainGoesOn) {
    ASSERT_EQ(WriteText("first"), 1);
    std::string contents = ReadAll(m_log);
    const std::string fragment = "2026-01-01 00:00:00.000\t2\tpart";
    WriteAll(m_log, contents + fragment);
    krlog::VerifyResult v = VerifyLog();
    EXPECT_TRUE(v.intact) << "a writer stopped inside its line: " << v.problem;
    EXPECT_TRUE(v.tornAtEnd);
    ASSERT_EQ(WriteText("after"), 1);
    std::vector<std::string> lines = Lines(ReadAll(m_log));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], fragment);
    std::vector<std::string> mark = krlog::SplitFields(lines[2]);
    ASSERT_EQ(mark.size(), krlog::kFieldCount);
    EXPECT_EQ(mark[1], krlog::kTornKind);
    EXPECT_NE(mark[5].find(krlog::Sha256Hex(fragment)), std::string::npos) << mark[5];
    v = VerifyLog();
    EXPECT_TRUE(v.intact) << v.problem;
    EXPECT_EQ(v.records, 2u);
    EXPECT_EQ(v.tornClosed, std::vector<size_t>{2});
    std::string out;
    EXPECT_EQ(Reader(&out), 0) << out;
    EXPECT_NE(out.find("line 2: torn by a writer that stopped inside it"), std::string::npos)
        << out;

    // The torn line changed afterwards no longer matches its mark.
    std::string changed = ReadAll(m_log);
    changed[changed.find("part")] = 'P';
    WriteAll(m_log, changed);
    EXPECT_EQ(Reader(&out), 1) << out;
    EXPECT_NE(out.find("BROKEN at line 2"), std::string::npos) << out;
}

// A writer that died inside its record: the log cut in the middle of the last line, the seal
// still the one before that record. The next writer's record and every later one verify.
TEST_F(LogTest, AWriterThatDiedInsideItsLineCostsOnlyItsOwnRecord) {
    ASSERT_EQ(WriteText("one"), 1);
    ASSERT_EQ(WriteText("two"), 1);
    const std::string sealOf2 = ReadAll(Seal()), keyOf3 = ReadAll(krlog::KeyPath(m_log));
    ASSERT_EQ(WriteText("three, never finished"), 1);
    std::string contents = ReadAll(m_log);
    WriteAll(m_log, contents.substr(0, contents.size() - 40));
    WriteAll(Seal(), sealOf2);
    WriteAll(krlog::KeyPath(m_log), keyOf3); // its writer never moved the key on
    ASSERT_EQ(WriteText("four"), 1);
    ASSERT_EQ(WriteText("five"), 1);
    krlog::VerifyResult v = VerifyLog();
    EXPECT_TRUE(v.intact) << v.problem;
    EXPECT_EQ(v.records, 4u);
    EXPECT_EQ(v.tornClosed, std::vector<size_t>{3});
    EXPECT_EQ(Reader(), 0);
}

// One changed line breaks only itself: every later change is reported as well.
TEST_F(LogTest, ReaderReportsEveryBrokenRange) {
    for (int i = 1; i <= 9; ++i)
        ASSERT_EQ(WriteText(("value " + std::to_string(i)).c_str()), 1);
    std::vector<std::string> lines = Lines(ReadAll(m_log));
    auto change = [](std::string& line) { line[line.find("value ") + 6] = 'X'; };
    change(lines[1]); // line 2
    change(lines[5]); // line 6
    change(lines[6]); // line 7
    std::string forged = lines[7].substr(0, lines[7].rfind('\t') + 1) + std::string(64, 'a');
    std::string edited;
    for (size_t i = 0; i < lines.size(); ++i) {
        edited += lines[i] + "\n";
        if (i == 2)
            edited += forged + "\n"; // inserted as line 4
    }
    WriteAll(m_log, edited);
    krlog::VerifyResult v = VerifyLog();
    EXPECT_FALSE(v.intact);
    ASSERT_EQ(v.broken.size(), 3u);
    EXPECT_EQ(v.broken[0].first, 2u);
    EXPECT_EQ(v.broken[0].last, 2u);
    EXPECT_EQ(v.broken[1].first, 4u);
    EXPECT_EQ(v.broken[1].last, 4u);
    EXPECT_EQ(v.broken[2].first, 7u);
    EXPECT_EQ(v.broken[2].last, 8u);
    std::string out;
    EXPECT_EQ(Reader(&out), 1) << out;
    for (const char* expected : {"BROKEN at line 2:", "BROKEN at line 4:", "BROKEN at line 7:",
                                 "(lines 7 to 8)", "3 broken range(s)"})
        EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
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
    krlog::VerifyResult v = VerifyLog(missing);
    EXPECT_TRUE(v.intact) << v.problem;
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
    EXPECT_EQ(krlog::KeyPath(m_log), m_log + L".key");
    EXPECT_EQ(krlog::VerifyKeyPath(m_log), m_log + L".verify") << "beside the log by default";
    ::WritePrivateProfileStringW(L"Log", L"VerifyKeys", L"keys", (m_folder + L"none.ini").c_str());
    EXPECT_EQ(krlog::VerifyKeyPath(m_log), BinFolder() + L"keys\\operation.log.verify");
    ::SetEnvironmentVariableW(L"KR_LOG_VERIFY_KEYS", L"C:\\engineer");
    EXPECT_EQ(krlog::VerifyKeyPath(m_log), L"C:\\engineer\\operation.log.verify");
    ::SetEnvironmentVariableW(L"KR_LOG_VERIFY_KEYS", nullptr);
    ::SetEnvironmentVariableW(L"KR_STATION_INI", nullptr);
}

// Each kind of tampering, on the same five records, found by the reader as a separate process.
TEST_F(LogTest, ReaderFindsRemovedRecordsAMissingSealAndARecomputedChain) {
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(WriteText(("value " + std::to_string(i)).c_str()), 1);
    const std::string original = ReadAll(m_log), seal = ReadAll(Seal());
    std::vector<std::string> lines = Lines(original);
    ASSERT_EQ(lines.size(), 5u);
    std::string out;
    ASSERT_EQ(Reader(&out), 0) << out;
    EXPECT_NE(out.find("OK: 5 records"), std::string::npos) << out;

    struct Case {
        const char* what;
        std::string log;
        std::string seal; // empty: no seal file
        const char* expected;
    };
    const std::string otherKey(krlog::kKeyBytes, 'x');
    std::string sha = Rechain(original, [](const std::string& prev, const std::string& content) {
        return krlog::Sha256Hex(prev + "\n" + content);
    });
    std::string keyed = Rechain(original, [&](const std::string& prev, const std::string& content) {
        return krlog::ChainMac(otherKey, prev, content);
    });
    std::string keyedLast = krlog::SplitFields(Lines(keyed).back()).back();
    const Case cases[] = {
        {"last record removed",
         lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n" + lines[3] + "\n", seal,
         "the last 1 record(s) were removed"},
        {"last two records removed", lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n", seal,
         "the last 2 record(s) were removed"},
        {"log emptied", "", seal, "the log was emptied (the seal holds 5 records)"},
        {"seal removed", original, "", "the seal is missing"},
        {"log emptied and seal removed", "", "", "the seal is missing"},
        {"plain SHA-256 chain", sha, seal, "BROKEN at line 1: MAC does not match"},
        {"chain and seal under another key", keyed,
         krlog::FormatSeal(otherKey, krlog::Seal{5, keyedLast, ""}), "BROKEN at line 1"},
        {"seal under another key", original,
         krlog::FormatSeal(otherKey, krlog::Seal{5, krlog::SplitFields(lines[4]).back(), ""}),
         "the seal is damaged or was not made with the log's key"},
    };
    for (const Case& c : cases) {
        WriteAll(m_log, c.log);
        if (c.seal.empty())
            ::DeleteFileW(Seal().c_str());
        else
            WriteAll(Seal(), c.seal);
        EXPECT_EQ(Reader(&out), 1) << c.what << "\n" << out;
        EXPECT_NE(out.find(c.expected), std::string::npos) << c.what << "\n" << out;
    }

    // The log file removed while its seal stays.
    ::DeleteFileW(m_log.c_str());
    WriteAll(Seal(), seal);
    EXPECT_EQ(Reader(&out), 1) << out;
    EXPECT_NE(out.find("the log file was removed"), std::string::npos) << out;
}

// A writer that stopped after its record and before its seal leaves one record after the sealed
// end: that is no tampering, and the next writer seals it. An older seal put back is tampering.
TEST_F(LogTest, RecordNotYetSealedIsAcceptedAnOlderSealIsNot) {
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(WriteText("sealed"), 1);
    const std::string sealOf3 = ReadAll(Seal()), keyOf4 = ReadAll(krlog::KeyPath(m_log));
    ASSERT_EQ(WriteText("written, then the writer stopped"), 1);
    WriteAll(Seal(), sealOf3);
    WriteAll(krlog::KeyPath(m_log), keyOf4); // nor its key
    krlog::VerifyResult v = VerifyLog();
    EXPECT_TRUE(v.intact) << v.problem;
    EXPECT_EQ(v.records, 4u);
    EXPECT_EQ(v.unsealed, 1u);
    std::string out;
    EXPECT_EQ(Reader(&out), 0) << out;
    EXPECT_NE(out.find("not yet sealed"), std::string::npos) << out;

    ASSERT_EQ(WriteText("next"), 1);
    v = VerifyLog();
    EXPECT_TRUE(v.intact) << v.problem;
    EXPECT_EQ(v.records, 5u);
    EXPECT_EQ(v.unsealed, 0u) << "the next writer sealed both";

    WriteAll(Seal(), sealOf3); // two records after it: no crash leaves that
    EXPECT_EQ(Reader(&out), 1) << out;
    EXPECT_NE(out.find("2 records follow the sealed end"), std::string::npos) << out;
}

// Later writes must not launder tampering: the writer carries what it found in every later seal.
TEST_F(LogTest, WritesAfterTamperingKeepItVisible) {
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(WriteText("kept"), 1);
    std::vector<std::string> lines = Lines(ReadAll(m_log));
    WriteAll(m_log, lines[0] + "\n" + lines[1] + "\n"); // last record removed
    ASSERT_EQ(WriteText("after the removal"), 1) << "the operation log goes on";
    ASSERT_EQ(WriteText("and another"), 1);
    krlog::VerifyResult v = VerifyLog();
    EXPECT_FALSE(v.intact);
    EXPECT_EQ(v.records, 4u) << "the new records chain on";
    EXPECT_EQ(v.brokenLine, 3u) << "the line the key had passed stands marked";
    EXPECT_NE(v.problem.find("lines removed"), std::string::npos) << v.problem;
    EXPECT_NE(v.sealNote.find("before record 3: the log did not end with its sealed record 3"),
              std::string::npos)
        << v.sealNote;

    ::DeleteFileW(Seal().c_str()); // removing the seal with its note leaves a new note
    ASSERT_EQ(WriteText("seal gone"), 1);
    std::string out;
    EXPECT_EQ(Reader(&out), 1) << out;
    EXPECT_NE(out.find("before record 6: the seal was missing"), std::string::npos) << out;
}

TEST_F(LogTest, RecordWhoseSealCannotBePreparedIsNotAppended) {
    ASSERT_EQ(WriteText("first"), 1);
    const std::string log = ReadAll(m_log), seal = ReadAll(Seal());
    // A folder where the new seal is written first.
    std::wstring blocker = m_log + krlog::kSealTempSuffix;
    ASSERT_TRUE(::CreateDirectoryW(blocker.c_str(), nullptr));
    EXPECT_EQ(WriteText("unsealable"), 0);
    EXPECT_EQ(ReadAll(m_log), log);
    EXPECT_EQ(ReadAll(Seal()), seal);
    ::RemoveDirectoryW(blocker.c_str());
    EXPECT_EQ(WriteText("second"), 1);
    krlog::VerifyResult v = VerifyLog();
    EXPECT_TRUE(v.intact) << v.problem;
    EXPECT_EQ(v.records, 2u);
}

TEST_F(LogTest, DamagedKeyIsNeverReplaced) {
    ASSERT_EQ(WriteText("kept"), 1);
    EXPECT_EQ(ReadAll(krlog::KeyPath(m_log)).size(), krlog::kKeyBytes + 8);
    EXPECT_EQ(ReadAll(krlog::VerifyKeyPath(m_log)).size(), krlog::kKeyBytes);
    const std::string key = ReadAll(krlog::KeyPath(m_log));
    WriteAll(krlog::KeyPath(m_log), "short");
    EXPECT_EQ(WriteText("lost"), 0);
    EXPECT_EQ(ReadAll(krlog::KeyPath(m_log)), "short");
    // Gone while the log stays: never made anew (a second key sequence the verification key
    // does not know).
    ::DeleteFileW(krlog::KeyPath(m_log).c_str());
    EXPECT_EQ(WriteText("lost"), 0);
    EXPECT_EQ(::GetFileAttributesW(krlog::KeyPath(m_log).c_str()), INVALID_FILE_ATTRIBUTES);
    WriteAll(krlog::KeyPath(m_log), key);
    EXPECT_EQ(WriteText("again"), 1);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"kept", "again"}));
    EXPECT_EQ(Reader(), 0);
    ::DeleteFileW(krlog::VerifyKeyPath(m_log).c_str());
    EXPECT_EQ(Reader(), 2) << "no key, nothing to verify with";
}

// Lines from `from` (0-based) on, chained again as whoever reads the sealing key can: the keys
// of those lines are gone, so under the sealing key and those after it; the seal the same way.
std::string ForgeWithSealingKey(std::vector<std::string> lines, size_t from,
                                krlog::SealingKey key, std::string& seal) {
    std::string previous =
        from == 0 ? krlog::kGenesisMac : krlog::SplitFields(lines[from - 1]).back();
    for (size_t i = from; i < lines.size(); ++i) {
        std::string content = lines[i].substr(0, lines[i].rfind('\t'));
        previous = krlog::ChainMac(key.key, previous, content);
        lines[i] = content + "\t" + previous;
        key = {key.index + 1, krlog::EvolveKey(key.key)};
    }
    seal = krlog::FormatSeal(key.key, krlog::Seal{lines.size(), previous, ""});
    std::string out;
    for (const std::string& line : lines)
        out += line + "\n";
    return out;
}

// Everything the operator's account can read (the log, its seal, the sealing key) is not enough
// to change, remove or reorder a line written before, to seal the log as it was before, or to
// put the log back.
TEST_F(LogTest, TheSealingKeyCannotForgeWhatWasWrittenBeforeIt) {
    for (int i = 1; i <= 6; ++i) {
        ASSERT_EQ(WriteText(("value " + std::to_string(i)).c_str()), 1);
        if (i == 4)
            m_sealOf4 = ReadAll(Seal());
    }
    const std::vector<std::string> lines = Lines(ReadAll(m_log));
    const krlog::SealingKey stolen = SealingKey();
    EXPECT_EQ(stolen.index, 7u) << "the key of the next line only";
    EXPECT_EQ(krlog::CKeyLadder(Key()).Key(7), stolen.key);

    struct Case {
        const char* what;
        std::vector<std::string> lines;
        size_t from;
        const char* expected;
    };
    std::vector<std::string> changed = lines, removed = lines, swapped = lines;
    changed[1][changed[1].find("value 2") + 6] = '7';
    removed.erase(removed.begin() + 2);
    std::swap(swapped[2], swapped[3]);
    const Case cases[] = {
        {"line 2 changed", changed, 1, "BROKEN at line 2"},
        {"line 3 removed", removed, 2, "BROKEN at line 3"},
        {"lines 3 and 4 swapped", swapped, 2, "BROKEN at line 3"},
        {"last line removed", {lines.begin(), lines.end() - 1}, 5, "the seal is damaged"},
    };
    std::string out;
    for (const Case& c : cases) {
        std::string seal;
        WriteAll(m_log, ForgeWithSealingKey(c.lines, c.from, stolen, seal));
        WriteAll(Seal(), seal);
        EXPECT_EQ(Reader(&out), 1) << c.what << "\n" << out;
        EXPECT_NE(out.find(c.expected), std::string::npos) << c.what << "\n" << out;
    }

    // The log and its seal put back to an earlier copy: the key has passed their end.
    std::string first4;
    for (size_t i = 0; i < 4; ++i)
        first4 += lines[i] + "\n";
    WriteAll(m_log, first4);
    WriteAll(Seal(), m_sealOf4);
    EXPECT_EQ(Reader(&out), 1) << out;
    EXPECT_NE(out.find("the log's key has passed line 6, the log ends at line 4"),
              std::string::npos)
        << out;
    // and the next writer marks the lines that are missing.
    ASSERT_EQ(WriteText("after"), 1);
    EXPECT_EQ(Reader(&out), 1) << out;
    EXPECT_NE(out.find("BROKEN at line 5: lines removed"), std::string::npos) << out;
}

} // namespace
