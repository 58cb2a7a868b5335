// Station frame building on one generated Kdf file of 3,000 stations with 12 raw columns and their site list:
// a table of three parameters, the grid analysed from them, the three analyses alone on the same projected
// positions, and a table of fifteen parameters (five raw, two of them converted, ten derived).
#include "CxEvents.h"
#include "CxFile.h"
#include "DxAnalysis.h"
#include "DxDataBuilder.h"
#include "DxFrame.h"
#include "DxKdfParsers.h"
#include "DxMetFormulas.h"
#include "DxObsClient.h"
#include "DxObsManager.h"
#include "DxSet.h"
#include "GxProjection.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <unordered_map>

#include <unistd.h>

namespace
{

constexpr int kStations = 3000;
const char* const kColumns[] = {"tmpf", "dwpf", "pres", "sknt", "drct", "gust",
                                "alti", "vsby", "p01i", "snow", "skyc", "wxco"};

DxParm Parm(const char* inId, const char* inUnit)
{
    return DxParm(inId, inId, kDxTypeFloat, DxUnit(inUnit), DxUnitSet(), 1.0);
}

// A unit the table does not know falls back to "nada", and then no conversion is timed.
std::string UnresolvedUnit(const std::vector<DxParm>& inParms, const std::vector<std::string>& inAsked)
{
    for (std::size_t i = 0; i < inParms.size() && i < inAsked.size(); ++i)
        if (inAsked[i] != "nada" && inParms[i].Unit().Id().AsUtf8() == "nada")
            return inParms[i].Id().AsUtf8() + " asked in " + inAsked[i] + " has no unit (is the unit table loaded?)";
    return std::string();
}

// Station ids match whatever their case, as the site list's index has them.
std::string Lower(std::string inText)
{
    std::transform(inText.begin(), inText.end(), inText.begin(),
                   [](unsigned char inChar) { return std::tolower(inChar); });
    return inText;
}

CxData Bytes(const std::string& inText)
{
    return CxData(inText.data(), CxUint32(inText.size()));
}

struct Fixture
{
    Fixture()
    {
        char folder[] = "/tmp/obs_benchXXXXXX";
        const std::string home = mkdtemp(folder);
        DxManager::SetRootDataFolder(CxFolder(CxFileRef{home}));
        DxManager::SetRootCacheFolder(CxFolder(CxFileRef{home}));
        CxInstallEventHandler();
        std::mt19937 random(872);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        std::ostringstream kdf, sites, parms;
        kdf << "101\n" << std::size(kColumns) << " 2020 7 27 12 0 0\nSTID STNM TIME";
        for (const char* column : kColumns)
            kdf << " " << column;
        kdf << "\n";
        sites << "<?datasetconfig version=\"1.0\"?><siteinfo><table><fieldref id=\"stid\" type=\"string\"/>"
                 "<fieldref id=\"name\" type=\"string\"/><fieldref id=\"lat\" type=\"float\"/>"
                 "<fieldref id=\"lon\" type=\"float\"/>";
        for (int i = 0; i < kStations; ++i)
        {
            const double tmpf = 20 + 80 * unit(random);
            kdf << "S" << i << " " << i << " 0 " << tmpf << " " << tmpf - 30 * unit(random) << " "
                << 980 + 50 * unit(random) << " " << 30 * unit(random) << " " << 360 * unit(random);
            for (std::size_t c = 5; c < std::size(kColumns); ++c)
                kdf << " " << 10 * unit(random);
            kdf << "\n";
            sites << "<record>\"S" << i << "\", \"Station " << i << "\", " << 25 + 24 * unit(random) << ", "
                  << -125 + 58 * unit(random) << "</record>";
        }
        sites << "</table></siteinfo>";
        mKdf = kdf.str();
        parms << "<?datasetconfig version=\"1.0\"?><parminfo><parm id=\"tmpf\" type=\"float\" units=\"fahr\"/>"
                 "<parm id=\"dwpf\" type=\"float\" units=\"fahr\"/><parm id=\"pres\" type=\"float\" units=\"mbar\"/>"
                 "<parm id=\"sknt\" type=\"float\" units=\"mps\"/><parm id=\"drct\" type=\"float\" units=\"degr\"/>";
        const char* derived[][2] = {{"relh", "tmpf dwpf"},      {"heat", "tmpf relh"}, {"chil", "tmpf sknt"},
                                    {"thte", "tmpf dwpf pres"}, {"tlcl", "tmpf dwpf"}, {"vapr", "dwpf"},
                                    {"mixr", "pres dwpf"},      {"uwnd", "sknt drct"}, {"vwnd", "sknt drct"},
                                    {"humi", "tmpf dwpf"}};
        for (const auto& [id, args] : derived)
            parms << "<derivation id=\"" << id << "\" func=\"" << id << "\" args=\"" << args << "\"/>";
        parms << "</parminfo>";
        mSet = new DxSet("bench", kDxManagerKdf);
        mManager = mSet->ObsManager();
        CxData siteData = Bytes(sites.str()), parmData = Bytes(parms.str());
        mManager->ParseSiteList(siteData);
        mManager->ParseParmList(parmData);
    }

