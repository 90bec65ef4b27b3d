#include "app/print/PrinterColorPanel.h"

#include "app/PrinterSetupDialog.h"
#include "settings/IniFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vellora {

namespace {

const QString kSection = QStringLiteral("PrinterColor");
TExtIniFile *gSettings = nullptr;

} // namespace

TPrinterColorPanel::TPrinterColorPanel(QWidget *parent) : QGroupBox(tr("カラープロファイル"), parent)
{
    setObjectName(QStringLiteral("grpColorProfile"));
    auto *form = new QFormLayout(this);
    auto *row = new QHBoxLayout;
    cmbColorProfile = new QComboBox(this);
    cmbColorProfile->setObjectName(QStringLiteral("cmbColorProfile"));
    cmbColorProfile->addItem(tr("なし"), QString());
    for (const TProfileEntry &entry : FindPrinterProfiles())
        cmbColorProfile->addItem(entry.description, entry.path);
    btnProfileFile = new QPushButton(tr("ファイル..."), this);
    btnProfileFile->setObjectName(QStringLiteral("btnProfileFile"));
    row->addWidget(cmbColorProfile, 1);
    row->addWidget(btnProfileFile);
    form->addRow(tr("プロファイル"), row);
    cmbRenderingIntent = new QComboBox(this);
    cmbRenderingIntent->setObjectName(QStringLiteral("cmbRenderingIntent"));
    cmbRenderingIntent->addItem(tr("知覚的"));
    cmbRenderingIntent->addItem(tr("相対的な色域を維持"));
    form->addRow(tr("マッチング方法"), cmbRenderingIntent);
    chkBlackPoint = new QCheckBox(tr("黒点の補正を使用"), this);
    chkBlackPoint->setObjectName(QStringLiteral("chkBlackPoint"));
    form->addRow(QString(), chkBlackPoint);
    SetValue({});
    connect(btnProfileFile, &QPushButton::clicked, this, &TPrinterColorPanel::pickFile);
    connect(cmbColorProfile, &QComboBox::currentIndexChanged, this, &TPrinterColorPanel::updateEnabled);
}

void TPrinterColorPanel::SetValue(const TPrinterColor &color)
{
    selectPath(color.profile);
    cmbRenderingIntent->setCurrentIndex(color.intent == TRenderIntent::riRelativeColorimetric ? 1 : 0);
    chkBlackPoint->setChecked(color.blackPointCompensation);
    updateEnabled();
}

TPrinterColor TPrinterColorPanel::Value() const
{
    TPrinterColor color;
    color.profile = cmbColorProfile->currentData().toString();
    color.intent = cmbRenderingIntent->currentIndex() == 1 ? TRenderIntent::riRelativeColorimetric
                                                          : TRenderIntent::riPerceptual;
    color.blackPointCompensation = chkBlackPoint->isChecked();
    return color;
}

void TPrinterColorPanel::selectPath(const QString &path)
{
    int index = cmbColorProfile->findData(path);
    if (index < 0) {
        // A file of the user's, or one that has gone: listed by its name.
        const QString description = PrinterProfileDescription(path);
        cmbColorProfile->addItem(description.isEmpty() ? QFileInfo(path).fileName() : description, path);
        index = cmbColorProfile->count() - 1;
    }
    cmbColorProfile->setCurrentIndex(index);
}

void TPrinterColorPanel::pickFile()
{
    QFileDialog dialog(this, tr("カラープロファイルを選択"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(tr("ICC プロファイル (*.icc *.icm *.ICC *.ICM)"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    selectPath(dialog.selectedFiles().constFirst());
}

void TPrinterColorPanel::updateEnabled()
{
    const bool some = !cmbColorProfile->currentData().toString().isEmpty();
    cmbRenderingIntent->setEnabled(some);
    chkBlackPoint->setEnabled(some);
}

TPrinterColorPanel *AddPrinterColorPanel(TJwPrinterSetupDialog &dialog)
{
    auto *panel = new TPrinterColorPanel(&dialog);
    if (auto *layout = qobject_cast<QVBoxLayout *>(dialog.layout()))
        layout->insertWidget(std::max(0, layout->count() - 1), panel);
    QComboBox *printers = dialog.cmbPrinter;
    panel->SetValue(PrinterColorFor(printers->currentText()));
    QObject::connect(printers, &QComboBox::currentIndexChanged, panel,
                     [panel, printers] { panel->SetValue(PrinterColorFor(printers->currentText())); });
    QObject::connect(&dialog, &QDialog::accepted, panel, [panel, printers] {
        const QString printer = printers->currentText();
        SetPrinterColorFor(printer, panel->Value());
        if (gSettings)
            SavePrinterColor(*gSettings, printer, panel->Value());
    });
    return panel;
}

void LoadPrinterColors(const TExtIniFile &ini)
{
    QStringList lines;   // "name=value"
    ini.ReadSection(kSection, lines);
    for (const QString &line : lines) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString printer = line.left(equals);
        const QStringList parts = ini.ReadStr(kSection, printer, QString()).split(QLatin1Char('|'));
        TPrinterColor color;
        color.profile = parts.value(0);
        color.intent = parts.value(1) == QLatin1String("1") ? TRenderIntent::riRelativeColorimetric
                                                            : TRenderIntent::riPerceptual;
        color.blackPointCompensation = parts.value(2) != QLatin1String("0");
        SetPrinterColorFor(printer, color);
    }
}

void SavePrinterColor(TExtIniFile &ini, const QString &printer, const TPrinterColor &color)
{
    if (color.IsNone()) {
        ini.DeleteItem(kSection, printer);
        return;
    }
    ini.WriteStr(kSection, printer,
                 QStringLiteral("%1|%2|%3")
                     .arg(color.profile)
                     .arg(color.intent == TRenderIntent::riRelativeColorimetric ? 1 : 0)
                     .arg(color.blackPointCompensation ? 1 : 0));
}

void SetPrinterColorSettings(TExtIniFile *ini)
{
    gSettings = ini;
}

} // namespace vellora
