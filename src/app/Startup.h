#pragma once
// The start procedure: single instance, data folder, database, main window.

namespace Startup {
// Runs the program; returns the process exit code.
int run(int argc, char** argv);
} // namespace Startup
