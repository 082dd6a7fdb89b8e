// The picture tables: every picture the game draws, by object kind (row) and animation frame (entry).
#pragma once

#include <cstdint>

namespace game {

// How an effect, a shot or a bullet is drawn (their blendKind and blendMode fields): the game's own
// numbering, which the engine's blend modes do not share.
inline constexpr int16_t kDrawPlain = 0;
inline constexpr int16_t kDrawAdditive = 1;
inline constexpr int16_t kDrawAlpha = 2;  // effects and shots only

// Single pictures.
extern int BlindImage;
extern int BunnyHurtImage;
extern int BunnyDeadImage;
extern int OptionImage;
extern int PanelImage;
extern int LifeImage;
extern int ClearBackImages[2];
extern int StageClearImage;
extern int BonusImage;
extern int TitleBackImage;

// Divided pictures: one file cut into cells.
extern int CursorImages[4];
extern int ArrowLeftImages[2];
extern int ArrowRightImages[2];
extern int BunnyImages[2];
extern int ShipImages[4];
extern int FontImages[128];
extern int Font2Images[128];
extern int PanelAnimImages[4];
extern int TextImages[14];
extern int DangerImages[2];

// Rows by kind. EnemyImages rows 16-19 are the bosses, filled and emptied by stage loading.
extern int EnemyImages[20][16];
extern int ShotImages[4][16];
extern int BulletImages[7][16];
extern int ItemImages[5][8];
extern int EffectImages[35][12];

// Loads every table above except the boss rows (start-up); releases them all (shutdown).
void LoadImages();
void ReleaseImages();

}  // namespace game
