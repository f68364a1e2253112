#include "link/CommHandler.h"
#include "link/ConnectProgress.h"
#include "link/RequesterListener.h"
#include "platform/MainWindow.h"
#include "platform/PostMessage.h"
#include "support/EventLoop.h"
#include "support/FakeDriver.h"
#include "support/MessageRecorder.h"
#include "support/PromptRecorder.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<CDeviceMessage> Request(std::initializer_list<std::uint8_t> bytes)
{
    auto m = std::make_unique<CDeviceMessage>();
    for (auto b : bytes)
        m->AppendByte(b);
    return m;
}

class CommHandlerTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetMainWindowTarget(&frame);
        CCommHandler::SetDriverFactory(FakeDriver::Factory(log));
        handler = std::make_unique<CCommHandler>();
        handler->SetSilentConnect(true);
    }
    void TearDown() override
    {
        handler.reset();
        CCommHandler::SetDriverFactory({});
        SetMainWindowTarget(nullptr);
    }
    void DriverEvent(int event)
    {
        PostMessageTo(handler.get(), WM_CONNECTION_EVENT, event, 0);
        QCoreApplication::sendPostedEvents();
    }
    void Settle() { PumpFor(5); }
    void ConnectQora(ConnectionRoute route = ConnectionRoute::Direct)
    {
        handler->Connect(route, "ADDR=131");
        DriverEvent(DRIVER_OPEN_QORA);
        Settle();
    }

    MessageRecorder frame;
    FakeDriverLog log;
    std::unique_ptr<CCommHandler> handler;
};

TEST_F(CommHandlerTest, ConnectionLifeThroughCommissionMode)
{
    Settle();
    EXPECT_EQ(frame.Notices(), std::vector<ConnectionNotice>{NOTICE_DISCONNECTED}); // from construction
    handler->Connect(ConnectionRoute::Direct, "  ADDR=131 ");
    EXPECT_EQ(handler->GetState(), STATE_CONNECTING);
    EXPECT_EQ(handler->GetConnectionType(), ConnectionType::None); // a driver exists, but nothing is open yet
    EXPECT_EQ(log.opens, 1);
    EXPECT_EQ(log.connection, "  ADDR=131 ");

    DriverEvent(DRIVER_OPEN_QORA);
    EXPECT_EQ(handler->GetState(), STATE_CONNECTED);
    EXPECT_EQ(handler->GetConnectionType(), ConnectionType::Connected);

    handler->EnterCommissionMode();
    EXPECT_EQ(handler->GetState(), STATE_ENTERING_COMMISSION);
    EXPECT_EQ(log.commissions, 1);
    EXPECT_EQ(handler->GetConnectionType(), ConnectionType::Connected);

    DriverEvent(DRIVER_COMMISSION_DONE);
    EXPECT_EQ(handler->GetState(), STATE_ENTERING_COMMISSION);
    ASSERT_TRUE(PumpUntil([&] { return handler->GetState() == STATE_COMMISSION; }));
    EXPECT_EQ(handler->GetConnectionType(), ConnectionType::Commission);
    Settle();
    EXPECT_EQ(frame.Notices(), (std::vector<ConnectionNotice>{NOTICE_DISCONNECTED, NOTICE_CONNECTING, NOTICE_CONNECTED,
                                                 NOTICE_COMMISSION_REQUESTED, NOTICE_COMMISSION_ACKNOWLEDGED,
                                                 NOTICE_COMMISSION_MODE}));

    handler->Disconnect();
    EXPECT_EQ(handler->GetState(), STATE_DISCONNECTED);
    EXPECT_EQ(handler->GetDriver(), nullptr);
    EXPECT_EQ(log.stops, 1);
    EXPECT_EQ(log.destroyed, 1);
    Settle();
    EXPECT_EQ(frame.Notices().back(), NOTICE_DISCONNECTED);
}

