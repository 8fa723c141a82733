// `kvbrt info VOLUME [--json]`. See cmd_info.h.
#include "cli/cmd_info.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <utility>

#include "audio/audio.h"
#include "foundation/str.h"
#include "wavelib/storage.h"
#include "wavelib/wavefile.h"
#include "wavelib/wavelist.h"

namespace {

std::string field(const char *bytes, size_t length) { return std::string(bytes, strnlen(bytes, length)); }

using Json = nlohmann::ordered_json;

// Sets "name" and "name_hex" of `object` from the Shift-JIS bytes of a name.
void putName(Json &object, const char *bytes, size_t length) {
    std::string raw = field(bytes, length);
    object["name"] = strSjisToUtf8(raw);
    object["name_hex"] = cliHex(raw);
}

std::string errorText(int err) { return err ? std::strerror(err) : "unknown error"; }

void writeJson(sCliContext *ctx, const std::string &root, sWaveList *list) {
    uint64_t freeBytes = rliStorageDiskFreeSize(root.c_str()), total = storageDiskSize(root.c_str());
    Json waves = Json::array(), categories = Json::array(), kits = Json::array();
    CliWavePrmIndex index = cliWavePrmIndex(list);
    for (auto *n = static_cast<sListItem *>(list->waveNumber.first); n; n = n->next) {
        auto *w = static_cast<const sWave *>(n->item);
        waves.push_back(cliWaveJson(list, w, cliAudioFacts(ctx, index[static_cast<size_t>(w->waveNumber)]), false));
    }
    for (auto *t = static_cast<const sTag *>(list->tags.first); t; t = t->next) {
        Json tag = Json::object(), members = Json::array();
        putName(tag, t->name, kTagNameLen);
        tag["order"] = t->order;
        // The array keeps the file's order, which the waves' category_index
        // points into; where the device shows the category is its position.
        tag["position"] = cliTagPosition(list, t);
        for (auto *m = static_cast<const sListItem *>(t->membersNumber.first); m; m = m->next)
            members.push_back(static_cast<const sWave *>(m->item)->waveNumber);
        tag["waves"] = std::move(members);
        categories.push_back(std::move(tag));
    }
    for (auto *kit = static_cast<const sKit *>(list->kits.first); kit; kit = kit->next) {
        Json pads = Json::array();
        for (auto *p = static_cast<const sListItem *>(kit->pads.first); p; p = p->next) {
            auto *pad = static_cast<const sPad *>(p->item);
            pads.push_back({{"wave", pad->waveNumber}, {"subwave", pad->subWaveNumber}});
        }
        kits.push_back({{"number", kit->kitNumber},
                        {"name", strSjisToUtf8(field(kit->name, kKitNameLen))},
                        {"subname", strSjisToUtf8(field(kit->subName, kKitSubNameLen))},
                        {"has_file", kit->isFile != 0},
                        {"pads", std::move(pads)}});
    }
    // Moved, not copied, into the document: a full card's wave array is the
    // bulk of the command's memory.
    Json doc = Json::object();
    doc["volume"] = root;
    doc["free_bytes"] = freeBytes == UINT64_MAX ? 0 : freeBytes;
    doc["total_bytes"] = total == UINT64_MAX ? 0 : total;
    doc["waves"] = std::move(waves);
    doc["categories"] = std::move(categories);
    doc["kits"] = std::move(kits);
    cliJsonWrite(ctx, doc);
}

void writeSummary(sCliContext *ctx, const std::string &root, sWaveList *list) {
    std::ostream &out = *ctx->out;
    out << "volume      " << root << "\n"
        << "space       " << cliSizeText(rliStorageDiskFreeSize(root.c_str())) << " free of "
        << cliSizeText(storageDiskSize(root.c_str())) << "\n"
        << "waves       " << waveListWaveCount(list);
    if (list->lastWaveNumber >= 0) out << " (highest number " << list->lastWaveNumber << ")";
    out << "\ncategories  " << waveListTagCount(list) << ":";
    // In the order the device shows them.
    for (auto *n = static_cast<const sListItem *>(list->tagOrder.first); n; n = n->next) {
        auto *t = static_cast<const sTag *>(n->item);
        out << " " << strSjisToUtf8(field(t->name, kTagNameLen)) << " (" << waveTagHadWaveCount(t) << ")";
    }
    out << "\nkits        " << waveListKitCount(list) << ", " << waveListKitFileCount(list) << " with a kit file\n";
}

int info(sCliContext *ctx, const std::string &root) {
    CliCardLock lock;
    if (!lock.take(ctx, root, false)) return CLI_EXIT_FAILURE;
    sWaveList *list = cliScanVolume(ctx, root);
    if (!list) return CLI_EXIT_FAILURE;
    if (ctx->json) writeJson(ctx, root, list);
    else writeSummary(ctx, root, list);
    waveListDispose(list);
    return CLI_EXIT_OK;
}

}  // namespace

CliWavePrmIndex cliWavePrmIndex(const sWaveList *list) {
    CliWavePrmIndex index(kWaveNumberMax + 1, nullptr);
    // The first node of a number wins, as a search of the list would find it.
    for (auto *n = static_cast<const sStorageWavePrm *>(list->storage->wavePrms.first); n; n = n->next) {
        int number = n->prm ? n->prm->waveNumber : -1;
        if (number >= 0 && number <= kWaveNumberMax && !index[static_cast<size_t>(number)])
            index[static_cast<size_t>(number)] = n;
    }
    return index;
}

