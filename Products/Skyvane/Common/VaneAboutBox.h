// The one about box: the product's name and version, a by-line drawn at random, the legal statement and the
// maker's name. Every instance's 'ABOU' shows it; closing the window deletes it.
#pragma once

#include "CxCoordinates.h"
#include "CxString.h"
#include "FxWindow.h"

class VaneAboutBox : public FxDialogWindow
{
public:
    // The open box, or null.
    static VaneAboutBox* sAboutBox;

    // Builds the box when there is none, then shows it, un-collapsed, in front.
    static void Display();
    // Deletes the open box, if any.
    static void RemoveAboutBox();

    ~VaneAboutBox() override;

    void OnActivate() override;
    void OnCommandStatus(FxCommand& ioCommand) override;
    // All three answer the size it was built at, so it cannot be resized.
    void OnGetIdealSize(CxRect& outSize) const override { outSize = mFrame; }
    void OnGetMinimumSize(CxRect& outSize) const override { outSize = mFrame; }
    void OnGetMaximumSize(CxRect& outSize) const override { outSize = mFrame; }
    void ChangeCaption() {}

    // One of "byline1" to "byline4", localised, by the two lowest bits of the number drawn at construction.
    CxString RandomString() const;

private:
    VaneAboutBox();

    // The content's size at the origin: the size answers are content sizes here.
    CxRect mFrame;
    int mRandom = 0;
};
