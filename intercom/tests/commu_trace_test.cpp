// Trace lines of the communication windows and the message manager, task-centre names, and
// the request log that the peer programs write (the peer tests rely on reading it back).
#include "MsgManager.h"
#include "PeerLog.h"
#include "Trace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TraceLines : public ::testing::Test {
protected:
    void SetUp() override { kfw::SetTraceSink(&TraceLines::Sink, this); }
    void TearDown() override { kfw::SetTraceSink(nullptr, nullptr); }
    static void Sink(const char* line, void* self) {
        static_cast<TraceLines*>(self)->m_lines.push_back(line);
    }
    std::vector<std::string> m_lines;
};

TEST_F(TraceLines, DebugPrintCutsLongLinesAt255Characters) {
    const std::string longName(400, 'N');
    CCommuWin::DebugPrint("[CommuWin]Send message to %s timeout\n", longName.c_str());
    ASSERT_EQ(m_lines.size(), 1u);
    EXPECT_EQ(m_lines[0].size(), 255u);
    EXPECT_EQ(m_lines[0].substr(0, 27), "[CommuWin]Send message to N");

    m_lines.clear();
    CCommuWin::DebugPrint("[CommuWin]SendMessage %d to %s\n", 74, "DOZezeru");
    EXPECT_EQ(m_lines, std::vector<std::string>{"[CommuWin]SendMessage 74 to DOZezeru\n"});
}

TEST_F(TraceLines, TooLongOrMissingTagIsRefusedBeforeAnySend) {
    CMsgManager manager;
    const std::string tag34(34, 'T');
    EXPECT_EQ(manager.Send(tag34.c_str(), icproto::kRequestFlow, 0), 0);
    EXPECT_EQ(m_lines,
              std::vector<std::string>{"[MsgManager] Tag name is too long ,Send failed\n"});
    m_lines.clear();
    EXPECT_EQ(manager.Send(std::string(300, 'T').c_str(), icproto::kRequestAlarm, 0), 0);
    EXPECT_EQ(m_lines.size(), 1u);
    m_lines.clear();
    EXPECT_EQ(manager.Send(nullptr, icproto::kRequestFlow, 0), 0);
    EXPECT_TRUE(m_lines.empty());
    // The wrappers report success whatever happened.
    EXPECT_TRUE(manager.RequestFlow(tag34.c_str(), 0));
}

TEST(TaskCenterName, NumberZeroHasNoSuffix) {
    EXPECT_EQ(CMsgManager::TaskCenterName(0), "TaskCenter");
    EXPECT_EQ(CMsgManager::TaskCenterName(3), "TaskCenter3");
    EXPECT_EQ(CMsgManager::TaskCenterName(12), "TaskCenter12");
}

TEST(PeerLog, LinesReadBackAsWritten) {
    peers::ReceivedRequest r;
    r.time = "12:34:56.789";
    r.window = "TaskCenter3";
    r.from = 0;
    r.code = 112;
    r.size = 34;
    r.terminated = true;
    r.tag = "FIC 101=A"; // the tag is the rest of the line, spaces and '=' included
    peers::ReceivedRequest back;
    ASSERT_TRUE(peers::ParseLogLine(peers::FormatLogLine(r), back));
    EXPECT_EQ(back.time, r.time);
    EXPECT_EQ(back.window, r.window);
    EXPECT_EQ(back.code, 112u);
    EXPECT_EQ(back.size, 34u);
    EXPECT_TRUE(back.terminated);
    EXPECT_EQ(back.tag, r.tag);
    EXPECT_FALSE(peers::ParseLogLine("12:34:56.789 window=X code=1", back));
    EXPECT_FALSE(peers::ParseLogLine(
        "12:34:56.789 window=X from=0 code=x size=34 terminated=yes tag=A", back));
}

} // namespace
