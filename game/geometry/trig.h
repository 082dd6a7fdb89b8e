// Angles (1024 units to a turn), the trigonometric tables, polar offsets and the rotated view.
#pragma once

#include <cstdint>

namespace game {

// 1024 entries each, built once at start-up; all run-time trigonometry is a lookup here.
extern double SinTable[1024];
extern double CosTable[1024];

void BuildTrigTables();
int16_t WrapAngle(int32_t angle);
int16_t AngleTo(double x1, double y1, double x2, double y2);
int16_t AngleDiff(int16_t a, int16_t b);
int16_t TurnToward(int16_t target, int16_t current, int16_t maxStep);
bool AngleInArc(int16_t a, int16_t lo, int16_t hi);
int16_t ClampToArc(int16_t a, int16_t lo, int16_t hi, int16_t offset);
int16_t AimInCone(double x1, double y1, double x2, double y2);
double DistanceSquared(double x1, double y1, double x2, double y2);
double Distance(double x1, double y1, double x2, double y2);
double Approach(double value, double step, double target);
int16_t ApproachInt(int16_t value, int16_t step, int16_t target);
double PolarX(double baseX, double forward, double side, int32_t angle);
double PolarY(double baseY, double forward, double side, int32_t angle);
double AngleToRadians(int32_t angle);
// The rotation to draw something with that heads along `heading` in the world.
double ViewAngle(int32_t heading);
int ScreenX(double x, double y);
int ScreenY(double x, double y);
bool IsOffField(double x, double y, double margin);
bool IsOffScreen(double x, double y, double margin);

}  // namespace game
