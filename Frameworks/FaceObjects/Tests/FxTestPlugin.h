// A small plug-in table over the frame for the tests: NPP functions that reach FxPluginInstance and
// FxPluginStream, with the instances made by the test's factory.
#pragma once

#include "FxPlugin.h"

#include <functional>

using FxTestFactory = std::function<FxPluginInstance*(NPP, const FxPluginInstance::Arguments&)>;

NPPluginFuncs FxTestPluginFuncs(FxTestFactory inFactory);
