// Image handles and drawing primitives (placeholder until the rasterizer lands).
#include "engine/image/image.h"

namespace engine {

int LoadImageFile(const std::string&, int) { return -1; }
int LoadDividedImage(const std::string&, int, int, int, int, int, int* handles, int) {
    (void)handles;
    return -1;
}
int DeleteImage(int) { return -1; }
int DrawImage(int, int, int, int) { return -1; }
int DrawImageRotated(int, int, double, double, int, int, int) { return -1; }
int DrawRectangle(int, int, int, int, int, int) { return 0; }
int MakeColor(int red, int green, int blue) {
    return int(0xFF000000u | uint32_t(red & 255) << 16 | uint32_t(green & 255) << 8 | uint32_t(blue & 255));
}
bool ImageSurface(int, Surface*) { return false; }
void DeleteAllImages() {}

}  // namespace engine
