#include "DxConfigParsers.h"

#include "CxData.h"
#include "CxDebug.h"
#include "CxSystem.h"
#include "XmlElement.h"

#include <cmath>
#include <memory>

// ---- DxBaseParser

CxVersion DxBaseParser::ParserVersion() const
{
    return CxVersion(mParserVersion);
}

CxVersion DxBaseParser::StreamVersion() const
{
    const CxVersion none(0, 0, 0, kCxFinal, 0);
    // What a document that did not parse holds is no tree to trust.
    const XmlRoot* root = Root();
    if (!mParsed || root == nullptr)
        return none;
    for (auto item = root->ItemBegin(); item != root->ItemEnd(); ++item)
    {
        const XmlInstruction* instruction = AsXmlInstruction(*item);
        if (instruction == nullptr || instruction->Target() != mInstruction)
            continue;
        const std::unique_ptr<XmlElement> element(instruction->ParseAsElement());
        if (element == nullptr)
            return none;
        const CxString text = element->GetAttribute("version");
        return text.Length() == 0 ? none : CxVersion(text);
    }
    return none;
}

void DxBaseParser::CheckVersion() const
{
    if (!ParserVersion().IsCompatibleWith(StreamVersion()))
        throw -1;
}

CxString DxBaseParser::Localize(const CxString& inKey) const
{
    const auto found = mLocalizedStrings.find(inKey);
    return found != mLocalizedStrings.end() ? found->second : inKey;
}

void DxBaseParser::ParseLocalizedStrings(const XmlElement* inElement)
{
    if (inElement == nullptr)
        return;
    const XmlElement* localization = inElement->FindElement("localization");
    if (localization == nullptr)
        return;
    const CxString system = CxSystemLanguageName();
    // An empty value would also match a language without an id.
    const XmlElement* language = system.Length() != 0 ? localization->FindElement("language", "id", system) : nullptr;
    if (language == nullptr)
        language = localization->FindElement("language", "id", "English");
    if (language == nullptr)
        return;

    mLocalizedStrings.clear();
    for (auto item = language->ItemBegin(); item != language->ItemEnd(); ++item)
    {
        const XmlElement* entry = AsXmlElementWithName(*item, "string");
        if (entry == nullptr)
            continue;
        const CxString key = entry->GetAttribute("key");
        if (key.BeginsWith("@"))
            mLocalizedStrings[key] = entry->GetAttribute("value");
    }
}

bool DxBaseParser::ParseData(CxData& ioData)
{
    if (ioData.Size() == 0)
        return false;
    CxAutoLock lock(ioData);
    mParsed = Parse(ioData.Pointer(), ioData.Size(), true);
    return true;
}

XmlElement* DxBaseParser::FindDocumentElement(const CxString& inName) const
{
    const XmlRoot* root = Root();
    return root != nullptr ? root->FindElement(inName) : nullptr;
}

// ---- DxConfigParser

DxConfigParser::DxConfigParser(CxData& ioData)
{
    ParseData(ioData);
    CheckVersion();
    const XmlElement* config = FindDocumentElement("datasetconfig");
    mFoundRoot = config != nullptr;
    ParseLocalizedStrings(config);
}

XmlElement* DxConfigParser::FindProperty(const CxString& inId) const
{
    const XmlElement* config = FindDocumentElement("datasetconfig");
    if (config == nullptr)
        return nullptr;
    for (auto item = config->ItemBegin(); item != config->ItemEnd(); ++item)
    {
        XmlElement* property = AsXmlElementWithName(*item, "property");
        if (property != nullptr && property->GetAttribute("id") == inId)
            return property;
    }
    return nullptr;
}

CxString DxConfigParser::StringProperty(const CxString& inId) const
{
    const XmlElement* property = FindProperty(inId);
    return property != nullptr ? Localize(property->GetAttribute("value")) : CxString();
}

CxString DxConfigParser::UrlProperty(const CxString& inId) const
{
    const XmlElement* property = FindProperty(inId);
    return property != nullptr ? property->GetAttribute("url") : CxString();
}

CxUint32 DxConfigParser::UintProperty(const CxString& inId) const
{
    return StringProperty(inId).AsUint32();
}

CxSint32 DxConfigParser::SintProperty(const CxString& inId) const
{
    return StringProperty(inId).AsSint32();
}

CxSint32 DxConfigParser::SecondsProperty(const CxString& inId) const
{
    const XmlElement* property = FindProperty(inId);
    if (property == nullptr)
        return 0;
    CxString units = property->GetAttribute("units");
    if (units.Length() == 0)
        units = "min";
    const DxUnit seconds{CxString("secs")};
    const DxUnit unit{units};
    // A mistyped unit falls back to "nada", which would scale by a day: better the caller's default.
    if (!unit.IsCompatibleWith(seconds))
    {
        _CxDebugOut(__FILE__, __LINE__, ("unit not a duration: " + inId.AsUtf8()).c_str(), units.AsUtf8().c_str());
        return 0;
    }
    const DxUnitConverter converter{unit, seconds};
    const double value = std::trunc(converter.Convert(property->GetAttribute("value").AsDouble()));
    // Server text must never reach an undefined conversion: NaN and values beyond 32 bits read as unreadable.
    if (!(value >= -2147483648.0 && value <= 2147483647.0))
        return 0;
    return CxSint32(value);
}

