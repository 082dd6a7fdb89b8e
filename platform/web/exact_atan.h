// A correctly rounded atan: the same bits as glibc's, whose results the game's digests were made with.
#pragma once

namespace web {

double ExactAtan(double x);

}  // namespace web
