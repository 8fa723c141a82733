// `kvbrt init VOLUME`. See cmd_init.h.
#include "cli/cmd_init.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>

#include "cli/cmd_volumes.h"
#include "foundation/str.h"
#include "wavelib/storage.h"
#include "wavelib/wavefile.h"
#include "wavelib/wavelist.h"

namespace {

int init(sCliContext *ctx, const std::string &root) {
    if (!cliCheckFolder(ctx, root)) return CLI_EXIT_FAILURE;
    char device[kRliPathMax];
    if (wstorageDevicePath(device, sizeof device, root.c_str(), "Korvan/KVB-RT/") != 0) {
        cliError(ctx, root, "the path is too long");
        return CLI_EXIT_FAILURE;
    }
    if (cliVolumeHasDeviceFolder(root.c_str())) {
        cliError(ctx, device, "a device folder is already there; nothing was changed");
        return CLI_EXIT_FAILURE;
    }
    // From here the card changes: Ctrl-C waits for the command to finish.
    cliCommandWrites(ctx);
    sWaveList *list = waveListCreateDefault();
    if (!list) {
        cliError(ctx, root, "out of memory");
        return CLI_EXIT_FAILURE;
    }
    int status = CLI_EXIT_OK;
    char tagList[kRliPathMax];
    if (wstorageCreateDir(root.c_str()) != 0) {
        cliError(ctx, device, std::string("cannot make the device folders: ") + std::strerror(errno));
        status = CLI_EXIT_FAILURE;
    } else if (wstorageDevicePath(tagList, sizeof tagList, root.c_str(), "Korvan/KVB-RT/SYSTEM/tag_list.kvb") != 0 ||
               waveFileTagListCreateToFile(&list->tags, tagList) != 0) {
        cliError(ctx, tagList, std::string("cannot write the category list: ") + std::strerror(errno));
        status = CLI_EXIT_FAILURE;
    } else {
        *ctx->out << device << "\n";
    }
    waveListDispose(list);
    return status;
}

}  // namespace

void cliAddInit(CLI::App &app, sCliContext *ctx) {
    auto root = std::make_shared<std::string>();
    CLI::App *cmd = app.add_subcommand(
        "init", "Set up a card without a device folder: make Korvan/KVB-RT/ with its folders and a category list "
                "holding DEFAULT. Prints the device folder made.");
    cmd->add_option("VOLUME", *root, "the folder the card is mounted at")->required();
    cmd->callback([ctx, root] { ctx->exitCode = init(ctx, *root); });
}
