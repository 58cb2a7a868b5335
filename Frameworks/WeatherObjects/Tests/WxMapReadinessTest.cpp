// When a map tells its listeners that its products changed: once every product is ready to draw, after each change,
// and once for all the changes a document's reading makes. Reading or dismantling a map asks each product's
// readiness a few times, not once per change of every other product.
#include "WxMap.h"

#include "WeatherTestKit.h"
#include "WxProductTable.h"

#include <memory>
#include <string>
#include <vector>

namespace
{

using namespace wxkit;

int sAsked = 0;

// A kit product that counts the questions about its readiness and reports a change as it goes, as a data
// product leaving its set may.
class CountingProduct : public KitProduct
{
public:
    using KitProduct::KitProduct;
    ~CountingProduct() override { SetStatus(CxString("gone")); }

    static WxProduct* Make(WxMap* inMap, const XmlElement* inXml)
    {
        auto* product = new CountingProduct(inMap);
        product->Internalize(inXml);
        return product;
    }

protected:
    bool OnIsReadyToDraw() const override
    {
        ++sAsked;
        return KitProduct::OnIsReadyToDraw();
    }
};

class WxMapReadinessTest : public KitTest
{
protected:
    KitProductTable mTable;
};

TEST_F(WxMapReadinessTest, ReadingAndDismantlingAskEachProductAFewTimes)
{
    const WxProductFactory kept = WxSetProductFactory(CxString("obs"), &CountingProduct::Make);
    constexpr int kProducts = 2000;
    std::string element = "<map date=\"2009-07-04 17:00:00 UTC\">";
    for (int i = 0; i < kProducts; ++i)
        element += "<obs name=\"" + std::to_string(i) + "\" alpha=\"0.5\" visible=\"true\"/>";
    element += "</map>";
    sAsked = 0;
    auto map = KitMap(element);
    ASSERT_EQ(map->ProductCount(), std::size_t(kProducts));
    EXPECT_LE(sAsked, 2 * kProducts);
    sAsked = 0;
    map.reset();
    EXPECT_LE(sAsked, kProducts);
    WxSetProductFactory(CxString("obs"), kept);
}

// Rows of changes, with or without a pause (as reading holds one), and the messages they give: 1000 for a change,
// 1003 for a data change, only while every product is ready.
TEST_F(WxMapReadinessTest, ChangesAreToldOnceEveryProductIsReady)
{
    enum Act
    {
        kAlpha,   // a change
        kStatus,  // a data change
        kReady,   // the second product becomes ready (no message of its own)
        kUnready, // the second product stops being ready
        kPause,   // a pause begins
        kResume   // the innermost pause ends
    };
    struct Row
    {
        const char* what;
        std::vector<Act> acts;
        std::vector<CxSint32> codes;
    };
    const Row rows[] = {
        {"each change told", {kAlpha, kStatus, kAlpha}, {1000, 1003, 1000}},
        {"nothing while one is not ready", {kUnready, kAlpha, kStatus}, {}},
        {"told again once it is ready", {kUnready, kAlpha, kReady, kStatus}, {1003}},
        {"a pause tells each kind once", {kPause, kAlpha, kStatus, kAlpha, kStatus, kResume}, {1000, 1003}},
        {"a pause of changes only", {kPause, kAlpha, kAlpha, kResume}, {1000}},
        {"a pause without changes tells nothing", {kPause, kResume}, {}},
        {"a pause ending before all are ready", {kUnready, kPause, kAlpha, kResume, kReady}, {}},
        {"ready within the pause", {kUnready, kPause, kAlpha, kReady, kResume}, {1000}},
        {"nested pauses tell at the last", {kPause, kPause, kStatus, kResume, kAlpha, kResume}, {1000, 1003}},
        {"after a pause, each change told", {kPause, kResume, kAlpha, kAlpha}, {1000, 1000}},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        auto map = KitMap("<map date=\"2009-07-04 17:00:00 UTC\"><obs name=\"b\"/><obs name=\"a\"/></map>");
        auto* first = dynamic_cast<KitProduct*>(*map->ProductBegin());
        auto* second = dynamic_cast<KitProduct*>(*(map->ProductBegin() + 1));
        ASSERT_NE(first, nullptr);
        ASSERT_NE(second, nullptr);
        KitRecorder recorder;
        map->AttachReceiver(&recorder);
        std::vector<std::unique_ptr<WxMap::ReadyCheckPause>> pauses;
        double alpha = 0.5;
        for (const Act act : row.acts)
        {
            switch (act)
            {
            case kAlpha:
                alpha += 0.05;
                first->SetAlpha(alpha);
                break;
            case kStatus:
                first->SetStatus(CxString(alpha, 2));
                break;
            case kReady:
                second->SetReady(true);
                break;
            case kUnready:
                second->SetReady(false);
                break;
            case kPause:
                pauses.push_back(std::make_unique<WxMap::ReadyCheckPause>(*map));
                break;
            case kResume:
                pauses.pop_back();
                break;
            }
        }
        EXPECT_EQ(recorder.Codes(), row.codes);
        map->DetachReceiver(&recorder);
    }
}

} // namespace
