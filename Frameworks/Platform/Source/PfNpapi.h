/* The browser plug-in interface (NPAPI) as both sides use it here: the public interface's names and numbers,
 * with this platform's port, event and menu types. C-compatible; the tables hold pointer-sized entries in the
 * published order, and their sizes come from sizeof. */
#ifndef PF_NPAPI_H
#define PF_NPAPI_H

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
#include "PfUICodes.h"

namespace pf
{
class Port;
class NativeMenu;
} // namespace pf
typedef pf::Port NPPfPort;
typedef pf::NativeMenu NPMenu;
typedef pf::EventRecord NPEventRecord;
extern "C"
{
#else
typedef struct PfPort NPPfPort;
typedef struct PfNativeMenu NPMenu;
typedef struct PfEventRecord NPEventRecord;
#endif

#define NP_VERSION_MAJOR 0
#define NP_VERSION_MINOR 24

#define NP_EMBED 1
#define NP_FULL 2

#define NP_NORMAL 1
#define NP_SEEK 2
#define NP_ASFILE 3
#define NP_ASFILEONLY 4

    typedef int16_t NPError;
    typedef uint8_t NPBool;
    typedef int16_t NPReason;
    typedef char* NPMIMEType;
    typedef char NPUTF8;

#define NPERR_NO_ERROR 0
#define NPERR_GENERIC_ERROR 1
#define NPERR_INVALID_INSTANCE_ERROR 2
#define NPERR_INVALID_FUNCTABLE_ERROR 3
#define NPERR_MODULE_LOAD_FAILED_ERROR 4
#define NPERR_OUT_OF_MEMORY_ERROR 5
#define NPERR_INVALID_PLUGIN_ERROR 6
#define NPERR_INVALID_PLUGIN_DIR_ERROR 7
#define NPERR_INCOMPATIBLE_VERSION_ERROR 8
#define NPERR_INVALID_PARAM 9
#define NPERR_INVALID_URL 10
#define NPERR_FILE_NOT_FOUND 11
#define NPERR_NO_DATA 12
#define NPERR_STREAM_NOT_SEEKABLE 13

#define NPRES_DONE 0
#define NPRES_NETWORK_ERR 1
#define NPRES_USER_BREAK 2

    typedef struct _NPP
    {
        void* pdata; /* the plug-in's */
        void* ndata; /* the browser's */
    } NPP_t;
    typedef NPP_t* NPP;

    typedef struct _NPStream
    {
        void* pdata;
        void* ndata;
        const char* url;
        uint32_t end;
        uint32_t lastmodified;
        void* notifyData;
        const char* headers;
    } NPStream;

    typedef struct _NPByteRange
    {
        int32_t offset;
        uint32_t length;
        struct _NPByteRange* next;
    } NPByteRange;

    typedef struct _NPSavedData
    {
        int32_t len;
        void* buf;
    } NPSavedData;

    typedef struct _NPRect
    {
        uint16_t top;
        uint16_t left;
        uint16_t bottom;
        uint16_t right;
    } NPRect;

    typedef void* NPRegion;

    typedef enum
    {
        NPWindowTypeWindow = 1,
        NPWindowTypeDrawable
    } NPWindowType;

    /* In Carbon mode window is an NP_Port; x and y are in the port's coordinates. */
    typedef struct _NPWindow
    {
        void* window;
        int32_t x;
        int32_t y;
        uint32_t width;
        uint32_t height;
        NPRect clipRect;
        NPWindowType type;
    } NPWindow;

    typedef struct NP_Port
    {
        NPPfPort* port;
        int32_t portx;
        int32_t porty;
    } NP_Port;

    typedef struct _NPFullPrint
    {
        NPBool pluginPrinted;
        NPBool printOne;
        void* platformPrint;
    } NPFullPrint;

    typedef struct _NPEmbedPrint
    {
        NPWindow window;
        void* platformPrint;
    } NPEmbedPrint;

    typedef struct _NPPrint
    {
        uint16_t mode; /* NP_EMBED or NP_FULL */
        union
        {
            NPFullPrint fullPrint;
            NPEmbedPrint embedPrint;
        } print;
    } NPPrint;

    typedef enum
    {
        NPDrawingModelQuickDraw = 0,
        NPDrawingModelCoreGraphics = 1,
        NPDrawingModelOpenGL = 2,
        NPDrawingModelCoreAnimation = 3
    } NPDrawingModel;

    typedef enum
    {
        NPEventModelCarbon = 0,
        NPEventModelCocoa = 1
    } NPEventModel;

    /* Only the variables the two sides use here. */
    typedef enum
    {
        NPNVsupportsCoreAnimationBool = 2003,
        NPNVsupportsCocoaBool = 3001
    } NPNVariable;

    typedef enum
    {
        NPPVpluginNameString = 1,
        NPPVpluginDescriptionString = 2,
        NPPVpluginDrawingModel = 1000,
        NPPVpluginEventModel = 1001,
        NPPVpluginCoreAnimationLayer = 1003
    } NPPVariable;

    typedef enum
    {
        NPCocoaEventDrawRect = 1,
        NPCocoaEventMouseDown,
        NPCocoaEventMouseUp,
        NPCocoaEventMouseMoved,
        NPCocoaEventMouseEntered,
        NPCocoaEventMouseExited,
        NPCocoaEventMouseDragged,
        NPCocoaEventKeyDown,
        NPCocoaEventKeyUp,
        NPCocoaEventFlagsChanged,
        NPCocoaEventFocusChanged,
        NPCocoaEventWindowFocusChanged,
        NPCocoaEventScrollWheel,
        NPCocoaEventTextInput
    } NPCocoaEventType;

/* Cocoa modifier flags. */
#define NPCocoaShiftKeyMask (1u << 17)
#define NPCocoaControlKeyMask (1u << 18)
#define NPCocoaAlternateKeyMask (1u << 19)
#define NPCocoaCommandKeyMask (1u << 20)

    typedef struct NPNSString NPNSString;

    typedef struct _NPCocoaEvent
    {
        NPCocoaEventType type;
        uint32_t version;
        union
        {
            struct
            {
                uint32_t modifierFlags;
                double pluginX;
                double pluginY;
                int32_t buttonNumber;
                int32_t clickCount;
                double deltaX;
                double deltaY;
                double deltaZ;
            } mouse;
            struct
            {
                uint32_t modifierFlags;
                NPNSString* characters;
                NPNSString* charactersIgnoringModifiers;
                NPBool isARepeat;
                uint16_t keyCode;
            } key;
            struct
            {
                void* context;
                double x;
                double y;
                double width;
                double height;
            } draw;
            struct
            {
                NPBool hasFocus;
            } focus;
            struct
            {
                NPNSString* text;
            } text;
        } data;
    } NPCocoaEvent;

    /* Scripting: opaque here. */
    typedef void* NPIdentifier;
    typedef struct NPObject NPObject;
    typedef struct NPClass NPClass;
    typedef struct _NPVariant NPVariant;
    typedef struct _NPString NPString;

    /* The browser's functions. */
    typedef NPError (*NPN_GetURLProcPtr)(NPP, const char* url, const char* window);
    typedef NPError (*NPN_PostURLProcPtr)(NPP, const char* url, const char* window, uint32_t len, const char* buf,
                                          NPBool file);
    typedef NPError (*NPN_RequestReadProcPtr)(NPStream*, NPByteRange*);
    typedef NPError (*NPN_NewStreamProcPtr)(NPP, NPMIMEType, const char* window, NPStream** stream);
    typedef int32_t (*NPN_WriteProcPtr)(NPP, NPStream*, int32_t len, void* buffer);
    typedef NPError (*NPN_DestroyStreamProcPtr)(NPP, NPStream*, NPReason);
    typedef void (*NPN_StatusProcPtr)(NPP, const char* message);
    typedef const char* (*NPN_UserAgentProcPtr)(NPP);
    typedef void* (*NPN_MemAllocProcPtr)(uint32_t size);
    typedef void (*NPN_MemFreeProcPtr)(void* ptr);
    typedef uint32_t (*NPN_MemFlushProcPtr)(uint32_t size);
    typedef void (*NPN_ReloadPluginsProcPtr)(NPBool reloadPages);
    typedef void* (*NPN_GetJavaEnvProcPtr)(void);
    typedef void* (*NPN_GetJavaPeerProcPtr)(NPP);
    typedef NPError (*NPN_GetURLNotifyProcPtr)(NPP, const char* url, const char* window, void* notifyData);
    typedef NPError (*NPN_PostURLNotifyProcPtr)(NPP, const char* url, const char* window, uint32_t len, const char* buf,
                                                NPBool file, void* notifyData);
    typedef NPError (*NPN_GetValueProcPtr)(NPP, NPNVariable, void* value);
    typedef NPError (*NPN_SetValueProcPtr)(NPP, NPPVariable, void* value);
    typedef void (*NPN_InvalidateRectProcPtr)(NPP, NPRect*);
    typedef void (*NPN_InvalidateRegionProcPtr)(NPP, NPRegion);
    typedef void (*NPN_ForceRedrawProcPtr)(NPP);
    typedef NPIdentifier (*NPN_GetStringIdentifierProcPtr)(const NPUTF8* name);
    typedef void (*NPN_GetStringIdentifiersProcPtr)(const NPUTF8** names, int32_t count, NPIdentifier* identifiers);
    typedef NPIdentifier (*NPN_GetIntIdentifierProcPtr)(int32_t value);
    typedef bool (*NPN_IdentifierIsStringProcPtr)(NPIdentifier);
    typedef NPUTF8* (*NPN_UTF8FromIdentifierProcPtr)(NPIdentifier);
    typedef int32_t (*NPN_IntFromIdentifierProcPtr)(NPIdentifier);
    typedef NPObject* (*NPN_CreateObjectProcPtr)(NPP, NPClass*);
    typedef NPObject* (*NPN_RetainObjectProcPtr)(NPObject*);
    typedef void (*NPN_ReleaseObjectProcPtr)(NPObject*);
    typedef bool (*NPN_InvokeProcPtr)(NPP, NPObject*, NPIdentifier method, const NPVariant* args, uint32_t argCount,
                                      NPVariant* result);
    typedef bool (*NPN_InvokeDefaultProcPtr)(NPP, NPObject*, const NPVariant* args, uint32_t argCount,
                                             NPVariant* result);
    typedef bool (*NPN_EvaluateProcPtr)(NPP, NPObject*, NPString* script, NPVariant* result);
    typedef bool (*NPN_GetPropertyProcPtr)(NPP, NPObject*, NPIdentifier, NPVariant* result);
    typedef bool (*NPN_SetPropertyProcPtr)(NPP, NPObject*, NPIdentifier, const NPVariant* value);
    typedef bool (*NPN_RemovePropertyProcPtr)(NPP, NPObject*, NPIdentifier);
    typedef bool (*NPN_HasPropertyProcPtr)(NPP, NPObject*, NPIdentifier);
    typedef bool (*NPN_HasMethodProcPtr)(NPP, NPObject*, NPIdentifier);
    typedef void (*NPN_ReleaseVariantValueProcPtr)(NPVariant*);
    typedef void (*NPN_SetExceptionProcPtr)(NPObject*, const NPUTF8* message);
    typedef NPError (*NPN_PopUpContextMenuProcPtr)(NPP, NPMenu*);
    /* The slots between SetException and PopUpContextMenu: nothing here calls them. */
    typedef void (*NPN_UnusedProcPtr)(void);

    typedef struct _NPNetscapeFuncs
    {
        uint16_t size;
        uint16_t version; /* major in the high byte */
        NPN_GetURLProcPtr geturl;
        NPN_PostURLProcPtr posturl;
        NPN_RequestReadProcPtr requestread;
        NPN_NewStreamProcPtr newstream;
        NPN_WriteProcPtr write;
        NPN_DestroyStreamProcPtr destroystream;
        NPN_StatusProcPtr status;
        NPN_UserAgentProcPtr uagent;
        NPN_MemAllocProcPtr memalloc;
        NPN_MemFreeProcPtr memfree;
        NPN_MemFlushProcPtr memflush;
        NPN_ReloadPluginsProcPtr reloadplugins;
        NPN_GetJavaEnvProcPtr getJavaEnv;
        NPN_GetJavaPeerProcPtr getJavaPeer;
        NPN_GetURLNotifyProcPtr geturlnotify;
        NPN_PostURLNotifyProcPtr posturlnotify;
        NPN_GetValueProcPtr getvalue;
        NPN_SetValueProcPtr setvalue;
        NPN_InvalidateRectProcPtr invalidaterect;
        NPN_InvalidateRegionProcPtr invalidateregion;
        NPN_ForceRedrawProcPtr forceredraw;
        NPN_GetStringIdentifierProcPtr getstringidentifier;
        NPN_GetStringIdentifiersProcPtr getstringidentifiers;
        NPN_GetIntIdentifierProcPtr getintidentifier;
        NPN_IdentifierIsStringProcPtr identifierisstring;
        NPN_UTF8FromIdentifierProcPtr utf8fromidentifier;
        NPN_IntFromIdentifierProcPtr intfromidentifier;
        NPN_CreateObjectProcPtr createobject;
        NPN_RetainObjectProcPtr retainobject;
        NPN_ReleaseObjectProcPtr releaseobject;
        NPN_InvokeProcPtr invoke;
        NPN_InvokeDefaultProcPtr invokeDefault;
        NPN_EvaluateProcPtr evaluate;
        NPN_GetPropertyProcPtr getproperty;
        NPN_SetPropertyProcPtr setproperty;
        NPN_RemovePropertyProcPtr removeproperty;
        NPN_HasPropertyProcPtr hasproperty;
        NPN_HasMethodProcPtr hasmethod;
        NPN_ReleaseVariantValueProcPtr releasevariantvalue;
        NPN_SetExceptionProcPtr setexception;
        NPN_UnusedProcPtr pushpopupsenabledstate;
        NPN_UnusedProcPtr poppopupsenabledstate;
        NPN_UnusedProcPtr enumerate;
        NPN_UnusedProcPtr pluginthreadasynccall;
        NPN_UnusedProcPtr construct;
        NPN_UnusedProcPtr getvalueforurl;
        NPN_UnusedProcPtr setvalueforurl;
        NPN_UnusedProcPtr getauthenticationinfo;
        NPN_UnusedProcPtr scheduletimer;
        NPN_UnusedProcPtr unscheduletimer;
        NPN_PopUpContextMenuProcPtr popupcontextmenu;
    } NPNetscapeFuncs;

    /* The plug-in's functions. */
    typedef NPError (*NPP_NewProcPtr)(NPMIMEType, NPP, uint16_t mode, int16_t argc, char* argn[], char* argv[],
                                      NPSavedData* saved);
    typedef NPError (*NPP_DestroyProcPtr)(NPP, NPSavedData** save);
    typedef NPError (*NPP_SetWindowProcPtr)(NPP, NPWindow*);
    typedef NPError (*NPP_NewStreamProcPtr)(NPP, NPMIMEType, NPStream*, NPBool seekable, uint16_t* stype);
    typedef NPError (*NPP_DestroyStreamProcPtr)(NPP, NPStream*, NPReason);
    typedef void (*NPP_StreamAsFileProcPtr)(NPP, NPStream*, const char* fname);
    typedef int32_t (*NPP_WriteReadyProcPtr)(NPP, NPStream*);
    typedef int32_t (*NPP_WriteProcPtr)(NPP, NPStream*, int32_t offset, int32_t len, void* buffer);
    typedef void (*NPP_PrintProcPtr)(NPP, NPPrint*);
    /* The event is an NPEventRecord in Carbon mode, an NPCocoaEvent in Cocoa mode. */
    typedef int16_t (*NPP_HandleEventProcPtr)(NPP, void* event);
    typedef void (*NPP_URLNotifyProcPtr)(NPP, const char* url, NPReason, void* notifyData);
    typedef NPError (*NPP_GetValueProcPtr)(NPP, NPPVariable, void* value);
    typedef NPError (*NPP_SetValueProcPtr)(NPP, NPNVariable, void* value);

    typedef struct _NPPluginFuncs
    {
        uint16_t size;
        uint16_t version;
        NPP_NewProcPtr newp;
        NPP_DestroyProcPtr destroy;
        NPP_SetWindowProcPtr setwindow;
        NPP_NewStreamProcPtr newstream;
        NPP_DestroyStreamProcPtr destroystream;
        NPP_StreamAsFileProcPtr asfile;
        NPP_WriteReadyProcPtr writeready;
        NPP_WriteProcPtr write;
        NPP_PrintProcPtr print;
        NPP_HandleEventProcPtr event;
        NPP_URLNotifyProcPtr urlnotify;
        void* javaClass; /* left as the browser gave it */
        NPP_GetValueProcPtr getvalue;
        NPP_SetValueProcPtr setvalue;
    } NPPluginFuncs;

#ifdef __cplusplus
}
#endif

#endif
