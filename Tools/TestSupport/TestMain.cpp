#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    // Nothing a test does may open a browser or a file manager; a test that checks the opener sets its own.
    ::setenv("SKYVANE_OPEN_CMD", "true", 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
