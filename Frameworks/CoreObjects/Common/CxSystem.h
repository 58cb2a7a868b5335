// What the rest of the system needs of the operating system: the bundle and its localised texts, stored logins
// and the HTTP proxy, a description of the system, opening URLs, the alert, ticks and the process id.
#pragma once

#include "CxLocalize.h"
#include "CxString.h"
#include "CxTypes.h"

#include <string>

class CxRect;

// ---- bundle

// The bundle is a resource folder: $SKYVANE_BUNDLE, else the folder set here, else
// SkyvanePlugin.bundle/Resources beside the library holding this code. An empty folder sets none.
void CxSetBundle(const CxString& inFolder);
// The resource folder in use, or "" when there is none (every lookup then misses).
CxString CxGetBundle();

// CxLocalize("macFileBrowserName") and CxLocalize("langId").
CxString CxSystemFileBrowserName();
CxString CxSystemLanguageName();

// ---- logins and proxy

// The login stored under the key. False, with both outputs untouched, when there is none or the store cannot
// be read.
bool CxReadAuthentication(const CxString& inKey, CxString& outName, CxString& outPassword);
// Stores the login under the key, replacing the one there; an empty name and password delete it. False (with a
// debug line) when the store could not be written; nothing is then changed.
bool CxWriteAuthentication(const CxString& inKey, const CxString& inName, const CxString& inPassword);
// The HTTP proxy of $http_proxy ("[scheme://][user:password@]host[:port]", port 1080 when absent). False, with
// every output untouched, when it is unset, empty or unreadable. The login is the store's first proxy login, else
// the one in the variable, else the two outputs stay untouched. For an https request $https_proxy (or
// $HTTPS_PROXY) comes first, as libcurl takes them.
bool CxGetProxySettings(CxString& outHost, CxSint32& outPort, CxString& outUser, CxString& outPassword,
                        bool inHttps = false);

// ---- system description

// 2: Linux (0 Macintosh, 1 Windows).
CxSint32 CxSystemPlatform();
// "Linux <major>.<minor>" of the running kernel.
CxString CxSystemVersion();
// "x86" on x86 processors, else "???".
CxString CxSystemCpu();
// The user's locale without codeset or modifier, as "en_US"; the C locale and no setting give "en_US".
CxString CxSystemLocale();

// ---- other services

// Opens the URL with the desktop's opener ($SKYVANE_OPEN_CMD, else xdg-open), without waiting for it. Never
// throws; a failure to start is a debug line.
void CxLaunchUrlInBrowser(const CxString& inUrl);
// The alert sound: a debug line "Beep".
void CxBeep();
// Sixtieths of a second of the main run loop's clock (monotonic, or virtual in tests), wrapping at 32 bits.
CxUint32 CxTickCount();
CxSint32 CxGetProcessId();
// Source first, destination second; overlapping ranges are fine. Null pointers are reported and nothing moves.
void CxMemoryMove(const void* inFrom, void* inTo, CxUint32 inCount);
// Nothing to unload here.
void CxUnloadQuickTime();

// Platform strings are UTF-8 std::string here; a null text gives "".
std::string CxStringToRef(const CxString& inString);
CxString CxRefToString(const std::string& inRef);
CxString CxRefToString(const char* inRef);

// A floating-point rectangle: origin and size.
struct CxFloatRect
{
    float mX = 0;
    float mY = 0;
    float mWidth = 0;
    float mHeight = 0;
};

// Origin (left, top), size (right - left, bottom - top).
CxFloatRect CxRectToCGRect(const CxRect& inRect);
