#pragma once
// The program without its window: --render and --list-presets. They need
// neither a display nor a sound card: the application behind them draws
// off screen, and no sound device is ever opened.

namespace sonavix {

// True when the arguments ask for one of them.
bool WantsNoWindow(int argc, char** argv);

// Does what they ask; returns the exit status.
int RunWithoutWindow(int argc, char** argv);

}  // namespace sonavix