    DxFrame* Build(DxObsClient& ioClient)
    {
        CxData data = Bytes(mKdf);
        CxAutoLock lock(mManager->Region());
        DxDataBuilder builder(mManager, data, "application/kdf");
        return ioClient.FrameType() == kDxFrameGrid ? static_cast<DxFrame*>(builder.BuildGrid(&ioClient))
                                                    : builder.BuildTable(&ioClient);
    }

    std::string mKdf;
    DxSet* mSet = nullptr;
    DxObsManager* mManager = nullptr;
};

Fixture& Shared()
{
    static Fixture sFixture;
    return sFixture;
}

const std::vector<std::string> kThreeUnits = {"cels", "mbar", "prct"};

std::vector<DxParm> ThreeParms()
{
    return {Parm("tmpf", "cels"), Parm("pres", "mbar"), Parm("relh", "prct")};
}

void RunBuild(benchmark::State& ioState, const std::vector<DxParm>& inParms, const std::vector<std::string>& inUnits,
              DxFrameType inType)
{
    if (const std::string problem = UnresolvedUnit(inParms, inUnits); !problem.empty())
    {
        ioState.SkipWithError(problem.c_str());
        return;
    }
    Fixture& fixture = Shared();
    DxObsClient client;
    for (const DxParm& parm : inParms)
        client.AddParm(parm);
    client.SetFrameType(inType);
    client.SetSet(fixture.mSet);
    for (auto _ : ioState)
    {
        std::unique_ptr<DxFrame> frame(fixture.Build(client));
        const bool complete = frame != nullptr && std::all_of(inParms.begin(), inParms.end(),
                                                              [&frame](const DxParm& inParm) {
                                                                  return frame->FindFloatField(inParm.Key()) != nullptr;
                                                              });
        if (!complete)
        {
            ioState.SkipWithError("a requested parameter is missing");
            break;
        }
        benchmark::DoNotOptimize(frame.get());
    }
}

const std::vector<std::string> kFifteenUnits = {"cels", "cels", "mbar", "mps", "degr"};

std::vector<DxParm> FifteenParms()
{
    std::vector<DxParm> parms = {Parm("tmpf", "cels"), Parm("dwpf", "cels"), Parm("pres", "mbar"), Parm("sknt", "mps"),
                                 Parm("drct", "degr")};
    for (const char* id : {"relh", "heat", "chil", "thte", "tlcl", "vapr", "mixr", "uwnd", "vwnd", "humi"})
        parms.push_back(DxParm(id, id, kDxTypeFloat, DxUnit("nada"), DxUnitSet(), 1.0));
    return parms;
}

void BM_BuildTable(benchmark::State& ioState)
{
    RunBuild(ioState, FifteenParms(), kFifteenUnits, kDxFrameTable);
}

// The fifteen columns by hand: the reader, one loop per derived column over the same formulas, conversions
// written out, positions and names from a hash map of the site list.
std::vector<std::vector<double>> PlainColumns(const std::string& inKdf, const DxTable& inSites,
                                              const std::unordered_map<std::string, std::size_t>& inIndex,
                                              std::vector<std::string>& outNames)
{
    CxData data = Bytes(inKdf);
    DxKdfUncompressedParser parser(data);
    DxTable raw;
    parser.ParseAllFields(&raw);
    const DxStringField& stid = *raw.FindStringField("STID");
    const std::size_t count = stid.size();
    std::vector<double> tmpf = *raw.FindFloatField("TMPF"), tmpc(count), dwpc(count);
    const std::vector<double>& pres = *raw.FindFloatField("PRES");
    const std::vector<double>& sknt = *raw.FindFloatField("SKNT");
    const std::vector<double>& drct = *raw.FindFloatField("DRCT");
    const std::vector<double>& dwpf = *raw.FindFloatField("DWPF");
    for (std::size_t i = 0; i < count; ++i)
    {
        tmpc[i] = (tmpf[i] - 32.0) / 1.8;
        dwpc[i] = (dwpf[i] - 32.0) / 1.8;
    }
    std::vector<std::vector<double>> columns{tmpc, dwpc, pres, sknt, drct};
    const auto derive = [&](DxCalculation inCalc, auto inArgs)
    {
        std::vector<double> out(count);
        const CxDate date = parser.BaseDate();
        for (std::size_t i = 0; i < count; ++i)
        {
            const auto args = inArgs(i);
            out[i] = inCalc(date, args.data());
        }
        columns.push_back(std::move(out));
    };
    using Two = std::array<double, 2>;
    derive(DxCalcRelh, [&](std::size_t i) { return Two{tmpc[i], dwpc[i]}; });
    const std::vector<double> relh = columns.back();
    derive(DxCalcHeat, [&](std::size_t i) { return Two{tmpf[i], relh[i]}; });
    derive(DxCalcChil, [&](std::size_t i) { return Two{tmpf[i], sknt[i] * 2.2369362920544025}; });
    derive(DxCalcThte, [&](std::size_t i) { return std::array<double, 3>{tmpc[i], dwpc[i], pres[i]}; });
    derive(DxCalcTlcl, [&](std::size_t i) { return Two{tmpc[i], dwpc[i]}; });
    derive(DxCalcVapr, [&](std::size_t i) { return std::array<double, 1>{dwpc[i]}; });
    derive(DxCalcMixr, [&](std::size_t i) { return Two{pres[i], dwpc[i]}; });
    derive(DxCalcUwnd, [&](std::size_t i) { return Two{sknt[i], drct[i]}; });
    derive(DxCalcVwnd, [&](std::size_t i) { return Two{sknt[i], drct[i]}; });
    derive(DxCalcHumi, [&](std::size_t i) { return Two{tmpc[i], dwpc[i]}; });
    const DxFloatField& lat = *inSites.FindFloatField("lat");
    const DxFloatField& lon = *inSites.FindFloatField("lon");
    const DxStringField& name = *inSites.FindStringField("name");
    std::vector<double> lats(count), lons(count);
    outNames.assign(count, std::string());
    for (std::size_t i = 0; i < count; ++i)
    {
        const auto found = inIndex.find(Lower(stid[i].AsUtf8()));
        const bool known = found != inIndex.end();
        lats[i] = known ? lat[found->second] : std::nan("");
        lons[i] = known ? lon[found->second] : std::nan("");
        if (known)
            outNames[i] = name[found->second].AsUtf8();
    }
    columns.push_back(std::move(lats));
    columns.push_back(std::move(lons));
    return columns;
}

void BM_PlainLoop(benchmark::State& ioState)
{
    Fixture& fixture = Shared();
    const DxTable& sites = *fixture.mManager->Sites();
    std::unordered_map<std::string, std::size_t> index;
    const DxStringField& ids = *sites.FindStringField("stid");
    for (std::size_t i = 0; i < ids.size(); ++i)
        index.emplace(Lower(ids[i].AsUtf8()), i);
    // Both ways must give the same numbers before either is timed.
    DxObsClient client;
    std::vector<DxParm> parms = FifteenParms();
    if (const std::string problem = UnresolvedUnit(parms, kFifteenUnits); !problem.empty())
    {
        ioState.SkipWithError(problem.c_str());
        return;
    }
    for (const DxParm& parm : parms)
        client.AddParm(parm);
    client.SetSet(fixture.mSet);
    std::unique_ptr<DxFrame> table(fixture.Build(client));
    std::vector<std::string> names;
    const std::vector<std::vector<double>> columns = PlainColumns(fixture.mKdf, sites, index, names);
    parms.push_back(Parm("lat", "degr"));
    parms.push_back(Parm("lon", "degr"));
    for (std::size_t c = 0; c < parms.size(); ++c)
    {
        const DxFloatField* field = table->FindFloatField(parms[c].Key());
        for (std::size_t i = 0; field != nullptr && i < field->size(); ++i)
        {
            const double a = (*field)[i], b = columns[c][i];
            if (std::isnan(a) != std::isnan(b) || (!std::isnan(a) && std::abs(a - b) > 1e-9 * (1 + std::abs(b))))
                field = nullptr;
        }
        if (field == nullptr)
        {
            ioState.SkipWithError(("the plain loop disagrees on " + parms[c].Key().AsUtf8()).c_str());
            return;
        }
    }
    for (auto _ : ioState)
    {
        const std::vector<std::vector<double>> result = PlainColumns(fixture.mKdf, sites, index, names);
        benchmark::DoNotOptimize(result.data());
    }
}

void BM_BuildTable3(benchmark::State& ioState)
{
    RunBuild(ioState, ThreeParms(), kThreeUnits, kDxFrameTable);
}

void BM_BuildGrid(benchmark::State& ioState)
{
    RunBuild(ioState, ThreeParms(), kThreeUnits, kDxFrameGrid);
}

// The three analyses the grid build runs, on the positions the table gives, projected once beforehand.
void BM_AnalysisAlone(benchmark::State& ioState)
{
    const std::vector<DxParm> three = ThreeParms();
    if (const std::string problem = UnresolvedUnit(three, kThreeUnits); !problem.empty())
    {
        ioState.SkipWithError(problem.c_str());
        return;
    }
    Fixture& fixture = Shared();
    DxObsClient client;
    for (const DxParm& parm : three)
        client.AddParm(parm);
    client.SetSet(fixture.mSet);
    std::unique_ptr<DxFrame> table(fixture.Build(client));
    const GxFlatProjection flat(GxPosition().FromDegrees(-100.0, 35.48));
    std::vector<double> xs, ys;
    const DxFloatField* lat = table->FindFloatField("lat:degr");
    const DxFloatField* lon = table->FindFloatField("lon:degr");
    for (std::size_t i = 0; i < lat->size(); ++i)
    {
        const GxPoint point = flat.Project(GxPosition().FromDegrees((*lon)[i], (*lat)[i]));
        xs.push_back(point.mX);
        ys.push_back(point.mY);
    }
    for (auto _ : ioState)
    {
        DxAnalysis analysis(xs, ys, 4);
        if (analysis.Width() * analysis.Height() > 4000)
            analysis.SetNumPass(1);
        for (const DxParm& parm : three)
        {
            const DxFloatField* field = table->FindFloatField(parm.Key());
            analysis.Analyze(*field);
            benchmark::DoNotOptimize(analysis.Grid().data());
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    // Parameters resolve their units when made: the table loads before any benchmark exists.
    setenv("SKYVANE_BUNDLE", SKYVANE_SOURCE_DIR "/Products/Skyvane/Resources", 0);
    // Without the table every unit is "nada", and its assertions would run into the report.
    const std::string table = std::string(std::getenv("SKYVANE_BUNDLE")) + "/DxUnitTable.xml";
    if (access(table.c_str(), R_OK) != 0)
    {
        std::fprintf(stderr, "obs_builder_bench: no unit table %s\n", table.c_str());
        return 1;
    }
    DxUnit::Load();
    benchmark::Initialize(&argc, argv);
    for (const auto& [name, function] : {std::pair{"BM_BuildTable", &BM_BuildTable},
                                         {"BM_PlainLoop", &BM_PlainLoop},
                                         {"BM_BuildTable3", &BM_BuildTable3},
                                         {"BM_BuildGrid", &BM_BuildGrid},
                                         {"BM_AnalysisAlone", &BM_AnalysisAlone}})
        benchmark::RegisterBenchmark(name, function)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
