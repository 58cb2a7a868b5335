// The site list, and the station records it shares with the XKDF reader.
#include "CxData.h"
#include "CxDebug.h"
#include "CxParsers.h"
#include "DxConfigParsers.h"
#include "DxFrame.h"
#include "XmlElement.h"

#include <limits>
#include <memory>

namespace
{

// A position that does not read must not become 0°N 0°E: only a piece with a digit that parses is a number.
double ReadFloat(const CxString& inPiece)
{
    bool hasDigit = false;
    for (CxUint32 i = 0, length = inPiece.Length(); i < length && !hasDigit; ++i)
        hasDigit = inPiece[i] >= '0' && inPiece[i] <= '9';
    CxFloatParser<double> parser;
    if (!hasDigit || !inPiece.ParseValue(parser))
        return std::numeric_limits<double>::quiet_NaN();
    return parser.Value();
}

CxDate ReadDate(const CxString& inPiece)
{
    const CxString text = inPiece.AsUnquotedString();
    // An empty text would read as now.
    return text.Length() == 0 ? DxFrame::NoDate() : CxDate(text);
}

} // namespace

DxSiteListParser::DxSiteListParser(CxData& ioData, DxTable*& outTable)
{
    if (!ParseData(ioData) || !Parsed())
        return;
    CheckVersion();
    const XmlElement* siteInfo = FindDocumentElement("siteinfo");
    if (siteInfo == nullptr)
        return;
    ParseLocalizedStrings(siteInfo);
    const XmlElement* tableXml = siteInfo->FindElement("table");
    if (tableXml == nullptr)
        return;
    mFoundRoot = true;

    std::unique_ptr<DxTable> table = std::make_unique<DxTable>();
    DxReadStationRecords(tableXml, *table, true);
    table->IndexBy("stid");
    outTable = table.release();
}

namespace
{

// Null where the type is unknown, so that a record's pieces stay in their columns.
DxField* NewColumn(const XmlElement* inXml, DxTable& ioTable, bool inDateColumns)
{
    const CxString id = inXml->GetAttribute("id");
    const CxString type = inXml->GetAttribute("type");
    DxField* field = nullptr;
    if (type == "float")
        field = ioTable.NewFloatField(id);
    else if (type == "int" || type == "integer") // "integer" is what tables write of themselves
        field = ioTable.NewIntField(id);
    else if (type == "string")
        field = ioTable.NewStringField(id);
    else if (type == "date" && inDateColumns)
        field = ioTable.NewDateField(id);
    else
        CxAssert(false);
    return field;
}

void ReadRecord(const XmlElement* inXml, const std::vector<DxField*>& inColumns)
{
    const CxStringList pieces = inXml->GetContent().TokenizeWithQuotedStrings(',', '"');
    auto piece = pieces.begin();
    for (DxField* column : inColumns)
    {
        CxString text;
        if (piece != pieces.end())
            text = *piece++;
        text.StripLeadingWhitespace();
        // A column of unknown type still takes its piece, so the columns after it stay aligned.
        if (column == nullptr)
            continue;
        switch (column->Type())
        {
        case kDxTypeFloat:
            AsDxFloatField(column)->push_back(ReadFloat(text));
            break;
        case kDxTypeInteger:
            AsDxIntField(column)->push_back(text.AsSint32());
            break;
        case kDxTypeString:
            AsDxStringField(column)->push_back(text.AsUnquotedString());
            break;
        case kDxTypeDate:
            AsDxDateField(column)->push_back(ReadDate(text));
            break;
        }
    }
}

} // namespace

void DxReadStationRecords(const XmlElement* inTableXml, DxTable& ioTable, bool inDateColumns)
{
    std::vector<DxField*> columns;
    // Every column exists before the first row, wherever the records stand.
    for (auto item = inTableXml->ItemBegin(); item != inTableXml->ItemEnd(); ++item)
    {
        if (const XmlElement* fieldRef = AsXmlElementWithName(*item, "fieldref"))
            columns.push_back(NewColumn(fieldRef, ioTable, inDateColumns));
    }
    for (auto item = inTableXml->ItemBegin(); item != inTableXml->ItemEnd(); ++item)
    {
        if (const XmlElement* record = AsXmlElementWithName(*item, "record"))
            ReadRecord(record, columns);
    }
}
