// The browser's names of the entry points: the only symbols the shared library exports.
#include "VaneEntryPoints.h"

#define VANE_EXPORT extern "C" __attribute__((visibility("default")))

VANE_EXPORT NPError NP_GetEntryPoints(NPPluginFuncs* outFuncs)
{
    return VaneGetEntryPoints(outFuncs);
}

VANE_EXPORT NPError NP_Initialize(NPNetscapeFuncs* inBrowser)
{
    return VaneInitialize(inBrowser);
}

VANE_EXPORT NPError NP_Shutdown()
{
    return VaneShutdown();
}

// The legacy entry is named "main"; a C++ function of that name must be the program's, so it takes the name here.
VANE_EXPORT NPError VaneLegacyMain(NPNetscapeFuncs* inBrowser, NPPluginFuncs* outFuncs,
                                   VaneUnloadProc* outUnload) __asm__("main");

NPError VaneLegacyMain(NPNetscapeFuncs* inBrowser, NPPluginFuncs* outFuncs, VaneUnloadProc* outUnload)
{
    return VaneMain(inBrowser, outFuncs, outUnload);
}
