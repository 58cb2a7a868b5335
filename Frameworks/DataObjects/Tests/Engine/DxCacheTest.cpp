#include "DxCache.h"
#include "CxDate.h"
#include "CxDebug.h"
#include "DxManager.h"
#include "DxRecord.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <sys/resource.h>

namespace
{

namespace fs = std::filesystem;

const CxStringList kExtensions{".kdf", ".xkdf", ".nc"};
const CxStringList kSub{"kdf"};
// 2008-03-07 23:30 UTC: already the 8th in Auckland.
const CxDate kLate(2008, 3, 7, 23, 30, 0, 0);

class DxCacheTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        mData = fs::path(mHome.Path()) / "data-root";
        mTemp = fs::path(mHome.Path()) / "cache-root";
        fs::create_directories(mData);
        fs::create_directories(mTemp);
    }

    DxCache& Make(const CxString& inId = "obs")
    {
        mCache.emplace(Folder(mData), Folder(mTemp), inId, false);
        return *mCache;
    }
    static CxFolder Folder(const fs::path& inPath) { return CxFolder(CxFileRef{inPath.string()}); }
    static void Put(const fs::path& inPath, const std::string& inText)
    {
        fs::create_directories(inPath.parent_path());
        std::ofstream(inPath) << inText;
    }
    static std::string Read(const fs::path& inPath)
    {
        std::ifstream in(inPath);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void Write(DxRecord& ioRecord, const std::string& inText, const CxString& inExtension)
    {
        CxData data(inText.data(), CxUint32(inText.size()));
        mCache->WriteDataFile(&ioRecord, data, kSub, kExtensions, "base", inExtension, CxDate(), true);
    }
    fs::path TempDay() const { return mTemp / "obs" / "Temporary" / "2008" / "03" / "07" / "kdf"; }
    fs::path ArchiveDay() const { return mData / "obs" / "data" / "2008" / "03" / "07" / "kdf"; }
    std::size_t Leftovers(const fs::path& inFolder) const
    {
        std::size_t count = 0;
        for (const auto& entry : fs::directory_iterator(inFolder))
            count += entry.path().filename().string().starts_with(".") ? 1 : 0;
        return count;
    }

    sky::test::TempHome mHome;
    fs::path mData, mTemp;
    std::optional<DxCache> mCache;
};

