#pragma once

namespace vesko {

// The unattended export, import and history. Returns the exit status, or -1 when there are no
// arguments and the window should open.
int RunCommandLine(int argc, char** argv);

} // namespace vesko
