#include "VaneEntryPoints.h"

#include "CxDebug.h"
#include "CxError.h"
#include "CxString.h"
#include "FxBrowser.h"
#include "FxPlugin.h"
#include "VanePlugin.h"
#include "VanePluginInstance.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

VanePlugin* gPlugin = nullptr;

namespace
{

// The table main fills for hosts that hand over their own only for copying.
NPNetscapeFuncs sLegacyBrowser;

void ReportException(const char* inEntry)
{
    try
    {
        throw;
    }
    catch (const CxError& inError)
    {
        _CxDebug(__FILE__, __LINE__, inEntry, inError.AsString());
    }
    catch (const std::exception& inError)
    {
        _CxDebugOut(__FILE__, __LINE__, inEntry, inError.what());
    }
    catch (...)
    {
        _CxDebugOut(__FILE__, __LINE__, inEntry, "Unknown exception.");
    }
}

template <typename Result, typename Body> Result Guarded(const char* inEntry, Result inFailure, Body&& inBody)
{
    try
    {
        return inBody();
    }
    catch (...)
    {
        ReportException(inEntry);
        return inFailure;
    }
}

template <typename Body> void GuardedVoid(const char* inEntry, Body&& inBody)
{
    try
    {
        inBody();
    }
    catch (...)
    {
        ReportException(inEntry);
    }
}

FxPluginInstance* InstanceOf(NPP inInstance)
{
    return inInstance != nullptr ? static_cast<FxPluginInstance*>(inInstance->pdata) : nullptr;
}

NPError New(NPMIMEType, NPP inInstance, uint16_t, int16_t inCount, char* inNames[], char* inValues[], NPSavedData*)
{
    if (inInstance == nullptr)
        return NPERR_INVALID_INSTANCE_ERROR;
    inInstance->pdata = nullptr;
    return Guarded("NPP_New", NPError(NPERR_GENERIC_ERROR),
                   [&]
                   {
                       FxPluginInstance::Arguments arguments;
                       for (int16_t i = 0; i < inCount && inNames != nullptr; ++i)
                       {
                           if (inNames[i] == nullptr)
                               continue;
                           CxString name = CxString::FromUtf8(inNames[i]);
                           name.Lowercase();
                           const char* value = inValues != nullptr && inValues[i] != nullptr ? inValues[i] : "";
                           arguments[name] = CxString::FromUtf8(value);
                       }
                       inInstance->pdata = new VanePluginInstance(inInstance, arguments);
                       return NPError(NPERR_NO_ERROR);
                   });
}

NPError Destroy(NPP inInstance, NPSavedData**)
{
    FxPluginInstance* instance = InstanceOf(inInstance);
    if (instance == nullptr)
        return NPERR_NO_ERROR;
    inInstance->pdata = nullptr;
    return Guarded("NPP_Destroy", NPError(NPERR_GENERIC_ERROR),
                   [&]
                   {
                       delete instance;
                       return NPError(NPERR_NO_ERROR);
                   });
}

NPError SetWindow(NPP inInstance, NPWindow* inWindow)
{
    FxPluginInstance* instance = InstanceOf(inInstance);
    if (instance == nullptr)
        return NPERR_INVALID_INSTANCE_ERROR;
    return Guarded("NPP_SetWindow", NPError(NPERR_GENERIC_ERROR),
                   [&]
                   {
                       instance->SetWindow(inWindow);
                       return NPError(NPERR_NO_ERROR);
                   });
}

NPError NewStream(NPP inInstance, NPMIMEType inType, NPStream* inStream, NPBool, uint16_t*)
{
    FxPluginInstance* instance = InstanceOf(inInstance);
    if (instance == nullptr)
        return NPERR_INVALID_INSTANCE_ERROR;
    if (inStream == nullptr)
        return NPERR_INVALID_PARAM;
    return Guarded("NPP_NewStream", NPError(NPERR_GENERIC_ERROR),
                   [&]
                   {
                       inStream->pdata =
                           new FxPluginStream(instance, CxString::FromUtf8(inType != nullptr ? inType : ""), inStream);
                       return NPError(NPERR_NO_ERROR);
                   });
}

FxPluginStream* StreamOf(NPStream* inStream)
{
    return inStream != nullptr ? static_cast<FxPluginStream*>(inStream->pdata) : nullptr;
}

// A stream this table did not open takes nothing.
int32_t WriteReady(NPP, NPStream* inStream)
{
    FxPluginStream* stream = StreamOf(inStream);
    return stream != nullptr ? stream->WriteReady() : 0;
}

int32_t Write(NPP, NPStream* inStream, int32_t inOffset, int32_t inLength, void* inBuffer)
{
    FxPluginStream* stream = StreamOf(inStream);
    if (stream == nullptr || inBuffer == nullptr || inLength < 0)
        return -1;
    return Guarded("NPP_Write", int32_t(-1), [&] { return stream->Write(inOffset, inLength, inBuffer); });
}

NPError DestroyStream(NPP, NPStream* inStream, NPReason inReason)
{
    FxPluginStream* stream = StreamOf(inStream);
    if (stream == nullptr)
        return NPERR_NO_ERROR;
    inStream->pdata = nullptr;
    return Guarded("NPP_DestroyStream", NPError(NPERR_GENERIC_ERROR),
                   [&]
                   {
                       std::unique_ptr<FxPluginStream> owned(stream);
                       owned->Finished(inReason);
                       return NPError(NPERR_NO_ERROR);
                   });
}

void StreamAsFile(NPP, NPStream*, const char*) {}

void Print(NPP, NPPrint* inPrint)
{
    if (inPrint == nullptr || inPrint->mode != NP_FULL)
        return;
    std::printf("pluginPrinted = %d, printOne = %d\n", int(inPrint->print.fullPrint.pluginPrinted),
                int(inPrint->print.fullPrint.printOne));
    std::fflush(stdout);
}

int16_t HandleEvent(NPP inInstance, void* inEvent)
{
    FxPluginInstance* instance = InstanceOf(inInstance);
    if (instance == nullptr)
        return 0;
    return Guarded("NPP_HandleEvent", int16_t(0), [&] { return int16_t(instance->HandleEvent(inEvent) ? 1 : 0); });
}

void URLNotify(NPP, const char*, NPReason, void*) {}

NPError GetValue(NPP inInstance, NPPVariable inVariable, void* outValue)
{
    FxPluginInstance* instance = InstanceOf(inInstance);
    if (instance == nullptr)
        return NPERR_GENERIC_ERROR;
    return Guarded("NPP_GetValue", NPError(NPERR_GENERIC_ERROR),
                   [&] { return instance->GetValue(inVariable, outValue); });
}

NPError SetValue(NPP, NPNVariable, void*)
{
    return NPERR_GENERIC_ERROR;
}

// The thirteen entries; the one between URLNotify and GetValue stays as the host gave it.
NPError FillPluginTable(NPPluginFuncs* outFuncs, uint16_t inVersion)
{
    if (outFuncs == nullptr || outFuncs->size < sizeof(NPPluginFuncs))
        return NPERR_INVALID_FUNCTABLE_ERROR;
    outFuncs->size = sizeof(NPPluginFuncs);
    outFuncs->version = inVersion;
    outFuncs->newp = New;
    outFuncs->destroy = Destroy;
    outFuncs->setwindow = SetWindow;
    outFuncs->newstream = NewStream;
    outFuncs->destroystream = DestroyStream;
    outFuncs->asfile = StreamAsFile;
    outFuncs->writeready = WriteReady;
    outFuncs->write = Write;
    outFuncs->print = Print;
    outFuncs->event = HandleEvent;
    outFuncs->urlnotify = URLNotify;
    outFuncs->getvalue = GetValue;
    outFuncs->setvalue = SetValue;
    return NPERR_NO_ERROR;
}

} // namespace

