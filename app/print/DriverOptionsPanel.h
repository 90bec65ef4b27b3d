// TDriverOptionsPanel: the printer's own options (print/DriverOptions.h) as
// controls: a list for each pick-one option, a check box for each Boolean,
// installable hardware shown but fixed. Choices that conflict with the
// current values are disabled and say why. Every change goes to the
// printer's working copy (TJwPrinter), so OK and Cancel of the dialog that
// holds the panel apply or discard it. UI thread only.
#pragma once

#include <QGroupBox>
#include <functional>
#include <vector>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QPushButton;

namespace vellora {

class TJwPrinter;
struct TDriverOptions;

// "「両面」が「長辺綴じ」のため選べません": why a choice is not free.
QString DriverConflictText(const TDriverOptions &options, const std::vector<std::pair<QString, QString>> &conflicts);

class TDriverOptionsPanel : public QGroupBox {
    Q_OBJECT
public:
    TDriverOptionsPanel(TJwPrinter &printer, QWidget *parent = nullptr);

    // Reads the options of the printer selected now.
    void Reload();
    // The control of an option, by keyword (object name "drv_" + keyword).
    QWidget *Control(const QString &keyword) const;

    // Shows the values and conflicts of now (after the paper or tray changed).
    void Refresh() { refresh(); }

    QPushButton *btnDefault;

Q_SIGNALS:
    // A value changed (the dialog checks its paper and tray against it).
    void valuesChanged();

private:
    void refresh();
    bool guarded(const std::function<void()> &command);

    TJwPrinter &FPrinter;
    QFormLayout *FForm;
    std::vector<QWidget *> FControls;
    bool FFilling = false;
};

// Adds the panel to a printer setup dialog above its buttons, with paper and
// orientation read-only (the layout owns them) unless `fixPaper` is false.
// The panel and the dialog's paper and tray check each other's constraints.
// Returns the panel.
TDriverOptionsPanel *AddDriverOptions(class TJwPrinterSetupDialog &dialog, TJwPrinter &printer,
                                      bool fixPaper = true);

} // namespace vellora
