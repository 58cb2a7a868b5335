#include "PfStandIns.h"
#include "PfColorPanel.h"

#include "PfWindowServerState.h"

#include <map>
#include <optional>
#include <set>
#include <vector>

namespace pf
{

struct Region
{
};

namespace
{

struct StandIns
{
    std::vector<std::pair<TakerRef, ScriptTaker>> takers; // oldest first
    TakerRef nextTaker = 1;
    std::map<std::uint64_t, Image> icons;
    std::set<Region*> regions;
    std::u16string prompt;
    RGBColor start;
    std::optional<FontPanelStyle> fontStyle;
};

StandIns& Stand()
{
    static StandIns sStandIns;
    return sStandIns;
}

std::uint16_t Channel(double inValue)
{
    if (!(inValue > 0))
        return 0;
    if (inValue >= 1)
        return 65535;
    return std::uint16_t(inValue * 65535);
}

const char* KindName(ScriptKind inKind)
{
    switch (inKind)
    {
    case ScriptKind::kColour:
        return "colour";
    case ScriptKind::kAccept:
        return "accept";
    case ScriptKind::kCancel:
        return "cancel";
    case ScriptKind::kPanelClose:
        return "panel-close";
    case ScriptKind::kNavPath:
        return "nav-path";
    case ScriptKind::kNavName:
        return "nav-name";
    case ScriptKind::kNavPopup:
        return "nav-popup";
    case ScriptKind::kNavDiscard:
        return "nav-discard";
    default:
        return "item";
    }
}

std::uint64_t IconKey(FourCharCode inCreator, FourCharCode inType)
{
    return (std::uint64_t(inCreator) << 32) | inType;
}

} // namespace

bool PickColor(const std::u16string& inPrompt, const RGBColor& inColour, RGBColor* outColour)
{
    Stand().prompt = inPrompt;
    Stand().start = inColour;
    auto& script = State().script;
    RGBColor shown = inColour;
    bool chosen = false;
    while (!script.empty())
    {
        const ScriptItem item = script.front();
        if (item.kind == ScriptKind::kColour)
        {
            script.pop_front();
            shown = RGBColor{Channel(item.colour[0]), Channel(item.colour[1]), Channel(item.colour[2])};
            chosen = true;
            continue;
        }
        if (item.kind == ScriptKind::kAccept)
        {
            script.pop_front();
            if (chosen && outColour != nullptr)
                *outColour = shown;
            return chosen;
        }
        if (item.kind == ScriptKind::kCancel)
            script.pop_front();
        return false;
    }
    return false;
}

std::u16string LastColorPickerPrompt()
{
    return Stand().prompt;
}

RGBColor LastColorPickerStart()
{
    return Stand().start;
}

TakerRef PushScriptTaker(ScriptTaker inTaker)
{
    const TakerRef ref = Stand().nextTaker++;
    Stand().takers.emplace_back(ref, std::move(inTaker));
    return ref;
}

void PopScriptTaker(TakerRef inTaker)
{
    auto& takers = Stand().takers;
    for (auto it = takers.begin(); it != takers.end(); ++it)
    {
        if (it->first == inTaker)
        {
            takers.erase(it);
            return;
        }
    }
}

void OfferToTakers(const ScriptItem& inItem)
{
    // A taker may push or pop takers while it answers: walk by reference, newest first, and look each up again.
    std::vector<TakerRef> refs;
    for (const auto& taker : Stand().takers)
        refs.push_back(taker.first);
    for (auto ref = refs.rbegin(); ref != refs.rend(); ++ref)
    {
        ScriptTaker taker;
        for (const auto& entry : Stand().takers)
        {
            if (entry.first == *ref)
                taker = entry.second;
        }
        if (taker && taker(inItem))
            return;
    }
    Log(std::string("script: ") + KindName(inItem.kind) + " dropped, no stand-in took it");
}

void RegisterIconImage(FourCharCode inCreator, FourCharCode inType, Image inImage)
{
    Stand().icons[IconKey(inCreator, inType)] = std::move(inImage);
}

void UnregisterIconImage(FourCharCode inCreator, FourCharCode inType)
{
    Stand().icons.erase(IconKey(inCreator, inType));
}

const Image* GetIconImage(FourCharCode inCreator, FourCharCode inType)
{
    const auto found = Stand().icons.find(IconKey(inCreator, inType));
    return found != Stand().icons.end() ? &found->second : nullptr;
}

RgnHandle NewRegion()
{
    Region* region = new Region;
    Stand().regions.insert(region);
    return region;
}

void DisposeRegion(RgnHandle inRegion)
{
    if (inRegion == nullptr)
        return;
    if (Stand().regions.erase(inRegion) == 0)
    {
        Log("DisposeRegion: bad region reference");
        return;
    }
    delete inRegion;
}

std::size_t LiveRegionCount()
{
    return Stand().regions.size();
}

void SetFontPanelStyle(const FontPanelStyle* inStyle)
{
    if (inStyle != nullptr)
        Stand().fontStyle = *inStyle;
    else
        Stand().fontStyle.reset();
}

bool GetFontPanelStyle(FontPanelStyle* outStyle)
{
    if (!Stand().fontStyle)
        return false;
    if (outStyle != nullptr)
        *outStyle = *Stand().fontStyle;
    return true;
}

void ResetStandInsForTesting()
{
    StandIns& stand = Stand();
    stand.takers.clear();
    stand.icons.clear();
    stand.prompt.clear();
    stand.fontStyle.reset();
    ResetColorPanelForTesting();
    // Regions stay owned by whoever made them; only a live handle may be disposed later.
}

} // namespace pf
