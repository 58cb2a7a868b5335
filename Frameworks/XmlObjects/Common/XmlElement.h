// The in-memory form of an XML document: elements with attributes and children, text, comments and processing
// instructions. Text is UTF-16 and stored raw; each item escapes itself when written.
#pragma once

#include "CxString.h"
#include "CxTypes.h"

#include <cstddef>
#include <iterator>
#include <vector>

class XmlWriter;
class XmlVisitor;
class XmlElement;
class XmlArena;

// Forward iteration over an element's attributes or children, yielding pointers. The lists are linked through
// the entries themselves, so a tree costs one allocation per entry and nothing for its lists.
template <class Entry> class XmlListIterator
{
public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Entry*;
    using difference_type = std::ptrdiff_t;
    using pointer = Entry* const*;
    using reference = Entry*;

    XmlListIterator() = default;
    explicit XmlListIterator(Entry* inEntry) : mEntry(inEntry) {}

    Entry* operator*() const { return mEntry; }
    XmlListIterator& operator++()
    {
        mEntry = mEntry->mNext;
        return *this;
    }
    XmlListIterator operator++(int)
    {
        XmlListIterator old = *this;
        mEntry = mEntry->mNext;
        return old;
    }
    friend bool operator==(const XmlListIterator&, const XmlListIterator&) = default;

private:
    Entry* mEntry = nullptr;
};

class XmlAttribute
{
public:
    XmlAttribute(const CxString& inName, const CxString& inValue);
    XmlAttribute(CxString&& inName, CxString&& inValue);
    // A copy of name and value, in no list.
    XmlAttribute(const XmlAttribute& inOther) : mName(inOther.mName), mValue(inOther.mValue) {}
    XmlAttribute& operator=(const XmlAttribute&) = delete;

    // On the heap, or in a parser's arena; deleted alike.
    static void* operator new(std::size_t inSize);
    static void* operator new(std::size_t inSize, XmlArena& ioArena);
    static void operator delete(void* inObject) noexcept;
    static void operator delete(void* inObject, XmlArena& ioArena) noexcept;

    const CxString& Name() const { return mName; }
    const CxString& Value() const { return mValue; }
    void SetName(const CxString& inName) { mName = inName; }
    void SetValue(const CxString& inValue) { mValue = inValue; }

    // & < > ' " as entities; tab, LF and CR as character references so that they survive a re-read.
    CxString EscapedValue() const;
    void Write(XmlWriter& ioWriter) const;

private:
    friend class XmlElement;
    friend class XmlListIterator<XmlAttribute>;

    CxString mName;
    CxString mValue;
    XmlAttribute* mNext = nullptr; // in the owning element's list
};

class XmlItem
{
public:
    XmlItem() = default;
    // Leaves its parent's child list first, so an item may be deleted while it sits in a tree.
    virtual ~XmlItem();

    // On the heap, or in a parser's arena; deleted alike.
    static void* operator new(std::size_t inSize);
    static void* operator new(std::size_t inSize, XmlArena& ioArena);
    static void operator delete(void* inObject) noexcept;
    static void operator delete(void* inObject, XmlArena& ioArena) noexcept;

    // A new item owned by the caller, without parent.
    virtual XmlItem* Copy() const = 0;
    virtual void Write(XmlWriter& ioWriter) const;
    virtual void Visit(XmlVisitor& ioVisitor);

    XmlElement* Parent() const { return mParent; }
    void SetParent(XmlElement* inParent) { mParent = inParent; }
    // Number of ancestors: 0 without a parent, 1 for a child of the root.
    CxSint32 Depth() const;

protected:
    XmlItem(const XmlItem&) = delete;
    XmlItem& operator=(const XmlItem&) = delete;

private:
    friend class XmlElement;
    friend class XmlListIterator<XmlItem>;

    XmlElement* mParent = nullptr;
    XmlItem* mNext = nullptr; // in the parent's list
};

class XmlElement : public XmlItem
{
public:
    using AttributeIterator = XmlListIterator<XmlAttribute>;
    using ItemIterator = XmlListIterator<XmlItem>;

    explicit XmlElement(const CxString& inName);
    explicit XmlElement(CxString&& inName);
    // A deep copy: name, attributes and all children.
    explicit XmlElement(const XmlElement* inOther);
    ~XmlElement() override;

