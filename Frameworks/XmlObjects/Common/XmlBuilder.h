// Assembles an element tree with begin/end calls, for writing through an XmlWriter. Misuse is logged, never refused.
#pragma once

#include "CxString.h"
#include "XmlElement.h"

#include <vector>

class XmlWriter;

class XmlBuilder
{
public:
    XmlBuilder();
    ~XmlBuilder();
    XmlBuilder(const XmlBuilder&) = delete;
    XmlBuilder& operator=(const XmlBuilder&) = delete;

    // A new element as the last child of the open one, and open.
    void Begin(const CxString& inName);
    // Closes the open element, which should be named inName; the root is never closed.
    void End(const CxString& inName);
    void Attribute(const CxString& inName, const CxString& inValue);
    void Content(const CxString& inText);
    void Comment(const CxString& inText);
    void Instruction(const CxString& inTarget, const CxString& inData);

    // The open element.
    XmlElement* Element() const { return mElements.empty() ? nullptr : mElements.back(); }
    // Still owned by the builder.
    XmlRoot* Root() const { return mRoot; }

    // Each document-level item followed by one break.
    void Write(XmlWriter& ioWriter) const;

    // Hands the root to the caller; the builder starts over with a new empty root.
    XmlRoot* DetachRoot();

private:
    void Append(XmlItem* inItem);

    XmlRoot* mRoot;
    std::vector<XmlElement*> mElements;
};
