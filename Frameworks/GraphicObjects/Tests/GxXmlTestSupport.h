// XML round trips of graphic objects for the tests.
#pragma once

#include "XmlBuilder.h"
#include "XmlElement.h"
#include "XmlParser.h"
#include "XmlWriter.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace gxtest
{

// The text an object writes of itself.
template <class Object> std::string Externalized(const Object& inObject)
{
    XmlBuilder builder;
    inObject.Externalize(builder);
    std::ostringstream out;
    XmlStdStreamWriter writer(out);
    builder.Write(writer);
    return out.str();
}

// The object made from the first inName element of a document, which must parse.
template <class Object> Object ReadFirst(const std::string& inDocument, const char* inName)
{
    XmlParser parser;
    EXPECT_TRUE(parser.Parse(inDocument.data(), inDocument.size(), true)) << parser.ErrorMessage().AsUtf8();
    return Object(parser.Root()->FindElement(inName));
}

} // namespace gxtest
