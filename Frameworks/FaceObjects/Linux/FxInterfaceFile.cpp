#include "FxInterfaceFile.h"

#include "CxDebug.h"
#include "CxSystem.h"
#include "PfDrag.h"
#include "PfTheme.h"
#include "XmlElement.h"
#include "XmlParser.h"

#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

using namespace pf;

namespace
{

void Report(const std::string& inLine)
{
    _CxDebugOut(__FILE__, __LINE__, inLine.c_str(), inLine.c_str());
}

std::string Utf8(const CxString& inText)
{
    return inText.AsUtf8();
}

std::u16string Utf16(const CxString& inText)
{
    const CxUint16* units = inText.GetChars();
    return std::u16string(units, units + inText.Length());
}

// The attributes of an element by name, in UTF-8; each one used is crossed off, so the rest can be reported.
class Attributes
{
public:
    Attributes(const XmlElement& inElement) : mElement(Utf8(inElement.Name()))
    {
        for (auto it = inElement.AttributeBegin(); it != inElement.AttributeEnd(); ++it)
            mValues.emplace(Utf8((*it)->Name()), Utf8((*it)->Value()));
    }
    ~Attributes()
    {
        for (const auto& [name, value] : mValues)
            if (!mUsed.count(name))
                Report("fxui: <" + mElement + "> has an unknown attribute '" + name + "'");
    }
    bool Has(const std::string& inName)
    {
        mUsed.insert(inName);
        return mValues.count(inName) != 0;
    }
    std::string Text(const std::string& inName, const std::string& inDefault = "")
    {
        mUsed.insert(inName);
        const auto found = mValues.find(inName);
        return found == mValues.end() ? inDefault : found->second;
    }
    // Decimal, or hexadecimal with 0x; the default when absent or bad (bad is reported).
    std::int64_t Number(const std::string& inName, std::int64_t inDefault, int inBase = 10)
    {
        if (!Has(inName))
            return inDefault;
        std::string text = mValues[inName];
        int base = inBase;
        if (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0)
        {
            text = text.substr(2);
            base = 16;
        }
        std::int64_t value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
        if (error != std::errc() || end != text.data() + text.size() || text.empty())
        {
            Report("fxui: <" + mElement + "> " + inName + "=\"" + mValues[inName] + "\" is not a number");
            return inDefault;
        }
        return value;
    }
    bool Flag(const std::string& inName, bool inDefault)
    {
        if (!Has(inName))
            return inDefault;
        const std::string text = mValues[inName];
        if (text == "true" || text == "1")
            return true;
        if (text == "false" || text == "0")
            return false;
        Report("fxui: <" + mElement + "> " + inName + "=\"" + text + "\" is not true or false");
        return inDefault;
    }
    // Four characters, or a number.
    FourCharCode Code(const std::string& inName, FourCharCode inDefault)
    {
        if (!Has(inName))
            return inDefault;
        const std::string text = mValues[inName];
        if (text.size() == 4)
            return FourCharCode(std::uint8_t(text[0])) << 24 | FourCharCode(std::uint8_t(text[1])) << 16 |
                   FourCharCode(std::uint8_t(text[2])) << 8 | FourCharCode(std::uint8_t(text[3]));
        return static_cast<FourCharCode>(Number(inName, inDefault));
    }
    // "l,t,w,h".
    Rect Bounds(const std::string& inName)
    {
        Rect rect;
        if (!Has(inName))
            return rect;
        double values[4] = {};
        const std::string text = mValues[inName];
        const char* at = text.data();
        const char* end = text.data() + text.size();
        for (int i = 0; i < 4; ++i)
        {
            const auto [next, error] = std::from_chars(at, end, values[i]);
            if (error != std::errc() || (i < 3 && (next == end || *next != ',')) || (i == 3 && next != end))
            {
                Report("fxui: <" + mElement + "> " + inName + "=\"" + text + "\" is not l,t,w,h");
                return rect;
            }
            at = next + 1;
        }
        return Rect{values[0], values[1], values[2], values[3]};
    }

private:
    std::string mElement;
    std::map<std::string, std::string> mValues;
    std::set<std::string> mUsed;
};

const std::map<std::string, ViewKind>& Kinds()
{
    static const std::map<std::string, ViewKind> sKinds = {
        {"userPane", ViewKind::kUserPane},
        {"pushButton", ViewKind::kPushButton},
        {"checkBox", ViewKind::kCheckBox},
        {"radioButton", ViewKind::kRadioButton},
        {"staticText", ViewKind::kStaticText},
        {"editText", ViewKind::kEditText},
        {"popupButton", ViewKind::kPopupButton},
        {"slider", ViewKind::kSlider},
        {"scrollBar", ViewKind::kScrollBar},
        {"littleArrows", ViewKind::kLittleArrows},
        {"tabs", ViewKind::kTabs},
        {"progressBar", ViewKind::kProgressBar},
        {"image", ViewKind::kImage},
        {"separator", ViewKind::kSeparator},
        {"groupBox", ViewKind::kGroupBox},
        {"dataBrowser", ViewKind::kDataBrowser},
        {"scrollView", ViewKind::kScrollView},
        {"clock", ViewKind::kClock},
        {"searchField", ViewKind::kSearchField},
        {"comboBox", ViewKind::kComboBox},
        {"bevelButton", ViewKind::kBevelButton},
        {"roundButton", ViewKind::kRoundButton},
        {"chasingArrows", ViewKind::kChasingArrows},
        {"icon", ViewKind::kIcon},
        {"segmented", ViewKind::kSegmented},
    };
    return sKinds;
}

const std::map<std::string, std::uint32_t>& WindowClasses()
{
    static const std::map<std::string, std::uint32_t> sClasses = {
        {"alert", kAlertWindowClass},         {"movableAlert", kMovableAlertWindowClass},
        {"modal", kModalWindowClass},         {"movableModal", kMovableModalWindowClass},
        {"dialog", kMovableModalWindowClass}, {"floating", kFloatingWindowClass},
        {"document", kDocumentWindowClass},   {"utility", kUtilityWindowClass},
        {"help", kHelpWindowClass},           {"sheet", kSheetWindowClass},
        {"plain", kPlainWindowClass},
    };
    return sClasses;
}

// The one value of a property or data element, as the bytes to store; false when it has none or a bad one.
bool ValueBytes(Attributes& ioAttributes, const std::string& inWhere, std::vector<std::uint8_t>& outBytes)
{
    int forms = 0;
    if (ioAttributes.Has("fourcc"))
    {
        ++forms;
        const FourCharCode code = ioAttributes.Code("fourcc", 0);
        outBytes.resize(sizeof code);
        std::memcpy(outBytes.data(), &code, sizeof code);
    }
    if (ioAttributes.Has("fourccs"))
    {
        ++forms;
        const std::string text = ioAttributes.Text("fourccs");
        for (std::size_t at = 0; at < text.size(); at += 5)
        {
            if (text.size() - at < 4 || (at + 4 < text.size() && text[at + 4] != ' '))
            {
                Report("fxui: " + inWhere + " fourccs=\"" + text + "\" is not a list of four-character codes");
                return false;
            }
            for (std::size_t i = 0; i < 4; ++i)
                outBytes.push_back(std::uint8_t(text[at + i]));
        }
    }
    if (ioAttributes.Has("byte"))
    {
        ++forms;
        outBytes.push_back(std::uint8_t(ioAttributes.Number("byte", 0)));
    }
    if (ioAttributes.Has("uint32"))
    {
        ++forms;
        const auto value = static_cast<std::uint32_t>(ioAttributes.Number("uint32", 0));
        outBytes.resize(sizeof value);
        std::memcpy(outBytes.data(), &value, sizeof value);
    }
    if (ioAttributes.Has("string"))
    {
        ++forms;
        // 8-bit: characters beyond Latin-1 cannot be kept and become '?'.
        const CxString text = CxString::FromUtf8(ioAttributes.Text("string"));
        for (CxUint32 i = 0; i < text.Length(); ++i)
            outBytes.push_back(text.GetChars()[i] < 256 ? std::uint8_t(text.GetChars()[i]) : std::uint8_t('?'));
    }
    if (ioAttributes.Has("text"))
    {
        ++forms;
        const std::u16string text = Utf16(CxString::FromUtf8(ioAttributes.Text("text")));
        outBytes.resize(text.size() * 2);
        std::memcpy(outBytes.data(), text.data(), outBytes.size());
    }
    if (forms != 1)
    {
        Report("fxui: " + inWhere + " needs exactly one of fourcc, fourccs, byte, uint32, string, text");
        return false;
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------

FxInterfaceFile::FxInterfaceFile(XmlRoot* inRoot) : mRoot(inRoot)
{
    mInterface = mRoot->FindElement("interface");
}

FxInterfaceFile::~FxInterfaceFile()
{
    delete mRoot;
}

std::unique_ptr<FxInterfaceFile> FxInterfaceFile::Parse(const void* inBytes, std::size_t inSize, std::string& outError)
{
    XmlParser parser;
    if (!parser.Parse(inBytes, inSize, true))
    {
        outError = "line " + std::to_string(parser.ErrorLine()) + ": " + Utf8(parser.ErrorMessage());
        return nullptr;
    }
    std::unique_ptr<FxInterfaceFile> file(new FxInterfaceFile(parser.DetachRoot()));
    const XmlInstruction* version = file->mRoot->FindInstruction("fxui");
    if (version == nullptr || Utf8(version->Data()).find("version=\"1.0\"") == std::string::npos)
    {
        outError = "not an interface file: no <?fxui version=\"1.0\"?>";
        return nullptr;
    }
    if (file->mInterface == nullptr)
    {
        outError = "not an interface file: the root is not <interface>";
        return nullptr;
    }
    for (const XmlElement* element : file->mInterface->GetElements())
        if (element->Name() != CxString("window") && element->Name() != CxString("menu"))
            Report("fxui: unknown element <" + Utf8(element->Name()) + "> skipped");
    return file;
}

std::unique_ptr<FxInterfaceFile> FxInterfaceFile::OpenPath(const std::string& inPath, std::string& outError)
{
    std::ifstream in(inPath, std::ios::binary);
    if (!in)
    {
        outError = inPath + ": cannot open";
        return nullptr;
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    auto file = Parse(bytes.data(), bytes.size(), outError);
    if (!file)
        outError = inPath + ": " + outError;
    return file;
}

std::unique_ptr<FxInterfaceFile> FxInterfaceFile::Open(const CxString& inName)
{
    const std::string folder = Utf8(CxGetBundle());
    std::string error = "no bundle";
    auto file = folder.empty() ? nullptr : OpenPath(folder + "/" + Utf8(inName) + ".fxui", error);
    if (!file)
        Report("fxui: " + error);
    return file;
}

XmlElement* FxInterfaceFile::Find(const char* inElement, const CxString& inName) const
{
    for (XmlElement* element : mInterface->GetElements())
        if (element->Name() == CxString(inElement) && element->GetAttribute("name") == inName)
            return element;
    return nullptr;
}

std::vector<CxString> FxInterfaceFile::WindowNames() const
{
    std::vector<CxString> names;
    for (XmlElement* element : mInterface->GetElements())
        if (element->Name() == CxString("window"))
            names.push_back(element->GetAttribute("name"));
    return names;
}

std::vector<CxString> FxInterfaceFile::MenuNames() const
{
    std::vector<CxString> names;
    for (XmlElement* element : mInterface->GetElements())
        if (element->Name() == CxString("menu"))
            names.push_back(element->GetAttribute("name"));
    return names;
}

WindowRef FxInterfaceFile::CreateWindow(const CxString& inName) const
{
    const XmlElement* element = Find("window", inName);
    if (element == nullptr)
        return nullptr;
    Attributes attributes(*element);
    attributes.Has("name");
    std::uint32_t windowClass = kDocumentWindowClass;
    const std::string className = attributes.Text("class", "document");
    const auto named = WindowClasses().find(className);
    if (named != WindowClasses().end())
        windowClass = named->second;
    else
        windowClass = static_cast<std::uint32_t>(attributes.Number("class", kDocumentWindowClass));
    const auto windowAttributes = static_cast<std::uint32_t>(attributes.Number("attributes", 0, 16));
    const WindowRef window = pf::CreateWindow(windowClass, windowAttributes, attributes.Bounds("bounds"));
    if (window == nullptr)
        return nullptr;
    SetWindowTitle(window, Utf16(CxString::FromUtf8(attributes.Text("title"))));
    for (const XmlElement* child : element->GetElements())
    {
        if (child->Name() == CxString("control"))
            BuildControl(*child, GetContentView(window));
        else
            Report("fxui: unknown element <" + Utf8(child->Name()) + "> in a window skipped");
    }
    return window;
}

void FxInterfaceFile::BuildControl(const XmlElement& inElement, ViewRef inParent) const
{
    Attributes attributes(inElement);
    const std::string kindName = attributes.Text("kind", "userPane");
    ViewKind kind = ViewKind::kUserPane;
    const auto known = Kinds().find(kindName);
    if (known != Kinds().end())
        kind = known->second;
    else
        Report("fxui: unknown control kind '" + kindName + "' made a user pane");
    const ViewRef view = CreateView(kind, attributes.Bounds("bounds"));
    AddSubview(inParent, view);
    SetControlID(view, attributes.Code("signature", kFxFaceSignature),
                 static_cast<std::int32_t>(attributes.Number("id", 0)));
    if (attributes.Has("title"))
        SetControlTitle(view, Utf16(CxString::FromUtf8(attributes.Text("title"))));
    SetControlMinimum(view, static_cast<std::int32_t>(attributes.Number("min", 0)));
    SetControlMaximum(view, static_cast<std::int32_t>(attributes.Number("max", 0)));
    SetControlValue(view, static_cast<std::int32_t>(attributes.Number("value", 0)));
    if (attributes.Has("command"))
        SetControlCommandID(view, attributes.Code("command", 0));
    if (attributes.Has("help"))
        SetViewHelpTag(view, Utf16(CxString::FromUtf8(attributes.Text("help"))));
    // Per kind.
    if (attributes.Flag("password", false))
    {
        const std::uint8_t secret = 1;
        SetControlProperty(view, FourCC("appl"), FourCC("pass"), &secret, 1);
    }
    if (attributes.Has("clock"))
    {
        const auto type = static_cast<std::uint32_t>(attributes.Number("clock", 0));
        SetControlProperty(view, kFxFaceSignature, FourCC("clkt"), &type, sizeof type);
    }
    if (attributes.Has("style"))
    {
        const FourCharCode style = attributes.Code("style", 0);
        SetControlProperty(view, kFxFaceSignature, FourCC("dbvs"), &style, sizeof style);
        if (kind == ViewKind::kDataBrowser)
            SetDataBrowserViewStyle(view, style);
    }
    if (attributes.Has("popup"))
    {
        const MenuRef menu = CreateMenu(CxString::FromUtf8(attributes.Text("popup")));
        if (menu != nullptr)
            SetControlPopupMenu(view, menu);
        else
            Report("fxui: popup menu '" + attributes.Text("popup") + "' is not in the file");
    }
    if (attributes.Has("tabs"))
    {
        // "One|Two|Three": the tab count is the maximum.
        std::u16string titles = Utf16(CxString::FromUtf8(attributes.Text("tabs")));
        std::int32_t count = titles.empty() ? 0 : 1;
        for (char16_t& c : titles)
            if (c == u'|')
            {
                c = u'\n';
                ++count;
            }
        SetControlProperty(view, kTabTitlesPropertyCreator, kTabTitlesPropertyTag, titles.data(), titles.size() * 2);
        SetControlMaximum(view, count);
        SetControlValue(view, static_cast<std::int32_t>(attributes.Number("value", 1)));
    }
    for (const XmlElement* child : inElement.GetElements())
    {
        const std::string name = Utf8(child->Name());
        if (name == "control")
        {
            BuildControl(*child, view);
            continue;
        }
        if (name != "property" && name != "data")
        {
            Report("fxui: unknown element <" + name + "> in a control skipped");
            continue;
        }
        Attributes value(*child);
        const FourCharCode creator = name == "data"
                                         ? FxControlDataCreator(static_cast<std::int16_t>(value.Number("part", 0)))
                                         : value.Code("creator", 0);
        const FourCharCode tag = value.Code("tag", 0);
        std::vector<std::uint8_t> bytes;
        if (ValueBytes(value, "<" + name + ">", bytes))
            SetControlProperty(view, creator, tag, bytes.data(), bytes.size());
    }
    SetViewEnabled(view, attributes.Flag("enabled", true));
    SetViewVisible(view, attributes.Flag("visible", true));
}

MenuRef FxInterfaceFile::CreateMenu(const CxString& inName) const
{
    const XmlElement* element = Find("menu", inName);
    return element == nullptr ? nullptr : BuildMenu(*element);
}

MenuRef FxInterfaceFile::BuildMenu(const XmlElement& inElement) const
{
    Attributes attributes(inElement);
    attributes.Has("name");
    const MenuRef menu = pf::CreateMenu(static_cast<std::int16_t>(attributes.Number("id", 0)), 0);
    if (menu == nullptr)
        return nullptr;
    SetMenuTitle(menu, Utf16(CxString::FromUtf8(attributes.Text("title"))));
    for (const XmlElement* child : inElement.GetElements())
    {
        const std::string name = Utf8(child->Name());
        const std::uint16_t after = CountMenuItems(menu);
        if (name == "separator")
        {
            Attributes none(*child);
            InsertMenuItem(menu, after, u"", 0, kMenuItemSeparator);
        }
        else if (name == "item")
        {
            Attributes item(*child);
            const std::uint16_t index =
                InsertMenuItem(menu, after, Utf16(CxString::FromUtf8(item.Text("text"))), item.Code("command", 0), 0);
            const std::u16string key = Utf16(CxString::FromUtf8(item.Text("key")));
            if (!key.empty() || item.Has("modifiers"))
                SetMenuItemKey(menu, index, static_cast<std::uint8_t>(item.Number("modifiers", 0)),
                               key.empty() ? u'\0' : key[0]);
            if (!item.Flag("enabled", true))
                EnableMenuItem(menu, index, false);
        }
        else if (name == "menu")
        {
            const MenuRef submenu = BuildMenu(*child);
            if (submenu == nullptr)
                continue;
            const std::uint16_t index = InsertMenuItem(menu, after, GetMenuTitle(submenu), 0, 0);
            SetMenuItemSubmenu(menu, index, submenu);
            ReleaseMenu(submenu); // the item holds it
        }
        else
            Report("fxui: unknown element <" + name + "> in a menu skipped");
    }
    return menu;
}
