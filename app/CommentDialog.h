// TfrmComment: edits the comment lines of one or more print-list records.
#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;

namespace vellora {

class TExtIniFile;

class TfrmComment : public QDialog {
    Q_OBJECT
public:
    // The placement is read from and written to `ini` ("Forms") when given.
    explicit TfrmComment(QWidget *parent = nullptr, TExtIniFile *ini = nullptr);
    ~TfrmComment() override;

    QStringList Lines() const;
    void SetLines(const QStringList &lines);

    QPlainTextEdit *memoComm;

private:
    TExtIniFile *FIni;
};

} // namespace vellora
