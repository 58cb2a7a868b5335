// XML text in and out for the frame tests.
#pragma once

#include "XmlBuilder.h"
#include "XmlElement.h"
#include "XmlParser.h"
#include "XmlWriter.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

namespace dxtest
{

// The builder's document through the formatted standard-stream writer.
inline std::string Written(const XmlBuilder& inBuilder)
{
    std::ostringstream out;
    XmlStdStreamWriter writer(out);
    inBuilder.Write(writer);
    return out.str();
}

// A parsed document, kept whole; Element() is its document element.
class ParsedXml
{
public:
    explicit ParsedXml(const std::string& inText)
    {
        XmlParser parser;
        EXPECT_TRUE(parser.Parse(inText.data(), inText.size(), true)) << inText;
        mRoot.reset(parser.DetachRoot());
    }

    const XmlElement* Element() const
    {
        const auto elements = mRoot != nullptr ? mRoot->GetElements() : std::vector<XmlElement*>();
        return elements.empty() ? nullptr : elements.front();
    }

private:
    std::unique_ptr<XmlRoot> mRoot;
};

} // namespace dxtest
