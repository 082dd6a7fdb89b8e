// Recording at the engine's input reads: a recording played back headless gives the same reads.
#include "engine/input/recorder.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/frame/frame.h"
#include "engine/input/controls.h"
#include "engine/input/input.h"
#include "support/headless_session.h"

namespace {

struct Reads {
    int escape, p, space, buttons, x, y;
    bool operator==(const Reads&) const = default;
};

// Reads like the game does each frame, re-centring the pointer on some frames as steering does.
std::vector<Reads> Play(const std::string& script, const std::string& recordTo, std::string* recorded) {
    testsupport::HeadlessSession session(script);
    if (!recordTo.empty()) {
        EXPECT_TRUE(engine::StartRecording(recordTo));
    }
    EXPECT_EQ(engine::InitEngine(), 0);
    std::vector<Reads> reads;
    for (int frame = 1; frame <= 14; ++frame) {
        Reads r{};
        r.escape = engine::IsKeyDown(1), r.p = engine::IsKeyDown(25), r.space = engine::IsKeyDown(57);
        r.buttons = engine::GetMouseButtons();
        engine::GetMousePosition(&r.x, &r.y);
        if (frame % 3 == 0) engine::SetMousePosition(240, 240);
        reads.push_back(r);
        if (engine::PumpMessages() == -1) break;
    }
    EXPECT_TRUE(engine::StopRecording());
    if (recorded) {
        std::ifstream f(recordTo);
        std::ostringstream all;
        all << f.rdbuf();
        *recorded = all.str();
    }
    return reads;
}

TEST(Recorder, PlaybackOfARecordingReadsWhatTheRecordedRunRead) {
    const std::string script =
        "velmoran-input 1\nseed 3\n"
        "2 key 57 down\n2 move 300 200\n3 button left down\n3 button left up\n"  // a tap
        "4 rel 7 -2\n5 key 57 up\n5 button right down\n6 focus off\n9 focus on\n"
        "10 rel -20 0\n10 button right up\n11 key 1 down\n13 close\n";
    std::string recorded;
    const std::vector<Reads> original = Play(script, "run.rec", &recorded);
    ASSERT_EQ(recorded.rfind("velmoran-input 2\n", 0), 0u) << recorded;
    EXPECT_NE(recorded.find("seed 3\n"), std::string::npos);
    EXPECT_NE(recorded.find("focus off"), std::string::npos);
    EXPECT_NE(recorded.find("close"), std::string::npos);
    const std::vector<Reads> replayed = Play(recorded, "", nullptr);
    ASSERT_EQ(original.size(), replayed.size());
    for (size_t i = 0; i < original.size(); ++i) EXPECT_TRUE(original[i] == replayed[i]) << "frame " << i + 1;
    EXPECT_EQ(original[2].buttons, 1);  // the tap
    EXPECT_EQ(original[3].buttons, 0);
}

// A quick key tap, the pause (F1 on, Pause off) with a click inside it, arrow-key steering and a Ctrl
// tap: the reads they give are recorded, and the pause replays as a lost focus.
TEST(Recorder, KeyTapsThePauseAndKeySteeringReplayAsRecorded) {
    const std::string script =
        "velmoran-input 2\nseed 5\n"
        "3 key 1 down\n3 key 1 up\n"
        "5 key 59 down\n5 key 59 up\n6 button left down\n6 button left up\n8 key 197 down\n8 key 197 up\n"
        "9 key 205 down\n11 key 205 up\n12 key 29 down\n12 key 29 up\n";
    std::string recorded;
    const std::vector<Reads> original = Play(script, "run.rec", &recorded);
    EXPECT_NE(recorded.find("5 focus off\n"), std::string::npos) << recorded;
    EXPECT_NE(recorded.find("8 focus on\n"), std::string::npos) << recorded;
    const std::vector<Reads> replayed = Play(recorded, "", nullptr);
    ASSERT_EQ(original.size(), replayed.size());
    for (size_t i = 0; i < original.size(); ++i) EXPECT_TRUE(original[i] == replayed[i]) << "frame " << i + 1;
    // Frame 3 saw the tap once; the click during the pause was never seen; the Ctrl tap fired once.
    EXPECT_EQ(original[2].escape, 1);
    EXPECT_EQ(original[3].escape, 0);
    int clicks = 0;
    for (const Reads& r : original) clicks += r.buttons & 1;
    EXPECT_EQ(clicks, 1);
    // Steering: frame 9 on, the pointer re-centred at frames 3, 6, 9 and 12 is read 8 to the right.
    bool steered = false;
    for (const Reads& r : original) steered = steered || (r.x == 248 && r.y == 240);
    EXPECT_TRUE(steered);
}

// Quit rebound to Q: the recording holds what the game read (Escape's code), so it replays with any
// bindings, here the defaults.
TEST(Recorder, ARemappedKeyReplaysAsTheKeyTheGameRead) {
    engine::Controls remapped;
    remapped.bindings.keys[engine::kActionQuit][0] = 16;  // Q
    engine::SetControls(remapped);
    std::string recorded;
    const std::vector<Reads> original =
        Play("velmoran-input 2\n4 key 16 down\n5 key 16 up\n6 key 1 down\n", "run.rec", &recorded);
    engine::SetControls({});
    EXPECT_NE(recorded.find("4 key 1 down\n"), std::string::npos) << recorded;
    EXPECT_EQ(original[3].escape, 1);  // Q
    EXPECT_EQ(original[5].escape, 0);  // Escape itself is no longer the quit key
    const std::vector<Reads> replayed = Play(recorded, "", nullptr);
    ASSERT_EQ(original.size(), replayed.size());
    for (size_t i = 0; i < original.size(); ++i) EXPECT_TRUE(original[i] == replayed[i]) << "frame " << i + 1;
}

std::string Read(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream all;
    all << f.rdbuf();
    return all.str();
}

// What the recorder left beside run.rec (the engine's Log.txt aside).
std::vector<std::string> LeftBeside(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().rfind("run.rec.", 0) == 0)
            names.push_back(entry.path().filename().string());
    return names;
}

