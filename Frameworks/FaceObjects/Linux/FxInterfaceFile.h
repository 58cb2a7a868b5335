// Interface files: windows and menus described in UTF-8 XML (NAME.fxui in the bundle), built as the platform's
// windows, views and menus on demand. Each creation builds new objects, owned by the caller.
//
//   <?fxui version="1.0"?>
//   <interface>
//     <window name class attributes bounds title>      class: number or name; attributes: hex; bounds: "l,t,w,h"
//       <control kind signature id bounds title value min max command visible enabled help
//                password clock style popup tabs>       (global content); control bounds are in the parent
//         <property creator tag fourcc|fourccs|byte|uint32|string|text/>
//         <data part tag (the same value forms)/>
//         <control .../>                                nested views
//     <menu name id title>
//       <item text command key modifiers enabled/>  <separator/>  <menu ...>  (a submenu)
//
// Unknown elements and attributes are reported and skipped; an unknown kind becomes a user pane.
#pragma once

#include "CxString.h"
#include "PfWindowServer.h"

#include <memory>
#include <string>
#include <vector>

class XmlElement;
class XmlRoot;

// Where a control's data (part, tag) is kept: as the control property (FxControlDataCreator(part), tag).
constexpr pf::FourCharCode FxControlDataCreator(std::int16_t inPart)
{
    return pf::FourCC("dat\0") | static_cast<std::uint8_t>(inPart);
}
// Per-kind settings kept as control properties of creator 'FACE': the clock type ('clkt', uint32), the data
// browser's style ('dbvs', fourcc). Tab titles go where the platform's theme reads them.
constexpr pf::FourCharCode kFxFaceSignature = pf::FourCC("FACE");

class FxInterfaceFile
{
public:
    // "VaneMain" reads VaneMain.fxui in the bundle's resource folder; null, with a report, when it is missing or
    // does not parse.
    static std::unique_ptr<FxInterfaceFile> Open(const CxString& inName);
    // Null with the reason (a parse error names expat's message and line).
    static std::unique_ptr<FxInterfaceFile> OpenPath(const std::string& inPath, std::string& outError);
    static std::unique_ptr<FxInterfaceFile> Parse(const void* inBytes, std::size_t inSize, std::string& outError);

    ~FxInterfaceFile();
    FxInterfaceFile(const FxInterfaceFile&) = delete;
    FxInterfaceFile& operator=(const FxInterfaceFile&) = delete;

    // A new hidden window with its views, or null when the file has no window of that name.
    pf::WindowRef CreateWindow(const CxString& inName) const;
    // A new menu with its items and submenus, or null.
    pf::MenuRef CreateMenu(const CxString& inName) const;
    std::vector<CxString> WindowNames() const;
    std::vector<CxString> MenuNames() const;

private:
    explicit FxInterfaceFile(XmlRoot* inRoot);
    XmlElement* Find(const char* inElement, const CxString& inName) const;
    void BuildControl(const XmlElement& inElement, pf::ViewRef inParent) const;
    pf::MenuRef BuildMenu(const XmlElement& inElement) const;

    XmlRoot* mRoot = nullptr;
    XmlElement* mInterface = nullptr;
};
