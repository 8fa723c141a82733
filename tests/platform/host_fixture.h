// A running platform layer on the scripted host with one window whose events
// are collected, as a window controller's handler would queue them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/global.h"
#include "platform/ghost.h"
#include "platform/headless/headless.h"
#include "seen_event.h"

class HostTest : public testing::Test {
public:
    std::vector<sSeenEvent> seen;
    std::vector<std::string> trail;  // callbacks into the controllers, in order
    int forcing = 0;
    _sWindow *win = nullptr;
    std::string importFolder = "/home/u/Music";

    // The test a callback's `user` is.
    static HostTest &of(void *user) { return *static_cast<HostTest *>(user); }

protected:
    void SetUp() override {
        hlInstall();
        rkeGlobalInit();
        sGhostCallbacks cb{};
        cb.forcingUpdate = [](void *user, int on) {
            of(user).forcing += on ? 1 : -1;
            of(user).trail.push_back(on ? "forcing+" : "forcing-");
        };
        cb.waveStop = [](void *user, int, int) { of(user).trail.push_back("waveStop"); };
        cb.importFolderGet = [](void *user, char *buf, size_t cap) {
            snprintf(buf, cap, "%s", of(user).importFolder.c_str());
        };
        cb.importFolderSet = [](void *user, const char *f) { of(user).importFolder = f; };
        cb.user = this;
        ghostSetCallbacks(&cb);
        ASSERT_EQ(ghostInit(), 0);
        win = ghostWindowCreate(L"Main", 100, 50, 320, 240, 0, 0, 0, 0, 0, 1, 0, 1, 1, 0);
        ASSERT_NE(win, nullptr);
        ghostWindowSetHandler(
            [](_sWindow *, void *user, uint16_t code, int32_t value, char key, const char *text) {
                static_cast<HostTest *>(user)->seen.push_back({code, value, key, text ? text : ""});
            },
            this, win);
    }

    void TearDown() override {
        ghostWindowDispose(win);
        ghostTerm();
        ghostSetCallbacks(nullptr);
        ghostHostInstall(nullptr);
        osSetISO(nullptr);
        rkeGlobalTerm();
    }

    // Handles what was posted and returns the codes the window received.
    std::vector<uint16_t> pump() {
        seen.clear();
        ghostEventsProcess(0);
        std::vector<uint16_t> codes;
        for (const sSeenEvent &e : seen) codes.push_back(e.code);
        return codes;
    }
};

