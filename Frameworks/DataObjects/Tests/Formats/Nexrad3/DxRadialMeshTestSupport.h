// What the radial mesh tests share: a projection the builder does not recognise, so that it takes its general path.
#pragma once

#include "GxProjection.h"

// Orthographic by delegation, so the builder takes its general path.
class HiddenOrthographic : public GxProjection
{
public:
    explicit HiddenOrthographic(const GxPosition& inCenter) : mInner(inCenter) {}
    GxPoint Project(const GxPosition& inPosition) const override { return mInner.Project(inPosition); }
    GxVector Project(const GxVector& inVector, const GxPosition& inPosition) const override
    {
        return mInner.Project(inVector, inPosition);
    }
    GxPosition Unproject(const GxPoint& inPoint) const override { return mInner.Unproject(inPoint); }
    GxProjection* Copy() const override { return new HiddenOrthographic(*this); }

private:
    GxOrthographicProjection mInner;
};
