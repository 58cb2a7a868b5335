#include "WxAdvisory.h"

#include "WxDrawSupport.h"

#include "DxAdvisoryManager.h"
#include "DxSet.h"
#include "DxShape.h"
#include "GxContext.h"
#include "GxProjection.h"
#include "GxString.h"
#include "WxMap.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <memory>
#include <set>

WxAdvisoryBalloon WxLayoutAdvisoryBalloon(const std::vector<GxPoint>& inSizes, const GxPoint& inAnchor,
                                          const std::array<int, 4>& inViewport)
{
    WxAdvisoryBalloon balloon;
    if (inSizes.size() < 2)
        return balloon;
    double width = 0.0;
    for (const GxPoint& size : inSizes)
        width = std::max(width, size.mX);
    width += 24.0;
    balloon.mRowHeight = inSizes[0].mY + inSizes[1].mY + 6.0;
    const double height = double(inSizes.size() / 2) * balloon.mRowHeight;
    const GxPoint tip(std::floor(inAnchor.mX), std::floor(inAnchor.mY));
    GxRect& b = balloon.mBox;
    b = GxRect(tip.mX - width / 2.0, tip.mY - 12.0 - height, tip.mX + width / 2.0, tip.mY - 12.0);
    WxKeepBalloonInside(b, inViewport);
    balloon.mSide = WxBalloonPointerSide(tip, b);
    balloon.mTip = tip;
    const double midX = (b.mLeft + b.mRight) / 2.0, midY = (b.mBottom + b.mTop) / 2.0;
    switch (balloon.mSide)
    {
    case kWxPointerTop:
    case kWxPointerBottom:
    {
        const double y = balloon.mSide == kWxPointerTop ? b.mTop : b.mBottom;
        balloon.mBaseA = GxPoint(midX - 6.0, y);
        balloon.mBaseB = GxPoint(midX + 6.0, y);
        break;
    }
    case kWxPointerLeft:
    case kWxPointerRight:
    {
        const double x = balloon.mSide == kWxPointerLeft ? b.mLeft : b.mRight;
        balloon.mBaseA = GxPoint(x, midY - 6.0);
        balloon.mBaseB = GxPoint(x, midY + 6.0);
        break;
    }
    case kWxPointerNone:
        balloon.mBaseA = balloon.mBaseB = balloon.mTip;
        break;
    }
    return balloon;
}

WxAdvisoryPopup::WxAdvisoryPopup(WxAdvisory* inAdvisory)
    : mAdvisory(inAdvisory), mNameFont(std::make_unique<GxFont>(CxUint32(0), 8)),
      mTimeFont(std::make_unique<GxFont>(CxUint32(0), 7))
{
}

WxAdvisoryPopup::~WxAdvisoryPopup() = default;

bool WxAdvisoryPopup::ShouldInvalidate() const
{
    return mAdvisory->HasAdvisories() && mAdvisory->IsVisible();
}

void WxAdvisoryPopup::OnDraw(GxContext& ioContext)
{
    if (!mAdvisory->IsVisible())
        return;
    mColors.clear();
    mTexts.clear();
    mLines.Clear();
    const DxShape* shape = mAdvisory->Shape();
    const WxMap* map = mAdvisory->Map();
    if (shape == nullptr || shape->CountPolygons() == 0 || map == nullptr)
        return;
    const DxStringField* kinds = shape->FindStringField(CxString("phenomenon"));
    const DxStringField* ids = shape->FindStringField(CxString("id"));
    const DxDateField* expires = shape->FindDateField(CxString("expireTime"));
    const DxDateField* ends = shape->FindDateField(CxString("endTime"));
    if (kinds == nullptr || ids == nullptr || expires == nullptr || ends == nullptr)
        return;
    const GxPoint point = shape->Projection()->Project(map->TrackingPosition());
    const GxPoint anchor = map->Projection()->Project(map->TrackingPosition());
    DxAdvisoryManager* manager = mAdvisory->Set() != nullptr ? mAdvisory->Set()->AdvisoryManager() : nullptr;
    const CxTimeZone zone;
    const CxDate none(CxString("1970-01-01 00:00:00 UTC"));
    const CxString today = map->Date().AsString(CxString("%D"), zone);
    std::set<std::string> shown;
    const std::size_t count =
        std::min({std::size_t(shape->CountPolygons()), kinds->size(), ids->size(), expires->size(), ends->size()});
    for (std::size_t i = 0; i < count; ++i)
    {
        const CxDate end = (*ends)[i] == none ? (*expires)[i] : (*ends)[i];
        if (!shape->Polygons()[i]->Contains(point) || !shown.insert(((*ids)[i] + (*kinds)[i]).AsUtf8()).second)
            continue;
        mColors.emplace_back(mAdvisory->FindAdvisoryInfo((*kinds)[i]).Color());
        CxString time = end.AsString(kCxDateFormatShortTime, zone) + end.AsString(CxString(" %Z"), zone);
        if (end.AsString(CxString("%D"), zone) != today)
            time += CxString(" ") + end.AsString(kCxDateFormatShortDate, zone);
        mTexts.push_back(CxString("until ") + time);
        mTexts.push_back(manager != nullptr ? manager->GetProductName((*kinds)[i]) : CxString("Unknown"));
    }
    for (std::size_t i = 0; i < mTexts.size(); ++i)
        mLines.AddString(ioContext, mTexts[i], i % 2 == 0 ? mTimeFont.get() : mNameFont.get());
    if (!mTexts.empty())
        DrawTooltip(ioContext, anchor);
}