// A recording of `frames` frames with a digest on each into `path` (in the session's folder), which
// holds "old" until then; returns StopRecording's answer, or abandons the recording instead.
struct RecordedRun {
    bool stopped = false;
    std::string duringRun;  // what `path` held while the recording was written
};
RecordedRun RecordRun(const std::string& path, int frames, bool abandon = false) {
    RecordedRun run;
    EXPECT_TRUE(engine::StartRecording(path));
    EXPECT_EQ(engine::InitEngine(), 0);
    for (int frame = 1; frame <= frames; ++frame) {
        engine::PumpMessages();
        engine::RecordDigest(uint64_t(frame));
    }
    run.duringRun = Read(path);
    if (abandon)
        engine::AbandonRecording();
    else
        run.stopped = engine::StopRecording();
    return run;
}

// The recording takes its file's place only when the run ends well; until then, and when the run is
// abandoned or its file cannot be written, the file keeps what it held and no partial file is left.
TEST(Recorder, TheFileIsReplacedOnlyWhenTheRecordingIsWhole) {
    {
        testsupport::HeadlessSession session("velmoran-input 1\nseed 3\n");
        std::ofstream("run.rec") << "old";
        const RecordedRun run = RecordRun("run.rec", 3);
        EXPECT_TRUE(run.stopped);
        EXPECT_EQ(run.duringRun, "old");
        EXPECT_EQ(Read("run.rec").rfind("velmoran-input 2\n", 0), 0u);
        EXPECT_NE(Read("run.rec").find("3 digest 0000000000000003\n"), std::string::npos);
        EXPECT_EQ(LeftBeside(session.Folder()), std::vector<std::string>{});
    }
    {
        testsupport::HeadlessSession session("velmoran-input 1\n");
        std::ofstream("run.rec") << "old";
        const RecordedRun run = RecordRun("run.rec", 3, true);
        EXPECT_EQ(Read("run.rec"), "old");
        EXPECT_EQ(LeftBeside(session.Folder()), std::vector<std::string>{});
        EXPECT_TRUE(engine::StopRecording());  // nothing left to stop
    }
    {
        // A file-size limit stops the writes part way (the program ignores SIGXFSZ): the last flush
        // fails, and so does the recording, however quietly the buffered writes went before.
        testsupport::HeadlessSession session("velmoran-input 1\n");
        std::ofstream("run.rec") << "old";
        rlimit before{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
        rlimit small = before;
        small.rlim_cur = 1000;
        auto* previous = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const RecordedRun run = RecordRun("run.rec", 200);
        setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, previous);
        EXPECT_FALSE(run.stopped);
        EXPECT_FALSE(engine::IsRecording());
        EXPECT_EQ(Read("run.rec"), "old");
        EXPECT_EQ(LeftBeside(session.Folder()), std::vector<std::string>{});
    }
    {
        // No file can be made where the recording would go: said at the start and at the end.
        testsupport::HeadlessSession session("velmoran-input 1\n");
        EXPECT_FALSE(engine::StartRecording("missing/run.rec"));
        EXPECT_FALSE(engine::StopRecording());
    }
}

// A link where the recording goes is replaced, never written through.
TEST(Recorder, ALinkInTheRecordingsPlaceIsReplaced) {
    testsupport::HeadlessSession session("velmoran-input 1\n");
    std::ofstream("target") << "theirs";
    std::filesystem::create_symlink("target", "run.rec");
    EXPECT_TRUE(RecordRun("run.rec", 2).stopped);
    EXPECT_EQ(Read("target"), "theirs");
    EXPECT_FALSE(std::filesystem::is_symlink("run.rec"));
    EXPECT_EQ(Read("run.rec").rfind("velmoran-input 2\n", 0), 0u);
}

TEST(Recorder, DigestLinesAreReadBackAndBadOnesRefused) {
    scripted::InputScript s;
    std::string error;
    ASSERT_TRUE(
        scripted::ParseInputScript("velmoran-input 2\nrecord score.dat 240\n60 digest 0123456789abcdef\n"
                                   "120 digest FEDCBA9876543210\n",
                                   "t", &s, &error))
        << error;
    ASSERT_EQ(s.digests.size(), 2u);
    EXPECT_EQ(s.digests[1].frame, 120);
    EXPECT_EQ(s.digests[1].digest, 0xFEDCBA9876543210ull);
    ASSERT_EQ(s.records.size(), 1u);
    EXPECT_EQ(s.records[0].value, 240);
    const char* bad[] = {
        "velmoran-input 3\n",                              // a version from the future
        "velmoran-input 1\n60 digest 0123456789abcdef\n",  // digests came with version 2
        "velmoran-input 2\n60 digest 0123456789abcdeg\n",  // not hexadecimal
        "velmoran-input 2\n60 digest 0x23456789abcdef\n",
        "velmoran-input 2\n120 digest 0000000000000000\n60 digest 0000000000000000\n",
        "velmoran-input 2\nrecord savess.dat 3\n",
    };
    for (const char* text : bad) EXPECT_FALSE(scripted::ParseInputScript(text, "t", &s, &error)) << text;
    scripted::ParseInputScript("velmoran-input 3\n", "t", &s, &error);
    EXPECT_NE(error.find("version 3 is unknown"), std::string::npos) << error;
}

}  // namespace
