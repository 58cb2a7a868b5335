#include "WxRadar.h"

#include "DxImage.h"
#include "GxProjection.h"

#include <GL/gl.h>
#include <algorithm>
#include <array>
#include <cmath>

std::vector<WxStormCell> WxReadStormCells(const DxFrame& inFrame)
{
    std::vector<WxStormCell> cells;
    const DxFloatField* lat = inFrame.FindFloatField(CxString("stormLat"));
    const DxFloatField* lon = inFrame.FindFloatField(CxString("stormLon"));
    if (lat == nullptr || lon == nullptr)
        return cells;
    cells.resize(std::min(lat->size(), lon->size()));
    const auto text = [&](const char* inField, CxString WxStormCell::*outMember)
    {
        if (const DxStringField* field = inFrame.FindStringField(CxString(inField)))
            for (std::size_t i = 0; i < cells.size() && i < field->size(); ++i)
                cells[i].*outMember = (*field)[i];
    };
    const auto number = [&](const char* inField, double WxStormCell::*outMember)
    {
        if (const DxFloatField* field = inFrame.FindFloatField(CxString(inField)))
            for (std::size_t i = 0; i < cells.size() && i < field->size(); ++i)
                cells[i].*outMember = (*field)[i];
    };
    for (std::size_t i = 0; i < cells.size(); ++i)
        cells[i].mPosition = GxPosition((*lon)[i], (*lat)[i]);
    text("stormId", &WxStormCell::mId);
    text("stormMeso", &WxStormCell::mMeso);
    text("stormTVS", &WxStormCell::mTVS);
    text("stormHailString", &WxStormCell::mHailString);
    number("stormSevereHail", &WxStormCell::mSevereHail);
    number("stormHail", &WxStormCell::mHail);
    number("stormHailSize", &WxStormCell::mHailSize);
    number("stormVIL", &WxStormCell::mVIL);
    number("stormMaxRef", &WxStormCell::mMaxRef);
    number("stormMaxRefHeight", &WxStormCell::mMaxRefHeight);
    number("stormTop", &WxStormCell::mTop);
    number("stormFcstDir", &WxStormCell::mDirection);
    number("stormFcstSpeed", &WxStormCell::mKnots);
    return cells;
}

int WxNearestStorm(const std::vector<WxStormCell>& inCells, const GxProjection& inProjection,
                   const GxPosition& inTracking, double& outDistance)
{
    outDistance = std::nan("");
    const GxPoint tracking = inProjection.Project(inTracking);
    if (!std::isfinite(tracking.mX) || !std::isfinite(tracking.mY))
        return -1;
    int nearest = -1;
    double best = 9.9e100;
    for (std::size_t i = 0; i < inCells.size(); ++i)
    {
        const GxPoint point = inProjection.Project(inCells[i].mPosition);
        const double distance = std::hypot(point.mX - tracking.mX, point.mY - tracking.mY);
        if (distance < best)
        {
            best = distance;
            nearest = int(i);
        }
    }
    if (nearest >= 0)
        outDistance = best;
    return nearest;
}

std::array<CxString, 6> WxStormLines(const WxStormCell& inCell)
{
    const auto symbol = [](const char* inUnit) { return DxUnit(CxString(inUnit)).Symbol(); };
    std::array<CxString, 6> lines;
    CxString& id = lines[0];
    id = inCell.mId;
    const bool tvs = inCell.mTVS != "NONE", meso = inCell.mMeso != "NONE";
    if (tvs || meso)
    {
        id += CxString(" (");
        if (tvs)
            id += inCell.mTVS;
        if (meso)
        {
            if (tvs)
                id += CxString(", ");
            if (inCell.mMeso.Length() > 3)
                id += inCell.mMeso;
            else
                id += CxString(inCell.mMeso.AsSint32() < 5 ? "MDA: " : "MESO: ") + inCell.mMeso;
        }
        id += CxString(")");
    }
    lines[1] = CxString(inCell.mSevereHail, 0) + CxString("%, ") + CxString(inCell.mHail, 0) + CxString("%, ") +
               inCell.mHailString + CxString(inCell.mHailSize, 2) + CxString("in");
    lines[2] = CxString(inCell.mVIL, 0) + CxString(" ") + symbol("kgm2");
    lines[3] = CxString(inCell.mTop, 1) + CxString(" ") + symbol("kft");
    lines[4] = CxString(inCell.mMaxRef, 0) + symbol("dBZ") + CxString(" at ") + CxString(inCell.mMaxRefHeight, 1) +
               CxString(" ") + symbol("kft");
    if (std::isnan(inCell.mDirection) || std::isnan(inCell.mKnots))
        lines[5] = CxString("Unknown");
    else
    {
        const double mph =
            DxUnitConverter(DxUnit(CxString("kmph")), DxUnit(CxString("mph"))).Convert(WxStormHourKm(inCell.mKnots));
        lines[5] =
            CxString(inCell.mDirection, 0) + symbol("degr") + CxString(" at ") + CxString(mph, 0) + symbol("mph");
    }
    return lines;
}

double WxStormHourKm(double inKnots)
{
    // A knot is one nautical mile, 1.852 km, an hour.
    return inKnots * 1.852;
}

GxPoint WxStormTooltipOffset(double inDirection, double inWidth, double inHeight)
{
    int quadrant = 0;
    if (std::isfinite(inDirection) && std::abs(inDirection) < 1e9)
    {
        int k = int(inDirection) - 180;
        if (k < 0)
            k += 360;
        quadrant = k / 90 + 1;
    }
    switch (quadrant)
    {
    case 1:
        return GxPoint(-20.0 - inWidth, -20.0 - inHeight);
    case 2:
        return GxPoint(-20.0 - inWidth, 20.0);
    case 3:
        return GxPoint(20.0, 20.0);
    case 4:
        return GxPoint(20.0, -20.0 - inHeight);
    default:
        return GxPoint(-inWidth / 2.0, -20.0 - inHeight);
    }
}
