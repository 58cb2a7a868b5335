#include "PfWholeFile.h"

#include <cerrno>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pf
{

namespace
{

constexpr std::size_t kSuffixLength = 8;

// ".NAME.XXXXXXXX", NAME cut at a character's start when the whole would pass the folder's limit.
std::string HiddenName(int inFolder, const std::string& inName, const std::string& inSuffix)
{
    long limit = fpathconf(inFolder, _PC_NAME_MAX);
    if (limit <= 0)
        limit = 255;
    const std::size_t extra = 2 + inSuffix.size();
    std::string stem = inName;
    if (stem.size() + extra > std::size_t(limit))
    {
        stem.resize(std::size_t(limit) > extra ? std::size_t(limit) - extra : 0);
        while (!stem.empty() && (static_cast<unsigned char>(inName[stem.size()]) & 0xC0) == 0x80)
            stem.pop_back();
    }
    return "." + stem + "." + inSuffix;
}

int OpenFresh(int inFolder, const std::string& inName, std::string& outHidden)
{
    thread_local std::mt19937_64 sRandom{std::random_device{}()};
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        std::string suffix(kSuffixLength, ' ');
        for (char& letter : suffix)
            letter = kLetters[sRandom() % (sizeof(kLetters) - 1)];
        outHidden = HiddenName(inFolder, inName, suffix);
        const int file =
            openat(inFolder, outHidden.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (file >= 0 || errno != EEXIST)
            return file;
    }
    errno = EEXIST;
    return -1;
}

// Someone who may write into the folder could have moved another file to the name.
bool HoldsFile(int inFolder, const std::string& inName, int inFile)
{
    struct stat named
    {
    };
    struct stat opened
    {
    };
    return fstatat(inFolder, inName.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && fstat(inFile, &opened) == 0 &&
           named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

// The descriptor closed however the scope ends.
class Closing
{
public:
    explicit Closing(int inFile) : mFile(inFile) {}
    ~Closing() { close(mFile); }
    Closing(const Closing&) = delete;
    Closing& operator=(const Closing&) = delete;

private:
    int mFile;
};

void Discard(int inFolder, const std::string& inHidden, int inFile)
{
    if (HoldsFile(inFolder, inHidden, inFile))
        unlinkat(inFolder, inHidden.c_str(), 0);
}

// The step and errno, then errno's words.
std::string Refused(WholeFileRefusal* outRefusal, WholeFileRefusal::Step inStep, int inError)
{
    if (outRefusal != nullptr)
        *outRefusal = {inStep, inError};
    return std::strerror(inError);
}

} // namespace

std::string WriteAll(int inFile, const void* inBytes, std::size_t inSize)
{
    const auto* bytes = static_cast<const char*>(inBytes);
    while (inSize > 0)
    {
        const ssize_t wrote = write(inFile, bytes, inSize);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return wrote < 0 ? std::strerror(errno) : "nothing written";
        bytes += wrote;
        inSize -= std::size_t(wrote);
    }
    return std::string();
}

std::string WriteWholeFile(int inFolder, const std::string& inName, const FileFiller& inFill,
                           WholeFileRefusal* outRefusal)
{
    if (outRefusal != nullptr)
        *outRefusal = WholeFileRefusal();
    if (inName.empty() || inName.find('/') != std::string::npos || inName == "." || inName == "..")
        return "\"" + inName + "\" is no file name";
    std::string hidden;
    const int file = OpenFresh(inFolder, inName, hidden);
    if (file < 0)
        return Refused(outRefusal, WholeFileRefusal::kFresh, errno);
    const Closing closing(file);
    std::string failure;
    try
    {
        failure = inFill(file);
    }
    catch (...)
    {
        Discard(inFolder, hidden, file);
        throw;
    }
    struct stat written
    {
    };
    if (failure.empty() && (fstat(file, &written) != 0 || written.st_size == 0))
        failure = "nothing written";
    if (failure.empty() && !HoldsFile(inFolder, hidden, file))
        failure = hidden + " was replaced";
    if (failure.empty() && renameat(inFolder, hidden.c_str(), inFolder, inName.c_str()) != 0)
    {
        const int error = errno;
        Discard(inFolder, hidden, file);
        return Refused(outRefusal, WholeFileRefusal::kRename, error);
    }
    if (!failure.empty())
        Discard(inFolder, hidden, file);
    return failure;
}

std::string WriteWholeFile(const std::string& inPath, const FileFiller& inFill, WholeFileRefusal* outRefusal)
{
    const std::size_t slash = inPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : inPath.substr(0, slash);
    const std::string name = slash == std::string::npos ? inPath : inPath.substr(slash + 1);
    const int opened = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (opened < 0)
    {
        const int error = errno;
        return folder + ": " + Refused(outRefusal, WholeFileRefusal::kFresh, error);
    }
    const Closing closing(opened);
    return WriteWholeFile(opened, name, inFill, outRefusal);
}

} // namespace pf
