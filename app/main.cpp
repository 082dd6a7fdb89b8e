// The program entry: the command line, the folders and settings, the back-end, then the game.
#include <malloc.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/autopilot.h"
#include "app/command_line.h"
#include "app/replay.h"
#include "app/score_upload.h"
#include "app/settings.h"
#include "app/user_folders.h"
#include "engine/frame/frame.h"
#include "engine/frame/overlays.h"
#include "engine/frame/pause.h"
#include "engine/image/image.h"
#include "engine/input/controls.h"
#include "engine/input/recorder.h"
#include "engine/platform.h"
#include "engine/sound/sound_system.h"
#include "game/services/frame_rhythm.h"
#include "game/services/user_folder.h"
#include "game/shell/digest.h"
#include "game/shell/main_loop.h"
#include "game/shell/reset_all.h"
#include "game/state.h"
#include "platform/common/script_feed.h"
#include "platform/headless/headless_platform.h"
#include "platform/sdl2/sdl_platform.h"

namespace {

constexpr int kUsageError = 2;

// ---- Folders and settings ----
// The program's own folder, wherever it is started from.
std::string ProgramFolder(const char* argv0) {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) self = std::filesystem::absolute(argv0, ec);
    return !ec && self.has_parent_path() ? self.parent_path().string() : std::string(".");
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// What the player changed while playing (Alt+Enter, the M key, the window's place) goes back
// into settings.ini; --set and command-line choices were for this run only.
void KeepChangedSettings(const std::string& path, const app::SettingsFile& file, const app::Settings& run) {
    if (path.empty()) return;
    app::Settings kept = file.settings;
    if (engine::SoundMuted() != run.mute) kept.mute = engine::SoundMuted();
    // The options screen's changes.
    int effects = 0, music = 0;
    engine::GetSoundVolumes(&effects, &music);
    if (effects != run.effectsVolume) kept.effectsVolume = effects;
    if (music != run.musicVolume) kept.musicVolume = music;
    const engine::Controls& controls = engine::CurrentControls();
    if (controls.sensitivity != run.options.mouseSensitivity)
        kept.options.mouseSensitivity = controls.sensitivity;
    if (!(controls.bindings == run.bindings)) kept.bindings = controls.bindings;
    const engine::DisplayChoices display = engine::CurrentDisplayChoices();
    if (display.integerScale != run.options.integerScale) kept.options.integerScale = display.integerScale;
    if (display.windowModeChosen) kept.fullScreen = !display.windowed;
    const platform::Placement place = platform::Current()->LastPlacement();
    if (place.known && place.width > 0) {
        kept.options.windowX = place.x;
        kept.options.windowY = place.y;
        kept.options.windowWidth = place.width;
        kept.options.windowHeight = place.height;
    }
    if (!app::SameSettings(kept, file.settings)) app::SaveSettings(path, file, kept);
}
// ---- end of folders and settings ----

// Without its data the game would open a black window that closes on the first click: say so first.
bool DataPresent() {
    std::error_code ec;
    if (std::filesystem::is_directory("data", ec) || std::filesystem::is_regular_file("data.ZRA", ec))
        return true;
    std::fprintf(stderr, "velmoran: no game data beside the program (%s/data is missing); %s\n",
                 std::filesystem::current_path(ec).c_str(), game::DataAdvice().c_str());
    return false;
}

std::FILE* digestFile = nullptr;
std::unique_ptr<app::ReplayCheck> replayCheck;
bool reportStages = false;

// For the autopilot's report: each stage's start and how long the one before it lasted.
void ReportStage() {
    static int stage = 0;
    static int64_t since = 0;
    const game::GameState& gs = game::gameState;
    if (gs.stage == stage || gs.lives == 0) return;
    const int64_t now = engine::FramesPumped();
    if (stage > 0)
        std::printf("autoplay: stage %d took %lld frames (score %d, lives %d, bunny %d)\n", stage,
                    static_cast<long long>(now - since), gs.score, gs.lives, gs.bunnyHealth);
    if (gs.stage > 0)
        std::printf("autoplay: stage %d begins at frame %lld\n", gs.stage, static_cast<long long>(now));
    stage = gs.stage;
    since = now;
}

// Sends finished games to the score table, when the player has one.
std::unique_ptr<app::ScoreUploader> uploader;
bool gameEndPending = false;  // a game's results screen has ended: send it at the next frame's end

std::string PlayerName(const app::Settings& settings) {
    if (!settings.playerName.empty()) return settings.playerName;
    const char* login = std::getenv("USER");
    return login && *login ? login : "player";
}

void AfterFrame() {
    if (digestFile)
        std::fprintf(digestFile, "%lld %016llx\n", static_cast<long long>(engine::FramesPumped()),
                     static_cast<unsigned long long>(game::StateDigest()));
    app::RecordFrameDigest();
    app::FollowStage();
    if (replayCheck) replayCheck->AfterFrame();
    if (reportStages) ReportStage();
    if (gameEndPending && uploader) {
        // The copy ends with this frame's digest, so that the server checks the game to its end.
        app::RecordDigestNow();
        uploader->GameEnded();
    }
    gameEndPending = false;
    // Sending happens on the uploader's thread; the player hears of it here, between frames.
    if (int sent = 0, kept = 0; uploader && uploader->TakeNews(&sent, &kept))
        engine::ShowNotice(sent > 0 ? engine::Notice::kScoreSent : engine::Notice::kScoreKept);
}

// A diff-friendly record of how the run ended, for end-to-end tests.
void WriteSummary(const std::string& path, int result) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    bool ok = f && std::fputs(app::RunReport(result).c_str(), f) >= 0;
    if (f && std::fclose(f) != 0) ok = false;
    if (!ok) std::fprintf(stderr, "velmoran: the summary %s could not be written\n", path.c_str());
}

