// Items a parser makes live in its arena, yet each may still be deleted alone, orphaned and kept past the parser
// and the rest of its tree, adopted into a tree made by hand, or freed on another thread.
#include "XmlArena.h"
#include "XmlElement.h"
#include "XmlParser.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace
{

// Enough stations to fill several blocks, the later ones mapped ones.
std::string Stations(int inCount)
{
    std::string document = "<?vanedoc version=\"1.4d1\"?>\n<archive>\n";
    for (int i = 0; i < inCount; ++i)
        document += "\t<station id=\"S" + std::to_string(i) + "\" name=\"Z\xC3\xBCrich-Fluntern " + std::to_string(i) +
                    "\"><obs time=\"2024-01-01T00:00:00Z\">Clear sky, calm wind</obs><!-- c --></station>\n";
    return document + "</archive>\n";
}

XmlRoot* Parse(const std::string& inDocument)
{
    XmlParser parser;
    EXPECT_TRUE(parser.Parse(inDocument.data(), inDocument.size(), true));
    return parser.DetachRoot();
}

CxString Text(const char* inText)
{
    return CxString(inText);
}

TEST(XmlArena, SingleDeletesAndOrphansOutliveTheTree)
{
    for (int count : {2, 3, 40000})
    {
        SCOPED_TRACE(count);
        std::unique_ptr<XmlRoot> root(Parse(Stations(count)));
        XmlElement* archive = root->FindElement(Text("archive"));
        ASSERT_NE(archive, nullptr);
        std::vector<XmlElement*> stations = archive->GetElements();
        ASSERT_EQ(stations.size(), std::size_t(count));

        // A station deleted in place leaves its parent one child fewer.
        const CxUint32 before = archive->CountItems();
        delete stations.front();
        EXPECT_EQ(archive->CountItems(), before - 1);

        // The last station orphaned, an attribute and the text of its observation taken out too.
        XmlElement* kept = stations.back();
        archive->OrphanItem(kept);
        XmlElement* obs = kept->FindElement(Text("obs"));
        ASSERT_NE(obs, nullptr);
        XmlItem* text = *obs->ItemBegin();
        obs->OrphanItem(text);
        std::unique_ptr<XmlItem> keptText(text);
        XmlAttribute* name = kept->FindAttribute(Text("name"));
        kept->OrphanAttribute(name);
        std::unique_ptr<XmlAttribute> keptName(name);
        kept->ClearAttribute(Text("id"));

        root.reset();

        // Everything kept reads as parsed, long after its parser and its tree.
        EXPECT_EQ(kept->CountItems(), 2u);
        EXPECT_EQ(kept->CountAttributes(), 0u);
        EXPECT_EQ(obs->GetAttribute(Text("time")), Text("2024-01-01T00:00:00Z"));
        EXPECT_EQ(static_cast<XmlContent*>(keptText.get())->Text(), Text("Clear sky, calm wind"));
        EXPECT_EQ(keptName->Value(), CxString::FromUtf8("Z\xC3\xBCrich-Fluntern " + std::to_string(count - 1)));

        // Mixed with items made by hand, in either direction.
        XmlElement handMade(Text("hand"));
        handMade.AdoptItem(kept);
        kept->AdoptItem(new XmlContent(Text("by hand, in a parsed element")));
        kept->AdoptItem(keptText.release());
        EXPECT_EQ(handMade.CountItems(), 1u);
        EXPECT_EQ(kept->CountItems(), 4u);
    }
}

// Long texts and attribute values share their item's allocation; changing them, copying them and writing them
// work as on any other.
TEST(XmlArena, LongTextsChangeLikeAnyOther)
{
    std::unique_ptr<XmlRoot> root(Parse("<a long=\"a value longer than seven\" s=\"short\">a text longer than "
                                        "seven units</a>"));
    XmlElement* a = root->FindElement(Text("a"));
    ASSERT_NE(a, nullptr);
    XmlContent* content = AsXmlContent(*a->ItemBegin());
    ASSERT_NE(content, nullptr);
    const CxString before = content->Text();
    content->AppendText(Text(", and then some"));
    EXPECT_EQ(content->Text(), Text("a text longer than seven units, and then some"));
    EXPECT_EQ(before, Text("a text longer than seven units"));
    content->SetText(Text("replaced by a long text"));
    EXPECT_EQ(a->GetContent(), Text("replaced by a long text"));

    XmlAttribute* attribute = a->FindAttribute(Text("long"));
    ASSERT_NE(attribute, nullptr);
    const std::unique_ptr<XmlElement> copy(a->CopyDeep());
    a->SetAttribute(Text("long"), Text("another value, just as long"));
    attribute->SetName(Text("renamed"));
    EXPECT_EQ(a->GetAttribute(Text("renamed")), Text("another value, just as long"));
    EXPECT_EQ(copy->GetAttribute(Text("long")), Text("a value longer than seven"));
    EXPECT_EQ(copy->GetAttribute(Text("s")), Text("short"));
    EXPECT_EQ(copy->GetContent(), Text("replaced by a long text"));
}

TEST(XmlArena, CopiesOfParsedTreesAreIndependent)
{
    std::unique_ptr<XmlElement> copy;
    {
        std::unique_ptr<XmlRoot> root(Parse(Stations(5)));
        copy.reset(root->CopyDeep());
    }
    const XmlElement* archive = copy->FindElement(Text("archive"));
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(archive->GetElements().size(), 5u);
    const XmlRoot* root = AsXmlRoot(copy.get());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Property(Text("vanedoc"), Text("version")), Text("1.4d1"));
}

