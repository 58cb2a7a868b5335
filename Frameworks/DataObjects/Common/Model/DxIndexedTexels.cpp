#include "DxIndexedTexels.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define DX_WIDE_TEXELS 1
#endif

namespace
{

void FillRow(const CxUint8* inRow, std::size_t inWidth, const CxUint32 (&inTexels)[256], CxUint8* outRow)
{
    // Index 0 (no data, and a radial row's padding) fills most images: eight of them at once take two wide stores
    // instead of eight lookups.
    CxUint32 zeros[8];
    std::fill_n(zeros, 8, inTexels[0]);
    std::size_t column = 0;
    for (; column + 8 <= inWidth; column += 8, outRow += 8 * sizeof(CxUint32))
    {
        CxUint64 eight;
        std::memcpy(&eight, inRow + column, sizeof eight);
        if (eight == 0)
            std::memcpy(outRow, zeros, sizeof zeros);
        else
            for (std::size_t k = 0; k < 8; ++k)
                std::memcpy(outRow + k * sizeof(CxUint32), &inTexels[inRow[column + k]], sizeof(CxUint32));
    }
    for (; column < inWidth; ++column, outRow += sizeof(CxUint32))
        std::memcpy(outRow, &inTexels[inRow[column]], sizeof(CxUint32));
}

#ifdef DX_WIDE_TEXELS
// 32 pixels a step. Indexes below 16 (every run-length product, and the empty parts of the others) are looked up
// one byte plane at a time inside registers; a step holding a larger index gathers its texels instead.
__attribute__((target("avx2"))) void FillWide(const CxUint8* inPixels, std::size_t inWidth, std::size_t inHeight,
                                              const CxUint32 (&inTexels)[256], CxUint8* outBuffer)
{
    alignas(32) CxUint8 planes[4][32];
    for (std::size_t index = 0; index < 16; ++index)
    {
        CxUint8 bytes[4];
        std::memcpy(bytes, &inTexels[index], sizeof bytes);
        for (std::size_t k = 0; k < 4; ++k)
            planes[k][index] = planes[k][index + 16] = bytes[k];
    }
    const __m256i red = _mm256_load_si256(reinterpret_cast<const __m256i*>(planes[0]));
    const __m256i green = _mm256_load_si256(reinterpret_cast<const __m256i*>(planes[1]));
    const __m256i blue = _mm256_load_si256(reinterpret_cast<const __m256i*>(planes[2]));
    const __m256i alpha = _mm256_load_si256(reinterpret_cast<const __m256i*>(planes[3]));
    // Adding 0x70 with saturation keeps an index below 16 in the low four bits and sets the top bit of any other.
    const __m256i bias = _mm256_set1_epi8(0x70);
    const int* table = reinterpret_cast<const int*>(inTexels);
    CxUint8* out = outBuffer;
    for (std::size_t row = inHeight; row-- > 0;)
    {
        const CxUint8* in = inPixels + row * inWidth;
        std::size_t column = 0;
        for (; column + 32 <= inWidth; column += 32, out += 32 * sizeof(CxUint32))
        {
            const __m256i indexes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + column));
            const __m256i biased = _mm256_adds_epu8(indexes, bias);
            if (_mm256_movemask_epi8(biased) != 0)
            {
                for (std::size_t k = 0; k < 4; ++k)
                {
                    const __m256i wide =
                        _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + column + 8 * k)));
                    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32 * k),
                                        _mm256_i32gather_epi32(table, wide, 4));
                }
                continue;
            }
            const __m256i r = _mm256_shuffle_epi8(red, biased);
            const __m256i g = _mm256_shuffle_epi8(green, biased);
            const __m256i b = _mm256_shuffle_epi8(blue, biased);
            const __m256i a = _mm256_shuffle_epi8(alpha, biased);
            const __m256i rgLow = _mm256_unpacklo_epi8(r, g), rgHigh = _mm256_unpackhi_epi8(r, g);
            const __m256i baLow = _mm256_unpacklo_epi8(b, a), baHigh = _mm256_unpackhi_epi8(b, a);
            // Each lane interleaves its own half: pixels 0-3 and 16-19, 4-7 and 20-23, and so on.
            const __m256i t0 = _mm256_unpacklo_epi16(rgLow, baLow);
            const __m256i t1 = _mm256_unpackhi_epi16(rgLow, baLow);
            const __m256i t2 = _mm256_unpacklo_epi16(rgHigh, baHigh);
            const __m256i t3 = _mm256_unpackhi_epi16(rgHigh, baHigh);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permute2x128_si256(t0, t1, 0x20));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32), _mm256_permute2x128_si256(t2, t3, 0x20));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 64), _mm256_permute2x128_si256(t0, t1, 0x31));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 96), _mm256_permute2x128_si256(t2, t3, 0x31));
        }
        FillRow(in + column, inWidth - column, inTexels, out);
        out += (inWidth - column) * sizeof(CxUint32);
    }
}
#endif

} // namespace

void DxFillIndexedTexels(const CxUint8* inPixels, std::size_t inWidth, std::size_t inHeight,
                         const CxUint32 (&inTexels)[256], CxUint8* outBuffer)
{
#ifdef DX_WIDE_TEXELS
    static const bool sWide = __builtin_cpu_supports("avx2");
    if (sWide)
    {
        FillWide(inPixels, inWidth, inHeight, inTexels, outBuffer);
        return;
    }
#endif
    // Pixels are stored top row first, textures bottom row first.
    for (std::size_t row = inHeight; row-- > 0;)
        FillRow(inPixels + row * inWidth, inWidth, inTexels, outBuffer + (inHeight - 1 - row) * inWidth * 4);
}
