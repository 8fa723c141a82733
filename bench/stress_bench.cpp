// The card under faults, with real processes: `kvbrt` killed (-9) at random
// points of import, renumber, category delete, multi-delete and restore, then
// `check --fix`; two writers at once; and, as root, a small tmpfs card that
// fills up and is unmounted (umount -l) in the middle of an import. After
// each round the card is walked on its own, without our library: every
// parameter file names an audio file that is there, every audio file that was
// there before (by its bytes) still is, every pad plays the audio it played
// and every wave sits in the category it sat in (or where the edit put them),
// nothing is left pending, `check` finds the card healthy, and nothing was
// written into the empty mount folder of a card that went away.
//
// Usage: bench_stress [FOLDER [ROUNDS]]   (ROUNDS of each fault, default 50)
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_util.h"

namespace fs = std::filesystem;

namespace {

const std::string kKvbrt = std::string(KVB_BUILD_ROOT) + "/bin/kvbrt";

std::string readAll(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Starts kvbrt with `args`, its output thrown away. Returns the process id.
pid_t start(const std::vector<std::string> &args) {
    pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        std::vector<char *> argv{const_cast<char *>(kKvbrt.c_str())};
        for (const auto &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

int finish(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int kvbrt(const std::vector<std::string> &args) { return finish(start(args)); }

// The audio files below the card, by their bytes.
std::multiset<std::string> audio(const std::string &card) {
    std::multiset<std::string> out;
    fs::path data = fs::path(card) / "Korvan/KVB-RT/WAVE/DATA";
    if (!fs::exists(data)) return out;
    for (const auto &e : fs::recursive_directory_iterator(data))
        if (e.is_regular_file() && e.path().filename().string()[0] != '.') out.insert(readAll(e.path()));
    return out;
}

// The value of element `tag` in `text` from `from` on, or -1 when it is not there.
long field(const std::string &text, const std::string &tag, size_t from = 0, size_t *at = nullptr) {
    size_t a = text.find("<" + tag + ">", from);
    if (a == std::string::npos) return -1;
    if (at) *at = a + tag.size() + 2;
    return std::atol(text.c_str() + a + tag.size() + 2);
}

// What the library means whatever its numbers: each wave's audio (by its
// bytes) with its category's name, and each assigned pad slot with the audio
// it plays ("dangling" when its wave is gone).
std::multiset<std::string> meaning(const std::string &card) {
    fs::path device = fs::path(card) / "Korvan/KVB-RT";
    std::vector<std::string> tags;
    std::string list = readAll(device / "SYSTEM/tag_list.kvb");
    for (size_t at = list.find("<TagPrm>"); at != std::string::npos; at = list.find("<TagPrm>", at + 1)) {
        std::string name;
        for (int i = 0; i < 12; ++i)
            if (long c = field(list, "Nm" + std::to_string(i), at); c > 0) name += static_cast<char>(c);
        tags.push_back(name);
    }
    std::map<long, size_t> audioOf;
    std::multiset<std::string> out;
    std::error_code ec;
    for (const auto &e : fs::recursive_directory_iterator(device / "WAVE/PRM", ec)) {
        std::string text = readAll(e.path()), number = e.path().parent_path().filename().string() + e.path().stem().string();
        size_t a = text.find("<Path>"), b = text.find("</Path>");
        if (e.path().extension() != ".kvb" || a == std::string::npos || b == std::string::npos) continue;
        size_t audio = std::hash<std::string>()(readAll(device / "WAVE/DATA" / text.substr(a + 6, b - a - 6)));
        audioOf[std::atol(number.c_str())] = audio;
        long tag = field(text, "Tag");
        out.insert("wave " + std::to_string(audio) + " " + (tag >= 0 && tag < long(tags.size()) ? tags[tag] : "?"));
    }
    for (const auto &e : fs::directory_iterator(device / "KIT", ec)) {
        std::string text = readAll(e.path());
        size_t at = 0;
        for (int pad = 0; (at = text.find("<PadPrm>", at)) != std::string::npos; ++pad, ++at)
            for (const char *slot : {"Wv", "SubWv"}) {
                long w = field(text, slot, at);
                if (w < 0) continue;
                auto it = audioOf.find(w);
                out.insert(e.path().filename().string() + " " + std::to_string(pad) + slot + " " +
                           (it == audioOf.end() ? "dangling" : std::to_string(it->second)));
            }
    }
    return out;
}

// How a round's library may relate to the one before it.
enum Keeps { KEEPS_SAME, KEEPS_MORE, KEEPS_LESS, KEEPS_SAME_OR_MOVED };

bool kept(Keeps rule, const std::multiset<std::string> &before, const std::multiset<std::string> &now,
          const std::string &moved) {
    for (const auto &m : now)
        if (m.find(" dangling") != std::string::npos) return false;
    switch (rule) {
    case KEEPS_MORE: return std::includes(now.begin(), now.end(), before.begin(), before.end());
    case KEEPS_LESS: return std::includes(before.begin(), before.end(), now.begin(), now.end());
    case KEEPS_SAME_OR_MOVED: {
        std::multiset<std::string> after;
        for (std::string m : before) {
            if (m.size() > moved.size() && m.compare(m.size() - moved.size() - 1, std::string::npos, " " + moved) == 0)
                m = m.substr(0, m.size() - moved.size()) + "DEFAULT";
            after.insert(m);
        }
        if (now == after) return true;
        [[fallthrough]];
    }
    default: return now == before;
    }
}

// The walk of one card after a round; returns what is wrong, empty when nothing.
std::string walk(const std::string &card, const std::multiset<std::string> &before, Keeps rule,
                 const std::multiset<std::string> &meant, const std::string &moved) {
    fs::path device = fs::path(card) / "Korvan/KVB-RT";
    std::error_code ec;
    if (!fs::is_directory(device / "WAVE/PRM")) return "no parameter folder";
    for (const auto &e : fs::recursive_directory_iterator(device / "WAVE/PRM", ec)) {
        if (!e.is_regular_file() || e.path().extension() != ".kvb") continue;
        std::string text = readAll(e.path());
        size_t a = text.find("<Path>"), b = text.find("</Path>");
        if (a == std::string::npos || b == std::string::npos) return e.path().string() + ": no Path";
        if (!fs::exists(device / "WAVE/DATA" / text.substr(a + 6, b - a - 6))) return e.path().string() + ": names no audio";
    }
    std::multiset<std::string> now = audio(card);
    for (const auto &bytes : before)
        if (now.count(bytes) < before.count(bytes)) return "an audio file that was there is gone";
    if (fs::exists(fs::path(card) / "Korvan/.kvbrt-journal") && !fs::is_empty(fs::path(card) / "Korvan/.kvbrt-journal"))
        return "a journal is left";
    if (!kept(rule, meant, meaning(card), moved)) return "a pad or a category lost what it held";
    if (kvbrt({"check", card}) != 0) return "check finds the card damaged after check --fix";
    return "";
}

// Audio files to import: `count` files of `frames` frames of noise.
std::vector<std::string> sources(const std::string &dir, int count, uint32_t frames) {
    std::vector<std::string> out;
    unsigned seed = 7;
    fs::create_directories(dir);
    for (int i = 0; i < count; ++i) {
        std::vector<char> wav = benchWavNoise(44100, 16, 1, frames, seed);
        out.push_back(dir + "/s" + std::to_string(i) + ".wav");
        std::ofstream(out.back(), std::ios::binary).write(wav.data(), static_cast<std::streamsize>(wav.size()));
    }
    return out;
}

struct Fault {
    const char *name;
    std::vector<std::string> args;  // after the card
    bool deletes;                   // audio may go
    Keeps keeps;                    // what becomes of the pads and categories
};

}  // namespace

int main(int argc, char **argv) {
    std::string base = benchMakeDir(argc > 1 ? argv[1] : nullptr, "stress");
    int rounds = argc > 2 ? std::atoi(argv[2]) : 50;
    if (base.empty() || rounds <= 0 || access(kKvbrt.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "bench_stress: no scratch folder or no %s\n", kKvbrt.c_str());
        return 1;
    }
    std::mt19937 random(12345);
    std::vector<std::string> files = sources(base + "/src", 12, 20000);
    std::vector<std::string> importArgs{"import"};
    importArgs.insert(importArgs.end(), files.begin(), files.end());
    int failures = 0;
    std::string card = base + "/card", backup = base + "/backup";
    auto fresh = [&] {
        benchRemoveTree(card);
        kvbrt({"demo", card});
        kvbrt({"delete", card, "1", "5", "9", "--yes"});  // gaps for the renumbering
    };
    // The backup restored is the same library renumbered: either card means the same.
    fresh();
    kvbrt({"renumber", card});
    fs::create_directories(backup);
    kvbrt({"--yes", "backup", card, backup});
    const std::vector<Fault> faults = {
        {"import", importArgs, false, KEEPS_MORE},
        {"renumber", {"renumber"}, false, KEEPS_SAME},
        {"category delete", {"category", "delete", "SNARE"}, false, KEEPS_SAME_OR_MOVED},
        {"multi-delete", {"delete", "2", "3", "4", "10", "11", "--yes"}, true, KEEPS_LESS},
        {"restore", {"--yes", "restore", backup}, false, KEEPS_SAME},
    };
    for (const Fault &f : faults) {
        fresh();
        // Options before the command's name stay there.
        size_t command = f.args[0] == "--yes" ? 1 : 0;
        std::vector<std::string> args(f.args.begin(), f.args.begin() + static_cast<long>(command) + 1);
        args.push_back(card);
        args.insert(args.end(), f.args.begin() + static_cast<long>(command) + 1, f.args.end());
        double t0 = benchNow();
        kvbrt(args);
        double span = benchNow() - t0;
        int bad = 0;
        for (int r = 0; r < rounds; ++r) {
            fresh();
            std::multiset<std::string> before = f.deletes ? std::multiset<std::string>{} : audio(card);
            std::multiset<std::string> meant = meaning(card);
            pid_t pid = start(args);
            std::this_thread::sleep_for(std::chrono::duration<double>(span * std::uniform_real_distribution<>(0.0, 1.2)(random)));
            kill(pid, SIGKILL);
            finish(pid);
            kvbrt({"--yes", "check", card, "--fix"});
            std::string wrong = walk(card, before, f.keeps, meant, "SNARE");
            if (!wrong.empty()) {
                ++bad;
                std::fprintf(stderr, "%s, round %d: %s\n", f.name, r, wrong.c_str());
            }
        }
        std::printf("kill -9 during %s: %d of %d runs left the card inconsistent after check --fix\n", f.name, bad,
                    rounds);
        benchReportValue((std::string("inconsistent after kill -9 during ") + f.name).c_str(), bad, "runs", 0);
        failures += bad;
    }

    // Two writers at once: both report success and neither loses the other's edit.
    int lost = 0;
    for (int r = 0; r < rounds; ++r) {
        fresh();
        std::string a = "A" + std::to_string(r), b = "B" + std::to_string(r);
        pid_t p1 = start({"--wait", "category", card, "add", a}), p2 = start({"--wait", "category", card, "add", b});
        bool ok1 = finish(p1) == 0, ok2 = finish(p2) == 0;
        std::string list = readAll(fs::path(card) / "Korvan/KVB-RT/SYSTEM/tag_list.kvb");
        auto has = [&](const std::string &name) {
            std::string codes;
            for (size_t i = 0; i < name.size(); ++i)
                codes += "<Nm" + std::to_string(i) + ">" + std::to_string(static_cast<int>(name[i])) + "</Nm" + std::to_string(i) + ">";
            std::string flat;
            for (char c : list)
                if (c != '\n' && c != '\t' && c != '\r') flat += c;
            return flat.find(codes) != std::string::npos;
        };
        lost += (ok1 && !has(a)) + (ok2 && !has(b)) + (!ok1) + (!ok2);
    }
    std::printf("two writers at once: %d of %d edits reported done were lost or refused\n", lost, 2 * rounds);
    benchReportValue("edits of two concurrent writers lost", lost, "edits", 0);
    failures += lost;

    // A small tmpfs card, full and then unmounted in the middle of an import.
    std::string mnt = base + "/mnt";
    fs::create_directories(mnt);
    if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=6m") != 0) {
        std::printf("tmpfs rounds skipped: mounting is refused here (not root)\n");
    } else {
        umount2(mnt.c_str(), MNT_DETACH);
        std::vector<std::string> big = sources(base + "/big", 30, 60000);
        std::vector<std::string> imp{"import", mnt};
        imp.insert(imp.end(), big.begin(), big.end());
        int outside = 0, reportedDone = 0;
        for (int r = 0; r < rounds; ++r) {
            if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=6m") != 0) break;
            kvbrt({"demo", mnt});
            pid_t pid = start(imp);
            std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<>(0, 300)(random)));
            umount2(mnt.c_str(), MNT_DETACH);
            reportedDone += finish(pid) == 0;
            // The empty mount folder must have stayed empty.
            if (!fs::is_empty(mnt)) {
                ++outside;
                benchRemoveTree(mnt);
                fs::create_directories(mnt);
            }
        }
        std::printf("tmpfs card unmounted mid-import: %d of %d runs wrote outside the card, %d reported success\n",
                    outside, rounds, reportedDone);
        benchReportValue("runs writing outside an unmounted card", outside, "runs", 0);
        failures += outside;
    }
    benchRemoveTree(base);
    return failures == 0 ? 0 : 1;
}
