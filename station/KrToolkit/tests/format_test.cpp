// KrFormat: formats what agrees, renders safely what does not, never reads an argument with
// the wrong type, always terminates and never writes past the buffer.
#include "KrToolkit.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <string>

namespace {

// A caller's own variadic helper passing its arguments on, as the faceplate's text helpers do.
int FormatVia(char* out, int size, const char* format, const char* kinds, ...) {
    va_list args;
    va_start(args, kinds);
    int n = KrFormatV(out, size, format, kinds, args);
    va_end(args);
    return n;
}

TEST(KrFormatTest, VaListVariantChecksTheSameWay) {
    char out[64];
    EXPECT_EQ(FormatVia(out, sizeof out, "%s=%d", "sd", "K1", 3), 4);
    EXPECT_STREQ(out, "K1=3");
    FormatVia(out, sizeof out, "%s=%s", "sd", "K1", 3);
    EXPECT_STREQ(out, "%s=%s [K1, 3]");
}

TEST(KrFormatTest, FormatsWhenConversionsAgreeWithTheArguments) {
    char out[128];
    EXPECT_EQ(KrFormat(out, sizeof out, "%s %s %s", "sss", "BAL1.FTTL", "1.0", "2.0"), 17);
    EXPECT_STREQ(out, "BAL1.FTTL 1.0 2.0");
    KrFormat(out, sizeof out, "%-6s|%5d|%-3u|%x", "sddu", "ab", -42, 7, 255u);
    EXPECT_STREQ(out, "ab    |  -42|7  |ff");
    KrFormat(out, sizeof out, "%%.%df", "d", 2);
    EXPECT_STREQ(out, "%.2f") << "%% is a literal";
    KrFormat(out, sizeof out, "%.*f|%*d|%+.3e", "dfddf", 2, 12.5, 4, 9, 1500.0);
    EXPECT_STREQ(out, "12.50|   9|+1.500e+03");
    KrFormat(out, sizeof out, "%c%hd%ld%lf%hs", "dddfs", 'x', 5, 6, 0.5, "z");
    EXPECT_STREQ(out, "x560.500000z");
    EXPECT_EQ(KrFormat(out, sizeof out, "no placeholders", ""), 15);
    EXPECT_STREQ(out, "no placeholders");
    KrFormat(out, sizeof out, "%d", "u", 3u);
    EXPECT_STREQ(out, "3") << "signed and unsigned int have the same size";
}

TEST(KrFormatTest, MismatchedPlaceholdersFallBackToTheArgumentsRealKinds) {
    char out[128];
    // %s where an int is passed: the int must not be read as a pointer.
    int n = KrFormat(out, sizeof out, "Branch %s rate limit", "d", 6);
    EXPECT_STREQ(out, "Branch %s rate limit [6]");
    EXPECT_EQ(n, static_cast<int>(std::strlen(out)));
    // Too many placeholders.
    KrFormat(out, sizeof out, "%s %s %s %s", "ss", "TAG", "label");
    EXPECT_STREQ(out, "%s %s %s %s [TAG, label]");
    // Too few placeholders.
    KrFormat(out, sizeof out, "%s", "sd", "TAG", 12);
    EXPECT_STREQ(out, "%s [TAG, 12]");
    // %d where a double is passed, an int where a text is expected.
    KrFormat(out, sizeof out, "%d/%s", "fd", 2.5, -1);
    EXPECT_STREQ(out, "%d/%s [2.5, -1]");
    KrFormat(out, sizeof out, "%f", "u", 4000000000u);
    EXPECT_STREQ(out, "%f [4000000000]");
}

TEST(KrFormatTest, ConversionsThatCannotBeCheckedAreNeverPassedToPrintf) {
    char out[128];
    KrFormat(out, sizeof out, "%n", "d", 5);
    EXPECT_STREQ(out, "%n [5]") << "%n would write through an argument";
    KrFormat(out, sizeof out, "%lld", "d", 1);
    EXPECT_STREQ(out, "%lld [1]");
    KrFormat(out, sizeof out, "%1$s", "s", "a");
    EXPECT_STREQ(out, "%1$s [a]");
    KrFormat(out, sizeof out, "%ls", "s", "a");
    EXPECT_STREQ(out, "%ls [a]");
    KrFormat(out, sizeof out, "%p", "s", "a");
    EXPECT_STREQ(out, "%p [a]");
    KrFormat(out, sizeof out, "%Lf", "f", 1.0);
    EXPECT_STREQ(out, "%Lf [1]");
    KrFormat(out, sizeof out, "100%", "");
    EXPECT_STREQ(out, "100% []") << "a lone % at the end";
    KrFormat(out, sizeof out, "%y", "d", 3);
    EXPECT_STREQ(out, "%y [3]");
}

TEST(KrFormatTest, NullFormatNullStringAndUnknownKinds) {
    char out[128];
    KrFormat(out, sizeof out, nullptr, "sd", "TAG", 5);
    EXPECT_STREQ(out, "(null) [TAG, 5]");
    KrFormat(out, sizeof out, "%s=%d", "sd", nullptr, 5);
    EXPECT_STREQ(out, "%s=%d [(null), 5]");
    // An unknown kind letter has no known size: nothing from it on is read.
    KrFormat(out, sizeof out, "%s %d", "sqd", "a", 1, 2);
    EXPECT_STREQ(out, "%s %d [a, ?]");
    KrFormat(out, sizeof out, "%d", nullptr, 1);
    EXPECT_STREQ(out, "%d []") << "a null kind list means no arguments";
}

TEST(KrFormatTest, OutputIsAlwaysTerminatedAndCutToTheBuffer) {
    char out[8];
    std::memset(out, 'X', sizeof out);
    EXPECT_EQ(KrFormat(out, 6, "%s", "s", "abcdefgh"), 5);
    EXPECT_STREQ(out, "abcde");
    EXPECT_EQ(out[6], 'X') << "nothing written past outSize";
    EXPECT_EQ(KrFormat(out, 1, "%s", "s", "abc"), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(KrFormat(out, 6, "%s %s", "d", 123456), 5);
    EXPECT_STREQ(out, "%s %s");
    EXPECT_EQ(KrFormat(nullptr, 10, "%d", "d", 1), 0);
    EXPECT_EQ(KrFormat(out, 0, "%d", "d", 1), 0);
    EXPECT_EQ(KrFormat(out, -5, "%d", "d", 1), 0);
}

TEST(KrFormatTest, LongResultsAreCutNotOverflowed) {
    std::string big(5000, 'q');
    char out[300];
    EXPECT_EQ(KrFormat(out, sizeof out, "<%s>", "s", big.c_str()), 299);
    EXPECT_EQ(std::strlen(out), 299u);
    EXPECT_EQ(out[0], '<');
}

} // namespace
