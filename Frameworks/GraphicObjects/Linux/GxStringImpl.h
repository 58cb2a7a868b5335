// What a GxString holds of the text engine: the style it was laid out in and the laid-out line.
#pragma once

#include "GxString.h"
#include "GxTextEngine.h"

struct GxString::Impl
{
    GxTextStyleRef mStyle;
    GxTextLayout mLayout;
};
