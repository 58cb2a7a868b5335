#include "FxBrowser.h"

#include "CxDebug.h"

#include <cstddef>

NPNetscapeFuncs* gBrowser = nullptr;

namespace
{

// The entry, or null (with a line) when the table lacks it. The size is checked before the entry is read: a
// browser's table may end early.
template <class Proc> Proc Entry(Proc NPNetscapeFuncs::*inField, const char* inName)
{
    if (gBrowser == nullptr)
    {
        _CxDebugOut(__FILE__, __LINE__, inName, "no browser table");
        return nullptr;
    }
    const std::size_t end =
        std::size_t(reinterpret_cast<const char*>(&(gBrowser->*inField)) - reinterpret_cast<const char*>(gBrowser)) +
        sizeof(Proc);
    if (end > gBrowser->size)
    {
        _CxDebugOut(__FILE__, __LINE__, inName, "beyond the browser table's size");
        return nullptr;
    }
    Proc proc = gBrowser->*inField;
    if (proc == nullptr)
        _CxDebugOut(__FILE__, __LINE__, inName, "the browser table's entry is null");
    return proc;
}

} // namespace

void NPN_Version(int* outPluginMajor, int* outPluginMinor, int* outNetscapeMajor, int* outNetscapeMinor)
{
    const uint16_t version = gBrowser != nullptr ? gBrowser->version : 0;
    if (outPluginMajor != nullptr)
        *outPluginMajor = NP_VERSION_MAJOR;
    if (outPluginMinor != nullptr)
        *outPluginMinor = NP_VERSION_MINOR;
    if (outNetscapeMajor != nullptr)
        *outNetscapeMajor = version >> 8;
    if (outNetscapeMinor != nullptr)
        *outNetscapeMinor = version & 0xFF;
}

NPError NPN_GetURL(NPP inInstance, const char* inUrl, const char* inWindow)
{
    auto proc = Entry(&NPNetscapeFuncs::geturl, "NPN_GetURL");
    return proc ? proc(inInstance, inUrl, inWindow) : NPERR_GENERIC_ERROR;
}

NPError NPN_PostURL(NPP inInstance, const char* inUrl, const char* inWindow, uint32_t inLength, const char* inBuffer,
                    NPBool inFile)
{
    auto proc = Entry(&NPNetscapeFuncs::posturl, "NPN_PostURL");
    return proc ? proc(inInstance, inUrl, inWindow, inLength, inBuffer, inFile) : NPERR_GENERIC_ERROR;
}

NPError NPN_RequestRead(NPStream* inStream, NPByteRange* inRanges)
{
    auto proc = Entry(&NPNetscapeFuncs::requestread, "NPN_RequestRead");
    return proc ? proc(inStream, inRanges) : NPERR_GENERIC_ERROR;
}

NPError NPN_NewStream(NPP inInstance, NPMIMEType inType, const char* inWindow, NPStream** outStream)
{
    auto proc = Entry(&NPNetscapeFuncs::newstream, "NPN_NewStream");
    return proc ? proc(inInstance, inType, inWindow, outStream) : NPERR_GENERIC_ERROR;
}

int32_t NPN_Write(NPP inInstance, NPStream* inStream, int32_t inLength, void* inBuffer)
{
    auto proc = Entry(&NPNetscapeFuncs::write, "NPN_Write");
    return proc ? proc(inInstance, inStream, inLength, inBuffer) : 0;
}

NPError NPN_DestroyStream(NPP inInstance, NPStream* inStream, NPReason inReason)
{
    auto proc = Entry(&NPNetscapeFuncs::destroystream, "NPN_DestroyStream");
    return proc ? proc(inInstance, inStream, inReason) : NPERR_GENERIC_ERROR;
}

void NPN_Status(NPP inInstance, const char* inMessage)
{
    if (auto proc = Entry(&NPNetscapeFuncs::status, "NPN_Status"))
        proc(inInstance, inMessage);
}

const char* NPN_UserAgent(NPP inInstance)
{
    auto proc = Entry(&NPNetscapeFuncs::uagent, "NPN_UserAgent");
    return proc ? proc(inInstance) : nullptr;
}

void* NPN_MemAlloc(uint32_t inSize)
{
    auto proc = Entry(&NPNetscapeFuncs::memalloc, "NPN_MemAlloc");
    return proc ? proc(inSize) : nullptr;
}

