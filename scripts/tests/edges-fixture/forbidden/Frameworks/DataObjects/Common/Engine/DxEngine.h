#pragma once

#include "DxModel.h"

class DxEngine
{
};