NPError VaneGetEntryPoints(NPPluginFuncs* outFuncs)
{
    if (outFuncs == nullptr)
        return NPERR_INVALID_FUNCTABLE_ERROR;
    if ((outFuncs->version >> 8) != 0)
        return NPERR_INCOMPATIBLE_VERSION_ERROR;
    return FillPluginTable(outFuncs, 24);
}

NPError VaneInitialize(NPNetscapeFuncs* inBrowser)
{
    if (inBrowser == nullptr)
        return NPERR_INVALID_FUNCTABLE_ERROR;
    if ((inBrowser->version >> 8) != 0)
        return NPERR_INCOMPATIBLE_VERSION_ERROR;
    gBrowser = inBrowser;
    return NPP_Initialize();
}

NPError VaneShutdown()
{
    NPP_Shutdown();
    return NPERR_NO_ERROR;
}

NPError NPP_Initialize()
{
    _CxDebugMode(kCxDebugConsole);
    // One plug-in object per load: a second call keeps the first.
    if (gPlugin != nullptr)
        return NPERR_NO_ERROR;
    VanePlugin* plugin = nullptr;
    return Guarded("NPP_Initialize", NPError(NPERR_GENERIC_ERROR),
                   [&]
                   {
                       try
                       {
                           plugin = new VanePlugin;
                           gPlugin = plugin;
                           plugin->Startup();
                       }
                       catch (...)
                       {
                           // What started is stopped again before the object goes.
                           gPlugin = nullptr;
                           if (plugin != nullptr)
                           {
                               GuardedVoid("NPP_Initialize", [&] { plugin->Shutdown(); });
                               delete plugin;
                           }
                           throw;
                       }
                       return NPError(NPERR_NO_ERROR);
                   });
}

void NPP_Shutdown()
{
    VanePlugin* plugin = gPlugin;
    if (plugin == nullptr)
        return;
    gPlugin = nullptr;
    GuardedVoid("NPP_Shutdown",
                [&]
                {
                    try
                    {
                        plugin->Shutdown();
                    }
                    catch (...)
                    {
                        delete plugin;
                        throw;
                    }
                    delete plugin;
                });
}

NPError VaneMain(NPNetscapeFuncs* inBrowser, NPPluginFuncs* outFuncs, VaneUnloadProc* outUnload)
{
    _CxDebugMode(kCxDebugConsole);
    if (inBrowser == nullptr || outFuncs == nullptr || outFuncs->size < sizeof(NPPluginFuncs))
        return NPERR_INVALID_FUNCTABLE_ERROR;
    std::memset(&sLegacyBrowser, 0, sizeof(sLegacyBrowser));
    sLegacyBrowser.size = inBrowser->size;
    sLegacyBrowser.version = inBrowser->version;
    // Entries from GetURL to ForceRedraw, each only when the host's table reaches it.
    const std::size_t first = offsetof(NPNetscapeFuncs, geturl);
    const std::size_t last = offsetof(NPNetscapeFuncs, forceredraw) + sizeof(sLegacyBrowser.forceredraw);
    const std::size_t reach = inBrowser->size < last ? inBrowser->size : last;
    const std::size_t slot = sizeof(sLegacyBrowser.geturl);
    for (std::size_t at = first; at + slot <= reach; at += slot)
        std::memcpy(reinterpret_cast<char*>(&sLegacyBrowser) + at, reinterpret_cast<const char*>(inBrowser) + at, slot);
    gBrowser = &sLegacyBrowser;
    FillPluginTable(outFuncs, 11);
    if (outUnload != nullptr)
        *outUnload = NPP_Shutdown;
    NPP_Initialize();
    return NPERR_NO_ERROR;
}
