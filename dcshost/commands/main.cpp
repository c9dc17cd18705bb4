// dcshost: the host harness. Loads the driver by path and drives it through
// its nine entry points against the simulated control system.
#include "dcshost/commands/cli.h"

int main(int argc, char** argv) { return RunCommandLine(argc, argv); }
