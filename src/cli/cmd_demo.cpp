// `kvbrt demo DIR`. See cmd_demo.h.
#include "cli/cmd_demo.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/docalc.h"
#include "cli/cmd_edit.h"
#include "cli/cmd_init.h"
#include "foundation/file.h"
#include "foundation/str.h"
#include "transfer/import.h"
#include "transfer/synth.h"
#include "wavelib/request.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace {

// --- The plan --------------------------------------------------------------------

// Categories made, in this order (their category numbers 1 to 7 after
// DEFAULT); each new one is shown on top, as the main window makes them.
constexpr const char *kCategories[] = {"KICK", "SNARE", "CYMBAL", "PERC", "BASS", "SYNTH", "FX"};

// Where each sound goes; sounds not listed stay in DEFAULT.
struct sDemoPlacement {
    const char *file;      // the synthesiser's file name
    const char *category;  // one of kCategories
};
constexpr sDemoPlacement kPlacements[] = {
    {"KickDeep.wav", "KICK"},      {"KickPunch.wav", "KICK"},   {"KickLong.wav", "KICK"},
    {"SnareTight.wav", "SNARE"},   {"SnareFat.wav", "SNARE"},   {"SnareBrush.wav", "SNARE"},
    {"Clap.wav", "SNARE"},          {"Snap.wav", "SNARE"},        {"Rim.wav", "SNARE"},
    {"HatClosed.wav", "CYMBAL"},   {"HatPedal.wav", "CYMBAL"},  {"HatOpen.wav", "CYMBAL"},
    {"Crash.wav", "CYMBAL"},        {"Ride.wav", "CYMBAL"},       {"TomLow.wav", "PERC"},
    {"TomMid.wav", "PERC"},        {"TomHigh.wav", "PERC"},     {"Cowbell.wav", "PERC"},
    {"Shaker.wav", "PERC"},         {"BassC.wav", "BASS"},       {"BassG.wav", "BASS"},
    {"SubBass.wav", "BASS"},       {"LeadA.wav", "SYNTH"},      {"LeadE.wav", "SYNTH"},
    {"PluckC.wav", "SYNTH"},       {"PluckG.wav", "SYNTH"},     {"ChordMinor.wav", "SYNTH"},
    {"Zap.wav", "FX"},              {"Riser.wav", "FX"},
};

// One kit: pads 1 to 15 by the synthesiser's file names (null: empty).
struct sDemoKit {
    int number;               // kit number, 0 to 99
    const char *name;         // 8 bytes at most
    const char *subName;      // 16 bytes at most
    const char *pads[kKitPadCount];
    const char *subPads[kKitPadCount];
};
const sDemoKit kKits[] = {
    {0, "Acoustic", "Demo drum kit",
     {"KickDeep.wav", "SnareFat.wav", "HatClosed.wav", "HatOpen.wav", "HatPedal.wav", "TomLow.wav",
      "TomMid.wav", "TomHigh.wav", "Crash.wav", "Ride.wav", "Rim.wav", "Clap.wav", "Cowbell.wav", "Shaker.wav",
      "SnareBrush.wav"},
     {nullptr, "Rim.wav", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "Ride.wav"}},
    {1, "Electro", "Demo beat kit",
     {"KickPunch.wav", "SnareTight.wav", "Clap.wav", "Snap.wav", "HatClosed.wav", "HatOpen.wav", "BlipUp.wav",
      "BlipDown.wav", "Zap.wav", "Riser.wav", "BassC.wav", "BassG.wav", "SubBass.wav", "KickLong.wav",
      "Crash.wav"},
     {"SubBass.wav", "Clap.wav"}},
    {2, "Tones", "Demo tone kit",
     {"PluckC.wav", "PluckG.wav", "LeadA.wav", "LeadE.wav", "Bell.wav", "ChordMinor.wav", "BassC.wav",
      "BassG.wav", "SubBass.wav", "KickDeep.wav", "SnareBrush.wav", "HatPedal.wav"},
     {}},
};

const char *categoryOf(const char *file) {
    for (const sDemoPlacement &p : kPlacements)
        if (std::strcmp(p.file, file) == 0) return p.category;
    return cWAVE_DEFAULT_TAG;
}

