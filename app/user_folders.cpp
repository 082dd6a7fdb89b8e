// The folder choice: data beside the program or installed, records portable or in the XDG folders.
#include "app/user_folders.h"

#include <unistd.h>

#include <filesystem>

namespace app {

namespace fs = std::filesystem;

namespace {

bool HoldsData(const fs::path& root) {
    std::error_code ec;
    return fs::is_directory(root / "data", ec) || fs::is_regular_file(root / "data.ZRA", ec);
}

bool Writable(const fs::path& dir) {
    std::error_code ec;
    return fs::is_directory(dir, ec) && access(dir.c_str(), W_OK | X_OK) == 0;
}

// Makes `dir` with Option/ and ScreenShots/ in it; false when it cannot be written.
bool MakeUserDir(const fs::path& dir) {
    std::error_code ec;
    fs::create_directories(dir / "Option", ec);
    fs::create_directories(dir / "ScreenShots", ec);
    return Writable(dir / "Option") && Writable(dir / "ScreenShots");
}

// An XDG base folder: the variable when it holds an absolute path, else the fallback under $HOME.
fs::path XdgBase(const std::string& variable, const std::string& home, const char* fallback) {
    if (!variable.empty() && variable[0] == '/') return variable;
    if (home.empty()) return {};
    return fs::path(home) / fallback;
}

}  // namespace

Folders ChooseFolders(const FolderInputs& in) {
    Folders f;
    const fs::path program = in.programDir.empty() ? fs::path(".") : fs::path(in.programDir);

    // Data: the folder asked for (itself or the folder holding it), beside the program, installed.
    if (!in.dataDir.empty()) {
        const fs::path d = fs::absolute(in.dataDir);
        if (HoldsData(d)) {
            f.dataRoot = d.string();
        } else if (d.filename() == "data" && HoldsData(d.parent_path())) {
            f.dataRoot = d.parent_path().string();
        } else {
            f.messages.push_back("--data-dir " + in.dataDir + " holds no game data (no data folder in it)");
            f.fatal = true;
            return f;
        }
    } else {
        const fs::path candidates[] = {program, program / ".." / "share" / "velmoran", in.installedData};
        f.dataRoot = program.string();  // nothing found: the start-up check says what is missing
        for (const fs::path& c : candidates)
            if (!c.empty() && HoldsData(c)) {
                f.dataRoot = fs::weakly_canonical(c).string();
                break;
            }
    }

    // Records, screenshots and settings.
    if (!in.userDir.empty()) {
        const fs::path u = fs::absolute(in.userDir);
        if (!MakeUserDir(u)) {
            f.messages.push_back("--user-dir " + in.userDir + " cannot be written");
            f.fatal = true;
            return f;
        }
        f.userDir = u.string();
        f.settingsPath = (u / "settings.ini").string();
        return f;
    }
    std::error_code ec;
    const fs::path beside = program / "Option";
    const bool besideExists = fs::is_directory(beside, ec);
    if (besideExists && Writable(beside)) {
        fs::create_directories(program / "ScreenShots", ec);
        f.userDir = program.string();
        f.settingsPath = (program / "settings.ini").string();
        f.portable = true;
        return f;
    }
    const fs::path dataBase = XdgBase(in.xdgDataHome, in.home, ".local/share");
    const fs::path configBase = XdgBase(in.xdgConfigHome, in.home, ".config");
    if (!configBase.empty()) {
        fs::create_directories(configBase / "velmoran", ec);
        f.settingsPath = (configBase / "velmoran" / "settings.ini").string();
    }
    const fs::path user = dataBase.empty() ? fs::path() : dataBase / "velmoran";
    if (user.empty() || !MakeUserDir(user)) {
        // Nothing can be kept; records beside the program are still read.
        f.messages.push_back(
            "no writable folder for records and screenshots (" +
            (user.empty() ? std::string("HOME is not set") : user.string() + " cannot be written") +
            "); this run's records will not be kept");
        f.userDir = besideExists ? program.string() : std::string();
        return f;
    }
    f.userDir = user.string();
    if (besideExists) {
        // Take the records over once, so the high score is not lost with the move.
        int copied = 0;
        for (const char* name : {"score.dat", "start.dat", "savess.dat"}) {
            if (fs::exists(user / "Option" / name, ec) || !fs::is_regular_file(beside / name, ec)) continue;
            if (fs::copy_file(beside / name, user / "Option" / name, ec)) ++copied;
        }
        f.messages.push_back(beside.string() + " cannot be written; records go to " +
                             (user / "Option").string() +
                             (copied ? " (the records found there were copied)" : ""));
    }
    return f;
}

}  // namespace app
