#include "DxField.h"

#include "CxDebug.h"
#include "XmlBuilder.h"

#include <string_view>
#include <vector>

namespace
{

CxString Quoted(const CxString& inValue)
{
    CxString text("\"");
    text += inValue;
    text += "\"";
    return text;
}

} // namespace

CxString DxTypeToString(DxType inType)
{
    switch (inType)
    {
    case kDxTypeFloat:
        return CxString("float");
    case kDxTypeInteger:
        return CxString("integer");
    case kDxTypeString:
        return CxString("string");
    case kDxTypeDate:
        return CxString("date");
    }
    CxAssert(false);
    return CxString("ERROR");
}

DxType DxStringToType(const CxString& inName)
{
    if (inName == "string")
        return kDxTypeString;
    if (inName == "integer" || inName == "int")
        return kDxTypeInteger;
    if (inName == "float")
        return kDxTypeFloat;
    if (inName == "date")
        return kDxTypeDate;
    CxAssert(false);
    return kDxTypeString;
}

// ---- DxField

void DxField::Externalize(XmlBuilder& ioBuilder) const
{
    // The spelling is part of the written format.
    ioBuilder.Comment(CxString(" *** UNKOWN FIELD TYPE *** "));
}

void DxField::ExternalizeRef(XmlBuilder& ioBuilder) const
{
    ioBuilder.Begin(CxString("fieldref"));
    ioBuilder.Attribute(CxString("id"), mId);
    ioBuilder.Attribute(CxString("type"), DxTypeToString(Type()));
    ioBuilder.End(CxString("fieldref"));
}

template <typename Values, typename Format>
void DxField::WriteField(XmlBuilder& ioBuilder, const char* inType, const CxString* inUnits, const Values& inValues,
                         const char* inSeparator, Format inFormat) const
{
    ioBuilder.Begin(CxString("field"));
    ioBuilder.Attribute(CxString("id"), mId);
    ioBuilder.Attribute(CxString("type"), CxString(inType));
    if (inUnits != nullptr)
        ioBuilder.Attribute(CxString("units"), *inUnits);
    // Every value keeps its separator, the last one too: readers split on it and ignore what trails. Grids run to
    // millions of values, so the text grows in one buffer rather than string by string.
    std::vector<CxUint16> content;
    const std::string_view separator(inSeparator);
    for (const auto& value : inValues)
    {
        const CxString text = inFormat(value);
        content.insert(content.end(), text.GetChars(), text.GetChars() + text.Length());
        content.insert(content.end(), separator.begin(), separator.end());
    }
    ioBuilder.Content(CxString(content.data(), CxUint32(content.size())));
    ioBuilder.End(CxString("field"));
}

// ---- DxStringField

CxString DxStringField::ValueAsString(CxUint32 inIndex) const
{
    return inIndex < size() ? Quoted((*this)[inIndex]) : CxString("\"\"");
}

void DxStringField::Externalize(XmlBuilder& ioBuilder) const
{
    WriteField(ioBuilder, "string", nullptr, *this, ", ", Quoted);
}

// ---- DxIntField

CxString DxIntField::ValueAsString(CxUint32 inIndex) const
{
    return inIndex < size() ? CxString((*this)[inIndex]) : CxString("0");
}

void DxIntField::Externalize(XmlBuilder& ioBuilder) const
{
    WriteField(ioBuilder, "int", nullptr, *this, " ", [](CxSint32 inValue) { return CxString(inValue); });
}

// ---- DxFloatField

CxString DxFloatField::ValueAsString(CxUint32 inIndex) const
{
    return inIndex < size() ? CxString((*this)[inIndex], 3) : CxString("nan");
}

void DxFloatField::Externalize(XmlBuilder& ioBuilder) const
{
    WriteField(ioBuilder, "float", &Unit().Id(), *this, " ", [](double inValue) { return CxString(inValue, 3); });
}

// ---- DxDateField

CxString DxDateField::ValueAsString(CxUint32 inIndex) const
{
    return inIndex < size() ? (*this)[inIndex].AsString() : CxString("nan");
}

void DxDateField::Externalize(XmlBuilder& ioBuilder) const
{
    WriteField(ioBuilder, "date", nullptr, *this, ", ", [](const CxDate& inValue) { return inValue.AsString(); });
}

// ---- Downcasts

DxStringField* AsDxStringField(DxField* inField)
{
    return dynamic_cast<DxStringField*>(inField);
}

const DxStringField* AsDxStringField(const DxField* inField)
{
    return dynamic_cast<const DxStringField*>(inField);
}

DxNumericField* AsDxNumericField(DxField* inField)
{
    return dynamic_cast<DxNumericField*>(inField);
}

const DxNumericField* AsDxNumericField(const DxField* inField)
{
    return dynamic_cast<const DxNumericField*>(inField);
}

DxIntField* AsDxIntField(DxField* inField)
{
    return dynamic_cast<DxIntField*>(inField);
}

const DxIntField* AsDxIntField(const DxField* inField)
{
    return dynamic_cast<const DxIntField*>(inField);
}

DxFloatField* AsDxFloatField(DxField* inField)
{
    return dynamic_cast<DxFloatField*>(inField);
}

const DxFloatField* AsDxFloatField(const DxField* inField)
{
    return dynamic_cast<const DxFloatField*>(inField);
}

DxDateField* AsDxDateField(DxField* inField)
{
    return dynamic_cast<DxDateField*>(inField);
}

const DxDateField* AsDxDateField(const DxField* inField)
{
    return dynamic_cast<const DxDateField*>(inField);
}
