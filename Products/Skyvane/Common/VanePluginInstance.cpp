#include "VanePluginInstance.h"

#include "CxDebug.h"
#include "CxError.h"
#include "CxFile.h"
#include "CxLocalize.h"
#include "CxSystem.h"
#include "FxBrowser.h"
#include "FxCommander.h"
#include "FxMenu.h"
#include "FxMouseEvent.h"
#include "GxColor.h"
#include "GxContext.h"
#include "GxFont.h"
#include "PfTypes.h"
#include "VaneAboutBox.h"
#include "VaneGraphInstance.h"
#include "VaneMapInstance.h"
#include "WxGraph.h"
#include "WxMap.h"
#include "WxParser.h"

#include <GL/gl.h>

#include <exception>
#include <memory>

namespace
{

constexpr CxUint32 kCommandAbout = pf::FourCC("ABOU");
constexpr CxUint32 kCommandViewSource = pf::FourCC("VSRC");
constexpr CxUint32 kControlKey = 2;

} // namespace

VanePluginInstance::Maker VanePluginInstance::sMapMaker = VaneMapInstance::Make;
VanePluginInstance::Maker VanePluginInstance::sGraphMaker = VaneGraphInstance::Make;

VanePluginInstance::VanePluginInstance(NPP inInstance, const Arguments& inArguments)
    : FxPluginInstance(inInstance, inArguments), mArguments(inArguments)
{
}

VanePluginInstance::~VanePluginInstance()
{
    // The textures go with their context.
    if (GxContext* context = GetContext())
    {
        context->MakeCurrent();
        mMessageTextures.Clear();
    }
}

void VanePluginInstance::OnAcceptStream(FxPluginStream* inStream)
{
    CxAssert(inStream);
    if (inStream == nullptr)
        return;
    mData = inStream->GetData().Copy();
    mUrl = inStream->GetUrl();
    mMime = inStream->GetMime();
    switch (inStream->GetReason())
    {
    case NPRES_DONE:
        Invalidate();
        break;
    case NPRES_NETWORK_ERR:
        SetMessage(CxString("Not Found"));
        break;
    case NPRES_USER_BREAK:
        SetMessage(CxString("Cancelled"));
        break;
    default:
        SetMessage(CxString("Unknown Error ") + CxString(CxSint32(inStream->GetReason())));
        break;
    }
}

