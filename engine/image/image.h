// Images and drawing: image handles, divided images, the transparent colour, clipping, blending,
// and the three primitives (image at a point, image scaled and turned, rectangle).
#pragma once

#include <string>
#include <vector>

#include "engine/frame/screen.h"

namespace engine {

int LoadImageFile(const std::string& fileName, int flag = 0);
int LoadDividedImage(const std::string& fileName, int cellCount, int columns, int rows, int cellWidth,
                     int cellHeight, int* handles, int flag = 0);
int DeleteImage(int handle);
int SetTransparentColor(int red, int green, int blue);
int SetClipRect(int x1, int y1, int x2, int y2);
// Blend modes: other values draw as kBlendNone.
inline constexpr int kBlendNone = 0;
inline constexpr int kBlendAlpha = 1;     // mixed with what is there by the parameter
inline constexpr int kBlendAdditive = 2;  // added to what is there, scaled by the parameter
int SetBlendMode(int mode, int parameter);
int DrawImage(int x, int y, int handle, int transparent);
int DrawImageRotated(int x, int y, double scale, double angle, int handle, int transparent, int mirror);
int DrawRectangle(int x1, int y1, int x2, int y2, int colour, int fill);
int MakeColor(int red, int green, int blue);
// Draws to the screens are held back and drawn when the frame is presented or its pixels are read
// (BackScreen, FrontScreen, SaveDrawScreen, a change of draw target); this draws them now.
void FlushDrawing();
// Skips writing pixels (replay checks): drawing calls still return as they would, nothing is painted.
void SetPixelsSkipped(bool skipped);
bool PixelsSkipped();

// Decodes picture files on a thread of their own ahead of their loads (a game's stages), so that a
// LoadImageFile of them later costs a copy; the pictures are the same either way.
void PrefetchImageFiles(const std::vector<std::string>& fileNames);
// Makes sure the files are decoded now (waiting for the prefetch where it has them) and holds their
// pictures until ReleaseReadyImageFiles, so that the loads to come cost a copy: a screen about to
// be left waits for what the next one needs, rather than the next one's first frame decoding it.
void ReadyImageFiles(const std::vector<std::string>& fileNames);
void ReleaseReadyImageFiles();

// The surface of a drawable image, for SetDrawTarget; false for an invalid handle.
bool ImageSurface(int handle, Surface* out);
// The pixels of any image, for reading only (the engine's own overlays); false for an invalid handle.
bool ImagePixels(int handle, Surface* out);
// Releases every image; EndEngine calls it.
void DeleteAllImages();

}  // namespace engine
