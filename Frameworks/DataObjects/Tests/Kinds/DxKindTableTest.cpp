#include "DxSet.h"

#include <gtest/gtest.h>

#include <utility>

namespace
{

int gStandInCalls = 0;
CxString gStandInId;

DxManager* StandIn(const CxString& inId)
{
    ++gStandInCalls;
    gStandInId = inId;
    return nullptr;
}

} // namespace

// The table registers on the first manager: a finder given before then (a test's stand-in) must not be replaced.
TEST(DxKindTableTest, AFinderSetBeforeTheFirstManagerStays)
{
    DxSet::SetFindManager(kDxManagerShp, &StandIn);
    DxSet set("kind-table-shapes", kDxManagerShp);
    EXPECT_EQ(set.Manager(), nullptr);
    EXPECT_EQ(gStandInCalls, 1);
    EXPECT_EQ(gStandInId, CxString("kind-table-shapes"));
    EXPECT_EQ(set.ShapeManager(), nullptr);
}

TEST(DxKindTableTest, AFinderSetLaterReplacesTheTables)
{
    DxSet first("kind-table-first", kDxManagerMosaic);
    EXPECT_EQ(first.Manager(), nullptr); // no kind of the table serves mosaics
    DxSet::SetFindManager(kDxManagerKts, &StandIn);
    DxSet series("kind-table-series", kDxManagerKts);
    EXPECT_EQ(series.Manager(), nullptr);
    EXPECT_EQ(gStandInCalls, 1);
}

// Kinds the table leaves out have no manager, and an empty id none either.
TEST(DxKindTableTest, KindsWithoutAFinderAndEmptyIdsGetNoManager)
{
    const std::pair<const char*, CxSint32> kinds[] = {{"kind-table-none", kDxManagerNone},
                                                      {"kind-table-mosaic", kDxManagerMosaic},
                                                      {"kind-table-atlas", kDxManagerAtlas},
                                                      {"kind-table-unknown", 42}};
    for (const auto& [id, kind] : kinds)
    {
        DxSet set(id, kind);
        EXPECT_EQ(set.Manager(), nullptr) << id;
    }
    DxSet empty("", kDxManagerKdf);
    EXPECT_EQ(empty.Manager(), nullptr);
    EXPECT_EQ(empty.ObsManager(), nullptr);
}
