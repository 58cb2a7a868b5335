// On the real run loop the plug-in leaves the dates' source to its caller: none (the system's date, which follows
// suspends and clock corrections) or the one set before start-up stays in force, and one set later is obeyed.
#include "VaneAppTest.h"

#include "../../../Frameworks/CoreObjects/Tests/CxDateTestHelpers.h"
#include "CxDate.h"
#include "PfRunLoop.h"
#include "VaneEntryPoints.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

namespace
{

using namespace vanetest;

// The source in force, left in force; empty when dates are the system's.
std::function<double()> PeekNowSource()
{
    std::function<double()> source = CxSetNowSource(nullptr);
    CxSetNowSource(source);
    return source;
}

using VanePluginRealClockTest = AppTest;

TEST_F(VanePluginRealClockTest, TheDatesKeepTheCallersSource)
{
    const double before = CxDate(2015, 1, 2, 2, 5, 0, 0).AbsoluteTime();
    const double after = CxDate(2016, 3, 4, 5, 6, 7, 0).AbsoluteTime();
    const struct
    {
        const char* what;
        std::optional<double> setBefore;
    } rows[] = {{"no source", std::nullopt}, {"a fixed source", before}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        ASSERT_FALSE(PeekNowSource());
        pf::MainLoop().ResetForTesting(pf::ClockKind::kReal);
        std::unique_ptr<sky::test::ScopedNow> fixed;
        if (row.setBefore)
            fixed = std::make_unique<sky::test::ScopedNow>(*row.setBefore);
        StartHost();
        const std::function<double()> source = PeekNowSource();
        EXPECT_EQ(bool(source), bool(row.setBefore));
        if (source && row.setBefore)
        {
            EXPECT_EQ(source(), *row.setBefore);
        }
        {
            sky::test::ScopedNow later(after);
            EXPECT_EQ(CxDate().AbsoluteTime(), after);
        }
        EXPECT_EQ(bool(PeekNowSource()), bool(row.setBefore));
        EXPECT_EQ(VaneShutdown(), NPERR_NO_ERROR);
        EXPECT_EQ(bool(PeekNowSource()), bool(row.setBefore));
        fixed.reset();
    }
}

} // namespace
