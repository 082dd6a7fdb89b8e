// Picture decoding (placeholder until the BMP and PNG decoders land): nothing decodes.
#include "engine/decode/decode.h"

namespace engine {

bool DecodePicture(const uint8_t*, size_t, DecodedPicture*) { return false; }

bool DecodePictureFile(const std::string&, DecodedPicture*, DecodedPicture*, bool* hasCompanion) {
    if (hasCompanion) *hasCompanion = false;
    return false;
}

void ToArgb(const DecodedPicture& picture, std::vector<uint32_t>* out) {
    out->assign(size_t(picture.width) * size_t(picture.height), 0xFF000000u);
}

}  // namespace engine
