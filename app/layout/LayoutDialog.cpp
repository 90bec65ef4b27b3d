#include "app/layout/LayoutDialog.h"

#include "app/designer/Designer.h"

#include "app/layout/AreaSizeDialog.h"
#include "app/layout/BackgroundDialog.h"
#include "app/layout/DialogParts.h"
#include "app/layout/SelAreaDialog.h"
#include "app/PrinterSetupDialog.h"
#include "model/Captions.h"
#include "model/PaperPrinter.h"
#include "model/StandardPapers.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include "app/controls/NumberEdit.h"
#include <QStackedWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>

namespace vellora {

namespace {

TPrinterSetupFunc &printerSetupFunc()
{
    static TPrinterSetupFunc func;
    return func;
}

QString noPrinterText()
{
    return QCoreApplication::translate("vellora::TfrmLayout",
        "プリンタがインストールされていません。用紙サイズはカスタムサイズ (mm) で指定できます。");
}

QLabel *label(QWidget *parent, const QString &text, QWidget *buddy = nullptr)
{
    auto *l = new QLabel(text, parent);
    if (buddy)
        l->setBuddy(buddy);
    return l;
}


QPushButton *button(QWidget *parent, const QString &name, const QString &text)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

// The schematic preview of the layout being edited.
class TLayoutPreview : public QWidget {
public:
    explicit TLayoutPreview(const TPhotoPaper &paper, QWidget *parent) : QWidget(parent), FPaper(paper)
    {
        setObjectName(QStringLiteral("imgLayout"));
        setMinimumSize(180, 220);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Window));
        FPaper.DrawLayout(p, width(), height());
    }

private:
    const TPhotoPaper &FPaper;
};

void SetPrinterSetupFunc(TPrinterSetupFunc func)
{
    printerSetupFunc() = std::move(func);
}

int FindPaperSizeEntry(const QStringList &names, const std::vector<int> &numbers, const QString &name, int number)
{
    const int byName = static_cast<int>(names.indexOf(name));
    if (!name.isEmpty() && byName >= 0)
        return byName;
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (numbers[i] == number)
            return static_cast<int>(i);
    }
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (numbers[i] == kUserPaperSizeNumber)
            return static_cast<int>(i);
    }
    return -1;
}

TfrmLayout::TfrmLayout(QWidget *parent, TExtIniFile *ini)
    : QDialog(parent), FPreviousBinding(PaperPrinter().Paper()), FIni(ini)
{
    // Making the two papers bound the printer binder to them.
    PaperPrinter().SetPaper(FPreviousBinding);

    setObjectName(QStringLiteral("frmLayout"));
    setWindowTitle(tr("用紙レイアウトの設定"));

    tvPages = new QTreeWidget(this);
    tvPages->setObjectName(QStringLiteral("tvPages"));
    tvPages->setHeaderHidden(true);
    tvPages->setRootIsDecorated(false);
    tvPages->setFixedWidth(130);
    pages = new QStackedWidget(this);
    pages->setObjectName(QStringLiteral("pgcLayout"));
    const QString names[] = {tr("用紙サイズ"), tr("基本レイアウト"), tr("写真エリア")};
    const QString pageNames[] = {QStringLiteral("tabPaper"), QStringLiteral("tabLayout"), QStringLiteral("tabArea")};
    for (int i = 0; i < 3; ++i) {
        tvPages->addTopLevelItem(new QTreeWidgetItem(QStringList{names[i]}));
        auto *page = new QWidget(pages);
        page->setObjectName(pageNames[i]);
        pages->addWidget(page);
    }
    buildPaperPage(pages->widget(0));
    buildLayoutPage(pages->widget(1));
    buildAreaPage(pages->widget(2));
    connect(tvPages, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (item)
            pages->setCurrentIndex(tvPages->indexOfTopLevelItem(item));
    });
    tvPages->setCurrentItem(tvPages->topLevelItem(0));

    imgLayout = new TLayoutPreview(FScratch, this);

    btnDesigner = button(this, QStringLiteral("btnDesigner"), tr("デザイナ(&D)..."));
    btnArea = button(this, QStringLiteral("btnArea"), tr("エリア別設定(&E)..."));
    btnOk = button(this, QStringLiteral("btnOk"), QStringLiteral("&OK"));
    btnOk->setDefault(true);
    btnOk->setAutoDefault(true);
    btnCancel = button(this, QStringLiteral("btnCancel"), tr("キャンセル(&C)"));
    connect(btnOk, &QPushButton::clicked, this, &TfrmLayout::accept);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmLayout::reject);
    connect(btnArea, &QPushButton::clicked, this, &TfrmLayout::areaSettings);
    connect(btnDesigner, &QPushButton::clicked, this, &TfrmLayout::designer);

    auto *top = new QHBoxLayout;
    top->addWidget(tvPages);
    top->addWidget(pages, 1);
    top->addWidget(imgLayout);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(btnDesigner);
    bottom->addWidget(btnArea);
    bottom->addStretch(1);
    bottom->addWidget(btnOk);
    bottom->addWidget(btnCancel);
    auto *main = new QVBoxLayout(this);
    main->addLayout(top, 1);
    main->addLayout(bottom);

    TFormPlacement(this, FIni).Restore();
}

TfrmLayout::~TfrmLayout()
{
    DisconnectChildren(this);
    // The binder must never be left on this dialog's papers.
    TPhotoPaper *bound = PaperPrinter().Paper();
    if (bound == &FPaper || bound == &FScratch)
        PaperPrinter().SetPaper(FSource ? const_cast<TPhotoPaper *>(FSource) : FPreviousBinding);
}

