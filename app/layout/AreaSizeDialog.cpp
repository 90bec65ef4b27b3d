#include "app/layout/AreaSizeDialog.h"

#include "app/layout/DialogParts.h"
#include "model/PhotoPaper.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vellora {

TAreaFit FitAreaSize(double paper, int divisions, double wanted, double marginA, double marginB, bool keepSpacing)
{
    double rest = paper - divisions * wanted;
    double space = 0;
    if (keepSpacing && divisions >= 2) {
        space = (rest - marginA - marginB) / (divisions - 1);
        if (space < 0)
            space = 0;
        rest -= space * (divisions - 1);
    }
    return {rest / 2, space};
}

TAreaFitKept FitAreaSizeKeeping(double paper, int divisions, double wanted, double marginA, double marginB,
                                double space)
{
    const double total = paper - divisions * wanted - (divisions - 1) * space;
    const double skew = marginA - marginB;
    return {(total + skew) / 2, (total - skew) / 2};
}

TfrmAreaSize::TfrmAreaSize(TPhotoPaper &paper, QWidget *parent, TExtIniFile *ini)
    : QDialog(parent), FPaper(paper), FIni(ini)
{
    setObjectName(QStringLiteral("frmAreaSize"));
    setWindowTitle(tr("エリアサイズの指定"));
    const double maxW = static_cast<double>(paper.PaperWidth()) / paper.HorzDivide();
    const double maxH = static_cast<double>(paper.PaperHeight()) / paper.VertDivide();
    edtWidth = makeNumberEdit(this, QStringLiteral("edtWidth"), 2, 0.01, maxW);
    edtHeight = makeNumberEdit(this, QStringLiteral("edtHeight"), 2, 0.01, maxH);
    TPhotoArea *first = paper.PhotoAreas().Count() > 0 ? paper.PhotoAreas().Items(0) : nullptr;
    edtWidth->SetValue(first ? static_cast<double>(first->Width()) : maxW);
    edtHeight->SetValue(first ? static_cast<double>(first->Height()) : maxH);

    grpAdjust = new QGroupBox(tr("調整方法"), this);
    grpAdjust->setObjectName(QStringLiteral("rdgAdjust"));
    rdgAdjust = new QButtonGroup(this);
    auto *gl = new QVBoxLayout(grpAdjust);
    // Ids: 0 centre (margins only), 1 spacing first, 2 keep the spacing and the
    // margins' difference (the default: nothing the user set is lost).
    auto *keep = new QRadioButton(tr("余白の配分と間隔を保って調整する"), grpAdjust);
    keep->setObjectName(QStringLiteral("rdoAdjustKeep"));
    rdgAdjust->addButton(keep, 2);
    gl->addWidget(keep);
    const QString texts[] = {tr("余白を調整する"), tr("エリア間隔を優先して調整する")};
    for (int i = 0; i < 2; ++i) {
        auto *r = new QRadioButton(texts[i], grpAdjust);
        r->setObjectName(i == 0 ? QStringLiteral("rdoAdjustMargin") : QStringLiteral("rdoAdjustSpace"));
        rdgAdjust->addButton(r, i);
        gl->addWidget(r);
    }
    keep->setChecked(true);
    rdgAdjust->button(1)->setEnabled(paper.HorzDivide() > 1 || paper.VertDivide() > 1);

    auto *buttons = new QDialogButtonBox(this);
    auto *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btnOk"));
    auto *cancel = buttons->addButton(tr("キャンセル(&C)"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmAreaSize::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmAreaSize::reject);

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("横"), this), 0, 0);
    grid->addWidget(edtWidth, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("mm"), this), 0, 2);
    grid->addWidget(new QLabel(tr("縦"), this), 1, 0);
    grid->addWidget(edtHeight, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("mm"), this), 1, 2);
    auto *l = new QVBoxLayout(this);
    l->addLayout(grid);
    l->addWidget(grpAdjust);
    l->addWidget(buttons);
    TFormPlacement(this, FIni).Restore();
}

void TfrmAreaSize::accept()
{
    CommitNumberEdits(this);
    if (!CheckNumberEdits(this))
        return;
    if (rdgAdjust->checkedId() == 2) {
        const TFloatSize space = FPaper.Space();
        const TAreaFitKept h = FitAreaSizeKeeping(static_cast<double>(FPaper.PaperWidth()), FPaper.HorzDivide(),
                                                  edtWidth->Value(), static_cast<double>(FPaper.MarginLeft()),
                                                  static_cast<double>(FPaper.MarginRight()),
                                                  FPaper.HorzDivide() > 1 ? static_cast<double>(space.cx) : 0.0);
        const TAreaFitKept v = FitAreaSizeKeeping(static_cast<double>(FPaper.PaperHeight()), FPaper.VertDivide(),
                                                  edtHeight->Value(), static_cast<double>(FPaper.MarginTop()),
                                                  static_cast<double>(FPaper.MarginBottom()),
                                                  FPaper.VertDivide() > 1 ? static_cast<double>(space.cy) : 0.0);
        FPaper.SetMargins(FloatRect(h.marginA, v.marginA, h.marginB, v.marginB));
        QDialog::accept();
        return;
    }
    const bool keepSpacing = rdgAdjust->checkedId() == 1;
    const TAreaFit h = FitAreaSize(static_cast<double>(FPaper.PaperWidth()), FPaper.HorzDivide(), edtWidth->Value(),
                                   static_cast<double>(FPaper.MarginLeft()), static_cast<double>(FPaper.MarginRight()),
                                   keepSpacing);
    const TAreaFit v = FitAreaSize(static_cast<double>(FPaper.PaperHeight()), FPaper.VertDivide(), edtHeight->Value(),
                                   static_cast<double>(FPaper.MarginTop()), static_cast<double>(FPaper.MarginBottom()),
                                   keepSpacing);
    FPaper.SetMargins(FloatRect(h.margin, v.margin, h.margin, v.margin));
    FPaper.SetSpace(FloatSize(h.space, v.space));
    QDialog::accept();
}

void TfrmAreaSize::done(int result)
{
    TFormPlacement(this, FIni).Save();
    QDialog::done(result);
}

} // namespace vellora