TEST_F(CommHandlerTest, RemoteTypesAndOtherUnit)
{
    handler->Connect(ConnectionRoute::Browsed, "ADDR=7");
    DriverEvent(DRIVER_OPEN_OTHER_UNIT);
    EXPECT_EQ(handler->GetState(), STATE_CONNECTED);
    EXPECT_EQ(handler->GetConnectionType(), ConnectionType::ConnectedBrowsed);
    handler->EnterCommissionMode();
    DriverEvent(DRIVER_COMMISSION_DONE);
    ASSERT_TRUE(PumpUntil([&] { return handler->GetState() == STATE_COMMISSION; }));
    EXPECT_EQ(handler->GetConnectionType(), ConnectionType::CommissionBrowsed);
    Settle();
    EXPECT_TRUE(frame.HasNotice(NOTICE_CONNECTED_OTHER_UNIT));
    EXPECT_FALSE(frame.HasNotice(NOTICE_CONNECTED));
}

TEST_F(CommHandlerTest, RequestsThatDoNothing)
{
    handler->EnterCommissionMode(); // no driver
    handler->Disconnect();
    handler->CloseConnection();
    handler->Connect(ConnectionRoute::Direct, "ADDR=1");
    Settle();
    const auto before = frame.Notices().size();
    handler->Connect(ConnectionRoute::Direct, "ADDR=2"); // a driver exists already
    handler->EnterCommissionMode(); // state 1
    EXPECT_EQ(log.opens, 1);
    EXPECT_EQ(log.commissions, 0);
    DriverEvent(DRIVER_OPEN_QORA);
    handler->EnterCommissionMode();
    handler->EnterCommissionMode(); // state 4
    DriverEvent(DRIVER_COMMISSION_DONE);
    ASSERT_TRUE(PumpUntil([&] { return handler->GetState() == STATE_COMMISSION; }));
    handler->EnterCommissionMode(); // state 5
    EXPECT_EQ(log.commissions, 1);
    DriverEvent(42); // unknown events are ignored
    Settle();
    // connected, commission requested, acknowledged, commission mode: nothing more
    EXPECT_EQ(frame.Notices().size() - before, 4u);

    const auto notices = frame.received.size();
    handler->CloseConnection(); // silent
    Settle();
    EXPECT_EQ(frame.received.size(), notices);
    EXPECT_EQ(handler->GetState(), STATE_DISCONNECTED);
}

TEST_F(CommHandlerTest, FailedOpenTearsDownAndEmptiesTheQueues)
{
    handler->Connect(ConnectionRoute::Direct, "ADDR=1");
    SendToHandler(handler.get(), Request({0x84, 9, 0x17, 1, 0, 0x90, 0x04}));
    SendToHandler(handler.get(), Request({0x84, 9, 0x17, 1, 0, 0x90, 0x05}));
    EXPECT_EQ(handler->SendQueueLength(), 2u); // queued while connecting
    EXPECT_EQ(log.sends, 2);
    DriverEvent(DRIVER_OPEN_FAILED);
    EXPECT_EQ(handler->GetState(), STATE_DISCONNECTED);
    EXPECT_EQ(handler->GetDriver(), nullptr);
    EXPECT_EQ(log.stops, 1);
    EXPECT_EQ(handler->SendQueueLength(), 0u);
    Settle();
    EXPECT_EQ(frame.Notices().back(), NOTICE_CONNECT_FAILED);
}

TEST_F(CommHandlerTest, LateEventsOfAClosedConnectionAreIgnored)
{
    ConnectQora();
    handler->EnterCommissionMode();
    DriverEvent(DRIVER_COMMISSION_DONE); // commission timer running
    handler->Disconnect();
    PostMessageTo(handler.get(), WM_CONNECTION_EVENT, DRIVER_OPEN_FAILED, 0);
    PostMessageTo(handler.get(), WM_CONNECTION_EVENT, DRIVER_OPEN_QORA, 0);
    PumpFor(60);
    EXPECT_EQ(handler->GetState(), STATE_DISCONNECTED);
    EXPECT_EQ(frame.Notices().back(), NOTICE_DISCONNECTED);
    EXPECT_FALSE(frame.HasNotice(NOTICE_COMMISSION_MODE));
    EXPECT_FALSE(frame.HasNotice(NOTICE_CONNECT_FAILED));
}

