// The string database: every key the system uses, in both languages, with the placeholders
// its callers pass; missing keys; language selection through configuration.
#include "DebugCapture.h"
#include "KrToolkit.h"
#include "ProblemSink.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Every key the faceplate fetches, with the kinds of the printf arguments its caller passes
// ('s' text, 'd' integer; empty: a plain text).
struct KeyUse {
    const char* key;
    const char* kinds;
};
const KeyUse kKeys[] = {
    {"FP_ACCUM_STR000006", "sd"},
    {"FP_ACCUM_STR000007", "s"},
    {"FP_ACCUM_STR000008", ""},
    {"FP_ACCUM_STR000009", ""},
    {"FP_ACCUM_STR000010", "s"},
    {"FP_ACCUM_STR000011", ""},
    {"FP_ACCUM_STR000015", "sd"},
    {"FP_ACCUM_STR000018", "s"},
    {"FP_ACCUM_STR000019", "s"},
    {"FP_ACCUM_STR000020", ""},
    {"FP_ACCUM_STR000021", ""},
    {"FP_ACCUM_STR000022", ""},
    {"FP_ACCUM_STR000023", ""},
    {"FP_ACCUM_STR000024", "s"},
    {"FP_ACCUM_STR000025", ""},
    {"FP_ACCUM_STR000027", "sd"},
    {"FP_ACCUM_STR000029", "sd"},
    {"FP_ACCUM_STR000031", "sd"},
    {"FP_ACCUM_STR000131", ""},
    {"FP_ACCUM_STR000132", ""},
    {"FP_ACCUM_STR000133", ""},
    {"FP_ACCUM_STR000135", ""},
    {"FP_WRITE_STR000003", "s"},
    {"FP_WRITE_STR000001", "s"},
    {"FP_WRITE_STR000004", "d"},
    {"FP_ACCUM_STR000170", ""},
    {"FP_ACCUM_STR000171", ""},
    {"FP_ACCUM_STR000178", ""},
    {"FP_ACCUM_STR000179", ""},
    {"FP_ACCUM_STR000214", ""},
    {"FP_ACCUM_STR000215", "ssss"},
    {"FP_ACCUM_STR000216", "sssss"},
    {"FP_ACCUM_STR000217", "ss"},
    {"FP_ACCUM_STR000218", "sss"},
    {"FP_ACCUM_STR000219", "ss"},
    {"FP_ACCUM_STR000220", "sss"},
    {"FP_WRITE_STR000005", "s"},
    {"FP_WRITE_STR000002", "ss"},
    {"FP_ACCUM_STR000250", "sss"},
    {"FP_ACCUM_STR000251", "ss"},
    {"FP_ACCUM_STR000269", ""},
    {"FP_ACCUM_STR000270", ""},
    {"FP_ACCUM_STR000271", ""},
    {"FP_ACCUM_STR000272", ""},
    {"FP_ACCUM_STR000275", ""},
    {"FP_ACCUM_STR000276", ""},
    {"FP_ACCUM_STR000277", ""},
    {"FP_ACCUM_STR000278", ""},
    {"FP_ACCUM_STR000315", ""},
    {"FP_ACCUM_STR000316", ""},
    {"FP_ACCUM_STR000317", ""},
    {"FP_ACCUM_STR000318", ""},
    {"FP_ACCUM_STR000349", ""},
    {"FP_ACCUM_STR000350", ""},
    {"FP_ACCUM_STR000351", ""},
    {"FP_ACCUM_STR000352", ""},
    {"FP_ACCUM_STR000353", ""},
    {"FP_ACCUM_STR000356", ""},
    {"FP_ACCUM_STR000357", ""},
    {"FP_ACCUM_STR000376", ""},
    {"FP_ACCUM_STR000377", ""},
    {"FP_ACCUM_STR000378", ""},
    {"FP_ACCUM_STR000379", ""},
    {"FP_ACCUM_STR000380", ""},
    {"FP_ACCUM_STR000381", ""},
    {"FP_ACCUM_STR000382", ""},
    {"FP_ACCUM_STR000383", ""},
    {"FP_ACCUM_STR000384", ""},
    {"FP_ACCUM_STR000385", ""},
    {"FP_ACCUM_STR000386", ""},
    {"FP_ACCUM_STR000387", ""},
    {"FP_ACCUM_STR000388", ""},
    {"FP_ACCUM_STR000389", ""},
    {"FP_ACCUM_STR000390", ""},
    {"FP_ACCUM_STR000391", ""},
    {"FP_ACCUM_STR000392", ""},
    {"FP_ACCUM_STR000393", ""},
    {"FP_ACCUM_STR000473", "d"},
    {"FP_ACCUM_STR000474", "d"},
    {"FP_ACCUM_STR000475", ""},
    {"FP_ACCUM_STR000476", ""},
    {"FP_BALANCE8_STR000533", ""},
    {"FP_BALANCE8_STR000534", ""},
    {"FP_BALANCE8_STR000535", ""},
    {"FP_BALANCE8_STR000536", ""},
    {"FP_BALANCE8_STR000537", ""},
    {"FP_BALANCE8_STR000538", ""},
    {"FP_BALANCE8_STR000539", ""},
    {"FP_BALANCE8_STR000540", ""},
    {"STR005869", ""},
    {"FP_CTRL_STR000001", "dd"},
    {"FP_CTRL_STR000002", "d"},
    {"FP_CTRL_STR000003", ""},
    {"FP_CTRL_STR000004", ""},
    {"FP_CTRL_STR000005", ""},
    {"FP_CTRL_STR000006", ""},
    {"FP_CTRL_STR000007", ""},
    {"FP_CTRL_STR000008", "d"},
    {"FP_ENTRY_STR000001", ""},
    {"FP_ENTRY_STR000002", "s"},
    {"FP_ENTRY_STR000003", "ss"},
    {"FP_ENTRY_STR000004", "ss"},
    {"FP_ENTRY_STR000005", "ss"},
};
constexpr size_t kKeyCount = 103;
static_assert(sizeof kKeys / sizeof kKeys[0] == kKeyCount);

