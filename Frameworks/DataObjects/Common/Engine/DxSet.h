// A data set: its id, its kind and the manager that serves it, made on first use by its kind's finder. The class
// keeps the process-wide registry of sets, asks the data server's registry about ids it does not know, finds the
// sets stored in the data folder and remembers a preferred set per kind. Main thread only: the registry has no lock.
#pragma once

#include "CxString.h"
#include "CxTypes.h"

#include <map>

class CxFolder;
class DxAdvisoryManager;
class DxConfigParser;
class DxManager;
class DxImageManager;
class DxNidsManager;
class DxObsManager;
class DxSeriesManager;
class DxShapeManager;

// Kinds of data set, as the "type" property of a set's configuration names them.
enum : CxSint32
{
    kDxManagerNone = 0,
    kDxManagerKdf = 1,
    kDxManagerShp = 2,
    kDxManagerNids = 3,
    kDxManagerImage = 4,
    kDxManagerMosaic = 5,
    kDxManagerAtlas = 6,
    kDxManagerKts = 7,
    kDxManagerAdvisory = 8
};

// "kdf", "shp", ...; an unknown kind is reported and gives "???".
CxString DxManagerTypeToString(CxSint32 inKind);
// The kind a configuration declares, or infers from its URLs; 0, reported, when it names none known.
CxSint32 DxParseManagerType(const DxConfigParser& inParser);

class DxSet
{
public:
    // Finds or makes the manager of a data-set id; each manager kind installs its own.
    using FindManagerProc = DxManager* (*)(const CxString& inId);
    using SetMap = std::map<CxString, DxSet*>;

    // Each enters the registry under its id; the registry owns it from then on.
    DxSet(const CxString& inId, CxSint32 inKind);
    // A set stored in the data folder: named and typed by its cached config.xml, when it has one.
    explicit DxSet(const CxFolder& inFolder);
    // Deletes the manager it made and leaves the registry.
    ~DxSet();
    DxSet(const DxSet&) = delete;
    DxSet& operator=(const DxSet&) = delete;

    const CxString& Id() const { return mId; }
    CxSint32 Kind() const { return mKind; }
    const CxString& ProviderId() const { return mProviderId; }
    // The name of the set's stored-credentials item.
    const CxString& Key() const { return mKey; }
    // The manager's name once there is a manager; until then the set's own.
    CxString Name() const;
    void SetName(const CxString& inName) { mName = inName; }

    // The set's manager, made on first use and given the set's key; null, reported, for a kind without a finder.
    DxManager* Manager();
    DxManager* ExistingManager() const { return mManager; }
    // The manager when it is of that class, else null.
    DxObsManager* ObsManager();
    DxNidsManager* NidsManager();
    DxSeriesManager* SeriesManager();
    DxImageManager* ImageManager();
    DxShapeManager* ShapeManager();
    DxAdvisoryManager* AdvisoryManager();
    void MakePreferredSet() const;

    static void SetFindManager(CxSint32 inKind, FindManagerProc inProc);
    // Sets the finder unless the kind has one already (a caller's stand-in stays).
    static void AddFindManager(CxSint32 inKind, FindManagerProc inProc);

    static DxSet* FindExistingSet(const CxString& inId);
    // A known set as it is; otherwise a new one whose kind the server's registry decides when it answers with a
    // configuration of a supported kind, and the caller's kind when it does not. Blocks for one request.
    static DxSet* FindOrCreateSet(const CxString& inId, CxSint32 inKind);
    // Registers each folder of the data folder that holds a readable configuration of a supported kind.
    static void InitCachedSets(const CxFolder& inDataRoot);
    // For shut-down, once the job threads are gone: a manager's destructor does not wait for a job that a worker
    // has already taken.
    static void DeleteAllSets();
    static SetMap::const_iterator BeginSets();
    static SetMap::const_iterator EndSets();
    static CxUint32 CountSets();
    static CxUint32 CountSetsOfType(CxSint32 inKind);
    // The set of that kind whose name sorts first; null when there is none.
    static DxSet* FindFirstSetOfType(CxSint32 inKind);
    // The stored preference when that set is registered, else the first by name.
    static DxSet* PreferredSetOfType(CxSint32 inKind);
    static bool NameSortPredicate(const DxSet* inA, const DxSet* inB);
    static bool SupportsType(CxSint32 inKind);

    // Only the registry lookup reads this; the managers keep their own flag.
    static bool Online();
    static void GoOnline();
    static void GoOffline();

    // The data-set registry's URL template, "&id;" standing for an id; built on first use.
    static const CxString& RegistryUrl();
    // The template with the id percent-encoded in place of "&id;", so an id cannot rewrite the query.
    static CxString RegistryUrlFor(const CxString& inId);

    // Tests: the set takes the manager as its own; the URL is built again from the current server address.
    void InstallManagerForTesting(DxManager* inManager);
    static void RebuildRegistryUrlForTesting();

private:
    void Register();

    CxString mId;
    CxString mName;
    CxString mKey;
    CxString mProviderId;
    CxSint32 mKind;
    DxManager* mManager = nullptr;
};

// Gives every kind's finder to DxSet::AddFindManager (Kinds/DxKindTable.cpp); the first DxSet::Manager() calls it.
void DxRegisterKinds();
