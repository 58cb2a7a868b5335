// Small numeric kernels for the projections' hot paths.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

// Two doubles in one SSE register (GCC's vector extension): the same arithmetic on both lanes, lane by lane
// exactly as on a scalar.
typedef double GxDouble2 __attribute__((vector_size(16)));
typedef std::int64_t GxInt2 __attribute__((vector_size(16)));

// The sine and cosine kernel, for a double or a GxDouble2: outQuadrant gets the angle's nearest multiple of pi/2 in
// its low two bits (as the bits of a double), outSin and outCos the sine and cosine of the rest.
template <typename V, typename Bits> inline void GxSinCosKernel(V inRadians, Bits& outQuadrant, V& outSin, V& outCos)
{
    // The nearest multiple of pi/2, and pi/2 in two parts (the first with 33 bits, so k times it is exact).
    constexpr double kTwoOverPi = 6.36619772367581382433e-01;
    constexpr double kHalfPiHigh = 1.57079632673412561417e+00;
    constexpr double kHalfPiLow = 6.07710050650619224932e-11;
    constexpr double kRoundToInteger = 6755399441055744.0; // 1.5 * 2^52
    const V shifted = inRadians * kTwoOverPi + kRoundToInteger;
    const V k = shifted - kRoundToInteger;
    std::memcpy(&outQuadrant, &shifted, sizeof outQuadrant);
    const V r = (inRadians - k * kHalfPiHigh) - k * kHalfPiLow;

    // Minimax polynomials on [-pi/4, pi/4] (the classic fdlibm kernels), in Estrin's form for a shorter chain.
    const V z = r * r;
    const V z2 = z * z;
    const V z4 = z2 * z2;
    const V sinPoly = (-1.66666666666666324348e-01 + z * 8.33333333332248946124e-03) +
                      z2 * (-1.98412698298579493134e-04 + z * 2.75573137070700676789e-06) +
                      z4 * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10);
    const V cosPoly = (4.16666666666666019037e-02 + z * -1.38888888888741095749e-03) +
                      z2 * (2.48015872894767294178e-05 + z * -2.75573143513906633035e-07) +
                      z4 * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11);
    outSin = r + r * z * sinPoly;
    const V halfZ = 0.5 * z;
    const V w = 1.0 - halfZ;
    outCos = w + (((1.0 - w) - halfZ) + z * z * cosPoly);
}

// Sine and cosine of one angle, within an ulp or so of the C library's, at a third of the cost of calling both.
// Angles up to 1e4 radians take the fast path (every projection angle does); others, NaN and infinities go to the
// C library. Needs the default rounding mode.
inline void GxSinCos(double inRadians, double& outSin, double& outCos)
{
    if (!(std::abs(inRadians) < 1.0e4))
    {
        outSin = std::sin(inRadians);
        outCos = std::cos(inRadians);
        return;
    }
    std::uint64_t bits;
    double sinR;
    double cosR;
    GxSinCosKernel(inRadians, bits, sinR, cosR);
    const unsigned quadrant = static_cast<unsigned>(bits & 3u);

    // Quadrants without branches: angles are random enough that branches would mispredict.
    static constexpr double kSinSign[4] = {1.0, 1.0, -1.0, -1.0};
    static constexpr double kCosSign[4] = {1.0, -1.0, -1.0, 1.0};
    const double values[2] = {sinR, cosR};
    outSin = kSinSign[quadrant] * values[quadrant & 1u];
    outCos = kCosSign[quadrant] * values[(quadrant & 1u) ^ 1u];
}

// GxSinCos of the two lanes of one register: the same values at little more than the cost of one.
[[gnu::always_inline]] inline void GxSinCos2(GxDouble2 inRadians, GxDouble2& outSin, GxDouble2& outCos)
{
    if (!(std::abs(inRadians[0]) < 1.0e4) || !(std::abs(inRadians[1]) < 1.0e4))
    {
        double sinA, cosA, sinB, cosB;
        GxSinCos(inRadians[0], sinA, cosA);
        GxSinCos(inRadians[1], sinB, cosB);
        outSin = GxDouble2{sinA, sinB};
        outCos = GxDouble2{cosA, cosB};
        return;
    }
    GxInt2 bits;
    GxDouble2 sinR;
    GxDouble2 cosR;
    GxSinCosKernel(inRadians, bits, sinR, cosR);

    // Odd quadrants swap the two; the signs come from the quadrant's bits (negation is exact, as the scalar's
    // multiplication by -1 is).
    GxInt2 sinBits;
    GxInt2 cosBits;
    std::memcpy(&sinBits, &sinR, sizeof sinBits);
    std::memcpy(&cosBits, &cosR, sizeof cosBits);
    const GxInt2 swap = (sinBits ^ cosBits) & -(bits & 1);
    const GxInt2 outSinBits = sinBits ^ swap ^ ((bits & 2) << 62);
    const GxInt2 outCosBits = cosBits ^ swap ^ (((bits + 1) & 2) << 62);
    std::memcpy(&outSin, &outSinBits, sizeof outSin);
    std::memcpy(&outCos, &outCosBits, sizeof outCos);
}

