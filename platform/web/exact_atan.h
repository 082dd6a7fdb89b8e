// A correctly rounded atan: the same bits as glibc's, whose results the game's digests were made with.
#pragma once

namespace web {

double ExactAtan(double x);
// The same always through the slow path that the quick one falls back on (for the tests: the two
// must agree bit for bit).
double ExactAtanCarefully(double x);

}  // namespace web
