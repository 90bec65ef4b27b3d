#include "app/ExportDialog.h"

#include "app/controls/QvTaskDialog.h"
#include "settings/IniFile.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace vellora {

namespace {

const QString kRestore = QStringLiteral("Restore");
const QString kPathKey = QStringLiteral("Export_Path");
const QString kTypeKey = QStringLiteral("Export_Type");
const QString kNameKey = QStringLiteral("Export_FileName");
const QString kNumKey = QStringLiteral("Export_Num");
const QString kPdfModeKey = QStringLiteral("Export_PdfMode");

QString extensionOf(TPrintDest type) { return type == TPrintDest::pdPDF ? QStringLiteral("pdf") : QStringLiteral("jpg"); }

// Without a stored folder the pictures folder is the natural place; the root
// folder never is.
QString defaultFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir())
        return pictures;
    return QDir::homePath();
}

} // namespace

QString ExportChangeExtension(const QString &text, TPrintDest type) {
    const qsizetype dot = text.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return text;
    return text.left(dot + 1) + extensionOf(type);
}

QString ExportFileName(const QString &folder, const QString &text) {
    QString path = folder;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    path += text;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot > path.lastIndexOf(QLatin1Char('/')))
        path.truncate(dot);
    return path;
}

TfrmExport::TfrmExport(TExtIniFile &ini, QWidget *parent) : QDialog(parent), FIni(ini) {
    setObjectName(QStringLiteral("frmExport"));
    setWindowTitle(tr("エクスポート"));

    auto *root = new QVBoxLayout(this);
    auto *destBox = new QGroupBox(tr("エクスポート先フォルダ"), this);
    auto *destRow = new QHBoxLayout(destBox);
    edtExportDest = new QLineEdit(destBox);
    edtExportDest->setObjectName(QStringLiteral("edtExportDest"));
    btnExportDest = new QPushButton(QStringLiteral("..."), destBox);
    btnExportDest->setObjectName(QStringLiteral("btnExportDest"));
    btnExportDest->setAutoDefault(false);
    btnExportDest->setFixedWidth(btnExportDest->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    destRow->addWidget(edtExportDest, 1);
    destRow->addWidget(btnExportDest);
    root->addWidget(destBox);

    auto *middle = new QHBoxLayout;
    rdgExportType = new QGroupBox(tr("エクスポート形式"), this);
    rdgExportType->setObjectName(QStringLiteral("rdgExportType"));
    auto *typeCol = new QVBoxLayout(rdgExportType);
    rdoJpeg = new QRadioButton(tr("JPEGイメージ"), rdgExportType);
    rdoJpeg->setObjectName(QStringLiteral("rdoJpeg"));
    rdoPdf = new QRadioButton(tr("PDFドキュメント"), rdgExportType);
    rdoPdf->setObjectName(QStringLiteral("rdoPdf"));
    typeCol->addWidget(rdoJpeg);
    typeCol->addWidget(rdoPdf);
    // Only a PDF has a choice of how its pages are made.
    rdgPdfMode = new QGroupBox(tr("PDFの作成方法"), rdgExportType);
    rdgPdfMode->setObjectName(QStringLiteral("rdgPdfMode"));
    auto *modeCol = new QVBoxLayout(rdgPdfMode);
    rdoPdfRaster = new QRadioButton(tr("ページを画像にする"), rdgPdfMode);
    rdoPdfRaster->setObjectName(QStringLiteral("rdoPdfRaster"));
    rdoPdfVector = new QRadioButton(tr("写真をそのまま埋め込む"), rdgPdfMode);
    rdoPdfVector->setObjectName(QStringLiteral("rdoPdfVector"));
    modeCol->addWidget(rdoPdfRaster);
    modeCol->addWidget(rdoPdfVector);
    typeCol->addWidget(rdgPdfMode);
    typeCol->addStretch();
    middle->addWidget(rdgExportType);

    grpPage = new QGroupBox(tr("出力ページ"), this);
    grpPage->setObjectName(QStringLiteral("grpPage"));
    auto *pageGrid = new QGridLayout(grpPage);
    rdoAllPage = new QRadioButton(tr("すべて"), grpPage);
    rdoAllPage->setObjectName(QStringLiteral("rdoAllPage"));
    rdoSelectPage = new QRadioButton(tr("指定"), grpPage);
    rdoSelectPage->setObjectName(QStringLiteral("rdoSelectPage"));
    auto makePage = [this](const char *name) {
        auto *e = new QSpinBox(grpPage);
        e->setObjectName(QString::fromLatin1(name));
        e->setRange(1, 999);
        e->setValue(1);
        return e;
    };
    edtStartPage = makePage("edtStartPage");
    edtLastPage = makePage("edtLastPage");
    pageGrid->addWidget(rdoAllPage, 0, 0, 1, 4);
    pageGrid->addWidget(rdoSelectPage, 1, 0);
    pageGrid->addWidget(new QLabel(tr("開始"), grpPage), 1, 1);
    pageGrid->addWidget(edtStartPage, 1, 2);
    pageGrid->addWidget(new QLabel(tr("終了"), grpPage), 2, 1);
    pageGrid->addWidget(edtLastPage, 2, 2);
    pageGrid->setColumnStretch(3, 1);
    middle->addWidget(grpPage, 1);
    root->addLayout(middle);

    auto *form = new QFormLayout;
    edtFileName = new QLineEdit(this);
    edtFileName->setObjectName(QStringLiteral("edtFileName"));
    form->addRow(tr("ファイル名"), edtFileName);
    edtStartNumber = new QSpinBox(this);
    edtStartNumber->setObjectName(QStringLiteral("edtStartNumber"));
    edtStartNumber->setRange(0, 999999999);
    form->addRow(tr("連番の開始番号"), edtStartNumber);
    edtOutputInfo = new QLineEdit(this);
    edtOutputInfo->setObjectName(QStringLiteral("edtOutputInfo"));
    edtOutputInfo->setReadOnly(true);
    edtOutputInfo->setFocusPolicy(Qt::ClickFocus);
    form->addRow(tr("出力"), edtOutputInfo);
    root->addLayout(form);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = new QPushButton(tr("実行(&R)"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel = new QPushButton(tr("キャンセル(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    // Enter cancels: an export starts only on an explicit "実行".
    btnOK->setAutoDefault(false);
    btnCancel->setDefault(true);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    root->addLayout(buttons);

    // Creation: the stored choice.
    QString folder = FIni.ReadDirectory(kRestore, kPathKey, QString());
    if (folder.isEmpty())
        folder = defaultFolder();
    if (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    edtExportDest->setText(folder);
    const int type = FIni.ReadInt(kRestore, kTypeKey, 0);
    (type == 1 ? rdoPdf : rdoJpeg)->setChecked(true);
    edtFileName->setText(FIni.ReadStr(kRestore, kNameKey, tr("エクスポート.jpg")));
    edtStartNumber->setValue(FIni.ReadInt(kRestore, kNumKey, 1));
    rdoAllPage->setChecked(true);
    edtStartNumber->setEnabled(ExportType() == TPrintDest::pdJpeg);
    (FIni.ReadInt(kRestore, kPdfModeKey, 0) == 1 ? rdoPdfVector : rdoPdfRaster)->setChecked(true);
    rdgPdfMode->setEnabled(ExportType() == TPrintDest::pdPDF);

    connect(rdoJpeg, &QRadioButton::toggled, this, [this](bool on) { if (on) typeChanged(); });
    connect(rdoPdf, &QRadioButton::toggled, this, [this](bool on) { if (on) typeChanged(); });
    connect(edtStartPage, &QSpinBox::valueChanged, this, [this](int v) {
        if (edtLastPage->value() < v)
            edtLastPage->setValue(v);
        rdoSelectPage->setChecked(true);
    });
    connect(edtLastPage, &QSpinBox::valueChanged, this, [this](int v) {
        if (edtStartPage->value() > v)
            edtStartPage->setValue(v);
        rdoSelectPage->setChecked(true);
    });
    connect(btnExportDest, &QPushButton::clicked, this, &TfrmExport::browseFolder);
    connect(btnOK, &QPushButton::clicked, this, &TfrmExport::execute);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(edtExportDest, &QLineEdit::textChanged, this, &TfrmExport::updateInfo);
    connect(edtFileName, &QLineEdit::textChanged, this, &TfrmExport::updateInfo);
    connect(edtStartNumber, &QSpinBox::valueChanged, this, &TfrmExport::updateInfo);
    setMinimumWidth(460);
    updateInfo();
}

bool TfrmExport::AllPage() const { return rdoAllPage->isChecked(); }
TPrintDest TfrmExport::ExportType() const { return rdoPdf->isChecked() ? TPrintDest::pdPDF : TPrintDest::pdJpeg; }
TPdfMode TfrmExport::PdfMode() const { return rdoPdfVector->isChecked() ? TPdfMode::pmVector : TPdfMode::pmRaster; }
QString TfrmExport::FileName() const { return ExportFileName(edtExportDest->text(), edtFileName->text()); }
int TfrmExport::StartNumber() const { return edtStartNumber->value(); }
int TfrmExport::StartPage() const { return edtStartPage->value(); }
int TfrmExport::LastPage() const { return edtLastPage->value(); }

void TfrmExport::SetOutputInfo(int dpi, int quality) {
    FDpi = dpi;
    FQuality = quality;
    updateInfo();
}

void TfrmExport::typeChanged() {
    edtFileName->setText(ExportChangeExtension(edtFileName->text(), ExportType()));
    edtStartNumber->setEnabled(ExportType() == TPrintDest::pdJpeg);
    rdgPdfMode->setEnabled(ExportType() == TPrintDest::pdPDF);
    updateInfo();
}

void TfrmExport::updateInfo() {
    const QString first = ExportType() == TPrintDest::pdPDF
                              ? FileName() + QStringLiteral(".pdf")
                              : FileName() + QString::number(StartNumber()) + QStringLiteral(".jpg");
    QString text;
    if (FDpi > 0)
        text = tr("%1 dpi, JPEG品質 %2 - ").arg(FDpi).arg(FQuality);
    edtOutputInfo->setText(text + first);
}

void TfrmExport::browseFolder() {
    const QString dir = QFileDialog::getExistingDirectory(
        this, tr("エクスポート先のフォルダを選択してください。"), edtExportDest->text());
    if (!dir.isEmpty())
        edtExportDest->setText(dir);
}

void TfrmExport::message(const QString &instruction, const QString &text) {
    if (OnMessage) {
        OnMessage(instruction, text);
        return;
    }
    TQvTaskDialog box;
    box.Parent = this;
    box.Title = windowTitle();
    box.SetInstruction(instruction);
    box.SetContent(text);
    box.MainIcon = TTaskDialogIcon::tiError;
    box.Buttons = {TQvCommonButton::cbOk};
    box.Execute();
}

void TfrmExport::execute() {
    const QString instruction = tr("エクスポート先を確認してください");
    const QFileInfo folder(edtExportDest->text());
    if (edtExportDest->text().isEmpty() || !folder.isDir()) {
        message(instruction, tr("フォルダ「%1」がありません。").arg(edtExportDest->text()));
        return;
    }
    if (!folder.isWritable()) {
        message(instruction, tr("フォルダ「%1」に書き込めません。").arg(edtExportDest->text()));
        return;
    }
    if (edtFileName->text().contains(QLatin1Char('/'))) {
        message(instruction, tr("ファイル名に「/」は使えません。"));
        return;
    }
    if (QFileInfo(FileName()).fileName().trimmed().isEmpty()) {
        message(instruction, tr("ファイル名を入力してください。"));
        return;
    }
    if (OnConfirm && !OnConfirm(*this))
        return;
    FIni.WriteDirectory(kRestore, kPathKey, edtExportDest->text());
    FIni.WriteInt(kRestore, kTypeKey, ExportType() == TPrintDest::pdPDF ? 1 : 0);
    FIni.WriteStr(kRestore, kNameKey, edtFileName->text());
    FIni.WriteInt(kRestore, kNumKey, StartNumber());
    FIni.WriteInt(kRestore, kPdfModeKey, PdfMode() == TPdfMode::pmVector ? 1 : 0);
    accept();
}

} // namespace vellora
