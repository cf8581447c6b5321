// CMsgManager against running peer programs: the record, the target of each request, and
// what the operator sees when the target is missing or hung.
#include "KrToolkit.h"
#include "MsgManager.h"
#include "PeerFixture.h"
#include "Pump.h"
#include "Text.h"

#include <string>

using namespace icproto;

namespace {

std::wstring NotAvailableText() {
    return kfw::Widen(CKrStringDBWrapper::GetString(kNotAvailableKey));
}

using MsgManagerTest = PeerTest;

int g_ticks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) {
    ++g_ticks;
}

TEST_F(MsgManagerTest, ATagOf33CharactersIsSentZeroTerminatedAndOneOf34IsRefused) {
    Peer* centre = StartPeer("--reply 55");
    ASSERT_TRUE(centre);
    CMsgManager manager;
    const std::string tag33(33, 'A');
    EXPECT_EQ(manager.Send(tag33.c_str(), kRequestFlow, 0), 55);
    auto requests = centre->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].tag, tag33);
    EXPECT_EQ(requests[0].size, 34u);
    EXPECT_TRUE(requests[0].terminated); // byte 33 is the zero
    EXPECT_EQ(requests[0].code, kRequestFlow);

    MessageBoxCloser closer;
    EXPECT_EQ(manager.Send((tag33 + "B").c_str(), kRequestFlow, 0), 0);
    EXPECT_EQ(TracesWith("[MsgManager] Tag name is too long ,Send failed\n").size(), 1u);
    EXPECT_EQ(manager.Send(nullptr, kRequestFlow, 0), 0);
    EXPECT_EQ(centre->Requests().size(), 1u);                   // nothing sent
    EXPECT_TRUE(manager.RequestFlow((tag33 + "B").c_str(), 0)); // true whatever happened
    EXPECT_TRUE(closer.Texts().empty());
}

TEST_F(MsgManagerTest, TheTaskCentreNumberSelectsTheOperatorCentreWindow) {
    Peer* plain = StartPeer("--name TaskCenter");
    Peer* three = StartPeer("--name TaskCenter3");
    ASSERT_TRUE(plain && three);
    CMsgManager manager;
    EXPECT_TRUE(manager.RequestCurrent("FIC101", 3));
    EXPECT_TRUE(manager.RequestFlow("FIC102", 3));
    EXPECT_TRUE(manager.RequestAdjust("FIC103", 0));

    const auto r3 = three->Requests();
    ASSERT_EQ(r3.size(), 2u);
    EXPECT_EQ(r3[0].code, kRequestCurrent);
    EXPECT_EQ(r3[0].tag, "FIC101");
    EXPECT_EQ(r3[1].code, kRequestFlow);
    EXPECT_EQ(r3[1].tag, "FIC102");
    const auto r0 = plain->Requests();
    ASSERT_EQ(r0.size(), 1u);
    EXPECT_EQ(r0[0].code, kRequestAdjust);
    EXPECT_EQ(r0[0].tag, "FIC103");
    EXPECT_EQ(r0[0].window, "TaskCenter");
}

TEST_F(MsgManagerTest, RequestAlarmGoesToTheAlarmViewWhateverTheTaskCentre) {
    Peer* centre = StartPeer("--name TaskCenter5");
    Peer* alarms = StartPeer("--name AlarmView --reply 9", true);
    ASSERT_TRUE(centre && alarms);
    CMsgManager manager;
    EXPECT_TRUE(manager.RequestAlarm("TI205", 5));
    EXPECT_EQ(manager.Send("TI206", kRequestAlarm, 77), 9);

    const auto r = alarms->Requests();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].code, kRequestAlarm);
    EXPECT_EQ(r[0].tag, "TI205");
    EXPECT_EQ(r[1].tag, "TI206");
    EXPECT_TRUE(centre->Requests().empty());
}

TEST_F(MsgManagerTest, NoTargetShowsTheMessageAndLaterRequestsStillWork) {
    ASSERT_FALSE(NotAvailableText().empty());
    CMsgManager manager;
    // The calling thread keeps dispatching its messages while the message is shown.
    g_ticks = 0;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, CountTick);
    {
        MessageBoxCloser closer(300);
        EXPECT_EQ(manager.Send("FIC101", kRequestFlow, 0), kResultNoWindow);
        EXPECT_EQ(manager.Send("TI205", kRequestAlarm, 0), kResultNoWindow);
        EXPECT_TRUE(manager.RequestCurrent("FIC101", 2));
        EXPECT_EQ(closer.Texts(), std::vector<std::wstring>(3, NotAvailableText()));
    }
    ::KillTimer(nullptr, timer);
    EXPECT_GT(g_ticks, 0);

    Peer* centre = StartPeer("--name TaskCenter2 --reply 4");
    ASSERT_TRUE(centre);
    MessageBoxCloser closer;
    EXPECT_EQ(manager.Send("FIC101", kRequestCurrent, 2), 4);
    EXPECT_EQ(centre->Requests().size(), 1u);
    EXPECT_TRUE(closer.Texts().empty());
}

TEST_F(MsgManagerTest, TheNoTargetMessageIsOwnedByTheManagersWindow) {
    HWND owner = ::CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"faceplate", WS_POPUP | WS_VISIBLE,
                                   100, 100, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(owner);
    CMsgManager manager;
    manager.SetOwner(owner);
    {
        MessageBoxCloser closer(100);
        EXPECT_EQ(manager.Send("FIC101", kRequestFlow, 0), kResultNoWindow);
        ASSERT_EQ(closer.Owners().size(), 1u);
        EXPECT_EQ(closer.Owners()[0], owner) << "it stays in front of the topmost owner";
    }
    // An owner that has gone by then leaves the box without one, rather than failing it.
    ::DestroyWindow(owner);
    MessageBoxCloser closer(100);
    EXPECT_EQ(manager.Send("FIC101", kRequestFlow, 0), kResultNoWindow);
    ASSERT_EQ(closer.Owners().size(), 1u);
    EXPECT_EQ(closer.Owners()[0], nullptr);
}

TEST_F(MsgManagerTest, AHungTargetGivesTimeoutWithoutAMessage) {
    Peer* centre = StartPeer("--hang 10000");
    ASSERT_TRUE(centre);
    CMsgManager manager;
    MessageBoxCloser closer;
    EXPECT_EQ(manager.Send("FIC101", kRequestFlow, 0), kResultTimeout);
    EXPECT_EQ(centre->Requests().size(), 1u);
    EXPECT_EQ(TracesWith("[CommuWin]Send message to DOZezeru timeout\n").size(), 1u);
    EXPECT_TRUE(closer.Texts().empty());
}

} // namespace
