#include "XmlElement.h"

#include "CxDebug.h"
#include "XmlArena.h"
#include "XmlParser.h"
#include "XmlWriter.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace
{

inline bool IsXmlBlank(CxUint16 inUnit)
{
    return inUnit == ' ' || inUnit == '\t' || inUnit == '\n' || inUnit == '\r';
}

// The replacement text of one unit, or null when the unit stays as it is.
using EscapeFn = const char* (*)(CxUint16);

const char* AttributeEscape(CxUint16 inUnit)
{
    switch (inUnit)
    {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '\'':
        return "&apos;";
    case '"':
        return "&quot;";
    // A raw tab or line end would read back as a blank (attribute-value normalisation).
    case '\t':
        return "&#9;";
    case '\n':
        return "&#10;";
    case '\r':
        return "&#13;";
    default:
        return nullptr;
    }
}

const char* ContentEscape(CxUint16 inUnit)
{
    switch (inUnit)
    {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    // A raw one would read back as a line feed (line-end normalisation).
    case '\r':
        return "&#13;";
    default:
        return nullptr;
    }
}

// One pass gives the same text as replacing each character in turn with "&" first, and never re-escapes.
CxString Escape(const CxUint16* inUnits, CxUint32 inLength, EscapeFn inEscape)
{
    CxUint32 extra = 0;
    for (CxUint32 i = 0; i < inLength; ++i)
        if (const char* entity = inEscape(inUnits[i]))
            extra += CxUint32(std::strlen(entity)) - 1;
    if (extra == 0)
        return CxString(inUnits, inLength);

    CxUint16* out = new CxUint16[std::size_t(inLength) + extra + 1];
    CxUint32 n = 0;
    for (CxUint32 i = 0; i < inLength; ++i)
    {
        if (const char* entity = inEscape(inUnits[i]))
            while (*entity != 0)
                out[n++] = CxUint16(*entity++);
        else
            out[n++] = inUnits[i];
    }
    out[n] = 0;
    CxString result;
    result.Assign(out);
    return result;
}

} // namespace

// ---- storage

static_assert(alignof(XmlAttribute) <= XmlArena::kAlignment && alignof(XmlElement) <= XmlArena::kAlignment &&
              alignof(XmlContent) <= XmlArena::kAlignment && alignof(XmlInstruction) <= XmlArena::kAlignment);

void* XmlAttribute::operator new(std::size_t inSize)
{
    return XmlArena::AllocateAlone(inSize);
}

void* XmlAttribute::operator new(std::size_t inSize, XmlArena& ioArena)
{
    return ioArena.Allocate(inSize);
}

void XmlAttribute::operator delete(void* inObject) noexcept
{
    XmlArena::Free(inObject);
}

void XmlAttribute::operator delete(void* inObject, XmlArena&) noexcept
{
    XmlArena::Free(inObject);
}

void* XmlItem::operator new(std::size_t inSize)
{
    return XmlArena::AllocateAlone(inSize);
}

void* XmlItem::operator new(std::size_t inSize, XmlArena& ioArena)
{
    return ioArena.Allocate(inSize);
}

void XmlItem::operator delete(void* inObject) noexcept
{
    XmlArena::Free(inObject);
}

void XmlItem::operator delete(void* inObject, XmlArena&) noexcept
{
    XmlArena::Free(inObject);
}

// ---- XmlAttribute

XmlAttribute::XmlAttribute(const CxString& inName, const CxString& inValue) : mName(inName), mValue(inValue) {}

XmlAttribute::XmlAttribute(CxString&& inName, CxString&& inValue) : mName(std::move(inName)), mValue(std::move(inValue))
{
}

CxString XmlAttribute::EscapedValue() const
{
    return Escape(mValue.GetChars(), mValue.Length(), AttributeEscape);
}

void XmlAttribute::Write(XmlWriter& ioWriter) const
{
    ioWriter.Write(" ");
    ioWriter.Write(mName);
    ioWriter.Write("=\"");
    ioWriter.Write(EscapedValue());
    ioWriter.Write("\"");
}

// ---- XmlItem

XmlItem::~XmlItem()
{
    if (mParent != nullptr)
        mParent->Unlink(this);
}

void XmlItem::Write(XmlWriter& ioWriter) const
{
    ioWriter.Write("<!-- UNKNOWN XML ITEM -->");
}

void XmlItem::Visit(XmlVisitor& ioVisitor)
{
    ioVisitor.VisitOther(*this);
}

