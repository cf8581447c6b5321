// Script of the test host: one command per line, blanks between arguments, '#' starts a
// comment line. Texts (type, expect-text, answer reason, user name, command line) run to the
// end of the line; the script file is UTF-8.
//
//   open <tag> compact|detail|embedded|popchild|popchild-detail
//   wait <ms>
//   type <control id> <text>
//   click <control id>
//   tab <index>                        clicks tab <index> (0..8) of the detail view
//   answer accept|cancel [reason]
//   dismiss                            presses OK of an open message box of the faceplates
//   user <name> <level> <ack>
//   detail <tag> 0|1
//   screenshot <png path>              the newest faceplate; the whole screen while a dialog is
//                                      open
//   screenshot-screen <png path>       the whole screen
//   close <tag> <closeType>
//   closeconfirm <tag>
//   expect-text <control id> [text]
//   expect-enabled <control id> 0|1
//   expect-acks <tag> <count>          alarm acknowledgements the host has had for the tag
//   callbacks on|off                   host callbacks of the faceplates opened afterwards
//   status <tag> good|bad              bad bit of the tag's status word
//   set <tag>.<item> <value>           value in the host's tag database
//   start <name> <command line>        a child process under that name
//   stop <name>                        ends the child (TerminateProcess)
//   stay                               waits until the operator has closed every faceplate
//   quit
#pragma once

#include <string>
#include <vector>

namespace fphost {

enum class OpenMode { Compact, Detail, Embedded, PopChild, PopChildDetail };

enum class CommandKind {
    Open,
    Wait,
    Type,
    Click,
    Tab,
    Answer,
    Dismiss,
    User,
    Detail,
    Screenshot,
    ScreenshotScreen,
    Close,
    CloseConfirm,
    ExpectText,
    ExpectEnabled,
    ExpectAcks,
    Callbacks,
    Status,
    Set,
    Start,
    Stop,
    Stay,
    Quit,
};

struct Command {
    CommandKind kind = CommandKind::Quit;
    int line = 0;
    std::string tag;  // open, detail, close, closeconfirm, expect-acks, status, set
    std::string item; // set
    std::string name; // start, stop: the child's name
    OpenMode mode = OpenMode::Compact;
    long long number = 0;  // wait ms, control id, user level, closeType, acknowledgements
    long long number2 = 0; // user ack
    bool flag = false;     // answer accept, detail show, expect-enabled, callbacks on, status bad
    double value = 0;      // set
    std::string text; // type, expect-text, answer reason, user name, screenshot path, command line
};

struct ScriptError {
    int line = 0;
    std::string message;
};

// Parses a whole script. Every malformed line is reported (with its number); the commands of
// the good lines are returned either way.
std::vector<Command> ParseScript(const std::string& text, std::vector<ScriptError>& errors);

const char* OpenModeName(OpenMode mode);

} // namespace fphost
