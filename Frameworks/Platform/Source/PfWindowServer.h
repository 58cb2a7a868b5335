// The headless window server: windows, views, focus, mouse and key routing, tracking and modal loops, driven
// by a scripted input queue on which no blocking call can hang. Main thread only. Frameworks/Platform/README.md
// states what the toolkit may rely on.
#pragma once

#include "PfEventTarget.h"
#include "PfGeometry.h"
#include "PfUICodes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pf
{

class Window;
class View;
class Menu;
using WindowRef = Window*;
using ViewRef = View*;
using MenuRef = Menu*;

// ---- Debug output --------------------------------------------------------------------------------------------

// Lines the server logs (bad references, exhaustion). Without a sink they go to standard error. Any thread.
void SetDebugSink(std::function<void(const std::string&)> inSink);

// ---- Script --------------------------------------------------------------------------------------------------

enum class ScriptKind
{
    kMouseDown,
    kMouseDrag, // the button stays down
    kMouseUp,
    kMouseMove,
    kKeyDown,
    kKeyUp,
    kMenuChoice, // a popup takes item; outside a popup, command goes to the user focus as a menu choice
    kFontPick,
    kWait, // advances the virtual clock
    // Answers to the dialog stand-ins (PfStandIns.h): a modal picker reads them itself, otherwise the newest taker
    // gets them.
    kColour,
    kAccept,
    kCancel,
    kPanelClose, // closes the colour panel (PfColorPanel.h)
    // Answers to the file dialogs (PfNavDialog.h).
    kNavPath,    // path: lists a folder or selects an item
    kNavName,    // text: the save name
    kNavPopup,   // item: the format popup's index, from 0
    kNavDiscard, // don't save one document, discard several
};

struct ScriptItem
{
    ScriptKind kind = ScriptKind::kWait;
    Point where;                 // global, for mouse items
    std::uint32_t modifiers = 0; // 'kmod' bits
    std::uint32_t keyCode = 0;
    std::u16string text; // the characters of a key
    std::int32_t item = 0;
    std::uint32_t command = 0;
    std::int32_t fontId = 0;
    std::int32_t fontSize = 0;
    std::int64_t waitNanos = 0;
    double colour[4] = {0, 0, 0, 1}; // red, green, blue, alpha, 0 to 1
    std::string path;                // UTF-8
};

namespace script
{
ScriptItem Down(double inX, double inY, std::uint32_t inModifiers = 0);
ScriptItem Drag(double inX, double inY);
ScriptItem Up(double inX, double inY);
ScriptItem Move(double inX, double inY);
ScriptItem Key(std::uint32_t inKeyCode, std::u16string inText, std::uint32_t inModifiers = 0);
ScriptItem KeyUp(std::uint32_t inKeyCode);
ScriptItem Choose(std::int32_t inItem);
ScriptItem Command(std::uint32_t inCommand);
ScriptItem FontPick(std::int32_t inFontId, std::int32_t inSize);
ScriptItem Wait(std::int64_t inNanos);
ScriptItem Colour(double inRed, double inGreen, double inBlue, double inAlpha = 1);
ScriptItem Accept();
ScriptItem Cancel();
ScriptItem PanelClose();
ScriptItem NavPath(std::string inPath);
ScriptItem NavName(std::u16string inName);
ScriptItem NavPopup(std::int32_t inIndex);
ScriptItem NavDiscard();
} // namespace script

// Appends to the FIFO. RunLoop::RunOnce delivers one item per call once timers and events are done.
void PushScript(const ScriptItem& inItem);
void PushScript(const std::vector<ScriptItem>& inItems);
std::size_t ScriptCount();
// Tests: disposes every window, view and menu, empties the script and the clipboard, resets the mouse and click
// state. The debug sink stays.
void ResetWindowServerForTesting();

// Delivers the next item now (false when the script is empty). Tracking loops call this through the calls
// below; tests may call it directly.
bool DeliverNextScriptItem();

// ---- Windows -------------------------------------------------------------------------------------------------

// inBounds is the content rectangle in global coordinates. Answers a window with retain count 1, hidden.
WindowRef CreateWindow(std::uint32_t inClass, std::uint32_t inAttributes, const Rect& inContent);
bool IsValidWindow(WindowRef inWindow);
std::uint32_t RetainWindow(WindowRef inWindow);
// Disposes at 0; answers the new count (0 also for a bad reference).
std::uint32_t ReleaseWindow(WindowRef inWindow);
// Disposes whatever the count. Safe inside the window's own handlers: the memory lives until dispatch ends.
OSStatus DisposeWindow(WindowRef inWindow);
std::uint32_t GetWindowRetainCount(WindowRef inWindow);

std::uint32_t GetWindowClass(WindowRef inWindow);
std::uint32_t GetWindowAttributes(WindowRef inWindow);
OSStatus ChangeWindowAttributes(WindowRef inWindow, std::uint32_t inSet, std::uint32_t inClear);
EventTarget* GetWindowEventTarget(WindowRef inWindow);
ViewRef GetContentView(WindowRef inWindow);

OSStatus ShowWindow(WindowRef inWindow);
OSStatus HideWindow(WindowRef inWindow);
bool IsWindowVisible(WindowRef inWindow);
// Brings the window to the front of its layer and activates it.
OSStatus SelectWindow(WindowRef inWindow);
// Behind inOther, or to the back of its layer when null.
OSStatus SendBehind(WindowRef inWindow, WindowRef inOther);
bool IsWindowActive(WindowRef inWindow);
OSStatus CollapseWindow(WindowRef inWindow, bool inCollapse);
bool IsWindowCollapsed(WindowRef inWindow);
// Front to back, hidden windows included.
std::vector<WindowRef> WindowList();
WindowRef FrontWindow(); // the frontmost visible window
WindowRef FrontWindowOfClass(std::uint32_t inClass);
// The active window: where keys go.
WindowRef ActiveWindow();

// inRegion is kWindowStructureRgn or kWindowContentRgn. Setting sends 'wind' 27 with 'attr', 'prct', 'crct'.
Rect GetWindowBounds(WindowRef inWindow, std::uint16_t inRegion);
OSStatus SetWindowBounds(WindowRef inWindow, std::uint16_t inRegion, const Rect& inBounds);
// A transition just sets the bounds.
OSStatus TransitionWindowTo(WindowRef inWindow, const Rect& inStructure);
OSStatus ConstrainWindowToScreen(WindowRef inWindow);
// The part of the topmost visible window at a global point; outWindow may be null.
std::int16_t FindWindow(Point inGlobal, WindowRef* outWindow);

OSStatus SetWindowTitle(WindowRef inWindow, const std::u16string& inTitle);
std::u16string GetWindowTitle(WindowRef inWindow);
OSStatus SetWindowModified(WindowRef inWindow, bool inModified);
bool IsWindowModified(WindowRef inWindow);
// Properties carry bytes under (creator, tag); pointers are stored pointer-sized.
OSStatus SetWindowProperty(WindowRef inWindow, FourCharCode inCreator, FourCharCode inTag, const void* inData,
                           std::size_t inSize);
OSStatus GetWindowProperty(WindowRef inWindow, FourCharCode inCreator, FourCharCode inTag, void* outData,
                           std::size_t inSize);
OSStatus RemoveWindowProperty(WindowRef inWindow, FourCharCode inCreator, FourCharCode inTag);

// Sheets: shown on the parent, which they retain until hidden and which takes no clicks meanwhile.
OSStatus ShowSheetWindow(WindowRef inSheet, WindowRef inParent);
OSStatus HideSheetWindow(WindowRef inSheet);
WindowRef GetSheetParent(WindowRef inSheet);

// Runs RunLoop::Run until QuitAppModalLoopForWindow (kNoErr), or until a pass finds the script empty and
// nothing else to do (a debug line, kEventNotHandled). Clicks outside the modal window are refused meanwhile.
OSStatus RunAppModalLoopForWindow(WindowRef inWindow);
OSStatus QuitAppModalLoopForWindow(WindowRef inWindow);
WindowRef ModalWindow();

OSStatus SetWindowDefaultButton(WindowRef inWindow, ViewRef inButton);
OSStatus SetWindowCancelButton(WindowRef inWindow, ViewRef inButton);
ViewRef GetWindowDefaultButton(WindowRef inWindow);
ViewRef GetWindowCancelButton(WindowRef inWindow);

// ---- Views ---------------------------------------------------------------------------------------------------

enum class ViewKind
{
    kUserPane,
    kPushButton,
    kCheckBox,
    kRadioButton,
    kStaticText,
    kEditText,
    kPopupButton,
    kSlider,
    kScrollBar,
    kLittleArrows,
    kTabs,
    kProgressBar,
    kImage,
    kSeparator,
    kGroupBox,
    kDataBrowser, // PfDrag.h
    kScrollView,  // PfDrag.h
    kClock,       // its arrows step the value and send 'cloc' 1
    kSearchField, // edit text with a cancel part at its right end
    kComboBox,    // edit text with a menu part at its right end (the popup menu's items)
    kBevelButton,
    kRoundButton,
    kChasingArrows,
    kIcon,
    kSegmented, // segments share the width like tabs; the value is the segment
};

// The platform's kind code of the view ('push', 'cbox', 'datb', ...), with signature 'appl'.
FourCharCode GetControlKindCode(ViewRef inView);

constexpr FourCharCode kClassClockView = FourCC("cloc");
constexpr std::uint32_t kClockDateOrTimeChanged = 1;
constexpr std::int16_t kControlSearchFieldCancelPart = 28;
// The parts at the right end of search fields and combo boxes are this wide.
constexpr double kSearchCancelWidth = 16;
constexpr double kComboButtonWidth = 20;

// inFrame is in the superview's coordinates once added.
ViewRef CreateView(ViewKind inKind, const Rect& inFrame);
bool IsValidView(ViewRef inView);
ViewKind GetViewKind(ViewRef inView);
OSStatus AddSubview(ViewRef inParent, ViewRef inChild);
OSStatus RemoveFromSuperview(ViewRef inView);
// Removes and frees the view and its subviews. Safe inside the view's own handlers.
OSStatus DisposeView(ViewRef inView);
ViewRef GetSuperview(ViewRef inView);
std::vector<ViewRef> GetSubviews(ViewRef inView);
WindowRef GetViewWindow(ViewRef inView);
EventTarget* GetViewEventTarget(ViewRef inView);

Rect GetViewFrame(ViewRef inView);  // in the superview
Rect GetViewBounds(ViewRef inView); // (0, 0, w, h)
// Sends 'cntl' 154 when it changes.
OSStatus SetViewFrame(ViewRef inView, const Rect& inFrame);
// From inFrom's coordinates to inTo's; null means the window's content coordinates of the other view.
Point ConvertPoint(Point inPoint, ViewRef inFrom, ViewRef inTo);
// The view's bounds in global coordinates.
Rect ViewGlobalBounds(ViewRef inView);
// The deepest visible view under a point in the content view's coordinates (the content view when none).
ViewRef FindViewAt(WindowRef inWindow, Point inContentPoint);

OSStatus SetViewVisible(ViewRef inView, bool inVisible); // 'cntl' 157
bool IsViewVisible(ViewRef inView);                      // its own flag
bool IsViewShown(ViewRef inView);                        // it and its ancestors, in a visible window
OSStatus SetViewEnabled(ViewRef inView, bool inEnabled); // 'cntl' 161
bool IsViewEnabled(ViewRef inView);
OSStatus HiliteControl(ViewRef inView, std::int16_t inPart); // 'cntl' 160 when it changes
std::int16_t GetControlHilite(ViewRef inView);

OSStatus SetControlValue(ViewRef inView, std::int32_t inValue); // clamped to [min, max]
std::int32_t GetControlValue(ViewRef inView);
OSStatus SetControlMinimum(ViewRef inView, std::int32_t inValue);
std::int32_t GetControlMinimum(ViewRef inView);
OSStatus SetControlMaximum(ViewRef inView, std::int32_t inValue);
std::int32_t GetControlMaximum(ViewRef inView);
OSStatus SetControlTitle(ViewRef inView, const std::u16string& inTitle);
std::u16string GetControlTitle(ViewRef inView);
OSStatus SetControlText(ViewRef inView, const std::u16string& inText); // edit and static text
std::u16string GetControlText(ViewRef inView);
OSStatus SetControlID(ViewRef inView, FourCharCode inSignature, std::int32_t inId);
// Either output may be null.
OSStatus GetControlID(ViewRef inView, FourCharCode* outSignature, std::int32_t* outId);
ViewRef FindControlByID(WindowRef inWindow, FourCharCode inSignature, std::int32_t inId);
OSStatus SetControlCommandID(ViewRef inView, std::uint32_t inCommand);
std::uint32_t GetControlCommandID(ViewRef inView);
// The menu of a popup button; the button's maximum follows its item count.
OSStatus SetControlPopupMenu(ViewRef inView, MenuRef inMenu);
MenuRef GetControlPopupMenu(ViewRef inView);
OSStatus SetControlProperty(ViewRef inView, FourCharCode inCreator, FourCharCode inTag, const void* inData,
                            std::size_t inSize);
OSStatus GetControlProperty(ViewRef inView, FourCharCode inCreator, FourCharCode inTag, void* outData,
                            std::size_t inSize);
OSStatus RemoveControlProperty(ViewRef inView, FourCharCode inCreator, FourCharCode inTag);
OSStatus GetControlPropertySize(ViewRef inView, FourCharCode inCreator, FourCharCode inTag, std::size_t& outSize);

// Focus: the focused view of a window; 'cntl' 7 asks the view for a part. Null clears.
OSStatus SetKeyboardFocus(WindowRef inWindow, ViewRef inView, std::int16_t inPart);
ViewRef GetKeyboardFocus(WindowRef inWindow);
std::int16_t GetKeyboardFocusPart(WindowRef inWindow);
// Keys go here: the focused view of the user-focus window while it is shown, else of the active window, else that
// window, else the application.
EventTarget* GetUserFocusEventTarget();
// A window that takes the keys while shown (a floating panel, which never becomes active). Null clears it; it is
// forgotten when the window goes.
OSStatus SetUserFocusWindow(WindowRef inWindow);
WindowRef GetUserFocusWindow();

// Called instead of the standard step when a click is released in a part of little arrows or a scroll bar (the
// arrows and the page parts); null restores the step.
using ControlActionProc = std::function<void(ViewRef inView, std::int16_t inPart)>;
OSStatus SetControlAction(ViewRef inView, ControlActionProc inAction);

// A click on the part as if the user made it: hilite, unhilite, then the control's standard hit behaviour and
// 'cntl' 1.
OSStatus SimulateClick(ViewRef inView, std::int16_t inPart, std::uint32_t inModifiers);

// ---- Tracking areas -------------------------------------------------------------------------------------------

constexpr std::uint32_t kControlTrackingAreaEntered = 23;
constexpr std::uint32_t kControlTrackingAreaExited = 24;
constexpr FourCharCode kParamTrackingArea = FourCC("ctra");
constexpr FourCharCode kTypeTrackingArea = FourCC("ctra");
using TrackingAreaRef = std::uint64_t; // 0 is none

// An area of the view (its bounds when inArea is empty, following them) with the caller's 64-bit id. Mouse moves,
// drags and ups delivered as events (not those a tracking loop takes) send the view 'cntl' 23 on entering and 24
// on leaving, with 'ctra' the area.
TrackingAreaRef NewTrackingArea(ViewRef inView, const Rect& inArea, std::uint64_t inId);
OSStatus ChangeTrackingArea(TrackingAreaRef inArea, const Rect& inRect);
OSStatus DisposeTrackingArea(TrackingAreaRef inArea);
std::uint64_t GetTrackingAreaId(TrackingAreaRef inArea);

// ---- Services: state only ----------------------------------------------------------------------------------

// Two clicks at most this many ticks apart count as one multiple click (metrics::kDoubleClickTicks).
std::uint32_t GetDblTime();
// Ids below 128 are theme cursors, from 128 up the plug-in's own.
void SetCursorId(std::int32_t inCursor);
std::int32_t CurrentCursorId();
OSStatus SetViewHelpTag(ViewRef inView, const std::u16string& inText);
std::u16string GetViewHelpTag(ViewRef inView);
// The same (creator, type) answers the same nonzero icon while retained.
std::uint32_t GetIconRef(FourCharCode inCreator, FourCharCode inType);
OSStatus ReleaseIconRef(std::uint32_t inIcon);
// A font pick of the script goes to the font panel's target ('font' 2), else to the user focus. A window's or
// view's target is forgotten when it goes; any other target must be cleared by its owner first.
void SetFontPanelTarget(EventTarget* inTarget);
EventTarget* FontPanelTarget();
void ShowFontPanel(bool inShow);
bool IsFontPanelVisible();

// ---- Tracking ------------------------------------------------------------------------------------------------

enum class MouseTrackingResult
{
    kMouseDragged,
    kMouseReleased,
    kTimedOut,
};

// Takes the next mouse item of the script (a drag or an up); a wait item times out. An empty or non-mouse head
// releases the button at the last point.
MouseTrackingResult TrackMouseLocation(Point* outGlobal);
// Whether the button is still down; an empty script releases it.
bool StillDown();
Point GetGlobalMouse();

// ---- Menus ---------------------------------------------------------------------------------------------------

enum MenuItemAttribute : std::uint32_t
{
    kMenuItemDisabled = 1u << 0,
    kMenuItemSeparator = 1u << 6,
    kMenuItemDynamic = 1u << 4,
    kMenuItemNotPreviousAlternate = 1u << 5,
};

// A menu attribute: kept with the menu, unread by the server.
constexpr std::uint32_t kMenuAttrAutoDisable = 1u << 2;

// A menu with its item 0 standing for the menu itself. Retain count 1.
MenuRef CreateMenu(std::int16_t inMenuId, std::uint32_t inAttributes);
bool IsValidMenu(MenuRef inMenu);
std::uint32_t RetainMenu(MenuRef inMenu);
std::uint32_t ReleaseMenu(MenuRef inMenu);
std::int16_t GetMenuId(MenuRef inMenu);
OSStatus SetMenuTitle(MenuRef inMenu, const std::u16string& inTitle);
std::u16string GetMenuTitle(MenuRef inMenu);
std::uint16_t CountMenuItems(MenuRef inMenu);
// After inAfter (0 inserts first); answers the new item's index or 0.
std::uint16_t InsertMenuItem(MenuRef inMenu, std::uint16_t inAfter, const std::u16string& inText,
                             std::uint32_t inCommand, std::uint32_t inAttributes);
OSStatus DeleteMenuItem(MenuRef inMenu, std::uint16_t inItem);
OSStatus DeleteAllMenuItems(MenuRef inMenu);
OSStatus SetMenuItemText(MenuRef inMenu, std::uint16_t inItem, const std::u16string& inText);
std::u16string GetMenuItemText(MenuRef inMenu, std::uint16_t inItem);
OSStatus SetMenuItemCommandID(MenuRef inMenu, std::uint16_t inItem, std::uint32_t inCommand);
std::uint32_t GetMenuItemCommandID(MenuRef inMenu, std::uint16_t inItem);
OSStatus SetMenuItemKey(MenuRef inMenu, std::uint16_t inItem, std::uint8_t inModifiers, char16_t inKey);
char16_t GetMenuItemKey(MenuRef inMenu, std::uint16_t inItem);
std::uint8_t GetMenuItemModifiers(MenuRef inMenu, std::uint16_t inItem);
OSStatus ChangeMenuItemAttributes(MenuRef inMenu, std::uint16_t inItem, std::uint32_t inSet, std::uint32_t inClear);
std::uint32_t GetMenuItemAttributes(MenuRef inMenu, std::uint16_t inItem);
// Item 0 enables or disables the whole menu.
OSStatus EnableMenuItem(MenuRef inMenu, std::uint16_t inItem, bool inEnable);
bool IsMenuItemEnabled(MenuRef inMenu, std::uint16_t inItem);
OSStatus SetMenuItemSubmenu(MenuRef inMenu, std::uint16_t inItem, MenuRef inSubmenu); // retains it
MenuRef GetMenuItemSubmenu(MenuRef inMenu, std::uint16_t inItem);
OSStatus SetMenuProperty(MenuRef inMenu, FourCharCode inCreator, FourCharCode inTag, const void* inData,
                         std::size_t inSize);
OSStatus GetMenuProperty(MenuRef inMenu, FourCharCode inCreator, FourCharCode inTag, void* outData, std::size_t inSize);
OSStatus RemoveMenuProperty(MenuRef inMenu, FourCharCode inCreator, FourCharCode inTag);
// The first item with the command in every live menu, oldest menu first, submenus included.
bool FindMenuItemForCommand(std::uint32_t inCommand, MenuRef* outMenu, std::uint16_t* outItem);

// The menu bar: menus inserted before the one with id inBeforeId (0 or absent: at the end).
OSStatus InsertMenuInBar(MenuRef inMenu, std::int16_t inBeforeId);
OSStatus DeleteMenuFromBar(std::int16_t inMenuId);
std::vector<MenuRef> MenuBar();

// Shows the menu as a popup at a global point: 'cmds' 2 per item to the user focus target, then takes a
// scripted choice (a number, or a command code naming the first enabled item with it; consumed either way);
// answers the chosen item, 0 when the script holds no choice next or the item is disabled.
std::uint16_t PopUpMenuSelect(MenuRef inMenu, Point inGlobal, std::uint16_t inItemUnderMouse);

} // namespace pf
