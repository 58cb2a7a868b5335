#include "FxMouseEvent.h"
