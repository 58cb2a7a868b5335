// Gives access to the clipboard and supplies promised clipboard data. Every FxWindow and FxView is one; the hook
// does nothing here.
#pragma once

#include "PfDrag.h"

class FxScrap;
class FxScrapFlavor;

class FxScrapHandler
{
public:
    FxScrapHandler() = default;
    virtual ~FxScrapHandler() = default;
    FxScrapHandler(const FxScrapHandler&) = delete;
    FxScrapHandler& operator=(const FxScrapHandler&) = delete;

    virtual void OnScrapSend(FxScrap&, FxScrapFlavor&) {}

    static FxScrap GetScrap();
    static pf::OSStatus ClearScrap();
    pf::OSStatus ScrapSend(pf::ScrapRef inScrap, pf::FourCharCode inType);
    // The promise keeper, its user data the handler: install it with pf::SetScrapPromiseKeeper.
    static pf::OSStatus ScrapPromiseKeeperProc(pf::ScrapRef inScrap, pf::FourCharCode inType, void* inUserData);
};
