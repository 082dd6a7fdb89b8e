// The data generator's parts: each writes its files under `out` (the data folder).
// Each returns false after printing one line that says what went wrong.
#pragma once

#include <string>

namespace datagen {

bool WritePictures(const std::string& out, const std::string& src);
// Writes the pictures and, for review, a contact sheet of them all and a mock stage screen beside it.
bool WritePictureReview(const std::string& out, const std::string& sheet);
bool WriteSounds(const std::string& out);
// `quality`: Vorbis quality from -0.1 to 1; below 0 the game's own (the browser page asks for less,
// to download less).
bool WriteMusic(const std::string& out, float quality = -1);
bool WriteMaps(const std::string& out, const std::string& src);
// The desktop icons in the hicolor sizes: dir/hicolor/NxN/apps/velmoran.png.
bool WriteIcons(const std::string& dir);

}  // namespace datagen
