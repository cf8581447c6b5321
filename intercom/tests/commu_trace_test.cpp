// Trace lines of the communication windows: formatted into a buffer of their own.
#include "CommuWin.h"
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

} // namespace
