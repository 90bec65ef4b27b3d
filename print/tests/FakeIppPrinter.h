// A network printer of the test's own: answers Get-Printer-Attributes on
// 127.0.0.1 with the attributes it is given and refuses every other
// operation. Stands in for a driverless printer behind a queue without a PPD
// where the test needs attributes (media, constraints) that the private
// server's own queues never report.
#pragma once

#include <QString>
#include <atomic>
#include <cups/cups.h>
#include <thread>

namespace vellora::test {

class FakeIppPrinter {
public:
    // Takes the attributes (printer group); listens on a free port.
    explicit FakeIppPrinter(ipp_t *attributes);
    ~FakeIppPrinter();
    FakeIppPrinter(const FakeIppPrinter &) = delete;
    FakeIppPrinter &operator=(const FakeIppPrinter &) = delete;

    bool ok() const { return FListen >= 0; }
    // ipp://127.0.0.1:port/ipp/print
    QString uri() const;
    // Get-Printer-Attributes requests answered so far.
    int requests() const { return FRequests.load(); }

private:
    void serve();
    void answer(http_t *http);

    ipp_t *FAttributes;
    int FListen = -1;
    int FPort = 0;
    std::atomic<bool> FStop{false};
    std::atomic<int> FRequests{0};
    std::thread FThread;
};

// A driverless network printer: four media, two trays, two output bins and a
// scaling choice, where filling the page cannot be delivered face up. The
// caller gives it to a FakeIppPrinter.
ipp_t *DriverlessPrinterAttributes();

} // namespace vellora::test
