#include "DxDeriver.h"

#include "CxDebug.h"
#include "DxField.h"
#include "DxFrame.h"
#include "DxMetFormulas.h"
#include "DxSolarFormulas.h"

#include <cmath>
#include <limits>
#include <string>

namespace
{
constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();
}

const DxDeriver::FunctionInfo DxDeriver::sFunctionInfo[kFunctionCount] = {
    {DxCalcPalt, "palt", "mbar", "mbar,m", 0},
    {DxCalcPres, "pres", "mbar", "mbar,m", 0},
    {DxCalcTdew, "tdew", "cels", "cels,prct", 0},
    {DxCalcDiff, "diff", "celsd", "cels,cels", 0},
    {DxCalcDiff, "diffdist", "m", "m,m", 0},
    {DxCalcDiff, "diffprecip", "mm", "mm,mm", 0},
    {DxCalcVapr, "vapr", "mbar", "cels", 0},
    {DxCalcVapr, "vaps", "mbar", "cels", 0},
    {DxCalcVapr2, "vapr2", "mbar", "cels,prct", 0},
    {DxCalcRelh, "relh", "prct", "cels,cels", 0},
    {DxCalcChil, "chil", "fahr", "fahr,mph", 0},
    {DxCalcChil2, "chil2", "fahr", "fahr,mph", 0},
    {DxCalcCaChil, "cachil", "cels", "cels,kmph", 0},
    {DxCalcHeat, "heat", "fahr", "fahr,prct", 0},
    {DxCalcHumi, "humi", "nada", "cels,cels", 0},
    {DxCalcTapp, "tapp", "fahr", "fahr,prct,mph", 1},
    {DxCalcMixr, "mixr", "gpkg", "mbar,cels", 0},
    {DxCalcMixr, "mixs", "gpkg", "mbar,cels", 0},
    {DxCalcMixr2, "mixr2", "gpkg", "mbar,cels,prct", 0},
    {DxCalcThta, "thta", "kelv", "cels,mbar", 0},
    {DxCalcThte, "thte", "kelv", "cels,cels,mbar", 0},
    {DxCalcTlcl, "tlcl", "kelv", "cels,cels", 0},
    {DxCalcTvir, "tvir", "kelv", "cels,cels,mbar", 0},
    {DxCalcUwnd, "uwnd", "mps", "mps,degr", 0},
    {DxCalcVwnd, "vwnd", "mps", "mps,degr", 0},
    {DxCalcSpeh, "speh", "kgpkg", "cels,mbar", 0},
    {DxCalcWetb, "wetb", "cels", "cels,cels,mbar", 0},
    {DxCalcMp, "mp", "kpas", "celsd", 0},
    {DxCalcCmp, "cmp", "nada", "kpas", 0},
    {DxCalcFwi, "fwi", "nada", "celsd", 0},
    {DxCalcVwc, "vwc", "m3m3", "kpas,m3m3,m3m3,nada,nada", 0},
    {DxCalcSflx, "sflx", "wpsm", "nada,nada,m,fahr,nada,nada,hour", 0},
    {DxCalcExsr, "exsr", "wpsm", "secs,degr,degr", 0},
    {DxCalcExsr2, "exsr2", "wpsm", "secs,degr,degr,kelv,prct,mbar", 0},
    {DxCalcSifort, "sifort", "nada", "degr,degr", 0},
    {DxCalcSame, "elev", "m", "m", 0},
    {DxCalcSame, "lat", "degr", "degr", 0},
    {DxCalcSame, "lon", "degr", "degr", 0},
    {DxCalcRain, "rain", "mm", "nada", 0},
    {DxCalcVdef, "vdef", "mbar", "cels,prct", 0},
    {DxCalcRose, "rose", "nada", "degr,mps", 0},
    {DxCalcSkin, "skin", "cels", "cels,cels", 0},
    {DxCalcGhfc, "ghfc", "wpsm", "wpsm,wpsm", 0},
    {DxCalcGhfs, "ghfs", "wpsm", "cels,cels,m3m3", 0},
    {DxCalcLwRad, "lwrad", "wpsm", "wpsm,kelv,kelv", 0},
    {DxCalcRn4w, "rn4w", "wpsm", "wpsm,wpsm,wpsm,wpsm", 0},
    {DxCalcShfc, "shfc", "wpsm", "cmps,mbar,kelv", 0},
    {DxCalcRsid, "rsid", "wpsm", "wpsm,wpsm,wpsm,wpsm", 0},
    {DxCalcSwin, "swin", "wpsm", "wpsm", 0},
    {DxCalcGhfx, "ghfx", "wpsm", "wpsm,wpsm", 0},
    {DxCalcTsoi, "tsoi", "cels", "volt", 0},
    {DxCalcSmx, "smx", "m3m3", "volt,volt,volt,volt,nada", 0},
    {DxCalcSmx2, "smx2", "m3m3", "volt,volt,volt,cels,nada", 0},
    {DxCalcMse, "mse", "Jpkg", "kelv,kgpkg", 0},
    {DxCalcDse, "dse", "Jpkg", "kelv", 0},
    {DxCalcTeff, "teff", "kelv", "Jpkg", 0},
    {DxCalc1000Mbar, "1000mb", "mbar", "", 0},
    {DxCalc925Mbar, "925mb", "mbar", "", 0},
    {DxCalc850Mbar, "850mb", "mbar", "", 0},
    {DxCalc700Mbar, "700mb", "mbar", "", 0},
    {DxCalc500Mbar, "500mb", "mbar", "", 0},
    {DxCalc400Mbar, "400mb", "mbar", "", 0},
    {DxCalc300Mbar, "300mb", "mbar", "", 0},
    {DxCalc250Mbar, "250mb", "mbar", "", 0},
    {DxCalc200Mbar, "200mb", "mbar", "", 0},
    {DxCalc150Mbar, "150mb", "mbar", "", 0},
    {DxCalc100Mbar, "100mb", "mbar", "", 0},
    {DxCalcSpid, "spid", "nada", "inch,mph", 0},
    {DxCalcWdir, "wdir", "degr", "nada", 0},
};

