// Items dropped by enemies.
#pragma once

namespace game {

void ResetItemPool();

}  // namespace game
