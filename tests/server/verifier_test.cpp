// The verifier's child under its limits, with stand-in games (shell scripts) that behave as the real
// one does and as it should never do; the real game is played by server_e2e.sh.
#include "server/verifier.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "tests/server/temp_folder.h"

namespace scores {
namespace {

using Outcome = Verification::Outcome;

// A good run: the summary and the report as velmoran --verify writes them (the score the table takes
// is the counted one, not the score on the screen, and the stage the one the game reached). The
// stand-in also checks that it runs in its scratch folder, with that folder as its home, and sees
// the recording.
constexpr const char* kAgrees =
    "[ \"$1\" = --verify ] && [ \"$3\" = --summary ] || exit 9\n"
    "[ \"$HOME\" = \"$PWD\" ] && [ \"$TMPDIR\" = \"$PWD\" ] && [ -z \"$SECRET\" ] || exit 9\n"
    "grep -q '^velmoran-input 2' \"$2\" || exit 9\n"
    "printf 'exit 0\\nframes 3600\\nstage 0\\nscore 99\\nlives 3\\ncountedScore 40780\\nreachedStage 7\\n' > "
    "\"$4\"\n"
    "echo 'score 40780'; echo 'verified 61 digests'\n";

struct Case {
    const char* name;
    const char* script;
    Outcome outcome;
    const char* message;  // a part of the message
    int wallSeconds = 1;
};

const Case kCases[] = {
    {"agrees", kAgrees, Outcome::kAgreed, ""},
    {"differs",
     "echo 'frames 1500'; echo 'replay differs at frame 300: recorded digest 0, replayed 9 (frame 240 still "
     "agreed)'; exit 1\n",
     Outcome::kRefused, "replay differs at frame 300"},
    {"over a limit", "echo \"velmoran: $2:12: frame 20000000 is past 12000000\" >&2; exit 2\n",
     Outcome::kRefused, "velmoran: recording:12: frame 20000000 is past 12000000"},
    {"no digests",
     "printf 'frames 10\\nstage 0\\nscore 5\\ncountedScore 5\\nreachedStage 0\\n' > \"$4\"; echo 'verified 0 "
     "digests'\n",
     Outcome::kRefused, "no digest"},
    {"runs too long", "exec sleep 30\n", Outcome::kRefused, "took longer than 1 s"},
    // Wall time to spare: on a busy machine one second of processor time can take many seconds.
    {"spins too long", "while :; do :; done\n", Outcome::kRefused, "processor time", 60},
    {"writes too much", "exec head -c 10000000 /dev/zero > big\n", Outcome::kRefused, "signal"},
    {"crashes", "kill -SEGV $$\n", Outcome::kRefused, "signal 11"},
    {"no data (the server's fault)", "echo 'velmoran: the data folder is missing' >&2; exit 1\n",
     Outcome::kFailed, "the data folder is missing"},
    {"a report it cannot read", "echo 'verified 3 digests'\n", Outcome::kFailed, "report"},
};

TEST(Verifier, OutcomesOfTheChild) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const std::string game = folder.Path() + "/game";
        const std::string scratch = folder.Path() + "/scratch";
        std::filesystem::create_directory(scratch);
        FILE* f = std::fopen(game.c_str(), "w");
        ASSERT_TRUE(f);
        std::fprintf(f, "#!/bin/sh\n%s", c.script);
        std::fclose(f);
        chmod(game.c_str(), 0700);
        setenv("SECRET", "the server's environment", 1);

        VerifierSettings s;
        s.game = game;
        s.scratchRoot = scratch;
        s.wallSeconds = c.wallSeconds;
        s.cpuSeconds = 1;
        s.fileSizeBytes = 1 << 20;
        const Verification v = VerifyRecording("velmoran-input 2\n1 close\n", s);
        EXPECT_EQ(v.outcome, c.outcome) << v.message;
        EXPECT_NE(v.message.find(c.message), std::string::npos) << v.message;
        EXPECT_EQ(v.message.find(scratch), std::string::npos) << v.message;
        if (c.outcome == Outcome::kAgreed) {
            EXPECT_EQ(v.score, 40780);
            EXPECT_EQ(v.frames, 3600);
            EXPECT_EQ(v.stage, 7);  // the stage reached, not the 0 of a game that is over
            EXPECT_EQ(v.digests, 61);
        }
        // The scratch folder is gone, whatever the child did.
        EXPECT_TRUE(std::filesystem::is_empty(scratch));
    }
    unsetenv("SECRET");
}

TEST(Verifier, AGameThatCannotRunIsTheServersFault) {
    TempFolder folder;
    VerifierSettings s;
    s.game = folder.Path() + "/missing";
    s.scratchRoot = folder.Path();
    const Verification v = VerifyRecording("velmoran-input 2\n", s);
    EXPECT_EQ(v.outcome, Outcome::kFailed);
    s.scratchRoot = folder.Path() + "/no-such-folder";
    EXPECT_EQ(VerifyRecording("velmoran-input 2\n", s).outcome, Outcome::kFailed);
}

}  // namespace
}  // namespace scores
