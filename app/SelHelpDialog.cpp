#include "app/SelHelpDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vellora {

const char kHelpFileFilter[] = QT_TRANSLATE_NOOP(
    "vellora::TfrmSelHelp", "すべてのヘルプファイル (*.html *.htm *.chm *.pdf *.hlp *.txt);;すべてのファイル (*)");

TfrmSelHelp::TfrmSelHelp(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSelHelp"));
    setWindowTitle(tr("ヘルプファイルの選択"));
    auto *root = new QVBoxLayout(this);
    lblExplanation = new QLabel(tr("ヘルプファイルをインストールしている場合、その場所を指定します。"
                                   "インストールしていないときは[キャンセル]ボタンを押します。"),
                                this);
    lblExplanation->setObjectName(QStringLiteral("lblExplanation"));
    lblExplanation->setWordWrap(true);
    root->addWidget(lblExplanation);

    auto *row = new QHBoxLayout;
    edtHelpFile = new QLineEdit(this);
    edtHelpFile->setObjectName(QStringLiteral("edtHelpFile"));
    btnHelpFile = new QPushButton(QStringLiteral("..."), this);
    btnHelpFile->setObjectName(QStringLiteral("btnHelpFile"));
    btnHelpFile->setAutoDefault(false);
    btnHelpFile->setFixedWidth(btnHelpFile->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    row->addWidget(edtHelpFile);
    row->addWidget(btnHelpFile);
    root->addLayout(row);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(tr("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    root->addLayout(buttons);

    connect(btnHelpFile, &QPushButton::clicked, this, &TfrmSelHelp::pickFile);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(420);
}

QString TfrmSelHelp::HelpFileName() const { return edtHelpFile->text().trimmed(); }

void TfrmSelHelp::pickFile() {
    const QString file = QFileDialog::getOpenFileName(this, windowTitle(), QFileInfo(HelpFileName()).path(),
                                                      tr(kHelpFileFilter));
    if (!file.isEmpty())
        edtHelpFile->setText(file);
}

} // namespace vellora
