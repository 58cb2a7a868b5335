// Colour gradients: colour keys on an index scale (1 to 254 in use), each ramping to the next key or holding its
// colour up to it. A gradient expands into a colour table and is stored as a "colorGradient" element. Values only;
// drawing a key's marker needs the context current on the calling thread.
#pragma once

#include "CxTypes.h"
#include "GxColor.h"
#include "GxCoordinates.h"

#include <map>

class GxContext;
class XmlBuilder;
class XmlElement;

// One key. Selection and position belong to the editor and take no part in equality.
class GxColorPoint
{
public:
    explicit GxColorPoint(CxSint32 inIndex = 0) : mIndex(inIndex) {}
    GxColorPoint(const GxColorPoint&) = default;
    GxColorPoint& operator=(const GxColorPoint&) = default;
    virtual ~GxColorPoint();

    const GxColor& Color() const { return mColor; }
    void SetColor(const GxColor& inColor) { mColor = inColor; }
    CxSint32 Index() const { return mIndex; }
    bool IsSmoothed() const { return mSmoothed; }
    void SetSmoothed(bool inSmoothed) { mSmoothed = inSmoothed; }
    bool IsSelected() const { return mSelected; }
    void Select() { mSelected = true; }
    void Deselect() { mSelected = false; }
    const GxPoint& Position() const { return mPosition; }
    void SetPosition(const GxPoint& inPosition) { mPosition = inPosition; }

    bool IsEqualTo(const GxColorPoint& inPoint) const
    {
        return mSmoothed == inPoint.mSmoothed && mIndex == inPoint.mIndex && mColor == inPoint.mColor;
    }
    bool operator==(const GxColorPoint& inPoint) const { return IsEqualTo(inPoint); }
    bool operator!=(const GxColorPoint& inPoint) const { return !IsEqualTo(inPoint); }

    // The editor's marker at the key's position, in the current transformation: for the end keys (1 and 254) a
    // black "solidSquare" raised by 5, with a white one inside unless selected (the caller enables texturing);
    // for the others a 16 x 16 square above the position, textured with the themed playhead.
    void Draw(GxContext& ioContext) const;

private:
    GxColor mColor;
    CxSint32 mIndex = 0;
    bool mSelected = false;
    GxPoint mPosition;
    bool mSmoothed = true;
};

class GxColorGradient
{
public:
    using KeyMap = std::map<CxSint32, GxColorPoint>;

    // Keys 1 red and 254 blue.
    GxColorGradient();
    // Keys 1 and 254, both of the colour.
    explicit GxColorGradient(const GxColor& inColor);
    // Five keys for kGxGradientColors256, the default two for every other id.
    explicit GxColorGradient(GxColorTableId inId);
    // The "colorKey" children of the element; no default keys.
    explicit GxColorGradient(const XmlElement* inXml);
    GxColorGradient(const GxColorGradient&) = default;
    GxColorGradient& operator=(const GxColorGradient&) = default;

    // Replaces any key at the index by a new smoothed, unselected one.
    void SetColorKey(CxSint32 inIndex, const GxColor& inColor);
    void DeselectAll();

    // Entry 0 repeats the first key; entry i is the colour of index first - 1 + i, through the last key, so the
    // table has last - first + 2 entries. Empty without keys, and empty (logged) for a span past kMaxEntries.
    GxColorTable GenerateColors() const;
    static constexpr CxSint64 kMaxEntries = 65536;

    // "colorGradient" with one "colorKey" per key in index order.
    void Externalize(XmlBuilder& ioBuilder) const;

    // The editor works on the keys directly.
    KeyMap& Keys() { return mKeys; }
    const KeyMap& Keys() const { return mKeys; }

    bool operator==(const GxColorGradient& inOther) const { return mKeys == inOther.mKeys; }
    bool operator!=(const GxColorGradient& inOther) const { return !(*this == inOther); }

private:
    KeyMap mKeys;
};