CxSint32 XmlItem::Depth() const
{
    CxSint32 depth = 0;
    for (const XmlElement* parent = mParent; parent != nullptr; parent = parent->Parent())
        ++depth;
    return depth;
}

// ---- XmlElement

XmlElement::XmlElement(const CxString& inName) : mName(inName) {}

XmlElement::XmlElement(CxString&& inName) : mName(std::move(inName)) {}

XmlElement::XmlElement(const XmlElement* inOther)
{
    if (inOther == nullptr)
        return;
    mName = inOther->mName;
    inOther->CopyAttributesTo(this);
    inOther->CopyItemsTo(this);
}

XmlElement::~XmlElement()
{
    for (XmlAttribute* attribute = mFirstAttribute; attribute != nullptr;)
    {
        XmlAttribute* next = attribute->mNext;
        delete attribute;
        attribute = next;
    }
    // Cleared parents keep the children from unlinking themselves from the list being walked.
    for (XmlItem* item = mFirstItem; item != nullptr;)
    {
        XmlItem* next = item->mNext;
        item->mParent = nullptr;
        item->mNext = nullptr;
        delete item;
        item = next;
    }
}

XmlItem* XmlElement::Copy() const
{
    XmlElement* copy = new XmlElement(mName);
    CopyAttributesTo(copy);
    return copy;
}

XmlElement* XmlElement::CopyDeep() const
{
    XmlElement* copy = static_cast<XmlElement*>(Copy());
    CopyItemsTo(copy);
    return copy;
}

void XmlElement::Write(XmlWriter& ioWriter) const
{
    ioWriter.Write("<");
    ioWriter.Write(mName);
    for (const XmlAttribute* attribute = mFirstAttribute; attribute != nullptr; attribute = attribute->mNext)
        attribute->Write(ioWriter);
    if (mFirstItem == nullptr)
    {
        ioWriter.Write("/>");
        return;
    }
    ioWriter.Write(">");
    ioWriter.Indent();
    for (const XmlItem* item = mFirstItem; item != nullptr; item = item->mNext)
    {
        ioWriter.Break();
        item->Write(ioWriter);
    }
    ioWriter.Outdent();
    ioWriter.Break();
    ioWriter.Write("</");
    ioWriter.Write(mName);
    ioWriter.Write(">");
}

void XmlElement::Visit(XmlVisitor& ioVisitor)
{
    ioVisitor.VisitElement(*this);
}

bool XmlElement::FindPrevious(const XmlAttribute* inAttribute, XmlAttribute*& outPrevious) const
{
    outPrevious = nullptr;
    for (XmlAttribute* attribute = mFirstAttribute; attribute != nullptr; attribute = attribute->mNext)
    {
        if (attribute == inAttribute)
            return true;
        outPrevious = attribute;
    }
    return false;
}

bool XmlElement::FindPrevious(const XmlItem* inItem, XmlItem*& outPrevious) const
{
    outPrevious = nullptr;
    for (XmlItem* item = mFirstItem; item != nullptr; item = item->mNext)
    {
        if (item == inItem)
            return true;
        outPrevious = item;
    }
    return false;
}

void XmlElement::AdoptAttribute(XmlAttribute* inAttribute, XmlAttribute* inBefore)
{
    if (inAttribute == nullptr)
        return;
    XmlAttribute* previous = nullptr;
    bool found = false;
    if (inBefore != nullptr)
    {
        found = FindPrevious(inBefore, previous);
        CxAssertText(found, "iter != mAttribs.end()");
    }
    if (!found)
    {
        // Append: the previous entry is the last one.
        previous = mFirstAttribute;
        while (previous != nullptr && previous->mNext != nullptr)
            previous = previous->mNext;
    }
    XmlAttribute*& link = previous != nullptr ? previous->mNext : mFirstAttribute;
    inAttribute->mNext = link;
    link = inAttribute;
    ++mAttributeCount;
}

void XmlElement::RemoveAttribute(XmlAttribute* inAttribute, XmlAttribute* inPrevious)
{
    (inPrevious != nullptr ? inPrevious->mNext : mFirstAttribute) = inAttribute->mNext;
    inAttribute->mNext = nullptr;
    --mAttributeCount;
}

void XmlElement::OrphanAttribute(XmlAttribute* inAttribute)
{
    XmlAttribute* previous = nullptr;
    const bool found = inAttribute != nullptr && FindPrevious(inAttribute, previous);
    CxAssertText(found, "iter != mAttribs.end()");
    if (found)
        RemoveAttribute(inAttribute, previous);
}

