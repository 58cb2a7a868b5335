// The content of a list-view data browser: answers the browser's questions about its items. Items and properties
// are the data browser's 32-bit ids.
#pragma once

#include "CxString.h"
#include "CxTypes.h"

class FxDataBrowser;

class FxDataModel
{
public:
    FxDataModel() = default;
    virtual ~FxDataModel() = default;
    FxDataModel(const FxDataModel&) = delete;
    FxDataModel& operator=(const FxDataModel&) = delete;

    void AttachBrowser(FxDataBrowser* inBrowser);
    void DetachBrowser(FxDataBrowser* inBrowser);
    FxDataBrowser* GetBrowser() const { return mBrowser; }

    bool GetItemIsActive(CxUint32 inItem) { return OnGetItemIsActive(inItem); }
    bool GetItemIsSelectable(CxUint32 inItem) { return OnGetItemIsSelectable(inItem); }
    bool GetItemIsEditable(CxUint32 inItem) { return OnGetItemIsEditable(inItem); }
    bool GetItemIsContainer(CxUint32 inItem) { return OnGetItemIsContainer(inItem); }
    bool GetContainerIsOpenable(CxUint32 inItem) { return OnGetContainerIsOpenable(inItem); }
    bool GetContainerIsClosable(CxUint32 inItem) { return OnGetContainerIsClosable(inItem); }
    bool GetContainerIsSortable(CxUint32 inItem) { return OnGetContainerIsSortable(inItem); }
    CxUint32 GetItemParentContainer(CxUint32 inItem) { return OnGetItemParentContainer(inItem); }
    CxString GetItemProperty(CxUint32 inItem, CxUint32 inProperty) { return OnGetItemProperty(inItem, inProperty); }
    bool CompareItems(CxUint32 inItem1, CxUint32 inItem2, CxUint32 inProperty)
    {
        return OnCompareItems(inItem1, inItem2, inProperty);
    }
    void SetItemProperty(CxUint32 inItem, CxUint32 inProperty, const CxString& inText)
    {
        OnSetItemProperty(inItem, inProperty, inText);
    }
    void ItemSelected(CxUint32 inItem) { OnItemSelected(inItem); }
    void ItemDeselected(CxUint32 inItem) { OnItemDeselected(inItem); }
    void ItemDoubleClicked(CxUint32 inItem) { OnItemDoubleClicked(inItem); }

protected:
    virtual void OnAttachBrowser(FxDataBrowser*) {}
    virtual void OnDetachBrowser(FxDataBrowser*) {}
    virtual bool OnGetItemIsActive(CxUint32) { return true; }
    virtual bool OnGetItemIsSelectable(CxUint32) { return true; }
    virtual bool OnGetItemIsEditable(CxUint32) { return false; }
    virtual bool OnGetItemIsContainer(CxUint32) { return false; }
    virtual bool OnGetContainerIsOpenable(CxUint32) { return true; }
    virtual bool OnGetContainerIsClosable(CxUint32) { return true; }
    virtual bool OnGetContainerIsSortable(CxUint32) { return true; }
    virtual CxUint32 OnGetItemParentContainer(CxUint32) { return 0; }
    virtual CxString OnGetItemProperty(CxUint32, CxUint32) { return CxString(); }
    virtual bool OnCompareItems(CxUint32, CxUint32, CxUint32) { return false; }
    virtual void OnSetItemProperty(CxUint32, CxUint32, const CxString&) {}
    virtual void OnItemSelected(CxUint32) {}
    virtual void OnItemDeselected(CxUint32) {}
    virtual void OnItemDoubleClicked(CxUint32) {}

private:
    FxDataBrowser* mBrowser = nullptr;
};
