#include "Script.h"

#include "HostConfig.h"

#include <functional>
#include <map>

namespace fphost {
namespace {

constexpr long long kMaxControlId = 0xFFFF;
constexpr long long kMaxTabIndex = 8; // nine tabs of the detail view
constexpr long long kMaxWaitMs = 10 * 60 * 1000;
constexpr long long kMaxCloseType = 0xFF;
constexpr long long kMaxAcks = INT32_MAX;

struct Line {
    std::vector<std::string> tokens; // blank-separated
    std::string text;                // line text after the command word
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The text after `count` tokens of `args` (for commands whose last argument is a text);
// a text in double quotes keeps its outer blanks. A command line (`unquote` false) keeps its
// quotes: they are the child's.
std::string RestAfter(const std::string& args, size_t count, bool unquote = true) {
    size_t pos = 0;
    for (size_t i = 0; i < count; ++i) {
        while (pos < args.size() && IsBlank(args[pos]))
            ++pos;
        while (pos < args.size() && !IsBlank(args[pos]))
            ++pos;
    }
    std::string rest = Trim(args.substr(pos));
    if (unquote && rest.size() >= 2 && rest.front() == '"' && rest.back() == '"')
        rest = rest.substr(1, rest.size() - 2);
    return rest;
}

class Parser {
public:
    Parser(const Line& line, std::string& problem) : m_line(line), m_problem(problem) {}

