// The graphics exporters' registry.
#include "PfExporters.h"

#include <algorithm>
#include <cstring>

namespace pf
{

namespace
{
struct Entry
{
    GraphicsExporterRef ref;
    GraphicsExporter exporter;
};

struct Registry
{
    std::vector<Entry> entries;
    GraphicsExporterRef next = 1;
};

void AddBuiltIns(Registry& ioRegistry)
{
    ioRegistry.entries.push_back({ioRegistry.next++, {FourCC("PNGf"), {{"image/png", "PNG Image"}}, kNoErr}});
    ioRegistry.entries.push_back({ioRegistry.next++, {FourCC("JPEG"), {{"image/jpeg", "JPEG Image"}}, kNoErr}});
}

Registry& Exporters()
{
    static Registry* sRegistry = []()
    {
        auto* registry = new Registry;
        AddBuiltIns(*registry);
        return registry;
    }();
    return *sRegistry;
}

Entry* Find(GraphicsExporterRef inExporter)
{
    for (Entry& e : Exporters().entries)
    {
        if (e.ref == inExporter)
        {
            return &e;
        }
    }
    return nullptr;
}

// The exporter when it can answer; else the status why not.
OSStatus Usable(GraphicsExporterRef inExporter, Entry*& outEntry)
{
    outEntry = Find(inExporter);
    if (outEntry == nullptr)
    {
        return kParamErr;
    }
    return outEntry->exporter.failure;
}

OSStatus CopyText(GraphicsExporterRef inExporter, std::size_t inIndex, bool inMime, char* outBuffer,
                  std::size_t inCapacity, std::size_t* outCopied)
{
    Entry* entry = nullptr;
    if (const OSStatus status = Usable(inExporter, entry); status != kNoErr)
    {
        return status;
    }
    const std::vector<GraphicsExporterFormat>& formats = entry->exporter.formats;
    if (inIndex < 1 || inIndex > formats.size() || outCopied == nullptr || (outBuffer == nullptr && inCapacity != 0))
    {
        return kParamErr;
    }
    const std::string& text = inMime ? formats[inIndex - 1].mime : formats[inIndex - 1].description;
    *outCopied = std::min(inCapacity, text.size());
    if (*outCopied != 0)
    {
        std::memcpy(outBuffer, text.data(), *outCopied);
    }
    return kNoErr;
}
} // namespace

GraphicsExporterRef FindNextGraphicsExporter(GraphicsExporterRef inAfter)
{
    const std::vector<Entry>& entries = Exporters().entries;
    auto it = entries.begin();
    if (inAfter != 0)
    {
        it = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.ref == inAfter; });
        if (it == entries.end())
        {
            return 0;
        }
        ++it;
    }
    return it == entries.end() ? 0 : it->ref;
}

OSStatus GraphicsExportGetDefaultFileType(GraphicsExporterRef inExporter, FourCharCode* outType)
{
    Entry* entry = nullptr;
    if (const OSStatus status = Usable(inExporter, entry); status != kNoErr)
    {
        return status;
    }
    if (outType == nullptr)
    {
        return kParamErr;
    }
    *outType = entry->exporter.fileType;
    return kNoErr;
}

OSStatus GraphicsExportGetFormatCount(GraphicsExporterRef inExporter, std::size_t* outCount)
{
    Entry* entry = nullptr;
    if (const OSStatus status = Usable(inExporter, entry); status != kNoErr)
    {
        return status;
    }
    if (outCount == nullptr)
    {
        return kParamErr;
    }
    *outCount = entry->exporter.formats.size();
    return kNoErr;
}

OSStatus GraphicsExportCopyMime(GraphicsExporterRef inExporter, std::size_t inIndex, char* outBuffer,
                                std::size_t inCapacity, std::size_t* outCopied)
{
    return CopyText(inExporter, inIndex, true, outBuffer, inCapacity, outCopied);
}

OSStatus GraphicsExportCopyDescription(GraphicsExporterRef inExporter, std::size_t inIndex, char* outBuffer,
                                       std::size_t inCapacity, std::size_t* outCopied)
{
    return CopyText(inExporter, inIndex, false, outBuffer, inCapacity, outCopied);
}

GraphicsExporterRef RegisterGraphicsExporter(GraphicsExporter inExporter)
{
    Registry& registry = Exporters();
    registry.entries.push_back({registry.next++, std::move(inExporter)});
    return registry.entries.back().ref;
}

OSStatus UnregisterGraphicsExporter(GraphicsExporterRef inExporter)
{
    std::vector<Entry>& entries = Exporters().entries;
    const auto it = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.ref == inExporter; });
    if (it == entries.end())
    {
        return kParamErr;
    }
    entries.erase(it);
    return kNoErr;
}

OSStatus SetGraphicsExporterFailure(GraphicsExporterRef inExporter, OSStatus inFailure)
{
    Entry* entry = Find(inExporter);
    if (entry == nullptr)
    {
        return kParamErr;
    }
    entry->exporter.failure = inFailure;
    return kNoErr;
}

void ResetGraphicsExportersForTesting()
{
    Registry& registry = Exporters();
    registry.entries.clear();
    AddBuiltIns(registry);
}

} // namespace pf
