#include "FxBrowser.h"

#include "CxDebug.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

namespace
{

using Words = std::vector<std::int64_t>;

struct Call
{
    int entry = -1;
    Words args;
};
std::vector<Call> sCalls;

template <class T> std::int64_t Word(T inValue)
{
    if constexpr (std::is_pointer_v<T>)
        return static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(inValue));
    else
        return static_cast<std::int64_t>(inValue);
}

// What entry N answers: -1 for errors (0xFFFF in 16 bits), true, or a value naming the entry.
template <class R> R Result(int inEntry)
{
    if constexpr (std::is_same_v<R, NPError>)
        return -1;
    else if constexpr (std::is_same_v<R, bool>)
        return true;
    else if constexpr (std::is_pointer_v<R>)
        return reinterpret_cast<R>(std::uintptr_t(0x1000 + inEntry));
    else
        return static_cast<R>(1000 + inEntry);
}

template <class F> struct Stub;
template <class R, class... A> struct Stub<R (*)(A...)>
{
    template <int N> static R Call(A... inArgs)
    {
        sCalls.push_back({N, Words{Word(inArgs)...}});
        if constexpr (!std::is_void_v<R>)
            return Result<R>(N);
    }
};

template <int N, class F> void Set(F& outEntry)
{
    outEntry = &Stub<F>::template Call<N>;
}

// A browser table whose every wrapped entry records its arguments; the entries are numbered in table order.
NPNetscapeFuncs RecordingTable()
{
    NPNetscapeFuncs t{};
    t.size = sizeof(NPNetscapeFuncs);
    t.version = 0x0117;
    Set<0>(t.geturl);
    Set<1>(t.posturl);
    Set<2>(t.requestread);
    Set<3>(t.newstream);
    Set<4>(t.write);
    Set<5>(t.destroystream);
    Set<6>(t.status);
    Set<7>(t.uagent);
    Set<8>(t.memalloc);
    Set<9>(t.memfree);
    Set<10>(t.memflush);
    Set<11>(t.reloadplugins);
    Set<12>(t.getJavaEnv);
    Set<13>(t.getJavaPeer);
    Set<14>(t.geturlnotify);
    Set<15>(t.posturlnotify);
    Set<16>(t.getvalue);
    Set<17>(t.setvalue);
    Set<18>(t.invalidaterect);
    Set<19>(t.invalidateregion);
    Set<20>(t.forceredraw);
    Set<21>(t.getstringidentifier);
    Set<22>(t.getstringidentifiers);
    Set<23>(t.getintidentifier);
    Set<24>(t.identifierisstring);
    Set<25>(t.utf8fromidentifier);
    Set<26>(t.intfromidentifier);
    Set<27>(t.createobject);
    Set<28>(t.retainobject);
    Set<29>(t.releaseobject);
    Set<30>(t.invoke);
    Set<31>(t.invokeDefault);
    Set<32>(t.evaluate);
    Set<33>(t.getproperty);
    Set<34>(t.setproperty);
    Set<35>(t.removeproperty);
    Set<36>(t.hasproperty);
    Set<37>(t.hasmethod);
    Set<38>(t.releasevariantvalue);
    Set<39>(t.setexception);
    Set<40>(t.popupcontextmenu);
    return t;
}

enum class Kind
{
    kError,
    kBool,
    kPointer,
    kInt,
    kVoid,
};

struct Row
{
    int entry;
    const char* name;
    Kind kind;
    std::function<std::int64_t()> call; // the wrapper's result as a word (0 for none)
    Words args;
};

// Distinct argument values, so a swapped or dropped argument shows.
NPP const kNpp = reinterpret_cast<NPP>(std::uintptr_t(0x51));
const char* const kA = "a";
const char* const kB = "b";
const char* const kC = "c";
auto* const kStream = reinterpret_cast<NPStream*>(std::uintptr_t(0x52));
auto* const kRanges = reinterpret_cast<NPByteRange*>(std::uintptr_t(0x53));
auto** const kStreamOut = reinterpret_cast<NPStream**>(std::uintptr_t(0x54));
void* const kBuffer = reinterpret_cast<void*>(std::uintptr_t(0x55));
auto* const kRect = reinterpret_cast<NPRect*>(std::uintptr_t(0x56));
const NPRegion kRegion = reinterpret_cast<NPRegion>(std::uintptr_t(0x57));
const NPIdentifier kId = reinterpret_cast<NPIdentifier>(std::uintptr_t(0x58));
auto* const kObject = reinterpret_cast<NPObject*>(std::uintptr_t(0x59));
auto* const kClass = reinterpret_cast<NPClass*>(std::uintptr_t(0x5A));
auto* const kVariant = reinterpret_cast<NPVariant*>(std::uintptr_t(0x5B));
auto* const kResult = reinterpret_cast<NPVariant*>(std::uintptr_t(0x5C));
auto* const kScript = reinterpret_cast<NPString*>(std::uintptr_t(0x5D));
auto* const kMenu = reinterpret_cast<NPMenu*>(std::uintptr_t(0x5E));
const NPUTF8** const kNames = reinterpret_cast<const NPUTF8**>(std::uintptr_t(0x5F));
auto* const kIds = reinterpret_cast<NPIdentifier*>(std::uintptr_t(0x60));
char kType[] = "application/x-test";

