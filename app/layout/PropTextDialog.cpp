#include "app/layout/PropTextDialog.h"

#include "app/layout/BackgroundControls.h"
#include "app/layout/BackgroundDialog.h"
#include "app/layout/DialogParts.h"
#include "model/PhotoPaper.h"
#include "model/TextArea.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include "app/controls/NumberEdit.h"
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace vellora {

namespace {

QStringList sourceNames()
{
    QStringList names;
    for (const char *name : {QT_TRANSLATE_NOOP("vellora::TfrmPropText", "固定のテキスト"),
                             QT_TRANSLATE_NOOP("vellora::TfrmPropText", "ファイル名"),
                             QT_TRANSLATE_NOOP("vellora::TfrmPropText", "ファイルサイズ"),
                             QT_TRANSLATE_NOOP("vellora::TfrmPropText", "ファイルの更新日"),
                             QT_TRANSLATE_NOOP("vellora::TfrmPropText", "ファイルの更新時刻"),
                             QT_TRANSLATE_NOOP("vellora::TfrmPropText", "画像に指定したコメント"),
                             QT_TRANSLATE_NOOP("vellora::TfrmPropText", "画像のサイズ"),
                             QT_TRANSLATE_NOOP("vellora::TfrmPropText", "(Exif)撮影日"),
                             QT_TRANSLATE_NOOP("vellora::TfrmPropText", "(Exif)撮影時刻"),
                             QT_TRANSLATE_NOOP("vellora::TfrmPropText", "(Exif)コメント"),
                             QT_TRANSLATE_NOOP("vellora::TfrmPropText", "(Exif)説明"),
                             QT_TRANSLATE_NOOP("vellora::TfrmPropText", "ファイルの日付と時刻"),
                             QT_TRANSLATE_NOOP("vellora::TfrmPropText", "(Exif)撮影した日付と時刻"),
                             QT_TRANSLATE_NOOP("vellora::TfrmPropText", "現在のページ番号")})
        names << QCoreApplication::translate("vellora::TfrmPropText", name);
    return names;
}

// A small picture of a writing direction; a click on it selects its radio.
class TDirectionPicture : public QWidget {
public:
    TDirectionPicture(int angle, QAbstractButton *radio, QWidget *parent)
        : QWidget(parent), FAngle(angle), FRadio(radio)
    {
        setObjectName(QStringLiteral("imgAngle%1").arg(angle));
        setFixedSize(40, 40);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        p.translate(width() / 2.0, height() / 2.0);
        p.rotate(-90.0 * FAngle);
        p.setPen(Qt::black);
        p.drawText(QRectF(-18, -10, 36, 20), Qt::AlignCenter, QCoreApplication::translate("vellora::TfrmPropText", "あア"));
    }
    void mousePressEvent(QMouseEvent *) override { FRadio->click(); }

private:
    int FAngle;
    QAbstractButton *FRadio;
};

} // namespace

TfrmPropText::TfrmPropText(QWidget *parent, TExtIniFile *ini) : QDialog(parent), FIni(ini)
{
    setObjectName(QStringLiteral("frmPropText"));
    setWindowTitle(tr("テキスト領域のプロパティ"));
    auto *tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("pgcPropText"));

    // "テキスト"
    auto *text = new QWidget;
    text->setObjectName(QStringLiteral("tabText"));
    cmbSource = makeComboBox(text, QStringLiteral("cmbSource"), sourceNames());
    memText = new QPlainTextEdit(text);
    memText->setObjectName(QStringLiteral("memText"));
    memText->setMinimumHeight(80);
    edtLinkArea = makeNumberEdit(text, QStringLiteral("edtLinkArea"), 0, 1, 1);
    btnSelArea = new QPushButton(tr("エリア選択(&A)..."), text);
    btnSelArea->setObjectName(QStringLiteral("btnSelArea"));
    auto *font = new QGroupBox(tr("フォント"), text);
    chkParentFont = new QCheckBox(tr("文書既定のフォントに合わせる"), font);
    chkParentFont->setObjectName(QStringLiteral("chkParentFont"));
    cmbFonts = makeFontNameBox(font, QStringLiteral("cmbFonts"));
    cmbFontSize = makeFontSizeBox(font, QStringLiteral("cmbFontSize"));
    cmbFontColor = new TColorBox(font, QStringLiteral("cmbFontColor"));
    btnFont = new QPushButton(tr("フォント設定(&F)..."), font);
    btnFont->setObjectName(QStringLiteral("btnFont"));
    FFontControls = new TFontControls(cmbFonts, cmbFontSize, cmbFontColor, this);
    auto *fl = new QGridLayout(font);
    fl->addWidget(chkParentFont, 0, 0, 1, 3);
    fl->addWidget(cmbFonts, 1, 0, 1, 2);
    fl->addWidget(cmbFontSize, 1, 2);
    fl->addWidget(cmbFontColor, 2, 0);
    fl->addWidget(btnFont, 2, 1, 1, 2);
    auto *tl = new QGridLayout(text);
    tl->addWidget(new QLabel(tr("テキスト取得元"), text), 0, 0);
    tl->addWidget(cmbSource, 0, 1, 1, 2);
    tl->addWidget(new QLabel(tr("固定のテキスト"), text), 1, 0, Qt::AlignTop);
    tl->addWidget(memText, 1, 1, 1, 2);
    tl->addWidget(new QLabel(tr("リンクする写真エリア"), text), 2, 0);
    tl->addWidget(edtLinkArea, 2, 1);
    tl->addWidget(btnSelArea, 2, 2);
    tl->addWidget(font, 3, 0, 1, 3);
    tabs->addTab(text, tr("テキスト"));

    // "配置"
    auto *place = new QWidget;
    place->setObjectName(QStringLiteral("tabPlace"));
    cmbHorzAlign = makeComboBox(place, QStringLiteral("cmbHorzAlign"),
                         {tr("左寄せ"), tr("中央揃え"), tr("右寄せ"), tr("均等割り付け")});
    cmbVertAlign = makeComboBox(place, QStringLiteral("cmbVertAlign"),
                         {tr("上寄せ"), tr("中央"), tr("下寄せ")});
    cmbFitMode = makeComboBox(place, QStringLiteral("cmbFitMode"),
                       {tr("そのまま"), tr("テキストを折り返す"), tr("文字幅を縮小する"),
                        tr("文字サイズを縮小する")});
    edtRowPitch = makeNumberEdit(place, QStringLiteral("edtRowPitch"), 2, -kUnlimitedMM, kUnlimitedMM, 0.25);
    auto *dir = new QGroupBox(tr("文字の方向"), place);
    rdgAngle = new QButtonGroup(this);
    auto *dl = new QGridLayout(dir);
    const QString dirs[] = {tr("左から右"), tr("下から上"), tr("右から左"),
                            tr("上から下")};
    for (int i = 0; i < 4; ++i) {
        auto *r = new QRadioButton(dirs[i], dir);
        r->setObjectName(QStringLiteral("rdoAngle%1").arg(i));
        rdgAngle->addButton(r, i);
        dl->addWidget(new TDirectionPicture(i, r, dir), 0, i, Qt::AlignCenter);
        dl->addWidget(r, 1, i);
    }
    chkAdjustAngle = new QCheckBox(tr("画像の向きに合わせて調整する"), dir);
    chkAdjustAngle->setObjectName(QStringLiteral("chkAdjustAngle"));
    dl->addWidget(chkAdjustAngle, 2, 0, 1, 4);
    auto *pad = new QGroupBox(tr("内部余白(mm)"), place);
    edtPadLeft = makeNumberEdit(pad, QStringLiteral("edtPadLeft"), 2, 0, kUnlimitedMM);
    edtPadRight = makeNumberEdit(pad, QStringLiteral("edtPadRight"), 2, 0, kUnlimitedMM);
    edtPadTop = makeNumberEdit(pad, QStringLiteral("edtPadTop"), 2, 0, kUnlimitedMM);
    edtPadBottom = makeNumberEdit(pad, QStringLiteral("edtPadBottom"), 2, 0, kUnlimitedMM);
    auto *btnPadAll = new QPushButton(tr("すべてを左余白に合わせる"), pad);
    btnPadAll->setObjectName(QStringLiteral("btnPadAll"));
    auto *pl = new QGridLayout(pad);
    pl->addWidget(new QLabel(tr("左"), pad), 0, 0);
    pl->addWidget(edtPadLeft, 0, 1);
    pl->addWidget(new QLabel(tr("右"), pad), 0, 2);
    pl->addWidget(edtPadRight, 0, 3);
    pl->addWidget(new QLabel(tr("上"), pad), 1, 0);
    pl->addWidget(edtPadTop, 1, 1);
    pl->addWidget(new QLabel(tr("下"), pad), 1, 2);
    pl->addWidget(edtPadBottom, 1, 3);
    pl->addWidget(btnPadAll, 2, 0, 1, 4);
    auto *ml = new QGridLayout(place);
    ml->addWidget(new QLabel(tr("横位置"), place), 0, 0);
    ml->addWidget(cmbHorzAlign, 0, 1);
    ml->addWidget(new QLabel(tr("縦位置"), place), 0, 2);
    ml->addWidget(cmbVertAlign, 0, 3);
    ml->addWidget(new QLabel(tr("テキスト領域の幅が不足したときの処理"), place), 1, 0, 1, 2);
    ml->addWidget(cmbFitMode, 1, 2, 1, 2);
    ml->addWidget(new QLabel(tr("行ピッチ"), place), 2, 0);
    ml->addWidget(edtRowPitch, 2, 1);
    ml->addWidget(new QLabel(QStringLiteral("mm"), place), 2, 2);
    ml->addWidget(dir, 3, 0, 1, 4);
    ml->addWidget(pad, 4, 0, 1, 4);
    tabs->addTab(place, tr("配置"));

    // "背景"
    auto *back = new QWidget;
    back->setObjectName(QStringLiteral("tabBack"));
    imgBackground = new TBackgroundSample(back, QStringLiteral("imgBackground"));
    imgBackground->setFixedSize(160, 110);
    auto *btnBackground = new QPushButton(tr("枠と背景の設定(&B)..."), back);
    btnBackground->setObjectName(QStringLiteral("btnBackground"));
    auto *bl = new QVBoxLayout(back);
    bl->addWidget(imgBackground);
    bl->addWidget(btnBackground, 0, Qt::AlignLeft);
    bl->addStretch(1);
    tabs->addTab(back, tr("背景"));

    auto *buttons = makeOkCancelButtons(this);
    auto *l = new QVBoxLayout(this);
    l->addWidget(tabs);
    l->addWidget(buttons);

    connect(cmbSource, &QComboBox::currentIndexChanged, this, &TfrmPropText::updateEnabling);
    connect(chkParentFont, &QCheckBox::clicked, this, &TfrmPropText::parentFontToggled);
    connect(btnFont, &QPushButton::clicked, this, [this] { FFontControls->ChooseFont(this); });
    connect(btnSelArea, &QPushButton::clicked, this, &TfrmPropText::selectArea);
    connect(btnPadAll, &QPushButton::clicked, this, [this] {
        for (TUpdownNumberEdit *e : {edtPadRight, edtPadTop, edtPadBottom})
            e->SetValue(edtPadLeft->Value());
    });
    connect(btnBackground, &QPushButton::clicked, this, &TfrmPropText::editBackground);
    connect(imgBackground, &TBackgroundSample::doubleClicked, this, &TfrmPropText::editBackground);
    imgBackground->SetBackground(&FBackground);
    TFormPlacement(this, FIni).Restore();
}