const char* const kLanguages[] = {"zh-CN", "en"};

// The argument kinds a printf format reads, in order ('d' for every integer conversion).
std::string Placeholders(const char* text) {
    std::string kinds;
    for (const char* p = text; *p; ++p) {
        if (*p != '%')
            continue;
        if (*++p == '%')
            continue;
        while (*p && std::strchr("-+ #0.123456789", *p))
            ++p;
        if (*p == 's')
            kinds += 's';
        else if (*p && std::strchr("diuxXc", *p))
            kinds += 'd';
        else if (*p && std::strchr("feEgG", *p))
            kinds += 'f';
        else
            kinds += '?';
        if (!*p)
            break;
    }
    return kinds;
}

std::wstring ToWide(const char* text, UINT cp) {
    int n = ::MultiByteToWideChar(cp, 0, text, -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(cp, 0, text, -1, w.data(), n);
    w.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
    return w;
}

std::string ToAcp(const wchar_t* text) {
    int n = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, s.data(), n, nullptr, nullptr);
    s.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
    return s;
}

class StringDbTest : public ::testing::Test {
protected:
    void TearDown() override { CKrStringDBWrapper::SetLanguage(nullptr); }
};

TEST_F(StringDbTest, EveryKeyIsPresentInBothLanguagesWithTheCallersPlaceholders) {
    for (const char* lang : kLanguages) {
        CKrStringDBWrapper::SetLanguage(lang);
        ASSERT_STREQ(CKrStringDBWrapper::GetLanguage(), lang);
        for (const KeyUse& use : kKeys) {
            SCOPED_TRACE(std::string(lang) + " " + use.key);
            EXPECT_TRUE(CKrStringDBWrapper::HasKey(use.key));
            CKrString text = CKrStringDBWrapper::GetString(use.key);
            EXPECT_FALSE(text.IsEmpty());
            EXPECT_EQ(Placeholders(text), use.kinds) << text.GetString();
        }
    }
}

TEST_F(StringDbTest, PlaceholderListsAreIdenticalAcrossLanguages) {
    for (const KeyUse& use : kKeys) {
        CKrStringDBWrapper::SetLanguage("zh-CN");
        CKrString zh = CKrStringDBWrapper::GetString(use.key);
        CKrStringDBWrapper::SetLanguage("en");
        CKrString en = CKrStringDBWrapper::GetString(use.key);
        EXPECT_EQ(Placeholders(zh), Placeholders(en)) << use.key;
    }
}

