#pragma once

#include "CxFile.h"
#include "DxShape.h"
#include "DxShapeFileReader.h"

#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace dxtest
{

// An area of an outline archive: its id (up to 8 bytes) and its ring as longitude, latitude pairs.
using ArchiveArea = std::pair<std::string, std::vector<double>>;

// The archive layout: counts and header length, an index of 8-byte ids and record offsets, then a shapefile from
// our writer; a spoiled archive has its last record's type made unreadable.
inline void WriteAdvisoryArchive(const std::string& inPath, const std::vector<ArchiveArea>& inAreas,
                                 bool inSpoilLast = false)
{
    DxShape shape{GxDegreeProjection()};
    shape.SetType(kDxShapePolygon);
    shape.BeginData();
    std::string index;
    CxUint32 at = 100, last = at;
    for (const auto& [id, xy] : inAreas)
    {
        shape.AcceptVertex(false);
        for (std::size_t i = 0; i < xy.size(); i += 2)
            shape.AcceptPoint(GxPoint(xy[i], xy[i + 1]));
        index += id + std::string(8 - id.size(), '\0') + std::string(reinterpret_cast<const char*>(&at), 4);
        last = at;
        at += 56 + 8 * CxUint32(xy.size());
    }
    shape.EndData();
    {
        CxFile file(CxString::FromUtf8(inPath), true);
        DxShapeFileWriter().WriteShape(file, shape);
    }
    std::ifstream in(inPath, std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    if (inSpoilLast)
        bytes[last + 8] = 3;
    const CxUint32 header[] = {0, 0, CxUint32(inAreas.size()), 0, CxUint32(24 + 12 * inAreas.size()), 0};
    std::ofstream(inPath, std::ios::binary) << std::string(reinterpret_cast<const char*>(header), 24) << index << bytes;
}

} // namespace dxtest
