// fphost.exe running whole scripts against a small faceplate module (FP_FAKETEST.dll) that
// confirms its writes through the station's KrConfirm.dll: every command, the callbacks behind
// the faceplate, the confirmation dialog answered while it is modal, and failures reported
// with their script lines.
#include "RunHost.h"

#include <gtest/gtest.h>

namespace fphost {
namespace {

constexpr char kIni[] = "[host]\n"
                        "module = FP_FAKETEST.dll\n"
                        "user = op\n"
                        "[tag BAL8_101]\n"
                        "base = 0\n"
                        "value.FTTL = 412.5\n"
                        "[tag BAL8_102]\n"
                        "base = 0x100\n"
                        "[tag BAL8_103]\n"
                        "base = 0x200\n"
                        "description = ASK\n"
                        "[tag BAL8_104]\n"
                        "base = 0x300\n"
                        "height = 300\n"
                        "description = LATE\n";

TEST(HostScript, EveryCommandAgainstAFaceplateModule) {
    std::filesystem::path png = test::Scratch("shot.png");
    // The control-information component the faceplates create reads this file.
    std::filesystem::path controlInfo = test::Scratch("controlinfo.ini");
    std::ofstream(controlInfo) << "entry = 1 0=1\nentry = 2 0=0\n";
    ::SetEnvironmentVariableW(L"KR_CONTROLINFO_FILE", controlInfo.c_str());
    std::string script = "# a whole session\n"
                         "open BAL8_101 detail\n"
                         "wait 300\n"
                         "expect-text 32760 BAL8_101\n"
                         "expect-text 32754 CI 2\n"
                         "expect-text 32753 412.50\n"
                         "set BAL8_101.FTTL 7.25\n"
                         "wait 300\n"
                         "expect-text 32753 7.25\n"
                         "status BAL8_101 bad\n"
                         "wait 300\n"
                         "expect-text 32750 RTDATA_BAD\n"
                         "status BAL8_101 good\n"
                         "wait 300\n"
                         "expect-text 32750\n"
                         "type 12444 420.5\n"
                         "answer accept shift lead asked\n"
                         "wait 200\n"
                         "expect-text 32752 WRITE 420.5 shift lead asked\n"
                         "type 12444 1\n"
                         "answer cancel\n"
                         "wait 200\n"
                         "expect-text 32752 CANCELLED\n"
                         "click 32765\n"
                         "wait 200\n"
                         "expect-text 32751 DETAIL 0\n"
                         "detail bal8_101.FTTL 1\n"
                         "expect-text 32751 DETAIL 1\n"
                         "click 32766\n"
                         "click 32766\n"
                         "wait 200\n"
                         "expect-acks bal8_101 2\n"
                         "expect-acks BAL8_102 0\n"
                         "user engineer 9 0\n"
                         "expect-text 32751 USER engineer 9 0\n"
                         "expect-enabled 12444 1\n"
                         "screenshot " +
                         png.string() +
                         "\n"
                         "open BAL8_102 embedded\n"
                         "wait 200\n"
                         "expect-text 32760 BAL8_102\n"
                         "close BAL8_102 1\n"
                         "expect-text 32760 BAL8_102\n"
                         "close BAL8_102 2\n"
                         "expect-text 32760 BAL8_101\n"
                         "callbacks off\n"
                         "open BAL8_102 popchild\n"
                         "wait 200\n"
                         "expect-text 32753 NOCB\n"
                         "type 12444 3\n"
                         "wait 300\n"
                         "closeconfirm BAL8_102\n"
                         "wait 200\n"
                         "expect-text 32752 CANCELLED\n"
                         "open BAL8_103 compact\n"
                         "dismiss\n"
                         "wait 100\n"
                         "expect-text 32760 BAL8_103\n"
                         "quit\n";
    test::HostRun run = test::RunHost(kIni, script);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("fphost: opened BAL8_101 detail"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("fphost: opened BAL8_102 embedded"), std::string::npos);
    EXPECT_NE(run.output.find("fphost: opened BAL8_102 popchild"), std::string::npos);
    // The message box came while BAL8_103 was being opened; dismissing it let the open end.
    EXPECT_LT(run.output.find(": dismiss"), run.output.find("fphost: opened BAL8_103"))
        << run.output;
    EXPECT_NE(run.output.find("close BAL8_102 1 -> 0"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("close BAL8_102 2 -> 1"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("script done, 0 failure(s)"), std::string::npos);

    std::ifstream in(png, std::ios::binary);
    char signature[8] = {};
    in.read(signature, sizeof(signature));
    EXPECT_EQ(std::string(signature + 1, 3), "PNG") << "screenshot " << png;
    in.close();
    std::error_code ec;
    std::filesystem::remove(png, ec);
    ::SetEnvironmentVariableW(L"KR_CONTROLINFO_FILE", nullptr);
    std::filesystem::remove(controlInfo, ec);
}

TEST(HostScript, FailuresNameTheirLineAndSetTheExitCode) {
    std::string script = "open BAL8_101 compact\n"
                         "wait 200\n"
                         "expect-text 32760 WRONG\n"
                         "click 4242\n"
                         "expect-enabled 12444 0\n"
                         "open NOSUCH detail\n"
                         "set BAL8_101.NOSUCH 1\n"
                         "expect-text 32760 BAL8_101\n"
                         "expect-acks BAL8_101 1\n"
                         "expect-acks NOSUCH 0\n";
    test::HostRun run = test::RunHost(kIni, script);
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_NE(run.output.find("line 3: control 32760 shows \"BAL8_101\", expected \"WRONG\""),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("line 4: the newest faceplate has no control 4242"),
              std::string::npos);
    EXPECT_NE(run.output.find("line 5: control 12444 is enabled"), std::string::npos);
    EXPECT_NE(run.output.find("line 6: no tag 'NOSUCH' is configured"), std::string::npos);
    EXPECT_NE(run.output.find("line 7: no item 'BAL8_101.NOSUCH'"), std::string::npos);
    EXPECT_EQ(run.output.find("line 8:"), std::string::npos) << "that expectation holds";
    EXPECT_NE(run.output.find("line 9: the host has had 0 alarm acknowledgement(s) for BAL8_101, "
                              "expected 1"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("line 10: no tag 'NOSUCH' is configured"), std::string::npos);
    // The script ended without quit: the host closed the faceplate and exited.
    EXPECT_NE(run.output.find("script done, 7 failure(s)"), std::string::npos) << run.output;
}

// Refused before anything opens: the message names the line, or the tag on the command line.
TEST(HostScript, RiskyConfigurationIsRefusedBeforeAnythingOpens) {
    test::HostRun unknown = test::RunHost(kIni, "open BAL8_999 compact\n", L"--tag BAL8_999");
    EXPECT_EQ(unknown.exitCode, 2u) << unknown.output;
    EXPECT_NE(unknown.output.find("--tag 'BAL8_999' names no configured tag (configured: "
                                  "BAL8_101, BAL8_102, BAL8_103, BAL8_104)"),
              std::string::npos)
        << unknown.output;
    // A GBK file: "张工" in code page 936 instead of UTF-8.
    test::HostRun gbk = test::RunHost("[host]\nmodule = FP_FAKETEST.dll\nuser = \xD5\xC5\xB9\xA4\n"
                                      "[tag BAL8_101]\nbase = 0\n",
                                      "quit\n");
    EXPECT_EQ(gbk.exitCode, 2u) << gbk.output;
    EXPECT_NE(gbk.output.find("line 3: not UTF-8 text"), std::string::npos) << gbk.output;
    EXPECT_EQ(gbk.output.find("???"), std::string::npos) << gbk.output;
    // A configured tag given in another case is the same tag.
    test::HostRun known = test::RunHost(kIni, "quit\n", L"--tag bal8_102 --target 7");
    EXPECT_EQ(known.exitCode, 0u) << known.output;
}

// A picture must show what the operator sees: a control that has not drawn yet fails the
// screenshot, named, and so does a capture a moment later that shows it drawn.
TEST(HostScript, AScreenshotShowingAControlUndrawnFails) {
    std::filesystem::path png = test::Scratch("late.png");
    test::HostRun run =
        test::RunHost(kIni, "open BAL8_104 compact\nscreenshot " + png.string() + "\nquit\n");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_NE(run.output.find("line 2: the screenshot " + png.string() +
                              " shows only background where these controls are: 32767 "
                              "(Static \"LATE\")"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("was taken before these controls were drawn: 32767"),
              std::string::npos)
        << run.output;
    EXPECT_TRUE(std::filesystem::exists(png)) << "the picture is saved all the same";
    std::filesystem::remove(png);

    // Once it has drawn, the same window gives a clean picture.
    test::HostRun later = test::RunHost(
        kIni, "open BAL8_104 compact\nwait 600\nscreenshot " + png.string() + "\nquit\n");
    EXPECT_EQ(later.exitCode, 0u) << later.output;
    std::filesystem::remove(png);
}

TEST(HostScript, CommandsNeedingAFaceplateFailWithoutOne) {
    test::HostRun run = test::RunHost(kIni, "expect-text 32760 X\nscreenshot x.png\nquit\n");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_NE(run.output.find("line 1: no faceplate is open"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("line 2: no faceplate is open"), std::string::npos) << run.output;
}

} // namespace
} // namespace fphost
