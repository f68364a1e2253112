#pragma once
// The qora-unit-sim program: parses its command line, builds the units, and
// runs the gateway until SIGINT or SIGTERM.

namespace sim {

// Exit status: 0 after a signal or --help, 1 when it cannot listen or open its
// trace file, 2 for bad options.
int RunSimulator(int argc, char** argv);

} // namespace sim
