#include "WxParser.h"

#include "CxLocalize.h"
#include "WxGraph.h"
#include "WxMap.h"
#include "WxProduct.h"
#include "WxProductTable.h"
#include "WxSeries.h"
#include "XmlElement.h"

#include <memory>

namespace
{

const CxVersion kNoVersion(0, 0, 0, kCxDevelopment, 0);

XmlElement* FindChild(const XmlElement* inParent, const char* inName)
{
    return inParent != nullptr ? inParent->FindElement(CxString(inName)) : nullptr;
}

} // namespace

WxParser::WxParser() : mVersion(kNoVersion) {}

CxVersion WxParser::ReaderVersion()
{
    return CxVersion(1, 4, 0, kCxDevelopment, 1);
}

bool WxParser::HasMap() const
{
    return MapElement() != nullptr;
}

bool WxParser::HasGraph() const
{
    return FindChild(FindChild(Root(), "vanedoc"), "graph") != nullptr;
}

bool WxParser::IsStationery() const
{
    return Root()->FindInstruction("WxIsStationery") != nullptr;
}

XmlElement* WxParser::MapElement() const
{
    return FindChild(FindChild(Root(), "vanedoc"), "map");
}

bool WxParser::CompatibleVersion()
{
    const CxVersion reader = ReaderVersion();
    // A document without the instruction is refused as it stands, never converted.
    const XmlInstruction* instruction = Root()->FindInstruction("vanedoc");
    if (instruction == nullptr)
    {
        mVersion = kNoVersion;
    }
    else if (!mChecked)
    {
        mChecked = true;
        const std::unique_ptr<XmlElement> header(instruction->ParseAsElement());
        if (header != nullptr)
            mVersion = CxVersion(header->GetAttribute("version"));
        if (mVersion < CxVersion(1, 0, 0, kCxFinal, 0))
            mVersion = ConvertFrom010000();
        if (mVersion < CxVersion(1, 2, 0, kCxFinal, 0))
            mVersion = ConvertFrom010200();
    }
    if (instruction != nullptr && reader.IsCompatibleWith(mVersion))
        return true;
    CxString message = CxLocalize(mVersion < reader ? "formatTooOld" : "formatTooNew");
    message.ReplaceAll("%streamVersion;", mVersion.AsString(), 0);
    message.ReplaceAll("%parserVersion;", reader.AsString(), 0);
    mVersionError = message;
    return false;
}

WxMap* WxParser::Map()
{
    if (!CompatibleVersion())
        return nullptr;
    XmlElement* element = MapElement();
    if (element == nullptr)
        return nullptr;
    auto* map = new WxMap(element);
    BuildProducts(element, map, nullptr, false);
    return map;
}

void WxParser::BuildProducts(const XmlElement* inXml, WxMap* inMap, WxProduct* inAnchor, bool inSelect)
{
    const WxMap::ReadyCheckPause pause(*inMap);
    WxProduct* anchor = inAnchor;
    for (auto item = inXml->ItemBegin(); item != inXml->ItemEnd(); ++item)
    {
        const auto* element = dynamic_cast<const XmlElement*>(*item);
        if (element == nullptr)
            continue;
        const WxProductFactory factory = WxFindProductFactory(element->Name());
        if (factory == nullptr)
            continue;
        WxProduct* product = factory(inMap, element);
        if (product == nullptr)
            continue;
        if (inSelect)
            product->SetSelected(true);
        if (anchor != nullptr)
        {
            inMap->OrphanProduct(product);
            inMap->AdoptProduct(product, anchor);
            anchor = product;
        }
    }
}

WxGraph* WxParser::Graph()
{
    if (!CompatibleVersion())
        return nullptr;
    XmlElement* element = FindChild(FindChild(Root(), "vanedoc"), "graph");
    if (element == nullptr)
        return nullptr;
    auto* graph = new WxGraph(element);
    BuildSeries(element, graph, nullptr, false, false);
    return graph;
}

void WxParser::BuildSeries(const XmlElement* inXml, WxGraph* inGraph, WxSeries* inAnchor, bool inSelect, bool inAppend)
{
    // Five panes at most: four dividers.
    constexpr std::size_t kMaxPanes = 5;
    WxSeries* anchor = inAnchor;
    for (auto item = inXml->ItemBegin(); item != inXml->ItemEnd(); ++item)
    {
        const auto* element = dynamic_cast<const XmlElement*>(*item);
        if (element == nullptr)
            continue;
        const CxString& name = element->Name();
        if (name == "axis")
        {
            auto* axis = new WxSeriesAxis();
            axis->Internalize(element);
            inGraph->AdoptAxis(axis);
            continue;
        }
        WxSeries* series = nullptr;
        if (name == "split")
        {
            if (inGraph->SplitCount() < kMaxPanes)
                series = new WxSeriesSplit(inGraph);
        }
        else if (const WxSeriesFactory factory = WxFindSeriesFactory(name))
        {
            series = factory(inGraph);
        }
        if (series == nullptr)
            continue;
        series->Internalize(element);
        if (inSelect)
            series->SetSelected(true);
        if (inAppend)
        {
            inGraph->OrphanSeries(series);
            inGraph->AdoptSeries(series, nullptr, true);
        }
        else if (anchor != nullptr)
        {
            inGraph->OrphanSeries(series);
            inGraph->AdoptSeries(series, anchor, false);
            anchor = series;
        }
    }
}

CxString WxParser::LastErrorMessage() const
{
    if (mVersionError.Length() != 0)
        return mVersionError;
    if (ErrorMessage().Length() == 0)
        return CxString();
    CxString message = CxLocalize("errorInLine");
    message.Replace("%msg;", ErrorMessage(), 0);
    message.Replace("%line;", CxString(ErrorLine()), 0);
    message.Capitalize();
    return message;
}

CxVersion WxParser::ConvertFrom010000()
{
    if (XmlElement* map = MapElement())
    {
        for (XmlElement* child : map->GetElements())
        {
            const CxString& name = child->Name();
            if (name == "overlay")
            {
                child->SetName("shape");
                child->RenameAttribute("shapedataset", "dataset");
            }
            else if (name == "barb")
            {
                child->RenameAttribute("magUnit", "units");
                child->ClearAttribute("magParm");
                child->ClearAttribute("dirParm");
                child->ClearAttribute("dirUnit");
                child->SetAttribute("parm", "wind10m");
            }
            else if (name == "contour")
            {
                const bool automatic = child->GetAttribute("max") == "auto" || child->GetAttribute("min") == "auto" ||
                                       child->GetAttribute("interval") == "auto";
                child->SetAttribute("auto", CxString(automatic ? "true" : "false"));
                if (automatic)
                {
                    child->SetAttribute("max", "nan");
                    child->SetAttribute("min", "nan");
                    child->SetAttribute("interval", "nan");
                }
            }
            else if (name == "vector")
            {
                child->ClearAttribute("uField");
                child->ClearAttribute("vField");
                child->SetAttribute("parm", "wind10m");
            }
        }
    }
    return CxVersion(1, 2, 0, kCxDevelopment, 1);
}

CxVersion WxParser::ConvertFrom010200()
{
    if (XmlElement* map = MapElement())
    {
        for (XmlElement* child : map->GetElements())
        {
            if (child->Name() != "barb")
                continue;
            child->SetName("vector");
            child->SetAttribute("arrows", "false");
            child->SetAttribute("grid", "false");
        }
    }
    return ReaderVersion();
}
