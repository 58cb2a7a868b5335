#include "PfEventTarget.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace pf;

constexpr FourCharCode kTest = FourCC("TEST");

TEST(PfEvent, ParamsByNameAndType)
{
    EXPECT_EQ(FourCC("CORE"), 0x434F5245u); // big-endian packed
    EXPECT_EQ(FourCC("\xff\x01\x02\x03"), 0xFF010203u);
    Event event(FourCC("CORE"), 1, 2.5);
    EXPECT_EQ(event.Class(), FourCC("CORE"));
    EXPECT_EQ(event.Kind(), 1u);
    EXPECT_EQ(event.Time(), 2.5);

    int marker = 0;
    void* pointer = &marker;
    ASSERT_EQ(event.SetParam(FourCC("JOBP"), FourCC("JOBP"), pointer), kNoErr);
    ASSERT_EQ(event.SetParam(FourCC("CMSG"), FourCC("CMSG"), std::int32_t(-7)), kNoErr);

    void* gotPointer = nullptr;
    EXPECT_EQ(event.GetParam(FourCC("JOBP"), FourCC("JOBP"), gotPointer), kNoErr);
    EXPECT_EQ(gotPointer, pointer); // all pointer bits survive
    std::int32_t code = 0;
    EXPECT_EQ(event.GetParam(FourCC("CMSG"), FourCC("CMSG"), code), kNoErr);
    EXPECT_EQ(code, -7);

    // Missing name, other type code, other size: all "not found", output untouched.
    std::int32_t untouched = 99;
    EXPECT_EQ(event.GetParam(FourCC("NONE"), FourCC("CMSG"), untouched), kEventParameterNotFound);
    EXPECT_EQ(event.GetParam(FourCC("CMSG"), kTypeSInt32, untouched), kEventParameterNotFound);
    std::int16_t small = 5;
    EXPECT_EQ(event.GetParam(FourCC("CMSG"), FourCC("CMSG"), small), kEventParameterNotFound);
    EXPECT_EQ(untouched, 99);
    EXPECT_EQ(small, 5);

    // Setting again replaces value and type.
    ASSERT_EQ(event.SetParam(FourCC("CMSG"), kTypeUInt32, std::uint32_t(3)), kNoErr);
    EXPECT_EQ(event.GetParam(FourCC("CMSG"), FourCC("CMSG"), code), kEventParameterNotFound);
    std::uint32_t value = 0;
    EXPECT_EQ(event.GetParam(FourCC("CMSG"), kTypeUInt32, value), kNoErr);
    EXPECT_EQ(value, 3u);
}

TEST(PfEvent, RawParamsReportTheirSizeAndCopyWhatFits)
{
    Event event(kTest, 0);
    const char text[] = "abcdef";
    ASSERT_EQ(event.SetParam(FourCC("TEXT"), FourCC("utf8"), text, 6), kNoErr);
    char buffer[4] = {'x', 'x', 'x', 'x'};
    std::size_t size = 0;
    EXPECT_EQ(event.GetParam(FourCC("TEXT"), FourCC("utf8"), buffer, 3, &size), kNoErr);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(std::string(buffer, 4), "abcx");
    EXPECT_EQ(event.GetParam(FourCC("TEXT"), FourCC("utf8"), nullptr, 0, &size), kNoErr);
    EXPECT_EQ(size, 6u);

    EXPECT_EQ(event.SetParam(FourCC("NULL"), FourCC("utf8"), nullptr, 2), kParamErr);
    EXPECT_FALSE(event.HasParam(FourCC("NULL")));
    EXPECT_EQ(event.SetParam(FourCC("NONE"), FourCC("utf8"), nullptr, 0), kNoErr);
    EXPECT_EQ(event.GetParam(FourCC("NONE"), FourCC("utf8"), buffer, 4, &size), kNoErr);
    EXPECT_EQ(size, 0u);
}

// Records each handler's name and answers as scripted.
struct Recorder
{
    std::vector<std::string> calls;

    EventHandler Answer(std::string inName, OSStatus inAnswer)
    {
        return [this, inName, inAnswer](HandlerCallRef, Event&)
        {
            calls.push_back(inName);
            return inAnswer;
        };
    }
};

TEST(PfEventTarget, HandlersAreAskedNewestFirstUntilOneAnswers)
{
    EventTarget target;
    Recorder rec;
    target.InstallHandler({{kTest, 1}}, rec.Answer("old", 11));
    target.InstallHandler({{kTest, 1}, {kTest, 2}}, rec.Answer("mid", kEventNotHandled));
    target.InstallHandler({{kTest, 2}}, rec.Answer("other kind", 22));
    target.InstallHandler({{kTest, 1}}, rec.Answer("new", kEventNotHandled));

    Event one(kTest, 1);
    EXPECT_EQ(target.Send(one), 11);
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"new", "mid", "old"}));

    rec.calls.clear();
    Event two(kTest, 2);
    EXPECT_EQ(target.Send(two), 22);
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"other kind"}));

    rec.calls.clear();
    Event three(kTest, 3);
    EXPECT_EQ(target.Send(three), kEventNotHandled);
    EXPECT_TRUE(rec.calls.empty());
}