// The run's folders and settings: settings.ini, then --set, then the command line on top.
struct RunSettings {
    app::CommandLine cl;  // parsed again over the settings, so that the command line wins
    app::Folders folders;
    app::SettingsFile file;
    app::Settings settings;
};

// Chooses the folders and reads the settings; false (after one line) when the run cannot go on.
bool ChooseFoldersAndSettings(int argc, char** argv, const app::CommandLine& first, RunSettings* run) {
    app::FolderInputs where;
    where.programDir = ProgramFolder(argv[0]);
    where.installedData = VELMORAN_DATADIR;
    where.userDir = first.userDir;
    where.dataDir = first.dataDir;
    where.home = Env("HOME");
    where.xdgDataHome = Env("XDG_DATA_HOME");
    where.xdgConfigHome = Env("XDG_CONFIG_HOME");
    run->folders = app::ChooseFolders(where);
    app::Folders& folders = run->folders;
    for (const std::string& m : folders.messages) std::fprintf(stderr, "velmoran: %s\n", m.c_str());
    if (folders.fatal) return false;
    // A headless run replays input scripts: a player's settings (sensitivity, volume) must not change
    // what it computes, so it reads settings.ini only from a folder named for it.
    if (first.headless && first.userDir.empty()) folders.settingsPath.clear();
    if (!folders.settingsPath.empty()) run->file = app::LoadSettings(folders.settingsPath);
    app::Settings& settings = run->settings;
    settings = run->file.settings;
    for (const std::string& set : first.settings) {
        std::vector<std::string> problems;
        if (!app::IsSettingKey(set.substr(0, set.find('=')))) problems.push_back("no such key");
        settings = app::ParseSettings(set, &problems, settings).settings;
        if (!problems.empty()) {
            // Refused, not used: settings.ini's "; using N" does not hold for a --set.
            std::string problem = problems[0];
            if (const size_t using_ = problem.find("; using "); using_ != std::string::npos)
                problem.resize(using_);
            std::fprintf(stderr, "velmoran: --set %s: %s (try --help)\n", set.c_str(), problem.c_str());
            return false;
        }
    }
    app::CommandLine& cl = run->cl;
    cl.options = settings.options;
    if (!settings.askAtStart)
        cl.choice = settings.fullScreen ? game::ScreenChoice::kFullScreen : game::ScreenChoice::kWindow;
    app::ParseCommandLine(argc, argv, &cl);
    if (cl.verbose)
        std::fprintf(
            stderr,
            "velmoran: data from %s\nvelmoran: records and screenshots in %s\nvelmoran: settings in %s\n",
            folders.dataRoot.c_str(), folders.userDir.empty() ? "(none)" : folders.userDir.c_str(),
            folders.settingsPath.empty() ? "(none)" : folders.settingsPath.c_str());
    engine::SetSoundVolumes(settings.effectsVolume, settings.musicVolume);
    engine::SetSoundMuted(settings.mute);
    engine::SetMuteWhenInactive(settings.muteWhenInactive);
    return true;
}

