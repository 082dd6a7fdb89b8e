// The spawn schedule: one map row every 64 frames, each cell an enemy entering from the rim.
#include "game/enemies/spawn_schedule.h"

#include <cstdint>

#include "game/geometry/trig.h"
#include "game/player/lives.h"
#include "game/state.h"

namespace game {

int32_t SpawnKindTable[kSpawnRows][kSpawnColumns];
int32_t SpawnParamTable1[kSpawnRows][kSpawnColumns];
int32_t SpawnParamTable2[kSpawnRows][kSpawnColumns];

namespace {
constexpr int32_t kKindCount = 20;
}  // namespace

void ScheduleStep() {
    GameState& gs = gameState;
    // An empty field past row 1 hurries through the rows, one a frame.
    const int32_t period = gs.mapRow > 1 && gs.enemyCount == 0 ? 1 : 64;
    if (gs.frameCount % period != 0) return;
    // The row keeps counting after the map ends while enemies remain; it must never wrap negative.
    if (PlayerPhase() == 0 && gs.mapRow < INT16_MAX) gs.mapRow = int16_t(gs.mapRow + 1);
    if (gs.lastSpawnedRow < gs.mapRow && gs.mapRow < gs.mapHeight && gs.mapRow < kSpawnRows) {
        const int row = gs.mapRow;
        const int width = gs.mapWidth < kSpawnColumns ? gs.mapWidth : kSpawnColumns;
        for (int c = 0; c < width; ++c) {
            const int32_t kind = SpawnKindTable[row][c];
            if (kind >= 0) SpawnFromMap(kind, SpawnParamTable1[row][c], SpawnParamTable2[row][c], c * 32);
        }
    }
    gs.lastSpawnedRow = gs.mapRow;
}

EnemyRecord* SpawnFromMap(int32_t kind, int32_t param1, int32_t param2, int32_t angle) {
    // A kind without behaviour would sit on the field for good and hold off the stage clear.
    if (kind < 0 || kind >= kKindCount) return nullptr;
    EnemyRecord* e = FindFreeEnemySlot();
    if (e == nullptr) return nullptr;
    ResetSlot(*e);
    e->state = kSlotSpawned;
    e->kind = kind;
    e->entryAngle = angle;
    e->x = PolarX(0, 480, 0, angle);
    e->y = PolarY(0, 480, 0, angle);
    e->heading = e->facing = WrapAngle(angle + 512);
    e->offFieldMargin = -1.0;
    e->offScreenMargin = 32.0;
    e->mapParam1 = param1;
    e->mapParam2 = param2;
    return e;
}

}  // namespace game
