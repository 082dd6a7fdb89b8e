// The enemy update (placeholder until the enemies' work lands).
#include "game/enemies/enemy_update.h"

namespace game {

void UpdateEnemy(EnemyRecord&) {}
void DamageEnemy(EnemyRecord&, int32_t) {}
void DrawEnemy(EnemyRecord&) {}
EnemyRecord* SpawnEnemyAt(int32_t, double, double, int32_t) { return nullptr; }
void SetEnemyCircle(EnemyRecord&, int, int16_t, int16_t, int16_t) {}
void AnimateEnemy(EnemyRecord&, bool) {}
int32_t DwellTime(const EnemyRecord&, double) { return 0; }
int32_t ScaleInterval(int32_t n) { return n; }
double ScaleSpeed(double v) { return v; }
void PlaceAtEntry(EnemyRecord&) {}
int32_t DiveStep(EnemyRecord&, int16_t) { return 0; }
int32_t LeaveStep(EnemyRecord&, int16_t) { return 0; }
int32_t PursueStep(EnemyRecord&, int16_t) { return 0; }

}  // namespace game
