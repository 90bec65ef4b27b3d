// TfrmSelHelp "ヘルプファイルの選択": asks where the help file lies when none
// is found beside the program. UI thread only.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vellora {

// The picker's filter: help files first, then every file.
extern const char kHelpFileFilter[];   // translated where shown

class TfrmSelHelp : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSelHelp(QWidget *parent = nullptr);

    QString HelpFileName() const;

    QLabel *lblExplanation;
    QLineEdit *edtHelpFile;
    QPushButton *btnHelpFile;
    QPushButton *btnOK;
    QPushButton *btnCancel;

private:
    void pickFile();
};

} // namespace vellora
