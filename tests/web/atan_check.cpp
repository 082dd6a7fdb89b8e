// The wasm build's atan (platform/web/exact_atan.cpp), natively: correctly rounded on a table of
// cases (the edges of each branch, the ratios the golden games met where musl rounds the other way,
// and ratios where glibc itself is off by one unit), and never more than one unit in the last place
// from the C library on random inputs. The golden games under node are the real check; this one
// finds a broken table entry or series in seconds; the quick path must give the careful path's bits
// wherever it answers. Exits 1 on a failure.
// Usage: atan_check [COUNT]
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/web/exact_atan.h"

namespace {

int64_t Bits(double v) {
    int64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    const long count = argc > 1 ? std::atol(argv[1]) : 1000000;
    long passed = 0, failed = 0;
    auto expect = [&](bool ok, const char* what, double x, double want, double got) {
        if (ok) {
            ++passed;
        } else if (++failed <= 10) {
            std::printf("atan(%a): %s %a, ours %a\n", x, what, want, got);
        }
    };
    constexpr double kInf = std::numeric_limits<double>::infinity();
    // Correctly rounded results (computed to 300 bits).
    const double cases[][2] = {
        {0.0, 0.0},
        {0x1p-1074, 0x1p-1074},
        {0x1p-27, 0x1.0000000000000p-27},
        {0x1.fffffffffffffp-28, 0x1.fffffffffffffp-28},
        {0x1p-7, 0x1.fffd555bbba97p-8},
        {-0x1.4p-3, -0x1.3d6eee8c6626cp-3},
        {0x1.fcp-1, 0x1.901db3eeef187p-1},
        {0x1.fffffffffffffp-1, 0x1.921fb54442d18p-1},
        {0x1p+0, 0x1.921fb54442d18p-1},
        {0x1.0000000000001p+0, 0x1.921fb54442d19p-1},
        {0x1.02p+0, 0x1.941db699968ffp-1},
        {0x1.8p+10, 0x1.91f50a99fd49ap+0},
        {0x1p+60, 0x1.921fb54442d18p+0},
        {0x1.0000000000001p+60, 0x1.921fb54442d18p+0},
        {-kInf, -0x1.921fb54442d18p+0},
        {-0x1.e5a3de972a3d5p+1, -0x1.502681870fdbfp+0},  // stage_select_3, frame 153
        {-0x1.d9d139ec6749ep+0, -0x1.134fcea13f711p+0},
        {-0x1.7103ea85861abp+1, -0x1.3ca65c398c3e9p+0},  // glibc 2.36: ...3e8
        {-0x1.9e48ec17062dcp-3, -0x1.98c4cf0d482e5p-3},  // glibc 2.36: ...2e6
        {0x1.19403c7380459p-1, 0x1.0130093dcfe08p-1},    // glibc 2.36: ...e07
    };
    for (const auto& c : cases) {
        const double got = web::ExactAtan(c[0]), careful = web::ExactAtanCarefully(c[0]);
        expect(Bits(got) == Bits(c[1]), "correctly rounded", c[0], c[1], got);
        expect(Bits(careful) == Bits(c[1]), "correctly rounded, carefully", c[0], c[1], careful);
    }
    const double nan = web::ExactAtan(std::numeric_limits<double>::quiet_NaN());
    expect(std::isnan(nan), "NaN for NaN", nan, nan, nan);
    const double negativeZero = web::ExactAtan(-0.0);
    expect(Bits(negativeZero) == Bits(-0.0), "-0 for -0", -0.0, -0.0, negativeZero);

    // Random doubles over the exponents that matter, and ratios of coordinates as the game makes them.
    uint64_t s = 0x9E3779B97F4A7C15ull;
    auto next = [&s] {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return s;
    };
    long differ = 0;
    auto near = [&](double x) {
        const double want = std::atan(x), got = web::ExactAtan(x), careful = web::ExactAtanCarefully(x);
        differ += Bits(want) != Bits(got);
        expect(std::llabs(Bits(want) - Bits(got)) <= 1, "C library", x, want, got);
        expect(Bits(careful) == Bits(got), "the careful path", x, careful, got);
    };
    for (long i = 0; i < count; ++i) {
        const uint64_t r = next();
        near(std::ldexp(1.0 + double(next() >> 12) * 0x1p-52, int(r % 140) - 70) * (r & 1 << 20 ? -1 : 1));
        const double dx = double(int64_t(next() % 2000000) - 1000000) / 1024;
        const double dy = double(int64_t(next() % 2000000) - 1000000) / 1024;
        if (dx != 0) near(dy / dx);
    }
    std::printf("atan_check: %ld of %ld random inputs one unit from the C library's\n", differ, 2 * count);
    std::printf("atan_check: %ld checks, %ld wrong\n", passed + failed, failed);
    return failed ? 1 : 0;
}
