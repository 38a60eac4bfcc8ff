#include "cli/command_line.h"

namespace vesko {

int RunCommandLine(int argc, char**)
{
    return argc > 1 ? 2 : -1;
}

} // namespace vesko