void WxAdvisoryPopup::DrawTooltip(GxContext& ioContext, const GxPoint& inAnchor)
{
    std::vector<GxPoint> sizes;
    std::vector<GxString*> strings(mLines.begin(), mLines.end());
    for (const GxString* line : strings)
        sizes.emplace_back(line->Width(), line->Height());
    if (sizes.size() < 2)
        return;
    GxPoint window;
    std::array<int, 4> viewport{};
    WxBalloonWindowPoint(inAnchor, window, viewport);
    const WxAdvisoryBalloon balloon = WxLayoutAdvisoryBalloon(sizes, window, viewport);
    const GxRect& b = balloon.mBox;
    const double h = balloon.mRowHeight;

    WxBeginBalloon(ioContext, viewport, true);
    ioContext.LineWidth(1.0f);
    auto quad = [](double inL, double inB, double inR, double inT, double inZ)
    {
        glVertex3d(inL, inB, inZ);
        glVertex3d(inR, inB, inZ);
        glVertex3d(inR, inT, inZ);
        glVertex3d(inL, inT, inZ);
    };

    glColor4d(0.0, 0.0, 0.0, 0.4);
    glBegin(GL_QUADS);
    quad(b.mRight, b.mBottom - 3.0, b.mRight + 3.0, b.mTop - 3.0, 0.0);
    quad(b.mLeft + 3.0, b.mBottom - 3.0, b.mRight, b.mBottom, 0.0);
    glEnd();

    glColor4d(1.0, 1.0, 0.9, 1.0);
    glBegin(GL_TRIANGLES);
    for (const GxPoint& p : {balloon.mBaseA, balloon.mTip, balloon.mBaseB})
        glVertex3d(p.mX, p.mY, -1.0);
    glEnd();
    glBegin(GL_QUADS);
    quad(b.mLeft, b.mBottom, b.mRight, b.mTop, -1.0);
    glEnd();

    for (std::size_t i = 0; i < mColors.size(); ++i)
    {
        const double bottom = b.mBottom + 4.0 + double(i) * h;
        WxGlColor(mColors[i], 1.0);
        glBegin(GL_QUADS);
        quad(b.mLeft + 4.0, bottom, b.mLeft + 16.0, bottom + h - 8.0, -1.0);
        glEnd();
        glColor4d(0.0, 0.0, 0.0, 0.7);
        glBegin(GL_LINE_LOOP);
        quad(b.mLeft + 4.0, bottom, b.mLeft + 16.0, bottom + h - 8.0, -1.0);
        glEnd();
    }

    for (std::size_t i = 0; i + 1 < strings.size(); i += 2)
    {
        glPushMatrix();
        glTranslated(b.mLeft + 20.0, b.mBottom + double(i / 2) * h + 2.0, -1.0);
        for (std::size_t k = i; k < i + 2; ++k)
        {
            glColor4d(0.0, 0.0, 0.0, k == i ? 0.7 : 1.0);
            strings[k]->SetPosition(0.0, 0.0);
            strings[k]->Draw(ioContext, kGxHAlignLeft, kGxVAlignBottom);
            glTranslated(0.0, strings[k]->Height() + 2.0, 0.0);
        }
        glPopMatrix();
    }

    glColor4d(0.0, 0.0, 0.0, 0.3);
    glBegin(GL_LINES);
    for (double y = b.mBottom + h; y < b.mTop - 0.5; y += h)
    {
        glVertex3d(b.mLeft, y, -1.0);
        glVertex3d(b.mRight, y, -1.0);
    }
    glEnd();

    glColor4d(0.0, 0.0, 0.0, 1.0);
    glBegin(GL_LINE_LOOP);
    const GxPoint bl(b.mLeft, b.mBottom), tl(b.mLeft, b.mTop), tr(b.mRight, b.mTop), br(b.mRight, b.mBottom);
    std::vector<GxPoint> outline;
    switch (balloon.mSide)
    {
    case kWxPointerTop:
        outline = {tl, balloon.mBaseA, balloon.mTip, balloon.mBaseB, tr, br, bl};
        break;
    case kWxPointerBottom:
        outline = {bl, balloon.mBaseA, balloon.mTip, balloon.mBaseB, br, tr, tl};
        break;
    case kWxPointerLeft:
        outline = {bl, balloon.mBaseA, balloon.mTip, balloon.mBaseB, tl, tr, br};
        break;
    case kWxPointerRight:
        outline = {br, balloon.mBaseA, balloon.mTip, balloon.mBaseB, tr, tl, bl};
        break;
    case kWxPointerNone:
        outline = {bl, tl, tr, br};
        break;
    }
    for (const GxPoint& p : outline)
        glVertex3d(p.mX, p.mY, -1.0);
    glEnd();
    glDisable(GL_LINE_SMOOTH);
    WxEndBalloon(ioContext);
}
