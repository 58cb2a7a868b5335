// vanerender: map documents drawn to PNG pictures from their real data. See VaneRender.h and --help.
#include "VaneRender.h"

#include <cstdio>

int main(int argc, char** argv)
{
    VaneOptions options;
    const std::string problem = VaneParseOptions(std::vector<std::string>(argv + 1, argv + argc), options);
    if (!problem.empty())
    {
        std::fprintf(stderr, "vanerender: %s\n%s", problem.c_str(), VaneUsage().c_str());
        return kVaneUsage;
    }
    if (options.mHelp)
    {
        std::printf("%s", VaneUsage().c_str());
        return kVaneDone;
    }
    int status = kVaneDone;
    try
    {
        const VaneSession session;
        status = VaneRender(options);
    }
    catch (...)
    {
        // Out of memory before the first document, say: the session went with the throw, its scratch folder too.
        std::fprintf(stderr, "vanerender: %s\n", VaneReason(std::current_exception()).c_str());
        status = kVaneFailed;
    }
    return VaneFinish(status);
}
