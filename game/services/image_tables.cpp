// The picture tables and the files that fill them. Loads are not checked: a missing file leaves an
// invalid handle, which draws nothing.
#include "game/services/image_tables.h"

#include <cstdio>

#include "engine/frame/pause.h"
#include "engine/image/image.h"

namespace game {

int BlindImage;
int BunnyHurtImage;
int BunnyDeadImage;
int OptionImage;
int PanelImage;
int LifeImage;
int ClearBackImages[2];
int StageClearImage;
int BonusImage;
int TitleBackImage;
int CursorImages[4];
int ArrowLeftImages[2];
int ArrowRightImages[2];
int BunnyImages[2];
int ShipImages[4];
int FontImages[128];
int Font2Images[128];
int PanelAnimImages[4];
int TextImages[14];
int DangerImages[2];
int EnemyImages[20][16];
int ShotImages[4][16];
int BulletImages[7][16];
int ItemImages[5][8];
int EffectImages[35][12];

namespace {

struct Cells {
    int count, columns, rows, width, height;
};

void Divided(const char* file, Cells c, int* entries) {
    engine::LoadDividedImage(file, c.count, c.columns, c.rows, c.width, c.height, entries, 0);
}

// Every handle the tables hold, for releasing them all alike.
template <typename F>
void ForEachEntry(F f) {
    for (int* single : {&BlindImage, &BunnyHurtImage, &BunnyDeadImage, &OptionImage, &PanelImage, &LifeImage,
                        &StageClearImage, &BonusImage, &TitleBackImage})
        f(*single);
    auto each = [&](int* entries, int n) {
        for (int i = 0; i < n; ++i) f(entries[i]);
    };
    each(ClearBackImages, 2);
    each(CursorImages, 4);
    each(ArrowLeftImages, 2);
    each(ArrowRightImages, 2);
    each(BunnyImages, 2);
    each(ShipImages, 4);
    each(FontImages, 128);
    each(Font2Images, 128);
    each(PanelAnimImages, 4);
    each(TextImages, 14);
    each(DangerImages, 2);
    each(&EnemyImages[0][0], 16 * 16);  // the boss rows 16-19 belong to stage loading
    each(&ShotImages[0][0], 4 * 16);
    each(&BulletImages[0][0], 7 * 16);
    each(&ItemImages[0][0], 5 * 8);
    each(&EffectImages[0][0], 35 * 12);
}

}  // namespace

void LoadImages() {
    BlindImage = engine::LoadImageFile("data/blind.bmp");
    BunnyHurtImage = engine::LoadImageFile("data/bunnyDamage.bmp");
    BunnyDeadImage = engine::LoadImageFile("data/bunny_dead.bmp");
    OptionImage = engine::LoadImageFile("data/jiki/opt.bmp");
    PanelImage = engine::LoadImageFile("data/waku.bmp");
    LifeImage = engine::LoadImageFile("data/zanki.bmp");
    ClearBackImages[0] = engine::LoadImageFile("data/cl1.bmp");
    ClearBackImages[1] = engine::LoadImageFile("data/cl2.bmp");
    StageClearImage = engine::LoadImageFile("data/stageclear.bmp");
    BonusImage = engine::LoadImageFile("data/bonus5000.bmp");
    TitleBackImage = engine::LoadImageFile("data/titleback.bmp");

    Divided("data/cursor.bmp", {4, 2, 2, 64, 64}, CursorImages);
    Divided("data/selectL.bmp", {2, 2, 1, 32, 32}, ArrowLeftImages);
    Divided("data/selectR.bmp", {2, 2, 1, 32, 32}, ArrowRightImages);
    Divided("data/bunny.bmp", {2, 2, 1, 64, 96}, BunnyImages);
    Divided("data/jiki/jiki.bmp", {4, 2, 2, 64, 64}, ShipImages);
    Divided("data/font.bmp", {128, 16, 8, 16, 32}, FontImages);
    Divided("data/font2.bmp", {128, 16, 8, 16, 32}, Font2Images);
    engine::SetOverlayFont(FontImages, Font2Images);  // the pause menu writes in the game's own letters
    Divided("data/bura.bmp", {4, 2, 2, 160, 128}, PanelAnimImages);
    Divided("data/text.bmp", {14, 2, 7, 240, 48}, TextImages);
    Divided("data/danger.bmp", {2, 1, 2, 64, 32}, DangerImages);

    char name[64];
    for (int kind = 0; kind < 12; ++kind) {
        std::snprintf(name, sizeof name, "data/enemy/teki%02d.bmp", kind);
        // Even kinds have one row of four frames; odd (heavy) kinds add four damaged frames.
        Divided(name, kind % 2 == 0 ? Cells{4, 4, 1, 64, 64} : Cells{8, 4, 2, 64, 64}, EnemyImages[kind]);
    }
    Divided("data/enemy/teki12.bmp", {8, 4, 2, 64, 128}, EnemyImages[12]);
    Divided("data/enemy/teki13.bmp", {8, 4, 2, 64, 128}, EnemyImages[13]);
    Divided("data/enemy/itemCarrierL.bmp", {10, 2, 5, 64, 64}, EnemyImages[14]);
    Divided("data/enemy/itemCarrierR.bmp", {10, 2, 5, 64, 64}, EnemyImages[15]);

    Divided("data/jiki/mainShot.png", {8, 4, 2, 96, 96}, ShotImages[0]);
    Divided("data/jiki/napalm.bmp", {8, 4, 2, 64, 64}, ShotImages[1]);
    Divided("data/jiki/bomb.BMP", {4, 2, 2, 192, 192}, ShotImages[2]);
    Divided("data/jiki/mainShot2.png", {8, 4, 2, 96, 96}, ShotImages[3]);

    for (int kind = 0; kind < 6; ++kind) {
        std::snprintf(name, sizeof name, "data/bullet/tama%02d.bmp", kind);
        Divided(name, {5, 5, 1, 32, 32}, BulletImages[kind]);
    }
    Divided("data/bullet/tama06.bmp", {4, 4, 1, 256, 256}, BulletImages[6]);

    for (int kind = 0; kind < 5; ++kind) {
        std::snprintf(name, sizeof name, "data/item/item%d.bmp", kind);
        Divided(name, {4, 4, 1, 32, 32}, ItemImages[kind]);
    }

    int(*fx)[12] = EffectImages;
    Divided("data/effect/bak0.bmp", {12, 3, 4, 200, 200}, fx[0]);
    Divided("data/effect/bak1.bmp", {12, 3, 4, 96, 96}, fx[1]);
    Divided("data/effect/bak2.bmp", {12, 3, 4, 48, 48}, fx[2]);
    Divided("data/effect/bak3.bmp", {12, 3, 4, 37, 37}, fx[3]);
    Divided("data/effect/bak_jiki.bmp", {12, 3, 4, 128, 128}, fx[4]);
    Divided("data/effect/bak5.bmp", {6, 1, 6, 39, 39}, fx[5]);
    Divided("data/effect/bak5_2.bmp", {6, 1, 6, 39, 39}, fx[5] + 6);
    Divided("data/effect/bak6.bmp", {6, 1, 6, 24, 24}, fx[6]);
    Divided("data/effect/bak6_2.bmp", {6, 1, 6, 24, 24}, fx[6] + 6);
    Divided("data/effect/bak7.bmp", {6, 1, 6, 24, 24}, fx[7]);
    Divided("data/effect/bak7_2.bmp", {6, 1, 6, 24, 24}, fx[7] + 6);
    Divided("data/effect/bak3.bmp", {12, 3, 4, 37, 37}, fx[8]);  // the same file as row 3, loaded again
    Divided("data/effect/bak10.png", {6, 3, 2, 96, 96}, fx[10]);
    Divided("data/effect/bak11.png", {6, 3, 2, 64, 64}, fx[11]);
    Divided("data/effect/bak12.png", {6, 3, 2, 64, 64}, fx[12]);
    Divided("data/effect/bak13.bmp", {6, 3, 2, 96, 96}, fx[13]);
    Divided("data/effect/bak13_2.bmp", {6, 3, 2, 96, 96}, fx[13] + 6);
    Divided("data/effect/bak14.bmp", {6, 3, 2, 64, 64}, fx[14]);
    Divided("data/effect/bak14_2.bmp", {6, 3, 2, 64, 64}, fx[14] + 6);
    Divided("data/effect/bak15.bmp", {6, 3, 2, 48, 48}, fx[15]);
    Divided("data/effect/bak15_2.bmp", {6, 3, 2, 48, 48}, fx[15] + 6);
    Divided("data/effect/bak16.png", {6, 3, 2, 40, 40}, fx[16]);
    Divided("data/effect/bak16_2.png", {6, 3, 2, 52, 52}, fx[16] + 6);
    Divided("data/effect/bak17.png", {6, 3, 2, 64, 64}, fx[17]);
    Divided("data/effect/homing_k2.png", {8, 4, 2, 64, 32}, fx[20]);
    Divided("data/effect/biteff.bmp", {6, 3, 2, 64, 32}, fx[25]);
    Divided("data/effect/biteff2.bmp", {6, 3, 2, 64, 32}, fx[25] + 6);
    Divided("data/effect/homing_k.png", {8, 4, 2, 32, 32}, fx[26]);
    Divided("data/effect/hibana.png", {12, 2, 6, 51, 26}, fx[27]);
    Divided("data/effect/pr.bmp", {4, 2, 2, 192, 128}, fx[28]);
    Divided("data/effect/pg.bmp", {4, 2, 2, 192, 128}, fx[29]);
    Divided("data/effect/py.bmp", {4, 2, 2, 192, 128}, fx[30]);
    Divided("data/effect/hiteff.bmp", {6, 3, 2, 48, 48}, fx[31]);
    fx[32][0] = engine::LoadImageFile("data/effect/boss_death.png");
    Divided("data/effect/boss_dead1.bmp", {6, 1, 6, 1280, 80}, fx[33]);
    Divided("data/effect/bak34.bmp", {4, 2, 2, 96, 96}, fx[34]);
    Divided("data/effect/bak34_2.bmp", {4, 2, 2, 64, 64}, fx[34] + 4);
}

void ReleaseImages() {
    ForEachEntry([](int& handle) {
        engine::DeleteImage(handle);  // 0 and -1 are invalid handles: harmless
        handle = 0;
    });
}

}  // namespace game
