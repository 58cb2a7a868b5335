// A private bundle folder for a test: SKYVANE_BUNDLE points at it for the object's life.
#pragma once

#include "GxPNGTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace gxtest
{

class TempBundle
{
public:
    TempBundle()
    {
        char pattern[] = "/tmp/skyvane-bundle-XXXXXX";
        mPath = mkdtemp(pattern);
        if (const char* old = std::getenv("SKYVANE_BUNDLE"))
        {
            mOld = old;
            mHadOld = true;
        }
        setenv("SKYVANE_BUNDLE", mPath.c_str(), 1);
    }
    ~TempBundle()
    {
        if (mHadOld)
            setenv("SKYVANE_BUNDLE", mOld.c_str(), 1);
        else
            unsetenv("SKYVANE_BUNDLE");
        std::filesystem::remove_all(mPath);
    }
    TempBundle(const TempBundle&) = delete;
    TempBundle& operator=(const TempBundle&) = delete;

    std::string File(const std::string& inName) const { return mPath + "/" + inName; }

    void Write(const std::string& inName, const std::vector<std::uint8_t>& inBytes) const
    {
        std::ofstream out(File(inName), std::ios::binary);
        out.write(reinterpret_cast<const char*>(inBytes.data()), static_cast<std::streamsize>(inBytes.size()));
    }

    // A copy of one of the product's own bundle images.
    void CopyResource(const std::string& inName) const
    {
        std::filesystem::copy_file(std::string(SKYVANE_SOURCE_DIR) + "/Products/Skyvane/Resources/" + inName,
                                   File(inName));
    }

    void Remove(const std::string& inName) const { std::filesystem::remove(File(inName)); }

private:
    std::string mPath;
    std::string mOld;
    bool mHadOld = false;
};

// A single-colour RGB image.
inline std::vector<std::uint8_t> PlainPng(int inWidth, int inHeight, int inRed, int inGreen, int inBlue)
{
    PngImage image;
    image.mWidth = inWidth;
    image.mHeight = inHeight;
    for (int y = 0; y < inHeight; ++y)
    {
        std::vector<int> row;
        for (int x = 0; x < inWidth; ++x)
            row.insert(row.end(), {inRed, inGreen, inBlue});
        image.mRows.push_back(row);
    }
    return EncodePng(image);
}

} // namespace gxtest
