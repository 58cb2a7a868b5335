#include "WeatherTestKit.h"

#include "DxFrame.h"
#include "DxSet.h"
#include "WxMap.h"
#include "XmlBuilder.h"
#include "XmlElement.h"

namespace wxkit
{

void Rewrite(const XmlElement* inXml, XmlBuilder& ioBuilder)
{
    ioBuilder.Begin(inXml->Name());
    for (auto attribute = inXml->AttributeBegin(); attribute != inXml->AttributeEnd(); ++attribute)
        ioBuilder.Attribute((*attribute)->Name(), (*attribute)->Value());
    for (auto item = inXml->ItemBegin(); item != inXml->ItemEnd(); ++item)
    {
        if (const auto* element = dynamic_cast<const XmlElement*>(*item))
            Rewrite(element, ioBuilder);
        else if (const auto* content = dynamic_cast<const XmlContent*>(*item))
            ioBuilder.Content(content->Text());
        else if (const auto* comment = dynamic_cast<const XmlComment*>(*item))
            ioBuilder.Comment(comment->Text());
    }
    ioBuilder.End(inXml->Name());
}

KitProduct::KitProduct(WxMap* inMap) : WxProduct(inMap) {}

KitProduct::~KitProduct()
{
    Detach();
}

WxProduct* KitProduct::Make(WxMap* inMap, const XmlElement* inXml)
{
    auto* product = new KitProduct(inMap);
    product->Internalize(inXml);
    return product;
}

std::string KitProduct::Label() const
{
    return mElement != nullptr ? mElement->GetAttribute("name").AsUtf8() : std::string();
}

void KitProduct::OnInternalize(const XmlElement* inXml)
{
    mHooks.push_back("Internalize " + inXml->Name().AsUtf8());
    mElement = std::make_unique<XmlElement>(inXml);
    ReadCommonAttributes(inXml, true);
    if (DxSet* set = DxSet::FindExistingSet(inXml->GetAttribute("dataset")))
    {
        // As a data product does when it is built: its client takes the map's window at once.
        SetSet(set);
        if (Map() != nullptr)
            OnDatesChanged(Map()->StartDate(), Map()->EndDate());
    }
}

void KitProduct::OnExternalize(XmlBuilder& ioBuilder) const
{
    if (mElement != nullptr)
        Rewrite(mElement.get(), ioBuilder);
}

void KitProduct::OnDatesChanged(const CxDate& inStart, const CxDate& inEnd)
{
    mHooks.push_back("DatesChanged " + inStart.AsString().AsUtf8() + " " + inEnd.AsString().AsUtf8());
    DxClient::SetDates(inStart, inEnd);
    SubscribeSelf();
}

void KitProduct::OnIntervalChanged(CxSint64 inSeconds)
{
    mHooks.push_back("IntervalChanged " + std::to_string(inSeconds));
    SetInterval(WxClientSeconds(inSeconds));
}

void KitProduct::OnDateChanged(const CxDate& inDate)
{
    mHooks.push_back("DateChanged " + inDate.AsString().AsUtf8());
    SetDisplayDate(inDate);
}

void KitProduct::OnBackgroundChanged()
{
    mHooks.push_back("BackgroundChanged");
}

void KitProduct::OnProjectionChanged()
{
    mHooks.push_back("ProjectionChanged");
}

void KitProduct::OnScaleChanged()
{
    mHooks.push_back("ScaleChanged");
}

void KitProduct::OnAlphaChanged(double inAlpha)
{
    mHooks.push_back("AlphaChanged " + CxString(inAlpha, 1).AsUtf8());
}

void KitProduct::OnAcceptFrame(DxFrame* inFrame)
{
    mHooks.push_back(inFrame != nullptr ? "AcceptFrame " + inFrame->Date().AsString().AsUtf8() : "AcceptFrame none");
    DxClient::OnAcceptFrame(inFrame);
    ProductDataChanged();
}

KitProductTable::KitProductTable()
{
    for (std::size_t kind = 0; kind < kWxProductKinds; ++kind)
    {
        const CxString name(WxProductKindName(kind));
        if (WxFindProductFactory(name) != nullptr)
            continue;
        WxSetProductFactory(name, &KitProduct::Make);
        mFilled[kind] = true;
    }
}

KitProductTable::~KitProductTable()
{
    for (std::size_t kind = 0; kind < kWxProductKinds; ++kind)
    {
        if (mFilled[kind])
            WxSetProductFactory(CxString(WxProductKindName(kind)), nullptr);
    }
}

} // namespace wxkit
