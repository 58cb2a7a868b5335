// The product kinds a map element may hold, by element name. Each kind's factory is filled in by
// WxRegisterProducts once its product class exists; an element of an empty slot is skipped like an unknown name.
#pragma once

#include "CxString.h"

#include <cstddef>

class WxGraph;
class WxMap;
class WxProduct;
class WxSeries;
class XmlElement;

// Builds the product on the map (adopting it at the top) and reads the element.
using WxProductFactory = WxProduct* (*)(WxMap* inMap, const XmlElement* inXml);

constexpr std::size_t kWxProductKinds = 12;

// The element name of a kind, in lookup order; null past the end.
const char* WxProductKindName(std::size_t inKind);

// The factory for an element name; null for an unknown name or an empty slot.
WxProductFactory WxFindProductFactory(const CxString& inName);

// Fills (or with null empties) the slot of a name and returns what it held; an unknown name is reported and
// changes nothing.
WxProductFactory WxSetProductFactory(const CxString& inName, WxProductFactory inFactory);

// The data series kinds a graph element may hold ("series", "vectorseries"), filled in the same way. The factory
// builds the series at the front of the graph's list; the reader then has it read its element.
using WxSeriesFactory = WxSeries* (*)(WxGraph* inGraph);
WxSeriesFactory WxFindSeriesFactory(const CxString& inName);
WxSeriesFactory WxSetSeriesFactory(const CxString& inName, WxSeriesFactory inFactory);

// Installs the factories of every product class built into the library.
void WxRegisterProducts();
