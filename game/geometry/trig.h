// The trigonometric tables.
#pragma once

namespace game {

void BuildTrigTables();

}  // namespace game
