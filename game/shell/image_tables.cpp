// The picture tables (placeholder until the image tables land): every handle -1, nothing drawn.
#include "game/shell/image_tables.h"

namespace game {

int BlindImage = -1;
int TitleBackImage = -1;
int TextImages[14] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
int ArrowLeftImages[2] = {-1, -1};
int ArrowRightImages[2] = {-1, -1};
int CursorImages[4] = {-1, -1, -1, -1};

void LoadAllImages() {}
void ReleaseAllImages() {}

}  // namespace game
