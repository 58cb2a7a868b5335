// The weather test kit: a virtual clock for the main loop, offline data sets, frame injection, a product that
// records its hooks, fixture documents and a trap for network requests. See README.md.
#pragma once

#include "CxDate.h"
#include "CxDateTestHelpers.h"
#include "CxMessenger.h"
#include "CxTypes.h"
#include "DxClients.h"
#include "DxFrame.h"
#include "DxImage.h"
#include "DxManager.h"
#include "DxObsClient.h"
#include "DxShape.h"
#include "GxColor.h"
#include "GxCoordinates.h"
#include "LoopbackServer.h"
#include "TestSupport.h"
#include "WxProduct.h"
#include "WxProductTable.h"
#include "WxSeries.h"
#include "WxValues.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class DxSet;
class GxProjection;
class WxGraph;
class WxMap;
class WxParser;
class XmlBuilder;
class XmlElement;

class DxShape;

namespace wxkit
{

// ---- clock

// The main loop on its virtual clock, and "now" following it from a base date; TZ set for the object's life.
// Everything is put back when it goes.
class KitClock
{
public:
    explicit KitClock(const CxDate& inBase, const char* inTz = "UTC");
    ~KitClock();
    KitClock(const KitClock&) = delete;
    KitClock& operator=(const KitClock&) = delete;

    // Moves time on, firing each timer due on the way at its deadline.
    void Advance(CxSint64 inMilliseconds);
    // Moves time to the earliest timer deadline and fires what is due then; false when no timer is set.
    bool FireNext();
    // Milliseconds from now to the earliest timer deadline, -1 when no timer is set.
    CxSint64 NextDelay() const;
    CxDate Now() const;

private:
    CxDate mBase;
    sky::test::ScopedTz mTz;
    std::optional<sky::test::ScopedNow> mNow;
};

// ---- network trap

// Points http_proxy and https_proxy at a server that answers nothing useful and logs every request, CONNECT
// included; the proxy variables are put back when it goes. Loopback hosts bypass it (no_proxy).
class KitTrap
{
public:
    KitTrap();
    ~KitTrap();
    KitTrap(const KitTrap&) = delete;
    KitTrap& operator=(const KitTrap&) = delete;

    // One line per request caught: method and target.
    std::vector<std::string> Caught() const;

private:
    sky::test::LoopbackServer mServer;
    std::vector<std::pair<std::string, std::optional<std::string>>> mSaved;
};

// ---- offline environment

// A private home, the source tree's bundle and unit table, and every data manager and the set registry offline;
// the trap of KitTrap catches any request that still leaves. Data sets made during the test are deleted after it.
class KitTest : public ::testing::Test
{
protected:
    KitTest();
    ~KitTest() override;
    void SetUp() override;
    void TearDown() override;

