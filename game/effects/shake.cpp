// The screen shake: a random jitter of every rotated draw, from the engine's generator, not the game's.
#include "engine/input/input.h"
#include "game/effects/effects.h"
#include "game/state.h"

namespace game {

namespace {

// A value in [-amplitude, amplitude], truncated toward zero.
int32_t ShakeOffset(int32_t amplitude) {
    const double o = engine::RandomUpTo(10000) * (2.0 * amplitude) / 10000.0 - amplitude;
    return int32_t(o);
}

}  // namespace

void StartShake(int16_t duration) {
    GameState& gs = gameState;
    gs.shakeActive = 1;
    gs.shakeFrame = 0;
    gs.shakeDuration = duration;
}

// The amplitude builds up 2 a frame to 8 and dies away 1 a frame once the shake stops.
void UpdateShake() {
    GameState& gs = gameState;
    if (gs.shakeActive) {
        if (gs.shakeAmplitude < 8) gs.shakeAmplitude += 2;
        gs.shakeX = ShakeOffset(gs.shakeAmplitude);
        gs.shakeY = ShakeOffset(gs.shakeAmplitude);
        gs.shakeFrame += 1;
        if (gs.shakeFrame > gs.shakeDuration) {
            gs.shakeActive = 0;
            gs.shakeX = 0;
            gs.shakeY = 0;
        }
    } else if (gs.shakeAmplitude > 0) {
        gs.shakeAmplitude -= 1;
    }
}

void ClearShake() {
    GameState& gs = gameState;
    gs.shakeActive = gs.shakeFrame = gs.shakeDuration = gs.shakeAmplitude = 0;
    gs.shakeX = gs.shakeY = 0;
}

}  // namespace game