TEST_F(StringDbTest, DatabaseTextsFormatWithTheirCallersArguments) {
    // A few formats filled as their callers fill them: no fallback rendering.
    char out[256];
    CKrStringDBWrapper::SetLanguage("en");
    KrFormat(out, sizeof out, CKrStringDBWrapper::GetString("FP_ACCUM_STR000250"), "sss",
             "TIC101.FTTLSET", "12.50000", "13.00000");
    EXPECT_STREQ(out, "Change TIC101.FTTLSET from 12.50000 to 13.00000?");
    KrFormat(out, sizeof out, CKrStringDBWrapper::GetString("FP_ACCUM_STR000473"), "d", 6);
    EXPECT_STREQ(out, "Branch 6 rate limit on");
    KrFormat(out, sizeof out, CKrStringDBWrapper::GetString("FP_ACCUM_STR000216"), "sssss", "BAL1",
             "FTTLSET", "Heater 1", "1.0", "2.0");
    EXPECT_STREQ(out, "BAL1 FTTLSET (Heater 1) changed from 1.0 to 2.0");
}

TEST_F(StringDbTest, TextsAreReturnedInTheAnsiCodePage) {
    CKrStringDBWrapper::SetLanguage("zh-CN");
    CKrString caption = CKrStringDBWrapper::GetString("FP_ACCUM_STR000135");
    EXPECT_EQ(std::string(caption), ToAcp(L"总貌"));
    if (::GetACP() == 936) {
        EXPECT_EQ(ToWide(caption, CP_ACP), L"总貌");
    }
}

TEST_F(StringDbTest, MissingKeyGivesAnEmptyTextAndOneTraceLine) {
    kt::DebugCapture capture;
    ASSERT_TRUE(capture.Listening());
    CKrString text = CKrStringDBWrapper::GetString("FP_ACCUM_STR999999");
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_EQ(text.GetLength(), 0);
    ASSERT_NE(text.GetString(), nullptr);
    EXPECT_STREQ(text, "");
    EXPECT_FALSE(CKrStringDBWrapper::HasKey("FP_ACCUM_STR999999"));
    EXPECT_TRUE(capture.WaitFor("unknown string key FP_ACCUM_STR999999"));
    EXPECT_EQ(capture.Count("FP_ACCUM_STR999999"), 1u);
    EXPECT_TRUE(CKrStringDBWrapper::GetString(nullptr).IsEmpty());
}

TEST_F(StringDbTest, LanguageComesFromEnvironmentThenIniThenDefault) {
    wchar_t folder[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    std::wstring ini = std::wstring(folder) + L"krtoolkit_lang_" +
                       std::to_wstring(::GetCurrentProcessId()) + L".ini";
    ASSERT_TRUE(::WritePrivateProfileStringW(L"Language", L"Language", L"en", ini.c_str()));
    ::SetEnvironmentVariableW(L"KR_STATION_INI", ini.c_str());
    EXPECT_STREQ(CKrStringDBWrapper::GetLanguage(), "en");
    EXPECT_STREQ(CKrStringDBWrapper::GetString("FP_ACCUM_STR000135"), "Overview");
    ::SetEnvironmentVariableW(L"KR_LANGUAGE", L"zh-CN");
    EXPECT_STREQ(CKrStringDBWrapper::GetLanguage(), "zh-CN");
    EXPECT_EQ(std::string(CKrStringDBWrapper::GetString("FP_ACCUM_STR000135")), ToAcp(L"总貌"));
    ::SetEnvironmentVariableW(L"KR_LANGUAGE", L"..\\evil");
    EXPECT_STREQ(CKrStringDBWrapper::GetLanguage(), "zh-CN")
        << "an invalid name falls back to the default";
    ::SetEnvironmentVariableW(L"KR_LANGUAGE", L"fr");
    EXPECT_TRUE(CKrStringDBWrapper::GetString("FP_ACCUM_STR000135").IsEmpty())
        << "no database for fr";
    ::SetEnvironmentVariableW(L"KR_LANGUAGE", nullptr);
    ::SetEnvironmentVariableW(L"KR_STATION_INI", nullptr);
    ::DeleteFileW(ini.c_str());
}

// The problems the readers report, as a program that registered its sink sees them.
using kt::ProblemSink;

std::wstring BinFolder() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(::GetModuleHandleW(L"KrToolkit.dll"), path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L"\\/") + 1);
}