void TfrmLayout::buildPaperPage(QWidget *page)
{
    cmbPaperSize = makeComboBox(page, QStringLiteral("cmbPaperSize"), {});
    cmbPaperSize->setMinimumWidth(200);
    auto *orient = new QGroupBox(tr("用紙の向き"), page);
    orient->setObjectName(QStringLiteral("grpOrientation"));
    rdgOrientation = new QButtonGroup(this);
    rdgOrientation->setObjectName(QStringLiteral("rdgOrientation"));
    auto *ol = new QHBoxLayout(orient);
    const QString oNames[] = {tr("縦", "paper orientation"), tr("横", "paper orientation")};
    for (int i = 0; i < 2; ++i) {
        auto *r = new QRadioButton(oNames[i], orient);
        r->setObjectName(i == 0 ? QStringLiteral("rdoPortrait") : QStringLiteral("rdoLandscape"));
        rdgOrientation->addButton(r, i);
        ol->addWidget(r);
    }
    ol->addStretch(1);
    auto *custom = new QGroupBox(tr("カスタムサイズ (mm)"), page);
    // The same limits as documents and the command line: a sheet the export can hold.
    edtPaperWidth = makeNumberEdit(custom, QStringLiteral("edtPaperWidth"), 1, kMinPaperMM, kMaxPaperMM);
    edtPaperHeight = makeNumberEdit(custom, QStringLiteral("edtPaperHeight"), 1, kMinPaperMM, kMaxPaperMM);
    auto *cl = new QGridLayout(custom);
    cl->addWidget(label(custom, tr("横"), edtPaperWidth), 0, 0);
    cl->addWidget(edtPaperWidth, 0, 1);
    cl->addWidget(label(custom, tr("縦"), edtPaperHeight), 0, 2);
    cl->addWidget(edtPaperHeight, 0, 3);
    btnAdjustPaper = button(page, QStringLiteral("btnAdjustPaper"), tr("用紙サイズを現在のプリンタに合わせる(&A)..."));
    btnChangePrinter = button(page, QStringLiteral("btnChangePrinter"), tr("プリンタ変更(&P)..."));
    chkStandardPapers = new QCheckBox(tr("標準の用紙サイズから選ぶ (ファイルへの書き出し用)"), page);
    chkStandardPapers->setObjectName(QStringLiteral("chkStandardPapers"));
    edtCurrentPrinter = new QLineEdit(page);
    edtCurrentPrinter->setObjectName(QStringLiteral("edtCurrentPrinter"));
    edtCurrentPrinter->setReadOnly(true);

    auto *l = new QGridLayout(page);
    l->addWidget(label(page, tr("用紙サイズ"), cmbPaperSize), 0, 0);
    l->addWidget(cmbPaperSize, 0, 1);
    l->addWidget(chkStandardPapers, 1, 0, 1, 2);
    l->addWidget(orient, 2, 0, 1, 2);
    l->addWidget(custom, 3, 0, 1, 2);
    l->addWidget(btnAdjustPaper, 4, 0, 1, 2);
    l->addWidget(label(page, tr("現在のプリンタ"), edtCurrentPrinter), 5, 0);
    l->addWidget(edtCurrentPrinter, 5, 1);
    l->addWidget(btnChangePrinter, 6, 1, Qt::AlignRight);
    l->setRowStretch(7, 1);

    // Only the user's own actions reach the printer: loading the controls must not.
    connect(cmbPaperSize, &QComboBox::activated, this, &TfrmLayout::paperSizeChosen);
    connect(rdgOrientation, &QButtonGroup::idClicked, this, &TfrmLayout::orientationChosen);
    connect(edtPaperWidth, &QLineEdit::editingFinished, this, &TfrmLayout::customSizeLeft);
    connect(edtPaperHeight, &QLineEdit::editingFinished, this, &TfrmLayout::customSizeLeft);
    for (TNumberEdit *e : {edtPaperWidth, edtPaperHeight}) {
        connect(e, &TNumberEdit::valueChanged, this, &TfrmLayout::recomputeAreaSize);
        connect(e, &QLineEdit::textEdited, this, &TfrmLayout::recomputeAreaSize);
    }
    connect(chkStandardPapers, &QCheckBox::clicked, this, &TfrmLayout::standardListToggled);
    connect(btnChangePrinter, &QPushButton::clicked, this, &TfrmLayout::changePrinter);
    connect(btnAdjustPaper, &QPushButton::clicked, this, &TfrmLayout::adjustPaper);
}

