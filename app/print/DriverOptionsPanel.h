// TDriverOptionsPanel: the printer's own options (print/DriverOptions.h) as
// controls: a list for each pick-one option, a check box for each Boolean,
// installable hardware shown but fixed. Choices that conflict with the
// current values are disabled and say why. Every change goes to the
// printer's working copy (TJwPrinter), so OK and Cancel of the dialog that
// holds the panel apply or discard it. UI thread only.
#pragma once

#include <QGroupBox>
#include <vector>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QPushButton;

namespace vellora {

class TJwPrinter;

class TDriverOptionsPanel : public QGroupBox {
    Q_OBJECT
public:
    TDriverOptionsPanel(TJwPrinter &printer, QWidget *parent = nullptr);

    // Reads the options of the printer selected now.
    void Reload();
    // The control of an option, by keyword (object name "drv_" + keyword).
    QWidget *Control(const QString &keyword) const;

    QPushButton *btnDefault;

private:
    void refresh();

    TJwPrinter &FPrinter;
    QFormLayout *FForm;
    std::vector<QWidget *> FControls;
    bool FFilling = false;
};

// Adds the panel to a printer setup dialog above its buttons, with paper and
// orientation read-only (the layout owns them). Returns the panel.
TDriverOptionsPanel *AddDriverOptions(class TJwPrinterSetupDialog &dialog, TJwPrinter &printer);

} // namespace vellora