sCliAudioFacts cliAudioFacts(sCliContext *ctx, const sStorageWavePrm *node) {
    sCliAudioFacts facts;
    if (!node) return facts;
    facts.size = node->audioSize;
    _sAudioContext *audio = audioDecode(node->audioPath);
    if (!audio) {
        cliError(ctx, node->audioPath, "cannot read the audio header: not a WAV or AIFF file the device takes");
        return facts;
    }
    facts.rate = audioGetSampleRate(audio);
    facts.bits = audioGetBitsPerSample(audio);
    facts.channels = audioGetChannels(audio);
    // Sample bytes over bytes per second: an AIFF header gives no frame count.
    double perSecond = static_cast<double>(audioGetBlockAlign(audio)) * facts.rate;
    if (perSecond > 0) facts.seconds = static_cast<double>(audioGetWaveSize(audio)) / perSecond;
    audioDispose(audio);
    return facts;
}

Json cliWaveJson(const sWaveList *list, const sWave *w, const sCliAudioFacts &a, bool withSeconds) {
    Json wave = {{"number", w->waveNumber}};
    putName(wave, w->name, kWaveNameLen);
    wave["category"] = strSjisToUtf8(field(w->category->name, kTagNameLen));
    wave["category_index"] = waveTagNumber(list, w->category);
    wave["file"] = field(w->dataFolder, kWaveDataFolderLen) + "/" + strSjisToUtf8(field(w->fileName, kWaveFileNameLen));
    wave["size"] = a.size;
    wave["rate"] = a.rate;
    wave["bits"] = a.bits;
    wave["channels"] = a.channels;
    // Milliseconds are as fine as the text listing shows.
    if (withSeconds) wave["seconds"] = a.seconds < 0 ? Json() : Json(std::round(a.seconds * 1000) / 1000);
    return wave;
}

int cliTagPosition(const sWaveList *list, const sTag *tag) {
    int position = 1;
    for (auto *n = static_cast<const sListItem *>(list->tagOrder.first); n; n = n->next, ++position)
        if (n->item == tag) return position;
    return 0;
}

std::string cliStorageNoteReason(const sStorageNote *note) {
    std::string audio = note->detail;
    switch (note->kind) {
    case WSTORAGE_NOTE_ORPHAN:
        return "orphan parameter file: its audio file " + audio + " does not exist (left as it is)";
    case WSTORAGE_NOTE_ORPHAN_DELETED:
        return "orphan parameter file deleted: its audio file " + audio + " does not exist";
    case WSTORAGE_NOTE_DELETE_FAILED:
        return "orphan parameter file (audio file " + audio + " does not exist) could not be deleted: " +
               errorText(note->err);
    case WSTORAGE_NOTE_AUDIO_UNKNOWN:
        return "wave left out, parameter file kept: its audio file " + audio + " cannot be examined: " +
               (note->err ? std::strerror(note->err) : "not a regular file");
    case WSTORAGE_NOTE_PATH_DAMAGED:
        return "damaged parameter file, skipped: \"Path\" value \"" + strSjisToUtf8(audio) +
               "\" is not a two-digit data folder and a plain file name";
    case WSTORAGE_NOTE_UNREADABLE: return "cannot be read, skipped: " + errorText(note->err);
    case WSTORAGE_NOTE_MALFORMED: return "damaged parameter file, skipped: not one whole parameter file of its kind";
    case WSTORAGE_NOTE_DUPLICATE: return "skipped: the same file in another spelling was read instead";
    case WSTORAGE_NOTE_FOLDER_UNREADABLE: return "folder cannot be listed: " + errorText(note->err);
    default: return "unexpected note";
    }
}

sWaveList *cliScanVolume(sCliContext *ctx, const std::string &root) {
    if (!cliCheckFolder(ctx, root)) return nullptr;
    sWaveList *list = waveListCreateFromStorageWindowOpen(root.c_str(), 0, WSTORAGE_SCAN_READ_ONLY);
    if (!list) {
        uint32_t flags = wstorageLastFlags();
        if (!(flags & WSTORAGE_ROOT)) cliError(ctx, root, "the folder cannot be listed");
        else cliError(ctx, root, kCliNoDeviceFolder);
        return nullptr;
    }
    for (auto *n = static_cast<const sStorageNote *>(list->storage->notes.first); n; n = n->next)
        cliError(ctx, n->path, cliStorageNoteReason(n));
    return list;
}

void cliAddInfo(CLI::App &app, sCliContext *ctx) {
    auto root = std::make_shared<std::string>();
    CLI::App *cmd = app.add_subcommand(
        "info", "Show the whole library of a card: waves, categories and kits. Reads only; orphan and damaged "
                "parameter files are reported on stderr.");
    cmd->add_option("VOLUME", *root, "the folder the card is mounted at")->required();
    cmd->add_flag("--json", ctx->json,
                  "one JSON object {volume, free_bytes, total_bytes, waves[], categories[], kits[]}");
    cmd->callback([ctx, root] { ctx->exitCode = info(ctx, *root); });
}