TEST_F(DxCacheTest, FilesAreStoredFoundArchivedAndDeletedInTheirTrees)
{
    struct Case
    {
        const char* name;
        std::function<void(DxCacheTest&, DxRecord&)> act;
        std::function<void(DxCacheTest&, DxRecord&)> check;
    };
    const Case cases[] = {
        {"xkdf replaces kdf",
         [](DxCacheTest& t, DxRecord& r) { t.Write(r, "old", ".kdf"), t.Write(r, "new", ".xkdf"); },
         [](DxCacheTest& t, DxRecord&)
         {
             EXPECT_FALSE(fs::exists(t.TempDay() / "base.kdf"));
             EXPECT_EQ(Read(t.TempDay() / "base.xkdf"), "new");
         }},
        {"kdf found first",
         [](DxCacheTest& t, DxRecord& r)
         {
             t.Write(r, "x", ".xkdf");
             Put(t.TempDay() / "base.kdf", "k");
         },
         [](DxCacheTest& t, DxRecord& r)
         { EXPECT_EQ(t.mCache->FindDataFile(&r, kSub, kExtensions, "base", true).Name(), "base.kdf"); }},
        {"archive only: the record archives", [](DxCacheTest& t, DxRecord&) { Put(t.ArchiveDay() / "base.nc", "a"); },
         [](DxCacheTest& t, DxRecord& r)
         {
             EXPECT_EQ(t.mCache->FindDataFile(&r, kSub, kExtensions, "base", true).Name(), "base.nc");
             EXPECT_TRUE(r.Archiving());
         }},
        {"delete: temporary copy only",
         [](DxCacheTest& t, DxRecord& r)
         {
             t.Write(r, "t", ".kdf");
             Put(t.ArchiveDay() / "base.kdf", "a");
             t.mCache->DeleteDataFile(&r, kSub, kExtensions, "base", true);
         },
         [](DxCacheTest& t, DxRecord&)
         {
             EXPECT_FALSE(fs::exists(t.TempDay() / "base.kdf"));
             EXPECT_EQ(Read(t.ArchiveDay() / "base.kdf"), "a");
         }},
        {"archive moves the file",
         [](DxCacheTest& t, DxRecord& r)
         {
             t.Write(r, "t", ".xkdf");
             t.mCache->ArchiveDataFile(&r, kSub, kExtensions, "base", true);
         },
         [](DxCacheTest& t, DxRecord&)
         {
             EXPECT_FALSE(fs::exists(t.TempDay() / "base.xkdf"));
             EXPECT_EQ(Read(t.ArchiveDay() / "base.xkdf"), "t");
         }},
    };
    // UTC date folders whatever the local zone.
    const char* oldTz = std::getenv("TZ");
    const std::string savedTz = oldTz != nullptr ? oldTz : "";
    setenv("TZ", "Pacific/Auckland", 1);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        fs::remove_all(mData / "obs");
        fs::remove_all(mTemp / "obs");
        Make();
        DxRecord record(kLate, "stn");
        c.act(*this, record);
        c.check(*this, record);
        mCache.reset();
        EXPECT_FALSE(fs::exists(mTemp / "obs" / "Temporary")) << "temporary files outlive the cache";
    }
    oldTz != nullptr ? setenv("TZ", savedTz.c_str(), 1) : unsetenv("TZ");
}

TEST_F(DxCacheTest, NamesFromOutsideMakeNothingOutsideTheRoots)
{
    const std::string longName(300, 'n');
    // A string ends at its first NUL, so "a\0b" arrives as the plain name "a": it must only stay inside.
    const struct
    {
        CxString name;
        bool refused;
    } cases[] = {{"..", true}, {"../../escaped", true},      {"a/b", true},
                 {"", true},   {CxString("a\0b", 3), false}, {CxString(longName.c_str()), true}};
    const auto before = std::distance(fs::directory_iterator(mHome.Path()), {});
    for (const auto& [name, refused] : cases)
    {
        SCOPED_TRACE(name.AsUtf8());
        DxRecord record(kLate, "stn");
        {
            DxCache& cache = Make(name);
            Write(record, "x", ".kdf");
            if (refused)
            {
                EXPECT_FALSE(cache.FindDataFile(&record, kSub, kExtensions, "base", true).IsValid());
                EXPECT_FALSE(cache.HasFiles());
                EXPECT_TRUE(fs::is_empty(mData));
                EXPECT_TRUE(fs::is_empty(mTemp));
            }
            mCache.reset();
        }
        fs::remove_all(mData / "a");
        fs::remove_all(mTemp / "a");
        // As a component of a good id's path: no file.
        DxCache& cache = Make();
        CxData data("x", 1);
        const CxStringList subs{name};
        cache.WriteDataFile(&record, data, subs, kExtensions, "base", ".kdf", CxDate(), true);
        cache.WriteDataFile(&record, data, kSub, kExtensions, name, ".kdf", CxDate(), false);
        cache.WriteInfoFile(name, data, CxDate());
        if (refused)
        {
            EXPECT_FALSE(cache.FindDataFile(&record, subs, kExtensions, "base", true).IsValid());
            EXPECT_FALSE(cache.FindDataFile(&record, kSub, kExtensions, name, false).IsValid());
            EXPECT_EQ(cache.ReadInfo(name).Size(), 0u);
            EXPECT_EQ(cache.GetInfoFileModDate(name), DxManager::sMissingDate);
        }
        mCache.reset();
        fs::remove_all(mData / "obs");
        fs::remove_all(mTemp / "obs");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(mHome.Path()), {}), before);
    EXPECT_FALSE(fs::exists(fs::path(mHome.Path()).parent_path() / "escaped"));
}

