#include "WeatherTestKit.h"

#include "DxManager.h"
#include "DxSet.h"

#include <filesystem>
#include <fstream>

namespace wxkit
{

std::string KitInfoDocument(const std::string& inRoot, const std::string& inBody)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?datasetconfig version=\"1.0\"?>\n<" + inRoot + ">" + inBody +
           "</" + inRoot + ">";
}

DxSet* KitManagedSet(const CxString& inId, CxSint32 inKind, const KitDocuments& inDocuments)
{
    // Where the set's cache keeps its info documents: <data root>/<id>/info.
    const std::filesystem::path info =
        std::filesystem::path(DxManager::RootDataFolder().Path().AsUtf8()) / inId.AsUtf8() / "info";
    std::filesystem::create_directories(info);
    for (const auto& [name, text] : inDocuments)
        std::ofstream(info / name, std::ios::binary) << text;
    auto* set = new DxSet(inId, inKind);
    set->Manager();
    return set;
}

DxSet* KitWindSet(const CxString& inId)
{
    const std::string parms = R"(<parm id="lat" type="float" units="degr"/><parm id="lon" type="float" units="degr"/>)"
                              R"(<parm id="pmsl" name="Pressure" type="float" units="mbar"/>)"
                              R"(<parm id="samag" name="Wind Speed" type="float" units="mps"/>)"
                              R"(<parm id="dir" name="Wind Direction" type="float" units="degr"/>)"
                              R"(<parm id="ucomp" name="U Wind" type="float" units="mps"/>)"
                              R"(<parm id="vcomp" name="V Wind" type="float" units="mps"/>)"
                              R"(<vector id="wind" name="wind" samag="samag" dir="dir" ucomp="ucomp" vcomp="vcomp"/>)";
    return KitManagedSet(
        inId, 1,
        {{"config.xml", KitInfoDocument("datasetconfig", "<property id=\"name\" value=\"" + inId.AsUtf8() + "\"/>")},
         {"parminfo.xml", KitInfoDocument("parminfo", parms)}});
}

} // namespace wxkit
