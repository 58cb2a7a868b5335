// The radar, image, shape and advisory lists.
#include "CxDebug.h"
#include "DxConfigParsers.h"
#include "XmlElement.h"

#include <memory>

namespace
{

// Product codes and data levels are 16-bit in the radar products: keep the low 16 bits of what is written.
CxSint16 LowSixteenBits(const CxString& inText)
{
    return CxSint16(CxUint16(CxUint32(inText.AsSint32()) & 0xFFFFu));
}

template <class Info> Info ReadNidsProductInfo(const XmlElement* inXml)
{
    Info info;
    info.SetProductCode(LowSixteenBits(inXml->GetAttribute("id")));
    info.SetName(inXml->GetAttribute("name"));
    info.SetKmPerPixel(inXml->GetAttribute("kmPerPixel").AsDouble());
    info.SetDataLevels(LowSixteenBits(inXml->GetAttribute("dataLevels")));
    info.SetUnit(DxUnit(inXml->GetAttribute("units")));
    if (const XmlElement* colors = inXml->FindElement("colorTable"))
        info.SetColorTable(GxColorTable(colors));
    return info;
}

} // namespace

// ---- DxNidsListParser

DxNidsListParser::DxNidsListParser(CxData& ioData, std::vector<DxNidsProduct>& ioProducts,
                                   std::vector<DxNidsMosaicInfo>& ioMosaics, std::vector<DxNidsRadialInfo>& ioRadials)
{
    if (!ParseData(ioData))
        return;
    CheckVersion();
    const XmlElement* list = FindDocumentElement("parminfo");
    if (list == nullptr)
        return;
    mFoundRoot = true;
    ParseLocalizedStrings(list);

    // The list is read again after every changed configuration and lookups take the first record of a code, so
    // a new reading replaces the infos rather than adding to them.
    ioProducts.clear();
    ioMosaics.clear();
    ioRadials.clear();
    for (auto item = list->ItemBegin(); item != list->ItemEnd(); ++item)
    {
        const XmlElement* element = AsXmlElement(*item);
        if (element == nullptr)
            continue;
        if (element->Name() == "parm")
        {
            const CxString id = element->GetAttribute("id");
            CxString type = element->GetAttribute("type");
            if (type.Length() == 0)
                type = id;
            ioProducts.emplace_back(id, Localize(element->GetAttribute("name")), type,
                                    DxUnit(element->GetAttribute("units")));
        }
        else if (element->Name() == "mosaic")
            ioMosaics.push_back(ReadNidsProductInfo<DxNidsMosaicInfo>(element));
        else if (element->Name() == "radial")
            ioRadials.push_back(ReadNidsProductInfo<DxNidsRadialInfo>(element));
    }
}

// ---- DxImageListParser

DxImageListParser::DxImageListParser(CxData& ioData, std::vector<DxImageCategory>& ioCategories,
                                     std::vector<DxImageProjectionInfo*>& ioProjections,
                                     std::vector<DxImageLegendInfo>& ioLegends)
{
    if (!ParseData(ioData))
        return;
    CheckVersion();
    const XmlElement* list = FindDocumentElement("datainfo");
    if (list == nullptr)
        return;
    mFoundRoot = true;
    ParseLocalizedStrings(list);

    ioCategories.clear();
    ioLegends.clear();
    std::vector<std::unique_ptr<DxImageProjectionInfo>> projections;
    for (auto item = list->ItemBegin(); item != list->ItemEnd(); ++item)
    {
        const XmlElement* element = AsXmlElement(*item);
        if (element == nullptr)
            continue;
        if (element->Name() == "category")
        {
            DxImageCategory category(element->GetAttribute("id"), Localize(element->GetAttribute("name")));
            for (auto child = element->ItemBegin(); child != element->ItemEnd(); ++child)
            {
                if (const XmlElement* entry = AsXmlElementWithName(*child, "item"))
                    category.Items().emplace_back(entry->GetAttribute("id"), Localize(entry->GetAttribute("name")));
            }
            ioCategories.push_back(std::move(category));
        }
        else if (element->Name() == "projectionInfo")
        {
            if (DxImageProjectionInfo* info = ParseProjectionInfo(element))
                projections.emplace_back(info);
        }
        else if (element->Name() == "legendInfo")
        {
            DxImageLegendInfo legend;
            legend.SetKey(element->GetAttribute("key"));
            for (auto child = element->ItemBegin(); child != element->ItemEnd(); ++child)
            {
                if (const XmlElement* entry = AsXmlElementWithName(*child, "item"))
                    legend.Append(entry->GetAttribute("color"), Localize(entry->GetAttribute("value")));
            }
            ioLegends.push_back(std::move(legend));
        }
    }

    for (DxImageProjectionInfo* old : ioProjections)
        delete old;
    ioProjections.clear();
    for (std::unique_ptr<DxImageProjectionInfo>& info : projections)
        ioProjections.push_back(info.release());
}

