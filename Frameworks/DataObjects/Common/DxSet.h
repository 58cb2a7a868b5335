// A data set: its id, its kind and the manager that serves it, made on first use by its kind's finder.
#pragma once

#include "CxString.h"
#include "CxTypes.h"

class DxManager;

class DxSet
{
public:
    // Finds or makes the manager of a data-set id; each manager kind installs its own.
    using FindManagerProc = DxManager* (*)(const CxString& inId);

    DxSet(const CxString& inId, CxSint32 inKind);
    // Deletes the manager it made.
    ~DxSet();
    DxSet(const DxSet&) = delete;
    DxSet& operator=(const DxSet&) = delete;

    const CxString& Id() const { return mId; }
    CxSint32 Kind() const { return mKind; }
    // The name of the set's stored-credentials item.
    const CxString& Key() const { return mKey; }

    // The set's manager, made on first use and given the set's key; null for a kind without a finder.
    DxManager* Manager();

    static void SetFindManager(CxSint32 inKind, FindManagerProc inProc);

    // The data-set registry's URL template, "&id;" standing for an id; built on first use.
    static const CxString& RegistryUrl();

    // Tests: the set takes the manager as its own; the URL is built again from the current server address.
    void InstallManagerForTesting(DxManager* inManager);
    static void RebuildRegistryUrlForTesting();

private:
    CxString mId;
    CxSint32 mKind;
    CxString mKey;
    DxManager* mManager = nullptr;
};
