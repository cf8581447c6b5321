// The flow, current, alarm and adjust buttons of a BALANCE8 faceplate hand the tag to the
// operator centre and the alarm view, real peer programs in second processes.
#include "FPResourceIds.h"
#include "Host.h"
#include "PeerFixture.h"
#include "Pump.h"
#include "UiActions.h"

#include <gtest/gtest.h>

using namespace fphost;

namespace {

constexpr char kTag[] = "BAL101";
constexpr int kBtnCurrent = IDC_FP_BTN_CURRENT, kBtnFlow = IDC_FP_BTN_FLOW,
              kBtnAlarm = IDC_FP_BTN_ALARM, kBtnAdjust = IDC_FP_BTN_ADJ;

class HandOverTest : public PeerTest {
protected:
    std::unique_ptr<Host> host;

    HWND Open(OpenMode mode, int taskCenter) {
        HostConfig config;
        config.almState = false;
        TagConfig tag;
        tag.name = kTag;
        tag.base = 0x1000;
        tag.msgParam = taskCenter;
        tag.width = 128;
        tag.height = 750;
        config.tags.push_back(tag);
        host = std::make_unique<Host>(config);
        BlockTable table;
        std::string error;
        EXPECT_TRUE(LoadBalance8Table(table, error)) << error;
        EXPECT_TRUE(host->Prepare(table, error)) << error;
        EXPECT_TRUE(host->LoadModule(error)) << error;
        HWND fp = host->Open(kTag, mode, error);
        EXPECT_TRUE(fp) << error;
        return fp;
    }

    void TearDown() override {
        if (host)
            host->CloseAll();
        host.reset();
        PeerTest::TearDown();
    }
};

TEST_F(HandOverTest, FlowCurrentAndAlarmReachTheirPrograms) {
    Peer* centre = StartPeer("--name TaskCenter3");
    Peer* other = StartPeer("--name TaskCenter");
    Peer* alarms = StartPeer("", true);
    ASSERT_TRUE(centre && other && alarms);
    HWND fp = Open(OpenMode::Compact, 3); // the record's message-manager parameter
    ClickControl(FindControl(fp, kBtnFlow));
    ClickControl(FindControl(fp, kBtnCurrent));
    ClickControl(FindControl(fp, kBtnAlarm));
    ASSERT_TRUE(kt::PumpUntil(
        [&] { return centre->Requests().size() == 2 && alarms->Requests().size() == 1; }, 10000));
    auto got = centre->Requests();
    EXPECT_EQ(got[0].code, 112u);
    EXPECT_EQ(got[1].code, 110u);
    EXPECT_EQ(got[0].tag, kTag);
    EXPECT_TRUE(got[0].terminated);
    EXPECT_EQ(alarms->Requests()[0].code, 113u);
    EXPECT_EQ(alarms->Requests()[0].tag, kTag);
    EXPECT_TRUE(other->Requests().empty()) << "task centre 3 only";
}

TEST_F(HandOverTest, AnEmbeddedFaceplatesAdjustButtonAsksForAFloatingOne) {
    Peer* centre = StartPeer("--name TaskCenter");
    ASSERT_TRUE(centre);
    HWND fp = Open(OpenMode::Embedded, 0);
    ::SendMessageW(fp, WM_COMMAND, MAKEWPARAM(kBtnAdjust, BN_CLICKED), 0);
    ASSERT_TRUE(kt::PumpUntil([&] { return centre->Requests().size() == 1; }, 10000));
    EXPECT_EQ(centre->Requests()[0].code, 111u);
    EXPECT_EQ(centre->Requests()[0].tag, kTag);
}

TEST_F(HandOverTest, WithoutTheProgramTheOperatorIsToldAndTheFaceplateGoesOn) {
    MessageBoxCloser closer(200);
    HWND fp = Open(OpenMode::Compact, 0);
    ClickControl(FindControl(fp, kBtnFlow));
    ASSERT_TRUE(kt::PumpUntil([&] { return !closer.Texts().empty(); }, 10000));
    EXPECT_FALSE(closer.Texts()[0].empty());
    EXPECT_EQ(closer.Owners()[0], fp) << "owned by the faceplate, so never behind it";
    kt::PumpFor(500);
    EXPECT_TRUE(::IsWindow(fp));
    EXPECT_EQ(host->Close(kTag, 1), 1) << "the faceplate still answers the host";
}

} // namespace
