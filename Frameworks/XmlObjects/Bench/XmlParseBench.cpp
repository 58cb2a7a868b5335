// A document's whole life (parse, then free) in the element tree against bare expat with the same handlers doing
// nothing, on generated documents of about 20 MB: one of stations with attribute-laden observations (the measure),
// one in the table vocabulary of the data files (records as text rows) for comparison.
#include "XmlParser.h"

#include <benchmark/benchmark.h>

#include <expat.h>

#include <cstdio>
#include <malloc.h>
#include <memory>
#include <string>

namespace
{

// Stations holding observations: nested elements with several attributes each, formatted with tabs and line
// ends, some text with accented letters and a character outside the basic plane.
const std::string& StationDocument()
{
    static const std::string sDocument = []
    {
        std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?vanedoc version=\"1.4d1\"?>\n";
        document += "<archive source=\"bench\" created=\"2024-01-01T00:00:00Z\">\n";
        char line[512];
        for (int station = 0; document.size() < 20u * 1024 * 1024; ++station)
        {
            std::snprintf(line, sizeof line,
                          "\t<station id=\"S%05d\" name=\"Z\xC3\xBCrich-Fluntern %d\" lat=\"%.4f\" lon=\"%.4f\" "
                          "elev=\"%d\">\n",
                          station, station, 47.378 + station * 0.001, 8.566 - station * 0.001, 556 + station % 100);
            document += line;
            for (int obs = 0; obs < 24; ++obs)
            {
                std::snprintf(line, sizeof line,
                              "\t\t<obs time=\"2024-01-01T%02d:00:00Z\" temp=\"%.1f\" dewp=\"%.1f\" wind=\"%d\" "
                              "speed=\"%d\" flag=\"ok\">%s</obs>\n",
                              obs, -1.5 + obs * 0.3, -3.2 + obs * 0.2, (obs * 15) % 360, 5 + obs % 20,
                              obs % 4 == 0   ? "L\xC3\xA9ger vent du sud, ciel d\xC3\xA9gag\xC3\xA9 \xE2\x98\x80"
                              : obs % 4 == 2 ? "Light \xF0\x9F\x8C\xA7 rain &amp; mist"
                                             : "Clear sky, calm wind");
                document += line;
            }
            document += "\t\t<!-- end of day -->\n\t</station>\n";
        }
        document += "</archive>\n";
        return document;
    }();
    return sDocument;
}

// A table as the data readers see it: field references, then one text row per record.
const std::string& TableDocument()
{
    static const std::string sDocument = []
    {
        std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kdf version=\"1.0d1\">\n\t<table>\n";
        const char* fields[] = {"stid:nada", "name:nada", "lat:degr",  "lon:degr", "temp:degc",
                                "dewp:degc", "wdir:degr", "wspd:knot", "pres:hpa"};
        for (const char* field : fields)
            document += std::string("\t\t<fieldref id=\"") + field + "\" type=\"float\"/>\n";
        char line[512];
        for (int record = 0; document.size() < 20u * 1024 * 1024; ++record)
        {
            std::snprintf(line, sizeof line,
                          "\t\t<record>K%04d, \"%s %d\", %.4f, %.4f, %.1f, %.1f, %d, %d, %.1f</record>\n",
                          record % 10000, record % 3 == 0 ? "Z\xC3\xBCrich-Fluntern" : "Seattle-Tacoma", record,
                          47.378 + record * 1e-4, -122.31 + record * 1e-4, -1.5 + record % 40, -3.2 + record % 30,
                          (record * 15) % 360, record % 40, 1013.2 - record % 30);
            document += line;
        }
        document += "\t</table>\n</kdf>\n";
        return document;
    }();
    return sDocument;
}

// Each document's life starts from a settled heap, as in a fresh process: the freed chunks are merged and returned
// here, untimed, rather than inside the next parse's first large allocation. Both sides get the same treatment.
void SettleHeap(benchmark::State& ioState)
{
    ioState.PauseTiming();
    malloc_trim(0);
    ioState.ResumeTiming();
}

void TreeParse(benchmark::State& ioState, const std::string& (*inDocument)())
{
    const std::string& document = inDocument();
    for (auto _ : ioState)
    {
        auto parser = std::make_unique<XmlParser>();
        const bool good = parser->Parse(document.data(), document.size(), true);
        benchmark::DoNotOptimize(good);
        if (!good)
            ioState.SkipWithError("parse failed");
        parser.reset(); // the tree's teardown is part of the document's life, as expat's cleanup is
        SettleHeap(ioState);
    }
    ioState.SetBytesProcessed(std::int64_t(ioState.iterations()) * std::int64_t(document.size()));
}

void XMLCALL NoStart(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL NoEnd(void*, const XML_Char*) {}
void XMLCALL NoContent(void*, const XML_Char*, int) {}
void XMLCALL NoComment(void*, const XML_Char*) {}
void XMLCALL NoInstruction(void*, const XML_Char*, const XML_Char*) {}

void BareExpat(benchmark::State& ioState, const std::string& (*inDocument)())
{
    const std::string& document = inDocument();
    for (auto _ : ioState)
    {
        XML_Parser parser = XML_ParserCreate(nullptr);
        XML_SetElementHandler(parser, NoStart, NoEnd);
        XML_SetCharacterDataHandler(parser, NoContent);
        XML_SetCommentHandler(parser, NoComment);
        XML_SetProcessingInstructionHandler(parser, NoInstruction);
        const bool good = XML_Parse(parser, document.data(), int(document.size()), XML_TRUE) == XML_STATUS_OK;
        benchmark::DoNotOptimize(good);
        if (!good)
            ioState.SkipWithError("parse failed");
        XML_ParserFree(parser);
        SettleHeap(ioState);
    }
    ioState.SetBytesProcessed(std::int64_t(ioState.iterations()) * std::int64_t(document.size()));
}

} // namespace

BENCHMARK_CAPTURE(TreeParse, stations, StationDocument)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BareExpat, stations, StationDocument)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(TreeParse, table, TableDocument)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BareExpat, table, TableDocument)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Writing: the station document's tree to a string, against the same tree to a text stream of UTF-8 bytes.
#include "XmlWriter.h"

namespace
{

const XmlRoot& StationTree()
{
    static const std::unique_ptr<XmlRoot> sTree = []
    {
        XmlParser parser;
        parser.Parse(StationDocument().data(), StationDocument().size(), true);
        return std::unique_ptr<XmlRoot>(parser.DetachRoot());
    }();
    return *sTree;
}

void WriteToString(benchmark::State& ioState)
{
    const XmlRoot& tree = StationTree();
    for (auto _ : ioState)
    {
        CxString text;
        CxStringStream stream(text);
        XmlStringStreamWriter writer(stream);
        tree.Write(writer);
        benchmark::DoNotOptimize(text.Length());
    }
}

void WriteToTextStream(benchmark::State& ioState)
{
    const XmlRoot& tree = StationTree();
    for (auto _ : ioState)
    {
        CxData bytes(CxUint32(0));
        CxTextStream stream(bytes);
        XmlTextStreamWriter writer(stream);
        tree.Write(writer);
        benchmark::DoNotOptimize(stream.Length());
    }
}

} // namespace

BENCHMARK(WriteToString)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(WriteToTextStream)->Unit(benchmark::kMillisecond)->MinTime(2.0);