std::vector<Row> Rows()
{
    auto w = [](auto inValue) { return Word(inValue); };
    return {
        {0, "NPN_GetURL", Kind::kError, [] { return Word(NPN_GetURL(kNpp, kA, kB)); }, {w(kNpp), w(kA), w(kB)}},
        {1,
         "NPN_PostURL",
         Kind::kError,
         [] { return Word(NPN_PostURL(kNpp, kA, kB, 7, kC, 200)); },
         {w(kNpp), w(kA), w(kB), 7, w(kC), 200}},
        {2,
         "NPN_RequestRead",
         Kind::kError,
         [] { return Word(NPN_RequestRead(kStream, kRanges)); },
         {w(kStream), w(kRanges)}},
        {3,
         "NPN_NewStream",
         Kind::kError,
         [] { return Word(NPN_NewStream(kNpp, kType, kA, kStreamOut)); },
         {w(kNpp), w(static_cast<char*>(kType)), w(kA), w(kStreamOut)}},
        {4,
         "NPN_Write",
         Kind::kInt,
         [] { return Word(NPN_Write(kNpp, kStream, -9, kBuffer)); },
         {w(kNpp), w(kStream), -9, w(kBuffer)}},
        {5,
         "NPN_DestroyStream",
         Kind::kError,
         [] { return Word(NPN_DestroyStream(kNpp, kStream, -2)); },
         {w(kNpp), w(kStream), -2}},
        {6,
         "NPN_Status",
         Kind::kVoid,
         []
         {
             NPN_Status(kNpp, kA);
             return std::int64_t(0);
         },
         {w(kNpp), w(kA)}},
        {7, "NPN_UserAgent", Kind::kPointer, [] { return Word(NPN_UserAgent(kNpp)); }, {w(kNpp)}},
        {8, "NPN_MemAlloc", Kind::kPointer, [] { return Word(NPN_MemAlloc(0xFFFFFFF0u)); }, {0xFFFFFFF0ll}},
        {9,
         "NPN_MemFree",
         Kind::kVoid,
         []
         {
             NPN_MemFree(kBuffer);
             return std::int64_t(0);
         },
         {w(kBuffer)}},
        {10, "NPN_MemFlush", Kind::kInt, [] { return Word(NPN_MemFlush(12)); }, {12}},
        {11,
         "NPN_ReloadPlugins",
         Kind::kVoid,
         []
         {
             NPN_ReloadPlugins(255);
             return std::int64_t(0);
         },
         {255}},
        {12, "NPN_GetJavaEnv", Kind::kPointer, [] { return Word(NPN_GetJavaEnv()); }, {}},
        {13, "NPN_GetJavaPeer", Kind::kPointer, [] { return Word(NPN_GetJavaPeer(kNpp)); }, {w(kNpp)}},
        {14,
         "NPN_GetURLNotify",
         Kind::kError,
         [] { return Word(NPN_GetURLNotify(kNpp, kA, kB, kBuffer)); },
         {w(kNpp), w(kA), w(kB), w(kBuffer)}},
        {15,
         "NPN_PostURLNotify",
         Kind::kError,
         [] { return Word(NPN_PostURLNotify(kNpp, kA, kB, 3, kC, 1, kBuffer)); },
         {w(kNpp), w(kA), w(kB), 3, w(kC), 1, w(kBuffer)}},
        {16,
         "NPN_GetValue",
         Kind::kError,
         [] { return Word(NPN_GetValue(kNpp, NPNVsupportsCocoaBool, kBuffer)); },
         {w(kNpp), 3001, w(kBuffer)}},
        {17,
         "NPN_SetValue",
         Kind::kError,
         [] { return Word(NPN_SetValue(kNpp, NPPVpluginEventModel, kBuffer)); },
         {w(kNpp), 1001, w(kBuffer)}},
        {18,
         "NPN_InvalidateRect",
         Kind::kVoid,
         []
         {
             NPN_InvalidateRect(kNpp, kRect);
             return std::int64_t(0);
         },
         {w(kNpp), w(kRect)}},
        {19,
         "NPN_InvalidateRegion",
         Kind::kVoid,
         []
         {
             NPN_InvalidateRegion(kNpp, kRegion);
             return std::int64_t(0);
         },
         {w(kNpp), w(kRegion)}},
        {20,
         "NPN_ForceRedraw",
         Kind::kVoid,
         []
         {
             NPN_ForceRedraw(kNpp);
             return std::int64_t(0);
         },
         {w(kNpp)}},
        {21, "NPN_GetStringIdentifier", Kind::kPointer, [] { return Word(NPN_GetStringIdentifier(kA)); }, {w(kA)}},
        {22,
         "NPN_GetStringIdentifiers",
         Kind::kVoid,
         []
         {
             NPN_GetStringIdentifiers(kNames, -4, kIds);
             return std::int64_t(0);
         },
         {w(kNames), -4, w(kIds)}},
        {23, "NPN_GetIntIdentifier", Kind::kPointer, [] { return Word(NPN_GetIntIdentifier(-77)); }, {-77}},
        {24, "NPN_IdentifierIsString", Kind::kBool, [] { return Word(NPN_IdentifierIsString(kId)); }, {w(kId)}},
        {25, "NPN_UTF8FromIdentifier", Kind::kPointer, [] { return Word(NPN_UTF8FromIdentifier(kId)); }, {w(kId)}},
        {26, "NPN_IntFromIdentifier", Kind::kInt, [] { return Word(NPN_IntFromIdentifier(kId)); }, {w(kId)}},
        {27,
         "NPN_CreateObject",
         Kind::kPointer,
         [] { return Word(NPN_CreateObject(kNpp, kClass)); },
         {w(kNpp), w(kClass)}},
        {28, "NPN_RetainObject", Kind::kPointer, [] { return Word(NPN_RetainObject(kObject)); }, {w(kObject)}},
        {29,
         "NPN_ReleaseObject",
         Kind::kVoid,
         []
         {
             NPN_ReleaseObject(kObject);
             return std::int64_t(0);
         },
         {w(kObject)}},
        {30,
         "NPN_Invoke",
         Kind::kBool,
         [] { return Word(NPN_Invoke(kNpp, kObject, kId, kVariant, 5, kResult)); },
         {w(kNpp), w(kObject), w(kId), w(kVariant), 5, w(kResult)}},
        {31,
         "NPN_InvokeDefault",
         Kind::kBool,
         [] { return Word(NPN_InvokeDefault(kNpp, kObject, kVariant, 6, kResult)); },
         {w(kNpp), w(kObject), w(kVariant), 6, w(kResult)}},
        {32,
         "NPN_Evaluate",
         Kind::kBool,
         [] { return Word(NPN_Evaluate(kNpp, kObject, kScript, kResult)); },
         {w(kNpp), w(kObject), w(kScript), w(kResult)}},
        {33,
         "NPN_GetProperty",
         Kind::kBool,
         [] { return Word(NPN_GetProperty(kNpp, kObject, kId, kResult)); },
         {w(kNpp), w(kObject), w(kId), w(kResult)}},
        {34,
         "NPN_SetProperty",
         Kind::kBool,
         [] { return Word(NPN_SetProperty(kNpp, kObject, kId, kVariant)); },
         {w(kNpp), w(kObject), w(kId), w(kVariant)}},
        {35,
         "NPN_RemoveProperty",
         Kind::kBool,
         [] { return Word(NPN_RemoveProperty(kNpp, kObject, kId)); },
         {w(kNpp), w(kObject), w(kId)}},
        {36,
         "NPN_HasProperty",
         Kind::kBool,
         [] { return Word(NPN_HasProperty(kNpp, kObject, kId)); },
         {w(kNpp), w(kObject), w(kId)}},
        {37,
         "NPN_HasMethod",
         Kind::kBool,
         [] { return Word(NPN_HasMethod(kNpp, kObject, kId)); },
         {w(kNpp), w(kObject), w(kId)}},
        {38,
         "NPN_ReleaseVariantValue",
         Kind::kVoid,
         []
         {
             NPN_ReleaseVariantValue(kVariant);
             return std::int64_t(0);
         },
         {w(kVariant)}},
        {39,
         "NPN_SetException",
         Kind::kVoid,
         []
         {
             NPN_SetException(kObject, kA);
             return std::int64_t(0);
         },
         {w(kObject), w(kA)}},
        {40,
         "NPN_PopUpContextMenu",
         Kind::kError,
         [] { return Word(NPN_PopUpContextMenu(kNpp, kMenu)); },
         {w(kNpp), w(kMenu)}},
    };
}

