// The picture generator's entry: runs the drawing jobs on worker threads and writes the files.
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "generators.h"
#include "pictures/families.h"
#include "pictures/text.h"

namespace datagen {

namespace pic {

namespace {

constexpr const char* kFontLicence = "/usr/share/doc/fonts-dejavu-core/copyright";

Jobs AllJobs() {
    Jobs jobs;
    // The big backdrops first, so the two workers finish together.
    AddBackgroundJobs(jobs);
    AddBossJobs(jobs);
    AddEffectJobs(jobs);
    AddEnemyJobs(jobs);
    AddPlayerJobs(jobs);
    AddUiJobs(jobs);
    return jobs;
}

bool CopyFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream outFile(to, std::ios::binary);
    if (!in || !outFile) return false;
    outFile << in.rdbuf();
    return static_cast<bool>(outFile);
}

}  // namespace

bool MakeAllPictures(const std::string& out, int threads, std::vector<Baked>* keep) {
    namespace fs = std::filesystem;
    for (const char* font : {kMonoFont, kSansFont})
        if (!fs::exists(font)) {
            std::fprintf(stderr, "velmoran-datagen: font \"%s\" is missing (install fonts-dejavu-core)\n",
                         font);
            return false;
        }
    Jobs jobs = AllJobs();
    std::vector<std::vector<Baked>> results(jobs.size());
    std::atomic<size_t> next{0};
    std::mutex errMutex;
    std::string error;
    auto worker = [&] {
        for (size_t i = next++; i < jobs.size(); i = next++) {
            for (Picture& p : jobs[i].make()) {
                fs::path path = fs::path(out) / p.name;
                std::error_code ec;
                fs::create_directories(path.parent_path(), ec);
                Image8 img = Bake(p.cv, p.png);
                bool ok = p.png ? WritePng(path.string(), img) : WriteBmp(path.string(), img);
                if (!ok) {
                    std::lock_guard<std::mutex> lock(errMutex);
                    if (error.empty()) error = "cannot write \"" + path.string() + "\"";
                }
                if (keep)
                    results[i].push_back(
                        {p.name, p.cols, p.rows, p.cellW, p.cellH, p.count, p.png, std::move(img)});
            }
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool) t.join();
    if (!error.empty()) {
        std::fprintf(stderr, "velmoran-datagen: %s\n", error.c_str());
        return false;
    }
    if (!CopyFile(kFontLicence, (fs::path(out) / "font-licence.txt").string())) {
        std::fprintf(stderr, "velmoran-datagen: cannot copy the font licence \"%s\"\n", kFontLicence);
        return false;
    }
    if (keep)
        for (auto& r : results)
            for (Baked& b : r) keep->push_back(std::move(b));
    return true;
}

}  // namespace pic

bool WritePictures(const std::string& out, const std::string&) {
    unsigned hw = std::thread::hardware_concurrency();
    return pic::MakeAllPictures(out, hw >= 2 ? 2 : 1, nullptr);
}

bool WritePictureReview(const std::string& out, const std::string& sheet) {
    std::vector<pic::Baked> pics;
    unsigned hw = std::thread::hardware_concurrency();
    if (!pic::MakeAllPictures(out, hw >= 2 ? 2 : 1, &pics)) return false;
    std::string mock = sheet;
    size_t dot = mock.rfind('.');
    mock = (dot == std::string::npos ? mock : mock.substr(0, dot)) + "-mock.png";
    if (!pic::WriteContactSheet(sheet, pics) || !pic::WriteMockScreen(mock, pics)) {
        std::fprintf(stderr, "velmoran-datagen: cannot write the contact sheet \"%s\"\n", sheet.c_str());
        return false;
    }
    return true;
}

}  // namespace datagen
