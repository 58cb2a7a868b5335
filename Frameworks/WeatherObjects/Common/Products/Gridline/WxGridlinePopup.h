// The gridline product's mouse-over balloon: the latitude and longitude under the mouse, pointing at it.
#pragma once

#include "GxString.h"
#include "WxBalloon.h"
#include "WxInspector.h"

class WxGridline;

class WxGridlinePopup : public WxPopup
{
public:
    explicit WxGridlinePopup(WxGridline* inProduct);
    ~WxGridlinePopup() override;

    bool ShouldInvalidate() const override;
    void OnDraw(GxContext& ioContext) override;
    // The balloon of the current strings at the anchor (map coordinates), through the current matrices.
    void DrawTooltip(GxContext& ioContext, const GxPoint& inAnchor);

private:
    WxGridline* mProduct;
    GxStringBunch mLabels;
    GxStringBunch mValues;
};