DxImageProjectionInfo* DxImageListParser::ParseProjectionInfo(const XmlElement* inXml) const
{
    const XmlElement* projectionXml = inXml->FindElement("projection");
    if (projectionXml == nullptr)
        return nullptr;
    GxProjectionFactory factory;
    const GxProjection* projection = factory.Create(projectionXml);
    // The factory stands in a plain projection for one it does not know; images would land in the wrong place.
    if (projection->Id() != projectionXml->GetAttribute("id"))
        return nullptr;

    const XmlElement* pixelSize = inXml->FindElement("pixelSize");
    CxAssertText(pixelSize != nullptr, "tmpElement");
    const XmlElement* origin = inXml->FindElement("origin");
    if (pixelSize == nullptr || origin == nullptr)
        return nullptr;

    auto info = std::make_unique<DxImageProjectionInfo>(*projection);
    info->SetKey(inXml->GetAttribute("key"));
    info->SetPixelSize(
        GxPoint(pixelSize->GetAttribute("width").AsDouble(), pixelSize->GetAttribute("height").AsDouble()));
    GxPosition position;
    position.FromDegrees(origin->GetAttribute("lon").AsDouble(), origin->GetAttribute("lat").AsDouble());
    info->SetOrigin(info->Projection()->Project(position));
    CxString smoothing("false");
    if (const XmlElement* smoothingXml = inXml->FindElement("smoothing"))
        smoothing = smoothingXml->GetAttribute("enabled");
    info->SetSmoothing(smoothing.AsBool());
    return info.release();
}

// ---- DxShapeListParser

DxShapeListParser::DxShapeListParser(CxData& ioData, std::vector<DxRegion>& ioRegions,
                                     std::vector<DxFeature>& ioFeatures)
{
    if (!ParseData(ioData))
        return;
    CheckVersion();
    const XmlElement* list = FindDocumentElement("shapeinfo");
    if (list == nullptr)
        return;
    mFoundRoot = true;
    ParseLocalizedStrings(list);

    ioRegions.clear();
    ioFeatures.clear();
    for (auto item = list->ItemBegin(); item != list->ItemEnd(); ++item)
    {
        const XmlElement* element = AsXmlElement(*item);
        if (element == nullptr)
            continue;
        if (element->Name() == "region")
            ioRegions.emplace_back(element->GetAttribute("id"), Localize(element->GetAttribute("name")));
        else if (element->Name() == "shape")
            ioFeatures.emplace_back(element->GetAttribute("id"), Localize(element->GetAttribute("name")));
    }
}

// ---- DxAdvisoryListParser

DxAdvisoryListParser::DxAdvisoryListParser(CxData& ioData, std::vector<DxAdvisory>& ioAdvisories)
{
    if (!ParseData(ioData))
        return;
    // Callers always find something to show, even when the list cannot be read.
    if (ioAdvisories.empty())
        ioAdvisories.emplace_back(CxString("nada"), CxString("None available"), CxString("#00000000"), true, true);
    CheckVersion();
    const XmlElement* list = FindDocumentElement("productInfo");
    if (list == nullptr)
        return;
    mFoundRoot = true;
    ParseLocalizedStrings(list);

    ioAdvisories.clear();
    for (auto item = list->ItemBegin(); item != list->ItemEnd(); ++item)
    {
        const XmlElement* element = AsXmlElementWithName(*item, "product");
        if (element == nullptr)
            continue;
        // Only the exact text "false" unfills.
        ioAdvisories.emplace_back(element->GetAttribute("id"), Localize(element->GetAttribute("name")),
                                  element->GetAttribute("color"), element->GetAttribute("filled") != "false", true);
    }
}

DxAdvisory DxAdvisoryListParser::FindAdvisory(const std::vector<DxAdvisory>& inAdvisories, const CxString& inId)
{
    for (const DxAdvisory& advisory : inAdvisories)
    {
        if (advisory.Id() == inId)
            return advisory;
    }
    return DxAdvisory(inId, inId, CxString("#000000FF"), true, true);
}
