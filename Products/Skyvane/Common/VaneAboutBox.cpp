#include "VaneAboutBox.h"

#include "CxDebug.h"
#include "CxSystem.h"
#include "FxCommander.h"
#include "FxControl.h"
#include "PfTypes.h"
#include "VanePlugin.h"
#include "VaneSheetWindow.h"

#include <cstdlib>

VaneAboutBox* VaneAboutBox::sAboutBox = nullptr;

namespace
{

void SetStaticText(FxWindow* inWindow, CxSint32 inId, const CxString& inText)
{
    if (FxStaticText* text = AsFxStaticText(inWindow->GetControlById(inId)))
        text->SetText(inText);
}

} // namespace

VaneAboutBox::VaneAboutBox() : FxDialogWindow(CxString("VaneMain"), CxString("AboutWindow"), nullptr)
{
    const CxRect content = ContentBounds();
    mFrame = CxRect(0, 0, CxSint16(content.right - content.left), CxSint16(content.bottom - content.top));
    mRandom = std::rand();
    CxAssertText(sAboutBox == nullptr, "sAboutBox == nil");
    sAboutBox = this;

    SetStaticText(this, 1, CxString("Skyvane ") + VanePlugin::sLastUpdate.AsMajorMinorString());
    SetStaticText(this, 2, RandomString());
    CxString statement = CxLocalize(CxString("kCopyrightStatement"));
    statement.Replace(CxString("%date;"), CxString("2010"), 0);
    SetStaticText(this, 3, statement);
    SetStaticText(this, 4, CxString("Quarrin"));
    SetStaticText(this, 5, CxLocalize(CxString("kAllRightsReserved")));
}

VaneAboutBox::~VaneAboutBox()
{
    CxAssertText(sAboutBox != nullptr, "sAboutBox != nil");
    if (sAboutBox == this)
        sAboutBox = nullptr;
}

void VaneAboutBox::Display()
{
    if (sAboutBox == nullptr)
    {
        new VaneAboutBox();
        CxAssertText(sAboutBox != nullptr, "sAboutBox != nil");
    }
    sAboutBox->Show();
    sAboutBox->Expand();
    sAboutBox->BringToFront();
}

void VaneAboutBox::RemoveAboutBox()
{
    delete sAboutBox;
}

void VaneAboutBox::OnActivate()
{
    VaneFloatingWindow::UpdateAll(this);
}

void VaneAboutBox::OnCommandStatus(FxCommand& ioCommand)
{
    switch (ioCommand.Id())
    {
    case pf::FourCC("clos"):
    case pf::FourCC("ONLN"):
    case pf::FourCC("RFSH"):
    case pf::FourCC("new "):
    case pf::FourCC("open"):
        ioCommand.Enable();
        break;
    default:
        break;
    }
}

CxString VaneAboutBox::RandomString() const
{
    static const char* const kKeys[4] = {"byline1", "byline2", "byline3", "byline4"};
    return CxLocalize(CxString(kKeys[mRandom & 3]));
}
