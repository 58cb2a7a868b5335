#include "WxGradient.h"

#include "WxClientKit.h"
#include "WxDrawSupport.h"

#include "CxDebug.h"
#include "CxUtilities.h"
#include "DxFrame.h"
#include "DxObsManager.h"
#include "DxSet.h"
#include "GxContext.h"
#include "GxProjection.h"
#include "GxString.h"
#include "WxMap.h"
#include "WxValues.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

namespace
{

constexpr double kMissingIndex = 255.0;

CxString Capitalised(const CxString& inName)
{
    CxString name = inName;
    name.Capitalize();
    return name;
}

// An infinite bound is as unusable as a missing one.
double Usable(double inValue)
{
    return std::isfinite(inValue) ? inValue : NAN;
}

} // namespace

GxColor WxGradientEntry(const GxColorTable& inTable, std::size_t inIndex)
{
    if (inTable.empty())
        return GxColor(0, 0, 0, 1);
    return inTable[std::min(inIndex, inTable.size() - 1)];
}

WxGradient::WxGradient(WxMap* inMap, const XmlElement* inXml) : WxProduct(inMap)
{
    mName = CxString("Gradient");
    SetFrameType(kDxFrameGrid);
    WxStartClient(*this, inMap);
    if (inXml != nullptr)
        WxProduct::Internalize(inXml);
}

WxGradient::~WxGradient()
{
    Detach();
    if (mTexture != 0)
        glDeleteTextures(1, &mTexture);
}

WxProduct* WxGradient::Make(WxMap* inMap, const XmlElement* inXml)
{
    return new WxGradient(inMap, inXml);
}

void WxGradient::SetParameter(const DxParm& inParm)
{
    if (inParm.IsExactMatch(mParm) && IsSubscriptionValid())
        return;
    if (mParm.Id().Length() > 0)
        RemoveParm(mParm);
    mParm = inParm;
    AddParm(mParm);
    SetName(Capitalised(mParm.Name()));
    mCells.InvalidateDisplayList();
    RefreshClient();
    ProductChanged();
}

void WxGradient::SetMin(double inMinimum)
{
    if (inMinimum == mMinimum)
        return;
    mMinimum = inMinimum;
    mCells.InvalidateDisplayList();
    ProductChanged();
}

void WxGradient::SetMax(double inMaximum)
{
    if (inMaximum == mMaximum)
        return;
    mMaximum = inMaximum;
    mCells.InvalidateDisplayList();
    ProductChanged();
}

void WxGradient::SetAuto(bool inAuto)
{
    if (inAuto == mAuto)
        return;
    mAuto = inAuto;
    if (inAuto)
        IndexGrid();
    mCells.InvalidateDisplayList();
    ProductChanged();
}

void WxGradient::SetColorGradient(const GxColorGradient& inGradient)
{
    if (inGradient == mGradient)
        return;
    mGradient = inGradient;
    mColorTable = mGradient.GenerateColors();
    mTextureValid = false;
    ProductChanged();
}

const DxFloatField* WxGradient::Field() const
{
    const DxGrid* grid = Grid();
    return grid != nullptr ? grid->FindFloatField(mParm.Key()) : nullptr;
}

double WxGradient::GetValueFromPosition(const GxPosition& inPosition) const
{
    const DxGrid* grid = Grid();
    const DxFloatField* field = Field();
    if (field == nullptr || grid->Projection() == nullptr)
        return NAN;
    const GxPoint point = grid->Projection()->Project(inPosition);
    return grid->Bounds().Contains(point) ? grid->Bilinear(field, point) : NAN;
}

void WxGradient::IndexGrid()
{
    const DxFloatField* field = Field();
    if (field == nullptr)
        return;
    mIndices = std::make_unique<DxFloatField>(CxString("COLORS"));
    if (mMinimum > mMaximum)
        std::swap(mMinimum, mMaximum);
    if (mAuto)
    {
        mMinimum = mMaximum = NAN;
        for (double v : *field)
        {
            mMinimum = CxMinNotNan(mMinimum, Usable(v));
            mMaximum = CxMaxNotNan(mMaximum, Usable(v));
        }
    }
    mMinimum = Usable(mMinimum);
    mMaximum = Usable(mMaximum);
    if (std::isnan(mMinimum) && std::isnan(mMaximum))
    {
        mMinimum = 0.0;
        mMaximum = 100.0;
    }
    else if (std::isnan(mMinimum))
        mMinimum = mMaximum - 5.0;
    else if (std::isnan(mMaximum))
        mMaximum = mMinimum + 5.0;
    else if (mMinimum == mMaximum)
        mMaximum = mMinimum + 1.0;
    const double scale = 254.0 / (mMaximum - mMinimum);
    mIndices->reserve(field->size());
    for (double v : *field)
    {
        if (std::isnan(v))
        {
            mIndices->push_back(kMissingIndex);
            continue;
        }
        double x = (std::clamp(v, mMinimum, mMaximum) - mMinimum) * scale + 1.0;
        // A range too narrow for its magnitude gives no finite scale.
        x = std::isfinite(x) ? std::clamp(x, 1.0, 255.0) : 1.0;
        const int n = int(x) & 0xFF;
        mIndices->push_back(n == 0 ? 1.0 : n == 255 ? 254.0 : x);
    }
}

