// The picture tables: every picture the game draws, loaded at start-up.
#pragma once

namespace game {

extern int BlindImage;
extern int TitleBackImage;
extern int TextImages[14];
extern int ArrowLeftImages[2];
extern int ArrowRightImages[2];
extern int CursorImages[4];

void LoadAllImages();
void ReleaseAllImages();

}  // namespace game
