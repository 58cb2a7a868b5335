#include "FxTextValidators.h"

#include "CxParsers.h"

#include <cmath>
#include <cstdint>

namespace
{

constexpr CxUint32 Code(const char (&inCode)[5])
{
    return (CxUint32(CxUint8(inCode[0])) << 24) | (CxUint32(CxUint8(inCode[1])) << 16) |
           (CxUint32(CxUint8(inCode[2])) << 8) | CxUint32(CxUint8(inCode[3]));
}

// The landed integer grammars with a value that cannot wrap: once the magnitude passes inLimit the text fails,
// however many digits follow.
class CheckedUintParser final : public CxUintBaseParser
{
public:
    explicit CheckedUintParser(std::uint64_t inLimit) : mLimit(inLimit) {}
    void Digit(CxUint16 inUnit) override
    {
        if (mValue <= mLimit)
            mValue = mValue * 10 + (inUnit - '0');
    }
    bool InRange() const { return mValue <= mLimit; }
    std::uint64_t Value() const { return mValue; }

private:
    std::uint64_t mLimit;
    std::uint64_t mValue = 0;
};

class CheckedSintParser final : public CxSintBaseParser
{
public:
    void Digit(CxUint16 inUnit) override
    {
        if (mMagnitude <= kMaxMagnitude)
            mMagnitude = mMagnitude * 10 + (inUnit - '0');
    }
    void Sign(CxUint16 inUnit) override { mNegative = inUnit == '-'; }
    bool InRange() const { return mMagnitude <= (mNegative ? kMaxMagnitude : kMaxMagnitude - 1); }
    long Value() const { return mNegative ? -long(mMagnitude) : long(mMagnitude); }

private:
    static constexpr std::uint64_t kMaxMagnitude = std::uint64_t(1) << 31;
    std::uint64_t mMagnitude = 0;
    bool mNegative = false;
};

// An unsigned value up to inMax, rewritten as its decimal text followed by inSuffix.
void ValidateUnsigned(CxString& ioText, bool& ioOk, std::uint64_t inMax, const char* inSuffix)
{
    CheckedUintParser parser(inMax);
    if (!ioText.ParseValue(parser) || !parser.InRange())
    {
        ioOk = false;
        return;
    }
    ioText = CxString(static_cast<unsigned long>(parser.Value())) + inSuffix;
}

// A number within inLimit either way; the text is rewritten whenever it parses.
void ValidateCoordinate(CxString& ioText, bool& ioOk, double inLimit)
{
    CxFloatParser<double> parser;
    if (!ioText.ParseValue(parser))
    {
        ioOk = false;
        return;
    }
    const double value = parser.Value();
    ioText = CxString(value, 3);
    if (std::isnan(value) || value < -inLimit || value > inLimit)
        ioOk = false;
}

void ChangeCase(CxString& ioText, bool inUpper)
{
    const CxUint32 length = ioText.Length();
    for (CxUint32 i = 0; i < length; ++i)
    {
        const CxUint16 unit = ioText[i];
        if (inUpper && unit >= 'a' && unit <= 'z')
            ioText[i] = CxUint16(unit - ('a' - 'A'));
        else if (!inUpper && unit >= 'A' && unit <= 'Z')
            ioText[i] = CxUint16(unit + ('a' - 'A'));
    }
}

template <class T> FxTextValidator* Make()
{
    return new T;
}

} // namespace

void FxDateValidator::OnValidate(CxString&, bool&) {}

void FxTimeValidator::OnValidate(CxString&, bool&) {}

void FxLatitudeValidator::OnValidate(CxString& ioText, bool& ioOk)
{
    ValidateCoordinate(ioText, ioOk, 90.0);
}

void FxLongitudeValidator::OnValidate(CxString& ioText, bool& ioOk)
{
    ValidateCoordinate(ioText, ioOk, 180.0);
}

void FxFloatValidator::OnValidate(CxString& ioText, bool& ioOk)
{
    if (ioText.Length() == 0)
        return;
    CxFloatParser<double> parser;
    if (!ioText.ParseValue(parser))
    {
        ioOk = false;
        return;
    }
    ioText = CxString(parser.Value(), 3);
}

void FxSint32Validator::OnValidate(CxString& ioText, bool& ioOk)
{
    CheckedSintParser parser;
    if (!ioText.ParseValue(parser) || !parser.InRange())
    {
        ioOk = false;
        return;
    }
    ioText = CxString(parser.Value());
}

void FxUint32Validator::OnValidate(CxString& ioText, bool& ioOk)
{
    ValidateUnsigned(ioText, ioOk, 0xFFFFFFFFu, "");
}

void FxPercentValidator::OnValidate(CxString& ioText, bool& ioOk)
{
    ValidateUnsigned(ioText, ioOk, 100, "%");
}

void FxLineWidthValidator::OnValidate(CxString& ioText, bool& ioOk)
{
    ValidateUnsigned(ioText, ioOk, 10, " px");
}

void FxUppercaseValidator::OnValidate(CxString& ioText, bool&)
{
    ChangeCase(ioText, true);
}

void FxLowercaseValidator::OnValidate(CxString& ioText, bool&)
{
    ChangeCase(ioText, false);
}

void FxRegisterValidators()
{
    FxRegisterTextValidator(Code("TXVL"), Make<FxTextValidator>);
    FxRegisterTextValidator(Code("DATE"), Make<FxDateValidator>);
    FxRegisterTextValidator(Code("TIME"), Make<FxTimeValidator>);
    FxRegisterTextValidator(Code("UPPR"), Make<FxUppercaseValidator>);
    FxRegisterTextValidator(Code("LOWR"), Make<FxLowercaseValidator>);
    FxRegisterTextValidator(Code("LATI"), Make<FxLatitudeValidator>);
    FxRegisterTextValidator(Code("LONG"), Make<FxLongitudeValidator>);
    FxRegisterTextValidator(Code("FLOT"), Make<FxFloatValidator>);
    FxRegisterTextValidator(Code("SI32"), Make<FxSint32Validator>);
    FxRegisterTextValidator(Code("UI32"), Make<FxUint32Validator>);
    FxRegisterTextValidator(Code("PCNT"), Make<FxPercentValidator>);
    FxRegisterTextValidator(Code("LINE"), Make<FxLineWidthValidator>);
}