void TfrmLayout::buildLayoutPage(QWidget *page)
{
    auto *margins = new QGroupBox(tr("用紙の余白 (mm)"), page);
    edtMarginLeft = makeNumberEdit(margins, QStringLiteral("edtMarginLeft"), 1, -kUnlimitedMM, kUnlimitedMM);
    edtMarginRight = makeNumberEdit(margins, QStringLiteral("edtMarginRight"), 1, -kUnlimitedMM, kUnlimitedMM);
    edtMarginTop = makeNumberEdit(margins, QStringLiteral("edtMarginTop"), 1, -kUnlimitedMM, kUnlimitedMM);
    edtMarginBottom = makeNumberEdit(margins, QStringLiteral("edtMarginBottom"), 1, -kUnlimitedMM, kUnlimitedMM);
    auto *ml = new QGridLayout(margins);
    ml->addWidget(label(margins, tr("左"), edtMarginLeft), 0, 0);
    ml->addWidget(edtMarginLeft, 0, 1);
    ml->addWidget(label(margins, tr("右"), edtMarginRight), 0, 2);
    ml->addWidget(edtMarginRight, 0, 3);
    ml->addWidget(label(margins, tr("上"), edtMarginTop), 1, 0);
    ml->addWidget(edtMarginTop, 1, 1);
    ml->addWidget(label(margins, tr("下"), edtMarginBottom), 1, 2);
    ml->addWidget(edtMarginBottom, 1, 3);

    auto *area = new QGroupBox(tr("写真エリアのサイズ(mm)"), page);
    edtAreaWidth = makeDisplayEdit(area, QStringLiteral("edtAreaWidth"), 1);
    edtAreaHeight = makeDisplayEdit(area, QStringLiteral("edtAreaHeight"), 1);
    btnSetAreaSize = button(area, QStringLiteral("btnSetAreaSize"), tr("指定..."));
    auto *al = new QGridLayout(area);
    al->addWidget(label(area, tr("横")), 0, 0);
    al->addWidget(edtAreaWidth, 0, 1);
    al->addWidget(label(area, tr("縦")), 0, 2);
    al->addWidget(edtAreaHeight, 0, 3);
    al->addWidget(btnSetAreaSize, 0, 4);

    auto *div = new QGroupBox(tr("ページの分割"), page);
    auto intEdit = [div](const QString &name) {
        TUpdownNumberEdit *e = makeNumberEdit(div, name, 0, 1, 99);
        e->SetValue(1);
        return e;
    };
    edtDivHorz = intEdit(QStringLiteral("edtDivHorz"));
    edtDivVert = intEdit(QStringLiteral("edtDivVert"));
    edtSpaceHorz = makeNumberEdit(div, QStringLiteral("edtSpaceHorz"), 1, -kUnlimitedMM, kUnlimitedMM);
    edtSpaceVert = makeNumberEdit(div, QStringLiteral("edtSpaceVert"), 1, -kUnlimitedMM, kUnlimitedMM);
    auto *dl = new QGridLayout(div);
    dl->addWidget(label(div, tr("横の分割数"), edtDivHorz), 0, 0);
    dl->addWidget(edtDivHorz, 0, 1);
    dl->addWidget(label(div, tr("横の間隔"), edtSpaceHorz), 0, 2);
    dl->addWidget(edtSpaceHorz, 0, 3);
    dl->addWidget(label(div, QStringLiteral("mm")), 0, 4);
    dl->addWidget(label(div, tr("縦の分割数"), edtDivVert), 1, 0);
    dl->addWidget(edtDivVert, 1, 1);
    dl->addWidget(label(div, tr("縦の間隔"), edtSpaceVert), 1, 2);
    dl->addWidget(edtSpaceVert, 1, 3);
    dl->addWidget(label(div, QStringLiteral("mm")), 1, 4);

    auto *font = new QGroupBox(tr("フォント"), page);
    cmbFonts = makeFontNameBox(font, QStringLiteral("cmbFonts"));
    cmbFontSize = makeFontSizeBox(font, QStringLiteral("cmbFontSize"));
    cmbFontColor = new TColorBox(font, QStringLiteral("cmbFontColor"));
    btnSetFont = button(font, QStringLiteral("btnSetFont"), tr("フォントの設定(&F)..."));
    FFontControls = new TFontControls(cmbFonts, cmbFontSize, cmbFontColor, this);
    auto *fl = new QGridLayout(font);
    fl->addWidget(cmbFonts, 0, 0, 1, 2);
    fl->addWidget(cmbFontSize, 0, 2);
    fl->addWidget(cmbFontColor, 1, 0);
    fl->addWidget(btnSetFont, 1, 1, 1, 2);

    auto *l = new QVBoxLayout(page);
    l->addWidget(margins);
    l->addWidget(area);
    l->addWidget(div);
    l->addWidget(font);
    l->addStretch(1);

    for (TUpdownNumberEdit *e : {edtMarginLeft, edtMarginRight, edtMarginTop, edtMarginBottom, edtSpaceHorz, edtSpaceVert}) {
        connect(e, &TNumberEdit::valueChanged, this, &TfrmLayout::recomputeAreaSize);
        connect(e, &QLineEdit::textEdited, this, &TfrmLayout::recomputeAreaSize);
    }
    for (TUpdownNumberEdit *e : {edtDivHorz, edtDivVert}) {
        auto changed = [this] {
            updateEnabling();
            recomputeAreaSize();
        };
        connect(e, &TNumberEdit::valueChanged, this, changed);
        connect(e, &QLineEdit::textEdited, this, changed);
    }
    connect(btnSetAreaSize, &QPushButton::clicked, this, &TfrmLayout::setAreaSize);
    connect(btnSetFont, &QPushButton::clicked, this, [this] {
        FFontControls->ChooseFont(this);
        schedulePreview();
    });
}