DxDeriver::DxDeriver(const CxString& inResultId, const CxString& inFunction, const CxDate& inDate)
    : mResultId(inResultId), mFunction(inFunction), mDate(inDate)
{
    for (const FunctionInfo& info : sFunctionInfo)
    {
        if (inFunction.CompareTo(info.mName) != 0)
            continue;
        mValid = true;
        mCalculation = info.mCalculation;
        mResultUnit = DxUnit(CxString(info.mResultUnitId));
        mMissingValues = info.mMissingValues == 1;
        const CxString argUnits(info.mArgUnitIds);
        if (argUnits.Length() > 0)
            mArgUnitIds = argUnits.Tokenize(',');
        break;
    }
}

bool DxDeriver::ConvertUnits(DxFloatField* ioField, const DxUnit& inUnit)
{
    if (ioField == nullptr)
    {
        CxAssertText(false, "inField != nil");
        return false;
    }
    const DxUnit& from = ioField->Unit();
    if (!from.IsCompatibleWith(inUnit))
    {
        const std::string text = (ioField->Id() + ": Can't convert " + from.Id() + " to " + inUnit.Id()).AsUtf8();
        _CxDebugOut(__FILE__, __LINE__, text.c_str(), text.c_str());
        return false;
    }
    if (!from.IsEqualTo(inUnit))
    {
        const DxUnitConverter converter(from, inUnit);
        for (double& value : *ioField)
            value = converter.Convert(value);
        ioField->SetUnit(inUnit);
    }
    return true;
}

DxFloatField* DxDeriver::Derive(DxFrame* ioFrame, const std::vector<CxString>& inFieldIds)
{
    if (!mValid)
        return nullptr;
    if (ioFrame == nullptr)
    {
        CxAssertText(false, "inFrame != nil");
        return nullptr;
    }

    // Every check comes before the first conversion, so a rejected derivation leaves the frame as it was.
    if (mArgUnitIds.size() != inFieldIds.size())
    {
        CxAssertText(false, "mArgUnitIds.size() == inFieldIds.size()");
        if (inFieldIds.empty())
            CxAssertText(false, "idIter != fieldIdEnd || mArgUnitIds.size() == 0");
        return nullptr;
    }
    std::vector<DxFloatField*> args;
    args.reserve(inFieldIds.size());
    for (const CxString& id : inFieldIds)
    {
        DxFloatField* field = ioFrame->FindFloatField(id);
        if (field == nullptr)
        {
            CxAssertText(false, "field != nil");
            return nullptr;
        }
        args.push_back(field);
    }

    // Every conversion is tried, so that each incompatible field is reported.
    bool converted = true;
    auto unitId = mArgUnitIds.begin();
    for (DxFloatField* field : args)
        converted = ConvertUnits(field, DxUnit(*unitId++)) && converted;
    if (!converted)
        return nullptr;

    if (args.empty())
    {
        // One constant per record; the record count comes from the station ids, else from the first field.
        const DxField* counter = ioFrame->FindField(CxString("stid"));
        if (counter == nullptr)
            counter = ioFrame->FindField(CxUint32(0));
        CxAssertText(counter != nullptr, "field != nil");
        const CxUint32 count = counter != nullptr ? counter->Count() : 0;
        DxFloatField* result = ioFrame->NewFloatField(mResultId);
        result->SetUnit(mResultUnit);
        result->assign(count, mCalculation(mDate, nullptr));
        return result;
    }

    DxFloatField* result = ioFrame->NewFloatField(mResultId);
    result->SetUnit(mResultUnit);
    const size_t count = args.front()->size();
    result->reserve(count);
    std::vector<double> values(args.size());
    for (size_t record = 0; record < count; ++record)
    {
        bool missing = false;
        for (size_t arg = 0; arg < args.size(); ++arg)
        {
            const DxFloatField& field = *args[arg];
            const double value = record < field.size() ? field[record] : kMissing;
            missing = missing || std::isnan(value);
            values[arg] = value;
        }
        result->push_back(missing && !mMissingValues ? kMissing : mCalculation(mDate, values.data()));
    }
    return result;
}
