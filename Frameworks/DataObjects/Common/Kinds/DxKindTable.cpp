// The kind -> manager table: the one place that knows every kind, so the engine below knows none.
#include "DxAdvisoryManager.h"
#include "DxImageManager.h"
#include "DxNidsManager.h"
#include "DxObsManager.h"
#include "DxSeriesManager.h"
#include "DxSet.h"
#include "DxShapeManager.h"

namespace
{

struct KindFinder
{
    CxSint32 mKind;
    DxSet::FindManagerProc mFind;
};

constexpr KindFinder kKindFinders[] = {
    {kDxManagerKdf, &DxObsManager::FindManager},    {kDxManagerShp, &DxShapeManager::FindManager},
    {kDxManagerNids, &DxNidsManager::FindManager},  {kDxManagerImage, &DxImageManager::FindManager},
    {kDxManagerKts, &DxSeriesManager::FindManager}, {kDxManagerAdvisory, &DxAdvisoryManager::FindManager}};

} // namespace

void DxRegisterKinds()
{
    for (const KindFinder& entry : kKindFinders)
        DxSet::AddFindManager(entry.mKind, entry.mFind);
}

DxObsManager* DxSet::ObsManager()
{
    return dynamic_cast<DxObsManager*>(Manager());
}

DxNidsManager* DxSet::NidsManager()
{
    return dynamic_cast<DxNidsManager*>(Manager());
}

DxSeriesManager* DxSet::SeriesManager()
{
    return dynamic_cast<DxSeriesManager*>(Manager());
}

DxImageManager* DxSet::ImageManager()
{
    return dynamic_cast<DxImageManager*>(Manager());
}

DxShapeManager* DxSet::ShapeManager()
{
    return dynamic_cast<DxShapeManager*>(Manager());
}

DxAdvisoryManager* DxSet::AdvisoryManager()
{
    return dynamic_cast<DxAdvisoryManager*>(Manager());
}
