// The script parser: every command with its arguments, texts to the end of the line, and
// malformed lines reported with their numbers, never a crash.
#include "Script.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace fphost {
namespace {

std::vector<Command> Parse(const std::string& text, std::vector<ScriptError>& errors) {
    errors.clear();
    return ParseScript(text, errors);
}

Command One(const std::string& line) {
    std::vector<ScriptError> errors;
    std::vector<Command> c = Parse(line, errors);
    EXPECT_TRUE(errors.empty()) << line << ": " << (errors.empty() ? "" : errors[0].message);
    EXPECT_EQ(c.size(), 1u) << line;
    return c.empty() ? Command{} : c[0];
}

TEST(ScriptParser, EveryCommand) {
    Command c = One("open BAL8_101 detail");
    EXPECT_EQ(c.kind, CommandKind::Open);
    EXPECT_EQ(c.tag, "BAL8_101");
    EXPECT_EQ(c.mode, OpenMode::Detail);
    EXPECT_EQ(One("open T compact").mode, OpenMode::Compact);
    EXPECT_EQ(One("open T EMBEDDED").mode, OpenMode::Embedded);
    EXPECT_EQ(One("open T popchild").mode, OpenMode::PopChild);
    EXPECT_EQ(One("open T popchild-detail").mode, OpenMode::PopChildDetail);

    c = One("wait 1500");
    EXPECT_EQ(c.kind, CommandKind::Wait);
    EXPECT_EQ(c.number, 1500);

    c = One("type 12444 420.5");
    EXPECT_EQ(c.kind, CommandKind::Type);
    EXPECT_EQ(c.number, 12444);
    EXPECT_EQ(c.text, "420.5");

    c = One("click 32765");
    EXPECT_EQ(c.kind, CommandKind::Click);
    EXPECT_EQ(c.number, 32765);

    c = One("answer accept new set value from the shift lead");
    EXPECT_EQ(c.kind, CommandKind::Answer);
    EXPECT_TRUE(c.flag);
    EXPECT_EQ(c.text, "new set value from the shift lead");
    c = One("answer cancel");
    EXPECT_FALSE(c.flag);
    EXPECT_EQ(c.text, "");

    EXPECT_EQ(One("dismiss").kind, CommandKind::Dismiss);

    c = One("user engineer 9 0");
    EXPECT_EQ(c.kind, CommandKind::User);
    EXPECT_EQ(c.text, "engineer");
    EXPECT_EQ(c.number, 9);
    EXPECT_EQ(c.number2, 0);

    c = One("detail bal8_101.FTTL 1");
    EXPECT_EQ(c.kind, CommandKind::Detail);
    EXPECT_EQ(c.tag, "bal8_101.FTTL");
    EXPECT_TRUE(c.flag);

    c = One("screenshot C:\\shots\\face plate.png");
    EXPECT_EQ(c.kind, CommandKind::Screenshot);
    EXPECT_EQ(c.text, "C:\\shots\\face plate.png");

    c = One("close BAL8_101 3");
    EXPECT_EQ(c.kind, CommandKind::Close);
    EXPECT_EQ(c.number, 3);

    c = One("closeconfirm BAL8_101");
    EXPECT_EQ(c.kind, CommandKind::CloseConfirm);
    EXPECT_EQ(c.tag, "BAL8_101");

    c = One("expect-text 32750 COMM_FAIL");
    EXPECT_EQ(c.kind, CommandKind::ExpectText);
    EXPECT_EQ(c.number, 32750);
    EXPECT_EQ(c.text, "COMM_FAIL");
    EXPECT_EQ(One("expect-text 32751").text, "");

    c = One("expect-enabled 32765 0");
    EXPECT_EQ(c.kind, CommandKind::ExpectEnabled);
    EXPECT_FALSE(c.flag);

    c = One("callbacks off");
    EXPECT_EQ(c.kind, CommandKind::Callbacks);
    EXPECT_FALSE(c.flag);

    c = One("status BAL8_101 bad");
    EXPECT_EQ(c.kind, CommandKind::Status);
    EXPECT_TRUE(c.flag);

    c = One("set BAL8_101.FTTL -12.25");
    EXPECT_EQ(c.kind, CommandKind::Set);
    EXPECT_EQ(c.tag, "BAL8_101");
    EXPECT_EQ(c.item, "FTTL");
    EXPECT_DOUBLE_EQ(c.value, -12.25);

    EXPECT_EQ(One("QUIT").kind, CommandKind::Quit);
}

TEST(ScriptParser, ChildProcessesScreenAcknowledgementsAndStay) {
    Command c = One("start server commserver.exe --config demo_station.ini  --period 500");
    EXPECT_EQ(c.kind, CommandKind::Start);
    EXPECT_EQ(c.name, "server");
    EXPECT_EQ(c.text, "commserver.exe --config demo_station.ini  --period 500");
    c = One("start peer \"C:\\station programs\\peer.exe\" --log \"a b.log\"");
    EXPECT_EQ(c.text, "\"C:\\station programs\\peer.exe\" --log \"a b.log\"")
        << "quotes inside the command line stay for the child";

    c = One("stop server");
    EXPECT_EQ(c.kind, CommandKind::Stop);
    EXPECT_EQ(c.name, "server");

    c = One("expect-acks BAL8_101 2");
    EXPECT_EQ(c.kind, CommandKind::ExpectAcks);
    EXPECT_EQ(c.tag, "BAL8_101");
    EXPECT_EQ(c.number, 2);

    c = One("screenshot-screen C:\\shots\\whole screen.png");
    EXPECT_EQ(c.kind, CommandKind::ScreenshotScreen);
    EXPECT_EQ(c.text, "C:\\shots\\whole screen.png");

    EXPECT_EQ(One("stay").kind, CommandKind::Stay);
}

TEST(ScriptParser, TextsKeepInnerBlanksAndQuotesKeepOuterOnes) {
    EXPECT_EQ(One("type 100   a  b   ").text, "a  b");
    EXPECT_EQ(One("expect-text 32751 \"FDEV TDEV \"").text, "FDEV TDEV ");
    EXPECT_EQ(One("expect-text 32751 \"\"").text, "");
    // UTF-8 text stays as written.
    EXPECT_EQ(One("answer accept \xE8\xB0\x83\xE6\x95\xB4").text, "\xE8\xB0\x83\xE6\x95\xB4");
}

TEST(ScriptParser, CommentsBlankLinesCrlfAndBom) {
    std::vector<ScriptError> errors;
    auto c = Parse("\xEF\xBB\xBF# demo\r\n\r\n  open T detail\r\n\twait 10\r\n# end", errors);
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].line, 3);
    EXPECT_EQ(c[0].mode, OpenMode::Detail);
    EXPECT_EQ(c[1].line, 4);
    EXPECT_EQ(c[1].number, 10);
}

