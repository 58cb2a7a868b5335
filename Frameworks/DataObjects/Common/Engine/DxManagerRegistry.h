// The managers of one manager class, one per data-set id, found or made by id. Each manager class derives from
// the registry of its own class, so each class keeps a map of its own.
#pragma once

#include "CxDebug.h"
#include "CxString.h"

#include <map>

class DxManager;

template <class Manager> class DxManagerRegistry
{
public:
    using ManagerMap = std::map<CxString, Manager*>;

    // Null for an empty id; the registered manager of the id, else a new one.
    static DxManager* FindManager(const CxString& inId)
    {
        if (inId.Length() == 0)
            return nullptr;
        const auto iter = Managers().find(inId);
        return iter != Managers().end() ? iter->second : new Manager(inId);
    }
    static typename ManagerMap::const_iterator BeginManagers() { return Managers().cbegin(); }
    static typename ManagerMap::const_iterator EndManagers() { return Managers().cend(); }
    static CxUint32 CountManagers() { return static_cast<CxUint32>(Managers().size()); }

protected:
    static void Register(const CxString& inId, Manager* inManager)
    {
        CxAssertText(Managers().find(inId) == Managers().end(), "sManagers.find(mId) == sManagers.end()");
        Managers()[inId] = inManager;
    }
    static void Unregister(const CxString& inId, const Manager* inManager)
    {
        const auto iter = Managers().find(inId);
        CxAssertText(iter != Managers().end(), "iter != sManagers.end()");
        if (iter != Managers().end() && iter->second == inManager)
            Managers().erase(iter);
    }

private:
    static ManagerMap& Managers()
    {
        static ManagerMap sManagers;
        return sManagers;
    }
};
