// The selected layer's popup goes with the layer: a layer removed from the map under the mouse leaves no popup
// that would draw it after it was freed (a use after free under the address sanitizer).
#include "VaneInstanceTest.h"

#include "WxInspector.h"
#include "WxMap.h"
#include "WxProduct.h"

namespace
{

using namespace vanetest;

constexpr pf::Rect kMapRect{100, 200, 400, 260};

using MapPopupTest = InstanceTest;

TEST_F(MapPopupTest, ARemovedLayerTakesItsPopupAndTheNextDrawNeverReadsIt)
{
    struct Row
    {
        const char* what;
        int selected; // rows, top first
        int removed;
        bool popupStays;
    };
    const Row rows[] = {
        {"the selected layer", 1, 1, false},
        {"the top layer, selected", 0, 0, false},
        {"another layer", 1, 2, true},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        std::string layers;
        for (int i = 0; i < 3; ++i)
            layers += "<gridlines name=\"g" + std::to_string(i) +
                      "\" color=\"#FFFFFFFF\" latInterval=\"10\" "
                      "lonInterval=\"10\" visible=\"true\"/>";
        NPP embed =
            Show(wxkit::Vanedoc("<map color=\"#203040FF\" legendVisible=\"false\">" + layers + "</map>"), {}, kMapRect);
        MapProbe* map = Map(embed);
        ASSERT_NE(map, nullptr);
        WxMap* m = map->GetMap();
        ASSERT_EQ(m->ProductCount(), 3u);
        // Selected on the map: a popup, no panel.
        WxProduct* selected = *(m->ProductBegin() + row.selected);
        selected->SetSelected(true);
        ASSERT_NE(map->mPopup, nullptr);
        ASSERT_EQ(map->mProductInspector, nullptr);
        WxPopup* popup = map->mPopup;
        // The mouse over the map: the popup draws at the tracked position.
        m->SetTrackingPosition(m->GetMapCenter());
        map->OnMouseMoved(MouseAt(200, 130, 0));
        Draw(embed);

        delete *(m->ProductBegin() + row.removed);
        EXPECT_EQ(m->ProductCount(), 2u);
        if (row.popupStays)
            EXPECT_EQ(map->mPopup, popup);
        else
            EXPECT_EQ(map->mPopup, nullptr);
        Draw(embed);
        Destroy(embed);
    }
}

} // namespace
