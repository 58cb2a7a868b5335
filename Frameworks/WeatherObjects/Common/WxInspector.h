// The bases of the legend panels and of the mouse-over popups drawn over a map or a graph. Main thread only.
#pragma once

#include "CxCoordinates.h"
#include "CxTypes.h"
#include "GxColor.h"

#include <vector>

class CxRect;
class GxContext;
class GxPoint;
class GxPosition;
class GxString;

// A mouse press in a legend panel, as the legends read it: the owner of the panel fills it from its toolkit's event.
struct WxMouseDown
{
    enum : CxUint32
    {
        kCommand = 1,
        kControl = 2,
        kOption = 4,
        kShift = 8
    };

    // The panel's pixels, y down.
    CxPoint mWhere;
    CxUint32 mModifiers = 0;
};

class WxInspector
{
public:
    WxInspector();
    // Frees no textures: the owner calls DeleteTextures first, with the context current.
    virtual ~WxInspector();
    WxInspector(const WxInspector&) = delete;
    WxInspector& operator=(const WxInspector&) = delete;

    virtual void OnDraw(GxContext& ioContext, const CxRect& inBounds);
    virtual void OnMouseDown(const WxMouseDown& inEvent);
    virtual bool IsShown();
    virtual void SetTrackPosition(const GxPosition& inPosition);
    virtual void SetTrackPoint(const GxPoint& inPoint);

    double Alpha() const { return mAlpha; }
    void SetAlpha(double inAlpha) { mAlpha = inAlpha; }
    GxColor Color() const { return mColor; }
    void SetColor(const GxColor& inColor) { mColor = inColor; }

    // Makes the context current, then deletes the cached texts in order and empties the cache.
    void DeleteTextures(GxContext& ioContext);

protected:
    // The texts made during one draw, owned until DeleteTextures.
    std::vector<GxString*> mGxStrings;

private:
    double mAlpha = 1.0;
    GxColor mColor{1.0, 1.0, 1.0, 1.0};
};

class WxPopup
{
public:
    WxPopup() = default;
    virtual ~WxPopup() = default;
    WxPopup(const WxPopup&) = delete;
    WxPopup& operator=(const WxPopup&) = delete;

    virtual bool ShouldInvalidate() const;
    virtual void OnDraw(GxContext& ioContext);

    void Draw(GxContext& ioContext) { OnDraw(ioContext); }
};
