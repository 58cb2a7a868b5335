#include "CxThing.h"
#include "FxMouseEvent.h"
