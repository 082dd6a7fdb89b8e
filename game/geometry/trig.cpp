// Angle arithmetic, the trigonometric tables and the world-to-screen mapping.
#include "game/geometry/trig.h"

#include <cmath>

#include "game/state.h"

namespace game {

double SinTable[1024];
double CosTable[1024];

namespace {
int16_t To16(int32_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v)); }
}  // namespace

void BuildTrigTables() {
    // The argument is accumulated, not i * step, and the step is a little over 2 pi / 1024: kept as
    // the game had it, because every position in the game follows these table values.
    double x = 0.0;
    for (int i = 0; i < 1024; ++i) {
        SinTable[i] = std::sin(x);
        CosTable[i] = std::cos(x);
        x = x + 0.0061359231515425786;
    }
    SinTable[0] = 0.0;
    SinTable[512] = 0.0;
    CosTable[256] = 0.0;
    CosTable[768] = 0.0;
}

int16_t WrapAngle(int32_t angle) {
    int32_t a = static_cast<int16_t>(static_cast<uint16_t>(angle));
    while (a < 0) a += 1024;
    while (a >= 1024) a -= 1024;
    return int16_t(a);
}

int16_t AngleTo(double x1, double y1, double x2, double y2) {
    double dx = x2 - x1;
    if (dx == 0.0) dx = 1.0;
    const double dy = y2 - y1;
    int32_t t = int32_t(std::trunc(std::atan(dy / dx) * 162.97466172610046));
    if (dx < 0) {
        t += 512;
    } else if (dx > 0 && dy < 0) {
        t += 1024;
    }
    t %= 1024;
    if (t < 0) t += 1024;  // atan keeps t above -256, so only the additions above can leave it negative
    return int16_t(t);
}

int16_t AngleDiff(int16_t a, int16_t b) {
    int32_t d = int32_t(WrapAngle(a)) - int32_t(WrapAngle(b));
    if (std::abs(d) > 512) d += d < 0 ? 1024 : -1024;
    return int16_t(d);
}

int16_t TurnToward(int16_t target, int16_t current, int16_t maxStep) {
    int32_t d = AngleDiff(target, current);
    if (std::abs(d) > maxStep) d = d < 0 ? -maxStep : maxStep;
    return WrapAngle(int32_t(current) + d);
}

bool AngleInArc(int16_t a, int16_t lo, int16_t hi) {
    int32_t h = hi;
    if (h < lo) h += 1024;
    return (lo <= a && a <= h) || (lo <= a + 1024 && a + 1024 <= h);
}

int16_t ClampToArc(int16_t a, int16_t lo, int16_t hi, int16_t offset) {
    const int16_t lo2 = WrapAngle(int32_t(lo) + offset);
    const int16_t hi2 = WrapAngle(int32_t(hi) + offset);
    if (AngleInArc(a, lo2, hi2)) return a;
    int32_t dLo = WrapAngle(std::abs(int32_t(a) - lo2));
    if (dLo > 512) dLo = 1024 - dLo;
    int32_t dHi = WrapAngle(std::abs(int32_t(a) - hi2));
    if (dHi > 512) dHi = 1024 - dHi;
    return dLo < dHi ? WrapAngle(lo2) : WrapAngle(hi2);
}

int16_t AimInCone(double x1, double y1, double x2, double y2) {
    const int16_t inward = AngleTo(x1, y1, 0, 0);
    const int16_t aim = AngleTo(x1, y1, x2, y2);
    return ClampToArc(aim, WrapAngle(int32_t(inward) - 64), WrapAngle(int32_t(inward) + 64), 0);
}

double DistanceSquared(double x1, double y1, double x2, double y2) {
    const double dx = x2 - x1, dy = y2 - y1;
    return dx * dx + dy * dy;
}

double Distance(double x1, double y1, double x2, double y2) { return std::sqrt(DistanceSquared(x1, y1, x2, y2)); }

double Approach(double value, double step, double target) {
    if (target > value) step = std::fabs(step);
    else if (target < value) step = -std::fabs(step);
    value += step;
    if (step > 0) {
        if (value > target) value = target;
    } else if (value < target) {
        value = target;
    }
    return value;
}

int16_t ApproachInt(int16_t value, int16_t step, int16_t target) {
    int32_t s = step;
    if (target > value) s = std::abs(s);
    else if (target < value) s = -std::abs(s);
    int32_t v = To16(int32_t(value) + s);
    if (s > 0) {
        if (v > target) v = target;
    } else if (v < target) {
        v = target;
    }
    return int16_t(v);
}

namespace {
double Polar(const double* table, double base, double forward, double side, int32_t angle) {
    double r = base;
    if (forward != 0.0) r += forward * table[WrapAngle(angle)];
    // The side term reads the same table a quarter turn away, never the other table.
    if (side > 0) r += std::fabs(side) * table[WrapAngle(angle + 256)];
    else if (side < 0) r += std::fabs(side) * table[WrapAngle(angle - 256)];
    return r;
}
}  // namespace

double PolarX(double baseX, double forward, double side, int32_t angle) {
    return Polar(CosTable, baseX, forward, side, angle);
}

double PolarY(double baseY, double forward, double side, int32_t angle) {
    return Polar(SinTable, baseY, forward, side, angle);
}

// 0.006135 rather than 2 pi / 1024: every sprite rotation in the game uses this factor.
double AngleToRadians(int32_t angle) { return WrapAngle(angle) * 0.006135; }

double ViewAngle(int32_t heading) {
    return AngleToRadians(heading + WrapAngle(512 - gameState.shipAngle) + 256);
}

namespace {
int16_t ViewTurn() { return WrapAngle(WrapAngle(512 - gameState.shipAngle) + 256); }
}  // namespace

int ScreenX(double x, double y) {
    const double u = (x - gameState.viewOffsetX) - 240;
    const double v = (y - gameState.viewOffsetY) - 360;
    return int(std::trunc(PolarX(240, u, v, ViewTurn()))) + gameState.shakeX;
}

int ScreenY(double x, double y) {
    const double u = (x - gameState.viewOffsetX) - 240;
    const double v = (y - gameState.viewOffsetY) - 360;
    return int(std::trunc(PolarY(360, u, v, ViewTurn()))) + gameState.shakeY;
}

bool IsOffField(double x, double y, double margin) {
    if (margin < 0) return false;
    return DistanceSquared(x, y, 0, 0) > DistanceSquared(margin + 480, margin + 480, 0, 0);
}

bool IsOffScreen(double x, double y, double margin) {
    if (margin < 0) return false;
    const int sx = ScreenX(x, y), sy = ScreenY(x, y);
    return sx < -margin || sx > 480 + margin || sy < -margin || sy > 480 + margin;
}

}  // namespace game
