#pragma once

#include "automation/browser.h"

#include <QDateTime>
#include <optional>

// What can keep a site's run from being useful until a person acts.
enum class SiteTrouble {
    LoginLost,     // a collection page without its button, or a page of the cycle that ended elsewhere
    Outage,        // two loads of the cycle's pages in a row failed
    PersonAwaited, // a box of the browser waits for an answer
    StoppedTooLong, // "1" stopped the cycle, and "2" has not come for a while
    PageChanged,    // a page of the cycle had its button, but not as the tool expects
    ReloginFailed   // the tool's own login, sent once for the login lost, did not succeed
};

// A page whose buttons were not as the tool expects: the collection page
// with several, or the generation page without a second.
struct UnexpectedPage {
    bool collection = true; // else the generation page
    int found = 0;          // its buttons named submit_button
};

// How a site's run stands now.
struct SiteHealth {
    bool loginLost = false;
    std::optional<LoadFailure> outage; // the failure that started it
    QDateTime outageSince;             // when the last outage began
    int outageMinutes = 0;             // how long the last outage lasted, once it is over
    PersonWait awaited;
    std::optional<UnexpectedPage> unexpectedPage; // until that page is pressed again
    bool reloginFailed = false; // for the login lost now
    bool stoppedByDialog = false; // the last stop: a page's dialog after the person's click, not "1"
};
