#include "FxTestPlugin.h"

namespace
{

FxTestFactory sFactory;

FxPluginInstance* InstanceOf(NPP inInstance)
{
    return inInstance != nullptr ? static_cast<FxPluginInstance*>(inInstance->pdata) : nullptr;
}

NPError New(NPMIMEType, NPP inInstance, uint16_t, int16_t inCount, char* inNames[], char* inValues[], NPSavedData*)
{
    FxPluginInstance::Arguments arguments;
    for (int16_t i = 0; i < inCount; ++i)
    {
        CxString name(inNames[i]);
        name.Lowercase();
        arguments[name] = CxString(inValues[i]);
    }
    inInstance->pdata = sFactory(inInstance, arguments);
    return NPERR_NO_ERROR;
}

NPError Destroy(NPP inInstance, NPSavedData**)
{
    delete InstanceOf(inInstance);
    inInstance->pdata = nullptr;
    return NPERR_NO_ERROR;
}

NPError SetWindow(NPP inInstance, NPWindow* inWindow)
{
    FxPluginInstance* instance = InstanceOf(inInstance);
    if (instance == nullptr)
        return NPERR_INVALID_INSTANCE_ERROR;
    instance->SetWindow(inWindow);
    return NPERR_NO_ERROR;
}

NPError NewStream(NPP inInstance, NPMIMEType inType, NPStream* inStream, NPBool, uint16_t*)
{
    inStream->pdata = new FxPluginStream(InstanceOf(inInstance), CxString(inType), inStream);
    return NPERR_NO_ERROR;
}

int32_t WriteReady(NPP, NPStream* inStream)
{
    return static_cast<FxPluginStream*>(inStream->pdata)->WriteReady();
}

int32_t Write(NPP, NPStream* inStream, int32_t inOffset, int32_t inLength, void* inBuffer)
{
    return static_cast<FxPluginStream*>(inStream->pdata)->Write(inOffset, inLength, inBuffer);
}

NPError DestroyStream(NPP, NPStream* inStream, NPReason inReason)
{
    auto* stream = static_cast<FxPluginStream*>(inStream->pdata);
    if (stream == nullptr)
        return NPERR_NO_ERROR;
    stream->Finished(inReason);
    inStream->pdata = nullptr;
    delete stream;
    return NPERR_NO_ERROR;
}

int16_t HandleEvent(NPP inInstance, void* inEvent)
{
    FxPluginInstance* instance = InstanceOf(inInstance);
    return instance != nullptr && instance->HandleEvent(inEvent) ? 1 : 0;
}

NPError GetValue(NPP inInstance, NPPVariable inVariable, void* outValue)
{
    FxPluginInstance* instance = InstanceOf(inInstance);
    return instance != nullptr ? instance->GetValue(inVariable, outValue) : NPERR_GENERIC_ERROR;
}

} // namespace

NPPluginFuncs FxTestPluginFuncs(FxTestFactory inFactory)
{
    sFactory = std::move(inFactory);
    NPPluginFuncs funcs{};
    funcs.size = sizeof(NPPluginFuncs);
    funcs.version = NP_VERSION_MINOR;
    funcs.newp = New;
    funcs.destroy = Destroy;
    funcs.setwindow = SetWindow;
    funcs.newstream = NewStream;
    funcs.destroystream = DestroyStream;
    funcs.writeready = WriteReady;
    funcs.write = Write;
    funcs.event = HandleEvent;
    funcs.getvalue = GetValue;
    return funcs;
}
