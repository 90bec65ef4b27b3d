// TPrinterColorPanel: the printer's output colour profile ("カラープロファイル")
// in the printer's options: none, a profile of the system's or the user's
// colour folders or a file, with the rendering intent and black-point
// compensation. It edits a copy; the printer setup dialog's OK stores it as
// that printer's choice (PrinterColorFor). Also the settings-file face of
// those choices. UI thread only.
#pragma once

#include "graphics/ColorManagement.h"

#include <QGroupBox>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace vellora {

class TExtIniFile;
class TJwPrinterSetupDialog;

class TPrinterColorPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit TPrinterColorPanel(QWidget *parent = nullptr);

    // Shows the choice; Value() gives the edited one.
    void SetValue(const TPrinterColor &color);
    TPrinterColor Value() const;

    QComboBox *cmbColorProfile;
    QComboBox *cmbRenderingIntent;
    QCheckBox *chkBlackPoint;
    QPushButton *btnProfileFile;

private:
    void pickFile();
    void selectPath(const QString &path);
    void updateEnabled();
};

// Adds the panel to a printer setup dialog above its buttons; OK stores the
// choice for the printer then selected.
TPrinterColorPanel *AddPrinterColorPanel(TJwPrinterSetupDialog &dialog);

// Every printer's choice to and from the settings file (section
// "PrinterColor": the printer's name = profile path, intent, compensation).
void LoadPrinterColors(const TExtIniFile &ini);
void SavePrinterColor(TExtIniFile &ini, const QString &printer, const TPrinterColor &color);
// The settings file the window uses, for the dialog's OK (may be null).
void SetPrinterColorSettings(TExtIniFile *ini);

} // namespace vellora
