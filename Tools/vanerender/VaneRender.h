// vanerender: map documents drawn to PNG pictures through the system's real road: the document reader builds the
// map, the data managers fetch and decode its sets on their job threads, the products draw into an offscreen
// context, the context exports the picture.
#pragma once

#include "GxCoordinates.h"

#include <exception>
#include <memory>
#include <string>
#include <vector>

class WxMap;
class XmlRoot;

// How the map instance frames a map in a view of the given size: the projected map point at the view's centre and
// the vertical field of view of a camera 100 km above it.
struct VaneView
{
    int mWidth = 1024;
    int mHeight = 768;
    double mPerspective = 160.0; // degrees
    GxPoint mFocus;
    bool mLegendVisible = true;
    bool mLegendRight = false;
};

// The legend column's width in pixels.
constexpr double kVaneLegendWidth = 175.0;

// The view set up as the map instance sets it up: the focus on the map's centre, the perspective from the document's
// field of view, or fitted to its "MapView" bounds (the legend column's half-width shifting the focus).
VaneView VaneFrameMap(const WxMap& inMap, const XmlRoot* inRoot, int inWidth, int inHeight);
// Viewport, projection and model-view of the view on the current context; the map's field of view and scale
// follow them.
void VaneApplyView(WxMap& ioMap, const VaneView& inView);
// Kilometres to a pixel in the map's plane.
double VaneKmPerPixel(const VaneView& inView);
// The window pixel (from the bottom left) of a projected map point.
GxPoint VaneToWindow(const VaneView& inView, const GxPoint& inProjected);
// The legend column in 2-D pixels, y up.
GxRect VaneLegendRect(const VaneView& inView);

struct VaneOptions
{
    int mWidth = 1024;
    int mHeight = 768;
    std::string mOut;
    int mTimeout = 30;
    std::string mServe;
    std::vector<std::string> mDocuments;
    bool mHelp = false;
};

// "" when the arguments read, else what is wrong with them.
std::string VaneParseOptions(const std::vector<std::string>& inArguments, VaneOptions& outOptions);
// The usage text.
std::string VaneUsage();
// What an exception says: "out of memory" for a failed allocation.
std::string VaneReason(const std::exception_ptr& inError);

// Exit statuses.
enum : int
{
    kVaneDone = 0,
    kVaneFailed = 1,
    kVaneUsage = 2,
    kVaneNoData = 3
};

// Seconds each step of one document took: reading it and building the map (the registry lookups included),
// fetching and decoding its data (the analyses included), drawing, exporting.
struct VaneTimings
{
    std::string mDocument;
    double mRead = 0.0;
    double mData = 0.0;
    double mDraw = 0.0;
    double mExport = 0.0;
};

// The whole tool: renders the documents (the bundled ones when none is given) and returns the exit status; with
// outTimings, the steps' times of each document drawn.
int VaneRender(const VaneOptions& inOptions, std::vector<VaneTimings>* outTimings = nullptr);

// What the runs of one process share: the handlers that make SIGINT, SIGTERM and SIGHUP a request to stop, the
// scratch folder (HOME, the XDG folders, Mesa's shader cache and TMPDIR) and the demo data's server. The program
// keeps one while it runs; it goes in the order server, scratch folder, handlers, so a signal at any moment still
// leaves nothing behind. Without one, each VaneRender call holds the handlers while it lasts and the process keeps
// the scratch folder and the server until it exits. One at a time.
class VaneSession
{
public:
    VaneSession();
    ~VaneSession();
    VaneSession(const VaneSession&) = delete;
    VaneSession& operator=(const VaneSession&) = delete;

    struct Parts;

private:
    std::unique_ptr<Parts> mParts;
};

// Once the session is gone: a stop signal it recorded (one during its teardown too) ends the process by that
// signal's default action, so a calling shell stops as it does on Ctrl-C (its $? reads 128 + N); otherwise the
// status is inStatus.
int VaneFinish(int inStatus);
