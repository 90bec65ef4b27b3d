#include "app/CommentDialog.h"

#include "app/FormSettings.h"
#include "settings/IniFile.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vellora {

TfrmComment::TfrmComment(QWidget *parent, TExtIniFile *ini) : QDialog(parent), FIni(ini) {
    setObjectName(QStringLiteral("frmComment"));
    setWindowTitle(tr("コメントの設定"));
    auto *box = new QVBoxLayout(this);
    memoComm = new QPlainTextEdit(this);
    memoComm->setObjectName(QStringLiteral("memoComm"));
    box->addWidget(memoComm, 1);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setDefault(true);
    QPushButton *cancel = buttons->addButton(tr("キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    box->addWidget(buttons);
    resize(360, 240);
    if (FIni)
        ReadForm2(*FIni, QStringLiteral("Forms"), this);
}

TfrmComment::~TfrmComment() {
    if (FIni)
        WriteForm2(*FIni, QStringLiteral("Forms"), this);
}

QStringList TfrmComment::Lines() const {
    const QString text = memoComm->toPlainText();
    if (text.isEmpty())
        return {};
    return text.split(QLatin1Char('\n'));
}

void TfrmComment::SetLines(const QStringList &lines) { memoComm->setPlainText(lines.join(QLatin1Char('\n'))); }

} // namespace vellora