// Reads the input script and opens the files the run writes as it goes; false (after one line) when
// one cannot be had.
bool OpenRunFiles(const app::CommandLine& cl, scripted::InputScript* script) {
    if (!cl.options.inputScript.empty()) {
        std::string error;
        if (!scripted::LoadInputScript(cl.options.inputScript, script, &error)) {
            std::fprintf(stderr, "velmoran: %s\n", error.c_str());
            return false;
        }
    }
    if (!cl.digestPath.empty()) {
        digestFile = std::fopen(cl.digestPath.c_str(), "w");
        if (!digestFile) {
            std::fprintf(stderr, "velmoran: %s cannot be written\n", cl.digestPath.c_str());
            return false;
        }
    }
    // Written beside the file and put in its place when the run is over: until then the file named
    // keeps what it held.
    if (!cl.recordPath.empty() && !engine::StartRecording(cl.recordPath)) {
        std::fprintf(stderr, "velmoran: the recording %s cannot be written\n", cl.recordPath.c_str());
        if (digestFile) std::fclose(digestFile);
        return false;
    }
    return true;
}

// The back-end: headless (a verified replay checks its digests and skips pixels), a replay in a real
// window, or the real window; then the autopilot where asked for.
void InstallBackEnd(app::CommandLine& cl, const engine::Bindings& bindings, scripted::InputScript script,
                    std::unique_ptr<engine::InputSource>* autopilot) {
    platform::Options& options = cl.options;
    options.displayLost = app::CleanUpForAnEndNow;
    if (cl.headless) {
        if (cl.verify) {
            replayCheck = std::make_unique<app::ReplayCheck>(script.digests);
            // A replay that goes on past the recorded end has gone astray, and one with no end runs
            // on without input or anything to check: stop either.
            if (options.frameLimit == 0) options.frameLimit = scripted::VerifyFrameLimit(script);
            engine::SetPixelsSkipped(true);
        }
        platform::Install(std::make_unique<headless::HeadlessPlatform>(options, std::move(script)));
    } else if (!options.inputScript.empty()) {
        // A replay in a real window: the window and the sound are real, the input is the script's.
        platform::Install(scripted::MakeScriptedPlatform(sdl::MakeSdlPlatform(options), std::move(script),
                                                         options.frameLimit));
    } else {
        platform::Install(sdl::MakeSdlPlatform(options));
    }
    // A script plays with the default controls, so that it steers alike on every machine.
    engine::SetControls(
        options.inputScript.empty()
            ? engine::Controls{options.keyboardSteering, options.gamepad, options.mouseSensitivity, bindings}
            : engine::Controls{});
    engine::SetDisplayChoices({options.integerScale, false, false});
    if (cl.autoplay) {
        *autopilot = app::MakeAutopilot(options.inputScript.empty());
        engine::SetInputSource(autopilot->get());
        reportStages = cl.headless;
    }
}

