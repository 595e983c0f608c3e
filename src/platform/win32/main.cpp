// nuvo_k48.scr: the screen saver's entry on Windows.
#include <windows.h>
#include <commctrl.h>

#include "app/command_line.h"
#include "app/program.h"
#include "text.h"
#include "win32_port.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Themed standard controls come from common controls 6, which the manifest selects.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    nuvo::win32::Win32Port port(instance);
    // The raw command line, split by the program's own rules rather than the C runtime's.
    return nuvo::RunProgram(port,
                            nuvo::CommandLine::FromRawText(nuvo::win32::Narrow(GetCommandLineW())));
}