void TfrmPropText::SetArea(TTextArea *area)
{
    FArea = area;
    FBackground.Assign(area->Background());
    cmbSource->setCurrentIndex(Ord(area->Source()));
    memText->setPlainText(area->Lines().join(QLatin1Char('\n')));
    const TPhotoPaper *paper = area->Paper();
    const int cells = paper ? paper->PhotoAreas().Count() : 1;
    // A link beyond the grid is kept until the user picks another.
    edtLinkArea->SetMin(1);
    edtLinkArea->SetMax(std::max(cells, area->LinkAreaIndex() + 1));
    edtLinkArea->SetValue(area->LinkAreaIndex() + 1);
    chkParentFont->setChecked(area->ParentFont());
    FFontControls->Load(area->Font());
    // Values the lists do not offer show no item and are kept unless changed.
    cmbHorzAlign->setCurrentIndex(Ord(area->HorzAlignment()) < cmbHorzAlign->count() ? Ord(area->HorzAlignment()) : -1);
    cmbVertAlign->setCurrentIndex(Ord(area->VertAlignment()) < cmbVertAlign->count() ? Ord(area->VertAlignment()) : -1);
    cmbFitMode->setCurrentIndex(Ord(area->FitMode()));
    edtRowPitch->SetValue(static_cast<double>(area->RowPitch()));
    rdgAngle->button(Ord(area->Angle()))->setChecked(true);
    chkAdjustAngle->setChecked(area->AdjustmentAngle());
    edtPadLeft->SetValue(static_cast<double>(area->PaddingLeft()));
    edtPadRight->SetValue(static_cast<double>(area->PaddingRight()));
    edtPadTop->SetValue(static_cast<double>(area->PaddingTop()));
    edtPadBottom->SetValue(static_cast<double>(area->PaddingBottom()));
    imgBackground->Refresh();
    updateEnabling();
}

