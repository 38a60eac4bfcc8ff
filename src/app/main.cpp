#include "cli/command_line.h"

int main(int argc, char** argv)
{
    int status = vesko::RunCommandLine(argc, argv);
    return status < 0 ? 0 : status;
}
