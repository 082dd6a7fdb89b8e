// The two explosions, each built from several effects with random spreads.
#include "game/effects/effects.h"
#include "game/geometry/trig.h"
#include "game/services/game_random.h"

namespace game {

// Every random number is drawn in its own statement: the order of the draws is part of the game.
void Explode(double x, double y, bool big) {
    for (int i = 0; i < 3; ++i) {
        const int r = GameRandom() % 8;
        const int d = GameRandom() % 1024;
        const double speed = (GameRandom() % 18 + 36) / 20.0;
        const int angle = GameRandom() % 1024;
        SpawnEffect(103, x + CosTable[d] * r, y + SinTable[d] * r, angle, int16_t(d), speed);
    }
    for (int i = 0; i < 2; ++i) {
        const int r = (GameRandom() % 8) / 2;
        const int d = GameRandom() % 1024;
        const double speed = (GameRandom() % 18 + 36) / 40.0;
        const int angle = GameRandom() % 1024;
        SpawnEffect(102, x + CosTable[d] * r, y + SinTable[d] * r, angle, int16_t(d), speed);
    }
    const int centreAngle = GameRandom() % 1024;
    SpawnEffect(2, x, y, centreAngle, 0, 0);
    if (!big) return;
    for (int i = 0; i < 4; ++i) {
        const double speed = (GameRandom() % 18 + 36) / 24.0;
        const int d = GameRandom() % 1024;
        const int angle = GameRandom() % 1024;
        const double sy = y + GameRandom() % 41 - 20;
        const double sx = x + GameRandom() % 41 - 20;
        const int kind = 6 + GameRandom() % 2;
        SpawnSlowEffect(int16_t(kind), sx, sy, angle, int16_t(d), speed);
    }
}

void BigExplode(double x, double y, bool sparks) {
    for (int i = 0; i < 6; ++i) {
        const int r = GameRandom() % 16;
        const int d = GameRandom() % 1024;
        const double speed = (GameRandom() % 32 + 64) / 10.0;
        const int angle = GameRandom() % 1024;
        SpawnEffect(101, x + CosTable[d] * r, y + SinTable[d] * r, angle, int16_t(d), speed);
    }
    for (int i = 0; i < 4; ++i) {
        const int r = (GameRandom() % 16) / 2;
        const int d = GameRandom() % 1024;
        const double speed = (GameRandom() % 32 + 64) / 20.0;
        const int angle = GameRandom() % 1024;
        SpawnEffect(101, x + CosTable[d] * r, y + SinTable[d] * r, angle, int16_t(d), speed);
    }
    SpawnEffect(0, x, y, 0, 0, 0);
    if (!sparks) return;
    for (int i = 0; i < 10; ++i) {
        const double speed = (GameRandom() % 32 + 64) / 12.0;
        const int d = GameRandom() % 1024;
        const int angle = GameRandom() % 1024;
        const double sy = y + GameRandom() % 41 - 20;
        const double sx = x + GameRandom() % 121 - 60;
        const int kind = 5 + GameRandom() % 3;
        SpawnSlowEffect(int16_t(kind), sx, sy, angle, int16_t(d), speed);
    }
}

}  // namespace game