XmlAttribute* XmlElement::FindAttribute(const CxString& inName) const
{
    for (XmlAttribute* attribute = mFirstAttribute; attribute != nullptr; attribute = attribute->mNext)
        if (attribute->mName == inName)
            return attribute;
    return nullptr;
}

CxString XmlElement::GetAttribute(const CxString& inName) const
{
    const XmlAttribute* attribute = FindAttribute(inName);
    return attribute != nullptr ? attribute->Value() : CxString();
}

void XmlElement::SetAttribute(const CxString& inName, const CxString& inValue)
{
    if (XmlAttribute* attribute = FindAttribute(inName))
        attribute->SetValue(inValue);
    else
        AdoptAttribute(new XmlAttribute(inName, inValue));
}

void XmlElement::RenameAttribute(const CxString& inOldName, const CxString& inNewName)
{
    if (XmlAttribute* attribute = FindAttribute(inOldName))
        attribute->SetName(inNewName);
}

void XmlElement::ClearAttribute(const CxString& inName)
{
    XmlAttribute* previous = nullptr;
    for (XmlAttribute* attribute = mFirstAttribute; attribute != nullptr; attribute = attribute->mNext)
    {
        if (attribute->mName == inName)
        {
            RemoveAttribute(attribute, previous);
            delete attribute;
            return;
        }
        previous = attribute;
    }
}

void XmlElement::CopyAttributesTo(XmlElement* ioOther) const
{
    XmlAttribute* last = ioOther->mFirstAttribute;
    while (last != nullptr && last->mNext != nullptr)
        last = last->mNext;
    for (const XmlAttribute* attribute = mFirstAttribute; attribute != nullptr; attribute = attribute->mNext)
    {
        XmlAttribute* copy = new XmlAttribute(*attribute);
        (last != nullptr ? last->mNext : ioOther->mFirstAttribute) = copy;
        last = copy;
        ++ioOther->mAttributeCount;
    }
}

bool XmlElement::IsSelfOrAncestor(const XmlItem* inItem) const
{
    for (const XmlElement* element = this; element != nullptr; element = element->Parent())
        if (element == inItem)
            return true;
    return false;
}

void XmlElement::InsertItem(XmlItem* inItem, XmlItem* inPrevious)
{
    XmlItem*& link = inPrevious != nullptr ? inPrevious->mNext : mFirstItem;
    inItem->mNext = link;
    link = inItem;
    if (inItem->mNext == nullptr)
        mLastItem = inItem;
    inItem->mParent = this;
    ++mItemCount;
}

void XmlElement::RemoveItem(XmlItem* inItem, XmlItem* inPrevious)
{
    (inPrevious != nullptr ? inPrevious->mNext : mFirstItem) = inItem->mNext;
    if (mLastItem == inItem)
        mLastItem = inPrevious;
    inItem->mNext = nullptr;
    inItem->mParent = nullptr;
    --mItemCount;
}

void XmlElement::AdoptItem(XmlItem* inItem, XmlItem* inBefore)
{
    if (inItem == nullptr)
        return;
    // Adopting an element into itself or its own subtree would make a cycle that is deleted twice.
    if (IsSelfOrAncestor(inItem))
    {
        CxAssertText(false, "!IsSelfOrAncestor(inItem)");
        return;
    }
    // An item in two lists would be deleted twice: it leaves its old parent first.
    if (inItem->Parent() != nullptr)
    {
        CxAssertText(false, "inItem->Parent() == nil");
        inItem->Parent()->Unlink(inItem);
    }
    if (inBefore != nullptr)
    {
        XmlItem* previous = nullptr;
        const bool found = FindPrevious(inBefore, previous);
        CxAssertText(found, "iter != mItems.end()");
        if (found)
        {
            InsertItem(inItem, previous);
            return;
        }
    }
    AppendNew(inItem);
}

void XmlElement::OrphanItem(XmlItem* inItem)
{
    XmlItem* previous = nullptr;
    const bool found = inItem != nullptr && FindPrevious(inItem, previous);
    CxAssertText(found, "iter != mItems.end()");
    if (found)
        RemoveItem(inItem, previous);
}

void XmlElement::Unlink(XmlItem* inItem)
{
    XmlItem* previous = nullptr;
    if (FindPrevious(inItem, previous))
        RemoveItem(inItem, previous);
    else
        inItem->mParent = nullptr;
}

