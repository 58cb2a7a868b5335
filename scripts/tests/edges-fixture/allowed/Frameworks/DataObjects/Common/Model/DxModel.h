#pragma once

#include "CxThing.h"

class DxModel
{
};
