// Printer faults in the program's words: a print server that does not
// answer, a printer that has gone or refuses jobs, or the system's own
// message, always naming the printer. The print dialog, the printer setup
// and the options panel run what may meet such a fault through
// RunPrinterCommand, so that no fault leaves an event handler as an
// exception and the window stays usable. UI thread only.
#pragma once

#include <QString>
#include <exception>
#include <functional>

class QWidget;

namespace vellora {

struct TPrinterEntry;

struct TPrinterFault {
    QString instruction;        // main instruction of the message box
    QString text;               // what happened and why
};

// The fault an exception from the printer layer stands for. `printer` is
// the printer the command was for (may be empty).
TPrinterFault PrinterFaultOf(const std::exception &e, const QString &printer);

// Why a queue does not take jobs: the server's message, or a general text.
QString RefusalReason(const TPrinterEntry &entry);
TPrinterFault RefusalFault(const TPrinterEntry &entry);
TPrinterFault ServerDownFault(const QString &printer);

// Runs `command`; when it throws, shows the fault (through `show`, or else
// the application's error handler over `parent`) and returns false.
using TFaultShow = std::function<void(const TPrinterFault &)>;
bool RunPrinterCommand(QWidget *parent, const QString &printer, const std::function<void()> &command,
                       const TFaultShow &show = {});

} // namespace vellora