// GxSinCos of two angles at once.
inline void GxSinCos2(double inA, double inB, double& outSinA, double& outCosA, double& outSinB, double& outCosB)
{
    GxDouble2 sinValues;
    GxDouble2 cosValues;
    GxSinCos2(GxDouble2{inA, inB}, sinValues, cosValues);
    outSinA = sinValues[0];
    outSinB = sinValues[1];
    outCosA = cosValues[0];
    outCosB = cosValues[1];
}

// e^(n ln x + b) for one fixed n and b, at the cost of a few multiplications: x = 2^e c (1 + r) with c the middle
// of one of 128 slices of [1, 2), so that the value is (e^b 2^(ne)) c^n (1 + r)^n, the first two from tables, the
// last a short series (|r| < 1/256). Within a few ulps for x in [2^-32, 2^32); other x, and NaN, go through the C
// library's exp and log as the formula stands.
class GxFixedPower
{
public:
    GxFixedPower() : GxFixedPower(std::numeric_limits<double>::quiet_NaN(), 0.0) {}
    GxFixedPower(double inPower, double inLogFactor) : mPower(inPower), mLogFactor(inLogFactor)
    {
        // In long double, so that each entry is rounded once.
        constexpr long double kLn2 = 0.693147180559945309417232121458176568L;
        for (int e = -kExponentBias; e < kExponentBias; ++e)
            mByExponent[e + kExponentBias] = static_cast<double>(
                std::exp(static_cast<long double>(inLogFactor) + static_cast<long double>(inPower) * e * kLn2));
        for (unsigned i = 0; i < kSlices; ++i)
            mBySlice[i] = static_cast<double>(std::pow(static_cast<long double>(kInverseMiddle[i]), -inPower));
        // The binomial series of (1 + r)^n.
        double coefficient = 1.0;
        for (int k = 0; k < 6; ++k)
        {
            coefficient *= (inPower - k) / (k + 1);
            mSeries[k] = coefficient;
        }
    }

    double operator()(double inX) const
    {
        std::uint64_t bits;
        std::memcpy(&bits, &inX, sizeof bits);
        // The sign bit makes a negative x's exponent huge, so one test leaves out all but the tabled range.
        const int exponent = static_cast<int>(bits >> 52) - 1023;
        if (static_cast<unsigned>(exponent + kExponentBias) >= 2u * kExponentBias) [[unlikely]]
            return std::exp(mPower * std::log(inX) + mLogFactor);
        const unsigned slice = static_cast<unsigned>(bits >> 45) & (kSlices - 1);
        const std::uint64_t mantissaBits = (bits & 0x000fffffffffffffu) | 0x3ff0000000000000u;
        double m;
        std::memcpy(&m, &mantissaBits, sizeof m);
        const double r = m * kInverseMiddle[slice] - 1.0;
        const double r2 = r * r;
        const double tail = r * mSeries[0] + r2 * ((mSeries[1] + r * mSeries[2]) +
                                                   r2 * ((mSeries[3] + r * mSeries[4]) + r2 * mSeries[5]));
        const double scale = mByExponent[exponent + kExponentBias] * mBySlice[slice];
        return scale + scale * tail;
    }

private:
    static constexpr int kExponentBias = 32;
    static constexpr unsigned kSlices = 128;
    static constexpr std::array<double, kSlices> kInverseMiddle = []
    {
        std::array<double, kSlices> inverses{};
        for (unsigned i = 0; i < kSlices; ++i)
            inverses[i] = 1.0 / (1.0 + (i + 0.5) / kSlices);
        return inverses;
    }();

    double mPower;
    double mLogFactor;
    std::array<double, 2 * kExponentBias> mByExponent;
    std::array<double, kSlices> mBySlice;
    std::array<double, 6> mSeries;
};
