// The radar netCDF diagnostics on a netCDF-4 file made by ncgen: string attributes as ncdump lists them, and a
// type of the file's own reported without being read.
#include "CxDebug.h"
#include "CxFile.h"
#include "DxNidsNetCDF.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace
{

std::string Output(const std::string& inCommand)
{
    std::string text;
    if (FILE* pipe = popen(inCommand.c_str(), "r"))
    {
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}

TEST(RadarNetCDFDiagnostics, StringAttributesListEveryValueAndOwnTypesAreNotRead)
{
    sky::test::TempHome home;
    const std::string cdl = home.Path() + "/s.cdl", nc = home.Path() + "/s.nc";
    std::ofstream(cdl) << "netcdf s { types: opaque(4) blob_t; dimensions: Range = 2; variables: int Range(Range);"
                          " string Range:names = \"first\", \"second value\"; Range:units = \"m\";"
                          " blob_t Range:blob = 0XDEADBEEF; string :title = \"one\", \"two\"; string :empty = \"\";"
                          " data: Range = 1, 2; }";
    ASSERT_EQ(std::system(("ncgen -4 -o '" + nc + "' '" + cdl + "'").c_str()), 0);

    CxDebugCapture capture;
    NidsNetCDFParser::DumpFile(CxFile(CxString::FromUtf8(nc), false));
    // Each attribute's block, keyed as ncdump names it: the lines between its name and the closing bracket.
    std::map<std::string, std::vector<std::string>> blocks;
    std::string variable, key;
    bool inBlock = false;
    for (const std::string& line : capture.Lines())
    {
        const std::string message = line.substr(line.find(": ") + 2);
        if (message.rfind("Variable = ", 0) == 0)
            variable = message.substr(11, message.find('(') - 11);
        else if (message == "[=========" || message == "=========]")
        {
            inBlock = message[0] == '[';
            key.clear();
        }
        else if (inBlock && key.empty() && message.rfind("Attribute = ", 0) == 0)
        {
            key = variable + ":" + message.substr(12);
            blocks[key];
        }
        else if (inBlock)
            blocks[key].push_back(message);
    }
    EXPECT_EQ(blocks[":title"], std::vector<std::string>{"Value = \"one\", \"two\""});
    EXPECT_EQ(blocks["Range:names"], std::vector<std::string>{"Value = \"first\", \"second value\""});
    EXPECT_EQ(blocks["Range:units"], std::vector<std::string>{"Value = m"});
    EXPECT_EQ(blocks[":empty"], std::vector<std::string>{"Value = \"\""});
    EXPECT_EQ(blocks["Range:blob"], std::vector<std::string>{"Bad type!"});

    // Every string attribute as ncdump writes it: `string name = values ;`.
    std::istringstream listing(Output("ncdump -h '" + nc + "' 2>/dev/null"));
    int strings = 0;
    for (std::string line; std::getline(listing, line);)
    {
        const std::size_t start = line.find("string ");
        const std::size_t equals = line.find(" = ");
        if (start == std::string::npos || equals == std::string::npos || line.size() < equals + 5)
            continue;
        ++strings;
        const std::string name = line.substr(start + 7, equals - start - 7);
        const std::string value = line.substr(equals + 3, line.size() - 2 - equals - 3);
        EXPECT_EQ(blocks[name], std::vector<std::string>{"Value = " + value}) << name;
    }
    EXPECT_EQ(strings, 3);
}

} // namespace
