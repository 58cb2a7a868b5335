// The part a station data set's manager shares with the others of its kind: the site list and the parameter
// lists read from the set's documents, replaced whole by a configuration job and answered as copies.
#pragma once

#include "DxFrame.h"
#include "DxManager.h"
#include "DxParm.h"

#include <memory>
#include <vector>

class DxKdfParser;

class DxStationManager : public DxManager
{
public:
    explicit DxStationManager(const CxString& inId);
    ~DxStationManager() override;

    // Each takes the lock; false, with the status telling which document, when the document does not read or is
    // another document (another root; a site list without its table). An empty parameter list is false without a
    // word: it is what no cached list reads as.
    virtual bool ParseConfig(CxData& ioData) = 0;
    bool ParseSiteList(CxData& ioData);
    bool ParseParmList(CxData& ioData);

    // The site list, read from the cache when none is held; may be null. Callers hold the lock.
    DxTable* Sites();
    // Copies taken under the lock: a configuration job may replace the lists at any time.
    DxParm FindParm(const CxString& inId);
    DxDerivedParm FindDerivedParm(const CxString& inId);
    DxVectorParm FindVectorParm(const CxString& inId);
    std::vector<DxParm> Parms();
    // False, leaving the output alone, when the list has no parameter of the id.
    bool FindListedParm(const CxString& inId, DxParm& outParm);
    // Labels a field as the listed parameter of the id says, converting values that carry another unit. An
    // unlisted id leaves the field as it is: FindParm's stand-in would relabel it "nada" without converting.
    void DescribeField(DxField* ioField, const CxString& inId);
    std::vector<DxDerivedParm> DerivedParms();
    std::vector<DxVectorParm> VectorParms();

    // A site-list column copied onto the frame, a row for each station of the frame's station column; the
    // default for a station the list does not hold. Nothing when there is no list or either column is missing.
    template <typename Field, typename Value>
    void CloneSiteField(const CxString& inId, const CxString& inStations, DxFrame* ioFrame,
                        Field* (DxFrame::*inFind)(const CxString&) const, Field* (DxFrame::*inMake)(const CxString&),
                        const Value& inDefault)
    {
        DxTable* sites = Sites();
        if (sites == nullptr)
            return;
        const Field* source = (sites->*inFind)(inId);
        const DxStringField* stations = ioFrame->FindStringField(inStations);
        if (source == nullptr || stations == nullptr)
            return;
        Field* field = (ioFrame->*inMake)(inId);
        field->reserve(stations->size());
        for (const CxString& station : *stations)
        {
            const CxSint32 row = sites->Lookup(station);
            field->push_back(row >= 0 && static_cast<std::size_t>(row) < source->size() ? (*source)[row] : inDefault);
        }
    }

    // Copies: a configuration job may replace them.
    CxString ConfigUrl() const
    {
        CxAutoLock lock(mRegion);
        return mConfigUrl;
    }
    CxString SiteInfoUrl() const
    {
        CxAutoLock lock(mRegion);
        return mSiteInfoUrl;
    }
    CxString ParmInfoUrl() const
    {
        CxAutoLock lock(mRegion);
        return mParmInfoUrl;
    }

protected:
    // Whether a station file's reader finds a station in it: what every table needs, so a reply without one is
    // not worth caching.
    static bool HasStations(DxKdfParser& ioParser);

    // The configuration, then the site and parameter lists it names, each fetched again.
    bool OnUpdateConfig() override;

    CxString mConfigUrl GUARDED_BY(mRegion);
    CxString mSiteInfoUrl GUARDED_BY(mRegion);
    CxString mParmInfoUrl GUARDED_BY(mRegion);
    std::unique_ptr<DxTable> mSites GUARDED_BY(mRegion);
    std::vector<DxParm> mParms GUARDED_BY(mRegion);
    std::vector<DxDerivedParm> mDerived GUARDED_BY(mRegion);
    std::vector<DxVectorParm> mVectors GUARDED_BY(mRegion);
};