std::int64_t Answered(const Row& inRow)
{
    switch (inRow.kind)
    {
    case Kind::kError:
        return -1;
    case Kind::kBool:
        return 1;
    case Kind::kPointer:
        return 0x1000 + inRow.entry;
    case Kind::kInt:
        return 1000 + inRow.entry;
    case Kind::kVoid:
        break;
    }
    return 0;
}

// What a wrapper answers when it may not call.
std::int64_t Refused(const Row& inRow)
{
    return inRow.kind == Kind::kError ? NPERR_GENERIC_ERROR : 0;
}

class FxBrowserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sCalls.clear();
        mTable = RecordingTable();
        gBrowser = &mTable;
    }
    void TearDown() override { gBrowser = nullptr; }

    NPNetscapeFuncs mTable{};
};

TEST_F(FxBrowserTest, EveryWrapperReachesItsEntryWithItsArgumentsUnchanged)
{
    const std::vector<Row> rows = Rows();
    ASSERT_EQ(rows.size(), 41u);
    for (const Row& row : rows)
    {
        sCalls.clear();
        EXPECT_EQ(row.call(), Answered(row)) << row.name;
        ASSERT_EQ(sCalls.size(), 1u) << row.name;
        EXPECT_EQ(sCalls[0].entry, row.entry) << row.name;
        EXPECT_EQ(sCalls[0].args, row.args) << row.name;
    }
}