    sky::test::TempHome mHome;
    KitTrap mTrap;
};

// A real data set with a test manager: configured, with its time resolution, and holding records for the dates
// (records of clients whose Id() is inAttributes). The registry owns it.
DxSet* KitSet(const CxString& inId, CxSint32 inKind, CxSint32 inResolution, const std::vector<CxDate>& inDates,
              const CxString& inAttributes = CxString());
// More records for a set made by KitSet.
void KitAddDates(DxSet* inSet, const std::vector<CxDate>& inDates, const CxString& inAttributes = CxString());

// The info documents of a set's cache: file name and whole text.
using KitDocuments = std::vector<std::pair<std::string, std::string>>;
// A configuration document: "<?datasetconfig version="1.0"?><root>" + body + "</root>".
std::string KitInfoDocument(const std::string& inRoot, const std::string& inBody);
// A real data set of any kind whose real manager (made through DxSet::Manager()) reads the documents, written into
// its cache's info folder first; offline, so nothing is fetched. The registry owns it.
DxSet* KitManagedSet(const CxString& inId, CxSint32 inKind, const KitDocuments& inDocuments);
// A station set (kind 1) with a real DxObsManager whose parameters are "pmsl" (mbar) and the vector "wind" of
// "samag" (mps), "dir" (degr), "ucomp" and "vcomp" (mps).
DxSet* KitWindSet(const CxString& inId);

// ---- station data and PROJ

// A station file of the shared test data (obs/*.csv: a count line, then latitude, longitude and sea-level
// pressure in mbar per line).
struct KitStations
{
    std::vector<double> mLat, mLon, mPmsl;
};
KitStations KitReadStations(const std::string& inPath);
// PROJ's cs2cs at test time: the points (x, y in km) of inTo for the given coordinates of inFrom (by default
// longitudes and latitudes in degrees on the sphere of the Lambert conformal projection).
std::vector<GxPoint> KitProj(const std::string& inTo, const std::vector<double>& inX, const std::vector<double>& inY,
                             const std::string& inFrom = "+proj=longlat +R=6367470");

// ---- frames

// Frames in the degree projection (x longitude, y latitude), dated; the caller owns each until it is injected.
using KitStrings = std::vector<std::pair<std::string, std::vector<std::string>>>;
using KitNumbers = std::vector<std::pair<std::string, std::vector<double>>>;
// A station table: string columns, then float columns (NaN for a missing value), in the order given.
DxTable* KitTable(const CxDate& inDate, const KitStrings& inStrings, const KitNumbers& inNumbers);
// One advisory record: its kind ("phenomenon"), its id, a lon/lat box in degrees and its end and expire times.
struct KitAdvisoryRecord
{
    const char* mKind;
    const char* mId;
    double mWest, mSouth, mEast, mNorth;
    const char* mEnd = "1970-01-01 00:00:00 UTC";
    const char* mExpire = "1970-01-01 00:00:00 UTC";
};
// A record's box as a closed ring of longitude, latitude pairs.
std::vector<double> KitAdvisoryRing(const KitAdvisoryRecord& inRecord);
// The advisory reader's frame of the records, in the projection: zone records name areas of the outline archive,
// the others are free polygons, each with an event of its own.
DxShape* KitAdvisoryFrame(const GxProjection& inProjection, const std::vector<KitAdvisoryRecord>& inRecords,
                          const std::string& inArchive);
// A grid of one float field: values row by row from the bottom (index i + j * width), or from a function of
// (i, j).
DxGrid* KitGrid(const CxDate& inDate, CxSint32 inWidth, CxSint32 inHeight, const GxPoint& inOrigin,
                const GxPoint& inDelta, const std::string& inFieldId, const std::vector<double>& inValues);
DxGrid* KitGrid(const CxDate& inDate, CxSint32 inWidth, CxSint32 inHeight, const GxPoint& inOrigin,
                const GxPoint& inDelta, const std::string& inFieldId,
                const std::function<double(CxSint32 inI, CxSint32 inJ)>& inValue);
// The stations as a table: string columns, then "lat:degr", "lon:degr", "pmsl:mbar" and the further float columns.
DxTable* KitStationTable(const KitStations& inStations, const KitNumbers& inMore = {},
                         const KitStrings& inStrings = {});
// A grid of several float fields, each from a function of (i, j), in the order given.
using KitCellFunction = std::function<double(CxSint32 inI, CxSint32 inJ)>;
DxGrid* KitGrid(const CxDate& inDate, CxSint32 inWidth, CxSint32 inHeight, const GxPoint& inOrigin,
                const GxPoint& inDelta, const std::vector<std::pair<std::string, KitCellFunction>>& inFields);
// The keys of the parameters a station client asks for (id, colon, unit id), each followed by a blank.
std::string KitParmKeys(const DxObsClient& inClient);
// An indexed image: palette indices top row first, or from a function of (column, row from the top), with the
// given palette.
DxIndexedImage* KitImage(const CxDate& inDate, CxSint32 inWidth, CxSint32 inHeight, const GxPoint& inOrigin,
                         const GxPoint& inPixelSize, const std::vector<CxUint8>& inPixels,
                         const GxColorTable& inColors = GxColorTable());
DxIndexedImage* KitImage(const CxDate& inDate, CxSint32 inWidth, CxSint32 inHeight, const GxPoint& inOrigin,
                         const GxPoint& inPixelSize, const std::function<CxUint8(CxSint32 inX, CxSint32 inY)>& inPixel,
                         const GxColorTable& inColors = GxColorTable());

// A station file of the shared test data (obs/<name>: a count line, then latitude,longitude,value) as a table of
// "lat:degr", "lon:degr" and the values under inFieldId; null when the file is missing (a failure when the test
// data are required).
DxTable* KitStationTable(const CxDate& inDate, const std::string& inName, const std::string& inFieldId);

// A shapefile of the shared test data (shapefile/<name>) as a frame in the degree projection, its rings in reading
// order; null when the file is missing or does not read.
DxShape* KitShapeFrame(const std::string& inName);
// A shape set (kind 2) whose real manager reads its "config.xml" offline, filling one by one or as one polygon.
DxSet* KitShapeSet(const CxString& inId, bool inIndividual);

// Hands a frame to a client as a manager would; the client owns it then.
void Inject(DxClient& ioClient, DxFrame* inFrame);

// ---- products

// A map product and data client that records its hooks ("DateChanged 2009-07-04 17:00:00 UTC", ...), reads the
// shared attributes and writes its element back as it was read. Build with Make, or let KitProductTable make it.
class KitProduct : public WxProduct, public DxClient
{
public:
    explicit KitProduct(WxMap* inMap);
    ~KitProduct() override;

