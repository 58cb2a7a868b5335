// vanehost: loads the plug-in library as a browser does and runs a script of embeds and streams on one page,
// writing snapshots and checking pixels. The main loop runs on a virtual clock; network time-outs stay real.
// g++ 12 warns inside <regex> itself (std::function members "maybe uninitialized") when optimising with the
// sanitizers; the warning is about the library's code, not this file's.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include "PfImage.h"
#include "PfRunLoop.h"
#include "PfSurface.h"
#include "PfUICodes.h"
#include "VaneDemoServer.h"
#include "VaneHost.h"
#include "VanePage.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using Nanos = std::chrono::nanoseconds;

constexpr int kExitExpectation = 1;
constexpr int kExitBadInput = 2;

// Script bounds: times <chrono> adds to a clock without overflow, coordinates the window server's 16-bit points
// hold, and the page reader's rectangles.
constexpr long kMaxMillis = 1'000'000'000;
constexpr long kMaxSeconds = 1'000'000;
constexpr long kMaxCoordinate = 32767;
// The longest a settle waits for a job's message before it looks at its bounds again; the last job ending wakes it
// sooner.
constexpr Nanos kJobPoll = std::chrono::milliseconds(10);

const char* const kHelp =
    "usage: vanehost SCRIPT [--plugin PATH] [--model cocoa|carbon] [--home DIR] [--out DIR] [--legacy]\n"
    "                [--serve DIR]\n"
    "       vanehost PAGE.html [--script FILE] [options as above]\n"
    "\n"
    "Loads the plug-in library, shows one page of embeds and runs the script's lines in order.\n"
    "\n"
    "A page (a first argument ending in .html) gives the page's <embed> elements whose type is text/vanedoc\n"
    "or whose src ends in .vanedoc, every attribute in page order, stacked top to bottom at x = 0 (300 x 150\n"
    "without width or height), each named by its id, else embed1, embed2, ... by page order. Each src is a path\n"
    "relative to the page or an http(s) URL (at most 256 MiB); any other src streams with reason 1 and a line\n"
    "on standard error. Then the script runs: --script FILE, else the page's name with .vhs when there is one;\n"
    "without one the page settles and PAGE.png is written under --out. Each snapshot is printed with the\n"
    "comment lines above it. A page inside a folder whose real path ends in Products/Skyvane/Demo implies\n"
    "--serve of the nearest such folder; a line says what is served, or why nothing is. A run makes at most\n"
    "256 embeds, the page's and the script's together.\n"
    "\n"
    "options:\n"
    "  --plugin PATH          the library (else $SKYVANE_PLUGIN, else the build's libskyvane.so)\n"
    "  --model cocoa|carbon   cocoa (default): layers and Cocoa events; carbon: the browser answers no to\n"
    "                         both models and the plug-in draws into the window's port\n"
    "  --home DIR             HOME, the XDG folders and TMPDIR under DIR\n"
    "  --out DIR              where snapshots go (default: the current folder)\n"
    "  --script FILE          a page's script\n"
    "  --serve DIR            serves DIR (laid out as a data server) on 127.0.0.1 and points\n"
    "                         SKYVANE_SERVER_REGISTRY at it before the library loads\n"
    "  --legacy               the single entry main instead of NP_GetEntryPoints and NP_Initialize; the\n"
    "                         browser answers neither model (Carbon mode) and its entries past ForceRedraw\n"
    "                         are null\n"
    "  --help                 this text\n"
    "\n"
    "script lines (a line starting with # is a comment; values may be double-quoted; paths are relative to the "
    "script):\n"
    "  embed N x=X y=Y w=W h=H [attr=value...]   an embed named N at that rectangle of the page (X, Y from 0\n"
    "                                            to 16384, W, H from 1 to 4096)\n"
    "  stream N FILE [reason=R] [chunk=B]        the file as N's document stream, ended with reason R (0),\n"
    "                                            in writes of at most B bytes\n"
    "  resize N x=X y=Y w=W h=H                  moves or resizes N\n"
    "  destroy N                                 destroys N\n"
    "  run MS                                    advances the clock by MS (at most 10^9), firing timers in\n"
    "                                            order, and pumps; the clock goes at most ten years in all\n"
    "  settle MS [max=S]                         steps the clock by 10 ms until MS pass with no redraw asked,\n"
    "                                            nothing posted and no job of the plug-in's in flight (queued,\n"
    "                                            running, or its result not yet handled); it waits for jobs in\n"
    "                                            real time with the clock held, at most S seconds in all\n"
    "                                            (default 30), then says \"still busy\" (MS at most 10^9, S\n"
    "                                            10^6)\n"
    "  snapshot N|page FILE.png                  writes a fresh snapshot of N or of the whole page to FILE\n"
    "                                            under --out (no absolute path, no .., no link out of it)\n"
    "  expect-pixel N|page X Y #RRGGBB [TOL]     the pixel at X, Y (top-left origin) of a fresh snapshot,\n"
    "                                            within TOL (default 2) on each channel\n"
    "  mouse N down|up|move|drag X Y [button=B] [mods=cmd,ctrl,opt,shift] [clicks=C]\n"
    "                                            X, Y local to N (within +-32767 there and in the window);\n"
    "                                            queued as the window server's own input\n"
    "                                            (which counts clicks), or with button= other than 1 or\n"
    "                                            clicks= sent by the host with the next line; give a click's\n"
    "                                            up the same options\n"
    "                                            Queued input takes no loop time: in Carbon mode follow a move\n"
    "                                            or drag the plug-in should see with run 10 or more\n"
    "  scroll N X Y DY [DX]                      a wheel event ('mous' 11) at X, Y local to N, sent by the host\n"
    "  key N down|up|repeat left|right|up|down [mods=...]   an arrow key record (Carbon mode only)\n"
    "  focus N in|out                            a focus record (Carbon mode only)\n"
    "  menu CODE|N|none                          the next popup's choice: item N (all digits), the first\n"
    "                                            enabled item with the four-character command CODE, or none;\n"
    "                                            put it right after the mouse down that opens the popup\n"
    "  expect-url N URL [TARGET]                 N's last GetURL was URL (with TARGET when given)\n"
    "  expect-url N none                         N asked for no URL since it was made\n"
    "  reload                                    destroys every embed, calls NP_Shutdown, then the entry\n"
    "                                            points again; the library stays loaded\n"
    "  shutdown                                  destroys every embed and calls NP_Shutdown; only expect-\n"
    "                                            lines may follow\n"
    "  expect-file PATH REGEX [wait=S]           the text of the file at PATH (relative to --home, * matching\n"
    "                                            within one name; the temporary folder is tmp/skyvane-<uid>)\n"
    "                                            matches the ECMAScript REGEX within S seconds (default 5,\n"
    "                                            at most 10^6)\n"
    "\n"
    "Input lines queue; every other line first delivers what is queued.\n"
    "\n"
    "exit status: 0 all went well, 1 an expectation failed, 2 a bad script, option or library\n";

