// `kvbrt volumes`. See cmd_volumes.h.
#include "cli/cmd_volumes.h"

#include <dirent.h>
#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <cstring>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

#include "foundation/str.h"
#include "platform/ghost.h"

namespace {

// Returns the path of the folder inside `dir` named `name` in any case, or "".
std::string findFolderNoCase(const std::string &dir, const char *name) {
    std::string found;
    DIR *d = opendir(dir.c_str());
    if (!d) return found;
    while (dirent *e = readdir(d)) {
        if (rliStrCaseCmp(e->d_name, name) != 0) continue;
        std::string path = dir + "/" + e->d_name;
        struct stat st;
        if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            found = path;
            break;
        }
    }
    closedir(d);
    return found;
}

// The mount folder as users write it: no trailing "/" except for the root.
std::string displayPath(const char *path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

int runVolumes(sCliContext *ctx) {
    std::ostream &out = *ctx->out;
    int count = osStorageRootCount();
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (int i = 0; i < count; i++) {
        sOsVolume v;
        if (osStorageRootInfo(i, &v) != 0) continue;
        std::string path = displayPath(v.path);
        uint64_t total = 0, freeBytes = 0;
        ghostStorageSpace(path.c_str(), &total, &freeBytes);
        bool device = cliVolumeHasDeviceFolder(path.c_str());
        if (ctx->json) {
            list.push_back({{"name", v.name},
                            {"path", path},
                            {"fs", v.fsType},
                            {"total_bytes", total},
                            {"free_bytes", freeBytes},
                            {"device_folder", device}});
        } else {
            out << v.name << '\t' << path << '\t' << v.fsType << '\t' << total << '\t' << freeBytes << '\t'
                << (device ? "device" : "-") << '\n';
        }
    }
    if (ctx->json) cliJsonWrite(ctx, list);
    return CLI_EXIT_OK;
}

}  // namespace

bool cliVolumeHasDeviceFolder(const char *root) {
    if (!root) return false;
    std::string base = displayPath(root);
    if (base == "/") base.clear();
    std::string korvan = findFolderNoCase(base.empty() ? "/" : base, "Korvan");
    return !korvan.empty() && !findFolderNoCase(korvan, "KVB-RT").empty();
}

void cliAddVolumes(CLI::App &app, sCliContext *ctx) {
    CLI::App *cmd = app.add_subcommand(
        "volumes", "List the mounted volumes: name, folder, file system, total and free bytes, and whether "
                   "it holds a device folder (Korvan/KVB-RT/).");
    cmd->add_flag("--json", ctx->json, "One JSON array of {name, path, fs, total_bytes, free_bytes, device_folder}");
    cmd->callback([ctx] { ctx->exitCode = runVolumes(ctx); });
}