    static WxProduct* Make(WxMap* inMap, const XmlElement* inXml);

    const std::vector<std::string>& Hooks() const { return mHooks; }
    void ClearHooks() { mHooks.clear(); }
    void SetReady(bool inReady) { mReady = inReady; }
    // The element's "name" attribute, to tell products apart.
    std::string Label() const;

protected:
    void OnInternalize(const XmlElement* inXml) override;
    void OnExternalize(XmlBuilder& ioBuilder) const override;
    void OnDatesChanged(const CxDate& inStart, const CxDate& inEnd) override;
    void OnIntervalChanged(CxSint64 inSeconds) override;
    void OnDateChanged(const CxDate& inDate) override;
    void OnBackgroundChanged() override;
    void OnProjectionChanged() override;
    void OnScaleChanged() override;
    void OnAlphaChanged(double inAlpha) override;
    bool OnIsReadyToDraw() const override { return mReady; }
    void OnAcceptFrame(DxFrame* inFrame) override;

private:
    std::vector<std::string> mHooks;
    std::unique_ptr<XmlElement> mElement;
    bool mReady = true;
};

// Writes an element and everything below it through a builder, as it stands.
void Rewrite(const XmlElement* inXml, XmlBuilder& ioBuilder);

// A graph data series with a settable unit and value range (read from "unit", "min" and "max" too) that writes its
// element back as it was read. It draws one line in its colour across the plot of its pane, from the lower-left
// corner to the upper-right, and its icon as the glass and shadow alone.
class KitSeries : public WxSeries, public WxDataSeries
{
public:
    explicit KitSeries(WxGraph* inGraph);
    ~KitSeries() override;

    static WxSeries* Make(WxGraph* inGraph) { return new KitSeries(inGraph); }