// Ends a run that could not start: nothing it began is left behind.
int AbandonRun(int result) {
    if (digestFile) std::fclose(digestFile);
    engine::AbandonRecording();
    platform::Install(nullptr);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    // Past a file-size limit a write should fail and be reported (the records keep their old value),
    // not kill the game.
    std::signal(SIGXFSZ, SIG_IGN);
#ifdef __GLIBC__
    // Pictures and files of a megabyte or more come and go with the stages. A fixed threshold keeps
    // them in mappings of their own, given back when freed; glibc's sliding one soon serves them from
    // the heap, which then stays as large as its busiest moment (some 2 MB of the peak).
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
    app::CommandLine first;
    switch (app::ParseCommandLine(argc, argv, &first)) {
        case app::ParseOutcome::kRun:
            break;
        case app::ParseOutcome::kExitOk:
            return 0;
        case app::ParseOutcome::kUsageError:
            return kUsageError;
    }
    // Every replay plays in a scratch folder, so that a stranger's recording can never touch the
    // player's records, screenshots or settings; only a plain game keeps them.
    const bool replay = !first.options.inputScript.empty();
    // A replay's scratch folder and a headless recording's unfinished file are removed when a signal
    // ends the run; a plain game ends in order on one, as on the window's close button.
    if (replay || (first.headless && !first.recordPath.empty()))
        app::EndSignalsCleanUp();
    else
        app::EndSignalsQuitInOrder();

    RunSettings run;
    if (!ChooseFoldersAndSettings(argc, argv, first, &run)) return kUsageError;
    app::CommandLine& cl = run.cl;
    scripted::InputScript script;
    if (!OpenRunFiles(cl, &script)) return kUsageError;
    game::SetFrameObserver(AfterFrame);
    // A recording carries the records it began with; its replay plays from those (none: empty
    // records), so that it plays as recorded whatever records the player has.
    const std::vector<scripted::ScriptRecord> replayRecords = script.records;
    std::unique_ptr<engine::InputSource> autopilot;
    InstallBackEnd(cl, run.settings.bindings, std::move(script), &autopilot);

    // The data is read relative to the working folder; records and screenshots go to the player's.
    std::error_code cdError;
    std::filesystem::current_path(run.folders.dataRoot, cdError);
    game::SetUserFolder(run.folders.userDir == run.folders.dataRoot ? std::string() : run.folders.userDir);
    if (!DataPresent()) return AbandonRun(1);
    std::unique_ptr<app::ScratchFolder> scratch;
    if (replay) {
        scratch = std::make_unique<app::ScratchFolder>(replayRecords);
        if (!scratch->Ok()) {
            std::fprintf(stderr, "velmoran: no scratch folder could be made for the replay (%s)\n",
                         scratch->Error().c_str());
            return AbandonRun(1);
        }
        game::SetUserFolder(scratch->Path());
    }

    // A score table to send finished games to: the run is recorded for it (into --record's file, or
    // into one of its own that is dropped at the end).
    bool recordingForScores = false;
    if (!replay && !run.settings.scoresUrl.empty()) {
        uploader = std::make_unique<app::ScoreUploader>(run.settings.scoresUrl, PlayerName(run.settings),
                                                        game::UserPath("Unsent"));
        if (cl.recordPath.empty()) recordingForScores = engine::StartRecording(uploader->RunRecordingPath());
        game::SetGameEndObserver([] { gameEndPending = true; });
    }

    if (!cl.recordPath.empty() || recordingForScores) app::AddRecordFilesToRecording();
    game::ResetAll();
    int result = game::RunGame(cl.choice);
    app::RecordFinalDigest();
    if (recordingForScores) {
        engine::AbandonRecording();
    } else if (!engine::StopRecording()) {
        std::fprintf(stderr, "velmoran: the recording %s could not be written completely\n",
                     cl.recordPath.c_str());
        if (result == 0) result = 1;
    }
    if (result == -1 && !engine::LastEngineError().empty())
        std::fprintf(stderr, "velmoran: %s\n", engine::LastEngineError().c_str());
    if (!cl.summaryPath.empty()) WriteSummary(cl.summaryPath, result);
    if (digestFile) {
        const bool failed = std::ferror(digestFile) != 0;
        if (std::fclose(digestFile) != 0 || failed) {
            std::fprintf(stderr, "velmoran: the digests %s could not be written completely\n",
                         cl.digestPath.c_str());
            if (result == 0) result = 1;
        }
    }
    if (!replay) KeepChangedSettings(run.folders.settingsPath, run.file, run.settings);
    if (replayCheck) result = replayCheck->Finish(result);
    scratch.reset();
    uploader.reset();  // waits for a send in progress; what is left goes at the next start
    engine::SetInputSource(nullptr);
    platform::Install(nullptr);
    return result;
}
