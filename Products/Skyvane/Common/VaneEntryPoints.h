// What the browser reaches of the plug-in: the three entry points and the legacy single entry (exported under
// their browser names by the shared library), and the plug-in table they hand out. Every entry catches what the
// plug-in throws: a failure is a debug line and an error code, never an exception in the host.
#pragma once

#include "PfNpapi.h"

class VanePlugin;

// The plug-in object from NPP_Initialize to NPP_Shutdown; null outside.
extern VanePlugin* gPlugin;

using VaneUnloadProc = void (*)();

NPError VaneGetEntryPoints(NPPluginFuncs* outFuncs);
NPError VaneInitialize(NPNetscapeFuncs* inBrowser);
NPError VaneShutdown();
// The legacy entry: keeps its own copy of the host's table, as far as the host's size reaches.
NPError VaneMain(NPNetscapeFuncs* inBrowser, NPPluginFuncs* outFuncs, VaneUnloadProc* outUnload);

NPError NPP_Initialize();
void NPP_Shutdown();