void TfrmLayout::buildAreaPage(QWidget *page)
{
    auto *rot = new QGroupBox(tr("写真の向き"), page);
    rdoRotateNone = new QRadioButton(tr("変更なし"), rot);
    rdoRotateNone->setObjectName(QStringLiteral("rdoRotateNone"));
    rdoRotateAuto = new QRadioButton(tr("エリアの向きに合わせる"), rot);
    rdoRotateAuto->setObjectName(QStringLiteral("rdoRotateAuto"));
    rdoRotateAngle = new QRadioButton(tr("指定", "rotation"), rot);
    rdoRotateAngle->setObjectName(QStringLiteral("rdoRotateAngle"));
    cmbRotateAngle = makeComboBox(rot, QStringLiteral("cmbRotateAngle"),
                           {tr("90度"), tr("180度"), tr("270度")});
    auto *rl = new QGridLayout(rot);
    rl->addWidget(rdoRotateNone, 0, 0);
    rl->addWidget(rdoRotateAuto, 0, 1, 1, 2);
    rl->addWidget(rdoRotateAngle, 1, 0);
    rl->addWidget(cmbRotateAngle, 1, 1);

    auto *size = new QGroupBox(tr("写真のサイズ"), page);
    cmbPhotoSize = makeComboBox(size, QStringLiteral("cmbPhotoSize"),
                         {tr("写真全体を印刷する"), tr("エリア全体に印刷する"),
                          tr("エリアより大きく印刷する"), tr("倍率の指定")});
    edtProtrudeWidth = makeNumberEdit(size, QStringLiteral("edtProtrudeWidth"), 1, 0, 10, 0.5);
    edtPhotoScale = makeNumberEdit(size, QStringLiteral("edtPhotoScale"), 2, 10, 1000, 10);
    edtPhotoScale->SetValue(100);
    cmbSizeLimit = makeComboBox(size, QStringLiteral("cmbSizeLimit"),
                         {tr("拡大・縮小を許可"), tr("拡大だけ許可"), tr("縮小だけを許可")});
    auto *sl = new QGridLayout(size);
    sl->addWidget(label(size, tr("印刷方法"), cmbPhotoSize), 0, 0);
    sl->addWidget(cmbPhotoSize, 0, 1);
    sl->addWidget(label(size, tr("エリアからのはみ出し量(mm)"), edtProtrudeWidth), 1, 0);
    sl->addWidget(edtProtrudeWidth, 1, 1);
    sl->addWidget(label(size, tr("倍率(%)"), edtPhotoScale), 2, 0);
    sl->addWidget(edtPhotoScale, 2, 1);
    sl->addWidget(label(size, tr("サイズの制限"), cmbSizeLimit), 3, 0);
    sl->addWidget(cmbSizeLimit, 3, 1);

    auto *align = new QGroupBox(tr("エリア内での位置"), page);
    cmbHorzAlign = makeComboBox(align, QStringLiteral("cmbHorzAlign"), {tr("左"), tr("中央"), tr("右")});
    cmbVertAlign = makeComboBox(align, QStringLiteral("cmbVertAlign"), {tr("上"), tr("中央"), tr("下")});
    auto *al = new QHBoxLayout(align);
    al->addWidget(label(align, tr("横", "position"), cmbHorzAlign));
    al->addWidget(cmbHorzAlign);
    al->addWidget(label(align, tr("縦", "position"), cmbVertAlign));
    al->addWidget(cmbVertAlign);

    auto *border = new QGroupBox(tr("フチの設定"), page);
    chkFrame = new QCheckBox(tr("フチを付ける"), border);
    chkFrame->setObjectName(QStringLiteral("chkFrame"));
    edtBorderWidth = makeNumberEdit(border, QStringLiteral("edtBorderWidth"), 1, 0, 10);
    auto *bl = new QHBoxLayout(border);
    bl->addWidget(chkFrame);
    bl->addWidget(label(border, tr("フチの幅(mm)"), edtBorderWidth));
    bl->addWidget(edtBorderWidth);

    auto *back = new QGroupBox(tr("エリアの枠と背景"), page);
    imgAreaBack = new TBackgroundSample(back, QStringLiteral("imgAreaBack"));
    imgAreaBack->setFixedSize(120, 80);
    btnAreaBackground = button(back, QStringLiteral("btnAreaBackground"), tr("設定(&B)..."));
    chkPrintBackground = new QCheckBox(tr("用紙全体に背景を印刷する"), back);
    chkPrintBackground->setObjectName(QStringLiteral("chkPrintBackground"));
    auto *kl = new QGridLayout(back);
    kl->addWidget(imgAreaBack, 0, 0);
    kl->addWidget(btnAreaBackground, 0, 1, Qt::AlignBottom);
    kl->addWidget(chkPrintBackground, 1, 0, 1, 2);
    kl->setColumnStretch(2, 1);

    // A caption under (or over) every photo in one step: one linked text area
    // per cell; the choice goes back to "なし" once the captions are made.
    auto *caption = new QGroupBox(tr("キャプション"), page);
    caption->setObjectName(QStringLiteral("grpCaption"));
    QStringList sources{tr("なし")};
    sources << tr("ファイル名") << tr("ファイルサイズ") << tr("ファイルの更新日")
            << tr("ファイルの更新時刻") << tr("画像に指定したコメント") << tr("画像のサイズ")
            << tr("(Exif)撮影日") << tr("(Exif)撮影時刻") << tr("(Exif)コメント")
            << tr("(Exif)説明") << tr("ファイルの日付と時刻") << tr("(Exif)撮影した日付と時刻")
            << tr("現在のページ番号");
    cmbCaptionSource = makeComboBox(caption, QStringLiteral("cmbCaptionSource"), sources);
    cmbCaptionPosition = makeComboBox(caption, QStringLiteral("cmbCaptionPosition"),
                                      {tr("写真の下"), tr("写真の上"), tr("写真の内側 (下端)")});
    edtCaptionHeight = makeNumberEdit(caption, QStringLiteral("edtCaptionHeight"), 1, 1, 100, 0.5);
    edtCaptionHeight->SetValue(6);
    cmbCaptionFontSize = makeFontSizeBox(caption, QStringLiteral("cmbCaptionFontSize"));
    cmbCaptionFontSize->insertItem(0, tr("既定"));
    cmbCaptionFontSize->setCurrentIndex(0);
    auto *cl = new QGridLayout(caption);
    cl->addWidget(label(caption, tr("テキスト"), cmbCaptionSource), 0, 0);
    cl->addWidget(cmbCaptionSource, 0, 1);
    cl->addWidget(label(caption, tr("位置"), cmbCaptionPosition), 0, 2);
    cl->addWidget(cmbCaptionPosition, 0, 3);
    cl->addWidget(label(caption, tr("高さ(mm)"), edtCaptionHeight), 1, 0);
    cl->addWidget(edtCaptionHeight, 1, 1);
    cl->addWidget(label(caption, tr("文字サイズ"), cmbCaptionFontSize), 1, 2);
    cl->addWidget(cmbCaptionFontSize, 1, 3);

    auto *l = new QGridLayout(page);
    l->addWidget(rot, 0, 0);
    l->addWidget(align, 1, 0);
    l->addWidget(border, 2, 0);
    l->addWidget(size, 0, 1, 2, 1);
    l->addWidget(back, 2, 1);
    l->addWidget(caption, 3, 0, 1, 2);
    l->setRowStretch(4, 1);
    for (QComboBox *c : {cmbCaptionSource, cmbCaptionPosition, cmbCaptionFontSize}) {
        connect(c, &QComboBox::currentIndexChanged, this, [this] {
            FScratchStale = true;
            updateEnabling();
        });
    }
    connect(edtCaptionHeight, &TNumberEdit::valueChanged, this, [this] {
        FScratchStale = true;
        schedulePreview();
    });

    connect(rdoRotateAngle, &QRadioButton::clicked, this, [this] {
        if (cmbRotateAngle->currentIndex() < 0)
            cmbRotateAngle->setCurrentIndex(0);
        schedulePreview();
    });
    for (QRadioButton *r : {rdoRotateNone, rdoRotateAuto}) {
        connect(r, &QRadioButton::clicked, this, [this] {
            cmbRotateAngle->setCurrentIndex(-1);
            schedulePreview();
        });
    }
    connect(cmbRotateAngle, &QComboBox::activated, this, [this] {
        rdoRotateAngle->setChecked(true);
        schedulePreview();
    });
    connect(cmbPhotoSize, &QComboBox::currentIndexChanged, this, &TfrmLayout::updateEnabling);
    // Typing a width says whether a border is wanted; loading or setting it does not.
    auto borderTyped = [this] {
        if (!FLoading && edtBorderWidth->hasFocus())
            chkFrame->setChecked(TypedValue(edtBorderWidth) > 0);
        schedulePreview();
    };
    connect(edtBorderWidth, &TNumberEdit::valueChanged, this, borderTyped);
    connect(edtBorderWidth, &QLineEdit::textEdited, this, borderTyped);
    for (QComboBox *c : {cmbPhotoSize, cmbSizeLimit, cmbHorzAlign, cmbVertAlign})
        connect(c, &QComboBox::activated, this, &TfrmLayout::schedulePreview);
    connect(chkFrame, &QCheckBox::toggled, this, &TfrmLayout::schedulePreview);
    connect(chkPrintBackground, &QCheckBox::toggled, this, &TfrmLayout::schedulePreview);
    connect(btnAreaBackground, &QPushButton::clicked, this, &TfrmLayout::editBackground);
    connect(imgAreaBack, &TBackgroundSample::doubleClicked, this, &TfrmLayout::editBackground);
}

