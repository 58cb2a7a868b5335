// The browser's functions as plain calls, through the table the entry points keep in gBrowser. Each wrapper
// checks that the table holds its entry: a missing one (no table, a null entry, or one at or beyond the table's
// size) is not called; the wrapper logs a line and answers NPERR_GENERIC_ERROR, false, 0 or null.
#pragma once

#include "PfNpapi.h"

// Owned by the browser; set by the entry points.
extern NPNetscapeFuncs* gBrowser;

// The plug-in's interface version 0.24 and the browser's from the table's version word (0.0 without a table).
void NPN_Version(int* outPluginMajor, int* outPluginMinor, int* outNetscapeMajor, int* outNetscapeMinor);

NPError NPN_GetURL(NPP inInstance, const char* inUrl, const char* inWindow);
NPError NPN_PostURL(NPP inInstance, const char* inUrl, const char* inWindow, uint32_t inLength, const char* inBuffer,
                    NPBool inFile);
NPError NPN_RequestRead(NPStream* inStream, NPByteRange* inRanges);
NPError NPN_NewStream(NPP inInstance, NPMIMEType inType, const char* inWindow, NPStream** outStream);
int32_t NPN_Write(NPP inInstance, NPStream* inStream, int32_t inLength, void* inBuffer);
NPError NPN_DestroyStream(NPP inInstance, NPStream* inStream, NPReason inReason);
void NPN_Status(NPP inInstance, const char* inMessage);
const char* NPN_UserAgent(NPP inInstance);
void* NPN_MemAlloc(uint32_t inSize);
void NPN_MemFree(void* inPointer);
uint32_t NPN_MemFlush(uint32_t inSize);
void NPN_ReloadPlugins(NPBool inReloadPages);
void* NPN_GetJavaEnv();
void* NPN_GetJavaPeer(NPP inInstance);
NPError NPN_GetURLNotify(NPP inInstance, const char* inUrl, const char* inWindow, void* inNotifyData);
NPError NPN_PostURLNotify(NPP inInstance, const char* inUrl, const char* inWindow, uint32_t inLength,
                          const char* inBuffer, NPBool inFile, void* inNotifyData);
NPError NPN_GetValue(NPP inInstance, NPNVariable inVariable, void* outValue);
NPError NPN_SetValue(NPP inInstance, NPPVariable inVariable, void* inValue);
void NPN_InvalidateRect(NPP inInstance, NPRect* inRect);
void NPN_InvalidateRegion(NPP inInstance, NPRegion inRegion);
void NPN_ForceRedraw(NPP inInstance);
NPIdentifier NPN_GetStringIdentifier(const NPUTF8* inName);
void NPN_GetStringIdentifiers(const NPUTF8** inNames, int32_t inCount, NPIdentifier* outIdentifiers);
NPIdentifier NPN_GetIntIdentifier(int32_t inValue);
bool NPN_IdentifierIsString(NPIdentifier inIdentifier);
NPUTF8* NPN_UTF8FromIdentifier(NPIdentifier inIdentifier);
int32_t NPN_IntFromIdentifier(NPIdentifier inIdentifier);
NPObject* NPN_CreateObject(NPP inInstance, NPClass* inClass);
NPObject* NPN_RetainObject(NPObject* inObject);
void NPN_ReleaseObject(NPObject* inObject);
bool NPN_Invoke(NPP inInstance, NPObject* inObject, NPIdentifier inMethod, const NPVariant* inArgs, uint32_t inArgCount,
                NPVariant* outResult);
bool NPN_InvokeDefault(NPP inInstance, NPObject* inObject, const NPVariant* inArgs, uint32_t inArgCount,
                       NPVariant* outResult);
bool NPN_Evaluate(NPP inInstance, NPObject* inObject, NPString* inScript, NPVariant* outResult);
bool NPN_GetProperty(NPP inInstance, NPObject* inObject, NPIdentifier inName, NPVariant* outResult);
bool NPN_SetProperty(NPP inInstance, NPObject* inObject, NPIdentifier inName, const NPVariant* inValue);
bool NPN_RemoveProperty(NPP inInstance, NPObject* inObject, NPIdentifier inName);
bool NPN_HasProperty(NPP inInstance, NPObject* inObject, NPIdentifier inName);
bool NPN_HasMethod(NPP inInstance, NPObject* inObject, NPIdentifier inName);
void NPN_ReleaseVariantValue(NPVariant* inVariant);
void NPN_SetException(NPObject* inObject, const NPUTF8* inMessage);
NPError NPN_PopUpContextMenu(NPP inInstance, NPMenu* inMenu);
