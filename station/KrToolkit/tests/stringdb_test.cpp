// The string database: every key the system uses, in both languages, with the placeholders
// its callers pass; missing keys; language selection through configuration.
#include "DebugCapture.h"
#include "KrToolkit.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

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
    {"FP_ACCUM_STR000136", "s"},
    {"FP_ACCUM_STR000137", "s"},
    {"FP_ACCUM_STR000138", "d"},
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
    {"FP_ACCUM_STR000221", "s"},
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
};
constexpr size_t kKeyCount = 89;
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
