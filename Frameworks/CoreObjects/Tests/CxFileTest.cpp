#include "CxFile.h"
#include "CxData.h"
#include "CxDebug.h"
#include "CxError.h"
#include "LinuxCxFile.h"

#include "CxFileTestHelpers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <functional>
#include <set>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

using cx4::Exists;
using cx4::ModeOf;
using cx4::ReadFile;
using cx4::ScopedEnv;
using cx4::U;
using cx4::WriteFile;

namespace
{

constexpr double kUnixToCxDate = 978307200.0;

class CxFileTest : public ::testing::Test
{
protected:
    std::string At(const std::string& inRelative) const { return mHome.Path() + "/" + inRelative; }
    CxFolder Home() const { return CxFolder(CxFileRef{mHome.Path()}); }

    sky::test::TempHome mHome;
};

// ---- folder ids

// Three rows of the folder table and its special cases: a variable set, the private folders, one never created.
TEST_F(CxFileTest, FolderIdsFollowTheXdgVariables)
{
    ScopedEnv desktop("XDG_DESKTOP_DIR", At("Schreibtisch"));
    ScopedEnv config("XDG_CONFIG_HOME", At("cfg"));
    ScopedEnv data("XDG_DATA_DIRS", At("first/") + ":/usr/share");
    const std::pair<CxFolderId, std::string> cases[] = {
        {kCxRootFolder, "/"},
        {kCxHomeFolder, mHome.Path()},
        {kCxDesktopFolder, At("Schreibtisch")},
        {kCxDownloadsFolder, At("Downloads")},
        {kCxPreferencesFolder, At("cfg/skyvane")},
        {kCxLocalApplicationSupportFolder, At("first")},
    };
    for (const auto& [id, path] : cases)
    {
        EXPECT_EQ(CxFolder(id).Path().AsUtf8(), path) << "id " << id;
        EXPECT_TRUE(id == kCxLocalApplicationSupportFolder || std::filesystem::is_directory(path)) << "id " << id;
    }
    EXPECT_EQ(ModeOf(At("cfg/skyvane")) & 077, 0);

    CxDebugCapture capture;
    EXPECT_EQ(CxFolder(static_cast<CxFolderId>(10)).Path().AsUtf8(), At("Schreibtisch"));
    EXPECT_GT(capture.Count(), 0u);
}

TEST_F(CxFileTest, FolderIdsWithoutTheXdgVariablesAreCreatedWhenMissing)
{
    ScopedEnv a("XDG_DESKTOP_DIR", std::nullopt);
    ScopedEnv b("XDG_DOWNLOAD_DIR", "relative/ignored");
    ScopedEnv d("XDG_DATA_HOME", "");
    ScopedEnv f("XDG_CACHE_HOME", std::nullopt);
    std::filesystem::remove_all(At("Desktop"));
    std::filesystem::remove_all(At(".cache"));
    const std::pair<CxFolderId, std::string> cases[] = {
        {kCxDesktopFolder, At("Desktop")},
        {kCxDownloadsFolder, At("Downloads")},
        {kCxApplicationSupportFolder, At(".local/share/skyvane")},
        {kCxCachesFolder, At(".cache/skyvane")},
    };
    for (const auto& [id, path] : cases)
    {
        EXPECT_EQ(CxFolder(id).Path().AsUtf8(), path) << "id " << id;
        EXPECT_TRUE(std::filesystem::is_directory(path)) << "id " << id;
    }
    ScopedEnv data("XDG_DATA_DIRS", "share:/usr/share");
    EXPECT_EQ(CxFolder(kCxLocalApplicationSupportFolder).Path().AsUtf8(), "/usr/local/share");
}

TEST_F(CxFileTest, TemporaryFolderIsPrivateToTheUser)
{
    ScopedEnv tmp("TMPDIR", At("tmp"));
    const std::string expected = At("tmp/skyvane-") + std::to_string(::getuid());
    EXPECT_EQ(CxFolder(kCxTemporaryFolder).Path().AsUtf8(), expected);
    EXPECT_EQ(ModeOf(expected), 0700);
    ASSERT_EQ(::chmod(expected.c_str(), 0755), 0);
    CxFolder again(kCxTemporaryFolder);
    EXPECT_EQ(ModeOf(expected), 0700);

    // A link planted under that name in a shared folder is refused.
    std::filesystem::remove_all(expected);
    std::filesystem::create_directory_symlink(mHome.Path(), expected);
    EXPECT_THROW(CxFolder{kCxTemporaryFolder}, CxErrorFilePermissions);
}

// ---- paths and names

TEST_F(CxFileTest, PathWalks)
{
    EXPECT_THROW(CxFolder(U("A/B"), false), CxErrorFileNotFound);
    const CxFolder created(U("~/A/B"), true);
    EXPECT_EQ(created.Path().AsUtf8(), At("A/B"));
    EXPECT_TRUE(CxFolder(U("A/B"), false) == created);
    EXPECT_TRUE(CxFolder(U(At("A/B")), false) == created);
    EXPECT_TRUE(CxFolder(U("~//A/B/"), false) == created); // doubled and trailing slashes
    EXPECT_EQ(CxFolder(U(""), false).Path().AsUtf8(), "/");

    const std::string file = At("A/B/new.txt");
    EXPECT_THROW(CxFile(U(file), false), CxErrorFileNotFound);
    EXPECT_EQ(CxFile(U(file), true).Size(), 0u);
    WriteFile(file, "kept");
    EXPECT_EQ(CxFile(U(file), true).Size(), 4u); // what exists is returned untouched
    EXPECT_TRUE(CxFile(U("~/A/B/new.txt"), false).IsValid());

    // Through a file, or without a file name, fails loudly.
    EXPECT_THROW(CxFile(U("A/B/new.txt/x"), true), CxErrorDirectoryNotFound);
    EXPECT_THROW(CxFile(U("A/B/"), true), CxErrorBadFileName);
}

TEST_F(CxFileTest, NamesThatReachAnotherFolderAreRefused)
{
    CxFolder inner = Home().CreateFolder("inner");
    CxFile file = Home().CreateFile("secret");
    for (const char* name : {"", ".", "..", "../secret", "a/b"})
    {
        const CxString bad(name);
        EXPECT_THROW(inner.CreateFolder(bad), CxErrorBadFileName) << name;
        EXPECT_THROW(inner.CreateFile(bad), CxErrorBadFileName) << name;
        EXPECT_THROW(inner.ExistingFolder(bad), CxErrorBadFileName) << name;
        EXPECT_THROW(inner.ExistingFile(bad), CxErrorBadFileName) << name;
        EXPECT_THROW(file.SetName(bad), CxErrorBadFileName) << name;
        EXPECT_FALSE(inner.Contains(bad) || inner.ContainsFile(bad) || inner.ContainsFolder(bad)) << name;
    }
    EXPECT_THROW(CxFolder(U("inner/../x"), true), CxErrorBadFileName);
    EXPECT_TRUE(file.IsValid());
    EXPECT_TRUE(inner.IsEmpty());
}

// ---- children

TEST_F(CxFileTest, ChildrenByKind)
{
    std::filesystem::create_directory(At("real"));
    WriteFile(At("file"), "x");
    std::filesystem::create_directory_symlink(At("real"), At("link1"));
    std::filesystem::create_directory_symlink(At("link1"), At("link2"));
    std::filesystem::create_symlink(At("nowhere"), At("dangling"));
    const CxFolder home = Home();
    const struct
    {
        const char* mName;
        bool mContains, mFile, mFolder;
    } cases[] = {{"real", true, false, true},
                 {"file", true, true, false},
                 {"link2", true, false, true},
                 {"dangling", true, false, false},
                 {"missing", false, false, false}};
    for (const auto& c : cases)
    {
        EXPECT_EQ(home.Contains(c.mName), c.mContains) << c.mName;
        EXPECT_EQ(home.ContainsFile(c.mName), c.mFile) << c.mName;
        EXPECT_EQ(home.ContainsFolder(c.mName), c.mFolder) << c.mName;
    }
    // A chain of links resolves to the folder it stands for; a file's link is not resolved.
    EXPECT_EQ(home.ExistingFolder("link2").Path().AsUtf8(), std::filesystem::canonical(At("real")).string());
    EXPECT_THROW(home.ExistingFolder("dangling"), CxErrorFileNotFound);
    EXPECT_THROW(home.ExistingFolder("file"), CxErrorDirectoryNotFound);
    EXPECT_THROW(home.ExistingFile("missing"), CxErrorFileNotFound);
    EXPECT_THROW(home.ExistingFile("real"), CxErrorNotAFile);

    // CreateFolder returns an existing file as it is; operations on it then fail loudly.
    CxFolder notAFolder = Home().CreateFolder("file");
    EXPECT_EQ(notAFolder.Path().AsUtf8(), At("file"));
    EXPECT_FALSE(notAFolder.IsValid());
    EXPECT_EQ(ReadFile(At("file")), "x");
    EXPECT_THROW(notAFolder.Contents(), CxErrorDirectoryNotFound);
    EXPECT_THROW(notAFolder.CreateFile("x"), CxErrorDirectoryNotFound);
}

TEST_F(CxFileTest, ContentsListsEveryItemHiddenOnesToo)
{
    CxFolder folder = Home().CreateFolder("list");
    EXPECT_TRUE(folder.IsEmpty());
    folder.CreateFile(".hidden");
    folder.CreateFile(U("n\xC3\xA4me"));
    folder.CreateFolder("sub");
    std::set<std::string> names;
    for (const CxFolderItem& item : folder.Contents())
    {
        names.insert(item.Name().AsUtf8());
        EXPECT_EQ(item.AsString().AsUtf8(), At("list/") + item.Name().AsUtf8());
        EXPECT_EQ(item.IsFolder(), item.Name() == "sub");
        EXPECT_EQ(item.IsFile(), item.Name() != "sub");
    }
    EXPECT_EQ(names, (std::set<std::string>{".hidden", "n\xC3\xA4me", "sub"}));
    EXPECT_FALSE(CxFolderItem().IsFile() || CxFolderItem().IsFolder());
}

TEST_F(CxFileTest, DeleteRemovesFilesAndOnlyEmptyFolders)
{
    CxFolder folder = Home().CreateFolder("full");
    CxFile file = folder.CreateFile("one");
    EXPECT_THROW(folder.Delete(), CxErrorFilePermissions);
    EXPECT_TRUE(Exists(At("full/one")));
    EXPECT_THROW(CxFile(folder.GetRef()).Delete(), CxErrorNotAFile);
    file.Delete();
    EXPECT_THROW(file.Delete(), CxErrorFileNotFound);
    folder.Delete();
    EXPECT_FALSE(Exists(At("full")));
}

// ---- item properties

TEST_F(CxFileTest, PermissionGroups)
{
    CxFile file = Home().CreateFile("perms");
    ASSERT_EQ(::chmod(At("perms").c_str(), 0644), 0);
    EXPECT_EQ(file.OwnerPerms() * 100 + file.GroupPerms() * 10 + file.OtherPerms(), 644);
    file.SetOwnerPerms(7);
    EXPECT_EQ(ModeOf(At("perms")), 0744);
    file.SetGroupPerms(0);
    file.SetOtherPerms(5);
    EXPECT_EQ(ModeOf(At("perms")), 0705);
    file.SetPerms(0xFE, 0xF9, 0xF8); // the low three bits of each
    EXPECT_EQ(ModeOf(At("perms")), 0610);
    EXPECT_THROW(CxFile(CxFileRef{"/nonexistent/x"}).OwnerPerms(), CxErrorFileNotFound);
}

TEST_F(CxFileTest, DatesAreWholeSecondsOfTheFileSystem)
{
    CxFile file = Home().CreateFile("dated");
    const struct timespec times[2] = {{0, UTIME_OMIT}, {1234567890, 750000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, At("dated").c_str(), times, 0), 0);
    EXPECT_EQ(file.ModificationDate().AbsoluteTime(), 1234567890.0 - kUnixToCxDate);

    struct stat info;
    for (const double seconds : {1500000000.25, -1000.5})
    {
        file.SetModificationDate(CxDate(seconds - kUnixToCxDate));
        ASSERT_EQ(::stat(At("dated").c_str(), &info), 0);
        EXPECT_EQ(info.st_mtim.tv_sec, std::floor(seconds));
        EXPECT_EQ(file.ModificationDate().AbsoluteTime(), std::floor(seconds) - kUnixToCxDate);
    }

    // The birth time where the file system keeps one (the file was made moments ago), else the modification
    // date; it cannot be set. The file system stamps times finer than time() reads them: now is the fine clock's,
    // rounded up.
    const double born = file.CreationDate().AbsoluteTime();
    struct timespec fine = {};
    ASSERT_EQ(::clock_gettime(CLOCK_REALTIME, &fine), 0);
    const double now = double(fine.tv_sec + (fine.tv_nsec > 0 ? 1 : 0)) - kUnixToCxDate;
    EXPECT_TRUE(born == std::floor(-1000.5) - kUnixToCxDate || (born <= now && born > now - 600)) << born;
    file.SetCreationDate(CxDate(0.0));
    EXPECT_EQ(file.CreationDate().AbsoluteTime(), born);

    EXPECT_THROW(file.SetModificationDate(CxDate(std::nan(""))), CxErrorFileParam);
    EXPECT_THROW(file.SetModificationDate(CxDate(1e300)), CxErrorFileParam);
}

TEST_F(CxFileTest, RenamesAndMovesAreFollowedAndNeverReplace)
{
    const std::string name = "after \xE2\x9C\x93";
    CxFile file = Home().CreateFile("before");
    WriteFile(At("before"), "moved data");
    file.SetName(U(name));
    EXPECT_EQ(file.Name().AsUtf8(), name);
    EXPECT_EQ(ReadFile(At(name)), "moved data");
    EXPECT_FALSE(Exists(At("before")));

    WriteFile(At("taken"), "other data");
    EXPECT_THROW(file.SetName("taken"), CxErrorFileAlreadyExists);
    EXPECT_EQ(ReadFile(At("taken")), "other data");

    CxFolder target = Home().CreateFolder("target");
    file.MoveTo(target);
    EXPECT_EQ(file.Path().AsUtf8(), At("target/" + name));
    EXPECT_TRUE(file.Parent() == target);
    EXPECT_EQ(file.ReadContents().Size(), 10u);

    CxFile second = Home().CreateFile(U(name));
    EXPECT_THROW(second.MoveTo(target), CxErrorFileAlreadyExists);
    EXPECT_EQ(ReadFile(At("target/" + name)), "moved data");

    CxFolder sub = Home().CreateFolder("sub");
    sub.MoveTo(target);
    sub.SetName("renamed");
    EXPECT_EQ(sub.Path().AsUtf8(), At("target/renamed"));
    EXPECT_TRUE(sub.IsValid());
}

TEST_F(CxFileTest, IdentityPathsUrlsAndVolumes)
{
    CxFolder folder = Home().CreateFolder("with space");
    CxFile file = folder.CreateFile(U("caf\xC3\xA9#1.txt"));
    std::filesystem::create_directory_symlink(At("with space"), At("alias"));
    EXPECT_TRUE(file == CxFile(CxFileRef{At("alias/caf\xC3\xA9#1.txt")}));
    EXPECT_TRUE(file != folder.CreateFile("other"));
    EXPECT_TRUE(CxFile() == CxFile());

    EXPECT_EQ(file.Url().AsUtf8(), "file://" + mHome.Path() + "/with%20space/caf%C3%A9%231.txt");
    EXPECT_EQ(folder.Url().AsUtf8(), "file://" + mHome.Path() + "/with%20space/");
    EXPECT_EQ(CxFolder(kCxRootFolder).Url().AsUtf8(), "file:///");
    EXPECT_EQ(CxFolder(CxFileRef{At("with space//")}).Name().AsUtf8(), "with space");
    EXPECT_EQ(CxFolder(CxFileRef{"/"}).Path().AsUtf8(), "/");
    EXPECT_FALSE(file.IsLocked());

    // The volume: the topmost folder above the item on the same device.
    const std::string top = file.Volume().Path().AsUtf8();
    EXPECT_EQ(At("with space").rfind(top, 0), 0u);
    struct stat a;
    struct stat b;
    ASSERT_EQ(::stat(top.c_str(), &a), 0);
    ASSERT_EQ(::stat(std::filesystem::path(top).parent_path().c_str(), &b), 0);
    EXPECT_TRUE(top == "/" || a.st_dev != b.st_dev) << top;
}

TEST_F(CxFileTest, MimeFollowsTheExtension)
{
    const std::pair<const char*, const char*> cases[] = {
        {"a.b.kdf", "application/kdf"}, {"noextension", ""}, {"upper.PNG", ""}, {".png", ""}};
    for (const auto& [name, mime] : cases)
        EXPECT_EQ(CxFile(CxFileRef{At(name)}).Mime().AsUtf8(), mime) << name;
}

// ---- contents and sizes

TEST_F(CxFileTest, ContentsRoundTrip)
{
    CxFile file = Home().CreateFile("data.bin");
    EXPECT_EQ(file.ReadContents().Size(), 0u);
    std::string bytes;
    for (int i = 0; i < 70000; ++i)
        bytes += static_cast<char>(i * 7);
    CxData data(bytes.data(), static_cast<CxUint32>(bytes.size()));
    file.WriteContents(data);
    CxData tail("tail", 4);
    file.AppendContents(tail);
    EXPECT_EQ(ReadFile(At("data.bin")), bytes + "tail");
    CxData back = file.ReadContents();
    ASSERT_EQ(back.Size(), bytes.size() + 4);
    {
        CxAutoLock lock(back);
        EXPECT_EQ(std::string(static_cast<const char*>(back.Pointer()), back.Size()), bytes + "tail");
    }
    CxData none;
    file.WriteContents(none);
    EXPECT_EQ(file.Size(), 0u);
    // Files that tell no size are read to their end, past the first 64 KiB too: every other page of a mapping
    // made inaccessible gives this process's map thousands of lines.
    EXPECT_GT(CxFile(CxFileRef{"/proc/self/status"}).ReadContents().Size(), 0u);
    {
        const long page = ::sysconf(_SC_PAGESIZE);
        const int pages = 4000;
        void* region = ::mmap(nullptr, std::size_t(page) * pages, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(region, MAP_FAILED);
        for (int i = 0; i < pages; i += 2)
            ::mprotect(static_cast<char*>(region) + std::size_t(page) * i, std::size_t(page), PROT_NONE);
        CxData maps = CxFile(CxFileRef{"/proc/self/maps"}).ReadContents();
        ::munmap(region, std::size_t(page) * pages);
        ASSERT_GT(maps.Size(), 65536u * 2);
        CxAutoLock lock(maps);
        EXPECT_EQ(static_cast<const char*>(maps.Pointer())[maps.Size() - 1], '\n');
    }

    CxFile missing(CxFileRef{At("missing")});
    EXPECT_THROW(missing.ReadContents(), CxErrorFileNotFound);
    EXPECT_THROW(missing.WriteContents(tail), CxErrorFileNotFound);
    EXPECT_THROW(missing.AppendContents(tail), CxErrorFileNotFound);
    EXPECT_FALSE(Exists(At("missing")));
    EXPECT_THROW(CxFile(CxFileRef{mHome.Path()}).ReadContents(), CxErrorNotAFile);
}

TEST_F(CxFileTest, SizesFromFourGibibytesOnAreOutOfBounds)
{
    CxFile file = Home().CreateFile("sparse");
    const int fd = ::open(At("sparse").c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    if (::ftruncate(fd, 4294967295LL) != 0)
    {
        ::close(fd);
        GTEST_SKIP() << "no sparse files here";
    }
    EXPECT_EQ(file.Size(), 4294967295u);
    ASSERT_EQ(::ftruncate(fd, 4294967296LL), 0);
    ::close(fd);
    EXPECT_THROW(file.Size(), CxErrorFileBounds);
    CxFileSource source(file, kCxFileAccessRead);
    EXPECT_THROW(source.Length(), CxErrorFileBounds);
}

// ---- errno

TEST(CxFileErrnoTest, ErrnosAndTheirClasses)
{
    const struct
    {
        int mErrno;
        CxSint16 mStatus;
        const char* mClass;
    } cases[] = {
        // Plain rows, two errnos that share a status, and one without a status of its own.
        {ENOENT, -43, "CxErrorFileNotFound"},     {EISDIR, -1302, "CxErrorNotAFile"}, {EBUSY, -47, "CxErrorFileBusy"},
        {EPERM, -54, "CxErrorFilePermissions"},   {EDQUOT, -34, "CxErrorVolumeFull"}, {ENOTEMPTY, 0, "CxError"},
        {EMFILE, -42, "CxErrorTooManyFilesOpen"}, {EINVAL, -50, "CxErrorFileParam"},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(LinuxCxErrnoStatus(c.mErrno), c.mStatus) << c.mErrno;
        try
        {
            LinuxCxThrowErrno(c.mErrno, "dir/LinuxCxFile.cpp", 42);
        }
        catch (const CxError& error)
        {
            EXPECT_EQ(error.AsString().AsUtf8(), std::string(c.mClass) + ": LinuxCxFile.cpp, line 42");
        }
    }
    EXPECT_EQ(LinuxCxErrnoStatus(ENOTEMPTY, true), -54);
}

// Whether the action was refused as a permission failure; any other error passes through.
template <typename Action> bool Denied(Action inAction)
{
    try
    {
        inAction();
    }
    catch (const CxErrorFilePermissions&)
    {
        return true;
    }
    return false;
}

TEST_F(CxFileTest, DeniedAccessIsAPermissionFailure)
{
    // Outside the private home, so that only the file's own mode stands in the way.
    std::string folder = "/tmp/skyvane-denied-XXXXXX";
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    WriteFile(folder + "/private", "secret");
    ASSERT_EQ(::chmod((folder + "/private").c_str(), 0600), 0);
    // Bit 1: the read went through, bit 2: the creation.
    auto attempts = [&]() -> int
    {
        return (Denied([&] { (void)CxFile(CxFileRef{folder + "/private"}).ReadContents(); }) ? 0 : 1) |
               (Denied([&] { (void)CxFolder(CxFileRef{folder}).CreateFile("new"); }) ? 0 : 2);
    };
    int failures = 0;
    if (::geteuid() == 0)
    {
        // Root may do anything: the attempts run in a child that has become "nobody".
        const struct passwd* nobody = ::getpwnam("nobody");
        ASSERT_NE(nobody, nullptr);
        const pid_t child = ::fork();
        if (child == 0)
        {
            if (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0)
                ::_exit(64);
            ::_exit(attempts());
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        failures = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    }
    else
    {
        ::chmod((folder + "/private").c_str(), 0);
        ::chmod(folder.c_str(), 0555);
        failures = attempts();
        ::chmod(folder.c_str(), 0755);
    }
    std::filesystem::remove_all(folder);
    EXPECT_EQ(failures, 0);
}

} // namespace
