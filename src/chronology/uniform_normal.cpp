#include "chronology/uniform_normal.hpp"

#include <cmath>

#include "shared/tables.hpp"

namespace kov {

float ranwh(std::array<int, 3>& iseed) {
    // Three multiplicative congruential generators with coprime moduli; the
    // fractional part of the sum of their uniforms has a very long period.
    // The products stay below 2^23, so 32-bit integers hold them exactly.
    static_assert(sizeof(int) == 4);
    iseed[0] = 171 * iseed[0] % 30269;
    iseed[1] = 172 * iseed[1] % 30307;
    iseed[2] = 170 * iseed[2] % 30323;
    const float v = static_cast<float>(iseed[0]) / 30269.0f + static_cast<float>(iseed[1]) / 30307.0f +
                    static_cast<float>(iseed[2]) / 30323.0f;
    return v - std::floor(v);  // exact: v lies in [0, 3)
}

float ranwh() { return ranwh(shared().iseed); }

void ranwh_skip(std::array<int, 3>& iseed, long long draws) {
    auto power = [](long long a, long long k, long long m) {
        long long p = 1;
        for (a %= m; k > 0; k >>= 1, a = a * a % m)
            if (k & 1) p = p * a % m;
        return p;
    };
    iseed[0] = static_cast<int>(power(171, draws, 30269) * iseed[0] % 30269);
    iseed[1] = static_cast<int>(power(172, draws, 30307) * iseed[1] % 30307);
    iseed[2] = static_cast<int>(power(170, draws, 30323) * iseed[2] % 30323);
}

float ppnd(float p, int& ier) {
    // Rational approximations: one in the square of the distance from the
    // centre, one in sqrt(-ln(tail)) for the tails beyond 0.08 and 0.92.
    constexpr float split = 0.42f;
    constexpr float a0 = 2.50662823884f, a1 = -18.61500062529f, a2 = 41.39119773534f,
                    a3 = -25.44106049637f;
    constexpr float b1 = -8.47351093090f, b2 = 23.08336743743f, b3 = -21.06224101826f,
                    b4 = 3.13082909833f;
    constexpr float c0 = -2.78718931138f, c1 = -2.29796479134f, c2 = 4.85014127135f,
                    c3 = 2.32121276858f;
    constexpr float d1 = 3.54388924762f, d2 = 1.63706781897f;

    ier = 0;
    if (!(p > 0.0f && p < 1.0f)) {
        ier = 1;
        return 0.0f;
    }
    const float q = p - 0.5f;
    if (std::fabs(q) <= split) {
        const float r = q * q;
        return q * (((a3 * r + a2) * r + a1) * r + a0) / ((((b4 * r + b3) * r + b2) * r + b1) * r + 1.0f);
    }
    float r = q > 0.0f ? 1.0f - p : p;
    if (r <= 0.0f) {  // p within rounding of 1
        ier = 1;
        return 0.0f;
    }
    r = std::sqrt(-std::log(r));
    const float z = (((c3 * r + c2) * r + c1) * r + c0) / ((d2 * r + d1) * r + 1.0f);
    return q < 0.0f ? -z : z;
}

float alnorm(float x, bool upper) {
    // Beyond ltone the lower area is 1 to single precision; beyond utzero the
    // upper area underflows. Up to con a series form, then a continued fraction.
    constexpr float ltone = 7.0f, utzero = 18.66f, con = 1.28f;
    constexpr float p = 0.398942280444f, q = 0.39990348504f, r = 0.398942280385f;
    constexpr float a1 = 5.75885480458f, a2 = 2.62433121679f, a3 = 5.92885724438f;
    constexpr float b1 = -29.8213557807f, b2 = 48.6959930692f;
    constexpr float c1 = -3.8052e-8f, c2 = 3.98064794e-4f, c3 = -0.151679116635f, c4 = 4.8385912808f,
                    c5 = 0.742380924027f, c6 = 3.99019417011f;
    constexpr float d1 = 1.00000615302f, d2 = 1.98615381364f, d3 = 5.29330324926f, d4 = -15.1508972451f,
                    d5 = 30.789933034f;

    bool up = upper;
    float z = x;
    if (z < 0.0f) {
        up = !up;
        z = -z;
    }
    float area = 0.0f;
    if (z <= ltone || (up && z <= utzero)) {
        const float y = 0.5f * z * z;
        if (z > con) {
            area = r * std::exp(-y) /
                   (z + c1 + d1 / (z + c2 + d2 / (z + c3 + d3 / (z + c4 + d4 / (z + c5 + d5 / (z + c6))))));
        } else {
            area = 0.5f - z * (p - q * y / (y + a1 + b1 / (y + a2 + b2 / (y + a3))));
        }
    }
    return up ? area : 1.0f - area;
}

}  // namespace kov