TEST(ScriptParser, MalformedLinesAreReportedWithTheirNumbers) {
    const char* bad[] = {
        "opne T detail",       // unknown command
        "open T",              // missing mode
        "open T sideways",     // unknown mode
        "open T detail extra", // extra argument
        "wait",                // missing time
        "wait soon",           // not a number
        "wait -1",             // below range
        "wait 99999999999",    // above range
        "type 12444",          // missing text
        "type 0 1",            // control id out of range
        "type 70000 1",        // control id out of range
        "click",               // missing id
        "click 1 2",           // extra argument
        "answer",              // missing answer
        "answer maybe",        // not accept/cancel
        "dismiss now",         // extra argument
        "user op 5",           // missing ack
        "user op five 1",      // level not a number
        "user op 5 2",         // ack out of range
        "detail T",            // missing flag
        "detail T 2",          // flag not 0/1
        "screenshot",          // missing path
        "close T",             // missing type
        "close T all",         // type not a number
        "closeconfirm",        // missing tag
        "expect-text",         // missing id
        "expect-text x text",  // id not a number
        "expect-enabled 5",    // missing flag
        "callbacks maybe",     // not on/off
        "status T broken",     // not good/bad
        "set T 1",             // no point
        "set .FTTL 1",         // empty tag
        "set T. 1",            // empty item
        "set T.FTTL one",      // not a number
        "start server",        // missing command line
        "start",               // missing name
        "stop",                // missing name
        "stop a b",            // extra argument
        "stay 10",             // extra argument
        "expect-acks T",       // missing count
        "expect-acks T -1",    // below range
        "expect-acks T many",  // not a number
        "screenshot-screen",   // missing path
        "quit now",            // extra argument
    };
    std::string text = "open T detail\n";
    for (const char* line : bad)
        text += std::string(line) + "\n";
    text += "quit\n";
    std::vector<ScriptError> errors;
    auto c = Parse(text, errors);
    ASSERT_EQ(errors.size(), std::size(bad));
    for (size_t i = 0; i < std::size(bad); ++i) {
        EXPECT_EQ(errors[i].line, static_cast<int>(i) + 2) << bad[i];
        EXPECT_FALSE(errors[i].message.empty()) << bad[i];
    }
    // The good lines are still there.
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].kind, CommandKind::Open);
    EXPECT_EQ(c[1].kind, CommandKind::Quit);
    EXPECT_EQ(c[1].line, static_cast<int>(std::size(bad)) + 2);
}

TEST(ScriptParser, ErrorMessagesNameTheProblem) {
    std::vector<ScriptError> errors;
    Parse("frobnicate 1\nopen T sideways\nwait soon\n", errors);
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_NE(errors[0].message.find("unknown command 'frobnicate'"), std::string::npos);
    EXPECT_NE(errors[1].message.find("unknown mode 'sideways'"), std::string::npos);
    EXPECT_NE(errors[2].message.find("'soon'"), std::string::npos);
}

TEST(ScriptParser, ZeroBytesAndRandomBytesNeverCrash) {
    std::vector<ScriptError> errors;
    const char withZero[] = "wait 1\nwa\0it 2\nquit";
    auto c = Parse(std::string(withZero, sizeof(withZero) - 1), errors);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].line, 2);
    EXPECT_EQ(c.size(), 2u);

    std::mt19937 random(12345);
    const std::string alphabet = "open wait type click 0123456789.-\"\t \r\n\xE2\x84\x83\xFF";
    for (int round = 0; round < 200; ++round) {
        std::string text;
        for (int i = 0; i < 200; ++i)
            text += alphabet[random() % alphabet.size()];
        auto commands = Parse(text, errors);
        for (const Command& cmd : commands)
            EXPECT_GT(cmd.line, 0);
        for (const ScriptError& e : errors)
            EXPECT_GT(e.line, 0);
    }
}

} // namespace
} // namespace fphost
