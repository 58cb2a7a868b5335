#include "WeatherTestKit.h"

#include "WxMap.h"
#include "WxParser.h"
#include "XmlBuilder.h"
#include "XmlWriter.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace wxkit
{

std::string Vanedoc(const std::string& inBody, const std::string& inVersion)
{
    return "<?vanedoc version=\"" + inVersion + "\"?><vanedoc>" + inBody + "</vanedoc>";
}

std::unique_ptr<WxParser> KitParser(const std::string& inText)
{
    auto parser = std::make_unique<WxParser>();
    parser->Parse(inText.data(), inText.size(), true);
    return parser;
}

std::unique_ptr<WxMap> KitMap(const std::string& inMapElement)
{
    const std::unique_ptr<WxParser> parser = KitParser(Vanedoc(inMapElement));
    EXPECT_EQ(parser->ErrorMessage().AsUtf8(), "");
    return std::unique_ptr<WxMap>(parser->Map());
}

std::string KitLabels(const WxMap& inMap)
{
    std::string labels;
    for (auto product = inMap.ProductBegin(); product != inMap.ProductEnd(); ++product)
    {
        if (const auto* kit = dynamic_cast<const KitProduct*>(*product))
            labels += kit->Label() + ((*product)->IsSelected() ? "*" : "");
    }
    return labels;
}

std::string WriteDocument(const WxMap& inMap)
{
    return WriteVanedoc([&inMap](XmlBuilder& ioBuilder) { inMap.Externalize(ioBuilder); });
}

std::string WriteVanedoc(const std::function<void(XmlBuilder&)>& inBody)
{
    XmlBuilder builder;
    builder.Instruction("vanedoc", "version=\"1.4d1\"");
    builder.Begin("vanedoc");
    inBody(builder);
    builder.End("vanedoc");
    std::ostringstream out;
    XmlStdStreamWriter writer(out);
    builder.Write(writer);
    return out.str();
}

namespace
{

std::string ReadAndWrite(const std::string& inText)
{
    WxParser parser;
    if (!parser.Parse(inText.data(), inText.size(), true) || !parser.CompatibleVersion())
        return std::string();
    std::unique_ptr<WxMap> map(parser.Map());
    return map != nullptr ? WriteDocument(*map) : std::string();
}

} // namespace

RoundTripResult RoundTrip(const std::string& inText)
{
    RoundTripResult result;
    result.mFirst = ReadAndWrite(inText);
    result.mSecond = ReadAndWrite(result.mFirst);
    return result;
}

std::string Fixture(const std::string& inName)
{
    std::ifstream in(std::string(SKYVANE_SOURCE_DIR "/Frameworks/WeatherObjects/Tests/Kit/Fixtures/") + inName,
                     std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace wxkit
