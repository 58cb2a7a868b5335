// Checks and rewrites the text of an edit field when the user confirms it. The base passes every text unchanged;
// validators are registered by their four-character code, which interface files name in 'FACE'/'TXVL'.
#pragma once

#include "CxString.h"
#include "CxTypes.h"

class FxTextValidator
{
public:
    FxTextValidator() = default;
    virtual ~FxTextValidator() = default;

    // The caller sets ioOk to true first; a validator may rewrite the text and clear ioOk.
    void Validate(CxString& ioText, bool& ioOk) { OnValidate(ioText, ioOk); }

protected:
    virtual void OnValidate(CxString& ioText, bool& ioOk);
};

using FxTextValidatorFactory = FxTextValidator* (*)();

// 'TXVL' (the base) is registered from the start. A null factory removes the code.
void FxRegisterTextValidator(CxUint32 inCode, FxTextValidatorFactory inFactory);
// A new validator for the code, owned by the caller; null for an unregistered code.
FxTextValidator* FxMakeTextValidator(CxUint32 inCode);
