#include "CxData.h"
#include "CxDebug.h"
#include "CxRcObject.h"
#include "CxStream.h"
#include "CxString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace
{

std::vector<unsigned char> Bytes(CxData& ioData)
{
    if (ioData.GetHandle() == nullptr)
        return {};
    CxAutoLock lock(ioData);
    const auto* bytes = static_cast<const unsigned char*>(ioData.Pointer());
    return std::vector<unsigned char>(bytes, bytes + ioData.Size());
}

CxData FromText(const char* inText)
{
    return CxData(inText, CxUint32(std::strlen(inText)));
}

std::vector<unsigned char> V(const char* inText)
{
    return std::vector<unsigned char>(inText, inText + std::strlen(inText));
}

// A body that counts its live instances, to see copies made and bodies freed.
struct CountedBody : CxRcObject
{
    CountedBody() { ++sLive; }
    CountedBody(const CountedBody& inOther) : CxRcObject(inOther), mValue(inOther.mValue) { ++sLive; }
    ~CountedBody() override { --sLive; }
    int mValue = 0;
    static int sLive;
};
int CountedBody::sLive = 0;

} // namespace

TEST(CxDataTest, CopiesShareTheBodyAndCopyDoesNot)
{
    CxData original = FromText("abc");
    CxData shared(original);
    CxData assigned;
    assigned = original;
    const CxData independent = original.Copy();

    EXPECT_TRUE(shared == original);
    EXPECT_TRUE(assigned.IsEqualTo(original));
    EXPECT_FALSE(independent == original);
    EXPECT_TRUE(independent != original);
    EXPECT_EQ(Bytes(original), V("abc"));
    CxData independentCopy = independent;
    EXPECT_EQ(Bytes(independentCopy), V("abc")); // same bytes, other body

    // A write through one copy is seen through the others, not through the Copy().
    {
        CxAutoLock lock(shared);
        static_cast<char*>(shared.Pointer())[0] = 'X';
    }
    EXPECT_EQ(Bytes(assigned), V("Xbc"));
    EXPECT_EQ(Bytes(independentCopy), V("abc"));

    // Two buffers without a block are still two bodies.
    EXPECT_FALSE(CxData() == CxData());
}

TEST(CxDataTest, SetSizeIsSeenThroughEveryCopy)
{
    struct Step
    {
        CxUint32 mSize;
        const char* mExpected; // '.' marks a zero byte
    };
    const Step steps[] = {{5, "abc.."}, {2, "ab"}, {0, ""}, {3, "..."}, {400, nullptr}, {1, "."}};

    CxData a = FromText("abc");
    CxData b;
    b = a;
    CxData c(b);
    int index = 0;
    for (const Step& step : steps)
    {
        (index % 2 == 0 ? a : c).SetSize(step.mSize);
        for (CxData* data : {&a, &b, &c})
        {
            EXPECT_EQ(data->Size(), step.mSize) << "step " << index;
            if (step.mExpected != nullptr)
            {
                std::string expected = step.mExpected;
                for (char& ch : expected)
                    ch = ch == '.' ? '\0' : ch;
                EXPECT_EQ(Bytes(*data), std::vector<unsigned char>(expected.begin(), expected.end()))
                    << "step " << index;
            }
        }
        ++index;
    }
}

TEST(CxDataTest, ConstructorsGiveTheirBytes)
{
    CxData zeroed(4);
    EXPECT_EQ(Bytes(zeroed), std::vector<unsigned char>(4, 0));

    const unsigned char raw[] = {1, 0, 255};
    CxData copied(raw, 3);
    EXPECT_EQ(Bytes(copied), std::vector<unsigned char>({1, 0, 255}));

    // Size 0 still has a block; the default constructor has none.
    CxData empty(0u);
    EXPECT_NE(empty.GetHandle(), nullptr);
    EXPECT_EQ(empty.Size(), 0u);
    EXPECT_EQ(CxData().GetHandle(), nullptr);

    // Classic resources do not exist here: a buffer without a block.
    CxData resource(CxString("TEXT"), CxSint16(128));
    EXPECT_EQ(resource.GetHandle(), nullptr);
    EXPECT_EQ(resource.Size(), 0u);
}

TEST(CxDataTest, LocksNestAndEachMisuseIsReported)
{
    CxDebugCapture capture;
    CxData data = FromText("abcd");
    CxData other = data;

    data.Lock();
    other.Lock(); // the lock count belongs to the body
    data.Unlock();
    data.SetSize(1); // still locked once
    EXPECT_EQ(data.Size(), 4u);
    EXPECT_GT(capture.Count(), 0u);

    capture.Clear();
    other.Unlock();
    data.SetSize(1);
    EXPECT_EQ(data.Size(), 1u);
    EXPECT_EQ(capture.Count(), 0u);

    data.Unlock(); // a third unlock
    EXPECT_GT(capture.Count(), 0u);

    capture.Clear();
    EXPECT_NE(data.Pointer(), nullptr); // the address, though unlocked
    EXPECT_GT(capture.Count(), 0u);

    // A Copy() of a locked buffer starts unlocked.
    capture.Clear();
    CxAutoLock lock(data);
    CxData copy = data.Copy();
    copy.SetSize(10);
    EXPECT_EQ(copy.Size(), 10u);
    EXPECT_EQ(capture.Count(), 0u);
}

