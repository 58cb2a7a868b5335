// The login store: the file "logins" in the preferences folder, readable by its owner only. One line per login:
// kind ("generic" or "proxy"), key, name and password, separated by tabs, in UTF-8, with tab, line feed and
// backslash escaped. The file is always written whole to a temporary file that then replaces it, so a reader
// sees the old store or the new one, never half of one; writers, of any process, take turns through a lock file.
#include "CxSystem.h"

#include "CxCriticalRegion.h"
#include "CxDebug.h"
#include "CxError.h"
#include "LinuxCxFile.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr const char* kGenericKind = "generic";
constexpr const char* kProxyKind = "proxy";
constexpr CxSint32 kDefaultProxyPort = 1080;

struct Login
{
    std::string mKind;
    std::string mKey;
    std::string mName;
    std::string mPassword;
    std::string mLine; // a line this version does not read, written back as it was
};

CxCriticalRegion& StoreRegion()
{
    // Never destroyed: job threads may still ask while statics go.
    static CxCriticalRegion* sRegion = new CxCriticalRegion;
    return *sRegion;
}

std::string Escape(const std::string& inText)
{
    std::string out;
    out.reserve(inText.size());
    for (const char c : inText)
    {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string Unescape(const std::string& inText)
{
    std::string out;
    out.reserve(inText.size());
    for (std::size_t i = 0; i < inText.size(); ++i)
    {
        const char c = inText[i];
        if (c != '\\' || i + 1 == inText.size())
        {
            out += c;
            continue;
        }
        const char next = inText[++i];
        if (next == 't')
            out += '\t';
        else if (next == 'n')
            out += '\n';
        else if (next == '\\')
            out += '\\';
        else
        {
            out += '\\';
            out += next;
        }
    }
    return out;
}

std::vector<std::string> Split(const std::string& inText, char inSeparator)
{
    std::vector<std::string> parts;
    std::size_t begin = 0;
    for (;;)
    {
        const std::size_t end = inText.find(inSeparator, begin);
        parts.push_back(inText.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
        if (end == std::string::npos)
            return parts;
        begin = end + 1;
    }
}

std::string StorePath(bool inCreateFolder)
{
    return LinuxCxFolderPath(kCxPreferencesFolder, inCreateFolder) + "/logins";
}

// The store's logins; a missing file holds none. False when the file exists but cannot be read.
bool ReadStore(std::vector<Login>& outLogins)
{
    outLogins.clear();
    std::string path;
    try
    {
        path = StorePath(false);
    }
    catch (const CxError& error)
    {
        CxDebug(error);
        return false;
    }
    // Without waiting on a FIFO planted in its place.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
    {
        if (errno == ENOENT)
            return true;
        _CxDebugOut(__FILE__, __LINE__, "Cannot read the login store", path.c_str());
        return false;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
    {
        ::close(fd);
        _CxDebugOut(__FILE__, __LINE__, "The login store is not a file", path.c_str());
        return false;
    }
    std::string text;
    char buffer[4096];
    for (;;)
    {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
        {
            ::close(fd);
            _CxDebugOut(__FILE__, __LINE__, "Cannot read the login store", path.c_str());
            return false;
        }
        if (got == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);

    for (const std::string& line : Split(text, '\n'))
    {
        if (line.empty())
            continue;
        const std::vector<std::string> fields = Split(line, '\t');
        Login login;
        if (fields.size() == 4 && (fields[0] == kGenericKind || fields[0] == kProxyKind))
        {
            login.mKind = fields[0];
            login.mKey = Unescape(fields[1]);
            login.mName = Unescape(fields[2]);
            login.mPassword = Unescape(fields[3]);
        }
        else
        {
            login.mLine = line;
        }
        outLogins.push_back(std::move(login));
    }
    return true;
}

bool WriteAll(int inFd, const std::string& inText)
{
    std::size_t done = 0;
    while (done < inText.size())
    {
        const ssize_t wrote = ::write(inFd, inText.data() + done, inText.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote < 0)
            return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// Writes the whole store to a private temporary file beside it, then renames that over the store.
bool WriteStore(const std::vector<Login>& inLogins)
{
    std::string path;
    try
    {
        path = StorePath(true);
    }
    catch (const CxError& error)
    {
        CxDebug(error);
        return false;
    }
    std::string text;
    for (const Login& login : inLogins)
    {
        if (login.mKind.empty())
            text += login.mLine;
        else
            text +=
                login.mKind + "\t" + Escape(login.mKey) + "\t" + Escape(login.mName) + "\t" + Escape(login.mPassword);
        text += '\n';
    }

    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
    {
        _CxDebugOut(__FILE__, __LINE__, "Cannot write the login store", path.c_str());
        return false;
    }
    const bool written = ::fchmod(fd, 0600) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), path.c_str()) != 0)
    {
        ::unlink(temporary.c_str());
        _CxDebugOut(__FILE__, __LINE__, "Cannot write the login store", path.c_str());
        return false;
    }
    return true;
}

// Keeps other processes out of the store from reading it to replacing it: flock on a file beside it. Readers
// take no lock, since the replacement is one rename.
class StoreLock
{
public:
    StoreLock()
    {
        std::string path;
        try
        {
            path = StorePath(true) + ".lock";
        }
        catch (const CxError& error)
        {
            CxDebug(error);
            return;
        }
        mFd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600);
        const auto deadline = std::chrono::steady_clock::now() + kLockWait;
        while (mFd >= 0 && ::flock(mFd, LOCK_EX | LOCK_NB) != 0)
        {
            if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > deadline)
            {
                ::close(mFd);
                mFd = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (mFd < 0)
            _CxDebugOut(__FILE__, __LINE__, "Cannot lock the login store", path.c_str());
    }
    ~StoreLock()
    {
        if (mFd >= 0)
            ::close(mFd); // and with it the lock
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    bool Held() const { return mFd >= 0; }

private:
    // Another process holds the lock for one read, change and write of a small file.
    static constexpr std::chrono::seconds kLockWait{5};
    int mFd = -1;
};

// The first login of the kind (and key, unless null).
Login* FindLogin(std::vector<Login>& ioLogins, const char* inKind, const std::string* inKey)
{
    for (Login& login : ioLogins)
    {
        if (login.mKind == inKind && (inKey == nullptr || login.mKey == *inKey))
            return &login;
    }
    return nullptr;
}

int HexValue(char inChar)
{
    if (inChar >= '0' && inChar <= '9')
        return inChar - '0';
    if (inChar >= 'a' && inChar <= 'f')
        return inChar - 'a' + 10;
    if (inChar >= 'A' && inChar <= 'F')
        return inChar - 'A' + 10;
    return -1;
}

std::string PercentDecoded(const std::string& inText)
{
    std::string out;
    for (std::size_t i = 0; i < inText.size(); ++i)
    {
        if (inText[i] == '%' && i + 2 < inText.size() && HexValue(inText[i + 1]) >= 0 && HexValue(inText[i + 2]) >= 0)
        {
            out += static_cast<char>(HexValue(inText[i + 1]) * 16 + HexValue(inText[i + 2]));
            i += 2;
        }
        else
        {
            out += inText[i];
        }
    }
    return out;
}

struct ProxyUrl
{
    std::string mHost;
    CxSint32 mPort = kDefaultProxyPort;
    bool mHasLogin = false;
    std::string mUser;
    std::string mPassword;
};

// "[scheme://][user:password@]host[:port][/...]". False for a text without a host or with a bad port.
bool ParseProxy(const std::string& inText, ProxyUrl& outProxy)
{
    std::string rest = inText;
    const std::size_t scheme = rest.find("://");
    if (scheme != std::string::npos)
        rest.erase(0, scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));

    const std::size_t at = rest.rfind('@');
    if (at != std::string::npos)
    {
        const std::string info = rest.substr(0, at);
        const std::size_t colon = info.find(':');
        outProxy.mHasLogin = true;
        outProxy.mUser = PercentDecoded(info.substr(0, colon));
        outProxy.mPassword = colon == std::string::npos ? std::string() : PercentDecoded(info.substr(colon + 1));
        rest.erase(0, at + 1);
    }

    std::string port;
    if (!rest.empty() && rest[0] == '[')
    {
        // An IPv6 address keeps its brackets, as libcurl takes it.
        const std::size_t close = rest.find(']');
        if (close == std::string::npos)
            return false;
        outProxy.mHost = rest.substr(0, close + 1);
        const std::string after = rest.substr(close + 1);
        if (!after.empty() && after[0] != ':')
            return false;
        if (!after.empty())
            port = after.substr(1);
    }
    else
    {
        const std::size_t colon = rest.rfind(':');
        outProxy.mHost = rest.substr(0, colon);
        if (colon != std::string::npos)
            port = rest.substr(colon + 1);
    }
    if (outProxy.mHost.empty())
        return false;
    if (!port.empty())
    {
        if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos)
            return false;
        const int value = std::atoi(port.c_str());
        if (value < 1 || value > 65535)
            return false;
        outProxy.mPort = value;
    }
    return true;
}

} // namespace

bool CxReadAuthentication(const CxString& inKey, CxString& outName, CxString& outPassword)
{
    CxAutoLock lock(StoreRegion());
    std::vector<Login> logins;
    if (!ReadStore(logins))
        return false;
    const std::string key = inKey.AsUtf8();
    const Login* login = FindLogin(logins, kGenericKind, &key);
    if (login == nullptr)
        return false;
    outName = CxString::FromUtf8(login->mName);
    outPassword = CxString::FromUtf8(login->mPassword);
    return true;
}

bool CxWriteAuthentication(const CxString& inKey, const CxString& inName, const CxString& inPassword)
{
    CxAutoLock lock(StoreRegion());
    const StoreLock storeLock;
    std::vector<Login> logins;
    // A store that cannot be read is never overwritten: that would lose every other login in it.
    if (!storeLock.Held() || !ReadStore(logins))
        return false;
    const std::string key = inKey.AsUtf8();
    const std::string name = inName.AsUtf8();
    const std::string password = inPassword.AsUtf8();
    const bool clearing = name.empty() && password.empty();
    Login* login = FindLogin(logins, kGenericKind, &key);
    if (login != nullptr && clearing)
    {
        logins.erase(logins.begin() + (login - logins.data()));
    }
    else if (login != nullptr)
    {
        login->mName = name;
        login->mPassword = password;
    }
    else if (!clearing)
    {
        logins.push_back(Login{kGenericKind, key, name, password, {}});
    }
    else
    {
        return true;
    }
    return WriteStore(logins);
}

bool CxGetProxySettings(CxString& outHost, CxSint32& outPort, CxString& outUser, CxString& outPassword, bool inHttps)
{
    auto variable = [](const char* inName) -> const char*
    {
        const char* text = std::getenv(inName);
        return text != nullptr && text[0] != '\0' ? text : nullptr;
    };
    const char* value = nullptr;
    if (inHttps)
        value = variable("https_proxy") ? variable("https_proxy") : variable("HTTPS_PROXY");
    if (value == nullptr)
        value = variable("http_proxy");
    if (value == nullptr)
        return false;
    ProxyUrl proxy;
    if (!ParseProxy(value, proxy))
    {
        _CxDebugOut(__FILE__, __LINE__, "Unreadable proxy setting", value);
        return false;
    }
    outHost = CxString::FromUtf8(proxy.mHost);
    outPort = proxy.mPort;

    std::vector<Login> logins;
    const Login* stored = nullptr;
    {
        CxAutoLock lock(StoreRegion());
        if (ReadStore(logins))
            stored = FindLogin(logins, kProxyKind, nullptr);
    }
    if (stored != nullptr)
    {
        outUser = CxString::FromUtf8(stored->mName);
        outPassword = CxString::FromUtf8(stored->mPassword);
    }
    else if (proxy.mHasLogin)
    {
        outUser = CxString::FromUtf8(proxy.mUser);
        outPassword = CxString::FromUtf8(proxy.mPassword);
    }
    return true;
}
