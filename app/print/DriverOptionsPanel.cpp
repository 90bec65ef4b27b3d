#include "app/print/DriverOptionsPanel.h"

#include "app/PrinterSetupDialog.h"
#include "app/print/PrinterColorPanel.h"
#include "print/JwPrinter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace vellora {

namespace {

QString reasonText(const TDriverOptions &options, const std::vector<std::pair<QString, QString>> &conflicts)
{
    QStringList parts;
    for (const auto &[keyword, choice] : conflicts) {
        const TDriverOption *o = options.find(keyword);
        const TDriverChoice *c = o ? o->find(choice) : nullptr;
        parts << QStringLiteral("「%1」が「%2」").arg(o ? o->text : keyword, c ? c->text : choice);
    }
    return parts.join(QStringLiteral("、")) + QStringLiteral("のため選べません");
}

} // namespace

TDriverOptionsPanel::TDriverOptionsPanel(TJwPrinter &printer, QWidget *parent)
    : QGroupBox(QStringLiteral("プリンタ固有の設定"), parent), FPrinter(printer)
{
    setObjectName(QStringLiteral("grpDriverOptions"));
    auto *outer = new QVBoxLayout(this);
    FForm = new QFormLayout;
    outer->addLayout(FForm);
    btnDefault = new QPushButton(QStringLiteral("既定値に戻す"), this);
    btnDefault->setObjectName(QStringLiteral("btnDefault"));
    outer->addWidget(btnDefault, 0, Qt::AlignRight);
    connect(btnDefault, &QPushButton::clicked, this, [this] {
        FPrinter.ResetDriverValues();
        refresh();
    });
    Reload();
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
    } catch (const EJwPrinter &) {
        // No printer: nothing of its own to show.
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
                        FPrinter.SetDriverValue(o.keyword, c.choice);
                }
                refresh();
            });
            FForm->addRow(box);
            control = box;
        } else {
            auto *combo = new QComboBox(this);
            // Without a default of the queue's the printer decides unless asked.
            if (o.defaultChoice.isEmpty())
                combo->addItem(QStringLiteral("(プリンタの既定)"), QString());
            for (const TDriverChoice &c : o.choices)
                combo->addItem(c.text, c.choice);
            connect(combo, &QComboBox::currentIndexChanged, this, [this, o, combo](int index) {
                if (FFilling || index < 0)
                    return;
                FPrinter.SetDriverValue(o.keyword, combo->itemData(index).toString());
                refresh();
            });
            FForm->addRow(o.text + QLatin1Char(':'), combo);
            control = combo;
        }
        control->setObjectName(QStringLiteral("drv_") + o.keyword);
        control->setEnabled(!o.readOnly);
        if (o.readOnly)
            control->setToolTip(QStringLiteral("プリンタに取り付けられた装置の設定です。"));
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
        values = FPrinter.DriverValues();
    } catch (const EJwPrinter &) {
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
                box->setToolTip(conflicts.empty() ? QString() : reasonText(options, conflicts));
            }
        } else if (auto *combo = qobject_cast<QComboBox *>(control)) {
            combo->setCurrentIndex(combo->findData(value));
            auto *model = qobject_cast<QStandardItemModel *>(combo->model());
            for (int i = 0; model && i < combo->count(); ++i) {
                const auto conflicts = DriverConflicts(options, values, o.keyword, combo->itemData(i).toString());
                QStandardItem *item = model->item(i);
                item->setEnabled(conflicts.empty() || i == combo->currentIndex());
                item->setToolTip(conflicts.empty() ? QString() : reasonText(options, conflicts));
            }
        }
    }
    FFilling = false;
}

TDriverOptionsPanel *AddDriverOptions(TJwPrinterSetupDialog &dialog, TJwPrinter &printer)
{
    // Paper and orientation belong to the layout: shown, not changed here.
    dialog.SetPaperFixed(true);
    auto *panel = new TDriverOptionsPanel(printer, &dialog);
    if (auto *layout = qobject_cast<QVBoxLayout *>(dialog.layout()))
        layout->insertWidget(std::max(0, layout->count() - 1), panel);
    QObject::connect(dialog.cmbPrinter, &QComboBox::currentIndexChanged, panel, [panel] { panel->Reload(); });
    AddPrinterColorPanel(dialog);
    return panel;
}

} // namespace vellora
