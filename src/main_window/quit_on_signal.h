#pragma once

// Ends the application's event loop on SIGTERM, SIGINT and SIGHUP, so that the
// program shuts down through its destructors (the browser then writes its
// cookies to disk) instead of dying mid-write.
void quitOnTerminationSignals();
