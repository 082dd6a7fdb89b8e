// The program's spine: start-up, the outer loop of title, game and results, the stage frame loop.
#pragma once

#include <string>

namespace game {

// How the start-up question is settled: asked (the game's own way), or answered by the command line.
enum class ScreenChoice { kAsk, kWindow, kFullScreen };

// Runs the whole program; returns 0 after a normal end, -1 when the engine services fail to start,
// 1 when a stage map is missing or damaged (after an orderly shutdown and one line on stderr).
int RunGame(ScreenChoice choice = ScreenChoice::kAsk);

// Called after the results screen of every game begun at the first stage (a game begun from the stage
// select is practice); the program sends such a game's recording to a score table.
using GameEndObserver = void (*)();
void SetGameEndObserver(GameEndObserver observer);

// What to tell a player whose data is missing or damaged: how the data folder beside the program is made.
std::string DataAdvice();

// One stage from set-up to its end; false when the stage could not be loaded.
bool PlayStage();

}  // namespace game