struct BadInput
{
    std::string message;
};

std::vector<std::string> Tokens(const std::string& inLine)
{
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < inLine.size())
    {
        while (i < inLine.size() && std::isspace(static_cast<unsigned char>(inLine[i])))
            ++i;
        if (i >= inLine.size() || (tokens.empty() && inLine[i] == '#'))
            break;
        std::string token;
        bool quoted = false;
        while (i < inLine.size() && (quoted || !std::isspace(static_cast<unsigned char>(inLine[i]))))
        {
            if (inLine[i] == '"')
                quoted = !quoted;
            else
                token += inLine[i];
            ++i;
        }
        if (quoted)
            throw BadInput{"an unclosed quote"};
        tokens.push_back(token);
    }
    return tokens;
}

long Number(const std::string& inText, const char* inWhat)
{
    std::size_t used = 0;
    long value = 0;
    try
    {
        value = std::stol(inText, &used, 10);
    }
    catch (...)
    {
        used = 0;
    }
    if (inText.empty() || used != inText.size())
        throw BadInput{std::string("not a number for ") + inWhat + ": \"" + inText + "\""};
    return value;
}

long Number(const std::string& inText, const char* inWhat, long inLow, long inHigh)
{
    const long value = Number(inText, inWhat);
    if (value < inLow || value > inHigh)
        throw BadInput{std::string(inWhat) + (std::string(inWhat).back() == '=' ? "" : " ") + inText +
                       " is not between " + std::to_string(inLow) + " and " + std::to_string(inHigh)};
    return value;
}

// name=value pairs after the fixed words; the named ones are taken out.
struct Pairs
{
    std::vector<std::pair<std::string, std::string>> items;

    explicit Pairs(const std::vector<std::string>& inTokens, std::size_t inFirst)
    {
        for (std::size_t i = inFirst; i < inTokens.size(); ++i)
        {
            const std::size_t equals = inTokens[i].find('=');
            if (equals == std::string::npos || equals == 0)
                throw BadInput{"expected name=value, not \"" + inTokens[i] + "\""};
            items.emplace_back(inTokens[i].substr(0, equals), inTokens[i].substr(equals + 1));
        }
    }
    std::optional<std::string> Take(const std::string& inName)
    {
        for (auto it = items.begin(); it != items.end(); ++it)
            if (it->first == inName)
            {
                std::string value = it->second;
                items.erase(it);
                return value;
            }
        return std::nullopt;
    }
    long TakeNumber(const std::string& inName, long inLow, long inHigh)
    {
        const std::optional<std::string> value = Take(inName);
        if (!value)
            throw BadInput{"missing " + inName + "="};
        return Number(*value, (inName + "=").c_str(), inLow, inHigh);
    }
};

class Runner
{
public:
    using Shutdown = std::function<NPError()>;

    Runner(const NPPluginFuncs& inFuncs, Shutdown inShutdown, bool inCocoa, fs::path inBase, fs::path inOut,
           fs::path inHome)
        : mFuncs(inFuncs), mShutdown(inShutdown), mHost(inFuncs), mCocoa(inCocoa), mBase(std::move(inBase)),
          mOut(std::move(inOut)), mHome(std::move(inHome))
    {
        const VaneAnswer answer = inCocoa ? VaneAnswer::kTrue : VaneAnswer::kFalse;
        mHost.SetSupport(answer, answer);
    }

    VaneHost& Host() { return mHost; }
    void SetPluginFuncs(const NPPluginFuncs& inFuncs)
    {
        mFuncs = inFuncs;
        mHost.SetPluginFuncs(inFuncs);
    }
    // Starts the plug-in again after a reload: its entry points, answering whether it started.
    void SetStart(std::function<bool()> inStart) { mStart = std::move(inStart); }
    // Whether a shutdown line called NP_Shutdown already.
    bool ShutDown() const { return mShutDown; }

    void Line(const std::vector<std::string>& inTokens)
    {
        const std::string& verb = inTokens[0];
        if (mShutDown && verb.rfind("expect-", 0) != 0)
            throw BadInput{"only expectations may follow shutdown, not \"" + verb + "\""};
        // Queued input goes first, except before more input.
        if (verb != "mouse" && verb != "menu")
            Deliver();
        if (verb == "embed")
            Embed(inTokens);
        else if (verb == "stream")
            Stream(inTokens);
        else if (verb == "resize")
            Resize(inTokens);
        else if (verb == "destroy")
            Destroy(inTokens);
        else if (verb == "run")
            Run(inTokens);
        else if (verb == "settle")
            Settle(inTokens);
        else if (verb == "snapshot")
            Snapshot(inTokens);
        else if (verb == "expect-pixel")
            ExpectPixel(inTokens);
        else if (verb == "mouse")
            Mouse(inTokens);
        else if (verb == "menu")
            Menu(inTokens);
        else if (verb == "scroll")
            Scroll(inTokens);
        else if (verb == "key")
            Key(inTokens);
        else if (verb == "focus")
            Focus(inTokens);
        else if (verb == "expect-url")
            ExpectUrl(inTokens);
        else if (verb == "expect-file")
            ExpectFile(inTokens);
        else if (verb == "shutdown")
            ShutDownPlugin(inTokens);
        else if (verb == "reload")
            Reload(inTokens);
        else
            throw BadInput{"unknown line \"" + verb + "\""};
    }

    // Redraws what asked for it: update events in Carbon mode, the layers in Cocoa mode. Answers whether any
    // redraw was asked.
    bool Redraw()
    {
        const bool asked = mHost.Invalidations().size() != mSeenInvalidations;
        mSeenInvalidations = mHost.Invalidations().size();
        if (asked && !mCocoa)
            for (auto& [name, embed] : mEmbeds)
            {
                pf::EventRecord update = VaneHost::MakeRecord(pf::kUpdateEvent);
                mHost.HandleEvent(embed.npp, &update);
            }
        mHost.DisplayLayers(std::chrono::duration<double>(pf::MainLoop().Now()).count());
        return asked;
    }

    // Redraws one embed, as a page loads: the invalidations stay unseen for the next full redraw, which the
    // others may need.
    void RedrawOne(NPP inInstance)
    {
        if (!mCocoa && mHost.Invalidations().size() != mSeenInvalidations)
        {
            pf::EventRecord update = VaneHost::MakeRecord(pf::kUpdateEvent);
            mHost.HandleEvent(inInstance, &update);
        }
        mHost.DisplayLayers(std::chrono::duration<double>(pf::MainLoop().Now()).count(), inInstance);
    }

