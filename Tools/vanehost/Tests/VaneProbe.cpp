// A probe plug-in for the test browser's own tests: it takes the Cocoa models when offered and appends every
// event it gets, one line each, to $HOME/events, so a script can read what arrived; the attributes of each new
// instance go to $HOME/arguments, its windows to $HOME/windows, its streams to $HOME/streams and each NP_Shutdown
// to $HOME/shutdowns. An instance made with shutdown=fails has NP_Shutdown refuse, so the host's handling of a
// failed shut-down can be seen.
#include "PfNpapi.h"
#include "PfUICodes.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace
{

NPNetscapeFuncs* gBrowser = nullptr;
bool gShutdownFails = false;

void Append(const std::string& inLine, const char* inFile = "events")
{
    const char* home = std::getenv("HOME");
    if (home == nullptr)
        return;
    if (std::FILE* file = std::fopen((std::string(home) + "/" + inFile).c_str(), "a"))
    {
        std::fprintf(file, "%s\n", inLine.c_str());
        std::fclose(file);
    }
}

NPError New(NPMIMEType, NPP inInstance, uint16_t, int16_t inCount, char** inNames, char** inValues, NPSavedData*)
{
    std::string line = "new";
    for (int16_t i = 0; i < inCount; ++i)
    {
        line += std::string(i == 0 ? " " : " | ") + inNames[i] + "=" + inValues[i];
        if (std::string(inNames[i]) == "shutdown" && std::string(inValues[i]) == "fails")
            gShutdownFails = true;
    }
    Append(line, "arguments");
    NPBool cocoa = false;
    if (gBrowser->getvalue(inInstance, NPNVsupportsCocoaBool, &cocoa) == NPERR_NO_ERROR && cocoa)
    {
        gBrowser->setvalue(inInstance, NPPVpluginDrawingModel,
                           reinterpret_cast<void*>(std::intptr_t(NPDrawingModelCoreAnimation)));
        gBrowser->setvalue(inInstance, NPPVpluginEventModel, reinterpret_cast<void*>(std::intptr_t(NPEventModelCocoa)));
    }
    return NPERR_NO_ERROR;
}

NPError Destroy(NPP, NPSavedData**)
{
    return NPERR_NO_ERROR;
}

NPError SetWindow(NPP, NPWindow* inWindow)
{
    if (inWindow != nullptr)
        Append("window " + std::to_string(inWindow->x) + " " + std::to_string(inWindow->y) + " " +
                   std::to_string(inWindow->width) + " " + std::to_string(inWindow->height),
               "windows");
    return NPERR_NO_ERROR;
}

std::map<NPStream*, std::size_t> gReceived;

NPError NewStream(NPP, NPMIMEType, NPStream* inStream, NPBool, uint16_t*)
{
    gReceived[inStream] = 0;
    return NPERR_NO_ERROR;
}

int32_t WriteReady(NPP, NPStream*)
{
    return 1 << 20;
}

int32_t Write(NPP, NPStream* inStream, int32_t, int32_t inLength, void*)
{
    gReceived[inStream] += std::size_t(inLength);
    return inLength;
}

NPError DestroyStream(NPP, NPStream* inStream, NPReason inReason)
{
    Append(std::string("stream ") + inStream->url + " reason " + std::to_string(inReason) + " bytes " +
               std::to_string(gReceived[inStream]),
           "streams");
    gReceived.erase(inStream);
    return NPERR_NO_ERROR;
}

int16_t HandleEvent(NPP inInstance, void* inEvent)
{
    char line[200];
    NPBool cocoa = false;
    gBrowser->getvalue(inInstance, NPNVsupportsCocoaBool, &cocoa);
    if (cocoa)
    {
        const auto* event = static_cast<const NPCocoaEvent*>(inEvent);
        if (event->type == NPCocoaEventKeyDown || event->type == NPCocoaEventKeyUp)
            std::snprintf(line, sizeof line, "cocoa %d key %u mods %u", int(event->type),
                          unsigned(event->data.key.keyCode), unsigned(event->data.key.modifierFlags));
        else
            std::snprintf(line, sizeof line, "cocoa %d at %g %g button %d mods %u clicks %d delta %g %g",
                          int(event->type), event->data.mouse.pluginX, event->data.mouse.pluginY,
                          int(event->data.mouse.buttonNumber), unsigned(event->data.mouse.modifierFlags),
                          int(event->data.mouse.clickCount), event->data.mouse.deltaX, event->data.mouse.deltaY);
    }
    else
    {
        const auto* record = static_cast<const pf::EventRecord*>(inEvent);
        if (record->what == pf::kUpdateEvent || record->what == pf::kNullEvent)
            return 0;
        std::snprintf(line, sizeof line, "record %u at %d %d mods %u message %u", unsigned(record->what),
                      int(record->where.h), int(record->where.v), unsigned(record->modifiers),
                      unsigned(record->message));
    }
    Append(line);
    return 1;
}

NPError GetValue(NPP, NPPVariable, void*)
{
    return NPERR_GENERIC_ERROR;
}

} // namespace

extern "C" __attribute__((visibility("default"))) NPError NP_GetEntryPoints(NPPluginFuncs* outFuncs)
{
    outFuncs->newp = New;
    outFuncs->destroy = Destroy;
    outFuncs->setwindow = SetWindow;
    outFuncs->newstream = NewStream;
    outFuncs->writeready = WriteReady;
    outFuncs->write = Write;
    outFuncs->destroystream = DestroyStream;
    outFuncs->event = HandleEvent;
    outFuncs->getvalue = GetValue;
    return NPERR_NO_ERROR;
}

extern "C" __attribute__((visibility("default"))) NPError NP_Initialize(NPNetscapeFuncs* inBrowser)
{
    gBrowser = inBrowser;
    return NPERR_NO_ERROR;
}

extern "C" __attribute__((visibility("default"))) NPError NP_Shutdown()
{
    Append("NP_Shutdown", "shutdowns");
    gBrowser = nullptr;
    const bool fails = gShutdownFails;
    gShutdownFails = false;
    return fails ? NPERR_GENERIC_ERROR : NPERR_NO_ERROR;
}