    bool Count(size_t lo, size_t hi) {
        size_t n = m_line.tokens.size() - 1;
        if (n < lo || n > hi) {
            m_problem = lo == hi ? "expects " + std::to_string(lo) + " argument(s)"
                                 : "expects " + std::to_string(lo) + " to " + std::to_string(hi) +
                                       " arguments";
            return false;
        }
        return true;
    }
    bool AtLeast(size_t lo) {
        if (m_line.tokens.size() - 1 < lo) {
            m_problem = "expects at least " + std::to_string(lo) + " argument(s)";
            return false;
        }
        return true;
    }
    bool Number(size_t i, const char* what, long long lo, long long hi, long long& out) {
        if (ParseInt(m_line.tokens[i], lo, hi, out))
            return true;
        m_problem = std::string(what) + " '" + m_line.tokens[i] + "' is not a number from " +
                    std::to_string(lo) + " to " + std::to_string(hi);
        return false;
    }
    bool Choice(size_t i, const char* yes, const char* no, bool& out) {
        const std::string v = Lower(m_line.tokens[i]);
        if (v == yes || v == no) {
            out = v == yes;
            return true;
        }
        m_problem =
            "expected " + std::string(yes) + " or " + no + ", got '" + m_line.tokens[i] + "'";
        return false;
    }
    const std::string& Token(size_t i) const { return m_line.tokens[i]; }
    std::string Rest(size_t count) const { return RestAfter(m_line.text, count); }
    std::string CommandLine(size_t count) const { return RestAfter(m_line.text, count, false); }

private:
    const Line& m_line;
    std::string& m_problem;
};

bool ParseOpenMode(const std::string& token, OpenMode& mode) {
    static const std::map<std::string, OpenMode> modes = {
        {"compact", OpenMode::Compact},
        {"detail", OpenMode::Detail},
        {"embedded", OpenMode::Embedded},
        {"popchild", OpenMode::PopChild},
        {"popchild-detail", OpenMode::PopChildDetail}};
    auto it = modes.find(Lower(token));
    if (it == modes.end())
        return false;
    mode = it->second;
    return true;
}

bool ParseCommand(const Line& line, Command& c, std::string& problem) {
    Parser p(line, problem);
    const std::string word = Lower(line.tokens[0]);
    using Handler = std::function<bool()>;
    const std::map<std::string, std::pair<CommandKind, Handler>> commands = {
        {"open",
         {CommandKind::Open,
          [&] {
              if (!p.Count(2, 2))
                  return false;
              c.tag = p.Token(1);
              if (ParseOpenMode(p.Token(2), c.mode))
                  return true;
              problem = "unknown mode '" + p.Token(2) +
                        "' (compact, detail, embedded, popchild, popchild-detail)";
              return false;
          }}},
        {"wait",
         {CommandKind::Wait,
          [&] { return p.Count(1, 1) && p.Number(1, "time", 0, kMaxWaitMs, c.number); }}},
        {"type",
         {CommandKind::Type,
          [&] {
              if (!p.AtLeast(2) || !p.Number(1, "control id", 1, kMaxControlId, c.number))
                  return false;
              c.text = p.Rest(1);
              return true;
          }}},
        {"click",
         {CommandKind::Click,
          [&] { return p.Count(1, 1) && p.Number(1, "control id", 1, kMaxControlId, c.number); }}},
        {"tab",
         {CommandKind::Tab,
          [&] { return p.Count(1, 1) && p.Number(1, "tab index", 0, kMaxTabIndex, c.number); }}},
        {"answer",
         {CommandKind::Answer,
          [&] {
              if (!p.AtLeast(1) || !p.Choice(1, "accept", "cancel", c.flag))
                  return false;
              c.text = p.Rest(1);
              return true;
          }}},
        {"dismiss", {CommandKind::Dismiss, [&] { return p.Count(0, 0); }}},
        {"user",
         {CommandKind::User,
          [&] {
              if (!p.Count(3, 3) || !p.Number(2, "level", 0, INT32_MAX, c.number) ||
                  !p.Number(3, "ack", 0, 1, c.number2))
                  return false;
              c.text = p.Token(1);
              return true;
          }}},
        {"detail",
         {CommandKind::Detail,
          [&] {
              if (!p.Count(2, 2) || !p.Choice(2, "1", "0", c.flag))
                  return false;
              c.tag = p.Token(1);
              return true;
          }}},
        {"screenshot",
         {CommandKind::Screenshot,
          [&] {
              if (!p.AtLeast(1))
                  return false;
              c.text = p.Rest(0);
              return true;
          }}},
        {"screenshot-screen",
         {CommandKind::ScreenshotScreen,
          [&] {
              if (!p.AtLeast(1))
                  return false;
              c.text = p.Rest(0);
              return true;
          }}},
        {"close",
         {CommandKind::Close,
          [&] {
              if (!p.Count(2, 2) || !p.Number(2, "closeType", 0, kMaxCloseType, c.number))
                  return false;
              c.tag = p.Token(1);
              return true;
          }}},
        {"closeconfirm",
         {CommandKind::CloseConfirm,
          [&] {
              if (!p.Count(1, 1))
                  return false;
              c.tag = p.Token(1);
              return true;
          }}},
        {"expect-text",
         {CommandKind::ExpectText,
          [&] {
              if (!p.AtLeast(1) || !p.Number(1, "control id", 1, kMaxControlId, c.number))
                  return false;
              c.text = p.Rest(1);
              return true;
          }}},
        {"expect-enabled",
         {CommandKind::ExpectEnabled,
          [&] {
              return p.Count(2, 2) && p.Number(1, "control id", 1, kMaxControlId, c.number) &&
                     p.Choice(2, "1", "0", c.flag);
          }}},
        {"expect-acks",
         {CommandKind::ExpectAcks,
          [&] {
              if (!p.Count(2, 2) || !p.Number(2, "count", 0, kMaxAcks, c.number))
                  return false;
              c.tag = p.Token(1);
              return true;
          }}},
        {"callbacks",
         {CommandKind::Callbacks,
          [&] { return p.Count(1, 1) && p.Choice(1, "on", "off", c.flag); }}},
        {"status",
         {CommandKind::Status,
          [&] {
              if (!p.Count(2, 2) || !p.Choice(2, "bad", "good", c.flag))
                  return false;
              c.tag = p.Token(1);
              return true;
          }}},
        {"set",
         {CommandKind::Set,
          [&] {
              if (!p.Count(2, 2))
                  return false;
              const std::string& target = p.Token(1);
              size_t point = target.find('.');
              if (point == std::string::npos || point == 0 || point + 1 == target.size()) {
                  problem = "expected <tag>.<item>, got '" + target + "'";
                  return false;
              }
              c.tag = target.substr(0, point);
              c.item = target.substr(point + 1);
              if (ParseDouble(p.Token(2), c.value))
                  return true;
              problem = "value '" + p.Token(2) + "' is not a number";
              return false;
          }}},
        {"start",
         {CommandKind::Start,
          [&] {
              if (!p.AtLeast(2))
                  return false;
              c.name = p.Token(1);
              c.text = p.CommandLine(1);
              return true;
          }}},
        {"stop",
         {CommandKind::Stop,
          [&] {
              if (!p.Count(1, 1))
                  return false;
              c.name = p.Token(1);
              return true;
          }}},
        {"stay", {CommandKind::Stay, [&] { return p.Count(0, 0); }}},
        {"quit", {CommandKind::Quit, [&] { return p.Count(0, 0); }}},
    };
    auto it = commands.find(word);
    if (it == commands.end()) {
        problem = "unknown command '" + line.tokens[0] + "'";
        return false;
    }
    c.kind = it->second.first;
    return it->second.second();
}

} // namespace

const char* OpenModeName(OpenMode mode) {
    switch (mode) {
    case OpenMode::Compact:
        return "compact";
    case OpenMode::Detail:
        return "detail";
    case OpenMode::Embedded:
        return "embedded";
    case OpenMode::PopChild:
        return "popchild";
    case OpenMode::PopChildDetail:
        return "popchild-detail";
    }
    return "?";
}

std::vector<Command> ParseScript(const std::string& textIn, std::vector<ScriptError>& errors) {
    std::vector<Command> commands;
    std::string text = textIn;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    int lineNo = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        ++lineNo;
        size_t nl = text.find('\n', pos);
        std::string raw = text.substr(pos, nl == std::string::npos ? nl : nl - pos);
        pos = nl == std::string::npos ? text.size() : nl + 1;
        if (raw.find('\0') != std::string::npos) {
            errors.push_back({lineNo, "the line holds a zero byte"});
            continue;
        }
        std::string trimmed = Trim(raw);
        if (trimmed.empty() || trimmed[0] == '#')
            continue;
        Line line;
        size_t p = 0;
        while (p < trimmed.size()) {
            while (p < trimmed.size() && IsBlank(trimmed[p]))
                ++p;
            size_t start = p;
            while (p < trimmed.size() && !IsBlank(trimmed[p]))
                ++p;
            if (p > start)
                line.tokens.push_back(trimmed.substr(start, p - start));
        }
        line.text = trimmed.substr(line.tokens[0].size());
        Command cmd;
        cmd.line = lineNo;
        std::string problem;
        if (ParseCommand(line, cmd, problem))
            commands.push_back(cmd);
        else
            errors.push_back({lineNo, line.tokens[0] + ": " + problem});
    }
    return commands;
}

} // namespace fphost
