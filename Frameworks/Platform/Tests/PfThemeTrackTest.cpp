// The slider track custom controls draw: where the thumb lands for values in, beyond and without a range.
#include "PfRecordingCanvas.h"
#include "PfTheme.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace
{

using namespace pf;

// The extent of every point the operations after the track touch: the thumb.
Rect ThumbExtent(const std::vector<Operation>& inOperations)
{
    double left = std::numeric_limits<double>::max(), top = left;
    double right = std::numeric_limits<double>::lowest(), bottom = right;
    for (std::size_t i = 1; i < inOperations.size(); ++i)
        for (const PathElement& element : inOperations[i].mPath)
        {
            if (element.mKind == PathElement::kClose)
                continue;
            left = std::min(left, element.mPoint.x);
            right = std::max(right, element.mPoint.x);
            top = std::min(top, element.mPoint.y);
            bottom = std::max(bottom, element.mPoint.y);
        }
    return Rect{left, top, right - left, bottom - top};
}

TEST(PfThemeTrackTest, TheThumbStaysWithinTheTrack)
{
    const struct
    {
        Rect track;
        double minimum, maximum, value;
        double thumbX, thumbY;
    } cases[] = {
        {{10, 20, 100, 10}, 0, 100, 200, 100, 20}, // past the maximum: at the end
        {{10, 20, 100, 10}, 0, 100, 100, 100, 20}, {{10, 20, 100, 10}, 0, 100, 50, 55, 20},
        {{10, 20, 100, 10}, 0, 100, -5, 10, 20},   {{10, 20, 100, 10}, 5, 5, 7, 10, 20}, // no range
        {{10, 20, 100, 30}, 0, 100, 100, 96, 28},                                        // thumb at most 14
        {{10, 20, 10, 100}, 0, 100, 100, 10, 110},                                       // upright
    };
    for (const auto& c : cases)
    {
        RecordingCanvas canvas(300, 300);
        DrawThemeTrack(canvas, c.track, c.minimum, c.maximum, c.value, true);
        const std::vector<Operation>& operations = canvas.Operations();
        ASSERT_GE(operations.size(), 2U);
        const Rect thumb = ThumbExtent(operations);
        EXPECT_NEAR(thumb.x, c.thumbX, 0.51) << c.value;
        EXPECT_NEAR(thumb.y, c.thumbY, 0.51) << c.value;
        EXPECT_LE(thumb.x + thumb.w, c.track.x + c.track.w + 0.51) << c.value;
        EXPECT_LE(thumb.y + thumb.h, c.track.y + c.track.h + 0.51) << c.value;
    }
    RecordingCanvas empty(300, 300);
    DrawThemeTrack(empty, Rect{10, 20, 0, 10}, 0, 100, 50, true);
    EXPECT_TRUE(empty.Operations().empty());
}

} // namespace
