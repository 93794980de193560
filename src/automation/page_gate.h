#pragma once

#include <functional>

// Where a site's cycle asks before each page it opens. A site run alone
// goes at once; sites run together share a few loads at a time, and each
// page rests between its cycles.
class PageGate {
public:
    virtual ~PageGate() = default;
    // Runs `go` once the page may load, at once or later; a wish still
    // waiting is replaced.
    virtual void enter(std::function<void()> go) = 0;
    // The load asked for has ended: another page may load.
    virtual void loaded() = 0;
    // The cycle is done with the page until the clock needs it again, or
    // has stopped: it may rest. A wish still waiting is dropped.
    virtual void leave() = 0;
};

// The gate of a site run alone: always open.
class OpenGate : public PageGate {
public:
    void enter(std::function<void()> go) override { go(); }
    void loaded() override {}
    void leave() override {}
};
