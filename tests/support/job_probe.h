// Jobs for tests of the job runner on any host, and the record they share
// with the test that starts them: gates that hold a job, the answers it got,
// and which thread its cancel function ran on.
#pragma once

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "platform/job.h"

struct sJobProbe {
    std::atomic<int> calls{0};      // times the job function ran
    std::atomic<int> finishAt{1};   // jobCounting's call that returns non-zero; 0: never
    std::atomic<bool> gate{false};  // gated jobs wait for it
    std::atomic<bool> cancelled{false};
    std::atomic<bool> done{false};  // a gated job got past its gate
    std::atomic<int> answer1{0}, answer2{0};  // jobAsks's two answers
    std::atomic<int> cancelCalls{0};
    std::atomic<bool> cancelOffMain{false};  // a cancel call came from another thread
    std::thread::id mainId = std::this_thread::get_id();  // the thread that made the probe
    pthread_t mainThread = pthread_self();                 // the same, for signals
};

inline sJobProbe &jobProbe(void *arg) { return *static_cast<sJobProbe *>(arg); }

inline void jobWaitFor(const std::atomic<bool> &flag) {
    while (!flag) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Ends at its `finishAt`th call.
inline int jobCounting(void *arg) {
    sJobProbe &p = jobProbe(arg);
    int n = ++p.calls;
    return p.finishAt && n >= p.finishAt ? 1 : 0;
}

// Shows half done, then waits for `flag`.
inline int jobHalfThenWait(void *arg, const std::atomic<bool> &flag) {
    jobProbe(arg).calls++;
    edtiProgressBarSetRatio(0.5f);
    editProgressBarUpdateRequest();
    jobWaitFor(flag);
    return 1;
}

// Shows half done, then waits for the gate.
inline int jobGated(void *arg) {
    jobHalfThenWait(arg, jobProbe(arg).gate);
    jobProbe(arg).done = true;
    return 1;
}

// Shows half done, then runs until its cancel function is called.
inline int jobUntilCancelled(void *arg) { return jobHalfThenWait(arg, jobProbe(arg).cancelled); }

// After the gate, asks a yes/no question by string numbers, then a
// yes/cancel/no one with its own text.
inline int jobAsks(void *arg) {
    sJobProbe &p = jobProbe(arg);
    jobWaitFor(p.gate);
    p.answer1 = editProgressBarMboxOpen(55, 60, MBOX_KIND_YES_NO);
    p.answer2 = editProgressBarMboxOpenMsg(56, L"Disk full", MBOX_KIND_YES_CANCEL_NO);
    p.done = true;
    return 1;
}

inline void jobCancel(void *arg) {
    sJobProbe &p = jobProbe(arg);
    p.cancelCalls++;
    if (std::this_thread::get_id() != p.mainId) p.cancelOffMain = true;
    p.cancelled = true;
}

// Runs the main thread's side of the job runner until `done` holds; false
// after five seconds.
inline bool jobSpinUntil(const std::function<bool()> &done) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        editProgressBarMain();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline bool jobSpinUntilClosed() {
    return jobSpinUntil([] { return !editProgressBarGetIsWindow(); });
}