bool TfrmLayout::hasPrinter() const
{
    return !QvPrint().PrinterNames().isEmpty();
}

bool TfrmLayout::standardList() const
{
    return !hasPrinter() || chkStandardPapers->isChecked();
}

namespace {

const QString kUserSizeName = QStringLiteral("ユーザー定義サイズ");

// The standard entry of a paper: by its name, else by its size in either
// orientation; the last entry (the user-defined size) when none matches.
int standardEntryOf(const TPhotoPaper &paper)
{
    const auto papers = StandardPapers();
    const double w = static_cast<double>(paper.PaperWidth()), h = static_cast<double>(paper.PaperHeight());
    auto near = [](double a, double b) { return std::abs(a - b) < 0.05; };
    auto fits = [&](const TStandardPaper &p) {
        return (near(w, p.width) && near(h, p.height)) || (near(w, p.height) && near(h, p.width));
    };
    // A name whose sheet has another size is not that paper any more.
    const TStandardPaper *named = FindStandardPaper(paper.PaperSizeName());
    if (named && fits(*named))
        return static_cast<int>(named - papers.data());
    if (paper.PaperSizeName() != kUserSizeName) {
        for (size_t i = 0; i < papers.size(); ++i) {
            if (fits(papers[i]))
                return static_cast<int>(i);
        }
    }
    return static_cast<int>(papers.size());
}

} // namespace

void TfrmLayout::standardListToggled()
{
    FLoading = true;
    loadPrinterPaper();
    selectPaperEntry();
    FLoading = false;
    recomputeAreaSize();
}

void TfrmLayout::standardPaperChosen(int index)
{
    FScratchStale = true;
    const auto papers = StandardPapers();
    if (index >= 0 && index < static_cast<int>(papers.size())) {
        const TStandardPaper &p = papers[static_cast<size_t>(index)];
        const bool landscape = FPaper.Orientation() == TQvOrientation::qotLandscape;
        FPaper.SetPaperSize(landscape ? FloatSize(p.height, p.width) : FloatSize(p.width, p.height));
        FPaper.SetPaperSizeNumber(p.number);
        FPaper.SetPaperSizeName(QString::fromUtf16(p.name));
    } else {
        FPaper.SetPaperSizeNumber(kUserPaperSizeNumber);
        FPaper.SetPaperSizeName(kUserSizeName);
    }
    FLoading = true;
    edtPaperWidth->SetValue(static_cast<double>(FPaper.PaperWidth()));
    edtPaperHeight->SetValue(static_cast<double>(FPaper.PaperHeight()));
    setCustomEnabled(index >= static_cast<int>(papers.size()));
    FLoading = false;
    recomputeAreaSize();
}

void TfrmLayout::setCustomEnabled(bool enabled)
{
    edtPaperWidth->setEnabled(enabled);
    edtPaperHeight->setEnabled(enabled);
}

void TfrmLayout::SetPaper(const TPhotoPaper &paper)
{
    FScratchStale = true;
    FSource = &paper;
    FPaper.Assign(paper);
    PaperPrinter().SetPaper(const_cast<TPhotoPaper *>(FSource));
    loadControls();
}

void TfrmLayout::loadPrinterPaper()
{
    TQvPrint &print = QvPrint();
    cmbPaperSize->clear();
    FPaperNumbers.clear();
    // Without a printer the built-in list is the only one; with one, the box
    // switches between the printer's papers and the built-in ones.
    chkStandardPapers->setEnabled(hasPrinter());
    if (!hasPrinter())
        chkStandardPapers->setChecked(true);
    if (standardList()) {
        for (const TStandardPaper &p : StandardPapers()) {
            cmbPaperSize->addItem(StandardPaperCaption(p));
            FPaperNumbers.push_back(p.number);
        }
        cmbPaperSize->addItem(kUserSizeName);
        FPaperNumbers.push_back(kUserPaperSizeNumber);
        return;
    }
    const QStringList names = print.PaperSizeNames();
    cmbPaperSize->addItems(names);
    for (int i = 0; i < names.size(); ++i)
        FPaperNumbers.push_back(print.PaperSizeNumbers(i));
}

void TfrmLayout::selectPaperEntry()
{
    TQvPrint &print = QvPrint();
    if (standardList()) {
        const int entry = standardEntryOf(FPaper);
        cmbPaperSize->setCurrentIndex(entry);
        rdgOrientation->button(static_cast<int>(FPaper.Orientation()))->setChecked(true);
        edtPaperWidth->SetValue(static_cast<double>(FPaper.PaperWidth()));
        edtPaperHeight->SetValue(static_cast<double>(FPaper.PaperHeight()));
        setCustomEnabled(entry == cmbPaperSize->count() - 1);
        return;
    }
    const QStringList names = print.PaperSizeNames();
    const int entry = FindPaperSizeEntry(names, FPaperNumbers, FPaper.PaperSizeName(), FPaper.PaperSizeNumber());
    if (entry >= 0 || !hasPrinter()) {
        cmbPaperSize->setCurrentIndex(entry);
        rdgOrientation->button(static_cast<int>(FPaper.Orientation()))->setChecked(true);
        edtPaperWidth->SetValue(static_cast<double>(FPaper.PaperWidth()));
        edtPaperHeight->SetValue(static_cast<double>(FPaper.PaperHeight()));
        // Without a printer the document's own size is the custom size.
        setCustomEnabled(!hasPrinter() || FPaperNumbers[static_cast<size_t>(entry)] == kUserPaperSizeNumber);
    } else {
        cmbPaperSize->setCurrentIndex(print.PaperSizeIndex());
        rdgOrientation->button(static_cast<int>(print.Orientation()))->setChecked(true);
        edtPaperWidth->SetValue(print.MMPaperWidth());
        edtPaperHeight->SetValue(print.MMPaperHeight());
        setCustomEnabled(print.PaperSizeNumber() == kUserPaperSizeNumber);
    }
}

