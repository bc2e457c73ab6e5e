// SPDX-License-Identifier: GPL-3.0-or-later
// The command line without the windows: built from its library alone.
#include "cli/cli.h"

int main(int argc, char** argv) { return orlenda::RunCommandLine(argc, argv); }