    // Sends a held mouse event, then delivers what is queued.
    void Deliver()
    {
        if (mHeld)
        {
            const HeldMouse held = *mHeld;
            mHeld.reset();
            mHost.SendMouse(held.kind, held.content, held.button, held.modifiers, held.clicks);
        }
        Pump();
    }

    // Delivers what is queued; answers whether anything was.
    bool Pump()
    {
        bool any = false;
        while (pf::MainLoop().RunOnce(Nanos(0)))
            any = true;
        return any;
    }

private:
    struct Embedded
    {
        NPP npp = nullptr;
        pf::Rect rect;
    };

    static void Expect(const std::vector<std::string>& inTokens, std::size_t inMin, std::size_t inMax)
    {
        if (inTokens.size() < inMin || inTokens.size() > inMax)
            throw BadInput{"wrong number of words for " + inTokens[0]};
    }
    Embedded& Find(const std::string& inName)
    {
        auto found = mEmbeds.find(inName);
        if (found == mEmbeds.end())
            throw BadInput{"no embed named \"" + inName + "\""};
        return found->second;
    }
    // The page reader's bounds: sides up to the largest embed, the origin within the tallest page.
    static pf::Rect RectOf(Pairs& ioPairs)
    {
        pf::Rect rect;
        rect.x = double(ioPairs.TakeNumber("x", 0, kVanePageMaxHeight));
        rect.y = double(ioPairs.TakeNumber("y", 0, kVanePageMaxHeight));
        rect.w = double(ioPairs.TakeNumber("w", 1, kVanePageMaxSide));
        rect.h = double(ioPairs.TakeNumber("h", 1, kVanePageMaxSide));
        return rect;
    }
    // A point local to the embed, within the window server's 16-bit coordinates where it lands.
    static pf::Point PointIn(const Embedded& inEmbed, const std::string& inX, const std::string& inY)
    {
        const pf::Point content{inEmbed.rect.x + double(Number(inX, "X", -kMaxCoordinate, kMaxCoordinate)),
                                inEmbed.rect.y + double(Number(inY, "Y", -kMaxCoordinate, kMaxCoordinate))};
        const pf::Point global = VaneHost::Global(content);
        if (std::abs(global.x) > double(kMaxCoordinate) || std::abs(global.y) > double(kMaxCoordinate))
            throw BadInput{"the point " + inX + " " + inY + " lies beyond the window's " +
                           std::to_string(kMaxCoordinate) + " px"};
        return content;
    }

    void Embed(const std::vector<std::string>& inTokens)
    {
        Expect(inTokens, 6, 1000);
        if (mEmbeds.count(inTokens[1]) != 0)
            throw BadInput{"embed \"" + inTokens[1] + "\" exists already"};
        Pairs pairs(inTokens, 2);
        const pf::Rect rect = RectOf(pairs);
        AddEmbed(inTokens[1], rect, pairs.items);
    }

    void Stream(const std::vector<std::string>& inTokens)
    {
        Expect(inTokens, 3, 5);
        Find(inTokens[1]);
        Pairs pairs(inTokens, 3);
        const std::optional<std::string> reason = pairs.Take("reason");
        const std::optional<std::string> chunk = pairs.Take("chunk");
        if (!pairs.items.empty())
            throw BadInput{"unknown stream option \"" + pairs.items[0].first + "\""};
        const long reasonValue = reason ? Number(*reason, "reason") : NPRES_DONE;
        const long chunkValue = chunk ? Number(*chunk, "chunk") : 1L << 30;
        if (chunkValue <= 0 || reasonValue < 0 || reasonValue > 0xFFFF)
            throw BadInput{"reason or chunk out of range"};
        const fs::path path = mBase / inTokens[2];
        std::ifstream in(path, std::ios::binary);
        if (!in)
            throw BadInput{"cannot read " + path.string()};
        std::stringstream buffer;
        buffer << in.rdbuf();
        const std::string data = buffer.str();

        StreamData(inTokens[1], "file://" + fs::absolute(path).string(), data, NPReason(reasonValue),
                   std::size_t(chunkValue));
    }

public:
    // An embed named inName at that rectangle of the page, given the attributes in order; a page's load redraws
    // the new embed only (inLoading).
    void AddEmbed(const std::string& inName, const pf::Rect& inRect,
                  const std::vector<std::pair<std::string, std::string>>& inAttributes, bool inLoading = false)
    {
        if (mEmbeds.count(inName) != 0)
            throw BadInput{"embed \"" + inName + "\" exists already"};
        // Every instance keeps its drawing until the run ends, destroyed or not.
        if (mMade >= kVanePageMaxEmbeds)
            throw BadInput{"more than " + std::to_string(kVanePageMaxEmbeds) + " embeds in one run"};
        NPP npp = mHost.New(inAttributes);
        if (npp == nullptr)
            throw BadInput{"the plug-in refused embed \"" + inName + "\""};
        ++mMade;
        mEmbeds[inName] = Embedded{npp, inRect};
        mHost.SetWindow(npp, inRect);
        Pump();
        if (inLoading)
            RedrawOne(npp);
        else
            Redraw();
    }

    // The data as the embed's document stream called inUrl, in writes of at most inChunk bytes, ended with the
    // reason.
    void StreamData(const std::string& inName, const std::string& inUrl, const std::string& inData, NPReason inReason,
                    std::size_t inChunk = std::size_t(1) << 30, bool inLoading = false)
    {
        Embedded& embed = Find(inName);
        const std::string& url = inUrl;
        const std::string& data = inData;
        NPStream stream{};
        stream.url = url.c_str();
        stream.end = uint32_t(data.size());
        char mime[] = "application/x-vanedoc";
        uint16_t type = NP_NORMAL;
        if (mFuncs.newstream == nullptr || mFuncs.newstream(embed.npp, mime, &stream, 0, &type) != NPERR_NO_ERROR)
        {
            std::cerr << "vanehost: the plug-in refused the stream of " << inName << "\n";
            return;
        }
        std::size_t at = 0;
        while (at < data.size())
        {
            int32_t ready = mFuncs.writeready(embed.npp, &stream);
            if (ready <= 0)
                break;
            const std::size_t length = std::min({std::size_t(ready), inChunk, data.size() - at});
            const int32_t taken =
                mFuncs.write(embed.npp, &stream, int32_t(at), int32_t(length), const_cast<char*>(data.data() + at));
            if (taken <= 0)
                break;
            at += std::size_t(taken);
        }
        mFuncs.destroystream(embed.npp, &stream, inReason);
        Pump();
        if (inLoading)
            RedrawOne(embed.npp);
        else
            Redraw();
    }

