#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    // Nothing a test does may open a browser or a file manager; a test that checks the opener sets its own.
    ::setenv("SKYVANE_OPEN_CMD", "true", 1);
    // Network tests talk only to their own servers on 127.0.0.1: no proxy from the caller's environment.
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "ftp_proxy", "FTP_PROXY",
                             "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"})
        ::unsetenv(name);
    ::setenv("no_proxy", "127.0.0.1,localhost", 1);

    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
