#include "XmlBuilder.h"

#include "CxDebug.h"
#include "XmlWriter.h"

XmlBuilder::XmlBuilder() : mRoot(new XmlRoot)
{
    mElements.push_back(mRoot);
}

XmlBuilder::~XmlBuilder()
{
    CxAssertText(mRoot != nullptr, "mRoot != nil");
    delete mRoot;
}

void XmlBuilder::Append(XmlItem* inItem)
{
    XmlElement* top = Element();
    CxAssertText(top != nullptr, "top != nil");
    if (top != nullptr)
        top->AdoptItem(inItem);
    else
        delete inItem;
}

void XmlBuilder::Begin(const CxString& inName)
{
    XmlElement* element = new XmlElement(inName);
    Append(element);
    if (element->Parent() != nullptr)
        mElements.push_back(element);
}

void XmlBuilder::End(const CxString& inName)
{
    XmlElement* element = Element();
    CxAssertText(element != nullptr, "element != nil");
    if (element == nullptr)
        return;
    CxAssertText(element->Name() == inName, "element->Name() == inName");
    // Popping the root would leave every later call without an element to add to.
    if (mElements.size() <= 1)
    {
        CxAssertText(false, "mElements.size() > 1");
        return;
    }
    mElements.pop_back();
}

void XmlBuilder::Attribute(const CxString& inName, const CxString& inValue)
{
    XmlElement* top = Element();
    CxAssertText(top != nullptr, "top != nil");
    if (top != nullptr)
        top->AdoptAttribute(new XmlAttribute(inName, inValue));
}

void XmlBuilder::Content(const CxString& inText)
{
    Append(new XmlContent(inText));
}

void XmlBuilder::Comment(const CxString& inText)
{
    Append(new XmlComment(inText));
}

void XmlBuilder::Instruction(const CxString& inTarget, const CxString& inData)
{
    Append(new XmlInstruction(inTarget, inData));
}

void XmlBuilder::Write(XmlWriter& ioWriter) const
{
    mRoot->Write(ioWriter);
}

XmlRoot* XmlBuilder::DetachRoot()
{
    // The open elements belong to the tree handed away.
    XmlRoot* root = mRoot;
    mRoot = new XmlRoot;
    mElements.clear();
    mElements.push_back(mRoot);
    return root;
}