// A base name is one plain name before its extension is added: "" would otherwise find ".kdf", and ".." "...kdf".
TEST_F(DxCacheTest, OnlyAPlainBaseNameFindsAFile)
{
    DxCache& cache = Make();
    DxRecord record(kLate, "stn");
    for (const char* decoy : {".kdf", "..kdf", "...kdf", "base.kdf"})
        Put(TempDay() / decoy, "x");
    Put(TempDay().parent_path() / "up.kdf", "above");
    Put(TempDay() / "sub" / "in.kdf", "below");
    for (const char* name : {"", ".", "..", "../up", "sub/in"})
        EXPECT_FALSE(cache.FindDataFile(&record, kSub, kExtensions, name, true).IsValid()) << name;
    EXPECT_TRUE(cache.FindDataFile(&record, kSub, kExtensions, "base", true).IsValid());
}

TEST_F(DxCacheTest, AFailedReplaceKeepsTheEarlierCopiesAndNoTemporaryFile)
{
    struct Case
    {
        const char* name;
        std::function<void(DxCacheTest&)> hinder;
        std::function<void()> undo;
    };
    struct rlimit saved = {};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const Case cases[] = {
        {"a write cut by the file-size limit",
         [&saved](DxCacheTest&)
         {
             struct rlimit small = saved;
             small.rlim_cur = 64;
             setrlimit(RLIMIT_FSIZE, &small);
         },
         [&saved] { setrlimit(RLIMIT_FSIZE, &saved); }},
        {"a folder at the target", [](DxCacheTest& t) { fs::create_directories(t.TempDay() / "base.xkdf" / "in"); },
         [] {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        fs::remove_all(mTemp / "obs");
        Make();
        DxRecord record(kLate, "stn");
        Write(record, "earlier kdf", ".kdf");
        c.hinder(*this);
        Write(record, std::string(1000, 'z'), ".xkdf");
        c.undo();
        EXPECT_EQ(Read(TempDay() / "base.kdf"), "earlier kdf");
        EXPECT_FALSE(fs::is_regular_file(TempDay() / "base.xkdf"));
        EXPECT_EQ(Leftovers(TempDay()), 0u);
        // The same name once unhindered replaces the earlier copy in one step.
        fs::remove_all(TempDay() / "base.xkdf");
        Write(record, "later", ".kdf");
        EXPECT_EQ(Read(TempDay() / "base.kdf"), "later");
        mCache.reset();
    }
    std::signal(SIGXFSZ, oldHandler);
}

TEST_F(DxCacheTest, InfoDocumentsKeepTheServersDate)
{
    DxCache& cache = Make();
    {
        // A document not fetched yet is normal and says nothing; one that cannot be read is reported.
        CxDebugCapture capture;
        EXPECT_EQ(cache.ReadInfo("config.xml").Size(), 0u);
        EXPECT_EQ(cache.GetInfoFileModDate("config.xml"), DxManager::sMissingDate);
        EXPECT_EQ(capture.Count(), 0u);
        fs::create_directories(mData / "obs" / "info" / "folder.xml");
        EXPECT_EQ(cache.ReadInfo("folder.xml").Size(), 0u);
        EXPECT_GT(capture.Count(), 0u);
    }
    const CxDate served(2009, 7, 4, 5, 6, 7, 0);
    CxData data("<x/>", 4);
    cache.WriteInfoFile("config.xml", data, served);
    EXPECT_EQ(Read(mData / "obs" / "info" / "config.xml"), "<x/>");
    EXPECT_EQ(cache.GetInfoFileModDate("config.xml"), served);
    const auto stamp = fs::last_write_time(mData / "obs" / "info" / "config.xml");
    EXPECT_EQ(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::file_clock::to_sys(stamp).time_since_epoch())
            .count(),
        1246683967); // date -u -d '2009-07-04 05:06:07' +%s
}

} // namespace