// Parts of one tree deleted on several threads at once, after the parser that made them is gone.
TEST(XmlArena, PartsFreedOnOtherThreads)
{
    std::unique_ptr<XmlRoot> root(Parse(Stations(20000)));
    XmlElement* archive = root->FindElement(Text("archive"));
    ASSERT_NE(archive, nullptr);
    std::vector<XmlElement*> stations = archive->GetElements();
    for (XmlElement* station : stations)
        archive->OrphanItem(station);
    root.reset();

    std::vector<std::thread> threads;
    constexpr std::size_t kThreads = 4;
    for (std::size_t t = 0; t < kThreads; ++t)
        threads.emplace_back(
            [&stations, t]
            {
                for (std::size_t i = t; i < stations.size(); i += kThreads)
                {
                    EXPECT_EQ(stations[i]->CountItems(), 2u);
                    delete stations[i];
                }
            });
    for (std::thread& thread : threads)
        thread.join();
}

// The arena by itself: objects carved from one block, freed in any order, the block outliving its arena.
TEST(XmlArena, BlocksLastUntilTheirLastObject)
{
    std::vector<void*> objects;
    {
        XmlArena arena;
        for (int i = 0; i < 100000; ++i)
        {
            void* object = arena.Allocate(8 + i % 120);
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(object) % XmlArena::kAlignment, 0u);
            std::memset(object, 0xA5, 8 + i % 120);
            objects.push_back(object);
        }
        for (std::size_t i = 0; i < objects.size(); i += 2)
            XmlArena::Free(objects[i]);
    }
    for (std::size_t i = 1; i < objects.size(); i += 2)
    {
        EXPECT_EQ(*static_cast<unsigned char*>(objects[i]), 0xA5);
        XmlArena::Free(objects[i]);
    }
    void* alone = XmlArena::AllocateAlone(24);
    XmlArena::Free(alone);
    XmlArena::Free(nullptr);
}

// An arena whose objects were all freed before it closed gives its block back as it closes (LeakSanitizer reports
// a block kept); so does one that never handed out an object.
TEST(XmlArena, ClosedAfterItsObjectsWereFreedReleasesItsBlock)
{
    for (const int count : {0, 1, 2, 500})
    {
        XmlArena arena;
        std::vector<void*> objects;
        for (int i = 0; i < count; ++i)
            objects.push_back(arena.Allocate(16 + i % 40));
        for (void* object : objects)
            XmlArena::Free(object);
    }
}

} // namespace
