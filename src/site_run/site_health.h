#pragma once

#include "automation/browser.h"

#include <QDateTime>
#include <optional>

// What can keep a site's run from being useful until a person acts.
enum class SiteTrouble {
    LoginLost,     // a collection page without its button, or a page of the cycle that ended elsewhere
    Outage,        // two loads of the cycle's pages in a row failed
    PersonAwaited, // a box of the browser waits for an answer
    StoppedTooLong // "1" stopped the cycle, and "2" has not come for a while
};

// How a site's run stands now.
struct SiteHealth {
    bool loginLost = false;
    std::optional<LoadFailure> outage; // the failure that started it
    QDateTime outageSince;             // when the last outage began
    PersonWait awaited;
};
