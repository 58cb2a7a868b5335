// Builds an element tree from XML bytes with expat. Any encoding expat knows is accepted (UTF-8, UTF-16 with or
// without a mark, Latin-1, US-ASCII); the tree always holds UTF-16.
#pragma once

#include "CxString.h"
#include "CxTypes.h"
#include "XmlElement.h"

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

class XmlArena;

class XmlParser
{
public:
    XmlParser();
    virtual ~XmlParser();
    XmlParser(const XmlParser&) = delete;
    XmlParser& operator=(const XmlParser&) = delete;

    // Consecutive chunks of one document, the last with inLastChunk set. True on success; on failure
    // ErrorMessage() and ErrorLine() tell why and where.
    bool Parse(const void* inBytes, std::size_t inByteCount, bool inLastChunk);

    // Still owned by the parser.
    XmlRoot* Root() const { return mRoot; }
    // Hands the root to the caller; the parser goes on with a new empty root.
    XmlRoot* DetachRoot();

    const CxString& ErrorMessage() const { return mErrorMessage; }
    CxSint32 ErrorLine() const { return mErrorLine; }

    // As new: an empty root and a fresh expat parser.
    void Reset();

    // Deeper nesting fails the parse: the tree is walked recursively when it is written, copied and deleted.
    static constexpr std::size_t kMaxDepth = 4096;

protected:
    // Handlers, called with expat's UTF-8.
    virtual void StartElement(const char* inName, const char** inAttributes);
    virtual void EndElement(const char* inName);
    virtual void Content(const char* inText, int inLength);
    virtual void Comment(const char* inText);
    virtual void Instruction(const char* inTarget, const char* inData);

    // Factories, given the converted text to keep; the tree owns what they return once it is appended.
    virtual XmlElement* CreateElement(CxString inName);
    virtual XmlContent* CreateContent(CxString inText);
    virtual XmlComment* CreateComment(CxString inText);
    virtual XmlInstruction* CreateInstruction(CxString inTarget, CxString inData);

    // Hooks, called after the item has joined the tree.
    virtual void OnStartElement(XmlElement* inElement);
    virtual void OnEndElement(XmlElement* inElement);
    virtual void OnContent(XmlContent* inContent);
    virtual void OnComment(XmlComment* inComment);
    virtual void OnInstruction(XmlInstruction* inInstruction);

    // Expat's name/value array of the start tag being handled, null outside CreateElement.
    const char** Attributes() const { return mAttributes; }
    // The element new items go to.
    XmlElement* Top() const { return mElements.empty() ? nullptr : mElements.back(); }

private:
    // The platform's parser and its entry points.
    struct Impl;

    void Append(XmlItem* inItem);
    // Texts longer than a string holds by itself go into the item's own allocation.
    static constexpr std::size_t kOwnTextUnits = 7;
    // A new T in the arena from the arguments and, last, the text.
    template <class T, typename... Args> T* NewWithText(std::string_view inText, Args&&... ioArguments);

    // Where the items of the trees this parser builds live; they may outlive it.
    std::unique_ptr<XmlArena> mArena;
    std::vector<XmlElement*> mElements;
    XmlRoot* mRoot = nullptr;
    std::unique_ptr<Impl> mImpl;
    const char** mAttributes = nullptr;
    CxString mErrorMessage;
    CxSint32 mErrorLine = 0;
    bool mStarted = false; // bytes have arrived
    bool mFed = false;     // expat has seen some
    bool mTooDeep = false;
};
