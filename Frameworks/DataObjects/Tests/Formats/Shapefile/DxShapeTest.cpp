#include "CxDebug.h"
#include "CxFile.h"
#include "DxShapeClient.h"
#include "DxShapeFileReader.h"
#include "DxShapeFrameBuilder.h"
#include "DxShapeFuzzEntry.h"
#include "TestSupport.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <numbers>
#include <sstream>

namespace
{
using Parts = std::vector<std::vector<GxPoint>>;
using Bytes = std::string;
using namespace std::string_literals;

void Put(Bytes& ioBytes, size_t inAt, CxUint32 inValue, bool inBig)
{
    for (int i = 0; i < 4; ++i)
        ioBytes[inAt + i] = char(inValue >> (inBig ? 24 - 8 * i : 8 * i));
}

// Every part of every record as shapelib's shpdump lists it ("+" starts a part); empty without shpdump.
Parts ShpDump(const std::string& inPath, const std::string& inOptions = "")
{
    Parts parts;
    FILE* pipe = popen(("shpdump " + inOptions + " -precision 17 '" + inPath + "' 2>/dev/null").c_str(), "r");
    char line[512];
    while (pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr)
    {
        const char* text = line + std::strspn(line, " ");
        if (std::strncmp(line, "Shape:", 6) == 0 || *text == '+')
            parts.emplace_back();
        double x, y;
        if (std::sscanf(text + (*text == '+'), " (%lf,%lf,", &x, &y) == 2 && !parts.empty())
            parts.back().emplace_back(x, y);
    }
    if (pipe == nullptr || pclose(pipe) != 0)
        parts.clear();
    std::erase_if(parts, [](const auto& inPart) { return inPart.empty(); });
    EXPECT_FALSE(parts.empty() && sky::test::TestDataRequired()) << "shpdump (shapelib) is needed";
    return parts;
}

void ExpectSame(const GxShape& inShape, const Parts& inTheirs, const std::string& inWhat, double inTolerance = 1e-12)
{
    Parts ours;
    std::ranges::transform(inShape.Polygons(), std::back_inserter(ours),
                           [](const auto& inPart) { return inPart->Points(); });
    ASSERT_EQ(ours.size(), inTheirs.size()) << inWhat;
    for (size_t p = 0; p < ours.size(); ++p)
        for (size_t i = 0; i < std::max(ours[p].size(), inTheirs[p].size()); ++i)
            ASSERT_TRUE(i < std::min(ours[p].size(), inTheirs[p].size()) &&
                        std::abs(ours[p][i].mX - inTheirs[p][i].mX) <= inTolerance &&
                        std::abs(ours[p][i].mY - inTheirs[p][i].mY) <= inTolerance)
                << inWhat << " part " << p << " point " << i;
}

Bytes ReadBytes(const std::string& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The error's class name, or "" with the shape filled.
std::string Parse(const Bytes& inBytes, DxShape& ioShape)
{
    CxData data(inBytes.data(), CxUint32(inBytes.size()));
    try
    {
        DxShapeParser().ParseIntoShape(data, &ioShape);
        return "";
    }
    catch (const CxError& inError)
    {
        return inError.Class().AsUtf8();
    }
}

// Point i of a record is (2i, 2i + 1) unless given.
Bytes Record(CxSint32 inType, const std::vector<CxUint32>& inStarts, CxUint32 inPoints, std::vector<double> inXY = {})
{
    std::vector<CxUint32> words = {CxUint32(inType), 0, 0, 0, 0, 0, 0, 0, 0, CxUint32(inStarts.size()), inPoints};
    words.resize(inType == 0 ? 1 : words.size());
    words.insert(words.end(), inStarts.begin(), inStarts.end());
    for (CxUint32 i = 0; inXY.size() < 2 * inPoints; ++i)
        inXY.push_back(i);
    Bytes record(8 + 4 * words.size() + 8 * inXY.size(), '\0');
    Put(record, 4, CxUint32(record.size() - 8) / 2, true);
    for (size_t i = 0; i < words.size(); ++i)
        Put(record, 8 + 4 * i, words[i], false);
    record.replace(8 + 4 * words.size(), 8 * inXY.size(), reinterpret_cast<const char*>(inXY.data()), 8 * inXY.size());
    return record;
}

Bytes File(CxSint32 inType, const std::vector<Bytes>& inRecords)
{
    Bytes bytes(100, '\0');
    Put(bytes, 0, 9994, true);
    Put(bytes, 28, 1000, false);
    Put(bytes, 32, CxUint32(inType), false);
    for (const auto& record : inRecords)
        bytes += record;
    Put(bytes, 24, CxUint32(bytes.size() / 2), true);
    return bytes;
}

// Writes the main file and the index other readers need beside it (offset and length of each record, in words).
Bytes WriteWithIndex(DxShape& inShape, const std::string& inPath)
{
    CxFile file(CxString(inPath.c_str()), true);
    DxShapeFileWriter().WriteShape(file, inShape);
    const Bytes bytes = ReadBytes(inPath);
    Bytes index = bytes.substr(0, 100);
    for (size_t at = 100; at + 8 <= bytes.size();
         at += 8 + 2 * size_t(CxUint8(bytes[at + 7]) | CxUint8(bytes[at + 6]) << 8))
    {
        index += bytes.substr(at, 8);
        Put(index, index.size() - 8, CxUint32(at / 2), true);
    }
    Put(index, 24, CxUint32(index.size() / 2), true);
    std::ofstream(inPath.substr(0, inPath.size() - 3) + "shx", std::ios::binary) << index;
    return bytes;
}
} // namespace

TEST(DxShapeFile, SharedFilesReadAsShpdumpReadsThem)
{
    // Name, outcome ("-": shpdump's parts); point files read empty; MyPolyZ's length word says 268 of 316 bytes.
    std::istringstream cases("blockgroups - naturalearth_lowres - wagner7_ne_110m_coastline - "
                             "wagner7_ne_110m_admin_1_states_provinces_lines - naturalearth_cities 0 "
                             "MyPolyZ DxErrorShapeInvalidSize0 corrupt_too_long DxErrorShapeInvalidSize0");
    for (std::string name, outcome; cases >> name >> outcome;)
    {
        SKY_NEED_TESTDATA_FILE(path, "shapefile/" + name + ".shp");
        DxShape shape{GxDegreeProjection()};
        const std::string error = Parse(ReadBytes(path), shape);
        if (outcome != "-")
            EXPECT_EQ(error + std::to_string(shape.CountPolygons()), outcome) << name;
        else if (const Parts theirs = ShpDump(path); !theirs.empty())
            ExpectSame(shape, theirs, name);
    }
}

TEST(DxShapeFile, GeneratedFilesReadOrFailByClass)
{
    const Bytes three = File(3, {Record(3, {0, 2, 3}, 5)});
    const std::vector<std::tuple<const char*, Bytes, size_t, CxUint32, bool, std::string>> kCases = {
        {"three parts", three, 0, 0, false, ""},
        {"null record between", File(5, {Record(5, {0}, 4), Record(0, {}, 0), Record(5, {0}, 3)}), 0, 0, false, ""},
        {"file code", three, 0, 9995, true, "DxErrorShapeUnsupportedFileCode"},
        {"unused word", three, 16, 1, true, "DxErrorShapeNonzeroUnusedHeaderField"},
        {"length word one more", three, 24, CxUint32(three.size() / 2 + 1), true, "DxErrorShapeInvalidSize"},
        {"one byte more", three + '\0', 0, 0, false, "DxErrorShapeInvalidSize"},
        {"version", three, 28, 999, false, "DxErrorShapeUnsupportedVersion"},
        {"record of another type", three, 108, 5, false, "DxErrorShapeWrongType"},
        {"content past the data", three, 104, 0x7fffffff, true, "DxErrorShapeInvalidSize"},
        {"points past the content", three, 148, 6, false, "DxErrorShapeInvalidSize"},
        {"parts past the content", three, 144, 0x40000000, false, "DxErrorShapeInvalidSize"},
        {"part start past the points", three, 160, 5, false, "DxErrorShapeInvalidSize"},
        {"first part not at 0", three, 152, 1, false, "DxErrorShapeInvalidSize"},
        {"points without parts", File(3, {Record(3, {}, 2)}), 0, 0, false, "DxErrorShapeInvalidSize"},
        {"header cut", three.substr(0, 60), 0, 0, false, "DxErrorShapeInvalidSize"},
        {"record header cut", three + Bytes(4, '\0'), 24, CxUint32(three.size() / 2 + 2), true,
         "DxErrorShapeInvalidSize"},
    };
    for (auto [what, bytes, at, value, big, error] : kCases) // a word put at "at", when not 0
    {
        if (at != 0 || value != 0)
            Put(bytes, at, value, big);
        DxShape shape{GxDegreeProjection()};
        EXPECT_EQ(Parse(bytes, shape), error) << what;
        EXPECT_TRUE(!error.empty() || bytes == three || shape.CountPolygons() == 2) << what;
        if (bytes == three)
            ExpectSame(shape, {{{0, 1}, {2, 3}}, {{4, 5}}, {{6, 7}, {8, 9}}}, "three parts");
    }
}

TEST(DxShapeFile, WrittenFilesReadBackHereAndInShapelib)
{
    const auto folder = std::filesystem::temp_directory_path() / ("dec5-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    DxShape shape{GxDegreeProjection()}; // polygons of 5 and 7 points
    ASSERT_EQ(Parse(File(3, {Record(3, {0, 5}, 12)}), shape), "");
    Bytes bytes;
    for (CxSint32 type : {1, 3, 5, 1234}) // 1234 is not written: the type-5 file stays
    {
        const std::string path = (folder / ("t" + std::to_string(std::min(type, 5)) + ".shp")).string();
        shape.SetType(type);
        DxShape back{GxDegreeProjection()};
        bytes = WriteWithIndex(shape, path);
        EXPECT_EQ(Parse(bytes, back), "") << type;
        const Parts listed = ShpDump(path, "-validate");
        EXPECT_TRUE(listed.empty() || listed.size() == (type == 1 ? 12u : 2u)) << "a record per point or polygon";
        if (!listed.empty() && type != 1)
            ExpectSame(back, listed, "ours back"), ExpectSame(shape, listed, "shpdump of ours");
    }
    EXPECT_TRUE(bytes.size() == 404 && bytes[27] == char(202)) << "length word counts the bytes written";
    EXPECT_TRUE(bytes[103] == 1 && bytes[100 + 136 + 3] == 2) << "records numbered 1 and 2";
    std::filesystem::remove_all(folder);
}

TEST(DxShapeArchive, ServesShapesByIdOnDemand)
{
    // Index entries point at: a 3-part record, a 1-part record, a null record, and past the data.
    const Bytes main = File(3, {Record(3, {0, 2, 3}, 5), Record(3, {0}, 2), Record(0, {}, 0)});
    Bytes archive = Bytes(24, '\0') + "three\0\0\0----full8byt----null\0\0\0\0----far\0\0\0\0\0----"s + main;
    Put(archive, 8, 4, false);
    Put(archive, 16, 24 + 4 * 12, false);
    for (CxUint32 i = 0, offsets[] = {100, 244, 332, 1u << 30}; i < 4; ++i)
        Put(archive, 32 + 12 * i, offsets[i], false);
    Put(archive, 72 + 24, 9, true); // a length word short of the data still serves shapes
    CxData data(archive.data(), CxUint32(archive.size()));
    DxShapeArchiveParser parser(data);
    DxShape* first = parser.GetShapeForId("three");
    ASSERT_NE(first, nullptr);
    ExpectSame(*first, {{{0, 1}, {2, 3}, {0, 1}}, {{4, 5}}, {{6, 7}, {8, 9}, {6, 7}}}, "closed rings");
    first->SetDate(CxDate(0.0));
    EXPECT_TRUE(parser.GetShapeForId("three") == first && CxDate(0.0) < first->Date()) << "one object, used later";
    first->SetType(99);
    parser.PurgeShapes(CxDate() + 1);
    ASSERT_NE(parser.GetShapeForId("three"), nullptr);
    EXPECT_EQ(parser.GetShapeForId("three")->Type(), 1234) << "parsed again after the purge";
    EXPECT_TRUE(parser.GetShapeForId("full8byt") && parser.GetShapeForId("full8byt")->CountPoints() == 3);
    EXPECT_TRUE(!parser.GetShapeForId("null") && !parser.GetShapeForId("far"));
}

TEST(DxShape, CopiesAndClipsIntoOtherProjections)
{
    const Parts outline = {{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}};
    DxShape square{GxDegreeProjection()}, line{GxDegreeProjection()};
    ASSERT_EQ(Parse(File(5, {Record(5, {0}, 5, {0, 0, 10, 0, 10, 10, 0, 10, 0, 0})}), square), "");
    square.NewStringField("t");
    const auto same = square.Copy(GxDegreeProjection());
    EXPECT_TRUE(same->Type() == 5 && same->CountFields() == 1 && same->FindStringField("t") != nullptr);
    ExpectSame(*same, outline, "equal projection");
    const double k = std::numbers::pi / 180;
    ExpectSame(*square.Copy(GxRadianProjection()), {{{0, 0}, {10 * k, 0}, {10 * k, 10 * k}, {0, 10 * k}, {0, 0}}},
               "inside", 1e-15);
    // Polar stereographic bounds stop at the equator: out, along outside, back in.
    ASSERT_EQ(Parse(File(3, {Record(3, {0}, 5, {0, 10, 0, -10, 10, -10, 10, 10, 20, 10})}), line), "");
    ExpectSame(*line.Copy(GxPolarStereoProjection())->Copy(GxDegreeProjection()),
               {{{0, 10}, {0, 0}}, {{10, 0}, {10, 10}, {20, 10}}}, "two pieces", 1e-9);
    // A fill keeps the rectangle's corner inside the square, an outline does not.
    for (const auto& [type, rect, resultType, hasCorner] :
         {std::tuple(5, GxRect(5, 5, 20, 20), 5, true), std::tuple(3, GxRect(5, 5, 20, 20), 3, false),
          std::tuple(5, GxRect(50, 50, 60, 60), 0, false)})
    {
        square.SetType(type);
        const auto clipped = square.CreateClippedShape(rect);
        EXPECT_EQ(clipped->Type(), resultType);
        const auto points = clipped->CountPoints() ? clipped->Polygons()[0]->Points() : std::vector<GxPoint>();
        EXPECT_EQ(std::count(points.begin(), points.end(), GxPoint(5, 5)) > 0, hasCorner) << type;
        for (const auto& polygon : clipped->Polygons())
            EXPECT_TRUE(rect.Contains(polygon->Bounds())) << type;
    }
}

TEST(DxShapeFrameBuilder, PointListsAndShapefilesBecomeFrames)
{
    const auto list = [](size_t inFirst, size_t inExtraBytes)
    {
        const float pairs[] = {NAN, 0, 1, 2, 3, 4, 1, 2, NAN, 0, 5, 6, 7, 8};
        Bytes bytes = "us:06"s + Bytes(251 + 4 * (14 - inFirst), '\0') + Bytes(inExtraBytes, '\0');
        for (size_t i = inFirst; i < 14; ++i)
            Put(bytes, 256 + 4 * (i - inFirst), std::bit_cast<CxUint32>(pairs[i]), true);
        return bytes;
    };
    const Bytes three = File(3, {Record(3, {0, 2, 3}, 5)});
    DxShapeClient client;
    client.SetRegion("us");
    client.SetFeature("06");
    for (const auto& [bytes, polygons, type] :
         {std::tuple(list(0, 0), 2, 3), std::tuple(list(2, 0), 2, 3), std::tuple(list(0, 4), 0, 5),
          std::tuple(three, 3, 3), std::tuple(three + '\0', -1, 0), std::tuple("us:07"s + Bytes(300, '\0'), 0, 1234)})
    {
        CxData data(bytes.data(), CxUint32(bytes.size()));
        auto shape = DxBuildShapeFrame(data, client.Id());
        ASSERT_EQ(std::pair(shape ? int(shape->CountPolygons()) : -1, shape ? shape->Type() : 0),
                  std::pair(polygons, type)); // -1 polygons: no frame
        if (polygons == 2)                    // a leading NaN or none: no point lost
            ExpectSame(*shape, {{{1, 2}, {3, 4}, {1, 2}}, {{5, 6}, {7, 8}}}, "point list");
        client.AcceptFrame(shape.release());
        EXPECT_EQ(client.Shape() != nullptr, polygons >= 0);
    }
}

TEST(DxShapeFuzz, SeedsGiveShapesAndSharedFilesReplayCleanThroughEveryReader)
{
    CxDebugCapture quiet;
    const auto replay = [](const Bytes& inBytes)
    { return DxShapeFuzzOne(reinterpret_cast<const std::uint8_t*>(inBytes.data()), inBytes.size()); };
    for (const auto& seed : std::filesystem::directory_iterator(DX_SHAPE_CORPUS))
        EXPECT_EQ(replay(ReadBytes(seed.path().string())), 0) << seed.path();
    SKY_NEED_TESTDATA_FILE(shared, "shapefile/blockgroups.shp");
    for (const auto& file : std::filesystem::directory_iterator(std::filesystem::path(shared).parent_path()))
        for (char reader : {'\0', '\1', '\2'})
            replay(reader + ReadBytes(file.path().string())); // under ASan
}
