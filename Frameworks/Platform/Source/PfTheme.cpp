#include "PfTheme.h"
#include "PfSurface.h"
#include "PfText.h"
#include "PfWindowServerState.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace pf
{

namespace
{

constexpr Color kBlack{0, 0, 0, 1};
constexpr Color kWhite{1, 1, 1, 1};
constexpr Color kFace{0.97, 0.97, 0.97, 1};
constexpr Color kFacePressed{0.80, 0.80, 0.82, 1};
constexpr Color kFaceInactive{0.93, 0.93, 0.93, 1};
constexpr Color kEdge{0.60, 0.60, 0.62, 1};
constexpr Color kEdgeInactive{0.78, 0.78, 0.78, 1};
constexpr Color kTextInactive{0.55, 0.55, 0.55, 1};
constexpr Color kTrack{0.82, 0.82, 0.84, 1};

Color Rgb(std::uint32_t inRgb)
{
    return Color{(inRgb >> 16 & 0xFF) / 255.0, (inRgb >> 8 & 0xFF) / 255.0, (inRgb & 0xFF) / 255.0, 1};
}

std::shared_ptr<TextStyle> StyleOfSize(int inPixelSize)
{
    static std::mutex sMutex;
    static auto* sStyles = new std::map<int, std::shared_ptr<TextStyle>>();
    std::lock_guard<std::mutex> lock(sMutex);
    auto& style = (*sStyles)[inPixelSize];
    if (!style)
        style = TextStyle::Make(FontRegistry::kDefaultFontId, inPixelSize);
    return style;
}

void RoundedRect(Canvas& ioCanvas, const Rect& inRect, double inRadius)
{
    const double r = std::min({inRadius, inRect.w / 2, inRect.h / 2});
    ioCanvas.BeginPath();
    ioCanvas.MoveTo({inRect.x, inRect.y + r});
    ioCanvas.AddArcToPoint({inRect.x, inRect.y}, {inRect.x + r, inRect.y}, r);
    ioCanvas.AddArcToPoint({inRect.Right(), inRect.y}, {inRect.Right(), inRect.y + r}, r);
    ioCanvas.AddArcToPoint({inRect.Right(), inRect.Bottom()}, {inRect.Right() - r, inRect.Bottom()}, r);
    ioCanvas.AddArcToPoint({inRect.x, inRect.Bottom()}, {inRect.x, inRect.Bottom() - r}, r);
    ioCanvas.ClosePath();
}

Rect Inset(const Rect& inRect, double inBy)
{
    return Rect{inRect.x + inBy, inRect.y + inBy, std::max(0.0, inRect.w - 2 * inBy),
                std::max(0.0, inRect.h - 2 * inBy)};
}

void Triangle(Canvas& ioCanvas, Point inA, Point inB, Point inC, const Color& inColor)
{
    ioCanvas.SetFillColor(inColor);
    ioCanvas.BeginPath();
    ioCanvas.MoveTo(inA);
    ioCanvas.LineTo(inB);
    ioCanvas.LineTo(inC);
    ioCanvas.ClosePath();
    ioCanvas.FillPath();
}

// A white field with a grey edge, the look of every text entry.
void Field(Canvas& ioCanvas, const Rect& inBounds, bool inEnabled)
{
    ioCanvas.SetFillColor(inEnabled ? kWhite : kFaceInactive);
    ioCanvas.FillRect(inBounds);
    ioCanvas.SetStrokeColor(inEnabled ? kEdge : kEdgeInactive);
    ioCanvas.SetLineWidth(1);
    ioCanvas.StrokeRect(Inset(inBounds, 0.5));
}

std::vector<std::u16string> TabTitles(ViewRef inView)
{
    std::vector<std::u16string> titles;
    std::size_t size = 0;
    if (GetControlPropertySize(inView, kTabTitlesPropertyCreator, kTabTitlesPropertyTag, size) != kNoErr)
        return titles;
    std::u16string all(size / 2, u'\0');
    if (GetControlProperty(inView, kTabTitlesPropertyCreator, kTabTitlesPropertyTag, all.data(), all.size() * 2) !=
        kNoErr)
        return titles;
    for (std::size_t start = 0; start <= all.size();)
    {
        const std::size_t end = std::min(all.find(u'\n', start), all.size());
        titles.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return titles;
}

void Strip(Canvas& ioCanvas, const Rect& inStrip, ViewRef inView, std::int32_t inCount, std::int32_t inSelected,
           bool inEnabled)
{
    const std::vector<std::u16string> titles = TabTitles(inView);
    const std::int32_t count = std::max(1, inCount);
    const double width = inStrip.w / count;
    for (std::int32_t i = 0; i < count; ++i)
    {
        const Rect segment{inStrip.x + i * width, inStrip.y, width, inStrip.h};
        const bool selected = i + 1 == inSelected && inEnabled;
        ioCanvas.SetFillColor(selected ? ThemeHiliteColor() : kFace);
        ioCanvas.FillRect(segment);
        ioCanvas.SetStrokeColor(inEnabled ? kEdge : kEdgeInactive);
        ioCanvas.StrokeRect(Inset(segment, 0.5));
        if (std::size_t(i) < titles.size())
            DrawThemeText(ioCanvas, titles[std::size_t(i)], Inset(segment, 2), true,
                          selected    ? kWhite
                          : inEnabled ? kBlack
                                      : kTextInactive,
                          11);
    }
}

} // namespace

Color ThemeHiliteColor()
{
    return Color{0x3B / 255.0, 0x7E / 255.0, 0xED / 255.0, 1};
}

Color ThemeBrushColor(std::int16_t inBrush)
{
    return Rgb(BrushColor(inBrush));
}

Rect DrawThemeBevelButton(Canvas& ioCanvas, const Rect& inBounds, ThemeButtonSize inSize, ThemeButtonState inState,
                          bool inFocused)
{
    const double radius = inSize == ThemeButtonSize::kSmall ? 2 : 4;
    const Color face = inState == ThemeButtonState::kPressed    ? kFacePressed
                       : inState == ThemeButtonState::kInactive ? kFaceInactive
                                                                : kFace;
    ioCanvas.Save();
    ioCanvas.SetLineWidth(1);
    RoundedRect(ioCanvas, Inset(inBounds, 0.5), radius);
    ioCanvas.SetFillColor(face);
    ioCanvas.FillPath();
    RoundedRect(ioCanvas, Inset(inBounds, 0.5), radius);
    ioCanvas.SetStrokeColor(inState == ThemeButtonState::kInactive ? kEdgeInactive : kEdge);
    ioCanvas.StrokePath();
    if (inFocused)
        DrawThemeFocusRing(ioCanvas, inBounds);
    ioCanvas.Restore();
    return Inset(inBounds, inSize == ThemeButtonSize::kSmall ? 2 : 3);
}

void DrawThemeTrack(Canvas& ioCanvas, const Rect& inRect, double inMinimum, double inMaximum, double inValue,
                    bool inActive)
{
    if (inRect.w <= 0 || inRect.h <= 0)
        return;
    const bool vertical = inRect.h > inRect.w;
    const double length = vertical ? inRect.h : inRect.w;
    const double thick = vertical ? inRect.w : inRect.h;
    const double thumb = std::min(thick, 14.0);
    const double range = inMaximum - inMinimum;
    const double fraction = range > 0 ? std::clamp((inValue - inMinimum) / range, 0.0, 1.0) : 0.0;
    const double at = (length - thumb) * fraction;
    ioCanvas.SetFillColor(kTrack);
    ioCanvas.FillRect(vertical ? Rect{inRect.x + thick / 2 - 2, inRect.y, 4, length}
                               : Rect{inRect.x, inRect.y + thick / 2 - 2, length, 4});
    const Rect knob = vertical ? Rect{inRect.x + (thick - thumb) / 2, inRect.y + at, thumb, thumb}
                               : Rect{inRect.x + at, inRect.y + (thick - thumb) / 2, thumb, thumb};
    DrawThemeBevelButton(ioCanvas, knob, ThemeButtonSize::kSmall,
                         inActive ? ThemeButtonState::kActive : ThemeButtonState::kInactive, false);
}

void DrawThemeFocusRing(Canvas& ioCanvas, const Rect& inRect)
{
    ioCanvas.Save();
    Color ring = ThemeHiliteColor();
    ring.a = 0.8;
    ioCanvas.SetStrokeColor(ring);
    ioCanvas.SetLineWidth(2);
    RoundedRect(ioCanvas, Inset(inRect, 1), 3);
    ioCanvas.StrokePath();
    ioCanvas.Restore();
}

bool DrawThemeIcon(Canvas& ioCanvas, const Rect& inRect, FourCharCode inType)
{
    const double s = std::min(inRect.w, inRect.h) / 16.0;
    const double x = inRect.x + (inRect.w - 16 * s) / 2;
    const double y = inRect.y + (inRect.h - 16 * s) / 2;
    auto at = [&](double inX, double inY) { return Point{x + inX * s, y + inY * s}; };
    ioCanvas.Save();
    ioCanvas.SetLineWidth(s);
    ioCanvas.SetStrokeColor(Color{0.25, 0.35, 0.55, 1});
    bool drawn = true;
    if (inType == FourCC("fldr"))
    {
        // A folder: a tab on the left of the back, then the body.
        ioCanvas.SetFillColor(Color{0.45, 0.68, 0.93, 1});
        ioCanvas.BeginPath();
        ioCanvas.MoveTo(at(1, 3));
        ioCanvas.LineTo(at(6, 3));
        ioCanvas.LineTo(at(7.5, 4.5));
        ioCanvas.LineTo(at(15, 4.5));
        ioCanvas.LineTo(at(15, 14));
        ioCanvas.LineTo(at(1, 14));
        ioCanvas.ClosePath();
        ioCanvas.FillPath();
        ioCanvas.SetFillColor(Color{0.62, 0.80, 0.98, 1});
        ioCanvas.FillRect(Rect{x + 1 * s, y + 6 * s, 14 * s, 8 * s});
    }
    else if (inType == FourCC("docu"))
    {
        // A page with a folded corner.
        ioCanvas.SetFillColor(kWhite);
        ioCanvas.BeginPath();
        ioCanvas.MoveTo(at(3, 1));
        ioCanvas.LineTo(at(10, 1));
        ioCanvas.LineTo(at(13, 4));
        ioCanvas.LineTo(at(13, 15));
        ioCanvas.LineTo(at(3, 15));
        ioCanvas.ClosePath();
        ioCanvas.FillPath();
        ioCanvas.BeginPath();
        ioCanvas.MoveTo(at(3, 1));
        ioCanvas.LineTo(at(10, 1));
        ioCanvas.LineTo(at(13, 4));
        ioCanvas.LineTo(at(13, 15));
        ioCanvas.LineTo(at(3, 15));
        ioCanvas.ClosePath();
        ioCanvas.MoveTo(at(10, 1));
        ioCanvas.LineTo(at(10, 4));
        ioCanvas.LineTo(at(13, 4));
        ioCanvas.StrokePath();
    }
    else if (inType == FourCC("capl"))
    {
        // The application: a round blue badge with a white vane.
        ioCanvas.SetFillColor(ThemeHiliteColor());
        RoundedRect(ioCanvas, Rect{x + 1 * s, y + 1 * s, 14 * s, 14 * s}, 7 * s);
        ioCanvas.FillPath();
        Triangle(ioCanvas, at(4, 11), at(12, 5), at(8, 12), kWhite);
    }
    else
        drawn = false;
    ioCanvas.Restore();
    return drawn;
}

void DrawThemeText(Canvas& ioCanvas, const std::u16string& inText, const Rect& inRect, bool inCentred,
                   const Color& inColor, int inPixelSize)
{
    if (inText.empty() || inRect.w <= 0)
        return;
    const std::shared_ptr<TextStyle> style = StyleOfSize(inPixelSize);
    if (!style)
        return;
    TextLayout layout;
    // The canvas is y down: the platform's fonts need the flip.
    layout.SetFontMatrix(Affine{1, 0, 0, -1, 0, 0});
    layout.Build(reinterpret_cast<const std::uint16_t*>(inText.data()), static_cast<std::uint32_t>(inText.size()),
                 style, static_cast<std::int32_t>(std::floor(inRect.w)));
    const double x = inCentred ? inRect.x + std::floor((inRect.w - layout.EndOffset()) / 2) : inRect.x;
    const double baseline = inRect.y + std::floor((inRect.h + layout.Ascent() - layout.Descent()) / 2);
    ioCanvas.Save();
    ioCanvas.SetFillColor(inColor);
    ioCanvas.DrawText(layout, {x, baseline});
    ioCanvas.Restore();
}

void DrawStandardView(Canvas& ioCanvas, ViewRef inView)
{
    if (!IsValidView(inView))
        return;
    const Rect bounds = GetViewBounds(inView);
    const WindowRef window = GetViewWindow(inView);
    const bool enabled =
        IsViewEnabled(inView) && (window == nullptr || !IsWindowVisible(window) || IsWindowActive(window));
    const bool focused = window != nullptr && GetKeyboardFocus(window) == inView;
    const std::int16_t hilite = GetControlHilite(inView);
    const std::int32_t value = GetControlValue(inView);
    const std::int32_t minimum = GetControlMinimum(inView);
    const std::int32_t maximum = GetControlMaximum(inView);
    const Color text = enabled ? kBlack : kTextInactive;
    const ThemeButtonState state = !enabled      ? ThemeButtonState::kInactive
                                   : hilite != 0 ? ThemeButtonState::kPressed
                                                 : ThemeButtonState::kActive;
    const ThemeButtonSize size = bounds.h < 20 ? ThemeButtonSize::kSmall : ThemeButtonSize::kNormal;
    const double fraction = maximum > minimum ? double(value - minimum) / double(maximum - minimum) : 0.0;
    ioCanvas.Save();
    ioCanvas.SetLineWidth(1);
    switch (GetViewKind(inView))
    {
    case ViewKind::kPushButton:
    case ViewKind::kBevelButton:
    case ViewKind::kRoundButton:
    {
        const Rect content = DrawThemeBevelButton(ioCanvas, bounds, size, state, focused);
        DrawThemeText(ioCanvas, GetControlTitle(inView), content, true, text,
                      size == ThemeButtonSize::kSmall ? 11 : 13);
        break;
    }
    case ViewKind::kPopupButton:
    {
        const Rect content = DrawThemeBevelButton(ioCanvas, bounds, size, state, focused);
        const MenuRef menu = GetControlPopupMenu(inView);
        const std::u16string title = menu != nullptr && value > 0
                                         ? GetMenuItemText(menu, static_cast<std::uint16_t>(value))
                                         : GetControlTitle(inView);
        DrawThemeText(ioCanvas, title, Rect{content.x + 4, content.y, content.w - 20, content.h}, false, text);
        const double cx = content.Right() - 8, cy = content.y + content.h / 2;
        Triangle(ioCanvas, {cx - 4, cy - 2}, {cx + 4, cy - 2}, {cx, cy + 3}, text);
        break;
    }
    case ViewKind::kCheckBox:
    case ViewKind::kRadioButton:
    {
        const bool radio = GetViewKind(inView) == ViewKind::kRadioButton;
        const Rect box{1, std::floor((bounds.h - 12) / 2), 12, 12};
        RoundedRect(ioCanvas, Inset(box, 0.5), radio ? 6 : 2);
        ioCanvas.SetFillColor(value != 0 && enabled                 ? ThemeHiliteColor()
                              : state == ThemeButtonState::kPressed ? kFacePressed
                                                                    : kWhite);
        ioCanvas.FillPath();
        RoundedRect(ioCanvas, Inset(box, 0.5), radio ? 6 : 2);
        ioCanvas.SetStrokeColor(enabled ? kEdge : kEdgeInactive);
        ioCanvas.StrokePath();
        if (value != 0)
        {
            ioCanvas.SetFillColor(enabled ? kWhite : kTextInactive);
            if (radio)
            {
                RoundedRect(ioCanvas, Inset(box, 4), 2);
                ioCanvas.FillPath();
            }
            else if (value == 2) // mixed
                ioCanvas.FillRect(Rect{box.x + 3, box.y + 5, 6, 2});
            else
            {
                ioCanvas.SetStrokeColor(enabled ? kWhite : kTextInactive);
                ioCanvas.SetLineWidth(2);
                ioCanvas.BeginPath();
                ioCanvas.MoveTo({box.x + 3, box.y + 6});
                ioCanvas.LineTo({box.x + 5, box.y + 9});
                ioCanvas.LineTo({box.x + 9, box.y + 3});
                ioCanvas.StrokePath();
            }
        }
        if (focused)
            DrawThemeFocusRing(ioCanvas, box);
        DrawThemeText(ioCanvas, GetControlTitle(inView), Rect{18, 0, bounds.w - 18, bounds.h}, false, text);
        break;
    }
    case ViewKind::kStaticText:
    {
        const std::u16string shown = GetControlText(inView);
        DrawThemeText(ioCanvas, shown.empty() ? GetControlTitle(inView) : shown,
                      Rect{0, 0, bounds.w, std::min(bounds.h, 18.0)}, false, text);
        break;
    }
    case ViewKind::kEditText:
    case ViewKind::kSearchField:
    case ViewKind::kComboBox:
    case ViewKind::kClock:
    {
        Field(ioCanvas, bounds, enabled);
        double right = bounds.w - 4;
        if (GetViewKind(inView) == ViewKind::kSearchField)
        {
            right -= kSearchCancelWidth;
            if (!GetControlText(inView).empty())
            {
                const Point c{bounds.w - kSearchCancelWidth / 2 - 2, bounds.h / 2};
                ioCanvas.SetFillColor(kTrack);
                RoundedRect(ioCanvas, Rect{c.x - 6, c.y - 6, 12, 12}, 6);
                ioCanvas.FillPath();
            }
        }
        else if (GetViewKind(inView) == ViewKind::kComboBox)
        {
            right -= kComboButtonWidth;
            DrawThemeBevelButton(ioCanvas, Rect{bounds.w - kComboButtonWidth, 0, kComboButtonWidth, bounds.h},
                                 ThemeButtonSize::kSmall, state, false);
            const double cx = bounds.w - kComboButtonWidth / 2, cy = bounds.h / 2;
            Triangle(ioCanvas, {cx - 4, cy - 2}, {cx + 4, cy - 2}, {cx, cy + 3}, text);
        }
        else if (GetViewKind(inView) == ViewKind::kClock)
        {
            right -= 14;
            const double cx = bounds.w - 8, cy = bounds.h / 2;
            Triangle(ioCanvas, {cx - 4, cy - 2}, {cx + 4, cy - 2}, {cx, cy - 7}, text);
            Triangle(ioCanvas, {cx - 4, cy + 2}, {cx + 4, cy + 2}, {cx, cy + 7}, text);
        }
        std::u16string shown = GetControlText(inView);
        std::uint8_t secret = 0;
        if (GetViewKind(inView) == ViewKind::kEditText &&
            GetControlProperty(inView, kPasswordPropertyCreator, kPasswordPropertyTag, &secret, 1) == kNoErr &&
            secret != 0)
            shown.assign(shown.size(), u'\u2022');
        DrawThemeText(ioCanvas, shown, Rect{4, 0, right - 4, bounds.h}, false, text);
        if (focused)
            DrawThemeFocusRing(ioCanvas, bounds);
        break;
    }
    case ViewKind::kSlider:
    case ViewKind::kScrollBar:
    {
        const bool vertical = bounds.h > bounds.w;
        const double length = vertical ? bounds.h : bounds.w;
        const double thick = vertical ? bounds.w : bounds.h;
        const double thumb =
            GetViewKind(inView) == ViewKind::kSlider ? std::min(thick, 14.0) : std::max(thick, length / 8);
        const double at = (length - thumb) * std::clamp(fraction, 0.0, 1.0);
        ioCanvas.SetFillColor(kTrack);
        if (GetViewKind(inView) == ViewKind::kSlider)
            ioCanvas.FillRect(vertical ? Rect{thick / 2 - 2, 0, 4, length} : Rect{0, thick / 2 - 2, length, 4});
        else
            ioCanvas.FillRect(bounds);
        const Rect knob = vertical ? Rect{(thick - std::min(thick, thumb)) / 2, at, std::min(thick, thumb), thumb}
                                   : Rect{at, (thick - std::min(thick, thumb)) / 2, thumb, std::min(thick, thumb)};
        DrawThemeBevelButton(ioCanvas, knob, ThemeButtonSize::kSmall, state, focused);
        break;
    }
    case ViewKind::kLittleArrows:
    {
        const double half = std::floor(bounds.h / 2);
        DrawThemeBevelButton(ioCanvas, Rect{0, 0, bounds.w, half}, ThemeButtonSize::kSmall,
                             hilite == kControlUpButtonPart && enabled ? ThemeButtonState::kPressed
                             : state == ThemeButtonState::kInactive    ? state
                                                                       : ThemeButtonState::kActive,
                             false);
        DrawThemeBevelButton(ioCanvas, Rect{0, half, bounds.w, bounds.h - half}, ThemeButtonSize::kSmall,
                             hilite == kControlDownButtonPart && enabled ? ThemeButtonState::kPressed
                             : state == ThemeButtonState::kInactive      ? state
                                                                         : ThemeButtonState::kActive,
                             false);
        const double cx = bounds.w / 2;
        Triangle(ioCanvas, {cx - 3, half / 2 + 2}, {cx + 3, half / 2 + 2}, {cx, half / 2 - 2}, text);
        Triangle(ioCanvas, {cx - 3, half + half / 2 - 2}, {cx + 3, half + half / 2 - 2}, {cx, half + half / 2 + 2},
                 text);
        break;
    }
    case ViewKind::kTabs:
    {
        ioCanvas.SetStrokeColor(kEdge);
        ioCanvas.StrokeRect(Rect{0.5, 10.5, bounds.w - 1, bounds.h - 11});
        const double stripWidth = std::min(bounds.w - 20, 90.0 * std::max(1, maximum));
        Strip(ioCanvas, Rect{(bounds.w - stripWidth) / 2, 0, stripWidth, 21}, inView, maximum, value, enabled);
        break;
    }
    case ViewKind::kSegmented:
        Strip(ioCanvas, bounds, inView, maximum, value, enabled);
        break;
    case ViewKind::kProgressBar:
        ioCanvas.SetFillColor(kTrack);
        RoundedRect(ioCanvas, Rect{0, bounds.h / 2 - 3, bounds.w, 6}, 3);
        ioCanvas.FillPath();
        ioCanvas.SetFillColor(ThemeHiliteColor());
        RoundedRect(ioCanvas, Rect{0, bounds.h / 2 - 3, bounds.w * std::clamp(fraction, 0.0, 1.0), 6}, 3);
        ioCanvas.FillPath();
        break;
    case ViewKind::kSeparator:
        ioCanvas.SetFillColor(kEdge);
        ioCanvas.FillRect(bounds.w >= bounds.h ? Rect{0, std::floor(bounds.h / 2), bounds.w, 1}
                                               : Rect{std::floor(bounds.w / 2), 0, 1, bounds.h});
        break;
    case ViewKind::kGroupBox:
    {
        ioCanvas.SetStrokeColor(kEdge);
        RoundedRect(ioCanvas, Rect{0.5, 8.5, bounds.w - 1, bounds.h - 9}, 4);
        ioCanvas.StrokePath();
        const std::u16string title = GetControlTitle(inView);
        const std::shared_ptr<TextStyle> style = StyleOfSize(11);
        if (!title.empty() && style)
        {
            // The title interrupts the frame, on the window's own background.
            TextLayout layout;
            layout.Build(reinterpret_cast<const std::uint16_t*>(title.data()), std::uint32_t(title.size()), style,
                         std::int32_t(bounds.w - 28));
            ioCanvas.SetFillColor(ThemeBrushColor(window != nullptr ? window->mBrush : 1));
            ioCanvas.FillRect(Rect{8, 0, layout.EndOffset() + 4.0, 17});
            DrawThemeText(ioCanvas, title, Rect{10, 0, bounds.w - 20, 17}, false, text, 11);
        }
        break;
    }
    case ViewKind::kDataBrowser:
        Field(ioCanvas, bounds, enabled);
        break;
    case ViewKind::kChasingArrows:
        ioCanvas.SetStrokeColor(kEdge);
        ioCanvas.SetLineWidth(2);
        RoundedRect(ioCanvas, Inset(bounds, 2), bounds.w);
        ioCanvas.StrokePath();
        break;
    case ViewKind::kIcon:
    {
        FourCharCode type = 0;
        if (GetControlProperty(inView, kIconPropertyCreator, kIconPropertyTag, &type, sizeof type) == kNoErr)
            DrawThemeIcon(ioCanvas, bounds, type);
        break;
    }
    case ViewKind::kUserPane:
    case ViewKind::kScrollView:
    case ViewKind::kImage:
        break;
    }
    ioCanvas.Restore();
}

void DrawThemeWindowFrame(Canvas& ioCanvas, WindowRef inWindow)
{
    if (!IsValidWindow(inWindow))
        return;
    const Rect structure = GetWindowBounds(inWindow, kWindowStructureRgn);
    const Rect content = GetWindowBounds(inWindow, kWindowContentRgn);
    const double bar = content.y - structure.y;
    ioCanvas.Save();
    ioCanvas.SetFillColor(Color{0.86, 0.86, 0.87, 1});
    ioCanvas.FillRect(Rect{0, 0, structure.w, structure.h});
    if (bar > 0)
    {
        ioCanvas.SetFillColor(kEdge);
        ioCanvas.FillRect(Rect{0, bar - 1, structure.w, 1});
        const std::uint32_t attributes = GetWindowAttributes(inWindow);
        const struct
        {
            std::uint32_t mAttribute;
            double mLeft;
            Color mColor;
        } boxes[] = {{kWindowCloseBoxAttribute, metrics::kCloseBoxLeft, Color{0.93, 0.36, 0.33, 1}},
                     {kWindowCollapseBoxAttribute, metrics::kCollapseBoxLeft, Color{0.96, 0.75, 0.29, 1}},
                     {kWindowHorizontalZoomAttribute | kWindowVerticalZoomAttribute, metrics::kZoomBoxLeft,
                      Color{0.38, 0.78, 0.33, 1}}};
        const double size = std::min(metrics::kBoxSize, bar - 2 * 2);
        for (const auto& box : boxes)
        {
            if ((attributes & box.mAttribute) == 0)
                continue;
            ioCanvas.SetFillColor(IsWindowActive(inWindow) || !IsWindowVisible(inWindow) ? box.mColor : kEdgeInactive);
            RoundedRect(ioCanvas, Rect{box.mLeft, (bar - size) / 2, size, size}, size / 2);
            ioCanvas.FillPath();
        }
        DrawThemeText(ioCanvas, GetWindowTitle(inWindow),
                      Rect{metrics::kZoomBoxLeft + 20, 0, structure.w - 2 * (metrics::kZoomBoxLeft + 20), bar}, true,
                      kBlack, bar < metrics::kTitleBarHeight ? 11 : 13);
    }
    ioCanvas.Restore();
}

} // namespace pf