void WxGradient::BuildColorTexture()
{
    mColorTable = mGradient.GenerateColors();
    CxAssertText(mColorTable.size() <= 256, "mColorTable.size() <= 256");
    std::vector<float> texels(256 * 4);
    for (std::size_t k = 0; k < 256; ++k)
    {
        const GxColor c = WxGradientEntry(mColorTable, std::min<std::size_t>(k, 255));
        texels[k * 4] = float(c.mRed);
        texels[k * 4 + 1] = float(c.mGreen);
        texels[k * 4 + 2] = float(c.mBlue);
        texels[k * 4 + 3] = float(c.mAlpha);
    }
    if (mTexture != 0)
        glDeleteTextures(1, &mTexture);
    glGenTextures(1, &mTexture);
    glBindTexture(GL_TEXTURE_1D, mTexture);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage1D(GL_TEXTURE_1D, 0, GL_RGBA, 256, 0, GL_RGBA, GL_FLOAT, texels.data());
    mTextureValid = true;
}

void WxGradient::BuildPerimeter()
{
    const DxGrid* grid = Grid();
    if (grid == nullptr || grid->Projection() == nullptr)
        return;
    mPerimeter.clear();
    const GxPoint& o = grid->Origin();
    const GxPoint& d = grid->Delta();
    const GxProjection& projection = *grid->Projection();
    for (CxSint32 j = 0; j < grid->Height(); ++j)
    {
        mPerimeter.push_back(projection.Unproject(GxPoint(o.mX, o.mY + j * d.mY)));
        mPerimeter.push_back(projection.Unproject(GxPoint(o.mX + (grid->Width() - 1) * d.mX, o.mY + j * d.mY)));
    }
    for (CxSint32 i = 0; i < grid->Width(); ++i)
    {
        mPerimeter.push_back(projection.Unproject(GxPoint(o.mX + i * d.mX, o.mY)));
        mPerimeter.push_back(projection.Unproject(GxPoint(o.mX + i * d.mX, o.mY + (grid->Height() - 1) * d.mY)));
    }
}

void WxGradient::BuildBounds()
{
    const DxGrid* grid = Grid();
    if (grid == nullptr || grid->Projection() == nullptr || mMap == nullptr || mMap->Projection() == nullptr)
        return;
    const GxProjection& projection = *mMap->Projection();
    if (*grid->Projection() == projection)
    {
        mBounds = grid->Bounds();
        return;
    }
    bool first = true;
    for (GxPosition position : mPerimeter)
    {
        projection.ClipPosition(position);
        const GxPoint p = projection.Project(position);
        mBounds = first ? GxRect(p, p) : mBounds.Union(GxRect(p, p));
        first = false;
    }
}

void WxGradient::OnDrawProduct(GxContext&)
{
    if (!mTextureValid)
        BuildColorTexture();
    if (mCells.IsDisplayListValid())
    {
        glColor4d(1, 1, 1, mAlpha);
        glEnable(GL_TEXTURE_1D);
        glBindTexture(GL_TEXTURE_1D, mTexture);
        mCells.DrawList();
        glDisable(GL_TEXTURE_1D);
        return;
    }
    const DxGrid* grid = Grid();
    if (grid == nullptr)
        return;
    IndexGrid();
    glColor4d(1, 1, 1, mAlpha);
    glEnable(GL_TEXTURE_1D);
    glBindTexture(GL_TEXTURE_1D, mTexture);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    mCells.BeginDisplayList();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.0f);
    const DxFloatField* indices = mIndices.get();
    const CxSint32 w = grid->Width(), h = grid->Height();
    if (indices != nullptr && grid->Projection() != nullptr && mMap != nullptr && mMap->Projection() != nullptr &&
        CxSint64(indices->size()) >= CxSint64(w) * h)
    {
        const GxPoint& o = grid->Origin();
        const GxPoint& d = grid->Delta();
        for (CxSint32 i = 0; i + 1 < w; ++i)
            for (CxSint32 j = 0; j + 1 < h; ++j)
            {
                const CxSint32 ci[4] = {i, i, i + 1, i + 1};
                const CxSint32 cj[4] = {j, j + 1, j + 1, j};
                bool missing = false;
                for (int k = 0; k < 4; ++k)
                    missing = missing || (int((*indices)[ci[k] + cj[k] * w]) & 0xFF) == 255;
                if (missing)
                    continue;
                glBegin(GL_POLYGON);
                for (int k = 0; k < 4; ++k)
                {
                    const GxPoint p = mMap->Projection()->Project(
                        grid->Projection()->Unproject(GxPoint(o.mX + ci[k] * d.mX, o.mY + cj[k] * d.mY)));
                    glTexCoord1d((std::floor((*indices)[ci[k] + cj[k] * w]) + 0.1) / 256.0);
                    glVertex3d(p.mX, p.mY, 0.0);
                }
                glEnd();
            }
    }
    glPopAttrib();
    mCells.EndDisplayList();
    glDisable(GL_TEXTURE_1D);
}

