#include "app/OptionDialog.h"
#include "app/PluginStatus.h"

#include "graphics/ColorManagement.h"

#include "app/controls/QvTaskDialog.h"
#include "model/PhotoTurn.h"
#include "settings/Helpers.h"
#include "settings/IniFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryFile>
#include <QVBoxLayout>

namespace vellora {

namespace {

const QString kOption = QStringLiteral("Option");

QPushButton *browseButton(QWidget *parent, const char *name) {
    auto *b = new QPushButton(QStringLiteral("..."), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    return b;
}

// A folder takes files when one can be made in it.
bool canWriteIn(const QString &folder) {
    if (!QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(IncludeTrailingPathDelimiter(folder) + QStringLiteral("vltXXXXXX"));
    return probe.open();
}

} // namespace

TfrmOption::TfrmOption(TExtIniFile &ini, QWidget *parent) : QDialog(parent), FIni(ini) {
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(tr("オプション"));
    auto *root = new QVBoxLayout(this);

    auto *folders = new QGroupBox(tr("フォルダ"), this);
    folders->setObjectName(QStringLiteral("grpFolder"));
    auto *grid = new QGridLayout(folders);
    edtTemporaryPath = new QLineEdit(folders);
    edtTemporaryPath->setObjectName(QStringLiteral("edtTemporaryPath"));
    btnTemporaryPath = browseButton(folders, "btnTemporaryPath");
    edtSusiePath = new QLineEdit(folders);
    edtSusiePath->setObjectName(QStringLiteral("edtSusiePath"));
    btnSusiePath = browseButton(folders, "btnSusiePath");
    grid->addWidget(new QLabel(tr("テンポラリフォルダ"), folders), 0, 0, 1, 2);
    grid->addWidget(edtTemporaryPath, 1, 0);
    grid->addWidget(btnTemporaryPath, 1, 1);
    grid->addWidget(new QLabel(tr("Susieプラグインフォルダ"), folders), 2, 0, 1, 2);
    grid->addWidget(edtSusiePath, 3, 0);
    grid->addWidget(btnSusiePath, 3, 1);
    root->addWidget(folders);
    // The plug-ins found, their formats and state.
    root->addWidget(new TPluginListPanel(this));

    auto *startup = new QGroupBox(tr("起動時に開くファイル"), this);
    startup->setObjectName(QStringLiteral("grpDefaultDocument"));
    auto *row = new QHBoxLayout(startup);
    edtDefaultDocument = new QLineEdit(startup);
    edtDefaultDocument->setObjectName(QStringLiteral("edtDefaultDocument"));
    btnDefaultDocument = browseButton(startup, "btnDefaultDocument");
    row->addWidget(edtDefaultDocument);
    row->addWidget(btnDefaultDocument);
    root->addWidget(startup);

    auto *images = new QGroupBox(tr("画像"), this);
    images->setObjectName(QStringLiteral("grpImage"));
    auto *imageRows = new QVBoxLayout(images);
    chkExifRotate = new QCheckBox(tr("Exif の向き情報に合わせて写真を回転する"), images);
    chkExifRotate->setObjectName(QStringLiteral("chkExifRotate"));
    imageRows->addWidget(chkExifRotate);
    chkColorManage = new QCheckBox(tr("カラーマネジメントを行う"), images);
    chkColorManage->setObjectName(QStringLiteral("chkColorManage"));
    chkColorManage->setToolTip(tr("写真の埋め込みカラープロファイルに従って色を sRGB に変換し、出力に sRGB プロファイルを付けます"));
    imageRows->addWidget(chkColorManage);
    root->addWidget(images);

    auto *language = new QGroupBox(tr("言語"), this);
    language->setObjectName(QStringLiteral("grpLanguage"));
    auto *languageRow = new QHBoxLayout(language);
    cmbLanguage = new QComboBox(language);
    cmbLanguage->setObjectName(QStringLiteral("cmbLanguage"));
    // Each language is named in itself, so that it can be found whatever the window shows.
    cmbLanguage->addItem(tr("自動 (システムの言語)"), QStringLiteral("auto"));
    cmbLanguage->addItem(QStringLiteral("日本語"), QStringLiteral("ja"));
    cmbLanguage->addItem(QStringLiteral("English"), QStringLiteral("en"));
    languageRow->addWidget(cmbLanguage);
    auto *languageNote = new QLabel(tr("次回の起動から有効になります。"), language);
    languageNote->setObjectName(QStringLiteral("lblLanguageNote"));
    languageRow->addWidget(languageNote, 1);
    root->addWidget(language);
    root->addStretch();

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

    const QString temp = IncludeTrailingPathDelimiter(QDir::tempPath());
    edtTemporaryPath->setText(FIni.ReadDirectory(kOption, QStringLiteral("CachePath"), temp));
    edtSusiePath->setText(FIni.ReadDirectory(kOption, QStringLiteral("Susie"), QString()));
    edtDefaultDocument->setText(FIni.ReadStr(kOption, QStringLiteral("AutoLoad"), QString()));
    // What the program does now: --exif-rotate may have overridden the setting.
    chkExifRotate->setChecked(ExifRotate());
    chkColorManage->setChecked(ColorManage());
    const int languageIndex = cmbLanguage->findData(
        FIni.ReadStr(kOption, QStringLiteral("Language"), QStringLiteral("auto")).trimmed().toLower());
    cmbLanguage->setCurrentIndex(languageIndex < 0 ? 0 : languageIndex);

    connect(btnTemporaryPath, &QPushButton::clicked, this,
            [this] { pickFolder(edtTemporaryPath, tr("テンポラリフォルダ")); });
    connect(btnSusiePath, &QPushButton::clicked, this,
            [this] { pickFolder(edtSusiePath, tr("Susieプラグインフォルダ")); });
    connect(btnDefaultDocument, &QPushButton::clicked, this, &TfrmOption::pickDocument);
    connect(btnOK, &QPushButton::clicked, this, &TfrmOption::okClicked);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(420);
}

void TfrmOption::pickFolder(QLineEdit *edit, const QString &title) {
    const QString dir = QFileDialog::getExistingDirectory(this, title, edit->text(),
                                                          QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly);
    if (!dir.isEmpty())
        edit->setText(dir);
}

void TfrmOption::pickDocument() {
    const QString file = QFileDialog::getOpenFileName(this, tr("起動時に開くファイル"),
                                                      QFileInfo(edtDefaultDocument->text()).path(),
                                                      tr("Vellora ドキュメント (*.vlpf)"));
    if (!file.isEmpty())
        edtDefaultDocument->setText(file);
}

int TfrmOption::message(const QString &instruction, const QString &text, bool question) {
    if (OnMessage)
        return OnMessage(instruction, text, question);
    TQvTaskDialog box;
    box.Parent = this;
    box.Title = windowTitle();
    box.SetInstruction(instruction);
    box.SetContent(text);
    box.MainIcon = question ? TTaskDialogIcon::tiQuestion : TTaskDialogIcon::tiError;
    box.Buttons = question ? TQvCommonButtons{TQvCommonButton::cbYes, TQvCommonButton::cbNo}
                           : TQvCommonButtons{TQvCommonButton::cbOk};
    box.DefaultButton = question ? TTaskDialogDefaultButton::tdbNo : TTaskDialogDefaultButton::tdbOk;
    int button = 0, radio = 0;
    bool checked = false;
    box.Execute(button, radio, checked);
    return button;
}

void TfrmOption::okClicked() {
    // An emptied field means the temporary folder, not the working folder.
    QString cache = edtTemporaryPath->text().trimmed();
    if (cache.isEmpty())
        cache = QDir::tempPath();
    if (!canWriteIn(cache)) {
        message(tr("テンポラリフォルダを確認してください"),
                tr("フォルダ「%1」がないか、書き込めません。").arg(cache), false);
        return;
    }
    const QString susie = edtSusiePath->text().trimmed();
    if (!susie.isEmpty() && !QFileInfo(susie).isDir()) {
        message(tr("Susieプラグインフォルダを確認してください"),
                tr("フォルダ「%1」がありません。").arg(susie), false);
        return;
    }
    const QString document = edtDefaultDocument->text().trimmed();
    if (!document.isEmpty() && !QFileInfo(document).isFile()
        && message(tr("起動時に開くファイルがありません"),
                   tr("「%1」がありません。このまま設定しますか?").arg(document), true) != idYes)
        return;
    FIni.WriteDirectory(kOption, QStringLiteral("CachePath"), QFileInfo(cache).absoluteFilePath());
    FIni.WriteDirectory(kOption, QStringLiteral("Susie"), susie.isEmpty() ? susie : QFileInfo(susie).absoluteFilePath());
    FIni.WriteStr(kOption, QStringLiteral("AutoLoad"), document);
    FIni.WriteStr(kOption, QStringLiteral("Language"), cmbLanguage->currentData().toString());
    // Only a change is written, so that a command-line override left alone
    // does not become the setting.
    if (chkExifRotate->isChecked() != ExifRotate()) {
        FIni.WriteBool(kOption, QStringLiteral("ExifRotate"), chkExifRotate->isChecked());
        SetExifRotate(chkExifRotate->isChecked());
    }
    if (chkColorManage->isChecked() != ColorManage()) {
        FIni.WriteBool(kOption, QStringLiteral("ColorManage"), chkColorManage->isChecked());
        SetColorManage(chkColorManage->isChecked());
    }
    accept();
}

} // namespace vellora
