// A correctly rounded atan for the WebAssembly build. The game's angles (AngleTo) truncate
// atan(dy/dx) x 162.97..., and the orbiting enemies sit where that product is a whole number, so the
// last bit of atan decides their facing. glibc's atan rounds correctly there; emscripten's libc (musl)
// is one unit in the last place off now and then, and its games parted from the native ones within
// seconds. Linked into the wasm program, this definition takes the place of the C library's.
// Method: atan(t) = atan(k/64) + atan((t - k/64) / (1 + t k/64)) for t in [0, 1] (and
// pi/2 - atan(1/|x|) above 1), in double-double arithmetic (about 104 bits), then rounded once.
#include "platform/web/exact_atan.h"

#include <cmath>

namespace {

struct DD {
    double hi, lo;
};

DD TwoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}
DD QuickTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}
// Exact products without a fused multiply-add: split each factor into 26-bit halves.
void Split(double a, double* high, double* low) {
    const double c = 134217729.0 * a;  // 2^27 + 1
    *high = c - (c - a);
    *low = a - *high;
}
DD TwoProduct(double a, double b) {
    const double p = a * b;
    double ah, al, bh, bl;
    Split(a, &ah, &al);
    Split(b, &bh, &bl);
    return {p, ((ah * bh - p) + ah * bl + al * bh) + al * bl};
}
DD Add(DD a, DD b) {
    DD s = TwoSum(a.hi, b.hi);
    const DD t = TwoSum(a.lo, b.lo);
    s = QuickTwoSum(s.hi, s.lo + t.hi);
    return QuickTwoSum(s.hi, s.lo + t.lo);
}
DD Negate(DD a) { return {-a.hi, -a.lo}; }
DD Multiply(DD a, DD b) {
    const DD p = TwoProduct(a.hi, b.hi);
    return QuickTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}
DD Multiply(DD a, double b) {
    const DD p = TwoProduct(a.hi, b);
    return QuickTwoSum(p.hi, p.lo + a.lo * b);
}
DD Divide(DD a, DD b) {
    const double q1 = a.hi / b.hi;
    DD r = Add(a, Negate(Multiply(b, q1)));
    const double q2 = r.hi / b.hi;
    r = Add(r, Negate(Multiply(b, q2)));
    const double q3 = r.hi / b.hi;
    return Add(QuickTwoSum(q1, q2), DD{q3, 0.0});
}

constexpr DD kHalfPi = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54};

