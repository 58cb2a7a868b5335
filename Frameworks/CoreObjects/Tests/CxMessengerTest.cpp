#include "CxMessenger.h"
#include "CxDebug.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace
{

using Log = std::vector<std::string>;

// Logs "name:code" for each message; an optional action runs inside the call.
class Probe : public CxReceiver
{
public:
    Probe(Log& inLog, std::string inName) : mLog(inLog), mName(std::move(inName)) {}

    void OnReceiveMessage(CxMessenger* inSender, CxSint32 inCode, void* inData) override
    {
        lastSender = inSender;
        lastData = inData;
        mLog.push_back(mName + ":" + std::to_string(inCode));
        if (action)
        {
            auto run = action; // the action may delete this receiver
            run();
        }
    }

    std::function<void()> action;
    CxMessenger* lastSender = nullptr;
    void* lastData = nullptr;

private:
    Log& mLog;
    std::string mName;
};

void Attach(CxMessenger& ioMessenger, std::initializer_list<Probe*> inProbes)
{
    for (Probe* probe : inProbes)
        ioMessenger.AttachReceiver(probe);
}

TEST(CxMessenger, ReceiversGetEachMessageInAttachmentOrder)
{
    Log log;
    CxMessenger messenger;
    Probe a(log, "A"), b(log, "B"), c(log, "C");
    Attach(messenger, {&a, &b, &c});
    int payload = 0;
    messenger.SendMessage(1000, &payload);
    messenger.SendMessage(1001, nullptr);
    EXPECT_EQ(log, (Log{"A:1000", "B:1000", "C:1000", "A:1001", "B:1001", "C:1001"}));
    EXPECT_EQ(a.lastSender, &messenger);
    EXPECT_EQ(b.lastData, nullptr);
}

TEST(CxMessenger, SuspensionNestsAndLosesWhatIsSentMeanwhile)
{
    Log log;
    CxMessenger messenger;
    Probe a(log, "A");
    messenger.AttachReceiver(&a);
    messenger.SuspendMessaging();
    messenger.SuspendMessaging();
    messenger.ResumeMessaging();
    EXPECT_TRUE(messenger.IsSuspended());
    messenger.SendMessage(1, nullptr);
    messenger.ResumeMessaging();
    EXPECT_TRUE(messenger.IsMessaging());
    messenger.SendMessage(2, nullptr);
    messenger.ResumeMessaging(); // at 0: stays 0
    EXPECT_TRUE(messenger.IsMessaging());
    messenger.SuspendMessaging();
    EXPECT_TRUE(messenger.IsSuspended());
    EXPECT_EQ(log, (Log{"A:2"}));
}

TEST(CxMessenger, ASuspendedReceiverIsSkippedWhileOthersReceive)
{
    Log log;
    CxMessenger messenger;
    Probe a(log, "A"), b(log, "B"), c(log, "C");
    Attach(messenger, {&a, &b, &c});
    b.SuspendReceiving();
    b.SuspendReceiving();
    b.ResumeReceiving();
    EXPECT_TRUE(b.IsSuspended());
    messenger.SendMessage(5, nullptr);
    b.ResumeReceiving();
    b.ResumeReceiving();
    EXPECT_TRUE(b.IsReceiving());
    messenger.SendMessage(6, nullptr);
    EXPECT_EQ(log, (Log{"A:5", "C:5", "A:6", "B:6", "C:6"}));
}

TEST(CxMessenger, ChangesDuringASendFollowTheWalkRules)
{
    struct Case
    {
        const char* name;
        // Runs inside B's call, with the messenger and the receivers A..D (C and D still to come).
        std::function<void(CxMessenger&, Probe*&, Probe*&, Probe*&, Probe*&)> inB;
        Log expected;
        std::size_t receiversAfter;
    };
    const std::vector<Case> cases = {
        {"B detaches itself",
         [](CxMessenger& m, Probe*&, Probe*& b, Probe*&, Probe*&) { m.DetachReceiver(b); },
         {"A:1", "B:1", "C:1", "D:1"},
         3},
        {"B deletes itself",
         [](CxMessenger&, Probe*&, Probe*& b, Probe*&, Probe*&)
         {
             delete b;
             b = nullptr;
         },
         {"A:1", "B:1", "C:1", "D:1"},
         3},
        {"C detached before its turn",
         [](CxMessenger& m, Probe*&, Probe*&, Probe*& c, Probe*&) { m.DetachReceiver(c); },
         {"A:1", "B:1", "D:1"},
         3},
        {"C deleted before its turn",
         [](CxMessenger&, Probe*&, Probe*&, Probe*& c, Probe*&)
         {
             delete c;
             c = nullptr;
         },
         {"A:1", "B:1", "D:1"},
         3},
        {"A detached after its turn",
         [](CxMessenger& m, Probe*& a, Probe*&, Probe*&, Probe*&) { m.DetachReceiver(a); },
         {"A:1", "B:1", "C:1", "D:1"},
         3},
        {"everything detached",
         [](CxMessenger& m, Probe*&, Probe*&, Probe*&, Probe*&) { m.DetachAll(); },
         {"A:1", "B:1"},
         0},
        {"nested send runs in full first",
         [](CxMessenger& m, Probe*&, Probe*& b, Probe*&, Probe*&)
         {
             b->action = nullptr;
             m.SendMessage(2, nullptr);
         },
         {"A:1", "B:1", "A:2", "B:2", "C:2", "D:2", "C:1", "D:1"},
         4},
        {"suspending mid-send stops nothing already started",
         [](CxMessenger& m, Probe*&, Probe*&, Probe*&, Probe*&) { m.SuspendMessaging(); },
         {"A:1", "B:1", "C:1", "D:1"},
         4},
    };
    for (const Case& c : cases)
    {
        Log log;
        CxMessenger messenger;
        Probe* a = new Probe(log, "A");
        Probe* b = new Probe(log, "B");
        Probe* cc = new Probe(log, "C");
        Probe* d = new Probe(log, "D");
        Attach(messenger, {a, b, cc, d});
        b->action = [&] { c.inB(messenger, a, b, cc, d); };
        messenger.SendMessage(1, nullptr);
        EXPECT_EQ(log, c.expected) << c.name;
        EXPECT_EQ(messenger.CountReceivers(), c.receiversAfter) << c.name;
        for (Probe* p : {a, b, cc, d})
            delete p;
        EXPECT_EQ(messenger.CountReceivers(), 0u) << c.name;
    }
}

TEST(CxMessenger, AReceiverAttachedDuringASendIsCalledInIt)
{
    Log log;
    CxMessenger messenger;
    Probe a(log, "A"), late(log, "late");
    a.action = [&]
    {
        a.action = nullptr;
        messenger.AttachReceiver(&late);
    };
    messenger.AttachReceiver(&a);
    messenger.SendMessage(1, nullptr);
    EXPECT_EQ(log, (Log{"A:1", "late:1"}));
}

TEST(CxMessenger, AMessengerDestroyedInsideItsOwnSendEndsIt)
{
    Log log;
    auto* messenger = new CxMessenger;
    Probe a(log, "A"), b(log, "B"), c(log, "C");
    // B's message makes a nested send; the messenger dies inside the inner one.
    b.action = [&]
    {
        b.action = [&] { delete messenger; };
        messenger->SendMessage(2, nullptr);
    };
    Attach(*messenger, {&a, &b, &c});
    messenger->SendMessage(1, nullptr);
    EXPECT_EQ(log, (Log{"A:1", "B:1", "A:2", "B:2"}));
    EXPECT_EQ(a.CountMessengers(), 0u);
    EXPECT_EQ(c.CountMessengers(), 0u);
}

TEST(CxMessenger, DestroyingEitherSideUnlinksTheOther)
{
    Log log;
    CxMessenger first, second;
    auto* shared = new Probe(log, "S");
    Probe other(log, "O");
    first.AttachReceiver(shared);
    second.AttachReceiver(shared);
    second.AttachReceiver(&other);
    EXPECT_EQ(shared->CountMessengers(), 2u);
    delete shared;
    EXPECT_EQ(first.CountReceivers(), 0u);
    EXPECT_EQ(second.CountReceivers(), 1u);
    first.SendMessage(1, nullptr);
    second.SendMessage(2, nullptr);
    EXPECT_EQ(log, (Log{"O:2"}));

    {
        CxMessenger shortLived;
        shortLived.AttachReceiver(&other);
        EXPECT_EQ(other.CountMessengers(), 2u);
    }
    EXPECT_EQ(other.CountMessengers(), 1u);
}

TEST(CxMessenger, MisuseIsReportedAndTheLinksStayConsistent)
{
    Log log;
    CxMessenger messenger;
    Probe a(log, "A"), stranger(log, "X");
    CxDebugCapture capture;

    messenger.AttachReceiver(&a);
    messenger.AttachReceiver(&a);
    EXPECT_EQ(capture.Count(), 2u); // once on each side
    messenger.SendMessage(1, nullptr);
    EXPECT_EQ(log, (Log{"A:1", "A:1"}));

    capture.Clear();
    messenger.DetachReceiver(&stranger);
    EXPECT_EQ(capture.Count(), 1u);
    messenger.AttachReceiver(nullptr);
    EXPECT_EQ(messenger.CountReceivers(), 2u);

    messenger.DetachReceiver(&a);
    EXPECT_EQ(messenger.CountReceivers(), 1u);
    EXPECT_EQ(a.CountMessengers(), 1u);
    // The second link goes when the receiver does; no report.
    capture.Clear();
    messenger.DetachAll();
    EXPECT_EQ(a.CountMessengers(), 0u);
    EXPECT_EQ(capture.Count(), 0u);
}

} // namespace