void NPN_MemFree(void* inPointer)
{
    if (auto proc = Entry(&NPNetscapeFuncs::memfree, "NPN_MemFree"))
        proc(inPointer);
}

uint32_t NPN_MemFlush(uint32_t inSize)
{
    auto proc = Entry(&NPNetscapeFuncs::memflush, "NPN_MemFlush");
    return proc ? proc(inSize) : 0;
}

void NPN_ReloadPlugins(NPBool inReloadPages)
{
    if (auto proc = Entry(&NPNetscapeFuncs::reloadplugins, "NPN_ReloadPlugins"))
        proc(inReloadPages);
}

void* NPN_GetJavaEnv()
{
    auto proc = Entry(&NPNetscapeFuncs::getJavaEnv, "NPN_GetJavaEnv");
    return proc ? proc() : nullptr;
}

void* NPN_GetJavaPeer(NPP inInstance)
{
    auto proc = Entry(&NPNetscapeFuncs::getJavaPeer, "NPN_GetJavaPeer");
    return proc ? proc(inInstance) : nullptr;
}

NPError NPN_GetURLNotify(NPP inInstance, const char* inUrl, const char* inWindow, void* inNotifyData)
{
    auto proc = Entry(&NPNetscapeFuncs::geturlnotify, "NPN_GetURLNotify");
    return proc ? proc(inInstance, inUrl, inWindow, inNotifyData) : NPERR_GENERIC_ERROR;
}

NPError NPN_PostURLNotify(NPP inInstance, const char* inUrl, const char* inWindow, uint32_t inLength,
                          const char* inBuffer, NPBool inFile, void* inNotifyData)
{
    auto proc = Entry(&NPNetscapeFuncs::posturlnotify, "NPN_PostURLNotify");
    return proc ? proc(inInstance, inUrl, inWindow, inLength, inBuffer, inFile, inNotifyData) : NPERR_GENERIC_ERROR;
}

NPError NPN_GetValue(NPP inInstance, NPNVariable inVariable, void* outValue)
{
    auto proc = Entry(&NPNetscapeFuncs::getvalue, "NPN_GetValue");
    return proc ? proc(inInstance, inVariable, outValue) : NPERR_GENERIC_ERROR;
}

NPError NPN_SetValue(NPP inInstance, NPPVariable inVariable, void* inValue)
{
    auto proc = Entry(&NPNetscapeFuncs::setvalue, "NPN_SetValue");
    return proc ? proc(inInstance, inVariable, inValue) : NPERR_GENERIC_ERROR;
}

void NPN_InvalidateRect(NPP inInstance, NPRect* inRect)
{
    if (auto proc = Entry(&NPNetscapeFuncs::invalidaterect, "NPN_InvalidateRect"))
        proc(inInstance, inRect);
}

void NPN_InvalidateRegion(NPP inInstance, NPRegion inRegion)
{
    if (auto proc = Entry(&NPNetscapeFuncs::invalidateregion, "NPN_InvalidateRegion"))
        proc(inInstance, inRegion);
}

void NPN_ForceRedraw(NPP inInstance)
{
    if (auto proc = Entry(&NPNetscapeFuncs::forceredraw, "NPN_ForceRedraw"))
        proc(inInstance);
}

NPIdentifier NPN_GetStringIdentifier(const NPUTF8* inName)
{
    auto proc = Entry(&NPNetscapeFuncs::getstringidentifier, "NPN_GetStringIdentifier");
    return proc ? proc(inName) : nullptr;
}

void NPN_GetStringIdentifiers(const NPUTF8** inNames, int32_t inCount, NPIdentifier* outIdentifiers)
{
    if (auto proc = Entry(&NPNetscapeFuncs::getstringidentifiers, "NPN_GetStringIdentifiers"))
        proc(inNames, inCount, outIdentifiers);
}

NPIdentifier NPN_GetIntIdentifier(int32_t inValue)
{
    auto proc = Entry(&NPNetscapeFuncs::getintidentifier, "NPN_GetIntIdentifier");
    return proc ? proc(inValue) : nullptr;
}

bool NPN_IdentifierIsString(NPIdentifier inIdentifier)
{
    auto proc = Entry(&NPNetscapeFuncs::identifierisstring, "NPN_IdentifierIsString");
    return proc ? proc(inIdentifier) : false;
}

NPUTF8* NPN_UTF8FromIdentifier(NPIdentifier inIdentifier)
{
    auto proc = Entry(&NPNetscapeFuncs::utf8fromidentifier, "NPN_UTF8FromIdentifier");
    return proc ? proc(inIdentifier) : nullptr;
}