// atan(k/64), k = 0..64.
// clang-format off
constexpr DD kAtanOfStep[65] = {
    {0x0.0p+0, 0x0.0p+0}, {0x1.fff555bbb729bp-7, -0x1.220c39d4dff50p-61},
    {0x1.ffd55bba97625p-6, -0x1.5ec431444912cp-60}, {0x1.7fb818430da2ap-5, -0x1.86ef8f794f105p-63},
    {0x1.ff55bb72cfdeap-5, -0x1.c934d86d23f1dp-60}, {0x1.3f59f0e7c559dp-4, 0x1.ac4ce285df847p-58},
    {0x1.7ee182602f10fp-4, -0x1.cfb654c0c3d98p-58}, {0x1.be39ebe6f07c3p-4, 0x1.f7b8f29a05987p-58},
    {0x1.fd5ba9aac2f6ep-4, -0x1.cd37686760c17p-59}, {0x1.1e1fafb043727p-3, -0x1.b485914dacf8cp-59},
    {0x1.3d6eee8c6626cp-3, 0x1.61a3b0ce9281bp-57}, {0x1.5c9811e3ec26ap-3, -0x1.054ab2c010f3dp-58},
    {0x1.7b97b4bce5b02p-3, 0x1.347b0b4f881cap-58}, {0x1.9a6a8e96c8626p-3, 0x1.cf601e7b4348ep-59},
    {0x1.b90d7529260a2p-3, 0x1.17b10d2e0e5abp-61}, {0x1.d77d5df205736p-3, 0x1.c648d1534597ep-57},
    {0x1.f5b75f92c80ddp-3, 0x1.8ab6e3cf7afbdp-57}, {0x1.09dc597d86362p-2, 0x1.62e47390cb865p-56},
    {0x1.18bf5a30bf178p-2, 0x1.30ca4748b1bf9p-57}, {0x1.278372057ef46p-2, -0x1.077cdd36dfc81p-56},
    {0x1.362773707ebccp-2, -0x1.963a544b672d8p-57}, {0x1.44aa436c2af0ap-2, -0x1.5d5e43c55b3bap-56},
    {0x1.530ad9951cd4ap-2, -0x1.2566480884082p-57}, {0x1.614840309cfe2p-2, -0x1.a725715711f00p-56},
    {0x1.6f61941e4def1p-2, -0x1.c63aae6f6e918p-56}, {0x1.7d5604b63b3f7p-2, 0x1.69c885c2b249ap-56},
    {0x1.8b24d394a1b25p-2, 0x1.b6d0ba3748fa8p-56}, {0x1.98cd5454d6b18p-2, 0x1.9e6c988fd0a77p-56},
    {0x1.a64eec3cc23fdp-2, -0x1.24dec1b50b7ffp-56}, {0x1.b3a911da65c6cp-2, 0x1.ae187b1ca5040p-56},
    {0x1.c0db4c94ec9f0p-2, -0x1.cc1ce70934c34p-56}, {0x1.cde53432c1351p-2, -0x1.a2cfa4418f1adp-56},
    {0x1.dac670561bb4fp-2, 0x1.a2b7f222f65e2p-56}, {0x1.e77eb7f175a34p-2, 0x1.0e53dc1bf3435p-56},
    {0x1.f40dd0b541418p-2, -0x1.a3992dc382a23p-57}, {0x1.0039c73c1a40cp-1, -0x1.b32c949c9d593p-55},
    {0x1.0657e94db30d0p-1, -0x1.d5b495f6349e6p-56}, {0x1.0c6145b5b43dap-1, 0x1.974fa13b5404fp-58},
    {0x1.1255d9bfbd2a9p-1, -0x1.2bdaee1c0ee35p-58}, {0x1.1835a88be7c13p-1, 0x1.c621cec00c301p-55},
    {0x1.1e00babdefeb4p-1, -0x1.928df287a668fp-58}, {0x1.23b71e2cc9e6ap-1, 0x1.c421c9f38224ep-57},
    {0x1.2958e59308e31p-1, -0x1.09e73b0c6c087p-56}, {0x1.2ee628406cbcap-1, 0x1.c5d5e9ff0cf8dp-55},
    {0x1.345f01cce37bbp-1, 0x1.1021137c71102p-55}, {0x1.39c391cd4171ap-1, -0x1.2304331d8bf46p-55},
    {0x1.3f13fb89e96f4p-1, 0x1.ecf8b492644f0p-56}, {0x1.445065b795b56p-1, -0x1.f76d0163f79c8p-56},
    {0x1.4978fa3269ee1p-1, 0x1.2419a87f2a458p-56}, {0x1.4e8de5bb6ec04p-1, 0x1.4a33dbeb3796cp-55},
    {0x1.538f57b89061fp-1, -0x1.1bb74abda520cp-55}, {0x1.587d81f732fbbp-1, -0x1.5e5c9d8c5a950p-56},
    {0x1.5d58987169b18p-1, 0x1.0028e4bc5e7cap-57}, {0x1.6220d115d7b8ep-1, -0x1.2b785350ee8c1p-57},
    {0x1.66d663923e087p-1, -0x1.6ea6febe8bbbap-56}, {0x1.6b798920b3d99p-1, -0x1.a80386188c50ep-55},
    {0x1.700a7c5784634p-1, -0x1.8c34d25aadef6p-56}, {0x1.748978fba8e0fp-1, 0x1.7b2a6165884a1p-59},
    {0x1.78f6bbd5d315ep-1, 0x1.406a089803740p-55}, {0x1.7d528289fa093p-1, 0x1.560821e2f3aa9p-55},
    {0x1.819d0b7158a4dp-1, -0x1.bf76229d3b917p-56}, {0x1.85d69576cc2c5p-1, 0x1.6b66e7fc8b8c3p-57},
    {0x1.89ff5ff57f1f8p-1, -0x1.55b9a5e177a1bp-55}, {0x1.8e17aa99cc05ep-1, -0x1.ec182ab042f61p-56},
    {0x1.921fb54442d18p-1, 0x1.1a62633145c07p-55},
};
// (-1)^k / (2k + 1), k = 1..10: the series of atan(u) = u (1 + u^2 (-1/3 + u^2 (1/5 - ...))).
constexpr DD kSeries[10] = {
    {-0x1.5555555555555p-2, -0x1.5555555555555p-56}, {0x1.999999999999ap-3, -0x1.999999999999ap-57},
    {-0x1.2492492492492p-3, -0x1.2492492492492p-57}, {0x1.c71c71c71c71cp-4, 0x1.c71c71c71c71cp-58},
    {-0x1.745d1745d1746p-4, 0x1.745d1745d1746p-59}, {0x1.3b13b13b13b14p-4, -0x1.3b13b13b13b14p-58},
    {-0x1.1111111111111p-4, -0x1.1111111111111p-60}, {0x1.e1e1e1e1e1e1ep-5, 0x1.e1e1e1e1e1e1ep-61},
    {-0x1.af286bca1af28p-5, -0x1.af286bca1af28p-59}, {0x1.8618618618618p-5, 0x1.8618618618618p-59},
};
// clang-format on

