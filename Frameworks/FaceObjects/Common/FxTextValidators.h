// The toolkit's text validators, chosen by the 'FACE'/'TXVL' code of an edit field. Numbers are read from the start
// of the text; what follows the number is ignored, so a rewritten text validates again to itself.
#pragma once

#include "FxTextValidator.h"

// Always pass, text unchanged.
class FxDateValidator : public FxTextValidator
{
protected:
    void OnValidate(CxString& ioText, bool& ioOk) override;
};

class FxTimeValidator : public FxTextValidator
{
protected:
    void OnValidate(CxString& ioText, bool& ioOk) override;
};

// A number from -90 to 90, rewritten with 3 decimals (also when it fails).
class FxLatitudeValidator : public FxTextValidator
{
protected:
    void OnValidate(CxString& ioText, bool& ioOk) override;
};

// A number from -180 to 180, rewritten with 3 decimals (also when it fails).
class FxLongitudeValidator : public FxTextValidator
{
protected:
    void OnValidate(CxString& ioText, bool& ioOk) override;
};

// Empty stays empty; any number (NaN and infinities included) is rewritten with 3 decimals.
class FxFloatValidator : public FxTextValidator
{
protected:
    void OnValidate(CxString& ioText, bool& ioOk) override;
};

// A signed 32-bit integer; a value out of range fails rather than wrapping.
class FxSint32Validator : public FxTextValidator
{
protected:
    void OnValidate(CxString& ioText, bool& ioOk) override;
};

// An unsigned 32-bit integer; a value out of range fails rather than wrapping.
class FxUint32Validator : public FxTextValidator
{
protected:
    void OnValidate(CxString& ioText, bool& ioOk) override;
};

// 0 to 100, followed by "%".
class FxPercentValidator : public FxTextValidator
{
protected:
    void OnValidate(CxString& ioText, bool& ioOk) override;
};

// 0 to 10, followed by " px".
class FxLineWidthValidator : public FxTextValidator
{
protected:
    void OnValidate(CxString& ioText, bool& ioOk) override;
};

// ASCII letters only; every other unit stays as it is.
class FxUppercaseValidator : public FxTextValidator
{
protected:
    void OnValidate(CxString& ioText, bool& ioOk) override;
};

class FxLowercaseValidator : public FxTextValidator
{
protected:
    void OnValidate(CxString& ioText, bool& ioOk) override;
};

// Registers the validators above under their codes ('DATE', 'TIME', 'UPPR', 'LOWR', 'LATI', 'LONG', 'FLOT',
// 'SI32', 'UI32', 'PCNT', 'LINE') and the base under 'TXVL'. The control registry calls it.
void FxRegisterValidators();
