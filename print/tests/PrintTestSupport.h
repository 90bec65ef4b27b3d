// Helpers of the printing tests: the private print server that
// scripts/test-services.sh starts under the build folder, queues of their own
// for tests that read job output, and fake printers.
#pragma once

#include "print/MemoryService.h"

#include <QString>
#include <gtest/gtest.h>

namespace vellora::test {

// The private server's socket, or empty when it is not running. Points
// libcups at it (and only at it) when it is.
QString privateCupsServer();

// A PDF queue of the test's own whose jobs are written to the returned file.
// With `withPpd` false the queue has no PPD: jobs pass unfiltered and the
// printer's options come from its IPP attributes. A `device` URI replaces
// the output file (jobs then go there). Removed by the destructor.
class TestQueue {
public:
    explicit TestQueue(const QString &name, bool withPpd = true, const QString &device = {});
    ~TestQueue();
    const QString &name() const { return FName; }
    const QString &output() const { return FOutput; }
    bool ok() const { return FOk; }
    // Waits until the queue has no pending job; false after a minute.
    bool waitIdle() const;

private:
    QString FName, FOutput;
    bool FOk = false;
};

// An attribute of a job as the server keeps it (first value as text, an
// integer in decimal), empty
// when absent; jobId 0 takes the newest job of `queue`.
QString jobAttribute(int jobId, const char *name, const QString &queue = {});

// Runs a program and returns its standard output; fails the test on error.
QString runTool(const QString &program, const QStringList &args);

} // namespace vellora::test

#define VELLORA_REQUIRE_CUPS()                                                                  \
    do {                                                                                       \
        if (::vellora::test::privateCupsServer().isEmpty())                                    \
            GTEST_SKIP() << "private print server not running; start it with "                 \
                            "scripts/test-services.sh start <build dir>";                     \
    } while (0)