    const fs::path& Out() const { return mOut; }

private:
    void Resize(const std::vector<std::string>& inTokens)
    {
        Expect(inTokens, 6, 6);
        Embedded& embed = Find(inTokens[1]);
        Pairs pairs(inTokens, 2);
        embed.rect = RectOf(pairs);
        mHost.SetWindow(embed.npp, embed.rect);
        Pump();
        Redraw();
    }

    void Destroy(const std::vector<std::string>& inTokens)
    {
        Expect(inTokens, 2, 2);
        Embedded& embed = Find(inTokens[1]);
        mHost.Destroy(embed.npp);
        mEmbeds.erase(inTokens[1]);
        Pump();
    }

    void Run(const std::vector<std::string>& inTokens)
    {
        Expect(inTokens, 2, 2);
        const long ms = Number(inTokens[1], "run", 0, kMaxMillis);
        Advance(std::chrono::milliseconds(ms), inTokens);
        Pump();
        Redraw();
    }

    // The plug-in's dates follow the clock: each line is bounded, and so is the sum, within the loop's longest.
    static void Advance(Nanos inDelta, const std::vector<std::string>& inTokens)
    {
        if (pf::MainLoop().Now() > pf::RunLoop::kLongest - inDelta)
            throw BadInput{
                inTokens[0] + " " + inTokens[1] + " would take the clock past ten years (" +
                std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(pf::RunLoop::kLongest).count()) +
                " ms in all)"};
        pf::MainLoop().Advance(inDelta);
    }

    void Settle(const std::vector<std::string>& inTokens)
    {
        Expect(inTokens, 2, 3);
        const long ms = Number(inTokens[1], "settle", 0, kMaxMillis);
        long maxSeconds = 30;
        if (inTokens.size() == 3)
        {
            Pairs pairs(inTokens, 2);
            maxSeconds = pairs.TakeNumber("max", 0, kMaxSeconds);
            if (!pairs.items.empty())
                throw BadInput{"unknown settle option \"" + pairs.items[0].first + "\""};
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(maxSeconds);
        long quiet = 0;
        while (quiet < ms)
        {
            const auto now = std::chrono::steady_clock::now();
            if (now > deadline)
            {
                std::cerr << "vanehost: still busy after " << maxSeconds << " s of settling\n";
                return;
            }
            // The plug-in's jobs take real time, not the script's: their results are waited for with the clock
            // held, so a loaded machine changes neither what a snapshot shows nor the dates the plug-in sees.
            if (pf::MainLoop().CountWorkInFlight() > 0)
            {
                pf::MainLoop().RunOnce(std::min<Nanos>(deadline - now, kJobPoll));
                Pump();
                Redraw();
                quiet = 0;
                continue;
            }
            Advance(std::chrono::milliseconds(10), inTokens);
            bool busy = Pump();
            // Job threads post in real time: give them a moment when nothing else moved.
            if (!busy)
                busy = pf::MainLoop().RunOnce(std::chrono::milliseconds(1));
            busy = Redraw() || busy;
            quiet = busy ? 0 : quiet + 10;
        }
    }

    // The page's pixels, or the embed's, after what waits to be drawn.
    pf::Snapshot Fresh(const std::string& inWhich, pf::Rect& outArea)
    {
        Pump();
        Redraw();
        pf::Snapshot page = pf::TakeSnapshot(mHost.Window());
        outArea = pf::Rect{0, 0, double(page.width), double(page.height)};
        if (inWhich != "page")
            outArea = Find(inWhich).rect;
        return page;
    }

    void Snapshot(const std::vector<std::string>& inTokens)
    {
        Expect(inTokens, 3, 3);
        const fs::path name(inTokens[2]);
        if (name.empty() || name.is_absolute() || std::find(name.begin(), name.end(), "..") != name.end())
            throw BadInput{"snapshot takes a file inside --out, not \"" + inTokens[2] + "\""};
        const fs::path path = mOut / inTokens[2];
        const OpenFolder folder = OpenInsideOut(name, inTokens[2]);
        pf::Rect area;
        const pf::Snapshot page = Fresh(inTokens[1], area);
        const int left = int(area.x);
        const int top = int(area.y);
        const int width = int(area.w);
        const int height = int(area.h);
        std::vector<std::uint8_t> pixels(std::size_t(width) * std::size_t(height) * 4, 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
            {
                const std::uint32_t p = page.Pixel(left + x, top + y);
                std::uint8_t* out = &pixels[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4];
                out[0] = std::uint8_t(p >> 24);
                out[1] = std::uint8_t(p >> 16);
                out[2] = std::uint8_t(p >> 8);
                out[3] = std::uint8_t(p);
            }
        const pf::Image image = pf::Image::FromRgba(pixels.data(), width, height, std::size_t(width) * 4);
        std::string error;
        // Through the folder checked, never its path again: a folder or link swapped in meanwhile is not written.
        if (!pf::WritePngFile(image, folder.mFile, name.filename().string(), error))
            throw BadInput{"cannot write " + path.string() + ": " + error};
    }

    struct OpenFolder
    {
        explicit OpenFolder(int inFile) : mFile(inFile) {}
        OpenFolder(OpenFolder&& ioOther) noexcept : mFile(std::exchange(ioOther.mFile, -1)) {}
        ~OpenFolder()
        {
            if (mFile >= 0)
                close(mFile);
        }
        OpenFolder(const OpenFolder&) = delete;
        OpenFolder& operator=(const OpenFolder&) = delete;
        OpenFolder& operator=(OpenFolder&&) = delete;
        int mFile;
    };

    // The name's folder, open, once its real path is known to lie in the real --out (the folder opened is the one
    // checked), and the name is no link: a link in --out leads nowhere else.
    OpenFolder OpenInsideOut(const fs::path& inName, const std::string& inText) const
    {
        const fs::path named = mOut / inName.parent_path();
        OpenFolder folder(open(named.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder.mFile < 0)
            throw BadInput{"cannot write " + (mOut / inName).string() + ": " + std::strerror(errno)};
        std::error_code error;
        const fs::path out = fs::canonical(mOut, error);
        const fs::path real = error ? fs::path() : fs::canonical(named, error);
        struct stat opened
        {
        };
        struct stat found
        {
        };
        const bool same = !error && fstat(folder.mFile, &opened) == 0 && stat(real.c_str(), &found) == 0 &&
                          opened.st_dev == found.st_dev && opened.st_ino == found.st_ino;
        const fs::path within = same ? real.lexically_relative(out) : fs::path();
        if (within.empty() || *within.begin() == "..")
            throw BadInput{"snapshot takes a file inside --out, not \"" + inText + "\" (in " +
                           (same ? real.string() : "a folder that moved") + ")"};
        struct stat link
        {
        };
        if (fstatat(folder.mFile, inName.filename().c_str(), &link, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(link.st_mode))
            throw BadInput{"snapshot takes a file inside --out, not \"" + inText + "\" (a link)"};
        return folder;
    }

    void ExpectPixel(const std::vector<std::string>& inTokens)
    {
        Expect(inTokens, 5, 6);
        const long x = Number(inTokens[2], "X");
        const long y = Number(inTokens[3], "Y");
        const std::string& colour = inTokens[4];
        if (colour.size() != 7 || colour[0] != '#' ||
            colour.find_first_not_of("0123456789abcdefABCDEF", 1) != std::string::npos)
            throw BadInput{"expected #RRGGBB, not \"" + colour + "\""};
        const long tolerance = inTokens.size() == 6 ? Number(inTokens[5], "TOL") : 2;
        if (tolerance < 0)
            throw BadInput{"a negative tolerance"};
        const std::uint32_t wanted = std::uint32_t(std::stoul(colour.substr(1), nullptr, 16));
        pf::Rect area;
        const pf::Snapshot page = Fresh(inTokens[1], area);
        if (x < 0 || y < 0 || x >= long(area.w) || y >= long(area.h))
            throw BadInput{"the point lies outside " + inTokens[1]};
        const std::uint32_t got = page.Pixel(int(area.x) + int(x), int(area.y) + int(y)) >> 8;
        for (int shift = 0; shift < 24; shift += 8)
        {
            const long a = long((got >> shift) & 0xFF);
            const long b = long((wanted >> shift) & 0xFF);
            if (std::labs(a - b) > tolerance)
            {
                char text[8];
                std::snprintf(text, sizeof text, "#%06X", got);
                throw std::runtime_error("expected " + colour + " at " + inTokens[1] + " " + inTokens[2] + " " +
                                         inTokens[3] + ", found " + text);
            }
        }
    }

    // Destroys every embed and calls NP_Shutdown; the embeds stay known to expectations.
    void ShutDownPlugin(const std::vector<std::string>& inTokens)
    {
        Expect(inTokens, 1, 1);
        for (auto& [name, embed] : mEmbeds)
            mHost.Destroy(embed.npp);
        Pump();
        mShutDown = true;
        if (mShutdown() != NPERR_NO_ERROR)
            throw std::runtime_error("NP_Shutdown failed");
    }

    // Shuts the plug-in down and starts it again through its entry points, the library staying loaded.
    void Reload(const std::vector<std::string>& inTokens)
    {
        ShutDownPlugin(inTokens);
        mEmbeds.clear();
        if (!mStart || !mStart())
            throw BadInput{"the plug-in did not start again"};
        mShutDown = false;
    }

    static std::uint32_t Modifiers(const std::string& inList)
    {
        std::uint32_t modifiers = 0;
        std::stringstream names(inList);
        for (std::string name; std::getline(names, name, ',');)
        {
            if (name == "cmd")
                modifiers |= pf::kCmdKey;
            else if (name == "ctrl")
                modifiers |= pf::kControlKey;
            else if (name == "opt")
                modifiers |= pf::kOptionKey;
            else if (name == "shift")
                modifiers |= pf::kShiftKey;
            else
                throw BadInput{"unknown modifier \"" + name + "\" (cmd, ctrl, opt, shift)"};
        }
        return modifiers;
    }

    void Mouse(const std::vector<std::string>& inTokens)
    {
        Expect(inTokens, 5, 8);
        const Embedded& embed = Find(inTokens[1]);
        const std::string& action = inTokens[2];
        const pf::Point content = PointIn(embed, inTokens[3], inTokens[4]);
        Pairs pairs(inTokens, 5);
        const std::optional<std::string> buttonText = pairs.Take("button");
        const std::optional<std::string> modsText = pairs.Take("mods");
        const std::optional<std::string> clicksText = pairs.Take("clicks");
        if (!pairs.items.empty())
            throw BadInput{"unknown mouse option \"" + pairs.items[0].first + "\""};
        const long button = buttonText ? Number(*buttonText, "button") : 1;
        const long clicks = clicksText ? Number(*clicksText, "clicks") : 1;
        if (button < 1 || button > 32 || clicks < 1 || clicks > 1000)
            throw BadInput{"button or clicks out of range"};
        const std::uint32_t modifiers = modsText ? Modifiers(*modsText) : 0;
        if (action != "down" && action != "up" && action != "move" && action != "drag")
            throw BadInput{"mouse actions are down, up, move or drag, not \"" + action + "\""};
        Deliver();
        if (button != 1 || clicksText)
        {
            // Held until the next line, so a menu line after it is queued before the popup opens.
            const std::uint32_t kind = action == "down"   ? pf::kMouseDown
                                       : action == "up"   ? pf::kMouseUp
                                       : action == "move" ? pf::kMouseMoved
                                                          : pf::kMouseDragged;
            mHeld = HeldMouse{kind, content, std::uint16_t(button), modifiers, std::uint32_t(clicks)};
            return;
        }
        const pf::Point global = VaneHost::Global(content);
        if (action == "down")
            pf::PushScript(pf::script::Down(global.x, global.y, modifiers));
        else if (modsText && modifiers != 0)
            throw BadInput{"mods= on a queued " + action + " (only down carries them)"};
        else if (action == "up")
            pf::PushScript(pf::script::Up(global.x, global.y));
        else if (action == "move")
            pf::PushScript(pf::script::Move(global.x, global.y));
        else
            pf::PushScript(pf::script::Drag(global.x, global.y));
    }

    void Scroll(const std::vector<std::string>& inTokens)
    {
        Expect(inTokens, 5, 6);
        const Embedded& embed = Find(inTokens[1]);
        const pf::Point content = PointIn(embed, inTokens[2], inTokens[3]);
        const long dy = Number(inTokens[4], "DY");
        const long dx = inTokens.size() == 6 ? Number(inTokens[5], "DX") : 0;
        if (std::labs(dy) > 1000000 || std::labs(dx) > 1000000)
            throw BadInput{"a wheel delta out of range"};
        mHost.SendWheel(content, std::int32_t(dy), std::int32_t(dx));
        Pump();
    }

    // Records only: the Cocoa event model drops them.
    NPP CarbonEmbed(const std::vector<std::string>& inTokens)
    {
        if (mCocoa)
            throw BadInput{inTokens[0] + " lines need --model carbon"};
        return Find(inTokens[1]).npp;
    }

    void Key(const std::vector<std::string>& inTokens)
    {
        Expect(inTokens, 4, 5);
        NPP npp = CarbonEmbed(inTokens);
        const std::string& action = inTokens[2];
        const std::string& name = inTokens[3];
        const std::uint16_t what = action == "down"     ? pf::kKeyDownEvent
                                   : action == "up"     ? pf::kKeyUpEvent
                                   : action == "repeat" ? pf::kAutoKeyEvent
                                                        : 0;
        if (what == 0)
            throw BadInput{"key actions are down, up or repeat, not \"" + action + "\""};
        // Virtual key codes 123-126 and character codes 28-31, in the order left, right, down, up.
        const char* const names[] = {"left", "right", "down", "up"};
        const std::uint32_t codes[][2] = {{123, 28}, {124, 29}, {125, 31}, {126, 30}};
        std::optional<std::uint32_t> message;
        for (std::size_t i = 0; i < 4; ++i)
            if (name == names[i])
                message = codes[i][0] << 8 | codes[i][1];
        if (!message)
            throw BadInput{"keys are left, right, up or down, not \"" + name + "\""};
        std::uint32_t modifiers = 0;
        if (inTokens.size() == 5)
        {
            Pairs pairs(inTokens, 4);
            const std::optional<std::string> mods = pairs.Take("mods");
            if (!mods || !pairs.items.empty())
                throw BadInput{"key takes mods= only"};
            modifiers = Modifiers(*mods);
        }
        pf::EventRecord record = VaneHost::MakeRecord(what, {}, std::uint16_t(modifiers), *message);
        mHost.HandleEvent(npp, &record);
        Pump();
    }

    void Focus(const std::vector<std::string>& inTokens)
    {
        Expect(inTokens, 3, 3);
        NPP npp = CarbonEmbed(inTokens);
        if (inTokens[2] != "in" && inTokens[2] != "out")
            throw BadInput{"focus is in or out, not \"" + inTokens[2] + "\""};
        pf::EventRecord record = VaneHost::MakeRecord(inTokens[2] == "in" ? pf::kGetFocusEvent : pf::kLoseFocusEvent);
        mHost.HandleEvent(npp, &record);
        Pump();
    }

    static void Menu(const std::vector<std::string>& inTokens)
    {
        Expect(inTokens, 2, 2);
        const std::string& choice = inTokens[1];
        if (choice == "none")
            pf::PushScript(pf::script::Choose(0));
        else if (choice.find_first_not_of("0123456789") == std::string::npos)
            pf::PushScript(pf::script::Choose(std::int32_t(Number(choice, "menu"))));
        else if (choice.size() == 4 &&
                 std::all_of(choice.begin(), choice.end(), [](char c) { return c >= 0x20 && c < 0x7F; }))
            pf::PushScript(pf::script::Command(std::uint32_t(std::uint8_t(choice[0])) << 24 |
                                               std::uint32_t(std::uint8_t(choice[1])) << 16 |
                                               std::uint32_t(std::uint8_t(choice[2])) << 8 | std::uint8_t(choice[3])));
        else
            throw BadInput{"menu takes an item number, a four-character code or none, not \"" + choice + "\""};
    }

    void ExpectUrl(const std::vector<std::string>& inTokens)
    {
        Expect(inTokens, 3, 4);
        const Embedded& embed = Find(inTokens[1]);
        const std::pair<std::string, std::string>* last = mHost.LastGetUrl(embed.npp);
        if (inTokens[2] == "none" && inTokens.size() == 3)
        {
            if (last != nullptr)
                throw std::runtime_error("expected no URL from " + inTokens[1] + ", found " + last->first);
            return;
        }
        if (last == nullptr)
            throw std::runtime_error("expected " + inTokens[2] + " from " + inTokens[1] + ", found none");
        if (last->first != inTokens[2] || (inTokens.size() == 4 && last->second != inTokens[3]))
            throw std::runtime_error("expected " + inTokens[2] + (inTokens.size() == 4 ? " " + inTokens[3] : "") +
                                     " from " + inTokens[1] + ", found " + last->first + " " + last->second);
    }

    // The files under the home that PATH names, '*' matching within one name.
    std::vector<fs::path> Matching(const std::string& inPattern) const
    {
        std::vector<fs::path> found{mHome};
        std::stringstream parts(inPattern);
        for (std::string part; std::getline(parts, part, '/');)
        {
            if (part.empty() || part == ".")
                continue;
            std::string expression;
            for (char c : part)
                expression += c == '*'                                                     ? std::string("[^/]*")
                              : std::string(".^$|()[]{}+?\\").find(c) != std::string::npos ? std::string("\\") + c
                                                                                           : std::string(1, c);
            const std::regex name(expression);
            std::vector<fs::path> next;
            for (const fs::path& folder : found)
            {
                std::error_code error;
                if (part.find('*') == std::string::npos)
                {
                    if (fs::exists(folder / part, error))
                        next.push_back(folder / part);
                    continue;
                }
                for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
                    if (std::regex_match(it->path().filename().string(), name))
                        next.push_back(it->path());
            }
            found = std::move(next);
        }
        return found;
    }

    void ExpectFile(const std::vector<std::string>& inTokens)
    {
        Expect(inTokens, 3, 4);
        if (mHome.empty())
            throw BadInput{"expect-file needs --home"};
        if (inTokens[1].empty() || inTokens[1][0] == '/' || inTokens[1].find("..") != std::string::npos)
            throw BadInput{"expect-file takes a path inside the home, not \"" + inTokens[1] + "\""};
        std::regex pattern;
        try
        {
            pattern = std::regex(inTokens[2], std::regex::ECMAScript);
        }
        catch (const std::regex_error& inError)
        {
            throw BadInput{"a bad expression \"" + inTokens[2] + "\": " + inError.what()};
        }
        long seconds = 5;
        if (inTokens.size() == 4)
        {
            Pairs pairs(inTokens, 3);
            const std::optional<std::string> wait = pairs.Take("wait");
            if (!wait || !pairs.items.empty())
                throw BadInput{"expect-file takes wait=S"};
            seconds = Number(*wait, "wait=", 0, kMaxSeconds);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        for (;;)
        {
            for (const fs::path& path : Matching(inTokens[1]))
            {
                std::ifstream in(path, std::ios::binary);
                std::stringstream text;
                text << in.rdbuf();
                if (in && std::regex_search(text.str(), pattern))
                    return;
            }
            if (std::chrono::steady_clock::now() >= deadline)
                throw std::runtime_error("no file " + inTokens[1] + " matching " + inTokens[2]);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            Pump();
        }
    }

    NPPluginFuncs mFuncs;
    Shutdown mShutdown;
    std::function<bool()> mStart;
    bool mShutDown = false;
    VaneHost mHost;
    bool mCocoa;
    fs::path mBase;
    fs::path mOut;
    fs::path mHome;
    struct HeldMouse
    {
        std::uint32_t kind;
        pf::Point content;
        std::uint16_t button;
        std::uint32_t modifiers;
        std::uint32_t clicks;
    };
    std::optional<HeldMouse> mHeld;
    std::map<std::string, Embedded> mEmbeds;
    std::size_t mMade = 0;
    std::size_t mSeenInvalidations = 0;
};

int RunScript(Runner& ioRunner, const std::vector<std::string>& inLines, const std::string& inName)
{
    int status = 0;
    // The comment lines right above a snapshot say what it shows.
    std::string comment;
    for (std::size_t i = 0; i < inLines.size(); ++i)
    {
        const std::string where = inName + ":" + std::to_string(i + 1) + ": ";
        try
        {
            const std::size_t first = inLines[i].find_first_not_of(" \t");
            if (first != std::string::npos && inLines[i][first] == '#')
            {
                const std::size_t text = inLines[i].find_first_not_of(" \t#", first);
                if (text != std::string::npos)
                    comment += (comment.empty() ? "" : " ") + inLines[i].substr(text);
                continue;
            }
            const std::vector<std::string> tokens = Tokens(inLines[i]);
            if (tokens.empty())
            {
                comment.clear();
                continue;
            }
            const std::string shows = std::move(comment);
            comment.clear();
            ioRunner.Line(tokens);
            if (tokens[0] == "snapshot" && tokens.size() == 3)
                std::cout << fs::absolute(ioRunner.Out() / tokens[2]).lexically_normal().string()
                          << (shows.empty() ? "" : ": " + shows) << std::endl;
        }
        catch (const BadInput& inBad)
        {
            std::cerr << where << inBad.message << "\n";
            return kExitBadInput;
        }
        catch (const std::runtime_error& inFailure)
        {
            std::cerr << where << inFailure.what() << "\n";
            status = kExitExpectation;
        }
    }
    return status;
}

// The page's embeds, made in page order, then each src streamed to its embed: a src that cannot be had streams
// nothing with reason 1, as a browser's failed request does.
void OpenPage(Runner& ioRunner, const VanePage& inPage, const fs::path& inBase)
{
    if (!inPage.embeds.empty())
        ioRunner.Host().SetContentSize(double(inPage.width), double(inPage.height));
    for (const VanePageEmbed& embed : inPage.embeds)
        ioRunner.AddEmbed(embed.name,
                          pf::Rect{double(embed.x), double(embed.y), double(embed.width), double(embed.height)},
                          embed.attributes, true);
    for (const VanePageEmbed& embed : inPage.embeds)
    {
        std::string url;
        std::string data;
        std::string why;
        const std::size_t whole = std::size_t(1) << 30;
        if (VaneGetSource(embed.src, inBase.string(), url, data, why))
            ioRunner.StreamData(embed.name, url, data, NPRES_DONE, whole, true);
        else
        {
            std::cerr << "vanehost: the src \"" << embed.src << "\" of " << embed.name << ": " << why << std::endl;
            ioRunner.StreamData(embed.name, url, std::string(), NPRES_NETWORK_ERR, whole, true);
        }
    }
    // What the others asked for while their neighbours loaded.
    ioRunner.Redraw();
}

bool EndsWith(const std::string& inText, const std::string& inEnd)
{
    return inText.size() >= inEnd.size() && inText.compare(inText.size() - inEnd.size(), inEnd.size(), inEnd) == 0;
}

// The nearest folder above the page's real path whose path ends in Products/Skyvane/Demo: the demo data of
// whichever checkout the page is in. Empty, with the reason, when there is none.
fs::path DemoFolderAbove(const fs::path& inPage, std::string& outWhy)
{
    std::error_code error;
    const fs::path real = fs::canonical(inPage, error);
    if (error)
    {
        outWhy = "cannot resolve " + inPage.string() + ": " + error.message();
        return {};
    }
    for (fs::path folder = real.parent_path(); folder.has_relative_path(); folder = folder.parent_path())
    {
        const fs::path product = folder.parent_path();
        if (folder.filename() == "Demo" && product.filename() == "Skyvane" &&
            product.parent_path().filename() == "Products")
            return folder;
    }
    outWhy = "no Products/Skyvane/Demo folder holds " + real.string();
    return {};
}

void SetHome(const fs::path& inHome)
{
    const std::pair<const char*, const char*> folders[] = {
        {"XDG_CONFIG_HOME", ".config"},     {"XDG_DATA_HOME", ".local/share"}, {"XDG_CACHE_HOME", ".cache"},
        {"XDG_STATE_HOME", ".local/state"}, {"XDG_RUNTIME_DIR", "run"},        {"TMPDIR", "tmp"},
    };
    fs::create_directories(inHome);
    const fs::path home = fs::absolute(inHome);
    setenv("HOME", home.c_str(), 1);
    for (const auto& [name, sub] : folders)
    {
        fs::create_directories(home / sub);
        setenv(name, (home / sub).c_str(), 1);
    }
}

} // namespace

#if defined(__SANITIZE_ADDRESS__)
#define VANEHOST_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
#define VANEHOST_LEAK_CHECKED 1
#endif
#endif
#ifdef VANEHOST_LEAK_CHECKED
// Mesa's driver keeps a few allocations for the life of the process. The plug-in says so too, but its export map
// hides that from the leak checker, which asks the program.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:swrast_dri.so\nleak:libEGL_mesa.so\nleak:libglapi.so\nleak:libGLX_mesa.so\n";
}
#endif

int main(int argc, char** argv)
{
    std::string scriptPath;
    std::string plugin;
    std::string model = "cocoa";
    bool modelGiven = false;
    bool legacy = false;
    std::optional<std::string> home;
    std::string out = ".";
    std::string scriptOption;
    std::string serve;
    // Why a page runs without a data server, said on standard output as the server's address would be.
    std::string noServer;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string
        {
            if (i + 1 >= argc)
            {
                std::cerr << "vanehost: " << arg << " needs a value\n";
                std::exit(kExitBadInput);
            }
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h")
        {
            std::cout << kHelp;
            return 0;
        }
        if (arg == "--plugin")
            plugin = value();
        else if (arg == "--model")
        {
            model = value();
            modelGiven = true;
        }
        else if (arg == "--legacy")
            legacy = true;
        else if (arg == "--home")
            home = value();
        else if (arg == "--out")
            out = value();
        else if (arg == "--script")
            scriptOption = value();
        else if (arg == "--serve")
            serve = value();
        else if (arg.rfind("--", 0) == 0 || !scriptPath.empty())
        {
            std::cerr << "vanehost: unknown argument \"" << arg << "\" (see --help)\n";
            return kExitBadInput;
        }
        else
            scriptPath = arg;
    }
    if (scriptPath.empty())
    {
        std::cerr << "vanehost: no script (see --help)\n";
        return kExitBadInput;
    }
    if (model != "cocoa" && model != "carbon")
    {
        std::cerr << "vanehost: --model is cocoa or carbon, not \"" << model << "\"\n";
        return kExitBadInput;
    }
    if (legacy && modelGiven && model == "cocoa")
    {
        std::cerr << "vanehost: --legacy runs in Carbon mode only\n";
        return kExitBadInput;
    }
    if (legacy)
        model = "carbon";
    // A page: its embeds first, then its script.
    std::optional<VanePage> page;
    fs::path pagePath;
    if (EndsWith(scriptPath, ".html"))
    {
        pagePath = fs::absolute(scriptPath);
        std::ifstream pageFile(pagePath, std::ios::binary);
        std::stringstream text;
        text << pageFile.rdbuf();
        if (!pageFile)
        {
            std::cerr << "vanehost: cannot read " << scriptPath << "\n";
            return kExitBadInput;
        }
        std::string error;
        page.emplace();
        if (!VaneReadPage(text.str(), *page, error))
        {
            std::cerr << "vanehost: " << scriptPath << ": " << error << "\n";
            return kExitBadInput;
        }
        if (!scriptOption.empty())
            scriptPath = scriptOption;
        else
        {
            const fs::path beside = fs::path(pagePath).replace_extension(".vhs");
            scriptPath = fs::exists(beside) ? beside.string() : std::string();
        }
        if (serve.empty())
        {
            serve = DemoFolderAbove(pagePath, noServer).string();
            if (!serve.empty())
                noServer.clear();
        }
    }
    else if (!scriptOption.empty())
    {
        std::cerr << "vanehost: --script goes with a page\n";
        return kExitBadInput;
    }
    std::vector<std::string> lines;
    if (!scriptPath.empty())
    {
        std::ifstream scriptFile(scriptPath);
        if (!scriptFile)
        {
            std::cerr << "vanehost: cannot read " << scriptPath << "\n";
            return kExitBadInput;
        }
        for (std::string line; std::getline(scriptFile, line);)
            lines.push_back(line);
    }
    else
    {
        lines = {"settle 1000 max=60", "# the page", "snapshot page \"" + pagePath.stem().string() + ".png\""};
        scriptPath = pagePath.string();
    }
    if (plugin.empty())
    {
        const char* fromEnvironment = std::getenv("SKYVANE_PLUGIN");
        plugin = fromEnvironment != nullptr && fromEnvironment[0] != '\0' ? fromEnvironment : SKYVANE_PLUGIN_PATH;
    }
    try
    {
        if (home)
            SetHome(*home);
        fs::create_directories(out);
    }
    catch (const fs::filesystem_error& inError)
    {
        std::cerr << "vanehost: " << inError.what() << "\n";
        return kExitBadInput;
    }

    // The data server, and the registry pointing at it, before the library reads its environment.
    VaneDemoServer server;
    if (!serve.empty())
    {
        const std::string base = server.Start(serve);
        if (base.empty())
        {
            std::cerr << "vanehost: cannot serve " << serve << ": " << server.Error() << "\n";
            return kExitBadInput;
        }
        setenv("SKYVANE_SERVER_REGISTRY", base.c_str(), 1);
        std::cout << "vanehost: serving " << serve << " at " << base << std::endl;
    }
    else if (!noServer.empty())
        std::cout << "vanehost: no data server: " << noServer << std::endl;

    // The clock is the loop's before the plug-in sets a timer.
    pf::MainLoop().SetClock(pf::ClockKind::kVirtual);
    void* library = ::dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
    {
        std::cerr << "vanehost: cannot load " << plugin << ": " << ::dlerror() << "\n";
        return kExitBadInput;
    }
    using GetEntryPoints = NPError (*)(NPPluginFuncs*);
    using Initialize = NPError (*)(NPNetscapeFuncs*);
    using Shutdown = NPError (*)();
    auto getEntryPoints = reinterpret_cast<GetEntryPoints>(::dlsym(library, "NP_GetEntryPoints"));
    auto initialize = reinterpret_cast<Initialize>(::dlsym(library, "NP_Initialize"));
    using Unload = void (*)();
    using LegacyMain = NPError (*)(NPNetscapeFuncs*, NPPluginFuncs*, Unload*);
    auto shutdown = reinterpret_cast<Shutdown>(::dlsym(library, "NP_Shutdown"));
    auto legacyMain = reinterpret_cast<LegacyMain>(::dlsym(library, "main"));
    if (legacy ? legacyMain == nullptr : getEntryPoints == nullptr || initialize == nullptr || shutdown == nullptr)
    {
        std::cerr << "vanehost: " << plugin << " lacks the " << (legacy ? "main" : "NP_") << " entry points\n";
        ::dlclose(library);
        return kExitBadInput;
    }
    NPPluginFuncs funcs{};
    funcs.size = sizeof(funcs);
    if (!legacy && getEntryPoints(&funcs) != NPERR_NO_ERROR)
    {
        std::cerr << "vanehost: NP_GetEntryPoints refused the table\n";
        ::dlclose(library);
        return kExitBadInput;
    }
    int status = 0;
    bool shutDown = false;
    Unload unload = nullptr;
    const Runner::Shutdown unloadOrShutdown = [&]() -> NPError
    {
        if (!legacy)
            return shutdown();
        if (unload != nullptr)
            unload();
        return NPERR_NO_ERROR;
    };
    {
        const fs::path base = fs::absolute(scriptPath).parent_path();
        Runner runner(funcs, unloadOrShutdown, model == "cocoa", base, fs::path(out),
                      home ? fs::absolute(*home) : fs::path());
        const auto start = [&]() -> bool
        {
            bool started = false;
            if (legacy)
                started = legacyMain(runner.Host().BrowserFuncs(), &funcs, &unload) == NPERR_NO_ERROR;
            else
                started = getEntryPoints(&funcs) == NPERR_NO_ERROR &&
                          initialize(runner.Host().BrowserFuncs()) == NPERR_NO_ERROR;
            runner.SetPluginFuncs(funcs);
            return started;
        };
        if (legacy)
        {
            runner.Host().SetSupport(VaneAnswer::kError, VaneAnswer::kError);
            runner.Host().DropEntriesPastForceRedraw();
        }
        runner.SetStart(start);
        const bool started = start();
        if (!started)
        {
            std::cerr << "vanehost: " << (legacy ? "main" : "NP_Initialize") << " failed\n";
            status = kExitBadInput;
        }
        else
        {
            try
            {
                if (page)
                    OpenPage(runner, *page, pagePath.parent_path());
                status = RunScript(runner, lines, scriptPath);
            }
            catch (const BadInput& inBad)
            {
                std::cerr << "vanehost: " << pagePath.string() << ": " << inBad.message << "\n";
                status = kExitBadInput;
            }
        }
        shutDown = runner.ShutDown();
    }
    // The host destroyed the instances still alive as it went. The library stays loaded, as in a browser: its
    // static caches live until the process ends.
    if (!shutDown)
        unloadOrShutdown();
    return status;
}
