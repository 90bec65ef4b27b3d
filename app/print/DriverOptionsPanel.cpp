#include "app/print/DriverOptionsPanel.h"

#include "app/PrinterSetupDialog.h"
#include "app/print/PrinterColorPanel.h"
#include "app/print/PrinterFaults.h"
#include "print/JwPrinter.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace vellora {

QString DriverConflictText(const TDriverOptions &options, const std::vector<std::pair<QString, QString>> &conflicts)
{
    QStringList parts;
    for (const auto &[keyword, choice] : conflicts) {
        const TDriverOption *o = options.find(keyword);
        const TDriverChoice *c = o ? o->find(choice) : nullptr;
        // The paper and the tray are not options of the panel.
        QString name = o ? o->text : keyword;
        if (keyword == QLatin1String("PageSize"))
            name = QCoreApplication::translate("TDriverOptionsPanel", "用紙サイズ");
        else if (keyword == QLatin1String("InputSlot"))
            name = QCoreApplication::translate("TDriverOptionsPanel", "給紙方法");
        parts << QCoreApplication::translate("vellora::TDriverOptionsPanel", "「%1」が「%2」").arg(name, c ? c->text : choice);
    }
    return parts.join(QCoreApplication::translate("vellora::TDriverOptionsPanel", "、")) + QCoreApplication::translate("vellora::TDriverOptionsPanel", "のため選べません");
}

TDriverOptionsPanel::TDriverOptionsPanel(TJwPrinter &printer, QWidget *parent)
    : QGroupBox(tr("プリンタ固有の設定"), parent), FPrinter(printer)
{
    setObjectName(QStringLiteral("grpDriverOptions"));
    auto *outer = new QVBoxLayout(this);
    FForm = new QFormLayout;
    outer->addLayout(FForm);
    btnDefault = new QPushButton(tr("既定値に戻す"), this);
    btnDefault->setObjectName(QStringLiteral("btnDefault"));
    outer->addWidget(btnDefault, 0, Qt::AlignRight);
    connect(btnDefault, &QPushButton::clicked, this, [this] {
        guarded([this] { FPrinter.ResetDriverValues(); });
        refresh();
        emit valuesChanged();
    });
    Reload();
}

bool TDriverOptionsPanel::guarded(const std::function<void()> &command)
{
    QString printer;
    try {
        if (const int index = FPrinter.Index(); index >= 0)
            printer = FPrinter.PrinterNames().value(index);
    } catch (const std::exception &) {
    }
    return RunPrinterCommand(window(), printer, command);
}

QWidget *TDriverOptionsPanel::Control(const QString &keyword) const
{
    return findChild<QWidget *>(QStringLiteral("drv_") + keyword);
}

void TDriverOptionsPanel::Reload()
{
    while (FForm->rowCount() > 0)
        FForm->removeRow(0);
    FControls.clear();
    TDriverOptions options;
    try {
        options = FPrinter.DriverOptions();
    } catch (const std::exception &) {
        // No printer, or one that does not answer: nothing of its own to show.
    }
    setVisible(!options.options.empty());
    for (const TDriverOption &o : options.options) {
        QWidget *control = nullptr;
        if (o.kind == TDriverOptionKind::dokBoolean) {
            auto *box = new QCheckBox(o.text, this);
            connect(box, &QCheckBox::toggled, this, [this, o](bool on) {
                if (FFilling)
                    return;
                const QString wanted = on ? QStringLiteral("True") : QStringLiteral("False");
                for (const TDriverChoice &c : o.choices) {
                    if (c.choice.compare(wanted, Qt::CaseInsensitive) == 0)
                        guarded([this, &o, &c] { FPrinter.SetDriverValue(o.keyword, c.choice); });
                }
                refresh();
                emit valuesChanged();
            });
            FForm->addRow(box);
            control = box;
        } else {
            auto *combo = new QComboBox(this);
            // Without a default of the queue's the printer decides unless asked.
            if (o.defaultChoice.isEmpty())
                combo->addItem(tr("(プリンタの既定)"), QString());
            for (const TDriverChoice &c : o.choices)
                combo->addItem(c.text, c.choice);
            connect(combo, &QComboBox::currentIndexChanged, this, [this, o, combo](int index) {
                if (FFilling || index < 0)
                    return;
                guarded([this, &o, combo, index] { FPrinter.SetDriverValue(o.keyword, combo->itemData(index).toString()); });
                refresh();
                emit valuesChanged();
            });
            FForm->addRow(o.text + QLatin1Char(':'), combo);
            control = combo;
        }
        control->setObjectName(QStringLiteral("drv_") + o.keyword);
        control->setEnabled(!o.readOnly);
        if (o.readOnly)
            control->setToolTip(tr("プリンタに取り付けられた装置の設定です。"));
        FControls.push_back(control);
    }
    refresh();
}

void TDriverOptionsPanel::refresh()
{
    FFilling = true;
    TDriverOptions options;
    TDriverValues values;
    try {
        options = FPrinter.DriverOptions();
        values = FPrinter.ConstraintValues();
    } catch (const std::exception &) {
        // The printer went: its controls stay as they were.
    }
    for (const TDriverOption &o : options.options) {
        QWidget *control = Control(o.keyword);
        const QString value = values.count(o.keyword) ? values.at(o.keyword) : o.defaultChoice;
        if (auto *box = qobject_cast<QCheckBox *>(control)) {
            box->setChecked(value.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0);
            if (!o.readOnly) {
                const QString other = box->isChecked() ? QStringLiteral("False") : QStringLiteral("True");
                const auto conflicts = DriverConflicts(options, values, o.keyword, other);
                box->setEnabled(conflicts.empty());
                box->setToolTip(conflicts.empty() ? QString() : DriverConflictText(options, conflicts));
            }
        } else if (auto *combo = qobject_cast<QComboBox *>(control)) {
            combo->setCurrentIndex(combo->findData(value));
            auto *model = qobject_cast<QStandardItemModel *>(combo->model());
            for (int i = 0; model && i < combo->count(); ++i) {
                const auto conflicts = DriverConflicts(options, values, o.keyword, combo->itemData(i).toString());
                QStandardItem *item = model->item(i);
                item->setEnabled(conflicts.empty() || i == combo->currentIndex());
                item->setToolTip(conflicts.empty() ? QString() : DriverConflictText(options, conflicts));
            }
        }
    }
    FFilling = false;
}

TDriverOptionsPanel *AddDriverOptions(TJwPrinterSetupDialog &dialog, TJwPrinter &printer, bool fixPaper)
{
    // Paper and orientation belong to the layout: shown, not changed here.
    if (fixPaper)
        dialog.SetPaperFixed(true);
    auto *panel = new TDriverOptionsPanel(printer, &dialog);
    if (auto *layout = qobject_cast<QVBoxLayout *>(dialog.layout()))
        layout->insertWidget(std::max(0, layout->count() - 1), panel);
    QObject::connect(dialog.cmbPrinter, &QComboBox::currentIndexChanged, panel, [panel] { panel->Reload(); });
    for (QComboBox *combo : {dialog.cmbPaper, dialog.cmbSource})
        QObject::connect(combo, &QComboBox::currentIndexChanged, panel, [panel] { panel->Refresh(); });
    QObject::connect(panel, &TDriverOptionsPanel::valuesChanged, &dialog, [&dialog] { dialog.RefreshConstraints(); });
    dialog.RefreshConstraints();
    AddPrinterColorPanel(dialog);
    return panel;
}

} // namespace vellora