// ---- DxParmListParser

DxParmListParser::DxParmListParser(CxData& ioData, std::vector<DxParm>& ioParms, std::vector<DxDerivedParm>& ioDerived,
                                   std::vector<DxVectorParm>& ioVectors)
{
    Read(ioData, ioParms, ioDerived, ioVectors, nullptr, nullptr);
}

DxParmListParser::DxParmListParser(CxData& ioData, std::vector<DxParm>& ioParms, std::vector<DxDerivedParm>& ioDerived,
                                   std::vector<DxVectorParm>& ioVectors, std::vector<DxCalibParm>& ioCalibs,
                                   std::vector<DxLinkParm>& ioLinks)
{
    Read(ioData, ioParms, ioDerived, ioVectors, &ioCalibs, &ioLinks);
}

void DxParmListParser::Read(CxData& ioData, std::vector<DxParm>& ioParms, std::vector<DxDerivedParm>& ioDerived,
                            std::vector<DxVectorParm>& ioVectors, std::vector<DxCalibParm>* ioCalibs,
                            std::vector<DxLinkParm>* ioLinks)
{
    if (!ParseData(ioData))
        return;

    // Callers always find something to show, even when the list cannot be read.
    const CxString nada("nada");
    const CxString noneAvailable("None available");
    if (ioParms.empty())
        ioParms.emplace_back(nada, noneAvailable, kDxTypeFloat, DxUnit(nada), DxUnitSet(nada), 0.0);
    if (ioVectors.empty())
        ioVectors.emplace_back(nada, noneAvailable, CxString(), CxString(), CxString(), CxString(), CxString(),
                               CxString(), DxUnit(nada));

    CheckVersion();
    const XmlElement* parmInfo = FindDocumentElement("parminfo");
    if (parmInfo == nullptr)
        return;
    mFoundRoot = true;
    ParseLocalizedStrings(parmInfo);

    ioParms.clear();
    ioDerived.clear();
    ioVectors.clear();
    for (auto item = parmInfo->ItemBegin(); item != parmInfo->ItemEnd(); ++item)
    {
        const XmlElement* element = AsXmlElement(*item);
        if (element == nullptr)
            continue;
        const CxString& name = element->Name();
        const CxString id = element->GetAttribute("id");
        if (name == "parm")
        {
            // The attribute is spelled so in the published documents.
            const double resolution = element->GetAttribute("resoulution").AsSint32();
            ioParms.emplace_back(id, Localize(element->GetAttribute("name")),
                                 StringToDxType(element->GetAttribute("type")), DxUnit(element->GetAttribute("units")),
                                 DxUnitSet(element->GetAttribute("unitSet")), resolution);
        }
        else if (name == "derivation")
        {
            ioDerived.emplace_back(id, element->GetAttribute("func"), VectorizeArgs(element->GetAttribute("args")));
        }
        else if (name == "vector")
        {
            // Only parms read so far count.
            const CxString samag = element->GetAttribute("samag");
            ioVectors.emplace_back(id, Localize(element->GetAttribute("name")), samag, element->GetAttribute("vamag"),
                                   element->GetAttribute("dir"), element->GetAttribute("ucomp"),
                                   element->GetAttribute("vcomp"), element->GetAttribute("gust"),
                                   FindParm(ioParms, samag).Unit());
        }
        else if (name == "calibration" && ioCalibs != nullptr)
        {
            ioCalibs->emplace_back(id, element->GetAttribute("func"), VectorizeArgs(element->GetAttribute("args")),
                                   VectorizeArgs(element->GetAttribute("coeffs")));
        }
        else if (name == "link" && ioLinks != nullptr)
        {
            ioLinks->emplace_back(id, element->GetAttribute("dataset"));
        }
    }
}

DxType DxParmListParser::StringToDxType(const CxString& inType)
{
    if (inType == "float")
        return kDxTypeFloat;
    if (inType == "integer" || inType == "int")
        return kDxTypeInteger;
    if (inType == "string")
        return kDxTypeString;
    CxAssert(false);
    return kDxTypeString;
}

std::vector<CxString> DxParmListParser::VectorizeArgs(const CxString& inArgs)
{
    std::vector<CxString> pieces;
    const CxUint16* units = inArgs.GetChars();
    const CxUint32 length = inArgs.Length();
    CxUint32 start = 0;
    for (CxUint32 i = 0; i < length; ++i)
    {
        if (units[i] == ' ')
        {
            pieces.emplace_back(units + start, i - start);
            start = i + 1;
        }
    }
    if (start < length)
        pieces.emplace_back(units + start, length - start);
    return pieces;
}

DxParm DxParmListParser::FindParm(const std::vector<DxParm>& inParms, const CxString& inId)
{
    for (const DxParm& parm : inParms)
    {
        if (parm.Id() == inId)
            return parm;
    }
    return DxParm(inId, inId, kDxTypeFloat, DxUnit(CxString("nada")), DxUnitSet(), 1.0);
}
