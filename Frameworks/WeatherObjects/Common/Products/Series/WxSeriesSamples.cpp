#include "WxSeriesSamples.h"

#include "CxCriticalRegion.h"
#include "CxUtilities.h"
#include "DxField.h"
#include "DxFrame.h"
#include "DxSeriesManager.h"
#include "DxSet.h"
#include "GxContext.h"
#include "WxDrawSupport.h"
#include "WxGraph.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
constexpr const char* kTimeKey = "time:secs";
}

CxDate WxSeriesColumns::SampleDate(std::size_t inRow) const
{
    return mDate + (*mTimes)[inRow];
}

double WxSeriesColumns::Value(std::size_t inColumn, std::size_t inRow) const
{
    return (*mValues[inColumn])[inRow];
}

std::vector<WxSeriesColumns> WxSeriesTables(const DxSeriesClient::FrameMap& inFrames,
                                            const std::vector<CxString>& inKeys)
{
    std::vector<WxSeriesColumns> tables;
    for (const auto& [date, frame] : inFrames)
    {
        const auto* table = dynamic_cast<const DxTable*>(frame);
        if (table == nullptr)
            continue;
        WxSeriesColumns columns;
        columns.mDate = date;
        columns.mTimes = table->FindFloatField(CxString(kTimeKey));
        if (columns.mTimes == nullptr)
            continue;
        columns.mCount = columns.mTimes->size();
        for (const CxString& key : inKeys)
        {
            const DxFloatField* field = table->FindFloatField(key);
            columns.mValues.push_back(field);
            columns.mCount = field == nullptr ? 0 : std::min(columns.mCount, field->size());
        }
        // An empty column has no first sample to date the frame by.
        if (columns.mCount != 0)
            tables.push_back(columns);
    }
    return tables;
}

void WxSeriesRange(const DxSeriesClient::FrameMap& inFrames, const CxString& inKey, double& outMinimum,
                   double& outMaximum)
{
    // A column starting missing, or a frame without the field, must not hide the rest: the automatic axis would
    // clip drawn data away.
    outMinimum = std::numeric_limits<double>::quiet_NaN();
    outMaximum = outMinimum;
    for (const auto& [date, frame] : inFrames)
    {
        const auto* table = dynamic_cast<const DxTable*>(frame);
        const DxFloatField* field = table == nullptr ? nullptr : table->FindFloatField(inKey);
        if (field == nullptr)
            continue;
        for (double value : *field)
        {
            outMinimum = CxMinNotNan(outMinimum, value);
            outMaximum = CxMaxNotNan(outMaximum, value);
        }
    }
}

void WxWalkSteps(const std::vector<WxSeriesColumns>& inTables, const CxDate& inStart, const CxDate& inEnd,
                 double inInterval, const std::function<void(const WxSeriesColumns&)>& inTable,
                 const std::function<void(double inStep, const WxSeriesColumns&, std::size_t inRow)>& inSample)
{
    if (!(inInterval > 0.0))
        return;
    for (const WxSeriesColumns& table : inTables)
    {
        inTable(table);
        std::size_t row = 0;
        double step = 0.0;
        for (CxDate d = inStart; d - inEnd <= 0.0 && row < table.mCount; d += inInterval, step += 1.0)
        {
            while (row < table.mCount && table.SampleDate(row) - d < 0.0)
                ++row;
            if (row < table.mCount && table.SampleDate(row) - d == 0.0)
                inSample(step, table, row++);
        }
    }
}

bool WxNearestSample(const std::vector<WxSeriesColumns>& inTables, const CxDate& inGraphStart, const CxDate& inTracking,
                     const WxSeriesColumns*& outTable, std::size_t& outRow)
{
    for (const WxSeriesColumns& table : inTables)
    {
        std::size_t row = 0;
        while (row < table.mCount && table.SampleDate(row) - inGraphStart < 0.0)
            ++row;
        const std::size_t first = row;
        for (; row < table.mCount; ++row)
        {
            if (table.SampleDate(row) - inTracking < 0.0)
                continue;
            const std::size_t before = row == first ? row : row - 1;
            const double a = std::trunc(inTracking - table.SampleDate(before));
            const double b = std::trunc(table.SampleDate(row) - inTracking);
            outTable = &table;
            outRow = a < b ? before : row;
            return true;
        }
    }
    return false;
}

CxString WxCapitalized(const CxString& inName)
{
    CxString text = inName;
    if (text.Length() != 0 && text[0] >= u'a' && text[0] <= u'z')
        text[0] = static_cast<CxUint16>(text[0] - u'a' + u'A');
    return text;
}

DxSeriesManager* WxSeriesManagerOf(const DxSet* inSet)
{
    return inSet == nullptr ? nullptr : const_cast<DxSet*>(inSet)->SeriesManager();
}

bool WxSiteName(const DxSet* inSet, const CxString& inSite, CxString& outName)
{
    DxSeriesManager* manager = WxSeriesManagerOf(inSet);
    if (manager == nullptr)
        return false;
    CxAutoLock lock(manager->Region());
    DxTable* sites = manager->Sites();
    const DxStringField* names = sites == nullptr ? nullptr : sites->FindStringField(CxString("name"));
    const CxSint32 row = names == nullptr ? -1 : sites->Lookup(inSite);
    if (row < 0 || std::size_t(row) >= names->size())
        return false;
    outName = (*names)[std::size_t(row)];
    return true;
}

void WxDrawIconFrame(GxContext& ioContext, const WxGraph* inGraph)
{
    const GxColor background = inGraph != nullptr ? inGraph->Color() : GxColor(1.0, 1.0, 1.0, 1.0);
    ioContext.PushAttribs();
    glLineWidth(1.0f);
    WxGlColor(background.Brightness() > 0.6 ? GxColor(0.0, 0.0, 0.0, 1.0) : GxColor(1.0, 1.0, 1.0, 1.0), 0.2);
    glBegin(GL_LINE_LOOP);
    glVertex2d(0.0, 0.0);
    glVertex2d(32.0, 0.0);
    glVertex2d(32.0, 32.0);
    glVertex2d(0.0, 32.0);
    glEnd();
    ioContext.PopAttribs();
}
