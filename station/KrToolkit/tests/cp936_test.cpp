// Chinese texts in a process whose ANSI code page is 936 (GBK), as on a Chinese station.
#include "KrToolkit.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

namespace {

constexpr UINT kGbk = 936;

std::wstring FromGbk(const char* text) {
    int n = ::MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (n <= 0)
        return L"<invalid GBK>";
    std::wstring w(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(kGbk, 0, text, -1, w.data(), n);
    w.resize(static_cast<size_t>(n - 1));
    return w;
}

class Cp936Test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::GetACP(), kGbk) << "run with LC_ALL=zh_CN.UTF-8";
        CKrStringDBWrapper::SetLanguage("zh-CN");
    }
    void TearDown() override { CKrStringDBWrapper::SetLanguage(nullptr); }
};

TEST_F(Cp936Test, ChineseTextsArriveInGbk) {
    CKrString caption = CKrStringDBWrapper::GetString("FP_ACCUM_STR000135");
    EXPECT_STREQ(caption, "\xD7\xDC\xC3\xB2"); // 总貌 in GBK
    EXPECT_EQ(FromGbk(CKrStringDBWrapper::GetString("FP_BALANCE8_STR000538")), L"炉管温度报警");
    EXPECT_EQ(FromGbk(CKrStringDBWrapper::GetString("STR005869")),
              L"目标程序未运行，请求无法送达。");
}

TEST_F(Cp936Test, FormattedChineseTextsRoundTrip) {
    char out[256];
    KrFormat(out, sizeof out, CKrStringDBWrapper::GetString("FP_ACCUM_STR000473"), "d", 6);
    EXPECT_EQ(FromGbk(out), L"支路6速率限幅投入");
    CKrString tag("\xD7\xDC\xB9\xDC"); // 总管 in GBK, as the host passes it
    KrFormat(out, sizeof out, CKrStringDBWrapper::GetString("FP_ACCUM_STR000250"), "sss",
             tag.GetString(), "1.00000", "2.00000");
    EXPECT_EQ(FromGbk(out), L"确认将 总管 由 1.00000 修改为 2.00000 吗？");
}

TEST_F(Cp936Test, CuttingNeverSplitsADoubleByteCharacter) {
    char out[6];
    // "支路6..." is 2 + 2 + 1 bytes: room for 5 bytes keeps "支路6"; room for 4 keeps "支路";
    // room for 3 must not keep half of "路".
    EXPECT_EQ(KrFormat(out, 6, CKrStringDBWrapper::GetString("FP_ACCUM_STR000473"), "d", 6), 5);
    EXPECT_EQ(FromGbk(out), L"支路6");
    EXPECT_EQ(KrFormat(out, 4, "%s", "s", "\xD6\xA7\xC2\xB7"), 2);
    EXPECT_EQ(FromGbk(out), L"支");
}

} // namespace
