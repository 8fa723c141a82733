// `kvbrt init VOLUME`. See cmd_init.h.
#include "cli/cmd_init.h"

#include <limits.h>
#include <strings.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "cli/cmd_volumes.h"
#include "foundation/str.h"
#include "wavelib/storage.h"
#include "wavelib/wavefile.h"
#include "wavelib/wavelist.h"

namespace {

// The root of the card whose "Korvan/" folder holds `root`, or "" when `root`
// lies in no device tree: a second tree made there would be a folder of the
// first card that the device never reads.
std::string enclosingCard(const std::string &root) {
    char resolved[PATH_MAX];
    if (!realpath(root.c_str(), resolved)) return "";
    std::filesystem::path child(resolved);
    for (std::filesystem::path up = child.parent_path(); up != child; child = up, up = up.parent_path()) {
        if (strcasecmp(child.filename().c_str(), "Korvan") == 0 && cliVolumeHasDeviceFolder(up.c_str()))
            return up == "/" ? "/" : up.string() + "/";
    }
    return "";
}

int init(sCliContext *ctx, const std::string &root) {
    if (!cliCheckFolder(ctx, root)) return CLI_EXIT_FAILURE;
    CliCardLock lock;
    if (!lock.take(ctx, root, true)) return CLI_EXIT_FAILURE;
    char device[kRliPathMax];
    if (wstorageDevicePath(device, sizeof device, root.c_str(), cSTORAGE_DIR_DEVICE) != 0) {
        cliError(ctx, root, "the path is too long");
        return CLI_EXIT_FAILURE;
    }
    if (cliVolumeHasDeviceFolder(root.c_str())) {
        cliError(ctx, device, "a device folder is already there; nothing was changed");
        return CLI_EXIT_FAILURE;
    }
    std::string card = enclosingCard(root);
    if (!card.empty()) {
        cliError(ctx, root, "lies inside the device tree of the card at " + card +
                                ", which is set up already (give that folder as VOLUME); nothing was changed");
        return CLI_EXIT_FAILURE;
    }
    // From here the card changes: Ctrl-C waits for the command to finish.
    cliCommandWrites(ctx);
    if (cliInitDeviceTree(ctx, root) != 0) return CLI_EXIT_FAILURE;
    *ctx->out << device << "\n";
    return CLI_EXIT_OK;
}

}  // namespace

int cliInitDeviceTree(sCliContext *ctx, const std::string &root) {
    char device[kRliPathMax], tagList[kRliPathMax];
    std::string tagListRelative = std::string(cSTORAGE_DIR_SYSTEM) + cSTORAGE_FILE_TAG_LIST;
    if (wstorageDevicePath(device, sizeof device, root.c_str(), cSTORAGE_DIR_DEVICE) != 0 ||
        wstorageDevicePath(tagList, sizeof tagList, root.c_str(), tagListRelative.c_str()) != 0) {
        cliError(ctx, root, "the path is too long");
        return -1;
    }
    sWaveList *list = waveListCreateDefault();
    if (!list) {
        cliError(ctx, root, "out of memory");
        return -1;
    }
    int status = 0;
    if (wstorageCreateDir(root.c_str()) != 0) {
        cliError(ctx, device, std::string("cannot make the device folders: ") + std::strerror(errno));
        status = -1;
    } else if (waveFileTagListCreateToFile(&list->tags, tagList) != 0) {
        cliError(ctx, tagList, std::string("cannot write the category list: ") + std::strerror(errno));
        status = -1;
    }
    waveListDispose(list);
    return status;
}

void cliAddInit(CLI::App &app, sCliContext *ctx) {
    auto root = std::make_shared<std::string>();
    CLI::App *cmd = app.add_subcommand(
        "init", "Set up a card without a device folder: make Korvan/KVB-RT/ with its folders and a category list "
                "holding DEFAULT. Prints the device folder made.");
    cmd->add_option("VOLUME", *root, "the folder the card is mounted at")->required();
    cmd->callback([ctx, root] { ctx->exitCode = init(ctx, *root); });
}