void TfrmPropText::updateEnabling()
{
    const bool fixed = cmbSource->currentIndex() == Ord(TTextSourceType::tstFix);
    memText->setEnabled(fixed);
    const bool link = !fixed && FEditMode == TEditMode::emPaper;
    edtLinkArea->setEnabled(link);
    btnSelArea->setEnabled(link);
    FFontControls->SetEnabled(!chkParentFont->isChecked());
    btnFont->setEnabled(!chkParentFont->isChecked());
}

void TfrmPropText::parentFontToggled(bool parent)
{
    if (parent && FArea) {
        if (const TFont *font = FArea->Owner() ? FArea->Owner()->ParentFont() : nullptr)
            FFontControls->Load(*font);
    }
    updateEnabling();
}

void TfrmPropText::selectArea()
{
    if (FArea)
        ChooseLinkedArea(this, FIni, FArea->Paper(), edtLinkArea);
}

void TfrmPropText::editBackground()
{
    TfrmBackground dialog(this, FIni);
    dialog.SetBackground(&FBackground);
    if (dialog.exec() == QDialog::Accepted)
        imgBackground->Refresh();
}

void TfrmPropText::accept()
{
    CommitNumberEdits(this);
    if (!CheckNumberEdits(this) || !FFontControls->CheckSize(this))
        return;
    if (FArea) {
        TTextArea &a = *FArea;
        a.SetSource(static_cast<TTextSourceType>(cmbSource->currentIndex()));
        const QString lines = memText->toPlainText();
        a.SetLines(lines.isEmpty() ? QStringList() : lines.split(QLatin1Char('\n')));
        a.SetLinkAreaIndex(edtLinkArea->AsInteger() - 1);
        a.SetParentFont(chkParentFont->isChecked());
        if (!chkParentFont->isChecked())
            a.SetFont(FFontControls->Font());
        if (cmbHorzAlign->currentIndex() >= 0)
            a.SetHorzAlignment(static_cast<THorzAlignment>(cmbHorzAlign->currentIndex()));
        if (cmbVertAlign->currentIndex() >= 0)
            a.SetVertAlignment(static_cast<TVertAlignment>(cmbVertAlign->currentIndex()));
        a.SetFitMode(static_cast<TTextFitMode>(cmbFitMode->currentIndex()));
        a.SetRowPitch(edtRowPitch->Value());
        a.SetAngle(static_cast<TTextAngle>(rdgAngle->checkedId()));
        a.SetAdjustmentAngle(chkAdjustAngle->isChecked());
        a.SetBackground(FBackground);
        a.SetPaddings(FloatRect(edtPadLeft->Value(), edtPadTop->Value(), edtPadRight->Value(), edtPadBottom->Value()));
    }
    QDialog::accept();
}

void TfrmPropText::done(int result)
{
    TFormPlacement(this, FIni).Save();
    QDialog::done(result);
}

} // namespace vellora
