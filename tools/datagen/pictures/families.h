// The picture families: each adds the jobs that draw its files; jobs run on worker threads.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "pictures/canvas.h"
#include "pictures/image_io.h"

namespace datagen::pic {

// One unit of work: draws one or more pictures. Jobs share nothing, so they may run in parallel.
struct Job {
    std::string label;
    std::function<std::vector<Picture>()> make;
};
using Jobs = std::vector<Job>;

inline std::vector<Picture> One(Picture p) {
    std::vector<Picture> v;
    v.push_back(std::move(p));
    return v;
}

void AddPlayerJobs(Jobs& jobs);      // ship, options, shots, items, bunny, spare-ship marker
void AddEnemyJobs(Jobs& jobs);       // the sixteen enemy kinds and the item carriers
void AddBossJobs(Jobs& jobs);        // the four bosses
void AddEffectJobs(Jobs& jobs);      // explosions, sparks, flashes, enemy bullets
void AddBackgroundJobs(Jobs& jobs);  // space and planet backdrops, blind, title and clear backdrops
void AddUiJobs(Jobs& jobs);          // fonts, menu text, panel, banners, cursor, arrows, danger marker

// A written picture as the game sees it, kept for the contact sheet.
struct Baked {
    std::string name;
    int cols = 1, rows = 1, cellW = 0, cellH = 0, count = 1;
    bool png = false;
    Image8 img;
};

// Draws every picture (on `threads` workers) and writes them under `out`; keeps the baked forms when
// `keep` is given. Returns false after printing one line when a picture cannot be drawn or written.
bool MakeAllPictures(const std::string& out, int threads, std::vector<Baked>* keep);

// Drawings shared between families.
void DrawItemIcon(Canvas& cv, int kind, V2 c, float scale, int frame);
void DrawShipIcon(Canvas& cv, const Xf& t, int phase);
void DrawBunnyFigure(Canvas& cv, V2 feet, int frame);

bool WriteContactSheet(const std::string& path, const std::vector<Baked>& pics);
bool WriteMockScreen(const std::string& path, const std::vector<Baked>& pics);

}  // namespace datagen::pic
