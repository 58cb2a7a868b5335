// The instance every embed starts as: it takes the document stream, shows the plug-in's icon and any message, and
// hands the browser instance over to the instance of the document's kind once the document parses.
#pragma once

#include "CxData.h"
#include "CxString.h"
#include "FxPlugin.h"
#include "GxString.h"

class FxCommand;
class WxGraph;
class WxMap;
class WxParser;

class VanePluginInstance : public FxPluginInstance
{
public:
    // Builds the shown instance of a parsed document by the transplant constructor; null when it cannot.
    using Maker = FxPluginInstance* (*)(FxPluginInstance* inSource, WxParser& ioParser);
    // The map maker builds a VaneMapInstance; the graph maker is null until the graph instance exists (such
    // documents then hold "neither").
    static Maker sMapMaker;
    static Maker sGraphMaker;

    VanePluginInstance(NPP inInstance, const Arguments& inArguments);
    ~VanePluginInstance() override;

    void OnSetContext() override;
    void OnAcceptStream(FxPluginStream* inStream) override;
    void OnMouseDown(const FxMouseEvent& inEvent) override;
    void OnCommand(FxCommand& ioCommand) override;
    void OnDraw() override;

    // True when this placeholder has been replaced and deleted.
    bool ParseData();
    // Redraws only when the lines change: a document that fails the same way at every draw asks no more draws.
    void SetMessage(const CxString& inText);

    void CommandAbout(FxCommand& ioCommand);
    void CommandViewSource(FxCommand& ioCommand);
    void CommandHelp(FxCommand& ioCommand);

    CxData GetData() const { return mData.Copy(); }
    CxString GetUrl() const { return mUrl; }
    CxString GetMime() const { return mMime; }
    const CxStringList& GetMessage() const { return mMessage; }

private:
    CxData mData;
    CxString mUrl;
    CxString mMime;
    Arguments mArguments;
    CxStringList mMessage;
    GxStringBunch mMessageTextures;
};

// Holds the map or graph of a document without showing it: its data subscriptions run, nothing is drawn.
class VaneAgentInstance : public FxPluginInstance
{
public:
    VaneAgentInstance(FxPluginInstance* inSource, WxParser& ioParser);
    ~VaneAgentInstance() override;

    void OnAcceptStream(FxPluginStream*) override {}

    WxMap* GetMap() const { return mMap; }
    WxGraph* GetGraph() const { return mGraph; }

private:
    WxMap* mMap = nullptr;
    WxGraph* mGraph = nullptr;
};

// Replaces the named file of the temporary folder with the bytes and opens it with its default application.
// Failures are debug lines only.
void VaneWriteAndOpen(const CxString& inName, CxData& ioData);
