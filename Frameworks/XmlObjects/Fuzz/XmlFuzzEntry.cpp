#include "XmlFuzzEntry.h"

#include "XmlTestSupport.h"

#include "XmlParser.h"

#include <memory>

namespace sky::test
{

namespace
{

bool HasLatin1OnlyNameUnit(const CxString& inName)
{
    for (CxUint32 i = 0; i < inName.Length(); ++i)
        if (inName[i] == 0xAA || inName[i] == 0xB5 || inName[i] == 0xBA)
            return true;
    return false;
}

// Expat's Latin-1 table takes U+00AA, U+00B5 and U+00BA as name characters, its UTF-8 and UTF-16 tables do not:
// such a name read from a Latin-1 document cannot be read back from UTF-8.
bool HasLatin1OnlyName(const XmlElement* inElement)
{
    if (!AsXmlRoot(inElement) && HasLatin1OnlyNameUnit(inElement->Name()))
        return true;
    for (auto iter = inElement->AttributeBegin(); iter != inElement->AttributeEnd(); ++iter)
        if (HasLatin1OnlyNameUnit((*iter)->Name()))
            return true;
    for (auto iter = inElement->ItemBegin(); iter != inElement->ItemEnd(); ++iter)
    {
        if (const XmlElement* element = AsXmlElement(*iter); element != nullptr && HasLatin1OnlyName(element))
            return true;
        if (const XmlInstruction* instruction = AsXmlInstruction(*iter);
            instruction != nullptr && HasLatin1OnlyNameUnit(instruction->Target()))
            return true;
    }
    return false;
}

std::string Failure(const char* inWhat, const XmlParser& inParser)
{
    return std::string(inWhat) + ": " + Utf8(inParser.ErrorMessage()) + " at line " +
           std::to_string(inParser.ErrorLine());
}

} // namespace

std::string XmlFuzzCheck(const std::uint8_t* inData, std::size_t inSize)
{
    XmlParser whole;
    const bool good = whole.Parse(inData, inSize, true);

    // Any cut gives the same answer and the same text. The first chunk keeps at least two bytes: a leading FE FF
    // is dropped only when it arrives whole, and expat reads what follows by its own detection.
    const std::size_t cut = inSize >= 2 ? 2 + inData[inSize - 1] % (inSize - 1) : inSize;
    XmlParser split;
    const bool splitGood = split.Parse(inData, cut, false) && split.Parse(inData + cut, inSize - cut, true);
    if (splitGood != good)
        return "cut at " + std::to_string(cut) + " changes the result";
    const DumpOptions merged{true, false};
    if (good && Dump(split.Root(), merged) != Dump(whole.Root(), merged))
        return "cut at " + std::to_string(cut) + " changes the tree";

    XmlRoot* root = whole.Root();
    std::unique_ptr<XmlElement> copy(root->CopyDeep());
    if (Dump(copy.get()) != Dump(root))
        return "deep copy differs";
    for (auto iter = root->ItemBegin(); iter != root->ItemEnd(); ++iter)
        if (const XmlInstruction* instruction = AsXmlInstruction(*iter))
            std::unique_ptr<XmlElement>(instruction->ParseAsElement());
    if (!good)
        return "";

    // What was read is written so that it reads again.
    for (const bool formatted : {true, false})
    {
        const std::string written = WriteUtf8(*root, formatted);
        XmlParser again;
        if (!again.Parse(written.data(), written.size(), true) && !HasLatin1OnlyName(root))
            return Failure(formatted ? "formatted output does not parse" : "flat output does not parse", again);
    }
    return "";
}

} // namespace sky::test
