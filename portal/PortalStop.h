#pragma once

// The portal's shutdown flag. Responses that deliberately wait (stalls, trickles,
// delays) sleep through PauseFor so that SIGINT/SIGTERM ends the server promptly instead
// of waiting for a 300-second stall to run out.
#include <chrono>

void RequestPortalStop();
bool PortalStopRequested();

// Sleeps for the duration; returns false early when a stop was requested.
bool PauseFor(std::chrono::steady_clock::duration duration);
