#include "DxNidsFuzzEntry.h"

#include "DxNidsLevelThree.h"

#include <memory>

int DxNidsFuzzOne(const std::uint8_t* inData, std::size_t inSize)
{
    // A listed product too, so that the mesh is built at a scale the default record does not use.
    static const std::vector<DxNidsRadialInfo> sRadials = []
    {
        std::vector<DxNidsRadialInfo> infos(1);
        infos[0].SetProductCode(94);
        infos[0].SetKmPerPixel(0.25);
        return infos;
    }();
    NidsLevelThreeParser parser;
    std::unique_ptr<DxIndexedImage> image(parser.Parse(inData, inSize, {}, sRadials));
    return image != nullptr ? 1 : 0;
}
