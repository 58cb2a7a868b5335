// The list facilities the control builder makes from interface files: list-view data browsers whose content
// comes from an attached FxDataModel, and tables, a vertically scrolling stack of rows copied from the cell view
// "ShapeCell" of the bundle's "VaneCells" interface file.
#pragma once

#include "FxControl.h"
#include "PfDrag.h"

class FxDataModel;

class FxDataBrowser : public FxControl
{
public:
    explicit FxDataBrowser(pf::ViewRef inControl);
    // Deletes the model.
    ~FxDataBrowser() override;

    // Owned from here on; the model attached before is detached first (and not deleted).
    void AttachModel(FxDataModel* inModel);
    // A model other than the attached one is not told; the browser forgets its own all the same.
    void DetachModel(FxDataModel* inModel);
    FxDataModel* Model() const { return mModel; }

    void AddItems(CxUint32 inContainer, CxUint32 inCount, const CxUint32* inItems, CxUint32 inPresortProperty);
    void RemoveItems(CxUint32 inContainer, CxUint32 inCount, const CxUint32* inItems);
    void RemoveAllItems();
    // The item becomes the whole selection.
    void SelectItem(CxUint32 inItem);

    // The browser's callbacks; they find the browser of the control and do nothing (answering 0) without one.
    static pf::OSStatus ItemDataProc(pf::ViewRef inControl, pf::DataBrowserItemID inItem,
                                     pf::DataBrowserPropertyID inProperty, pf::DataBrowserItemData& ioData, bool inSet);
    static bool CompareProc(pf::ViewRef inControl, pf::DataBrowserItemID inItem1, pf::DataBrowserItemID inItem2,
                            pf::DataBrowserPropertyID inProperty);
    static void NotificationProc(pf::ViewRef inControl, pf::DataBrowserItemID inItem,
                                 pf::DataBrowserNotification inMessage);

private:
    FxDataModel* mModel = nullptr;
    pf::DataBrowserCallbacks mCallbacks;
    std::uint32_t mFolderIcon = 0;
};

class FxTableScrollable;

// The control is a scroll view made in the placeholder's place; the placeholder becomes the content.
class FxTable : public FxControl
{
public:
    explicit FxTable(pf::ViewRef inPlaceholder);

    int GetRowCount() const;
    // Row 1 is the first; null when there is none.
    FxControl* GetRow(int inRow) const;
    void SetRowCount(int inCount);
    FxTableScrollable* Content() const { return mContent; }

private:
    // The placeholder's wrapper, in the scroller's tree: it goes with the tree, never by the table's own hand.
    FxTableScrollable* mContent = nullptr;
};

// Row i is the direct subview with id ('FACE', -i).
class FxTableScrollable : public FxControl
{
public:
    explicit FxTableScrollable(pf::ViewRef inControl);
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;

    void AddRows(int inCount);
    void RemoveRows(int inCount);
    int RowCount() const { return mRowCount; }
    pf::Point Origin() const { return mOrigin; }

private:
    void NotifyScroller();
    pf::ViewRef FindRow(int inRow) const;

    int mRowCount = 0;
    // The platform's views have no bounds origin: scrolling moves the content's frame instead.
    pf::Point mOrigin;
};

class FxTableCell : public FxControl
{
public:
    explicit FxTableCell(pf::ViewRef inControl);
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;
};

class FxBorder : public FxControl
{
public:
    explicit FxBorder(pf::ViewRef inControl);
    pf::OSStatus Event(pf::HandlerCallRef inCall, pf::Event& ioEvent) override;
};

FxDataBrowser* AsFxDataBrowser(FxControl* inControl);
FxTable* AsFxTable(FxControl* inControl);
FxTableScrollable* AsFxTableScrollable(FxControl* inControl);
FxTableCell* AsFxTableCell(FxControl* inControl);
FxBorder* AsFxBorder(FxControl* inControl);