std::vector<XmlElement*> XmlElement::GetElements() const
{
    std::vector<XmlElement*> elements;
    for (XmlItem* item = mFirstItem; item != nullptr; item = item->mNext)
        if (XmlElement* element = AsXmlElement(item))
            elements.push_back(element);
    return elements;
}

XmlElement* XmlElement::FindElement(const CxString& inName) const
{
    for (XmlItem* item = mFirstItem; item != nullptr; item = item->mNext)
        if (XmlElement* element = AsXmlElementWithName(item, inName))
            return element;
    return nullptr;
}

XmlElement* XmlElement::FindElement(const CxString& inName, const CxString& inAttributeName,
                                    const CxString& inAttributeValue) const
{
    for (XmlItem* item = mFirstItem; item != nullptr; item = item->mNext)
        if (XmlElement* element = AsXmlElementWithName(item, inName))
            if (element->GetAttribute(inAttributeName) == inAttributeValue)
                return element;
    return nullptr;
}

XmlInstruction* XmlElement::FindInstruction(const CxString& inTarget) const
{
    for (XmlItem* item = mFirstItem; item != nullptr; item = item->mNext)
        if (XmlInstruction* instruction = AsXmlInstruction(item))
            if (instruction->Target() == inTarget)
                return instruction;
    return nullptr;
}

CxString XmlElement::GetContent() const
{
    CxUint32 length = 0;
    for (const XmlItem* item = mFirstItem; item != nullptr; item = item->mNext)
        if (const XmlContent* content = AsXmlContent(item))
            length += content->Text().Length();
    if (length == 0)
        return CxString();
    CxUint16* units = new CxUint16[std::size_t(length) + 1];
    CxUint32 n = 0;
    for (const XmlItem* item = mFirstItem; item != nullptr; item = item->mNext)
        if (const XmlContent* content = AsXmlContent(item))
        {
            const CxUint32 count = content->Text().Length();
            std::memcpy(units + n, content->Text().GetChars(), std::size_t(count) * 2);
            n += count;
        }
    units[n] = 0;
    CxString text;
    text.Assign(units);
    return text;
}

CxString XmlElement::GetContentFromChild(const CxString& inName, const CxString& inAttributeName,
                                         const CxString& inAttributeValue) const
{
    const XmlElement* element = FindElement(inName, inAttributeName, inAttributeValue);
    return element != nullptr ? element->GetContent() : CxString();
}

void XmlElement::CopyItemsTo(XmlElement* ioOther) const
{
    for (const XmlItem* item = mFirstItem; item != nullptr; item = item->mNext)
    {
        const XmlElement* element = AsXmlElement(item);
        ioOther->AppendNew(element != nullptr ? element->CopyDeep() : item->Copy());
    }
}

// ---- XmlRoot

XmlRoot::XmlRoot() : XmlElement(CxString("root")) {}

XmlItem* XmlRoot::Copy() const
{
    XmlRoot* copy = new XmlRoot;
    CopyAttributesTo(copy);
    return copy;
}

void XmlRoot::Write(XmlWriter& ioWriter) const
{
    for (ItemIterator iter = ItemBegin(); iter != ItemEnd(); ++iter)
    {
        (*iter)->Write(ioWriter);
        ioWriter.Break();
    }
}

void XmlRoot::Visit(XmlVisitor& ioVisitor)
{
    ioVisitor.VisitRoot(*this);
}

CxString XmlRoot::Property(const CxString& inTarget, const CxString& inAttributeName) const
{
    const XmlInstruction* instruction = FindInstruction(inTarget);
    if (instruction == nullptr)
        return CxString();
    XmlElement* element = instruction->ParseAsElement();
    if (element == nullptr)
        return CxString();
    CxString value = element->GetAttribute(inAttributeName);
    delete element;
    return value;
}

// ---- XmlContent

XmlContent::XmlContent(const CxString& inText) : mText(inText) {}

XmlContent::XmlContent(CxString&& inText) : mText(std::move(inText)) {}

XmlItem* XmlContent::Copy() const
{
    return new XmlContent(mText);
}

void XmlContent::Write(XmlWriter& ioWriter) const
{
    const CxUint16* units = mText.GetChars();
    const CxUint32 length = mText.Length();
    CxUint32 first = 0;
    while (first < length && IsXmlBlank(units[first]))
        ++first;
    if (first < length)
        ioWriter.Write(Escape(units + first, length - first, ContentEscape));
}