// --- Steps ------------------------------------------------------------------------

// Returns whether `dir` is absent or an empty folder; says why not otherwise.
bool usableTarget(sCliContext *ctx, const std::string &dir, bool *absent) {
    struct stat st;
    *absent = false;
    if (stat(dir.c_str(), &st) != 0) {
        if (errno == ENOENT) return *absent = true;
        cliError(ctx, dir, std::strerror(errno));
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        cliError(ctx, dir, "not a folder; nothing was changed");
        return false;
    }
    DIR *d = opendir(dir.c_str());
    if (!d) {
        cliError(ctx, dir, std::strerror(errno));
        return false;
    }
    bool empty = true;
    while (dirent *e = readdir(d))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) empty = false;
    closedir(d);
    if (!empty) cliError(ctx, dir, "not empty (a demo card needs an empty or new folder); nothing was changed");
    return empty;
}

// The folder the sounds are rendered into, removed with its files at the end.
// It lies outside the card, where a user's own files would come from.
class SoundFolder {
public:
    ~SoundFolder() {
        if (path_.empty()) return;
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    // Makes the folder in $TMPDIR, or in /tmp when $TMPDIR lies inside the
    // card folder `card` (which exists by now).
    bool make(const std::string &card) {
        const char *tmp = std::getenv("TMPDIR");
        std::string base = tmp && *tmp ? tmp : "/tmp";
        std::error_code ec;
        std::string inside = std::filesystem::weakly_canonical(base, ec).string() + "/";
        std::string cardPath = std::filesystem::canonical(card, ec).string() + "/";
        if (!ec && inside.compare(0, cardPath.size(), cardPath) == 0) base = "/tmp";
        std::string templ = base + "/kvbrt-demo-sounds.XXXXXX";
        if (!mkdtemp(templ.data())) return false;
        path_ = templ;
        return true;
    }
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

// Renders every sound into `folder`. Returns 0, or -1 after saying which failed.
int renderSounds(sCliContext *ctx, const std::string &folder) {
    for (int i = 0; i < synthSoundCount(); ++i) {
        std::string path = folder + "/" + synthSoundFileName(i);
        size_t size = 0;
        uint8_t *wave = synthRenderWave(i, &size);
        int r = wave ? rliFileWriteAll(path.c_str(), wave, size) : -1;
        synthFreeWave(wave);
        if (r != 0) {
            cliError(ctx, path, wave ? std::strerror(errno) : "out of memory");
            return -1;
        }
    }
    return 0;
}

// Runs the request step as every editing command does. Returns 0, or -1
// after reporting what it could not do.
int serveRequests(sCliContext *ctx, sWaveList *list) { return cliEditFinish(ctx, list) == CLI_EXIT_OK ? 0 : -1; }

// The wave imported from the synthesiser's `file`, found by the name import
// gives a file, or null.
sWave *findWave(sWaveList *list, const char *file) {
    char name[kWaveNameLen + 1];
    std::string base = file;
    waveImportName(name, base.substr(0, base.rfind('.')).c_str());
    for (auto *w = static_cast<sWave *>(list->waves.first); w; w = w->next)
        if (std::strncmp(waveWaveNamePtr(w), name, kWaveNameLen) == 0) return w;
    return nullptr;
}

int makeCategories(sCliContext *ctx, sWaveList *list) {
    for (const char *name : kCategories)
        if (!waveTagCreate(list, name, nullptr, 1)) {
            cliError(ctx, name, "cannot make the category");
            return -1;
        }
    waveTagSaveRequest();
    return serveRequests(ctx, list);
}

// The request step's import hook; what it returns is reported per file.
void importReport(const char *path, int result, const sWave *, const sConvertResult *, void *ctx) {
    if (result != IMPORT_OK) cliError(static_cast<sCliContext *>(ctx), path, "not imported");
}

int importSounds(sCliContext *ctx, sWaveList *list, const std::string &folder) {
    for (int i = 0; i < synthSoundCount(); ++i) {
        const char *file = synthSoundFileName(i);
        sTag *tag = waveListTagFindName(list, categoryOf(file));
        if (waveImportSetRequest(waveTagNumber(list, tag), (folder + "/" + file).c_str()) != 0) {
            waveImportSetRequestCancel();
            cliError(ctx, folder + "/" + file, "out of memory");
            return -1;
        }
    }
    waveImportSetReport(importReport, ctx);
    int r = serveRequests(ctx, list);
    waveImportSetReport(nullptr, nullptr);
    waveStorageWaveFileClear();
    if (r == 0 && waveListWaveCount(list) != synthSoundCount()) {
        cliError(ctx, folder, "not every sound was imported");
        r = -1;
    }
    return r;
}

// Sets a kit's name and pads as the kit window does: the kit gets a file,
// is marked edited, and the kit save is requested.
int setKits(sCliContext *ctx, sWaveList *list) {
    for (const sDemoKit &k : kKits) {
        sKit *kit = waveListKitPtr(list, k.number);
        if (!kit) return -1;
        waveKitName(kit, k.name);
        waveKitSubName(kit, k.subName);
        int i = 0;
        for (auto *n = static_cast<sListItem *>(waveKitPadIterListPtr(kit)->first); n && i < kKitPadCount;
             n = n->next, ++i) {
            auto *pad = static_cast<sPad *>(n->item);
            const sWave *wave = k.pads[i] ? findWave(list, k.pads[i]) : nullptr;
            const sWave *sub = k.subPads[i] ? findWave(list, k.subPads[i]) : nullptr;
            wavePadWaveNumber(pad, wave ? waveWaveWaveNumber(wave) : -1);
            wavePadSubWaveNumber(pad, sub ? waveWaveWaveNumber(sub) : -1);
        }
        waveKitIsFile(kit, 1);
        waveKitEdit(kit);
    }
    waveKitSaveRequest();
    return serveRequests(ctx, list);
}

int demo(sCliContext *ctx, const std::string &dir) {
    bool absent = false;
    if (!usableTarget(ctx, dir, &absent)) return CLI_EXIT_FAILURE;
    cliCommandWrites(ctx);
    if (absent && mkdir(dir.c_str(), 0777) != 0) {
        cliError(ctx, dir, std::string("cannot make the folder: ") + std::strerror(errno));
        return CLI_EXIT_FAILURE;
    }
    SoundFolder sounds;
    if (!sounds.make(dir)) {
        cliError(ctx, "temporary folder", std::strerror(errno));
        return CLI_EXIT_FAILURE;
    }
    if (renderSounds(ctx, sounds.path()) != 0 || cliInitDeviceTree(ctx, dir) != 0) return CLI_EXIT_FAILURE;
    sWaveList *list = cliEditOpen(ctx, dir);
    if (!list) return CLI_EXIT_FAILURE;

    int r = makeCategories(ctx, list);
    if (r == 0) r = importSounds(ctx, list, sounds.path());
    if (r == 0) r = setKits(ctx, list);
    if (r == 0 && waveListSave(list) != 0) {
        cliError(ctx, dir, "cannot write the wave list files");
        r = -1;
    }
    if (r == 0)
        *ctx->out << dir << ": demo card with " << waveListWaveCount(list) << " waves in " << waveListTagCount(list)
                  << " categories and " << waveListKitFileCount(list) << " kits\n";
    cliEditClose(list);
    return r == 0 ? CLI_EXIT_OK : CLI_EXIT_FAILURE;
}

}  // namespace

void cliAddDemo(CLI::App &app, sCliContext *ctx) {
    auto dir = std::make_shared<std::string>();
    CLI::App *cmd = app.add_subcommand(
        "demo", "Write a demo card into DIR (empty or absent): categories, three kits with pads set, and about 30 "
                "drum and tone sounds made by our own synthesiser, imported and edited as a user would. Two runs "
                "give the same bytes.");
    cmd->add_option("DIR", *dir, "an empty or absent folder")->required();
    cmd->footer("Example:\n  kvbrt demo /tmp/card && kvbrt info /tmp/card");
    cmd->callback([ctx, dir] { ctx->exitCode = demo(ctx, *dir); });
}
