// TfrmExport "エクスポート": destination folder, format (JPEG images or one
// PDF document), page range, file name and the first number of a JPEG
// series. Reads its "Restore" keys at creation and writes them on
// "実行(&R)" once the choice passed its checks. UI thread only.
#pragma once

#include "model/PrintRun.h"
#include "model/Types.h"

#include <QDialog>
#include <functional>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace vellora {

class TExtIniFile;

// The file-name text with everything after its last "." replaced by the
// format's extension ("jpg" or "pdf"); a name without a dot is unchanged.
QString ExportChangeExtension(const QString &text, TPrintDest type);
// Folder with a trailing "/" + text, cut at the last "." when that comes
// after the last "/".
QString ExportFileName(const QString &folder, const QString &text);

class TfrmExport : public QDialog {
    Q_OBJECT
public:
    TfrmExport(TExtIniFile &ini, QWidget *parent = nullptr);

    bool AllPage() const;
    TPrintDest ExportType() const;
    // How a PDF draws its pages ("PDFの作成方法").
    TPdfMode PdfMode() const;
    QString FileName() const;
    int StartNumber() const;
    int StartPage() const;
    int LastPage() const;

    // Shown in the read-only line: resolution and quality of the pages.
    void SetOutputInfo(int dpi, int quality);
    // Asked on "実行(&R)" after the dialog's own checks; false keeps the
    // dialog open (the main window asks about overwriting here).
    std::function<bool(TfrmExport &)> OnConfirm;
    // Where messages of the checks go (tests record them); by default a
    // task dialog over this window.
    std::function<void(const QString &instruction, const QString &text)> OnMessage;

    QLineEdit *edtExportDest;
    QPushButton *btnExportDest;
    QGroupBox *rdgExportType;
    QRadioButton *rdoJpeg;
    QRadioButton *rdoPdf;
    QGroupBox *rdgPdfMode;
    QRadioButton *rdoPdfRaster;
    QRadioButton *rdoPdfVector;
    QGroupBox *grpPage;
    QRadioButton *rdoAllPage;
    QRadioButton *rdoSelectPage;
    QSpinBox *edtStartPage;
    QSpinBox *edtLastPage;
    QLineEdit *edtFileName;
    QSpinBox *edtStartNumber;
    QLineEdit *edtOutputInfo;
    QPushButton *btnOK;
    QPushButton *btnCancel;

public slots:
    void execute();       // "実行(&R)"
    void browseFolder();  // "..."

private:
    void typeChanged();
    void updateInfo();
    void message(const QString &instruction, const QString &text);

    TExtIniFile &FIni;
    int FDpi = 0;
    int FQuality = 0;
};

} // namespace vellora
