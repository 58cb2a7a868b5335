#include "CxFile.h"
#include "DxField.h"
#include "DxShapeFileReader.h"
#include "TestSupport.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace
{
using Parts = std::vector<std::vector<GxPoint>>;

// Every part of every record as shapelib's shpdump lists it; a "+" line starts a new part.
bool ShpDump(const std::string& inPath, Parts& outParts, const char* inOption = "-precision 17")
{
    FILE* pipe = popen(("shpdump " + std::string(inOption) + " '" + inPath + "' 2>/dev/null").c_str(), "r");
    if (pipe == nullptr)
        return false;
    char line[512];
    bool any = false;
    while (std::fgets(line, sizeof line, pipe) != nullptr)
    {
        any = true;
        const char* text = line;
        while (*text == ' ')
            ++text;
        const bool more = *text == '+';
        if (std::strncmp(line, "Shape:", 6) == 0 || more)
            outParts.emplace_back();
        if (more)
            ++text;
        double x, y;
        if (std::sscanf(text, " (%lf,%lf,", &x, &y) == 2 && !outParts.empty())
            outParts.back().emplace_back(x, y);
    }
    std::erase_if(outParts, [](const auto& inPart) { return inPart.empty(); });
    return pclose(pipe) == 0 && any;
}

void ExpectSameParts(const DxShape& inShape, const Parts& inParts, const std::string& inWhat)
{
    ASSERT_EQ(inShape.CountPolygons(), inParts.size()) << inWhat;
    for (size_t p = 0; p < inParts.size(); ++p)
    {
        const auto& points = inShape.Polygons()[p]->Points();
        ASSERT_EQ(points.size(), inParts[p].size()) << inWhat << " part " << p;
        for (size_t i = 0; i < points.size(); ++i)
            ASSERT_TRUE(std::abs(points[i].mX - inParts[p][i].mX) <= 1e-12 &&
                        std::abs(points[i].mY - inParts[p][i].mY) <= 1e-12)
                << inWhat << " part " << p << " point " << i;
    }
}

CxData ReadFile(const std::string& inPath)
{
    std::ifstream in(inPath, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return CxData(bytes.data(), CxUint32(bytes.size()));
}

// Parses, answering the error's class name or "" with the shape filled.
std::string Parse(CxData inData, DxShape& ioShape)
{
    try
    {
        DxShapeParser().ParseIntoShape(inData, &ioShape);
    }
    catch (const CxError& inError)
    {
        return inError.Class().AsUtf8();
    }
    return "";
}

void Big(std::string& ioBytes, size_t inAt, CxUint32 inValue)
{
    for (int i = 0; i < 4; ++i)
        ioBytes[inAt + i] = char(inValue >> (24 - 8 * i));
}

void Little(std::string& ioBytes, size_t inAt, CxUint32 inValue)
{
    for (int i = 0; i < 4; ++i)
        ioBytes[inAt + i] = char(inValue >> (8 * i));
}

std::string ShapeFileBytes(DxShape& inShape, const std::string& inPath)
{
    CxFile file(CxString(inPath.c_str()), true);
    DxShapeFileWriter().WriteShape(file, inShape);
    std::ifstream in(inPath, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The index other readers need beside the main file: offset and content length of every record, in words.
void WriteIndex(const std::string& inBytes, const std::string& inPath)
{
    std::string index = inBytes.substr(0, 100);
    for (size_t at = 100; at + 8 <= inBytes.size();)
    {
        const CxUint32 words = CxUint32((unsigned char)inBytes[at + 4]) << 24 | (unsigned char)inBytes[at + 5] << 16 |
                               (unsigned char)inBytes[at + 6] << 8 | (unsigned char)inBytes[at + 7];
        index += std::string(8, '\0');
        Big(index, index.size() - 8, CxUint32(at / 2));
        Big(index, index.size() - 4, words);
        at += 8 + 2 * size_t(words);
    }
    Big(index, 24, CxUint32(index.size() / 2));
    std::ofstream(inPath, std::ios::binary) << index;
}

DxShape MakeShape(CxSint32 inType, const Parts& inParts)
{
    DxShape shape{GxDegreeProjection()};
    shape.SetType(inType);
    shape.BeginData();
    for (const auto& part : inParts)
    {
        shape.AcceptVertex(false);
        for (const GxPoint& point : part)
            shape.AcceptPoint(point);
    }
    shape.EndData();
    return shape;
}
} // namespace

TEST(DxShapeFile, SharedFilesReadAsShpdumpReadsThem)
{
    const struct
    {
        const char* mName;
        bool mKeepsPoints; // point files read as empty shapes
    } kCases[] = {{"blockgroups", true},
                  {"naturalearth_lowres", true},
                  {"wagner7_ne_110m_coastline", true},
                  {"wagner7_ne_110m_admin_1_states_provinces_lines", true},
                  {"naturalearth_cities", false}};
    for (const auto& test : kCases)
    {
        SKY_NEED_TESTDATA_FILE(path, std::string("shapefile/") + test.mName + ".shp");
        DxShape shape{GxDegreeProjection()};
        ASSERT_EQ(Parse(ReadFile(path), shape), "") << test.mName;
        Parts parts;
        if (!test.mKeepsPoints)
            EXPECT_EQ(shape.CountPolygons(), 0u) << test.mName;
        else if (ShpDump(path, parts))
            ExpectSameParts(shape, parts, test.mName);
        else
            EXPECT_FALSE(sky::test::TestDataRequired()) << "shpdump (shapelib) is needed";
    }
    // Both length words disagree with the file's size (MyPolyZ's says 268 bytes of 316).
    for (const char* name : {"corrupt_too_long", "MyPolyZ"})
    {
        SKY_NEED_TESTDATA_FILE(path, std::string("shapefile/") + name + ".shp");
        DxShape shape{GxDegreeProjection()};
        EXPECT_EQ(Parse(ReadFile(path), shape), "DxErrorShapeInvalidSize") << name;
        CxData data = ReadFile(path);
        EXPECT_EQ(DxShapeParser().ParseShape(data), nullptr) << name;
    }
}

namespace
{
std::string Record(CxSint32 inType, const std::vector<CxUint32>& inStarts, CxUint32 inPoints)
{
    std::string content(inType == 0 ? 4 : 44 + 4 * inStarts.size() + 16 * inPoints, '\0');
    Little(content, 0, CxUint32(inType));
    if (inType != 0)
    {
        Little(content, 36, CxUint32(inStarts.size()));
        Little(content, 40, inPoints);
        for (size_t i = 0; i < inStarts.size(); ++i)
            Little(content, 44 + 4 * i, inStarts[i]);
        for (CxUint32 i = 0; i < 2 * inPoints; ++i) // x, y = 0, 1, 2, ...
        {
            const double value = i;
            std::memcpy(&content[44 + 4 * inStarts.size() + 8 * i], &value, 8);
        }
    }
    std::string header(8, '\0');
    Big(header, 4, CxUint32(content.size() / 2));
    return header + content;
}

std::string File(CxSint32 inType, const std::vector<std::string>& inRecords)
{
    std::string bytes(100, '\0');
    Big(bytes, 0, 9994);
    Little(bytes, 28, 1000);
    Little(bytes, 32, CxUint32(inType));
    for (const auto& record : inRecords)
        bytes += record;
    Big(bytes, 24, CxUint32(bytes.size() / 2));
    return bytes;
}
} // namespace

TEST(DxShapeFile, GeneratedFilesReadOrFailByClass)
{
    const std::string three = File(3, {Record(3, {0, 2, 3}, 5)});
    const std::string twoWithNull = File(5, {Record(5, {0}, 4), Record(0, {}, 0), Record(5, {0}, 3)});
    const struct
    {
        const char* mWhat;
        std::string mBytes;
        const char* mError;
        CxUint32 mPolygons;
    } kCases[] = {
        {"three parts", three, "", 3},
        {"null record between", twoWithNull, "", 2},
        {"file code",
         [&]
         {
             auto b = three;
             Big(b, 0, 9995);
             return b;
         }(),
         "DxErrorShapeUnsupportedFileCode", 0},
        {"unused word",
         [&]
         {
             auto b = three;
             Big(b, 16, 1);
             return b;
         }(),
         "DxErrorShapeNonzeroUnusedHeaderField", 0},
        {"length word one more",
         [&]
         {
             auto b = three;
             Big(b, 24, CxUint32(b.size() / 2 + 1));
             return b;
         }(),
         "DxErrorShapeInvalidSize", 0},
        {"one byte more", three + '\0', "DxErrorShapeInvalidSize", 0},
        {"version",
         [&]
         {
             auto b = three;
             Little(b, 28, 999);
             return b;
         }(),
         "DxErrorShapeUnsupportedVersion", 0},
        {"record of another type",
         [&]
         {
             auto b = three;
             Little(b, 108, 5);
             return b;
         }(),
         "DxErrorShapeWrongType", 0},
        {"content past the data",
         [&]
         {
             auto b = three;
             Big(b, 104, 0x7fffffff);
             return b;
         }(),
         "DxErrorShapeInvalidSize", 0},
        {"points past the content",
         [&]
         {
             auto b = three;
             Little(b, 148, 6);
             return b;
         }(),
         "DxErrorShapeInvalidSize", 0},
        {"parts past the content",
         [&]
         {
             auto b = three;
             Little(b, 144, 0x40000000);
             return b;
         }(),
         "DxErrorShapeInvalidSize", 0},
        {"part start past the points",
         [&]
         {
             auto b = three;
             Little(b, 160, 5);
             return b;
         }(),
         "DxErrorShapeInvalidSize", 0},
        {"first part not at 0",
         [&]
         {
             auto b = three;
             Little(b, 152, 1);
             return b;
         }(),
         "DxErrorShapeInvalidSize", 0},
        {"points without parts", File(3, {Record(3, {}, 2)}), "DxErrorShapeInvalidSize", 0},
        {"header cut", three.substr(0, 60), "DxErrorShapeInvalidSize", 0},
        {"record header cut",
         [&]
         {
             auto b = three + std::string(4, '\0');
             Big(b, 24, CxUint32(b.size() / 2));
             return b;
         }(),
         "DxErrorShapeInvalidSize", 0},
    };
    for (const auto& test : kCases)
    {
        DxShape shape{GxDegreeProjection()};
        EXPECT_EQ(Parse(CxData(test.mBytes.data(), CxUint32(test.mBytes.size())), shape), test.mError) << test.mWhat;
        if (*test.mError == '\0')
        {
            EXPECT_EQ(shape.CountPolygons(), test.mPolygons) << test.mWhat;
        }
    }
    // The parts split the points where their starts say: 2, 1 and 2 points, x = 0, 2, 4, ...
    DxShape shape{GxDegreeProjection()};
    ASSERT_EQ(Parse(CxData(three.data(), CxUint32(three.size())), shape), "");
    ExpectSameParts(shape, {{{0, 1}, {2, 3}}, {{4, 5}}, {{6, 7}, {8, 9}}}, "three parts");
}

TEST(DxShapeFile, WrittenFilesReadBackHereAndInShapelib)
{
    const auto folder = std::filesystem::temp_directory_path() / ("dec5-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const Parts twoRings = {{{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}},
                            {{2, 2}, {3, 2}, {4, 3}, {3, 4}, {2, 4}, {1, 3}, {2, 2}}};
    DxShape polygons = MakeShape(5, twoRings);
    const std::string bytes = ShapeFileBytes(polygons, (folder / "rings.shp").string());
    ASSERT_EQ(bytes.size(), 404u);
    EXPECT_EQ(bytes[27], char(202));                           // length word, low byte
    EXPECT_TRUE(bytes[103] == 1 && bytes[100 + 136 + 3] == 2); // records numbered 1 and 2
    for (CxSint32 type : {1, 3, 5})
    {
        const std::string path = (folder / ("t" + std::to_string(type) + ".shp")).string();
        DxShape shape = MakeShape(type, {{{-10.5, 20.25}, {30, 40}, {-10.5, 20.25}}, {{1e-7, -89.99}, {179.9, 0}}});
        const std::string written = ShapeFileBytes(shape, path);
        WriteIndex(written, path.substr(0, path.size() - 4) + ".shx");
        DxShape back{GxDegreeProjection()};
        EXPECT_EQ(Parse(CxData(written.data(), CxUint32(written.size())), back), "") << type;
        Parts listed;
        if (!ShpDump(path, listed, "-validate -precision 17"))
        {
            EXPECT_FALSE(sky::test::TestDataRequired()) << "shpdump (shapelib) is needed";
            continue;
        }
        if (type == 1) // one record per point: one listed part per point
            EXPECT_EQ(listed.size(), 5u);
        else
        {
            ExpectSameParts(shape, listed, "shpdump of ours, type " + std::to_string(type));
            ExpectSameParts(back, listed, "ours back, type " + std::to_string(type));
        }
    }
    CxFile file(CxString((folder / "rings.shp").string().c_str()), false);
    DxShape unknown = MakeShape(1234, twoRings);
    DxShapeFileWriter().WriteShape(file, unknown);
    EXPECT_EQ(std::filesystem::file_size(folder / "rings.shp"), 404u);
    std::filesystem::remove_all(folder);
}
