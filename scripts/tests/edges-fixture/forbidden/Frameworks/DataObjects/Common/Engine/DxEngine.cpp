#include "DxEngine.h"

#include "CxThing.h"
#include "DxModel.h"
#include "DxObs.h"