void TfrmLayout::loadControls()
{
    FLoading = true;
    loadPrinterPaper();
    selectPaperEntry();
    edtCurrentPrinter->setText(hasPrinter() ? QvPrint().CurrentPrinterName() : tr("(なし)"));
    edtMarginLeft->SetValue(static_cast<double>(FPaper.MarginLeft()));
    edtMarginRight->SetValue(static_cast<double>(FPaper.MarginRight()));
    edtMarginTop->SetValue(static_cast<double>(FPaper.MarginTop()));
    edtMarginBottom->SetValue(static_cast<double>(FPaper.MarginBottom()));
    edtDivHorz->SetValue(FPaper.HorzDivide());
    edtDivVert->SetValue(FPaper.VertDivide());
    edtSpaceHorz->SetValue(static_cast<double>(FPaper.Space().cx));
    edtSpaceVert->SetValue(static_cast<double>(FPaper.Space().cy));
    FFontControls->Load(FPaper.Font());
    switch (FPaper.Rotate()) {
    case TPhotoRotate::prNone:
        rdoRotateNone->setChecked(true);
        cmbRotateAngle->setCurrentIndex(-1);
        break;
    case TPhotoRotate::prAuto:
        rdoRotateAuto->setChecked(true);
        cmbRotateAngle->setCurrentIndex(-1);
        break;
    default:
        rdoRotateAngle->setChecked(true);
        cmbRotateAngle->setCurrentIndex(Ord(FPaper.Rotate()) - 2);
        break;
    }
    cmbPhotoSize->setCurrentIndex(Ord(FPaper.PhotoSize()));
    edtProtrudeWidth->SetValue(FPaper.ProtrudeWidth());
    edtPhotoScale->SetValue(FPaper.PhotoScale() * 100);
    cmbSizeLimit->setCurrentIndex(Ord(FPaper.ScaleLimit()));
    cmbHorzAlign->setCurrentIndex(Ord(FPaper.HorizontalAlign()));
    cmbVertAlign->setCurrentIndex(Ord(FPaper.VerticalAlign()));
    chkFrame->setChecked(FPaper.Border());
    edtBorderWidth->SetValue(FPaper.BorderWidth());
    chkPrintBackground->setChecked(FPaper.PrintBackground());
    imgAreaBack->SetBackground(&FPaper.Background());
    FLoading = false;
    updateEnabling();
    recomputeAreaSize();
}

void TfrmLayout::updateEnabling()
{
    edtSpaceHorz->setEnabled(typedDivision(edtDivHorz) > 1);
    edtSpaceVert->setEnabled(typedDivision(edtDivVert) > 1);
    const int size = cmbPhotoSize->currentIndex();
    edtProtrudeWidth->setEnabled(size == Ord(TPhotoSize::psLarge));
    edtPhotoScale->setEnabled(size == Ord(TPhotoSize::psScale));
    const bool caption = cmbCaptionSource->currentIndex() > 0;
    cmbCaptionPosition->setEnabled(caption);
    edtCaptionHeight->setEnabled(caption);
    cmbCaptionFontSize->setEnabled(caption);
    schedulePreview();
}

void TfrmLayout::recomputeAreaSize()
{
    const int h = typedDivision(edtDivHorz);
    const int v = typedDivision(edtDivVert);
    const double w = (TypedValue(edtPaperWidth) - TypedValue(edtMarginLeft) - TypedValue(edtMarginRight) -
                      (h - 1) * TypedValue(edtSpaceHorz)) / h;
    const double hh = (TypedValue(edtPaperHeight) - TypedValue(edtMarginTop) - TypedValue(edtMarginBottom) -
                       (v - 1) * TypedValue(edtSpaceVert)) / v;
    edtAreaWidth->SetValue(w);
    edtAreaHeight->SetValue(hh);
    for (TNumberEdit *e : {edtAreaWidth, edtAreaHeight})
        e->setStyleSheet(e->Value() <= 0 ? QStringLiteral("color: red") : QString());
    schedulePreview();
}

void TfrmLayout::applyTo(TPhotoPaper &paper, bool typed) const
{
    auto value = [typed](const TNumberEdit *e) { return typed ? TypedValue(e) : e->Value(); };
    paper.SetMarginLeft(value(edtMarginLeft));
    paper.SetMarginTop(value(edtMarginTop));
    paper.SetMarginRight(value(edtMarginRight));
    paper.SetMarginBottom(value(edtMarginBottom));
    paper.SetDivide({typedDivision(edtDivHorz), typedDivision(edtDivVert)});
    paper.SetSpace(FloatSize(value(edtSpaceHorz), value(edtSpaceVert)));
    paper.SetFont(FFontControls->Font());
    if (rdoRotateNone->isChecked())
        paper.SetRotate(TPhotoRotate::prNone);
    else if (rdoRotateAuto->isChecked())
        paper.SetRotate(TPhotoRotate::prAuto);
    else if (rdoRotateAngle->isChecked())
        paper.SetRotate(static_cast<TPhotoRotate>(std::max(0, cmbRotateAngle->currentIndex()) + 2));
    paper.SetPhotoSize(static_cast<TPhotoSize>(cmbPhotoSize->currentIndex()));
    paper.SetProtrudeWidth(value(edtProtrudeWidth));
    paper.SetPhotoScale(value(edtPhotoScale) / 100);
    paper.SetScaleLimit(static_cast<TPhotoLimitMode>(cmbSizeLimit->currentIndex()));
    paper.SetHorizontalAlign(static_cast<TPhotoAlign>(cmbHorzAlign->currentIndex()));
    paper.SetVerticalAlign(static_cast<TPhotoAlign>(cmbVertAlign->currentIndex()));
    paper.SetBorder(chkFrame->isChecked());
    paper.SetBorderWidth(value(edtBorderWidth));
    paper.SetPrintBackground(chkPrintBackground->isChecked());
}

