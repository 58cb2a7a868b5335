#include "XmlParser.h"

#include "CxDebug.h"
#include "XmlArena.h"

#include <cstring>
#include <new>
#include <string_view>
#include <typeinfo>
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

template <class T, typename... Args> T* XmlParser::NewWithText(std::string_view inText, Args&&... ioArguments)
{
    // The text's units right after the object, in one allocation of the arena: they live and die with it.
    void* memory = mArena->Allocate(sizeof(T) + (inText.size() + 1) * sizeof(CxUint16));
    CxUint16* units = reinterpret_cast<CxUint16*>(static_cast<char*>(memory) + sizeof(T));
    const CxUint32 length = CxString::FromUtf8(inText, units);
    return ::new (memory) T(std::forward<Args>(ioArguments)..., CxString::Over(units, length));
}

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
        {
            CxString name = Utf16(pair[0]);
            const std::string_view value(pair[1]);
            XmlAttribute* attribute = value.size() > kOwnTextUnits
                                          ? NewWithText<XmlAttribute>(value, std::move(name))
                                          : new (*mArena) XmlAttribute(std::move(name), Utf16(pair[1], value.size()));
            tail = element->AppendNew(attribute, tail);
        }
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
    const std::string_view text(inText, inLength > 0 ? std::size_t(inLength) : 0);
    // This class's own factory makes just such an item; a subclass's gets its text as always.
    XmlContent* content = text.size() > kOwnTextUnits && typeid(*this) == typeid(XmlParser)
                              ? NewWithText<XmlContent>(text)
                              : CreateContent(Utf16(text.data(), text.size()));
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