TEST(PfEventTarget, CallNextRunsTheRestAndItsAnswerIsFinal)
{
    EventTarget target;
    Recorder rec;
    target.InstallHandler({{kTest, 1}}, rec.Answer("first", 5));
    target.InstallHandler({{kTest, 1}},
                          [&](HandlerCallRef inCall, Event& ioEvent)
                          {
                              rec.calls.push_back("wrapper before");
                              const OSStatus rest = CallNext(inCall, ioEvent);
                              rec.calls.push_back("wrapper after " + std::to_string(rest));
                              // Even "not handled" here must not ask the rest a second time.
                              return kEventNotHandled;
                          });

    Event event(kTest, 1);
    EXPECT_EQ(target.Send(event), kEventNotHandled);
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"wrapper before", "first", "wrapper after 5"}));
    EXPECT_EQ(CallNext(nullptr, event), kParamErr);
}

TEST(PfEventTarget, UnhandledGoesToTheParentAfterTheOwnChain)
{
    EventTarget application;
    EventTarget window(&application);
    EventTarget view(&window);
    Recorder rec;
    application.InstallHandler({{kTest, 1}}, rec.Answer("application", 3));
    window.InstallHandler({{kTest, 1}}, rec.Answer("window", kEventNotHandled));
    view.InstallHandler({{kTest, 1}}, rec.Answer("view 1", kEventNotHandled));
    view.InstallHandler({{kTest, 1}},
                        [&](HandlerCallRef inCall, Event& ioEvent)
                        {
                            rec.calls.push_back("view 2");
                            return CallNext(inCall, ioEvent); // reaches the parents too
                        });

    Event event(kTest, 1);
    EXPECT_EQ(view.Send(event), 3);
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"view 2", "view 1", "window", "application"}));

    // A cycle is refused; detaching works.
    EXPECT_FALSE(application.SetParent(&view));
    EXPECT_FALSE(view.SetParent(&view));
    EXPECT_TRUE(view.SetParent(nullptr));
    rec.calls.clear();
    EXPECT_EQ(view.Send(event), kEventNotHandled);
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"view 2", "view 1"}));
}

TEST(PfEventTarget, RemovalDuringDispatchIsSafe)
{
    EventTarget target;
    Recorder rec;
    HandlerRef oldest = target.InstallHandler({{kTest, 1}}, rec.Answer("oldest", kEventNotHandled));
    HandlerRef victim = target.InstallHandler({{kTest, 1}}, rec.Answer("victim", kEventNotHandled));
    HandlerRef self;
    self = target.InstallHandler({{kTest, 1}},
                                 [&](HandlerCallRef, Event&)
                                 {
                                     rec.calls.push_back("self");
                                     EXPECT_EQ(RemoveHandler(victim), kNoErr); // not yet asked: must not be
                                     EXPECT_EQ(RemoveHandler(self), kNoErr);   // the running handler itself
                                     return kEventNotHandled;
                                 });

    Event event(kTest, 1);
    EXPECT_EQ(target.Send(event), kEventNotHandled);
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"self", "oldest"}));
    EXPECT_EQ(target.CountHandlers(), 1u);
    EXPECT_EQ(RemoveHandler(self), kParamErr);
    EXPECT_EQ(RemoveHandler(nullptr), kParamErr);
    EXPECT_EQ(RemoveHandler(oldest), kNoErr);
    EXPECT_EQ(target.CountHandlers(), 0u);
}

TEST(PfEventTarget, DestroyedTargetsAreNoLongerAsked)
{
    Recorder rec;
    EventTarget child;
    {
        EventTarget parent;
        auto* target = new EventTarget(&parent);
        parent.InstallHandler({{kTest, 1}}, rec.Answer("parent", 1));
        target->InstallHandler({{kTest, 1}}, rec.Answer("after close", 2));
        target->InstallHandler({{kTest, 1}},
                               [&](HandlerCallRef, Event&)
                               {
                                   rec.calls.push_back("close");
                                   delete target; // a window closing itself ends the walk
                                   return kEventNotHandled;
                               });
        Event event(kTest, 1);
        EXPECT_EQ(target->Send(event), kEventNotHandled);
        child.SetParent(&parent);
        EXPECT_EQ(child.Send(event), 1);
    }
    Event event(kTest, 1);
    EXPECT_EQ(child.Send(event), kEventNotHandled);
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"close", "parent"}));
}

} // namespace
