#include "XmlParser.h"

#include "CxDebug.h"

#include <climits>
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

XmlParser::XmlParser()
{
    mRoot = new XmlRoot;
    mElements.push_back(mRoot);
    CreateExpat();
}

XmlParser::~XmlParser()
{
    if (mExpat != nullptr)
        XML_ParserFree(mExpat);
    delete mRoot;
}

void XmlParser::CreateExpat()
{
    // No forced encoding, so that expat tells UTF-16 from UTF-8 by the mark or the first characters.
    mExpat = XML_ParserCreate(nullptr);
    XML_SetUserData(mExpat, this);
    XML_SetElementHandler(mExpat, StartElementFn, EndElementFn);
    XML_SetCharacterDataHandler(mExpat, ContentFn);
    XML_SetCommentHandler(mExpat, CommentFn);
    XML_SetProcessingInstructionHandler(mExpat, InstructionFn);
}

bool XmlParser::Parse(const void* inBytes, std::size_t inByteCount, bool inLastChunk)
{
    if (mExpat == nullptr)
        return false;
    const char* bytes = static_cast<const char*>(inBytes);
    std::size_t count = bytes != nullptr ? inByteCount : 0;
    const bool arrived = count > 0;
    // A big-endian mark at the very start is dropped; expat then finds UTF-16BE from the first characters.
    if (!mStarted && count >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
        static_cast<unsigned char>(bytes[1]) == 0xFF)
    {
        bytes += 2;
        count -= 2;
    }
    mStarted = mStarted || arrived;
    if (count == 0)
    {
        // An empty document is no error; an empty last chunk still has to close one that expat has begun.
        if (!(mFed && inLastChunk))
            return true;
        bytes = "";
    }
    mFed = true;

    XML_Status status = XML_STATUS_OK;
    // Expat takes an int count.
    while (count > std::size_t(INT_MAX) && status == XML_STATUS_OK)
    {
        status = XML_Parse(mExpat, bytes, INT_MAX, XML_FALSE);
        bytes += INT_MAX;
        count -= std::size_t(INT_MAX);
    }
    if (status == XML_STATUS_OK)
        status = XML_Parse(mExpat, bytes, int(count), inLastChunk ? XML_TRUE : XML_FALSE);
    if (status == XML_STATUS_OK)
        return true;

    mErrorMessage =
        mTooDeep ? CxString("elements nested too deeply") : CxString(XML_ErrorString(XML_GetErrorCode(mExpat)));
    mErrorLine = CxSint32(XML_GetCurrentLineNumber(mExpat));
    return false;
}

XmlRoot* XmlParser::DetachRoot()
{
    // The stack may still hold open elements of the tree handed away after a partial parse.
    XmlRoot* root = mRoot;
    mElements.clear();
    mRoot = new XmlRoot;
    mElements.push_back(mRoot);
    return root;
}

void XmlParser::Reset()
{
    if (mExpat != nullptr)
        XML_ParserFree(mExpat);
    mExpat = nullptr;
    delete mRoot;
    mElements.clear();
    CxAssertText(mElements.empty(), "mElements.size() == 0");
    mRoot = new XmlRoot;
    mElements.push_back(mRoot);
    CreateExpat();
    mAttributes = nullptr;
    mErrorMessage = CxString();
    mErrorLine = 0;
    mStarted = false;
    mFed = false;
    mTooDeep = false;
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

void XmlParser::StartElement(const XML_Char* inName, const XML_Char** inAttributes)
{
    mAttributes = inAttributes;
    XmlElement* element = CreateElement(Utf16(inName));
    mAttributes = nullptr;
    if (element == nullptr)
        return;
    if (inAttributes != nullptr)
    {
        XmlAttribute** tail = nullptr;
        for (const XML_Char** pair = inAttributes; *pair != nullptr; pair += 2)
            tail = element->AppendNew(new XmlAttribute(Utf16(pair[0]), Utf16(pair[1])), tail);
    }
    Append(element);
    mElements.push_back(element);
    OnStartElement(element);
}

void XmlParser::EndElement(const XML_Char*)
{
    // The root stays; expat matches the tags.
    if (mElements.size() <= 1)
        return;
    XmlElement* element = mElements.back();
    mElements.pop_back();
    OnEndElement(element);
}

void XmlParser::Content(const XML_Char* inText, int inLength)
{
    XmlContent* content = CreateContent(Utf16(inText, inLength > 0 ? std::size_t(inLength) : 0));
    if (content == nullptr)
        return;
    Append(content);
    OnContent(content);
}

void XmlParser::Comment(const XML_Char* inText)
{
    XmlComment* comment = CreateComment(Utf16(inText));
    if (comment == nullptr)
        return;
    Append(comment);
    OnComment(comment);
}

void XmlParser::Instruction(const XML_Char* inTarget, const XML_Char* inData)
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
    return new XmlElement(std::move(inName));
}

XmlContent* XmlParser::CreateContent(CxString inText)
{
    return new XmlContent(std::move(inText));
}

XmlComment* XmlParser::CreateComment(CxString inText)
{
    return new XmlComment(std::move(inText));
}

XmlInstruction* XmlParser::CreateInstruction(CxString inTarget, CxString inData)
{
    return new XmlInstruction(std::move(inTarget), std::move(inData));
}

void XmlParser::OnStartElement(XmlElement*) {}

void XmlParser::OnEndElement(XmlElement*) {}

void XmlParser::OnContent(XmlContent*) {}

void XmlParser::OnComment(XmlComment*) {}

void XmlParser::OnInstruction(XmlInstruction*) {}

// ---- expat entry points

void XMLCALL XmlParser::StartElementFn(void* inUserData, const XML_Char* inName, const XML_Char** inAttributes)
{
    auto* parser = static_cast<XmlParser*>(inUserData);
    if (parser->mTooDeep)
        return;
    // The root is on the stack too.
    if (parser->mElements.size() > kMaxDepth)
    {
        parser->mTooDeep = true;
        XML_StopParser(parser->mExpat, XML_FALSE);
        return;
    }
    parser->StartElement(inName, inAttributes);
}

void XMLCALL XmlParser::EndElementFn(void* inUserData, const XML_Char* inName)
{
    auto* parser = static_cast<XmlParser*>(inUserData);
    if (!parser->mTooDeep)
        parser->EndElement(inName);
}

void XMLCALL XmlParser::ContentFn(void* inUserData, const XML_Char* inText, int inLength)
{
    auto* parser = static_cast<XmlParser*>(inUserData);
    if (!parser->mTooDeep)
        parser->Content(inText, inLength);
}

void XMLCALL XmlParser::CommentFn(void* inUserData, const XML_Char* inText)
{
    auto* parser = static_cast<XmlParser*>(inUserData);
    if (!parser->mTooDeep)
        parser->Comment(inText);
}

void XMLCALL XmlParser::InstructionFn(void* inUserData, const XML_Char* inTarget, const XML_Char* inData)
{
    auto* parser = static_cast<XmlParser*>(inUserData);
    if (!parser->mTooDeep)
        parser->Instruction(inTarget, inData);
}
