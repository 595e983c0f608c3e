// The program's entry, shared by every platform's main function.
#pragma once

#include <functional>
#include <string_view>

#include "app/command_line.h"
#include "ui/platform_port.h"

namespace nuvo {

enum class ProgramMode { None, Settings, Run };

// The mode for the first argument: "-s" and "/s" run the saver, "-c" and "/c" open the
// settings, everything else (previews included) does nothing. Case-sensitive, exact.
ProgramMode ModeForArgument(std::string_view argument);

// Refuses to start while a window of an earlier instance exists, then runs the mode's
// main window until it closes. Returns the exit status: 0 on every orderly end; 1 after
// an error escaped the message loop (it has been shown in an error box).
int RunProgram(PlatformPort& port, const CommandLine& commandLine);

// The saver alone, drawing in a window the platform was given (a screen saver daemon's):
// no instance guard and no mode argument. Each time the saver window closes while
// `reopen` returns true (the given window changed size), a new one is made, at the new
// size, and the wave goes on where it was. Returns the exit status as RunProgram does.
int RunSaverInGivenWindow(PlatformPort& port, const std::function<bool()>& reopen);

}  // namespace nuvo
