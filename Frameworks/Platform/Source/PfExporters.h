// The graphics exporters a save dialog offers as formats: each has a default file type and (MIME type,
// description) pairs. PNG and JPEG are built in, the formats the GL contexts export; tests add their own and make
// any of them fail. Main thread only. Frameworks/Platform/README.md
#pragma once

#include "PfTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pf
{

struct GraphicsExporterFormat
{
    std::string mime;
    std::string description;
};

struct GraphicsExporter
{
    FourCharCode fileType = 0;
    std::vector<GraphicsExporterFormat> formats;
    // When set, both queries of the exporter answer it instead.
    OSStatus failure = kNoErr;
};

using GraphicsExporterRef = std::uint32_t; // 0 names none

// Registration order, the built-in ones first. Null (0) starts the walk; 0 ends it.
GraphicsExporterRef FindNextGraphicsExporter(GraphicsExporterRef inAfter);
OSStatus GraphicsExportGetDefaultFileType(GraphicsExporterRef inExporter, FourCharCode* outType);
OSStatus GraphicsExportGetFormatCount(GraphicsExporterRef inExporter, std::size_t* outCount);
// Copies at most inCapacity bytes of format inIndex's (1-based) MIME type or description, without a terminator;
// outCopied gets the bytes copied.
OSStatus GraphicsExportCopyMime(GraphicsExporterRef inExporter, std::size_t inIndex, char* outBuffer,
                                std::size_t inCapacity, std::size_t* outCopied);
OSStatus GraphicsExportCopyDescription(GraphicsExporterRef inExporter, std::size_t inIndex, char* outBuffer,
                                       std::size_t inCapacity, std::size_t* outCopied);

// Appended after the others; answers its reference.
GraphicsExporterRef RegisterGraphicsExporter(GraphicsExporter inExporter);
OSStatus UnregisterGraphicsExporter(GraphicsExporterRef inExporter);
// Makes the exporter's queries answer inFailure (kNoErr mends it).
OSStatus SetGraphicsExporterFailure(GraphicsExporterRef inExporter, OSStatus inFailure);
// Back to the built-in exporters only.
void ResetGraphicsExportersForTesting();

} // namespace pf