    void SetUnit(const DxUnit& inUnit) { mUnit = inUnit; }
    void SetRange(double inMinimum, double inMaximum);
    void SetColor(const GxColor& inColor) { mColor = inColor; }
    CxString AxisUnitId() const override { return mUnit.Id(); }
    DxUnit DataUnit() const override { return mUnit; }
    double DataMinimum() const override { return mMinimum; }
    double DataMaximum() const override { return mMaximum; }

protected:
    void OnInternalize(const XmlElement* inXml) override;
    void OnExternalize(XmlBuilder& ioBuilder) const override;
    void OnDrawSeries(GxContext& ioContext) override;
    void OnDrawIcon(GxContext& ioContext) override;

private:
    GxColor mColor{1.0, 0.0, 0.0, 1.0};
    DxUnit mUnit;
    double mMinimum = std::numeric_limits<double>::quiet_NaN();
    double mMaximum = std::numeric_limits<double>::quiet_NaN();
    std::unique_ptr<XmlElement> mElement;
};

// Fills the empty data series slots of the graph table with KitSeries::Make for its life, then empties them.
class KitSeriesTable
{
public:
    KitSeriesTable();
    ~KitSeriesTable();
    KitSeriesTable(const KitSeriesTable&) = delete;
    KitSeriesTable& operator=(const KitSeriesTable&) = delete;

private:
    std::array<bool, 2> mFilled{};
};

// The graph of Vanedoc(inGraphElement), or null when the reader refuses it.
std::unique_ptr<WxGraph> KitGraph(const std::string& inGraphElement);
// The graph written as a whole document, as the plug-in saves it.
std::string WriteDocument(const WxGraph& inGraph);

// Fills every empty slot of the product table with KitProduct::Make for its life, then empties them again.
class KitProductTable
{
public:
    KitProductTable();
    ~KitProductTable();
    KitProductTable(const KitProductTable&) = delete;
    KitProductTable& operator=(const KitProductTable&) = delete;

private:
    std::array<bool, kWxProductKinds> mFilled{};
};

// ---- documents

// The reader's wrapper: "<?vanedoc version=...?><vanedoc>" + body + "</vanedoc>".
std::string Vanedoc(const std::string& inBody, const std::string& inVersion = "1.4d1");
// A reader fed the whole text; whether it parsed is in its ErrorMessage().
std::unique_ptr<WxParser> KitParser(const std::string& inText);
// The map of Vanedoc(inMapElement), or null when the reader refuses it.
std::unique_ptr<WxMap> KitMap(const std::string& inMapElement);
// The "name" attributes of the map's KitProducts, top first, each selected one followed by "*".
std::string KitLabels(const WxMap& inMap);
// The first product element of the map element text, read by the document reader (conversions applied), owned
// by the parser left in outParser.
XmlElement* KitElement(std::unique_ptr<WxParser>& outParser, const std::string& inElement);
// The map written as a whole document, as the plug-in saves it.
std::string WriteDocument(const WxMap& inMap);
// A whole document whose "vanedoc" element holds what the function writes.
std::string WriteVanedoc(const std::function<void(XmlBuilder&)>& inBody);
// Reads the text into a map and writes it; then reads that output and writes it again. An empty text stands for
// a document that was refused.
struct RoundTripResult
{
    std::string mFirst;
    std::string mSecond;
};
RoundTripResult RoundTrip(const std::string& inText);

// A canonical fixture document of the kit's Fixtures folder, read whole; "" when missing.
std::string Fixture(const std::string& inName);

// Records every message of the messengers it is attached to, as (code, payload).
class KitRecorder : public CxReceiver
{
public:
    using Message = std::pair<CxSint32, void*>;

    void OnReceiveMessage(CxMessenger* inSender, CxSint32 inCode, void* inData) override;
    const std::vector<Message>& Messages() const { return mMessages; }
    std::vector<CxSint32> Codes() const;
    void Clear() { mMessages.clear(); }

private:
    std::vector<Message> mMessages;
};

// ---- drawing

// Gives the map the projection with bounds in degrees; kinds whose copies drop their bounds get them on the map's
// own copy.
void KitSetProjection(WxMap& ioMap, const GxProjection& inProjection, double inWest, double inSouth, double inEast,
                      double inNorth);

// The drawing tests' view: projected kilometres to pixels orthographically, inCenter at the middle of the viewport
// and inKmPerPixel kilometres to a pixel; the model-view matrix is left at identity.
void KitOrthoView(const GxPoint& inCenter, double inKmPerPixel);

} // namespace wxkit
