// Vellora: the graphical program, and the same executable's command-line
// commands for scripts and batch jobs.
#include "app/CommandLine.h"

int main(int argc, char **argv)
{
    return vellora::app::runMain(argc, argv);
}
