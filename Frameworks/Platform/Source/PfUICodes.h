// The window server's event classes, kinds, parameters and part codes, with the desktop platform's numbers.
#pragma once

#include "PfGeometry.h"
#include "PfTypes.h"

namespace pf
{

// Event classes.
constexpr FourCharCode kClassWindow = FourCC("wind");
constexpr FourCharCode kClassMouse = FourCC("mous");
constexpr FourCharCode kClassKeyboard = FourCC("keyb");
constexpr FourCharCode kClassControl = FourCC("cntl");
constexpr FourCharCode kClassCommand = FourCC("cmds");
constexpr FourCharCode kClassTextInput = FourCC("text");
constexpr FourCharCode kClassTextField = FourCC("txfd");
constexpr FourCharCode kClassFont = FourCC("font");
// The server sends neither of these two; the toolkit's handlers take them when they come.
constexpr FourCharCode kClassSearchField = FourCC("srfd");
constexpr FourCharCode kClassComboBox = FourCC("hicb");

// Window kinds.
constexpr std::uint32_t kWindowDrawContent = 2;
constexpr std::uint32_t kWindowActivated = 5;
constexpr std::uint32_t kWindowDeactivated = 6;
constexpr std::uint32_t kWindowGetClickActivation = 7;
constexpr std::uint32_t kWindowBoundsChanged = 27;
constexpr std::uint32_t kWindowResizeStarted = 28;
constexpr std::uint32_t kWindowResizeCompleted = 29;
constexpr std::uint32_t kWindowDragStarted = 30;
constexpr std::uint32_t kWindowDragCompleted = 31;
constexpr std::uint32_t kWindowClose = 72;
constexpr std::uint32_t kWindowZoom = 75;
constexpr std::uint32_t kWindowZoomed = 76;
constexpr std::uint32_t kWindowGetIdealSize = 80;
constexpr std::uint32_t kWindowGetMinimumSize = 81;
constexpr std::uint32_t kWindowGetMaximumSize = 82;
constexpr std::uint32_t kWindowHandleContentClick = 85;

// Mouse kinds.
constexpr std::uint32_t kMouseDown = 1;
constexpr std::uint32_t kMouseUp = 2;
constexpr std::uint32_t kMouseMoved = 5;
constexpr std::uint32_t kMouseDragged = 6;
constexpr std::uint32_t kMouseEntered = 8;
constexpr std::uint32_t kMouseExited = 9;
constexpr std::uint32_t kMouseWheelMoved = 10;
constexpr std::uint32_t kMouseScroll = 11;

// Keyboard kinds.
constexpr std::uint32_t kRawKeyDown = 1;
constexpr std::uint32_t kRawKeyRepeat = 2;
constexpr std::uint32_t kRawKeyUp = 3;
constexpr std::uint32_t kRawKeyModifiersChanged = 4;

// Control kinds.
constexpr std::uint32_t kControlHit = 1;
constexpr std::uint32_t kControlHitTest = 3;
constexpr std::uint32_t kControlDraw = 4;
constexpr std::uint32_t kControlSetFocusPart = 7;
constexpr std::uint32_t kControlGetFocusPart = 8;
constexpr std::uint32_t kControlActivate = 9;
constexpr std::uint32_t kControlDeactivate = 10;
constexpr std::uint32_t kControlTrack = 51;
constexpr std::uint32_t kControlIndicatorMoved = 54;
constexpr std::uint32_t kControlValueFieldChanged = 151;
constexpr std::uint32_t kControlBoundsChanged = 154;
constexpr std::uint32_t kControlVisibilityChanged = 157;
constexpr std::uint32_t kControlOwningWindowChanged = 159;
constexpr std::uint32_t kControlHiliteChanged = 160;
constexpr std::uint32_t kControlEnabledStateChanged = 161;

// Other kinds.
constexpr std::uint32_t kCommandProcess = 1;
constexpr std::uint32_t kCommandUpdateStatus = 2;
constexpr std::uint32_t kTextInputUnicodeForKeyEvent = 2;
constexpr std::uint32_t kTextFieldTextDidChange = 3;
constexpr std::uint32_t kFontSelection = 2;
constexpr std::uint32_t kSearchFieldCancelClicked = 1;
constexpr std::uint32_t kComboBoxListItemSelected = 1;
constexpr std::uint32_t kTextFieldTextAccepted = 1;

// Parameter names.
constexpr FourCharCode kParamDirectObject = FourCC("----");
constexpr FourCharCode kParamWindowMouseLocation = FourCC("wmou");
constexpr FourCharCode kParamMouseLocation = FourCC("mloc");
constexpr FourCharCode kParamKeyModifiers = FourCC("kmod");
constexpr FourCharCode kParamMouseButton = FourCC("mbtn");
constexpr FourCharCode kParamClickCount = FourCC("ccnt");
constexpr FourCharCode kParamMouseDelta = FourCC("mdta");
// Wheel and smooth-scroll deltas, kTypeSInt32. The script has no wheel item: such events are sent directly.
constexpr FourCharCode kParamMouseWheelDelta = FourCC("mwdl");
constexpr FourCharCode kParamMouseWheelSmoothVerticalDelta = FourCC("saxy");
constexpr FourCharCode kParamMouseWheelSmoothHorizontalDelta = FourCC("saxx");
constexpr FourCharCode kParamControlPart = FourCC("cprt");
constexpr FourCharCode kParamAttributes = FourCC("attr");
constexpr FourCharCode kParamPreviousBounds = FourCC("prct");
constexpr FourCharCode kParamCurrentBounds = FourCC("crct");
constexpr FourCharCode kParamDimensions = FourCC("dims");
constexpr FourCharCode kParamClickActivation = FourCC("clac");
constexpr FourCharCode kParamKeyCode = FourCC("kcod");
constexpr FourCharCode kParamKeyChar = FourCC("kchr");
constexpr FourCharCode kParamTextInputSendText = FourCC("tstx");
constexpr FourCharCode kParamFontId = FourCC("auid");
constexpr FourCharCode kParamFontSize = FourCC("ausz");
constexpr FourCharCode kParamWindowRef = FourCC("wind");
constexpr FourCharCode kParamKeyUnicodes = FourCC("kuni");

// Parameter types (pointer-sized references, as PLATFORM.md says).
constexpr FourCharCode kTypeWindowRef = FourCC("wind");
constexpr FourCharCode kTypeControlRef = FourCC("ctrl");
constexpr FourCharCode kTypeMenuRef = FourCC("menu");
constexpr FourCharCode kTypeHIPoint = FourCC("hipt");
constexpr FourCharCode kTypeHIRect = FourCC("hirc");
constexpr FourCharCode kTypeQDPoint = FourCC("QDpt");
constexpr FourCharCode kTypeControlPartCode = FourCC("cprt");
constexpr FourCharCode kTypeMouseButton = FourCC("mbtn");
constexpr FourCharCode kTypeChar = FourCC("TEXT");
constexpr FourCharCode kTypeUnicodeText = FourCC("utxt");
constexpr FourCharCode kTypeHICommand = FourCC("hcmd");
constexpr FourCharCode kTypeClickActivation = FourCC("clac");
constexpr FourCharCode kTypeFixed = FourCC("fixd");

// Window classes and attributes.
constexpr std::uint32_t kAlertWindowClass = 1;
constexpr std::uint32_t kMovableAlertWindowClass = 2;
constexpr std::uint32_t kModalWindowClass = 3;
constexpr std::uint32_t kMovableModalWindowClass = 4;
constexpr std::uint32_t kFloatingWindowClass = 5;
constexpr std::uint32_t kDocumentWindowClass = 6;
constexpr std::uint32_t kUtilityWindowClass = 8;
constexpr std::uint32_t kHelpWindowClass = 10;
constexpr std::uint32_t kSheetWindowClass = 11;
constexpr std::uint32_t kPlainWindowClass = 13;

constexpr std::uint32_t kWindowCloseBoxAttribute = 1u << 0;
constexpr std::uint32_t kWindowHorizontalZoomAttribute = 1u << 1;
constexpr std::uint32_t kWindowVerticalZoomAttribute = 1u << 2;
constexpr std::uint32_t kWindowCollapseBoxAttribute = 1u << 3;
constexpr std::uint32_t kWindowResizableAttribute = 1u << 4;
constexpr std::uint32_t kWindowStandardHandlerAttribute = 1u << 25;

// Bits of a bounds change's 'attr'.
constexpr std::uint32_t kBoundsChangeUserDrag = 1u << 0;
constexpr std::uint32_t kBoundsChangeUserResize = 1u << 1;
constexpr std::uint32_t kBoundsChangeSizeChanged = 1u << 2;
constexpr std::uint32_t kBoundsChangeOriginChanged = 1u << 3;

// Click activation answers: bit 0 handles the click, bit 1 keeps the window inactive.
constexpr std::uint32_t kActivateAndIgnoreClick = 0;
constexpr std::uint32_t kActivateAndHandleClick = 1;
constexpr std::uint32_t kDoNotActivateAndIgnoreClick = 2;
constexpr std::uint32_t kDoNotActivateAndHandleClick = 3;

// FindWindow's parts.
constexpr std::int16_t kInDesk = 0;
constexpr std::int16_t kInMenuBar = 1;
constexpr std::int16_t kInContent = 3;
constexpr std::int16_t kInDrag = 4;
constexpr std::int16_t kInGrow = 5;
constexpr std::int16_t kInGoAway = 6;
constexpr std::int16_t kInZoomIn = 7;
constexpr std::int16_t kInZoomOut = 8;
constexpr std::int16_t kInCollapseBox = 11;

// Control parts.
constexpr std::int16_t kControlNoPart = 0;
constexpr std::int16_t kControlFocusNextPart = -1;
constexpr std::int16_t kControlFocusPrevPart = -2;
constexpr std::int16_t kControlMenuPart = 2;
constexpr std::int16_t kControlEditTextPart = 5;
constexpr std::int16_t kControlButtonPart = 10;
constexpr std::int16_t kControlCheckBoxPart = 11;
constexpr std::int16_t kControlUpButtonPart = 20;
constexpr std::int16_t kControlDownButtonPart = 21;
constexpr std::int16_t kControlPageUpPart = 22;
constexpr std::int16_t kControlPageDownPart = 23;
constexpr std::int16_t kControlIndicatorPart = 129;

// Modifier bits ('kmod').
constexpr std::uint32_t kCmdKey = 0x0100;
constexpr std::uint32_t kShiftKey = 0x0200;
constexpr std::uint32_t kOptionKey = 0x0800;
constexpr std::uint32_t kControlKey = 0x1000;

// Menu item modifiers (SetMenuItemKey): the command key is implied unless kMenuNoCommandModifier is set.
constexpr std::uint8_t kMenuShiftModifier = 1;
constexpr std::uint8_t kMenuOptionModifier = 2;
constexpr std::uint8_t kMenuControlModifier = 4;
constexpr std::uint8_t kMenuNoCommandModifier = 8;

// Virtual key codes the server acts on.
constexpr std::uint32_t kKeyReturn = 36;
constexpr std::uint32_t kKeyTab = 48;
constexpr std::uint32_t kKeyEscape = 53;
constexpr std::uint32_t kKeyEnter = 76;

// Window regions.
constexpr std::uint16_t kWindowStructureRgn = 32;
constexpr std::uint16_t kWindowContentRgn = 33;

// The command record of 'cmds' events.
struct HICommand
{
    std::uint32_t attributes = 0; // bit 0: from a menu
    std::uint32_t commandID = 0;
    void* menu = nullptr;
    std::uint16_t menuItem = 0;
};
constexpr std::uint32_t kHICommandFromMenu = 1;

// The old-style event record, as browsers hand it to plug-ins in Carbon mode.
struct EventRecord
{
    std::uint16_t what = 0;      // one of the codes below
    std::uint32_t message = 0;   // keys: character code in the lowest byte, virtual key code in the next
    std::uint32_t when = 0;      // ticks
    QDPoint where;               // global
    std::uint16_t modifiers = 0; // 'kmod' bits
};

constexpr std::uint16_t kNullEvent = 0;
constexpr std::uint16_t kMouseDownEvent = 1;
constexpr std::uint16_t kMouseUpEvent = 2;
constexpr std::uint16_t kKeyDownEvent = 3;
constexpr std::uint16_t kKeyUpEvent = 4;
constexpr std::uint16_t kAutoKeyEvent = 5;
constexpr std::uint16_t kUpdateEvent = 6;
constexpr std::uint16_t kDiskEvent = 7;
constexpr std::uint16_t kActivateEvent = 8;
// The browser's focus and cursor records.
constexpr std::uint16_t kGetFocusEvent = 31;
constexpr std::uint16_t kLoseFocusEvent = 32;
constexpr std::uint16_t kAdjustCursorEvent = 33;
// The plug-in frame's own mouse-moved record.
constexpr std::uint16_t kFrameMouseMovedEvent = 666;

} // namespace pf
