// `kvbrt inspect FILE [--json]`. See cmd_inspect.h.
#include "cli/cmd_inspect.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <cerrno>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "foundation/file.h"
#include "foundation/str.h"
#include "wavelib/wavefile.h"

namespace {

std::string fieldBytes(const char *field, size_t length) { return std::string(field, strnlen(field, length)); }

using Json = nlohmann::ordered_json;

int showWave(sCliContext *ctx, const std::string &file, const uint8_t *data, size_t size) {
    _sWaveFileWavePrm *prm = waveFileWavePrmCreateFromMemory(data, size, -1, -1);
    if (!prm) {
        cliError(ctx, file, "cannot read the wave parameter file: out of memory");
        return CLI_EXIT_FAILURE;
    }
    std::string name = fieldBytes(prm->name, kWaveNameLen);
    std::string path = strSjisToUtf8(prm->path);
    std::ostream &out = *ctx->out;
    if (ctx->json) {
        cliJsonWrite(ctx, {{"kind", "wave"},
                           {"name", strSjisToUtf8(name)},
                           {"name_hex", cliHex(name)},
                           {"path", path},
                           {"category", prm->tagNumber}});
    } else {
        out << "wave parameter file\n"
            << "name      " << strSjisToUtf8(name) << " (" << cliHex(name) << ")\n"
            << "path      " << path << "\n"
            << "category  " << prm->tagNumber << "\n";
    }
    if (prm->path[0] == '\0')
        cliError(ctx, file, "no \"Path\" value: the wave names no audio file");
    else if (prm->pathDamaged)
        cliError(ctx, file,
                 "damaged \"Path\" value \"" + path + "\" (not a two-digit data folder and a plain file name)");
    waveFileWavePrmDispose(prm);
    return CLI_EXIT_OK;
}

int showCategories(sCliContext *ctx, const std::string &file, const uint8_t *data, size_t size) {
    _sWaveFileTagList *list = waveFileTagListCreateFromMemory(data, size);
    if (!list) {
        cliError(ctx, file, "cannot read the category list: out of memory");
        return CLI_EXIT_FAILURE;
    }
    std::ostream &out = *ctx->out;
    bool hasDefault = waveFileTagListDefulatTagExist(list) != 0;
    Json categories = Json::array();
    if (!ctx->json)
        out << "category list: " << rliListCount(&list->tags) << " categories, DEFAULT "
            << (hasDefault ? "present" : "absent") << "\n";
    int index = 0;
    for (auto *tag = static_cast<const sTag *>(list->tags.first); tag; tag = tag->next, ++index) {
        std::string name = fieldBytes(tag->name, kTagNameLen);
        if (ctx->json)
            categories.push_back({{"name", strSjisToUtf8(name)}, {"name_hex", cliHex(name)}, {"order", tag->order}});
        else
            out << index << "  " << strSjisToUtf8(name) << " (" << cliHex(name) << ")  order " << tag->order << "\n";
    }
    if (ctx->json) cliJsonWrite(ctx, {{"kind", "categories"}, {"categories", categories}, {"has_default", hasDefault}});
    waveFileTagListDispose(list);
    return CLI_EXIT_OK;
}

int showKit(sCliContext *ctx, const std::string &file, const uint8_t *data, size_t size) {
    sKit *kit = waveFileKitPrmCreateFromMemory(data, size);
    if (!kit) {
        cliError(ctx, file, "cannot read the kit file: out of memory");
        return CLI_EXIT_FAILURE;
    }
    std::string name = strSjisToUtf8(fieldBytes(kit->name, kKitNameLen));
    std::string subName = strSjisToUtf8(fieldBytes(kit->subName, kKitSubNameLen));
    std::ostream &out = *ctx->out;
    Json pads = Json::array();
    if (!ctx->json) out << "kit file\nname     " << name << "\nsubname  " << subName << "\n";
    for (int i = 0; i < kKitPadCount; ++i) {
        const sPad *pad = waveKitPadPtr(kit, i);
        if (ctx->json)
            pads.push_back({{"wave", pad->waveNumber}, {"subwave", pad->subWaveNumber}});
        else
            out << "pad " << (i + 1) << (i < 9 ? "   " : "  ") << "wave " << pad->waveNumber << "  sub-wave "
                << pad->subWaveNumber << "\n";
    }
    if (ctx->json) cliJsonWrite(ctx, {{"kind", "kit"}, {"name", name}, {"subname", subName}, {"pads", pads}});
    waveFileKitPrmDispose(kit);
    return CLI_EXIT_OK;
}

int showWaveList(sCliContext *ctx, const char *root, const uint8_t *data, size_t size) {
    sWaveFileWaveList reader;
    waveFileWaveListRead(data, size, root, &reader);
    std::ostream &out = *ctx->out;
    if (ctx->json) {
        Json lists = Json::array();
        for (const auto &l : reader.lists) lists.push_back(l);
        cliJsonWrite(ctx, {{"kind", "wavelist"}, {"root", root}, {"lists", lists}});
        return CLI_EXIT_OK;
    }
    out << "wave list file " << root << ": " << reader.lists.size() << (reader.lists.size() == 1 ? " list\n" : " lists\n");
    for (size_t i = 0; i < reader.lists.size(); ++i) {
        out << "list " << (i + 1) << ":";
        for (int n : reader.lists[i]) out << " " << n;
        out << "\n";
    }
    return CLI_EXIT_OK;
}

int inspect(sCliContext *ctx, const std::string &file) {
    _sRliFile *f = rliFileOpenA(file.c_str(), cRLIFILE_MODE_READ_BINARY, -1);
    if (!f) {
        struct stat st;
        std::string reason = stat(file.c_str(), &st) != 0 ? std::strerror(errno)
                             : S_ISDIR(st.st_mode)         ? "is a folder"
                                                           : "cannot be read";
        cliError(ctx, file, reason);
        return CLI_EXIT_FAILURE;
    }
    const uint8_t *data = rliFileGetDataAddr(f);
    size_t size = rliFileGetDataSize(f);
    const char *root = nullptr;
    int status = CLI_EXIT_FAILURE;
    switch (waveFileKind(data, size, &root)) {
    case WAVEFILE_KIND_WAVE: status = showWave(ctx, file, data, size); break;
    case WAVEFILE_KIND_CATEGORIES: status = showCategories(ctx, file, data, size); break;
    case WAVEFILE_KIND_KIT: status = showKit(ctx, file, data, size); break;
    case WAVEFILE_KIND_WAVE_LIST: status = showWaveList(ctx, root, data, size); break;
    default: cliError(ctx, file, "not a parameter file (no known root element)"); break;
    }
    rliFileClose(f);
    return status;
}

}  // namespace

void cliAddInspect(CLI::App &app, sCliContext *ctx) {
    auto file = std::make_shared<std::string>();
    CLI::App *cmd = app.add_subcommand("inspect", "Show what one parameter file (.kvb) holds.");
    cmd->add_option("FILE", *file, "a wave parameter file, the category list, a kit file or a wave list file")
        ->required();
    cmd->add_flag("--json", ctx->json, "print one JSON object");
    cmd->callback([ctx, file] { ctx->exitCode = inspect(ctx, *file); });
}
