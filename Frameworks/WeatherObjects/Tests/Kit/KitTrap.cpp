#include "WeatherTestKit.h"

#include <cstdlib>

namespace wxkit
{

namespace
{

const char* const kProxyNames[] = {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY"};

} // namespace

KitTrap::KitTrap()
{
    for (const char* name : kProxyNames)
    {
        const char* old = std::getenv(name);
        mSaved.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
        setenv(name, mServer.Base().c_str(), 1);
    }
}

KitTrap::~KitTrap()
{
    for (const auto& [name, value] : mSaved)
    {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
}

std::vector<std::string> KitTrap::Caught() const
{
    std::vector<std::string> lines;
    for (const sky::test::HttpRequest& request : mServer.Requests())
        lines.push_back(request.method + " " + request.path);
    return lines;
}

} // namespace wxkit