void WxGradient::OnDrawIcon(GxContext& ioContext)
{
    const double a = mAlpha * (mVisible ? 1.0 : 0.2);
    ioContext.PushAttribs();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4d(1, 1, 1, a);
    glBegin(GL_QUADS);
    glVertex2d(0, 0);
    glVertex2d(32, 0);
    glVertex2d(32, 32);
    glVertex2d(0, 32);
    glEnd();
    glColor4d(0, 0, 0, a);
    glBegin(GL_TRIANGLES);
    glVertex2d(0, 0);
    glVertex2d(0, 32);
    glVertex2d(32, 32);
    glEnd();
    ioContext.LineWidth(1.0f);
    for (int k = 1; k <= 32; ++k)
    {
        const GxColor c = WxGradientEntry(mColorTable, std::size_t(7 * k));
        WxGlColor(c, a * c.mAlpha);
        glBegin(GL_QUADS);
        glVertex2d(0, k - 1);
        glVertex2d(32, k - 1);
        glVertex2d(32, k);
        glVertex2d(0, k);
        glEnd();
    }
    ioContext.PopAttribs();
}

void WxGradient::OnInternalize(const XmlElement* inXml)
{
    CxAssertText(inXml != nullptr, "inXml != nil");
    if (inXml == nullptr)
        return;
    CxAssert(inXml->Name() == "gradient");
    ReadCommonAttributes(inXml, true);
    const CxString automatic = inXml->GetAttribute("auto");
    SetAuto(automatic.Length() == 0 || automatic.AsBool());
    if (!mAuto)
    {
        SetMin(inXml->GetAttribute("min").AsDouble());
        SetMax(inXml->GetAttribute("max").AsDouble());
    }
    mDatasetId = inXml->GetAttribute("dataset");
    SetSet(DxSet::FindOrCreateSet(mDatasetId, 1));
    // A set the registry gives another kind has no station manager: the stand-in definition serves.
    const CxString id = inXml->GetAttribute("parm");
    const DxUnit unit(inXml->GetAttribute("units"));
    DxObsManager* manager = Set() != nullptr ? Set()->ObsManager() : nullptr;
    const DxParm found = manager != nullptr ? manager->FindParm(id) : DxParm(id, id, kDxTypeFloat, DxUnit(), {}, 1.0);
    SetParameter(DxParm(found.Id(), found.Name(), found.Type(), unit, found.UnitSet(), found.Resolution()));
    if (const XmlElement* gradient = inXml->FindElement(CxString("colorGradient")))
        SetColorGradient(GxColorGradient(gradient));
}

void WxGradient::OnExternalize(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin(CxString("gradient"));
    WriteCommonAttributes(ioBuilder);
    ioBuilder.Attribute("dataset", Set() != nullptr ? Set()->Id() : mDatasetId);
    ioBuilder.Attribute("parm", mParm.Id());
    ioBuilder.Attribute("units", mParm.Unit().Id());
    ioBuilder.Attribute("auto", CxString(mAuto ? "true" : "false"));
    ioBuilder.Attribute("max", WxWriteNumber(mMaximum, 3));
    ioBuilder.Attribute("min", WxWriteNumber(mMinimum, 3));
    WriteDataFlags(ioBuilder);
    mGradient.Externalize(ioBuilder);
    ioBuilder.End(CxString("gradient"));
}

void WxGradient::OnDatesChanged(const CxDate& inStart, const CxDate& inEnd)
{
    WxForwardDates(*this, inStart, inEnd);
}

void WxGradient::OnIntervalChanged(CxSint64 inSeconds)
{
    WxForwardInterval(*this, inSeconds);
}

void WxGradient::OnDateChanged(const CxDate& inDate)
{
    WxForwardDate(*this, inDate);
}

void WxGradient::OnProjectionChanged()
{
    BuildBounds();
    mCells.InvalidateDisplayList();
}

bool WxGradient::OnIsScalar() const
{
    return true;
}

bool WxGradient::OnIsReadyToDraw() const
{
    return !WaitingForData();
}

WxInspector* WxGradient::OnCreateLegend()
{
    return new WxGradientLegend(this);
}

void WxGradient::OnGridChanged()
{
    BuildPerimeter();
    BuildBounds();
    IndexGrid();
    UpdateParm(mParm);
    SetName(Capitalised(mParm.Name()));
    SetStatus(CxString());
    if (Grid() != nullptr)
        WxShowFrameStatus(*this, *this);
    mCells.InvalidateDisplayList();
    ProductDataChanged();
}

void WxGradient::OnSetChanged()
{
    WxForwardSetChanged(mMap);
}

void WxGradient::OnAuthenticationChanged()
{
    WxForwardAuthentication(*this, *this);
}
