// The reader of the plug-in document: checks its format version, brings older trees up to date in place, and
// builds the map with its products. Feed it with XmlParser::Parse, then ask.
#pragma once

#include "CxString.h"
#include "CxVersion.h"
#include "XmlParser.h"

class WxGraph;
class WxMap;
class WxProduct;
class WxSeries;
class XmlElement;

class WxParser : public XmlParser
{
public:
    WxParser();

    // The format version this reader writes and reads: 1.4.0 development build 1.
    static CxVersion ReaderVersion();

    bool HasMap() const;
    bool HasGraph() const;
    bool IsStationery() const;

    // True when the document can be read. The first call converts an old tree; later calls check the version
    // the conversions produced and convert nothing again.
    bool CompatibleVersion();

    // A new map the caller owns, or null when the version is refused or the document holds no map.
    WxMap* Map();

    // Builds a product per child element of a known kind, in document order. With an anchor, each new product
    // goes directly above the previous one, starting above the anchor.
    void BuildProducts(const XmlElement* inXml, WxMap* inMap, WxProduct* inAnchor, bool inSelect);

    // A new graph the caller owns, or null when the version is refused or the document holds no graph.
    WxGraph* Graph();

    // Builds the series, axes and dividers of the element's children, in document order (at most four dividers).
    // Appended, each new series goes to the end of the list; else with an anchor, directly before the previous
    // one, starting before the anchor; else at the front.
    void BuildSeries(const XmlElement* inXml, WxGraph* inGraph, WxSeries* inAnchor, bool inSelect, bool inAppend);

    CxString LastErrorMessage() const;

    CxVersion ConvertFrom010000();
    CxVersion ConvertFrom010200();

private:
    XmlElement* MapElement() const;

    CxString mVersionError;
    bool mChecked = false;
    CxVersion mVersion;
};
