// The unit table is read without a lock by the job threads; reading must change nothing.
#include "DxUnit.h"
#include "DxUnitTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using dxtest::UnitTableTest;

TEST_F(UnitTableTest, ThreadsLookUpAndConvertAtOnce)
{
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
    {
        threads.emplace_back(
            [&wrong]
            {
                for (int i = 0; i < 500; ++i)
                {
                    const DxUnit cels(CxString("cels"));
                    const DxUnit copy(cels);
                    const DxUnitConverter converter(copy, DxUnit(CxString("fahr")));
                    if (converter.Convert(100.0) < 211.999 || converter.Convert(100.0) > 212.001)
                        ++wrong;
                    if (cels.CompatibleUnits().size() != 3 || DxUnit(CxString("furlong")) != DxUnit())
                        ++wrong;
                }
            });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}
