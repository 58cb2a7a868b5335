// Supplies promised clipboard data. Every FxWindow and FxView is one; the hook does nothing here.
#pragma once

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
};
