#pragma once
// Times a program's start from outside, as the X server sees it: from
// starting the process to the moment the drawing reported by X damage events
// covers the whole of its first large window (its shape, when it has one).
// Needs an X server without a compositor, such as Xvfb; no Qt here, so the
// measurement does not depend on the libraries of what it measures.
#include <string>

namespace bench {

struct FirstFrameTimes
{
    bool ok = false;
    std::string error;
    double firstDamageMs = 0;  // the window's first drawing of any size
    double wholeFrameMs = 0;   // the drawing covers the whole window
    double firstDamageCoverage = 0; // share of the window drawn within 1 ms of that
    int width = 0, height = 0; // the window, in the server's pixels
    double rssMiB = 0;         // the process's resident memory at the whole frame
    double pssMiB = 0;         // the same, shared pages counted by share
};

// Starts program (no arguments, the caller's environment), waits up to
// timeoutMs for its whole first frame, then kills it. With a snapshot path,
// the window as it is at that moment is written there (binary PPM), to see
// what the first frame holds.
FirstFrameTimes timeFirstFrame(const std::string &program, const std::string &snapshotPath = {},
                               int timeoutMs = 10000);

} // namespace bench
