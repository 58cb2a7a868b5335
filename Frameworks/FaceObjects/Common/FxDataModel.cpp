#include "FxDataModel.h"
#include "CxDebug.h"

void FxDataModel::AttachBrowser(FxDataBrowser* inBrowser)
{
    CxAssertText(mBrowser == nullptr, "!mBrowser");
    mBrowser = inBrowser;
    if (mBrowser != nullptr)
        OnAttachBrowser(mBrowser);
}

void FxDataModel::DetachBrowser(FxDataBrowser* inBrowser)
{
    CxAssertText(mBrowser == inBrowser, "mBrowser == inBrowser");
    OnDetachBrowser(mBrowser);
    mBrowser = nullptr;
}