void VanePluginInstance::SetMessage(const CxString& inText)
{
    CxStringList lines;
    const std::string text = inText.AsUtf8();
    std::size_t start = 0;
    for (;;)
    {
        const std::size_t end = text.find('\n', start);
        lines.Append(CxString::FromUtf8(std::string_view(text).substr(start, end - start)));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    if (lines == mMessage)
        return;
    mMessage = std::move(lines);
    Invalidate();
}

void VanePluginInstance::OnSetContext()
{
    const CxString text = GetArgument(CxString("color"));
    GxColor color = text.Length() > 0 ? GxColor(text) : GxColor(CxString("#CCCCCCFF"));
    const CxUint32 packed = color.AsUint32();
    glClearColor(GLclampf(packed & 0xFF) / 255.0f, GLclampf((packed >> 8) & 0xFF) / 255.0f,
                 GLclampf((packed >> 16) & 0xFF) / 255.0f, 1.0f);
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void VanePluginInstance::OnDraw()
{
    GxContext* context = GetContext();
    if (context != nullptr)
    {
        context->MakeCurrent();
        glClear(GL_COLOR_BUFFER_BIT);
    }
    if (mData.Size() > 0 && ParseData())
        return;
    if (context == nullptr)
        return;
    // A hand-over that failed may have left another context current.
    context->MakeCurrent();

    const CxRect bounds = GetPluginBounds();
    const int left = bounds.Width() / 2 - 32;
    const int bottom = bounds.Height() / 2 - 32 + 10;
    context->Begin2D();
    context->PushAttribs();
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4d(1.0, 1.0, 1.0, 1.0);
    glBindTexture(GL_TEXTURE_2D, context->GetTexture(CxString("VaneIcon"), false));
    glBegin(GL_QUADS);
    glTexCoord2d(0, 0);
    glVertex2d(left, bottom);
    glTexCoord2d(1, 0);
    glVertex2d(left + 64, bottom);
    glTexCoord2d(1, 1);
    glVertex2d(left + 64, bottom + 64);
    glTexCoord2d(0, 1);
    glVertex2d(left, bottom + 64);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);

    GxFont font(CxUint32(0), 9);
    mMessageTextures.Clear();
    for (const CxString& line : mMessage)
        mMessageTextures.AddString(*context, line, &font);
    glColor4d(0.0, 0.0, 0.0, 1.0);
    glTranslated(left + 32.375, bottom - 31.625, 0.0);
    for (GxString* line : mMessageTextures)
    {
        line->Draw(*context, kGxHAlignCenter, kGxVAlignBottom);
        glTranslated(0.0, -(line->Height() + 5.0), 0.0);
    }
    mMessageTextures.Clear();
    context->PopAttribs();
    context->End2D();
    context->SwapBuffers();
}

bool VanePluginInstance::ParseData()
{
    std::unique_ptr<WxParser> parser = std::make_unique<WxParser>();
    try
    {
        CxData copy = mData.Copy();
        copy.Lock();
        const bool parsed = parser->Parse(copy.Pointer(), copy.Size(), true);
        copy.Unlock();
        if (!parsed || !parser->CompatibleVersion())
        {
            SetMessage(parser->LastErrorMessage());
            return false;
        }
        const bool agent = GetArgument(CxString("agent")) == CxString("true");
        FxPluginInstance* next = nullptr;
        if (parser->HasMap())
            next = agent ? new VaneAgentInstance(this, *parser) : sMapMaker ? sMapMaker(this, *parser) : nullptr;
        else if (parser->HasGraph())
            next = agent ? new VaneAgentInstance(this, *parser) : sGraphMaker ? sGraphMaker(this, *parser) : nullptr;
        if (next == nullptr)
            return false;
        delete this;
        return true;
    }
    // A shown instance that failed to build has given this placeholder back its window and context.
    catch (const CxError& inError)
    {
        SetMessage(inError.AsString());
    }
    catch (const std::exception& inError)
    {
        SetMessage(CxString::FromUtf8(inError.what()));
    }
    catch (...)
    {
        SetMessage(parser->LastErrorMessage());
    }
    return false;
}

void VanePluginInstance::OnMouseDown(const FxMouseEvent& inEvent)
{
    if (inEvent.mButton != 2 && (inEvent.mModifiers & kControlKey) == 0)
    {
        if (!mMessage.empty())
            NPN_GetURL(GetNpInstance(), CxLocalize(CxString("homePageUrl")).AsUtf8().c_str(), "_self");
        return;
    }
    FxMenu menu(CxString("VaneMain"), CxString("DefaultPopupMenu"));
    FxCommand command(DisplayPopupMenu(&menu, inEvent.mWhere));
    OnCommand(command);
    Invalidate();
}

void VanePluginInstance::OnCommand(FxCommand& ioCommand)
{
    switch (ioCommand.Id())
    {
    case kCommandAbout:
        CommandAbout(ioCommand);
        break;
    case kCommandViewSource:
        CommandViewSource(ioCommand);
        break;
    default:
        break;
    }
}

void VanePluginInstance::CommandAbout(FxCommand& ioCommand)
{
    VaneAboutBox::Display();
    ioCommand.Handled();
}

void VanePluginInstance::CommandViewSource(FxCommand& ioCommand)
{
    CxData copy = mData.Copy();
    VaneWriteAndOpen(CxString("temp.txt"), copy);
    ioCommand.Handled();
}

void VanePluginInstance::CommandHelp(FxCommand& ioCommand)
{
    CxBeep();
    ioCommand.Handled();
}

VaneAgentInstance::VaneAgentInstance(FxPluginInstance* inSource, WxParser& ioParser) : FxPluginInstance(inSource)
{
    if (ioParser.HasMap())
        mMap = ioParser.Map();
    else if (ioParser.HasGraph())
        mGraph = ioParser.Graph();
}

VaneAgentInstance::~VaneAgentInstance()
{
    delete mMap;
    delete mGraph;
}

void VaneWriteAndOpen(const CxString& inName, CxData& ioData)
{
    try
    {
        CxFile file = CxFolder(kCxTemporaryFolder).CreateFile(inName);
        file.WriteContents(ioData);
        file.Reveal();
    }
    catch (const CxError& inError)
    {
        _CxDebug(__FILE__, __LINE__, "inError", inError.AsString());
    }
    catch (...)
    {
        _CxDebugOut(__FILE__, __LINE__, "Unknown exception.", "Unknown exception.");
    }
}