    XmlItem* Copy() const override;
    void Write(XmlWriter& ioWriter) const override;
    void Visit(XmlVisitor& ioVisitor) override;
    virtual XmlElement* CopyDeep() const;

    const CxString& Name() const { return mName; }
    void SetName(const CxString& inName) { mName = inName; }

    // Attributes, in list order.
    AttributeIterator AttributeBegin() const { return AttributeIterator(mFirstAttribute); }
    AttributeIterator AttributeEnd() const { return AttributeIterator(); }
    CxUint32 CountAttributes() const { return mAttributeCount; }
    // Inserts before inBefore (appends when it is null or not in the list), and takes ownership.
    void AdoptAttribute(XmlAttribute* inAttribute, XmlAttribute* inBefore = nullptr);
    // Removes without deleting; the caller owns it then.
    void OrphanAttribute(XmlAttribute* inAttribute);
    XmlAttribute* FindAttribute(const CxString& inName) const;
    // The value, or "" when the attribute is missing.
    CxString GetAttribute(const CxString& inName) const;
    // Changes the first attribute of that name in place, else appends one.
    void SetAttribute(const CxString& inName, const CxString& inValue);
    void RenameAttribute(const CxString& inOldName, const CxString& inNewName);
    void ClearAttribute(const CxString& inName);
    void CopyAttributesTo(XmlElement* ioOther) const;

    // Children, in document order.
    ItemIterator ItemBegin() const { return ItemIterator(mFirstItem); }
    ItemIterator ItemEnd() const { return ItemIterator(); }
    CxUint32 CountItems() const { return mItemCount; }
    // Inserts before inBefore (appends when it is null or not a child) and becomes the item's parent. An item
    // that sits in another element is taken out of it first.
    void AdoptItem(XmlItem* inItem, XmlItem* inBefore = nullptr);
    // Removes without deleting; the caller owns it then.
    void OrphanItem(XmlItem* inItem);
    // The direct child elements, still owned by this element.
    std::vector<XmlElement*> GetElements() const;

    // Lookups among direct children only; the first match wins.
    XmlElement* FindElement(const CxString& inName) const;
    // An empty inAttributeValue also matches an element without the attribute.
    XmlElement* FindElement(const CxString& inName, const CxString& inAttributeName,
                            const CxString& inAttributeValue) const;
    class XmlInstruction* FindInstruction(const CxString& inTarget) const;
    // The raw texts of the direct content children, joined.
    CxString GetContent() const;
    CxString GetContentFromChild(const CxString& inName, const CxString& inAttributeName,
                                 const CxString& inAttributeValue) const;
    void CopyItemsTo(XmlElement* ioOther) const;

private:
    friend class XmlItem;
    friend class XmlParser;

    // Append without the checks of AdoptItem; the item is in no list.
    void AppendNew(XmlItem* inItem)
    {
        if (mLastItem != nullptr)
            mLastItem->mNext = inItem;
        else
            mFirstItem = inItem;
        mLastItem = inItem;
        inItem->mParent = this;
        ++mItemCount;
    }
    // Links a new attribute at ioTail (the end of the list when null); the next one goes at the link returned.
    XmlAttribute** AppendNew(XmlAttribute* inAttribute, XmlAttribute** ioTail)
    {
        if (ioTail == nullptr)
        {
            ioTail = &mFirstAttribute;
            while (*ioTail != nullptr)
                ioTail = &(*ioTail)->mNext;
        }
        *ioTail = inAttribute;
        ++mAttributeCount;
        return &inAttribute->mNext;
    }
    void InsertItem(XmlItem* inItem, XmlItem* inPrevious);
    // The entry before inItem, or null when it is the first; false when it is not in the list.
    bool FindPrevious(const XmlItem* inItem, XmlItem*& outPrevious) const;
    bool FindPrevious(const XmlAttribute* inAttribute, XmlAttribute*& outPrevious) const;
    void RemoveItem(XmlItem* inItem, XmlItem* inPrevious);
    void RemoveAttribute(XmlAttribute* inAttribute, XmlAttribute* inPrevious);
    void Unlink(XmlItem* inItem);
    bool IsSelfOrAncestor(const XmlItem* inItem) const;

    CxString mName;
    XmlAttribute* mFirstAttribute = nullptr;
    XmlItem* mFirstItem = nullptr;
    XmlItem* mLastItem = nullptr;
    CxUint32 mAttributeCount = 0;
    CxUint32 mItemCount = 0;
};