void XmlContent::Visit(XmlVisitor& ioVisitor)
{
    ioVisitor.VisitContent(*this);
}

CxString XmlContent::EscapedText() const
{
    return Escape(mText.GetChars(), mText.Length(), ContentEscape);
}

bool XmlContent::IsEmpty() const
{
    const CxUint16* units = mText.GetChars();
    const CxUint32 length = mText.Length();
    for (CxUint32 i = 0; i < length; ++i)
        if (!IsXmlBlank(units[i]))
            return false;
    return true;
}

CxString XmlContent::StripLeadingWhitespace(const CxString& inText)
{
    CxString text(inText);
    text.StripLeadingWhitespace();
    return text;
}

// ---- XmlComment

XmlComment::XmlComment(const CxString& inText) : mText(inText) {}

XmlComment::XmlComment(CxString&& inText) : mText(std::move(inText)) {}

XmlItem* XmlComment::Copy() const
{
    return new XmlComment(mText);
}

void XmlComment::Write(XmlWriter& ioWriter) const
{
    ioWriter.Write("<!--");
    ioWriter.Write(EscapedText());
    ioWriter.Write("-->");
}

void XmlComment::Visit(XmlVisitor& ioVisitor)
{
    ioVisitor.VisitComment(*this);
}

// ---- XmlInstruction

XmlInstruction::XmlInstruction(const CxString& inTarget, const CxString& inData) : mTarget(inTarget), mData(inData) {}

XmlInstruction::XmlInstruction(CxString&& inTarget, CxString&& inData)
    : mTarget(std::move(inTarget)), mData(std::move(inData))
{
}

XmlItem* XmlInstruction::Copy() const
{
    return new XmlInstruction(mTarget, mData);
}

void XmlInstruction::Write(XmlWriter& ioWriter) const
{
    ioWriter.Write("<?");
    ioWriter.Write(mTarget);
    ioWriter.Write(" ");
    ioWriter.Write(mData);
    ioWriter.Write("?>");
}

void XmlInstruction::Visit(XmlVisitor& ioVisitor)
{
    ioVisitor.VisitInstruction(*this);
}

XmlElement* XmlInstruction::ParseAsElement() const
{
    const CxString text = "<" + mTarget + " " + mData + "/>";
    // UTF-16 in the machine's order without a mark: expat tells it from the leading "<".
    XmlParser parser;
    if (!parser.Parse(text.GetChars(), std::size_t(text.Length()) * 2, true))
        return nullptr;
    XmlRoot* root = parser.Root();
    XmlElement* element = root->FindElement(mTarget);
    if (element != nullptr)
        root->OrphanItem(element);
    return element;
}

// ---- kind tests

XmlElement* AsXmlElement(XmlItem* inItem)
{
    return dynamic_cast<XmlElement*>(inItem);
}

const XmlElement* AsXmlElement(const XmlItem* inItem)
{
    return dynamic_cast<const XmlElement*>(inItem);
}

XmlRoot* AsXmlRoot(XmlItem* inItem)
{
    return dynamic_cast<XmlRoot*>(inItem);
}

const XmlRoot* AsXmlRoot(const XmlItem* inItem)
{
    return dynamic_cast<const XmlRoot*>(inItem);
}

XmlContent* AsXmlContent(XmlItem* inItem)
{
    return dynamic_cast<XmlContent*>(inItem);
}

const XmlContent* AsXmlContent(const XmlItem* inItem)
{
    return dynamic_cast<const XmlContent*>(inItem);
}

XmlComment* AsXmlComment(XmlItem* inItem)
{
    return dynamic_cast<XmlComment*>(inItem);
}

const XmlComment* AsXmlComment(const XmlItem* inItem)
{
    return dynamic_cast<const XmlComment*>(inItem);
}

XmlInstruction* AsXmlInstruction(XmlItem* inItem)
{
    return dynamic_cast<XmlInstruction*>(inItem);
}

const XmlInstruction* AsXmlInstruction(const XmlItem* inItem)
{
    return dynamic_cast<const XmlInstruction*>(inItem);
}

XmlElement* AsXmlElementWithName(XmlItem* inItem, const CxString& inName)
{
    XmlElement* element = AsXmlElement(inItem);
    return element != nullptr && element->Name() == inName ? element : nullptr;
}

const XmlElement* AsXmlElementWithName(const XmlItem* inItem, const CxString& inName)
{
    const XmlElement* element = AsXmlElement(inItem);
    return element != nullptr && element->Name() == inName ? element : nullptr;
}
