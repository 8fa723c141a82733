// `kvbrt play VOLUME WAVE`. See cmd_play.h.
#include "cli/cmd_play.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>
#include <chrono>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

#include "audio/sound.h"
#include "cli/cmd_info.h"
#include "foundation/str.h"
#include "platform/ghost.h"
#include "platform/terminal/terminal.h"
#include "wavelib/player.h"
#include "wavelib/storage.h"
#include "wavelib/wavelist.h"

namespace {

// How often the player's state is polled while it plays.
constexpr auto kPollStep = std::chrono::milliseconds(10);
// What the output may still hold after the mixer has played the last frame;
// closing it sooner would cut the tail off on real devices.
constexpr auto kDrain = std::chrono::milliseconds(100);

struct PlayOptions {
    std::string root;
    int number = -1;
    int volume = 1000;
    bool loop = false;
};

std::string field(const char *bytes, size_t length) { return std::string(bytes, strnlen(bytes, length)); }

// Reports why the selected wave got no player; `cardGone` when the player
// found the device folder gone.
void reportNoPlayer(sCliContext *ctx, const std::string &root, const std::string &file, bool cardGone) {
    if (cardGone) {
        cliError(ctx, root, "the device folder Korvan/KVB-RT/ is gone (was the card removed?)");
        return;
    }
    switch (soundCreateResult()) {
    case SOUND_RESULT_UNREADABLE:
        cliError(ctx, file, "cannot be read as audio: missing, damaged or not a WAV or AIFF file");
        break;
    case SOUND_RESULT_FORMAT:
        cliError(ctx, file, "cannot be played: not a 44100 Hz 16-bit file");
        break;
    case SOUND_RESULT_NO_OUTPUT:
        cliError(ctx, "audio output", "no sound output is available (no audio device could be opened; "
                                      "SDL_AUDIODRIVER chooses the output)");
        break;
    default: cliError(ctx, file, "cannot be played: out of memory or no sound output"); break;
    }
}

void printWave(sCliContext *ctx, const sWave *wave, const std::string &file, const PlayOptions &o) {
    std::string name = strSjisToUtf8(field(wave->name, kWaveNameLen));
    std::ostream &out = *ctx->out;
    if (ctx->json) {
        cliJsonWrite(ctx, {{"number", wave->waveNumber},
                           {"name", name},
                           {"file", file},
                           {"time_ms", waveWaveGetTotTime()},
                           {"channels", waveWaveGetChannels()},
                           {"file_size", waveWaveGetFilesize()},
                           {"volume", o.volume},
                           {"loop", o.loop}});
    } else {
        out << wave->waveNumber << "  " << name << "  " << waveWaveGetTotTime() << " ms  " << waveWaveGetChannels()
            << (waveWaveGetChannels() == 1 ? " channel" : " channels") << (o.loop ? "  (loop)" : "") << "\n";
    }
    out.flush();
}

// Plays until the end, or Ctrl-C. Returns true when Ctrl-C stopped it.
bool playToEnd() {
    int presses = termInterruptCount();
    for (;;) {
        if (termInterruptCount() != presses) {
            waveWaveStop();
            return true;
        }
        waveWaveDoCalc();
        // A sound shorter than one poll may end before the first pass sees it play.
        if (waveWaveGetIsEnd() == 1 || waveWaveGetPlaying() != 0) break;
        std::this_thread::sleep_for(kPollStep);
    }
    std::this_thread::sleep_for(kDrain);
    return false;
}

int play(sCliContext *ctx, const PlayOptions &o) {
    CliCardLock lock;
    if (!lock.take(ctx, o.root, false)) return CLI_EXIT_FAILURE;
    sWaveList *list = cliScanVolume(ctx, o.root);
    if (!list) return CLI_EXIT_FAILURE;
    sWave *wave = waveListFindWaveNumber(list, o.number);
    if (!wave) {
        cliError(ctx, o.root, "no wave numbered " + std::to_string(o.number));
        waveListDispose(list);
        return CLI_EXIT_FAILURE;
    }
    const sStorageWavePrm *node = wstorageFindWavePrm(list->storage, o.number);
    std::string file = node && node->audioPath ? node->audioPath : field(wave->fileName, kWaveFileNameLen);

    // The player's messages are not shown: the ones here name the file.
    bool cardGone = false;
    sWavePlayerHooks hooks{};
    hooks.messageBox = [](void *, int, int, int) { return static_cast<int>(MBOX_OK); };
    hooks.errorClose = [](void *user) { *static_cast<bool *>(user) = true; };
    hooks.user = &cardGone;
    waveWavePlayerSetHooks(&hooks);
    soundSetMessageBox([](void *, int, const wchar_t *, int) { return static_cast<int>(MBOX_OK); }, nullptr);
    // Ctrl-C must reach the loop below, so the output is closed in order.
    termInterruptCatch(1);

    int status = CLI_EXIT_OK;
    int selected = waveWaveSelect(wave);
    // The sound is decoded whole when selected: writers need not wait for a --loop to end.
    lock.release();
    if (selected != 0) {
        reportNoPlayer(ctx, o.root, file, cardGone);
        status = CLI_EXIT_FAILURE;
    } else {
        printWave(ctx, wave, file, o);
        waveWaveSetLoop(o.loop ? 1 : 0);
        waveWaveSetVolume(static_cast<float>(o.volume) / 1000.0f);
        waveWavePlay();
        // Ctrl-C stopped the sound before its end.
        if (playToEnd()) status = CLI_EXIT_INTERRUPTED;
    }
    waveWaveSelect(nullptr);
    waveWavePlayerSetHooks(nullptr);
    soundSetMessageBox(nullptr, nullptr);
    waveListDispose(list);
    return status;
}

}  // namespace

void cliAddPlay(CLI::App &app, sCliContext *ctx) {
    auto o = std::make_shared<PlayOptions>();
    CLI::App *cmd = app.add_subcommand(
        "play", "Play one wave of a card through the default sound output, to its end (or with --loop until "
                "Ctrl-C). Reads only. Ctrl-C stops playing and exits 130.");
    cmd->add_option("VOLUME", o->root, "the folder the card is mounted at")->required();
    cmd->add_option("WAVE", o->number, "the wave's number")->required();
    cmd->add_option("--volume", o->volume, "volume in thousandths, 0 (silent) to 1000 (as recorded; the default)")
        ->check(CLI::Range(0, 1000));
    cmd->add_flag("--loop", o->loop, "play again from the start at the end, until Ctrl-C");
    cmd->add_flag("--json", ctx->json, "print one JSON object {number, name, file, time_ms, channels, file_size, "
                                       "volume, loop} before playing");
    cmd->callback([ctx, o] { ctx->exitCode = play(ctx, *o); });
}