// The container of a whole document: instructions, comments and the document element.
class XmlRoot : public XmlElement
{
public:
    XmlRoot();

    XmlItem* Copy() const override;
    void Write(XmlWriter& ioWriter) const override;
    void Visit(XmlVisitor& ioVisitor) override;
    virtual CxSint32 Depth() const { return -1; }

    // The attribute of the first root-level instruction with that target, read as an element; "" when the
    // instruction is missing or unreadable.
    CxString Property(const CxString& inTarget, const CxString& inAttributeName) const;
};

class XmlContent : public XmlItem
{
public:
    XmlContent() = default;
    explicit XmlContent(const CxString& inText);
    explicit XmlContent(CxString&& inText);

    XmlItem* Copy() const override;
    // The escaped text without its leading whitespace.
    void Write(XmlWriter& ioWriter) const override;
    void Visit(XmlVisitor& ioVisitor) override;

    const CxString& Text() const { return mText; }
    void SetText(const CxString& inText) { mText = inText; }
    void AppendText(const CxString& inText) { mText += inText; }
    // & < > as entities; quotes stay.
    CxString EscapedText() const;
    // Nothing but blanks, tabs and line ends.
    bool IsEmpty() const;

    // Drops the leading blanks, tabs, LF and CR; trailing whitespace stays.
    static CxString StripLeadingWhitespace(const CxString& inText);

private:
    CxString mText;
};

class XmlComment : public XmlItem
{
public:
    XmlComment() = default;
    explicit XmlComment(const CxString& inText);
    explicit XmlComment(CxString&& inText);

    XmlItem* Copy() const override;
    void Write(XmlWriter& ioWriter) const override;
    void Visit(XmlVisitor& ioVisitor) override;

    const CxString& Text() const { return mText; }
    void SetText(const CxString& inText) { mText = inText; }
    void AppendText(const CxString& inText) { mText += inText; }
    // Comments are written as they are.
    CxString EscapedText() const { return mText; }

private:
    CxString mText;
};

class XmlInstruction : public XmlItem
{
public:
    XmlInstruction() = default;
    XmlInstruction(const CxString& inTarget, const CxString& inData);
    XmlInstruction(CxString&& inTarget, CxString&& inData);

    XmlItem* Copy() const override;
    void Write(XmlWriter& ioWriter) const override;
    void Visit(XmlVisitor& ioVisitor) override;

    const CxString& Target() const { return mTarget; }
    const CxString& Data() const { return mData; }
    void SetTarget(const CxString& inTarget) { mTarget = inTarget; }
    void SetData(const CxString& inData) { mData = inData; }

    // The instruction read as an empty element named after the target, its data as the attributes: a new
    // element the caller owns, or null when it does not parse.
    XmlElement* ParseAsElement() const;

private:
    CxString mTarget;
    CxString mData;
};

class XmlVisitor
{
public:
    virtual ~XmlVisitor() = default;
    virtual void VisitElement(XmlElement& ioElement) = 0;
    virtual void VisitRoot(XmlRoot& ioRoot) = 0;
    virtual void VisitContent(XmlContent& ioContent) = 0;
    virtual void VisitComment(XmlComment& ioComment) = 0;
    virtual void VisitInstruction(XmlInstruction& ioInstruction) = 0;
    virtual void VisitOther(XmlItem& ioItem) = 0;
};

// Null for null or for an item of another kind.
XmlElement* AsXmlElement(XmlItem* inItem);
const XmlElement* AsXmlElement(const XmlItem* inItem);
XmlRoot* AsXmlRoot(XmlItem* inItem);
const XmlRoot* AsXmlRoot(const XmlItem* inItem);
XmlContent* AsXmlContent(XmlItem* inItem);
const XmlContent* AsXmlContent(const XmlItem* inItem);
XmlComment* AsXmlComment(XmlItem* inItem);
const XmlComment* AsXmlComment(const XmlItem* inItem);
XmlInstruction* AsXmlInstruction(XmlItem* inItem);
const XmlInstruction* AsXmlInstruction(const XmlItem* inItem);
// The element only when its name is exactly inName.
XmlElement* AsXmlElementWithName(XmlItem* inItem, const CxString& inName);
const XmlElement* AsXmlElementWithName(const XmlItem* inItem, const CxString& inName);
