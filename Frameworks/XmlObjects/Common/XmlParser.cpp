#include "XmlParser.h"

#include "CxDebug.h"
#include "XmlArena.h"

#include <cstring>
#include <string_view>
#include <utility>

namespace
{

// Expat hands over UTF-8 without zero bytes; the tree holds UTF-16.
CxString Utf16(const char* inText, std::size_t inLength)
{
    return CxString::FromUtf8(std::string_view(inText, inLength));
}

inline CxString Utf16(const char* inText)
{
    return inText != nullptr ? Utf16(inText, std::strlen(inText)) : CxString();
}

} // namespace

XmlRoot* XmlParser::DetachRoot()
{
    // The stack may still hold open elements of the tree handed away after a partial parse.
    XmlRoot* root = mRoot;
    mElements.clear();
    mRoot = new XmlRoot;
    mElements.push_back(mRoot);
    return root;
}

void XmlParser::Append(XmlItem* inItem)
{
    XmlElement* top = Top();
    if (top != nullptr)
        top->AppendNew(inItem);
    else
        delete inItem;
}

// ---- handlers

void XmlParser::StartElement(const char* inName, const char** inAttributes)
{
    mAttributes = inAttributes;
    XmlElement* element = CreateElement(Utf16(inName));
    mAttributes = nullptr;
    if (element == nullptr)
        return;
    if (inAttributes != nullptr)
    {
        XmlAttribute** tail = nullptr;
        for (const char** pair = inAttributes; *pair != nullptr; pair += 2)
            tail = element->AppendNew(new (*mArena) XmlAttribute(Utf16(pair[0]), Utf16(pair[1])), tail);
    }
    Append(element);
    mElements.push_back(element);
    OnStartElement(element);
}

void XmlParser::EndElement(const char*)
{
    // The root stays; expat matches the tags.
    if (mElements.size() <= 1)
        return;
    XmlElement* element = mElements.back();
    mElements.pop_back();
    OnEndElement(element);
}

void XmlParser::Content(const char* inText, int inLength)
{
    XmlContent* content = CreateContent(Utf16(inText, inLength > 0 ? std::size_t(inLength) : 0));
    if (content == nullptr)
        return;
    Append(content);
    OnContent(content);
}

void XmlParser::Comment(const char* inText)
{
    XmlComment* comment = CreateComment(Utf16(inText));
    if (comment == nullptr)
        return;
    Append(comment);
    OnComment(comment);
}

void XmlParser::Instruction(const char* inTarget, const char* inData)
{
    XmlInstruction* instruction = CreateInstruction(Utf16(inTarget), Utf16(inData));
    if (instruction == nullptr)
        return;
    Append(instruction);
    OnInstruction(instruction);
}

// ---- factories and hooks

XmlElement* XmlParser::CreateElement(CxString inName)
{
    return new (*mArena) XmlElement(std::move(inName));
}

XmlContent* XmlParser::CreateContent(CxString inText)
{
    return new (*mArena) XmlContent(std::move(inText));
}

XmlComment* XmlParser::CreateComment(CxString inText)
{
    return new (*mArena) XmlComment(std::move(inText));
}

XmlInstruction* XmlParser::CreateInstruction(CxString inTarget, CxString inData)
{
    return new (*mArena) XmlInstruction(std::move(inTarget), std::move(inData));
}

void XmlParser::OnStartElement(XmlElement*) {}

void XmlParser::OnEndElement(XmlElement*) {}

void XmlParser::OnContent(XmlContent*) {}

void XmlParser::OnComment(XmlComment*) {}

void XmlParser::OnInstruction(XmlInstruction*) {}