bool TfrmLayout::captionSpec(const TPhotoPaper &paper, TCaptionSpec &spec) const
{
    const int source = cmbCaptionSource->currentIndex();
    if (source <= 0)
        return false;
    spec.source = static_cast<TTextSourceType>(source);   // "なし" stands where the fixed text would
    spec.position = static_cast<TCaptionPosition>(std::max(0, cmbCaptionPosition->currentIndex()));
    spec.height = TypedValue(edtCaptionHeight);
    bool ok = false;
    const int size = cmbCaptionFontSize->currentText().trimmed().toInt(&ok);
    spec.parentFont = !(ok && size >= TFontControls::kMinFontSize && size <= TFontControls::kMaxFontSize);
    if (!spec.parentFont) {
        spec.font = paper.Font();
        spec.font.SetSize(size);
    }
    return true;
}

int TfrmLayout::typedDivision(const TNumberEdit *edit)
{
    return std::clamp(static_cast<int>(std::lround(TypedValue(edit))), 1, 99);
}

void TfrmLayout::ApplyControls()
{
    FScratchStale = true;
    // Text still being typed counts, as it would once the edit is left.
    CommitNumberEdits(this);
    applyTo(FPaper, false);
    TCaptionSpec caption;
    if (captionSpec(FPaper, caption)) {
        if (ApplyCaptions(FPaper, caption)) {
            // Made once; choosing a caption again adds another.
            FLoading = true;
            cmbCaptionSource->setCurrentIndex(0);
            FLoading = false;
            loadControls();
        } else {
            ShowError(this, tr("キャプションの高さが大きすぎて写真エリアに収まりません。"));
        }
    }
}

void TfrmLayout::schedulePreview()
{
    if (FPreviewPending)
        return;
    FPreviewPending = true;
    QTimer::singleShot(0, this, &TfrmLayout::refreshPreview);
}

void TfrmLayout::refreshPreview()
{
    FPreviewPending = false;
    // Copying a large grid costs more than the drawing; only when FPaper changed.
    if (FScratchStale) {
        FScratch.Assign(FPaper);
        FScratchStale = false;
    }
    FScratch.SetPaperSize(FloatSize(TypedValue(edtPaperWidth), TypedValue(edtPaperHeight)));
    applyTo(FScratch, true);
    TCaptionSpec caption;
    if (captionSpec(FScratch, caption)) {
        // Shown as it will be made; the scratch copy is taken afresh next time.
        ApplyCaptions(FScratch, caption);
        FScratchStale = true;
    }
    imgLayout->update();
}

// --- printer actions ---

void TfrmLayout::paperSizeChosen(int index)
{
    if (standardList()) {
        // A built-in paper is the document's own; the printer is not asked.
        standardPaperChosen(index);
        return;
    }
    FScratchStale = true;
    TQvPrint &print = QvPrint();
    FPrinterTouched = true;
    try {
        print.SetPaperSizeIndex(index);
        print.ApplySettings();
        FPaper.AdjustPaper();
    } catch (const std::exception &e) {
        ShowError(this, QString::fromUtf8(e.what()));
    }
    // Whatever happened, the controls show what the printer really has.
    FLoading = true;
    cmbPaperSize->setCurrentIndex(print.PaperSizeIndex());
    edtPaperWidth->SetValue(print.MMPaperWidth());
    edtPaperHeight->SetValue(print.MMPaperHeight());
    rdgOrientation->button(static_cast<int>(print.Orientation()))->setChecked(true);
    setCustomEnabled(print.PaperSizeNumber() == kUserPaperSizeNumber);
    FLoading = false;
    recomputeAreaSize();
}

void TfrmLayout::orientationChosen(int id)
{
    FScratchStale = true;
    TQvPrint &print = QvPrint();
    const auto wanted = static_cast<TQvOrientation>(id);
    if (standardList()) {
        // The document's own paper turns.
        FPaper.SetOrientation(wanted);
    } else {
        FPrinterTouched = true;
        try {
            if (!print.TrySetOrientation(wanted))
                ShowError(this, tr("このプリンタでは用紙の向きを変更できません。"));
            print.ApplySettings();
            FPaper.SetOrientation(print.Orientation());
            FPaper.SetPaperSize(FloatSize(print.MMPaperWidth(), print.MMPaperHeight()));
        } catch (const std::exception &e) {
            ShowError(this, QString::fromUtf8(e.what()));
        }
    }
    FLoading = true;
    rdgOrientation->button(static_cast<int>(FPaper.Orientation()))->setChecked(true);
    edtPaperWidth->SetValue(static_cast<double>(FPaper.PaperWidth()));
    edtPaperHeight->SetValue(static_cast<double>(FPaper.PaperHeight()));
    FLoading = false;
    recomputeAreaSize();
}

void TfrmLayout::customSizeLeft()
{
    if (FLoading || !edtPaperWidth->isEnabled())
        return;
    const double w = CommittedValue(edtPaperWidth);
    const double h = CommittedValue(edtPaperHeight);
    if (w == static_cast<double>(FPaper.PaperWidth()) && h == static_cast<double>(FPaper.PaperHeight()))
        return;
    // A size outside the limits stays red in its edit and is refused on OK.
    if (!PaperSizeAllowed(w, h) || !edtPaperWidth->IsValid() || !edtPaperHeight->IsValid())
        return;
    FPaper.SetPaperSize(FloatSize(w, h));
    FScratchStale = true;
    if (standardList()) {
        // No printer names the typed size, so the old name ("A4") would stay
        // on a sheet that is no longer A4: call it what a printer's list calls
        // a user-defined size.
        FPaper.SetPaperSizeNumber(kUserPaperSizeNumber);
        FPaper.SetPaperSizeName(kUserSizeName);
        return;
    }
    FPrinterTouched = true;
    try {
        PaperPrinter().SetPaper(&FPaper);
        PaperPrinter().AdjustPrinter();
    } catch (const std::exception &e) {
        ShowError(this, QString::fromUtf8(e.what()));
    }
}