int32_t NPN_IntFromIdentifier(NPIdentifier inIdentifier)
{
    auto proc = Entry(&NPNetscapeFuncs::intfromidentifier, "NPN_IntFromIdentifier");
    return proc ? proc(inIdentifier) : 0;
}

NPObject* NPN_CreateObject(NPP inInstance, NPClass* inClass)
{
    auto proc = Entry(&NPNetscapeFuncs::createobject, "NPN_CreateObject");
    return proc ? proc(inInstance, inClass) : nullptr;
}

NPObject* NPN_RetainObject(NPObject* inObject)
{
    auto proc = Entry(&NPNetscapeFuncs::retainobject, "NPN_RetainObject");
    return proc ? proc(inObject) : nullptr;
}

void NPN_ReleaseObject(NPObject* inObject)
{
    if (auto proc = Entry(&NPNetscapeFuncs::releaseobject, "NPN_ReleaseObject"))
        proc(inObject);
}

bool NPN_Invoke(NPP inInstance, NPObject* inObject, NPIdentifier inMethod, const NPVariant* inArgs, uint32_t inArgCount,
                NPVariant* outResult)
{
    auto proc = Entry(&NPNetscapeFuncs::invoke, "NPN_Invoke");
    return proc ? proc(inInstance, inObject, inMethod, inArgs, inArgCount, outResult) : false;
}

bool NPN_InvokeDefault(NPP inInstance, NPObject* inObject, const NPVariant* inArgs, uint32_t inArgCount,
                       NPVariant* outResult)
{
    auto proc = Entry(&NPNetscapeFuncs::invokeDefault, "NPN_InvokeDefault");
    return proc ? proc(inInstance, inObject, inArgs, inArgCount, outResult) : false;
}

bool NPN_Evaluate(NPP inInstance, NPObject* inObject, NPString* inScript, NPVariant* outResult)
{
    auto proc = Entry(&NPNetscapeFuncs::evaluate, "NPN_Evaluate");
    return proc ? proc(inInstance, inObject, inScript, outResult) : false;
}

bool NPN_GetProperty(NPP inInstance, NPObject* inObject, NPIdentifier inName, NPVariant* outResult)
{
    auto proc = Entry(&NPNetscapeFuncs::getproperty, "NPN_GetProperty");
    return proc ? proc(inInstance, inObject, inName, outResult) : false;
}

bool NPN_SetProperty(NPP inInstance, NPObject* inObject, NPIdentifier inName, const NPVariant* inValue)
{
    auto proc = Entry(&NPNetscapeFuncs::setproperty, "NPN_SetProperty");
    return proc ? proc(inInstance, inObject, inName, inValue) : false;
}

bool NPN_RemoveProperty(NPP inInstance, NPObject* inObject, NPIdentifier inName)
{
    auto proc = Entry(&NPNetscapeFuncs::removeproperty, "NPN_RemoveProperty");
    return proc ? proc(inInstance, inObject, inName) : false;
}

bool NPN_HasProperty(NPP inInstance, NPObject* inObject, NPIdentifier inName)
{
    auto proc = Entry(&NPNetscapeFuncs::hasproperty, "NPN_HasProperty");
    return proc ? proc(inInstance, inObject, inName) : false;
}

bool NPN_HasMethod(NPP inInstance, NPObject* inObject, NPIdentifier inName)
{
    auto proc = Entry(&NPNetscapeFuncs::hasmethod, "NPN_HasMethod");
    return proc ? proc(inInstance, inObject, inName) : false;
}

void NPN_ReleaseVariantValue(NPVariant* inVariant)
{
    if (auto proc = Entry(&NPNetscapeFuncs::releasevariantvalue, "NPN_ReleaseVariantValue"))
        proc(inVariant);
}

void NPN_SetException(NPObject* inObject, const NPUTF8* inMessage)
{
    if (auto proc = Entry(&NPNetscapeFuncs::setexception, "NPN_SetException"))
        proc(inObject, inMessage);
}

NPError NPN_PopUpContextMenu(NPP inInstance, NPMenu* inMenu)
{
    auto proc = Entry(&NPNetscapeFuncs::popupcontextmenu, "NPN_PopUpContextMenu");
    return proc ? proc(inInstance, inMenu) : NPERR_GENERIC_ERROR;
}