TEST_F(CommHandlerTest, SendWhileDisconnectedFailsOnceAtEveryListener)
{
    PromptRecorder prompts;
    MessageRecorder a, b;
    handler->AddListener(&a);
    handler->AddListener(&b);
    handler->AddListener(&a);
    EXPECT_EQ(handler->ListenerCount(), 2u);
    SendToHandler(handler.get(), Request({0x84, 0x10, 0x05, 0xC0}));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("The device is not connected."));
    EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::Ok);
    Settle();
    for (MessageRecorder* listener : {&a, &b}) {
        const auto messages = listener->DeviceMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].wParam, 0u);
        EXPECT_EQ(messages[0].lParam, 0x841005);
    }
    EXPECT_EQ(handler->SendQueueLength(), 0u);
    EXPECT_EQ(log.sends, 0);
}

// The question goes to the agent set on this handler, not to the process's
// message box; a handler without one still uses the default.
TEST_F(CommHandlerTest, TheUserIsAskedThroughTheHandlersOwnAgent)
{
    struct Agent : IUserQueryAgent {
        std::vector<MessageBoxRequest> asked;
        MsgAnswer Ask(const MessageBoxRequest& request) override
        {
            asked.push_back(request);
            return MsgAnswer::Ok;
        }
    } agent;
    PromptRecorder prompts;
    handler->SetUserQueryAgent(&agent);
    SendToHandler(handler.get(), Request({0x84, 0x10, 0x05, 0xC0}));
    ASSERT_EQ(agent.asked.size(), 1u);
    EXPECT_EQ(agent.asked[0].text, QStringLiteral("The device is not connected."));
    EXPECT_TRUE(prompts.shown.empty());

    CCommHandler other;
    SendToHandler(&other, Request({0x84, 0x10, 0x05, 0xC0}));
    EXPECT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(agent.asked.size(), 1u);

    handler->SetUserQueryAgent(nullptr);
    SendToHandler(handler.get(), Request({0x84, 0x10, 0x05, 0xC0}));
    EXPECT_EQ(prompts.shown.size(), 2u);
    Settle();
}

