// TfrmOption "オプション": the thumbnail cache folder, the plug-in folder,
// the document opened at start-up and whether photos are turned upright by
// their Exif orientation, kept in the "Option" section. OK checks
// the choice (a cache folder must exist and take files; a missing plug-in
// folder is refused; a missing start-up document is kept only when the user
// says so) and writes it; a changed orientation choice also sets the
// program-wide ExifRotate() switch. The window's language ("Language":
// auto, ja, en) takes effect at the next start. UI thread only.
#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace vellora {

class TExtIniFile;

class TfrmOption : public QDialog {
    Q_OBJECT
public:
    TfrmOption(TExtIniFile &ini, QWidget *parent = nullptr);

    // Messages of the checks; the result is the button pressed (6 Yes, 7 No,
    // 1 OK). By default a task dialog over this window.
    std::function<int(const QString &instruction, const QString &text, bool question)> OnMessage;

    QLineEdit *edtTemporaryPath;
    QPushButton *btnTemporaryPath;
    QLineEdit *edtSusiePath;
    QPushButton *btnSusiePath;
    QLineEdit *edtDefaultDocument;
    QPushButton *btnDefaultDocument;
    QCheckBox *chkExifRotate;
    QCheckBox *chkColorManage;
    QComboBox *cmbLanguage;   // data: auto, ja, en
    QPushButton *btnOK;
    QPushButton *btnCancel;

public slots:
    void okClicked();

private:
    void pickFolder(QLineEdit *edit, const QString &title);
    void pickDocument();
    int message(const QString &instruction, const QString &text, bool question);

    TExtIniFile &FIni;
};

} // namespace vellora
