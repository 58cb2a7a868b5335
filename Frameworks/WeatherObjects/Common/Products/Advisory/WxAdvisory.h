// The map layer that shows warnings and advisories as polygons in their kinds' colours. The document may lay its
// own colour, fill and visibility over any kind the data set lists; those settings outlive every reload of the
// set's list. Main thread only.
#pragma once

#include "DxAdvisoryClient.h"
#include "GxColor.h"
#include "GxDisplayList.h"
#include "GxString.h"
#include "WxBalloon.h"
#include "WxProduct.h"

#include <array>
#include <memory>
#include <vector>

class DxShape;

class WxAdvisory : public WxProduct, public DxAdvisoryClient
{
public:
    using InfoIterator = std::vector<DxAdvisory>::const_iterator;

    WxAdvisory(WxMap* inMap, const XmlElement* inXml);
    ~WxAdvisory() override;
    static WxProduct* Make(WxMap* inMap, const XmlElement* inXml);

    void SetLineWidth(double inWidth);
    double LineWidth() const { return mLineWidth; }
    bool HasAdvisories() const;
    bool Filled() const;
    // The kind under the map position; "UNK" without a frame in the map's projection or outside every polygon.
    CxString GetAdvisoryFromPosition(const GxPosition& inPosition) const;
    // A default advisory when no kind has the id.
    DxAdvisory FindAdvisoryInfo(const CxString& inId) const;
    InfoIterator FindAdvisoryById(const CxString& inId) const;
    InfoIterator FindAdvisoryByName(const CxString& inName) const;
    const std::vector<DxAdvisory>& CustomAdvisories() const { return mCustomAdvisories; }

    void UpdateCustomAdvisories(DxAdvisory& ioAdvisory);
    bool ModifyAdvisory(DxAdvisory& ioAdvisory);
    void UpdateAdvisories();
    // Sends the enabled kinds to the data set.
    void EnableFlagsChanged();
    // By the kind's name; they reach the data set only at the next EnableFlagsChanged.
    void SetAdvisoryColor(const CxString& inName, const GxColor& inColor);
    void SetEnabled(const CxString& inName, bool inEnabled);
    void SetFilled(const CxString& inName, bool inFilled);
    void BuildBounds(const DxShape* inShape);

protected:
    void OnDrawProduct(GxContext& ioContext) override;
    void OnDrawIcon(GxContext& ioContext) override;
    void OnInternalize(const XmlElement* inXml) override;
    void OnExternalize(XmlBuilder& ioBuilder) const override;
    void OnDatesChanged(const CxDate& inStart, const CxDate& inEnd) override;
    void OnIntervalChanged(CxSint64 inSeconds) override;
    void OnDateChanged(const CxDate& inDate) override;
    // Serves both the map's hook and the client projector's.
    void OnProjectionChanged() override;
    void OnAlphaChanged(double inAlpha) override;
    bool OnIsReadyToDraw() const override;
    GxColor OnGetColor() const override;
    WxInspector* OnCreateLegend() override;
    WxPopup* OnCreatePopup() override;
    void OnShapeChanged() override;
    void OnSetChanged() override;
    void OnReleaseAndInvalidate() override;
    void OnAuthenticationChanged() override;

private:
    // Copies the custom advisory of the info's id, or the info, changes it and lays it over.
    template <typename Change> void ChangeByName(const CxString& inName, Change inChange);

    GxColor mColor{CxString("#00FF00")};
    double mLineWidth = 1.0;
    GxDisplayList mShapeList;
    std::vector<DxAdvisory> mCustomAdvisories;
};

// The advisory legend: a swatch and a name for each kind in the current frame, the kind under the mouse
// highlighted.
class WxAdvisoryLegend : public WxProductInspector
{
public:
    explicit WxAdvisoryLegend(WxAdvisory* inAdvisory);
    ~WxAdvisoryLegend() override;

    void OnDraw(GxContext& ioContext, const CxRect& inBounds) override;
    bool IsShown() override { return true; }
    // Each kind of the frame once, by its last occurrence from the end; kept as it was without a frame.
    void AccumulateAdvisories();
    const CxStringList& Kinds() const { return mKinds; }

private:
    WxAdvisory* mAdvisory;
    CxStringList mKinds;
};

// Where the advisory balloon goes, in window pixels with y up.
struct WxAdvisoryBalloon
{
    GxRect mBox;
    double mRowHeight = 0;
    WxPointerSide mSide = kWxPointerNone;
    GxPoint mBaseA, mBaseB, mTip; // the pointer's 12 px base and its tip
};

// The balloon for strings of the sizes (width, height), two per advisory: centred under the anchor, its top 12 px
// below it, kept 10 px inside the viewport (x, y, width, height).
WxAdvisoryBalloon WxLayoutAdvisoryBalloon(const std::vector<GxPoint>& inSizes, const GxPoint& inAnchor,
                                          const std::array<int, 4>& inViewport);

// The advisory popup: every advisory under the mouse with its swatch, its name and the time it runs until.
class WxAdvisoryPopup : public WxPopup
{
public:
    explicit WxAdvisoryPopup(WxAdvisory* inAdvisory);
    ~WxAdvisoryPopup() override;

    bool ShouldInvalidate() const override;
    void OnDraw(GxContext& ioContext) override;
    // The balloon of the current lines at the anchor (map coordinates), through the current matrices.
    void DrawTooltip(GxContext& ioContext, const GxPoint& inAnchor);
    // Time line, then name, for each advisory shown.
    const std::vector<CxString>& Lines() const { return mTexts; }

private:
    WxAdvisory* mAdvisory;
    std::unique_ptr<GxFont> mNameFont;
    std::unique_ptr<GxFont> mTimeFont;
    GxStringBunch mLines;
    std::vector<GxColor> mColors;
    std::vector<CxString> mTexts;
};