// atan(t) for t in [0, 1]: |u| <= 1/128, so ten terms of the series reach past 2^-140.
DD AtanUnit(DD t) {
    const int k = int(t.hi * 64.0 + 0.5);
    const double c = k / 64.0;
    const DD u = Divide(Add(t, DD{-c, 0.0}), Add(DD{1.0, 0.0}, Multiply(t, c)));
    const DD u2 = Multiply(u, u);
    DD sum = kSeries[9];
    for (int i = 8; i >= 0; --i) sum = Add(kSeries[i], Multiply(u2, sum));
    const DD series = Multiply(u, Add(DD{1.0, 0.0}, Multiply(u2, sum)));
    return Add(kAtanOfStep[k], series);
}

// The same to about 2^-73 (relative error below 2^-65), several times faster: u in double-double
// from one division step fewer, the series past u in plain doubles (|u| <= 1/128).
DD AtanUnitQuick(DD t) {
    const int k = int(t.hi * 64.0 + 0.5);
    const double c = k / 64.0;
    const DD num = Add(t, DD{-c, 0.0});
    const DD den = Add(DD{1.0, 0.0}, Multiply(t, c));
    const double q1 = num.hi / den.hi;
    const DD rest = Add(num, Negate(Multiply(den, q1)));
    const DD u = QuickTwoSum(q1, rest.hi / den.hi);
    const double u2 = u.hi * u.hi;
    const double tail =
        u.hi * u2 *
        (-0x1.5555555555555p-2 +
         u2 * (0x1.999999999999ap-3 +
               u2 * (-0x1.2492492492492p-3 + u2 * (0x1.c71c71c71c71cp-4 + u2 * -0x1.745d1745d1746p-4))));
    return Add(Add(kAtanOfStep[k], u), DD{tail, 0.0});
}

// Correctly rounded when no number within the quick result's error bound (2^-62 relative, eight
// times what it is) rounds otherwise: the rounding test of the CRlibm library, e = 1 + 2^54 x that
// bound, with four times more margin.
bool RoundsSurely(DD v, double* r) {
    constexpr double e = 1.0 + 0x1p-6;
    if (v.hi != v.hi + v.lo * e) return false;
    *r = v.hi;
    return true;
}

}  // namespace

namespace web {

double ExactAtan(double x) {
    if (std::isnan(x)) return x + x;
    const double a = std::fabs(x);
    double r;
    if (a < 0x1p-27) {
        return x;  // x^3/3 is below half a unit in the last place of x
    } else if (a > 0x1p+60) {
        r = kHalfPi.hi;  // 1/a is far below half a unit of pi/2 (also for infinity)
    } else if (a <= 1.0) {
        if (!RoundsSurely(AtanUnitQuick(DD{a, 0.0}), &r)) {
            const DD v = AtanUnit(DD{a, 0.0});
            r = v.hi + v.lo;
        }
    } else {
        // 1/a in double-double: the reciprocal and its remainder.
        const double q = 1.0 / a;
        const DD qa = TwoProduct(q, a);
        const DD inverse = QuickTwoSum(q, ((1.0 - qa.hi) - qa.lo) / a);
        if (!RoundsSurely(Add(kHalfPi, Negate(AtanUnitQuick(inverse))), &r)) {
            const DD v = Add(kHalfPi, Negate(AtanUnit(Divide(DD{1.0, 0.0}, DD{a, 0.0}))));
            r = v.hi + v.lo;
        }
    }
    return std::signbit(x) ? -r : r;
}

double ExactAtanCarefully(double x) {
    if (std::isnan(x)) return x + x;
    const double a = std::fabs(x);
    double r;
    if (a < 0x1p-27) {
        return x;
    } else if (a > 0x1p+60) {
        r = kHalfPi.hi;
    } else if (a <= 1.0) {
        const DD v = AtanUnit(DD{a, 0.0});
        r = v.hi + v.lo;
    } else {
        const DD v = Add(kHalfPi, Negate(AtanUnit(Divide(DD{1.0, 0.0}, DD{a, 0.0}))));
        r = v.hi + v.lo;
    }
    return std::signbit(x) ? -r : r;
}

}  // namespace web

#ifdef __EMSCRIPTEN__
// Takes the place of the C library's atan in the wasm program (and of std::atan, which calls it).
extern "C" double atan(double x) { return web::ExactAtan(x); }
#endif