void TfrmLayout::changePrinter()
{
    FScratchStale = true;
    if (!hasPrinter()) {
        ShowError(this, noPrinterText());
        return;
    }
    FPrinterTouched = true;
    bool ok = false;
    try {
        ok = printerSetupFunc() ? printerSetupFunc()(this) : ExecuteSystemPrinterSetup(this);
    } catch (const std::exception &e) {
        ShowError(this, QString::fromUtf8(e.what()));
    }
    if (!ok)
        return;
    TQvPrint &print = QvPrint();
    try {
        FPaper.AdjustPaper();
    } catch (const std::exception &e) {
        ShowError(this, QString::fromUtf8(e.what()));
    }
    FLoading = true;
    // The paper now comes from the new printer's list.
    chkStandardPapers->setChecked(false);
    edtCurrentPrinter->setText(print.CurrentPrinterName());
    FPaper.SetPrinterName(print.CurrentPrinterName());
    loadPrinterPaper();
    rdgOrientation->button(static_cast<int>(print.Orientation()))->setChecked(true);
    cmbPaperSize->setCurrentIndex(print.PaperSizeIndex());
    edtPaperWidth->SetValue(print.MMPaperWidth());
    edtPaperHeight->SetValue(print.MMPaperHeight());
    setCustomEnabled(print.PaperSizeNumber() == kUserPaperSizeNumber);
    FLoading = false;
    recomputeAreaSize();
}

void TfrmLayout::adjustPaper()
{
    FScratchStale = true;
    if (!hasPrinter()) {
        ShowError(this, noPrinterText());
        return;
    }
    if (!AskYesNo(this, tr("確認"), tr("用紙サイズをプリンタに合わせますか？")))
        return;
    try {
        FPaper.AdjustPaper();
    } catch (const std::exception &e) {
        ShowError(this, QString::fromUtf8(e.what()));
    }
    FLoading = true;
    chkStandardPapers->setChecked(false);
    loadPrinterPaper();
    cmbPaperSize->setCurrentIndex(QvPrint().PaperSizeIndex());
    rdgOrientation->button(static_cast<int>(FPaper.Orientation()))->setChecked(true);
    edtPaperWidth->SetValue(static_cast<double>(FPaper.PaperWidth()));
    edtPaperHeight->SetValue(static_cast<double>(FPaper.PaperHeight()));
    setCustomEnabled(FPaper.PaperSizeNumber() == kUserPaperSizeNumber);
    FLoading = false;
    recomputeAreaSize();
}

// --- sub-dialogs ---

void TfrmLayout::setAreaSize()
{
    FScratchStale = true;
    // The calculator works on FPaper; unapplied divisions would contradict it.
    ApplyControls();
    TfrmAreaSize dialog(FPaper, this, FIni);
    if (dialog.exec() != QDialog::Accepted)
        return;
    FLoading = true;
    edtMarginLeft->SetValue(static_cast<double>(FPaper.MarginLeft()));
    edtMarginRight->SetValue(static_cast<double>(FPaper.MarginRight()));
    edtMarginTop->SetValue(static_cast<double>(FPaper.MarginTop()));
    edtMarginBottom->SetValue(static_cast<double>(FPaper.MarginBottom()));
    edtSpaceHorz->SetValue(static_cast<double>(FPaper.Space().cx));
    edtSpaceVert->SetValue(static_cast<double>(FPaper.Space().cy));
    FLoading = false;
    recomputeAreaSize();
}

void TfrmLayout::editBackground()
{
    FScratchStale = true;
    TfrmBackground dialog(this, FIni);
    dialog.SetBackground(&FPaper.Background());
    dialog.exec();
    imgAreaBack->Refresh();
    schedulePreview();
}

void TfrmLayout::areaSettings()
{
    FScratchStale = true;
    ApplyControls();
    TfrmSelArea dialog(this, FIni);
    dialog.SetSelectionMode(TSelectionMode::smSetting);
    dialog.SetPaper(&FPaper);
    dialog.exec();
    schedulePreview();
}

void TfrmLayout::designer()
{
    // The designer edits this dialog's copy; OK or Cancel here decides.
    ApplyControls();
    ExecuteDesigner(this, FPaper, FIni);
    FScratchStale = true;
    schedulePreview();
}

void TfrmLayout::accept()
{
    CommitNumberEdits(this);
    if (!CheckNumberEdits(this) || !FFontControls->CheckSize(this))
        return;
    recomputeAreaSize();
    {
        TCaptionSpec caption;
        if (captionSpec(FPaper, caption)) {
            FScratch.Assign(FPaper);
            applyTo(FScratch, false);
            FScratchStale = true;
            if (!CaptionFits(FScratch, caption)) {
                ShowError(this, tr("キャプションの高さが大きすぎて写真エリアに収まりません。"));
                return;
            }
        }
    }
    if (edtAreaWidth->Value() <= 0 || edtAreaHeight->Value() <= 0) {
        ShowError(this, tr("写真エリアのサイズが 0 以下になります。余白、分割数、間隔を見直してください。"));
        return;
    }
    ApplyControls();
    QDialog::accept();
}

void TfrmLayout::done(int result)
{
    TFormPlacement(this, FIni).Save();
    TPaperPrinter &binder = PaperPrinter();
    binder.SetPaper(FSource ? const_cast<TPhotoPaper *>(FSource) : FPreviousBinding);
    if (result != QDialog::Accepted && FSource && FPrinterTouched) {
        // The printer follows the document again.
        try {
            binder.AdjustPrinter();
        } catch (const std::exception &e) {
            ShowError(this, QString::fromUtf8(e.what()));
        }
    }
    QDialog::done(result);
}

bool ExecuteLayout(TPhotoPaper &paper, QWidget *parent, TExtIniFile *ini)
{
    TfrmLayout dialog(parent, ini);
    dialog.SetPaper(paper);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    paper.Assign(dialog.Paper());
    return true;
}

} // namespace vellora
