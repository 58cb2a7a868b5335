#include "CxUrl.h"
#include "DxField.h"
#include "DxSet.h"
#include "WeatherTestKit.h"

namespace
{

using namespace wxkit;

class WxKitTest : public KitTest
{
};

TEST_F(WxKitTest, TrapCatchesRequestsToOutsideHosts)
{
    KitTrap trap;
    for (const char* url : {"http://weather.example.com/data/x.kdf", "https://weather.example.com/secure"})
    {
        CxUrl request{CxString(url)};
        request.SetConnectTimeout(5);
        request.Get();
    }
    EXPECT_EQ(trap.Caught(), (std::vector<std::string>{"GET http://weather.example.com/data/x.kdf",
                                                       "CONNECT weather.example.com:443"}));
}

TEST_F(WxKitTest, KitSetAnswersItsDates)
{
    const CxDate first(2009, 7, 4, 16, 0, 0, 0);
    const std::vector<CxDate> dates = {first, first + 30.0, first + 90.0};
    DxSet* set = KitSet("fine", kDxManagerKdf, 30, dates);
    KitProduct client(nullptr);
    client.SetSet(set);
    client.DxClient::SetDates(first, first + 3600.0);
    client.SubscribeSelf();
    EXPECT_EQ(client.GetDatesForAnimation(), dates);
    EXPECT_TRUE(client.ShowsSeconds());
    EXPECT_TRUE(client.IsTemporal());
}

TEST_F(WxKitTest, InjectedFramesReachTheClient)
{
    const CxDate date(2009, 7, 4, 17, 0, 0, 0);
    KitProduct client(nullptr);
    Inject(client, KitGrid(date, 3, 2, GxPoint(-100.0, 30.0), GxPoint(0.5, 0.5), "temp:cels",
                           [](CxSint32 inI, CxSint32 inJ) { return 10.0 * inJ + inI; }));
    ASSERT_NE(client.Grid(), nullptr);
    EXPECT_EQ(client.Grid()->FindFloatField("temp:cels")->at(4), 11.0);
    Inject(client, KitTable(date, {{"id", {"KOUN", "KTUL"}}}, {{"temp:cels", {21.5, 19.0}}}));
    ASSERT_NE(client.Table(), nullptr);
    EXPECT_EQ(client.Table()->FindStringField("id")->at(1), "KTUL");
    Inject(client, KitImage(date, 2, 2, GxPoint(-100.0, 30.0), GxPoint(1.0, 1.0), {1, 2, 3, 4}));
    ASSERT_NE(client.Image(), nullptr);
    EXPECT_EQ(client.Image()->Width(), 2);
    EXPECT_EQ(client.Hooks().back(), "AcceptFrame 2009-07-04 17:00:00 UTC");
}

} // namespace
