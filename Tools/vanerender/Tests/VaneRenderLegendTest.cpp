// A legend of far more layers than its column shows: the picture is that of the rows it shows.
#include "TestSupport.h"
#include "VaneRender.h"
#include "VaneRenderRun.h"

#include <gtest/gtest.h>

namespace
{

using namespace vanerun;

TEST(VaneRenderLegend, RowsBelowThePictureChangeNothingInIt)
{
    sky::test::TempHome home;
    const fs::path folder = fs::canonical(home.Path());
    for (const int layers : {30, 100000})
    {
        std::string hidden;
        for (int i = 0; i < layers; ++i)
            hidden += "<gridlines visible=\"false\"/>";
        std::string document = Document(hidden);
        document.insert(document.find("<map ") + 5, "legendVisible=\"true\" ");
        Write(folder / (std::to_string(layers) + ".vanedoc"), document);
    }
    const Outcome run = Render("30.vanedoc 100000.vanedoc --out out", folder);
    EXPECT_EQ(run.mStatus, kVaneDone) << run.mErr;
    const std::string few = Slurp(folder / "out" / "30.png");
    EXPECT_FALSE(few.empty());
    EXPECT_TRUE(few == Slurp(folder / "out" / "100000.png"));
}

} // namespace
