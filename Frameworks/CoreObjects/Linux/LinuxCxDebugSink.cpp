// The window server's lines go to the debug output like every other report, so captures see them too.
#include "CxDebug.h"
#include "PfWindowServer.h"

void CxConnectPlatformDebug()
{
    pf::SetDebugSink([](const std::string& inLine) { _CxDebugOut("pf", 0, inLine.c_str(), inLine.c_str()); });
}
