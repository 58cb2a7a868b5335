// What the graph series tests share: the time-series set they read and the lines a series drew, from feedback.
#pragma once

#include "GxColor.h"
#include "GxCoordinates.h"
#include "GxGLTestSupport.h"
#include "WeatherTestKit.h"

#include <cmath>
#include <string>
#include <vector>

namespace wxseries
{

// A real time-series set "kts1set" of five-minute (or inResolution-second) data in daily files: "pres" (mbar),
// "sped" (mph), "drct" and the vector "wind" of the two, and a site list when asked.
inline DxSet* KitSeriesSet(const std::string& inResolution = "300", bool inSites = false)
{
    wxkit::KitDocuments documents{
        {"config.xml",
         wxkit::KitInfoDocument("datasetconfig", R"(<property id="type" value="kts"/><property id="dataResolution" )"
                                                 R"(value=")" +
                                                     inResolution +
                                                     R"(" units="secs"/>)"
                                                     R"(<property id="fileResolution" value="86400" units="secs"/>)")},
        {"parminfo.xml",
         wxkit::KitInfoDocument("parminfo", R"(<parm id="time" type="float" units="min"/>)"
                                            R"(<parm id="pres" name="pressure" type="float" units="mbar"/>)"
                                            R"(<parm id="sped" name="wind speed" type="float" units="mph"/>)"
                                            R"(<parm id="drct" name="wind direction" type="float" units="degr"/>)"
                                            R"(<vector id="wind" name="wind" samag="sped" dir="drct"/>)")}};
    if (inSites)
        documents.emplace_back("siteinfo.xml",
                               wxkit::KitInfoDocument("siteinfo", R"(<table><fieldref id="stid" type="string"/>)"
                                                                  R"(<fieldref id="name" type="string"/>)"
                                                                  R"(<record>"kts1", "Station One"</record></table>)"));
    return wxkit::KitManagedSet(CxString("kts1set"), kDxManagerKts, documents);
}

inline bool InColor(const gxtest::FeedbackVertex& inVertex, const GxColor& inColor)
{
    return std::fabs(inVertex.mColor[0] - inColor.mRed) + std::fabs(inVertex.mColor[1] - inColor.mGreen) +
               std::fabs(inVertex.mColor[2] - inColor.mBlue) <
           0.01;
}

// The polylines drawn in the colour: a segment that starts where the last one ended continues it.
inline std::vector<std::vector<GxPoint>> Polylines(const std::vector<gxtest::FeedbackPrimitive>& inAll,
                                                   const GxColor& inColor)
{
    std::vector<std::vector<GxPoint>> lines;
    for (const auto& l : gxtest::OfToken(inAll, GL_LINE_TOKEN))
    {
        if (!InColor(l.mVertices[0], inColor))
            continue;
        const GxPoint a(l.mVertices[0].mX, l.mVertices[0].mY);
        const GxPoint b(l.mVertices[1].mX, l.mVertices[1].mY);
        if (lines.empty() || std::hypot(lines.back().back().mX - a.mX, lines.back().back().mY - a.mY) > 1e-3)
            lines.push_back({a});
        lines.back().push_back(b);
    }
    return lines;
}

} // namespace wxseries
