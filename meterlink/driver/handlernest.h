// The handlers of one line's notices, run one at a time. A line may serve its notices while
// a handler still runs (a write that drains the line calls back inside it): such a nested
// notice only marks that input waits, and the outermost handler takes that input before it
// returns. An end reached inside a handler (an exchange over, a probe done) is told once the
// outermost handler has returned, so that whoever is told may start the next one at once.
#pragma once

#include <functional>
#include <utility>

namespace dmm {

class HandlerNest {
public:
    // Who is told of an end.
    void SetOnEnded(std::function<void()> onEnded) { onEnded_ = std::move(onEnded); }

    bool Inside() const { return depth_ > 0; }

    // Runs body as the outermost handler, then takeInput() for as long as input came in while
    // it ran and wanted() holds, then tells an end noted meanwhile. Called inside a handler,
    // it only notes that input waits.
    template <typename Body, typename Take, typename Wanted>
    void Handle(const Body& body, const Take& takeInput, const Wanted& wanted) {
        if (depth_ > 0) {
            inputWaits_ = true;
            return;
        }
        ++depth_;
        body();
        Leave(takeInput, wanted);
    }
    template <typename Body, typename Take>
    void Handle(const Body& body, const Take& takeInput) {
        Handle(body, takeInput, [] { return true; });
    }

    // A handler that starts an exchange or waits on the line itself (a pump): Enter() and
    // Leave() bracket it as Handle() brackets its body.
    void Enter() { ++depth_; }
    template <typename Take, typename Wanted>
    void Leave(const Take& takeInput, const Wanted& wanted) {
        while (inputWaits_ && wanted()) {
            inputWaits_ = false;
            takeInput();
        }
        inputWaits_ = false;
        Leave();
    }
    template <typename Take>
    void Leave(const Take& takeInput) {
        Leave(takeInput, [] { return true; });
    }
    // A pump read the line itself: input noted meanwhile is left to the next handler.
    void Leave() {
        --depth_;
        if (depth_ == 0) TellEnded();
    }

    // An end to tell: at once outside a handler, else when the outermost one returns.
    void NoteEnded() {
        ended_ = true;
        if (depth_ == 0) TellEnded();
    }
    // An end not to tell after all (the exchange was cancelled).
    void ForgetEnded() { ended_ = false; }

private:
    void TellEnded() {
        if (!ended_) return;
        ended_ = false;
        if (onEnded_) onEnded_();
    }

    std::function<void()> onEnded_;
    int depth_ = 0;
    bool inputWaits_ = false;
    bool ended_ = false;
};

}  // namespace dmm