TEST(CxDataTest, OperationsOnAMissingBlockAreReportedAndSkipped)
{
    struct Case
    {
        const char* mName;
        std::function<void(CxData& ioNone, CxData& ioSome)> mRun;
    };
    const Case cases[] = {
        {"SetSize", [](CxData& n, CxData&) { n.SetSize(8); }},
        {"Pointer", [](CxData& n, CxData&) { EXPECT_EQ(n.Pointer(), nullptr); }},
        {"append to none", [](CxData& n, CxData& s) { n += s; }},
        {"append none", [](CxData& n, CxData& s) { s += n; }},
        {"sum of none", [](CxData& n, CxData& s) { EXPECT_EQ((n + s).Size(), 0u); }},
        {"data source",
         [](CxData& n, CxData&)
         {
             CxBinaryStream stream(n);
             EXPECT_EQ(stream.Write("ab", 2), 0u);
         }},
    };
    for (const Case& test : cases)
    {
        CxDebugCapture capture;
        CxData none;
        CxData some = FromText("xy");
        test.mRun(none, some);
        EXPECT_GT(capture.Count(), 0u) << test.mName;
        EXPECT_EQ(none.Size(), 0u) << test.mName;
        EXPECT_EQ(none.GetHandle(), nullptr) << test.mName;
        EXPECT_EQ(Bytes(some), V("xy")) << test.mName;
    }
}

TEST(CxDataTest, AppendingFollowsTheSize)
{
    CxData a = FromText("ab");
    const CxData b = FromText("cde");
    CxData aShare = a;

    const CxData sum = a + b;
    CxData sumCopy = sum;
    EXPECT_EQ(Bytes(sumCopy), V("abcde"));
    EXPECT_EQ(Bytes(a), V("ab")); // + leaves both sides alone
    EXPECT_FALSE(sum == a);

    a += b;
    EXPECT_EQ(Bytes(aShare), V("abcde"));
    EXPECT_EQ(aShare.Size(), 5u);

    CxData empty(0u);
    empty += b;
    EXPECT_EQ(Bytes(empty), V("cde"));
}

TEST(CxDataTest, AppendingABufferToItselfDoublesTheOriginalBytes)
{
    // Large enough that the block has to move while growing.
    std::string text(5000, '\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = char('a' + i % 26);
    CxData data(text.data(), CxUint32(text.size()));
    CxData same = data;
    data += same;
    const std::string doubled = text + text;
    EXPECT_EQ(Bytes(data), std::vector<unsigned char>(doubled.begin(), doubled.end()));
}

TEST(CxDataTest, AppendingToAPinnedBufferIsRefused)
{
    CxDebugCapture capture;
    CxData data = FromText("abc");
    CxBinaryStream reader(data); // a data source pins the block for its whole life
    data += FromText("0123456789012345678901234567890123456789");
    EXPECT_GT(capture.Count(), 0u);
    EXPECT_EQ(data.Size(), 3u);

    // The source's address is still good (ASan would see a moved block).
    char bytes[3] = {};
    EXPECT_EQ(reader.Read(bytes, 3), 3u);
    EXPECT_EQ(std::string(bytes, 3), "abc");
}

TEST(CxRcPointerTest, UnshareableBodiesAreCopiedOnSharing)
{
    ASSERT_EQ(CountedBody::sLive, 0);
    {
        CxRcPointer<CountedBody> first(new CountedBody);
        first->mValue = 7;
        CxRcPointer<CountedBody> second(first);
        EXPECT_EQ(first.Get(), second.Get());
        EXPECT_TRUE(first->IsShared());
        EXPECT_EQ(CountedBody::sLive, 1);

        first->MarkUnshareable();
        EXPECT_FALSE(first->IsShareable());
        CxRcPointer<CountedBody> third(first);
        EXPECT_NE(third.Get(), first.Get());
        EXPECT_EQ(third->mValue, 7);
        EXPECT_TRUE(third->IsShareable()); // a copy starts shareable, with its own count
        EXPECT_FALSE(third->IsShared());
        EXPECT_EQ(CountedBody::sLive, 2);

        CxRcPointer<CountedBody> fourth;
        fourth = third;
        EXPECT_EQ(fourth.Get(), third.Get());
        fourth = fourth; // the same body: nothing changes
        EXPECT_TRUE(third->IsShared());
        fourth = second;
        EXPECT_FALSE(third->IsShared());
    }
    EXPECT_EQ(CountedBody::sLive, 0);
}

TEST(CxRcPointerTest, CountMisuseIsReported)
{
    CxDebugCapture capture;
    {
        CountedBody body; // on the stack: nobody may delete it
        body.AddReference();
    }
    EXPECT_GT(capture.Count(), 0u);

    capture.Clear();
    {
        CountedBody body;
        body.RemoveReference();
        EXPECT_EQ(capture.Count(), 1u);
        body.AddReference();
        EXPECT_EQ(capture.Count(), 2u); // and back at 0 for a quiet end
    }
    EXPECT_EQ(CountedBody::sLive, 0);
}
