// Effects and the shake (placeholder until the effects work lands).
#include "game/effects/effects.h"

#include "game/state.h"

namespace game {

int SpawnEffect(int16_t, double, double, int32_t, int16_t, double) { return -1; }
int SpawnSlowEffect(int16_t kind, double x, double y, int32_t angle, int16_t direction, double speed) {
    return SpawnEffect(int16_t(kind + 100), x, y, angle, direction, speed);
}
void Explode(double, double, bool) {}
void BigExplode(double, double, bool) {}
void StartShake(int16_t) {}
void UpdateEffects() {}
void DrawEffect(int) {}
void ClearEffects() {}
void ClearShake() {
    GameState& gs = gameState;
    gs.shakeActive = gs.shakeFrame = gs.shakeDuration = gs.shakeAmplitude = 0;
    gs.shakeX = gs.shakeY = 0;
}

}  // namespace game
