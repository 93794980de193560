#pragma once

#include <functional>

// Where a site's cycle asks for its page before making it work: the
// collection that begins a cycle, and the home page reopened by the clock.
// It leaves once the home page has loaded or the cycle stops. A site run
// alone goes at once; sites run together share a few pages' worth of loads.
class PageGate {
public:
    virtual ~PageGate() = default;
    // Runs `go` once the page may work, at once or later; asked again while
    // in, it runs at once.
    virtual void enter(std::function<void()> go) = 0;
    // Done for now; an entry still waiting is dropped.
    virtual void leave() = 0;
};

// The gate of a site run alone: always open.
class OpenGate : public PageGate {
public:
    void enter(std::function<void()> go) override { go(); }
    void leave() override {}
};
