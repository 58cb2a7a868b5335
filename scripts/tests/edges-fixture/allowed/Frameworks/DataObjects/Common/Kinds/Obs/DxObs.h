#pragma once

#include "DxEngine.h"
#include "DxModel.h"

class DxObs : public DxEngine
{
};
