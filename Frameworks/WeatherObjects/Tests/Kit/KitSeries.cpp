#include "WeatherTestKit.h"

#include "WxGraph.h"
#include "WxParser.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

#include <GL/gl.h>

namespace wxkit
{

namespace
{

const char* const kSeriesKinds[] = {"series", "vectorseries"};

} // namespace

KitSeries::KitSeries(WxGraph* inGraph) : WxSeries(inGraph) {}

KitSeries::~KitSeries() = default;

void KitSeries::SetRange(double inMinimum, double inMaximum)
{
    mMinimum = inMinimum;
    mMaximum = inMaximum;
    SeriesDataChanged();
}

void KitSeries::OnInternalize(const XmlElement* inXml)
{
    mElement = std::make_unique<XmlElement>(inXml);
    SetName(inXml->GetAttribute("name"));
    mUnit = DxUnit(inXml->GetAttribute("unit"));
    SetRange(WxReadOptionalNumber(inXml->GetAttribute("min")), WxReadOptionalNumber(inXml->GetAttribute("max")));
}

void KitSeries::OnExternalize(XmlBuilder& ioBuilder) const
{
    if (mElement != nullptr)
        Rewrite(mElement.get(), ioBuilder);
}

void KitSeries::OnDrawSeries(GxContext&)
{
    if (Graph() == nullptr)
        return;
    const CxRect plot = WxGraph::PlotRect(Graph()->Bounds());
    glColor4d(mColor.mRed, mColor.mGreen, mColor.mBlue, 1.0);
    glBegin(GL_LINE_STRIP);
    glVertex2d(plot.left, plot.top);
    glVertex2d(plot.right, plot.bottom);
    glEnd();
}

void KitSeries::OnDrawIcon(GxContext& ioContext)
{
    DrawIconEmbellishments(ioContext);
}

KitSeriesTable::KitSeriesTable()
{
    for (std::size_t kind = 0; kind < mFilled.size(); ++kind)
    {
        const CxString name(kSeriesKinds[kind]);
        if (WxFindSeriesFactory(name) != nullptr)
            continue;
        WxSetSeriesFactory(name, &KitSeries::Make);
        mFilled[kind] = true;
    }
}

KitSeriesTable::~KitSeriesTable()
{
    for (std::size_t kind = 0; kind < mFilled.size(); ++kind)
    {
        if (mFilled[kind])
            WxSetSeriesFactory(CxString(kSeriesKinds[kind]), nullptr);
    }
}

std::unique_ptr<WxGraph> KitGraph(const std::string& inGraphElement)
{
    const std::unique_ptr<WxParser> parser = KitParser(Vanedoc(inGraphElement));
    EXPECT_EQ(parser->ErrorMessage().AsUtf8(), "");
    return std::unique_ptr<WxGraph>(parser->Graph());
}

std::string WriteDocument(const WxGraph& inGraph)
{
    return WriteVanedoc([&inGraph](XmlBuilder& ioBuilder) { inGraph.Externalize(ioBuilder); });
}

} // namespace wxkit