TEST_F(CommHandlerTest, FailureNoticesReachEveryListenerAndNameTheirRequester)
{
    PromptRecorder prompts;
    RequesterListener a, b;
    handler->AddListener(&a);
    handler->AddListener(&b);

    // Refused while disconnected: the handler's own notice names the sender.
    SendToHandler(handler.get(), Request({0x84, 9, 0x17, 1, 0, 0x90, 0x04}), &a);
    // A request nobody claims fails for everybody, as it always did.
    SendToHandler(handler.get(), Request({0x84, 4, 0x17, 1, 0, 0x10, 0x01}));
    Settle();
    EXPECT_EQ(a.ownFailures, (std::vector<bool>{true, true}));
    EXPECT_EQ(b.ownFailures, (std::vector<bool>{false, true}));

    // A failure the driver reports is passed on with its requester.
    ConnectQora();
    PostMessageTo(handler.get(), WM_DEVICE_MESSAGE, 0, 0x840917, b.Serial());
    // A requester that has gone meanwhile is nobody here.
    TargetSerial gone = kNoRequester;
    {
        MessageRecorder closed;
        gone = closed.Serial();
    }
    PostMessageTo(handler.get(), WM_DEVICE_MESSAGE, 0, 0x840917, gone);
    Settle();
    EXPECT_EQ(a.ownFailures, (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(b.ownFailures, (std::vector<bool>{false, true, true, false}));
    // What a listener sees of the notice itself is unchanged: wParam 0, the packed header.
    for (RequesterListener* listener : {&a, &b}) {
        const auto messages = listener->DeviceMessages();
        ASSERT_EQ(messages.size(), 4u);
        EXPECT_EQ(messages[0].lParam, 0x840917);
        EXPECT_EQ(messages[1].lParam, 0x840417);
        EXPECT_EQ(messages[3].wParam, 0u);
        EXPECT_EQ(messages[3].lParam, 0x840917);
    }
    // A message sent directly is nobody's failure in particular.
    a.Send(WM_DEVICE_MESSAGE, 0, 0x840917);
    EXPECT_TRUE(a.ownFailures.back());
}

TEST_F(CommHandlerTest, EachReceivedMessageIsCopiedToLiveListenersOnce)
{
    ConnectQora();
    MessageRecorder first, second;
    auto* gone = new MessageRecorder;
    handler->AddListener(&first);
    handler->AddListener(gone);
    handler->AddListener(&second);
    delete gone; // destroyed without unregistering: skipped, but stays registered
    handler->RemoveListener(reinterpret_cast<CMessageTarget*>(0x1234)); // absent: nothing

    handler->PushReceiveQueue(Request({0x84, 9, 0x18, 1}));
    PostMessageTo(handler.get(), WM_DEVICE_MESSAGE, 1, 1);
    PostMessageTo(handler.get(), WM_DEVICE_MESSAGE, 1, 1); // one message, two notices
    PostMessageTo(handler.get(), WM_DEVICE_MESSAGE, 0, 0x830000 | 0x1225);
    Settle();
    EXPECT_EQ(handler->ListenerCount(), 3u);
    EXPECT_EQ(handler->ReceiveQueueLength(), 0u);
    for (MessageRecorder* listener : {&first, &second}) {
        const auto messages = listener->DeviceMessages();
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(messages[0].wParam, 1u);
        EXPECT_EQ(messages[0].bytes, (std::vector<std::uint8_t>{0x84, 9, 0x18, 1}));
        EXPECT_EQ(messages[1].wParam, 0u);
        EXPECT_EQ(messages[1].lParam, 0x831225);
    }

    handler->RemoveListener(&first);
    handler->PushReceiveQueue(Request({1, 2, 3}));
    PostMessageTo(handler.get(), WM_DEVICE_MESSAGE, 1, 1);
    Settle();
    EXPECT_EQ(first.DeviceMessages().size(), 2u);
    EXPECT_EQ(second.DeviceMessages().size(), 3u);
}

TEST_F(CommHandlerTest, ReceivedMessagesWithoutListenersAreDropped)
{
    ConnectQora();
    handler->PushReceiveQueue(Request({1, 2, 3}));
    PostMessageTo(handler.get(), WM_DEVICE_MESSAGE, 1, 1);
    Settle();
    EXPECT_EQ(handler->ReceiveQueueLength(), 0u);
}

TEST_F(CommHandlerTest, ConnectingWindowOpensAndClosesWithTheConnection)
{
    handler->SetSilentConnect(false);
    handler->Connect(ConnectionRoute::Direct, "ADDR=1");
    ASSERT_NE(handler->GetConnectProgress(), nullptr);
    EXPECT_TRUE(handler->GetConnectProgress()->IsActive());
    DriverEvent(DRIVER_OPEN_QORA);
    ASSERT_TRUE(PumpUntil([&] { return !handler->GetConnectProgress()->IsActive(); }));
    EXPECT_FALSE(handler->GetConnectProgress()->WasCancelled());

    handler->Disconnect();
    handler->SetSilentConnect(true);
    handler->Connect(ConnectionRoute::Direct, "ADDR=1"); // the automatic reconnection shows nothing
    EXPECT_FALSE(handler->GetConnectProgress()->IsActive());
}

} // namespace