// A string database an engineer got wrong: each fault is reported with the file and its line,
// to the trace and to the program's sink, once; the good lines still load.
TEST_F(StringDbTest, FaultyLinesOfTheDatabaseAreReportedWithTheirLines) {
    const std::string language = "zz-T" + std::to_string(::GetCurrentProcessId() % 10000);
    const std::wstring file = BinFolder() + L"KrStrings." + std::wstring(language.begin(),
                                                                         language.end()) + L".txt";
    {
        std::string text = "# test database\n"
                           "K_ONE\tfirst\n"
                           "no tab on this line\n"
                           "\tno key\n"
                           "K_TWO\tsecond\n"
                           "K_ONE\tfirst again\n"
                           "K_BAD\t\xC0\xAF\n"
                           "K_LONG\t" + std::string(1024, 'x') + "\n"
                           "K_LIMIT\t" + std::string(1023, 'y') + "\n";
        HANDLE h = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        ::CloseHandle(h);
    }
    kt::DebugCapture capture;
    ASSERT_TRUE(capture.Listening());
    ProblemSink sink;
    CKrStringDBWrapper::SetLanguage(language.c_str());
    EXPECT_STREQ(CKrStringDBWrapper::GetString("K_ONE"), "first again") << "the later line";
    EXPECT_STREQ(CKrStringDBWrapper::GetString("K_TWO"), "second");
    EXPECT_TRUE(CKrStringDBWrapper::GetString("K_LONG").IsEmpty());
    EXPECT_EQ(CKrStringDBWrapper::GetString("K_LIMIT").GetLength(), 1023);
    const std::string name = "KrStrings." + language + ".txt";
    const char* expected[] = {
        " line 3: expected KEY<TAB>text; line skipped",
        " line 4: expected KEY<TAB>text; line skipped",
        " line 6: key K_ONE repeats line 2; the text of line 6 is used",
        " line 7: text of K_BAD is not UTF-8; line skipped",
        " line 8: text of K_LONG has 1024 characters, more than 1023; line skipped",
    };
    ASSERT_EQ(sink.problems.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_NE(sink.problems[i].find(name + expected[i]), std::string::npos)
            << sink.problems[i];
        EXPECT_TRUE(capture.WaitFor(name + expected[i])) << expected[i];
    }
    // Read once: asking again reports nothing new.
    CKrStringDBWrapper::GetString("K_TWO");
    EXPECT_EQ(sink.problems.size(), std::size(expected));
    ::DeleteFileW(file.c_str());
}

// KrStation.ini is read by the first key of each section and key: repeated ones are reported,
// as are lines that are neither and values too long to be read whole.
TEST_F(StringDbTest, StationConfigurationFaultsAreReportedWithTheirLines) {
    wchar_t folder[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    std::wstring ini = std::wstring(folder) + L"krtoolkit_faults_" +
                       std::to_wstring(::GetCurrentProcessId()) + L".ini";
    {
        std::string text = "; station\r\n"
                           "[Language]\r\n"
                           "Language=en\r\n"
                           "language=zh-CN\r\n"
                           "[Security]\r\n"
                           "Class1=1\r\n"
                           "just words\r\n"
                           "[Language]\r\n"
                           "Language=zh-CN\r\n"
                           "[Log]\r\n"
                           "Path=" + std::string(1100, 'p') + "\r\n";
        HANDLE h = ::CreateFileW(ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        ::CloseHandle(h);
    }
    ProblemSink sink;
    ::SetEnvironmentVariableW(L"KR_STATION_INI", ini.c_str());
    EXPECT_STREQ(CKrStringDBWrapper::GetLanguage(), "en") << "the first key is the one read";
    ::SetEnvironmentVariableW(L"KR_STATION_INI", nullptr);
    const char* expected[] = {
        " line 4: key language repeats line 3; the value of line 3 is used",
        " line 7: expected <key>=<value>; line not read",
        " line 8: section [Language] repeats line 2; only the first one is read",
        " line 11: value of Path is longer than 1023 characters and is cut",
    };
    ASSERT_EQ(sink.problems.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i)
        EXPECT_NE(sink.problems[i].find(expected[i]), std::string::npos) << sink.problems[i];
    EXPECT_NE(sink.problems[0].find("krtoolkit_faults_"), std::string::npos) << "names the file";
    ::DeleteFileW(ini.c_str());
}

TEST(KrStringTest, CopiesOwnTheirTextAndAssignFromCharPointers) {
    CKrString a("abc");
    CKrString b = a;
    a = "xyz";
    EXPECT_STREQ(b, "abc");
    EXPECT_STREQ(a, "xyz");
    a = a; // self-assignment keeps the text
    EXPECT_STREQ(a, "xyz");
    a = a.GetString(); // assignment from its own buffer
    EXPECT_STREQ(a, "xyz");
    EXPECT_EQ(a.GetLength(), 3);
    a = static_cast<const char*>(nullptr);
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_STREQ(a, "");
    b.Empty();
    EXPECT_TRUE(b.IsEmpty());
}

} // namespace