TEST_F(FxBrowserTest, TheTableKeepsThePublishedOrderWithPointerSizedEntries)
{
    constexpr std::size_t kEntry = sizeof(void*);
    EXPECT_EQ(offsetof(NPNetscapeFuncs, geturl), kEntry);
    EXPECT_EQ(offsetof(NPNetscapeFuncs, forceredraw), kEntry * 21);
    EXPECT_EQ(offsetof(NPNetscapeFuncs, setexception), kEntry * 40);
    // Ten slots the program does not call lie before the context menu.
    EXPECT_EQ(offsetof(NPNetscapeFuncs, popupcontextmenu), kEntry * 51);
    EXPECT_EQ(sizeof(NPNetscapeFuncs), kEntry * 52);
    EXPECT_EQ(offsetof(NPPluginFuncs, setvalue), kEntry * 14);
}

TEST_F(FxBrowserTest, VersionSplitsTheBrowsersWordAndNamesOurs)
{
    int values[4] = {-1, -1, -1, -1};
    NPN_Version(&values[0], &values[1], &values[2], &values[3]);
    EXPECT_EQ(values[0], 0);
    EXPECT_EQ(values[1], 24);
    EXPECT_EQ(values[2], 1);
    EXPECT_EQ(values[3], 23);
    EXPECT_TRUE(sCalls.empty());
}

// The legacy entry copies only the entries up to ForceRedraw; a browser's table may also end early.
TEST_F(FxBrowserTest, MissingEntriesAreNotCalledAndAnswerAFailure)
{
    struct Case
    {
        const char* name;
        std::function<void(NPNetscapeFuncs&)> damage;
        int firstMissing; // entries from here on are missing
    };
    const std::vector<Case> cases = {
        {"legacy table: null after ForceRedraw",
         [](NPNetscapeFuncs& ioTable)
         {
             const NPNetscapeFuncs full = ioTable;
             ioTable = NPNetscapeFuncs{};
             std::memcpy(&ioTable, &full, offsetof(NPNetscapeFuncs, getstringidentifier));
         },
         21},
        {"size ends before the context menu",
         [](NPNetscapeFuncs& ioTable) { ioTable.size = offsetof(NPNetscapeFuncs, popupcontextmenu); }, 40},
        {"size ends inside SetValue",
         [](NPNetscapeFuncs& ioTable) { ioTable.size = offsetof(NPNetscapeFuncs, setvalue) + 4; }, 17},
        {"no table", [](NPNetscapeFuncs&) { gBrowser = nullptr; }, 0},
    };
    for (const Case& c : cases)
    {
        mTable = RecordingTable();
        gBrowser = &mTable;
        c.damage(mTable);
        for (const Row& row : Rows())
        {
            sCalls.clear();
            CxDebugCapture capture;
            const std::int64_t result = row.call();
            if (row.entry < c.firstMissing)
            {
                EXPECT_EQ(result, Answered(row)) << c.name << ": " << row.name;
                EXPECT_EQ(sCalls.size(), 1u) << c.name << ": " << row.name;
                EXPECT_EQ(capture.Count(), 0u) << c.name << ": " << row.name;
            }
            else
            {
                EXPECT_EQ(result, Refused(row)) << c.name << ": " << row.name;
                EXPECT_TRUE(sCalls.empty()) << c.name << ": " << row.name;
                EXPECT_EQ(capture.Count(), 1u) << c.name << ": " << row.name;
                EXPECT_TRUE(capture.Contains(row.name)) << c.name << ": " << row.name;
            }
        }
    }
}

} // namespace
