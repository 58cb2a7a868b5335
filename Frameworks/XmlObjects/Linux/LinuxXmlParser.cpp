// The expat side of XmlParser: the parser object, feeding it, and its entry points into the handlers.
#include "XmlParser.h"

#include "CxDebug.h"
#include "XmlArena.h"

#include <expat.h>

#include <climits>
#include <type_traits>

// The handlers take expat's text as it comes: the UTF-8 library's.
static_assert(std::is_same_v<XML_Char, char>, "expat must be the UTF-8 build");

struct XmlParser::Impl
{
    explicit Impl(XmlParser* inOwner) { Create(inOwner); }
    ~Impl() { Free(); }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    void Create(XmlParser* inOwner)
    {
        // No forced encoding, so that expat tells UTF-16 from UTF-8 by the mark or the first characters.
        mExpat = XML_ParserCreate(nullptr);
        XML_SetUserData(mExpat, inOwner);
        XML_SetElementHandler(mExpat, StartElementFn, EndElementFn);
        XML_SetCharacterDataHandler(mExpat, ContentFn);
        XML_SetCommentHandler(mExpat, CommentFn);
        XML_SetProcessingInstructionHandler(mExpat, InstructionFn);
    }

    void Free()
    {
        if (mExpat != nullptr)
            XML_ParserFree(mExpat);
        mExpat = nullptr;
    }

    static void XMLCALL StartElementFn(void* inUserData, const XML_Char* inName, const XML_Char** inAttributes);
    static void XMLCALL EndElementFn(void* inUserData, const XML_Char* inName);
    static void XMLCALL ContentFn(void* inUserData, const XML_Char* inText, int inLength);
    static void XMLCALL CommentFn(void* inUserData, const XML_Char* inText);
    static void XMLCALL InstructionFn(void* inUserData, const XML_Char* inTarget, const XML_Char* inData);

    XML_Parser mExpat = nullptr;
};

XmlParser::XmlParser() : mArena(std::make_unique<XmlArena>())
{
    mRoot = new XmlRoot;
    mElements.push_back(mRoot);
    mImpl = std::make_unique<Impl>(this);
}

XmlParser::~XmlParser()
{
    mImpl.reset();
    delete mRoot;
}

bool XmlParser::Parse(const void* inBytes, std::size_t inByteCount, bool inLastChunk)
{
    XML_Parser expat = mImpl->mExpat;
    if (expat == nullptr)
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
        status = XML_Parse(expat, bytes, INT_MAX, XML_FALSE);
        bytes += INT_MAX;
        count -= std::size_t(INT_MAX);
    }
    if (status == XML_STATUS_OK)
        status = XML_Parse(expat, bytes, int(count), inLastChunk ? XML_TRUE : XML_FALSE);
    if (status == XML_STATUS_OK)
        return true;

    mErrorMessage =
        mTooDeep ? CxString("elements nested too deeply") : CxString(XML_ErrorString(XML_GetErrorCode(expat)));
    mErrorLine = CxSint32(XML_GetCurrentLineNumber(expat));
    return false;
}

void XmlParser::Reset()
{
    mImpl->Free();
    delete mRoot;
    mElements.clear();
    CxAssertText(mElements.empty(), "mElements.size() == 0");
    mRoot = new XmlRoot;
    mElements.push_back(mRoot);
    mImpl->Create(this);
    mAttributes = nullptr;
    mErrorMessage = CxString();
    mErrorLine = 0;
    mStarted = false;
    mFed = false;
    mTooDeep = false;
}

// ---- expat entry points

void XMLCALL XmlParser::Impl::StartElementFn(void* inUserData, const XML_Char* inName, const XML_Char** inAttributes)
{
    auto* parser = static_cast<XmlParser*>(inUserData);
    if (parser->mTooDeep)
        return;
    // The root is on the stack too.
    if (parser->mElements.size() > kMaxDepth)
    {
        parser->mTooDeep = true;
        XML_StopParser(parser->mImpl->mExpat, XML_FALSE);
        return;
    }
    parser->StartElement(inName, inAttributes);
}

void XMLCALL XmlParser::Impl::EndElementFn(void* inUserData, const XML_Char* inName)
{
    auto* parser = static_cast<XmlParser*>(inUserData);
    if (!parser->mTooDeep)
        parser->EndElement(inName);
}

void XMLCALL XmlParser::Impl::ContentFn(void* inUserData, const XML_Char* inText, int inLength)
{
    auto* parser = static_cast<XmlParser*>(inUserData);
    if (!parser->mTooDeep)
        parser->Content(inText, inLength);
}

void XMLCALL XmlParser::Impl::CommentFn(void* inUserData, const XML_Char* inText)
{
    auto* parser = static_cast<XmlParser*>(inUserData);
    if (!parser->mTooDeep)
        parser->Comment(inText);
}

void XMLCALL XmlParser::Impl::InstructionFn(void* inUserData, const XML_Char* inTarget, const XML_Char* inData)
{
    auto* parser = static_cast<XmlParser*>(inUserData);
    if (!parser->mTooDeep)
        parser->Instruction(inTarget, inData);
}
