// Vellora: the graphical program, and the same executable's command-line
// commands for scripts and batch jobs.
#include "app/CommandLine.h"

#include <malloc.h>

int main(int argc, char **argv)
{
    // Page images (35 MB for A4 at 300 dpi) and decoded photos are allocated
    // and freed for every page. Left to the defaults, each one is a fresh
    // mapping the kernel must zero page by page, which cost a print run about
    // as much system time as decoding took; kept in the heap they are reused.
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
    return vellora::app::runMain(argc, argv);
}
