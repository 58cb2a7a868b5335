// A small file server for the bundled demo data: it answers the data managers' requests for a folder laid out as
// a data server presents it, on a free port of 127.0.0.1, from its own threads. It names nothing of the frameworks,
// so any tool may link it.
#pragma once

#include <memory>
#include <string>

class VaneDemoServer
{
public:
    VaneDemoServer();
    ~VaneDemoServer();
    VaneDemoServer(const VaneDemoServer&) = delete;
    VaneDemoServer& operator=(const VaneDemoServer&) = delete;

    // Serves the folder and returns the base URL ("http://127.0.0.1:PORT"); "" with the reason in Error() when the
    // folder is missing, no port can be bound or the server is already running.
    std::string Start(const std::string& inFolder);
    // Stops serving; Start may be called again.
    void Stop();

    const std::string& Base() const { return mBase; }
    const std::string& Error() const { return mError; }

private:
    class Imp;
    std::unique_ptr<Imp> mImp;
    std::string mBase;
    std::string mError;
};
