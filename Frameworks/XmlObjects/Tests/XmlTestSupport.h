// Helpers of the XML tests: a readable dump of a tree, and writing a tree to bytes.
#pragma once

#include "CxData.h"
#include "CxStream.h"
#include "XmlBuilder.h"
#include "XmlElement.h"
#include "XmlWriter.h"

#include <sstream>
#include <string>

namespace sky::test
{

inline std::string Utf8(const CxString& inString)
{
    return inString.AsUtf8();
}

struct DumpOptions
{
    bool mergeText = false; // join neighbouring text items (the parser splits text where it likes)
    bool trimText = false;  // and trim the joined text, leaving out what is blank (formatting added on writing)
};

// One line per item, indented by depth: the kind, names and raw texts.
inline void DumpItem(const XmlItem* inItem, int inDepth, const DumpOptions& inOptions, std::string& ioOut)
{
    const std::string pad(std::size_t(inDepth) * 2, ' ');
    if (const XmlElement* element = AsXmlElement(inItem))
    {
        ioOut += pad + (AsXmlRoot(inItem) ? std::string("root") : "element " + Utf8(element->Name()));
        for (auto iter = element->AttributeBegin(); iter != element->AttributeEnd(); ++iter)
            ioOut += " " + Utf8((*iter)->Name()) + "=[" + Utf8((*iter)->Value()) + "]";
        ioOut += "\n";
        std::string text;
        bool inText = false;
        auto flush = [&]()
        {
            if (inOptions.trimText)
            {
                const auto first = text.find_first_not_of(" \t\r\n");
                const auto last = text.find_last_not_of(" \t\r\n");
                text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
                inText = inText && !text.empty();
            }
            if (inText)
                ioOut += pad + "  text [" + text + "]\n";
            text.clear();
            inText = false;
        };
        for (auto iter = element->ItemBegin(); iter != element->ItemEnd(); ++iter)
        {
            const XmlContent* content = AsXmlContent(*iter);
            if (content == nullptr)
            {
                flush();
                DumpItem(*iter, inDepth + 1, inOptions, ioOut);
                continue;
            }
            if (!inOptions.mergeText && !inOptions.trimText)
                flush();
            text += Utf8(content->Text());
            inText = true;
        }
        flush();
    }
    else if (const XmlContent* content = AsXmlContent(inItem))
        ioOut += pad + "text [" + Utf8(content->Text()) + "]\n";
    else if (const XmlComment* comment = AsXmlComment(inItem))
        ioOut += pad + "comment [" + Utf8(comment->Text()) + "]\n";
    else if (const XmlInstruction* instruction = AsXmlInstruction(inItem))
        ioOut += pad + "instruction " + Utf8(instruction->Target()) + " [" + Utf8(instruction->Data()) + "]\n";
    else
        ioOut += pad + "other\n";
}

inline std::string Dump(const XmlItem* inItem, DumpOptions inOptions = {})
{
    std::string out;
    if (inItem != nullptr)
        DumpItem(inItem, 0, inOptions, out);
    return out;
}

// Written through the standard stream writer (8-bit; units above 127 become '*').
template <class Source> std::string WriteStd(const Source& inSource, bool inFormatted = true)
{
    std::ostringstream stream;
    XmlStdStreamWriter writer(stream);
    writer.SetFormatted(inFormatted);
    inSource.Write(writer);
    return stream.str();
}

// Written through the text stream writer: UTF-8 bytes.
template <class Source> std::string WriteUtf8(const Source& inSource, bool inFormatted = true)
{
    CxData data(0u);
    {
        CxTextStream stream(data);
        XmlTextStreamWriter writer(stream);
        writer.SetFormatted(inFormatted);
        inSource.Write(writer);
    }
    if (data.Size() == 0)
        return std::string();
    data.Lock();
    std::string bytes(static_cast<const char*>(data.Pointer()), data.Size());
    data.Unlock();
    return bytes;
}

// Written through the string stream writer: UTF-16 units.
template <class Source> CxString WriteUnits(const Source& inSource, bool inFormatted = true)
{
    CxString text;
    {
        CxStringStream stream(text);
        XmlStringStreamWriter writer(stream);
        writer.SetFormatted(inFormatted);
        inSource.Write(writer);
    }
    return text;
}

} // namespace sky::test
