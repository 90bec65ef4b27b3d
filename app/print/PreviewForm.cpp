#include "app/print/PreviewForm.h"

#include "app/FormSettings.h"
#include "app/controls/NumberEdit.h"
#include "app/controls/QvTaskDialog.h"
#include "app/print/PageMaker.h"
#include "model/PhotoPaper.h"
#include "print/DevicePrint.h"
#include "print/QvPrint.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QScrollBar>
#include <QStyle>
#include <QStatusBar>
#include <QSignalBlocker>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace vellora {

namespace {

// How many display-size pages stay made, and in how much memory at least.
constexpr std::size_t kKeptPages = 6;
constexpr qint64 kKeptBytes = 64 * 1024 * 1024;

QColor fromColorValue(std::uint32_t c)
{
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

} // namespace

TfrmPrev::TfrmPrev(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPrev"));
    setWindowTitle(tr("印刷プレビュー"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    resize(720, 640);
    makeActions();

    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("tbrMain"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addAction(actPrint);
    bar->addAction(actQuickPrint);
    bar->addSeparator();
    bar->addAction(actShowUp);
    bar->addAction(actShowDown);
    cmbShowRate = new QComboBox(bar);
    cmbShowRate->setObjectName(QStringLiteral("cmbShowRate"));
    cmbShowRate->setEditable(true);
    cmbShowRate->setInsertPolicy(QComboBox::NoInsert);
    cmbShowRate->addItems({QStringLiteral("200%"), QStringLiteral("150%"), QStringLiteral("100%"),
                           QStringLiteral("80%"), QStringLiteral("50%"), QStringLiteral("20%")});
    cmbShowRate->setMinimumContentsLength(5);
    bar->addWidget(cmbShowRate);
    bar->addAction(actShowSame);
    bar->addAction(actShowWidth);
    bar->addAction(actShowAll);
    // Pages, guide and close on a second row, so that nothing overflows.
    auto *pages = new QToolBar(this);
    pages->setObjectName(QStringLiteral("tbrPages"));
    pages->setToolButtonStyle(Qt::ToolButtonTextOnly);
    pages->addAction(actPageFirst);
    pages->addAction(actPagePrior);
    edtPage = new TNumberEdit(pages);
    edtPage->setObjectName(QStringLiteral("edtPage"));
    edtPage->SetLimit(true);
    edtPage->SetMin(0);
    edtPage->SetMax(0);
    edtPage->setFixedWidth(48);
    pages->addWidget(edtPage);
    lblMaxPage = new QLabel(tr("/ ページなし"), pages);
    lblMaxPage->setObjectName(QStringLiteral("lblMaxPage"));
    pages->addWidget(lblMaxPage);
    pages->addAction(actPageNext);
    pages->addAction(actPageLast);
    pages->addSeparator();
    pages->addAction(actGuide);
    pages->addAction(actSoftProof);
    pages->addAction(actGamutWarning);
    pages->addAction(actClose);

    scbPreview = new TZoomPanView(this);
    scbPreview->setObjectName(QStringLiteral("scbPreview"));
    scbPreview->SetBackColor(FBackColor);

    stbStatus = new QStatusBar(this);
    stbStatus->setObjectName(QStringLiteral("stbStatus"));
    stbStatus->setSizeGripEnabled(false);
    lblPaper = new QLabel(stbStatus);
    lblPrinter = new QLabel(stbStatus);
    lblStatus = new QLabel(stbStatus);
    stbStatus->addWidget(lblPaper, 2);
    stbStatus->addWidget(lblPrinter, 2);
    stbStatus->addWidget(lblStatus, 3);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(pages);
    layout->addWidget(scbPreview, 1);
    layout->addWidget(stbStatus);

    // Centred over the view while a page is made.
    pnlProgress = new QFrame(this);
    pnlProgress->setObjectName(QStringLiteral("pnlProgress"));
    pnlProgress->setFrameShape(QFrame::StyledPanel);
    pnlProgress->setAutoFillBackground(true);
    auto *pl = new QVBoxLayout(pnlProgress);
    lblPrompt = new QLabel(tr("準備しています"), pnlProgress);
    lblPrompt->setObjectName(QStringLiteral("lblPrompt"));
    pbrMake = new QProgressBar(pnlProgress);
    pbrMake->setObjectName(QStringLiteral("pbrMake"));
    pbrMake->setTextVisible(false);
    pl->addWidget(lblPrompt);
    pl->addWidget(pbrMake);
    pnlProgress->resize(260, 64);
    pnlProgress->hide();

    FMaker = new TPageMaker(this);
    connect(FMaker, &TPageMaker::pageMade, this, &TfrmPrev::pageMade);

    // Enter applies the box as it reads. Leaving the box, and the box's own
    // echo of that (it selects the item matching the text and reports it as
    // chosen), apply only what was typed or picked: the rate a fit wrote
    // there must not end the fitting.
    connect(cmbShowRate, &QComboBox::activated, this, [this](int) {
        if (!rateTextUntouched())
            applyRateText();
    });
    connect(cmbShowRate->lineEdit(), &QLineEdit::returnPressed, this, [this] { applyRateText(); });
    connect(cmbShowRate->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        if (!rateTextUntouched())
            applyRateText();
    });
    connect(edtPage, &TNumberEdit::valueChanged, this, [this](double value) {
        if (FPageMax >= 0 && static_cast<int>(value) - 1 != FPage)
            GoToPage(static_cast<int>(value) - 1);
    });
    connect(scbPreview, &TZoomPanView::zoomRequested, this, [this](int steps) {
        setRateInternal(FShowRate + 20 * steps, TPageFitMode::pfmNoFit);
    });

    // Without a printer the preview shows the export's pages; printing is not possible.
    if (QvPrint().PrinterNames().isEmpty()) {
        const QString why = tr("プリンタがインストールされていないため、印刷できません。");
        for (QAction *a : {actPrint, actQuickPrint}) {
            a->setEnabled(false);
            a->setToolTip(why);
            a->setStatusTip(why);
        }
    }
    updateStatus();
}

TfrmPrev::~TfrmPrev()
{
    // Edits that lose focus while the window goes would call back into it.
    FMaker->disconnect(this);
    cmbShowRate->lineEdit()->disconnect(this);
    cmbShowRate->disconnect(this);
    edtPage->disconnect(this);
}

void TfrmPrev::makeActions()
{
    auto make = [this](QAction *&a, const char *name, const QString &caption, const QString &hint,
                       const QKeySequence &key) {
        a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(hint);
        a->setStatusTip(hint);
        if (!key.isEmpty())
            a->setShortcut(key);
        addAction(a);
    };
    make(actPrint, "actPrint", tr("印刷"), tr("印刷"), QKeySequence(Qt::CTRL | Qt::Key_P));
    make(actQuickPrint, "actQuickPrint", tr("クイック印刷"), tr("すぐに印刷"),
         QKeySequence(Qt::CTRL | Qt::Key_Q));
    make(actGuide, "actGuide", tr("ガイド表示"), tr("ガイド表示"), QKeySequence(Qt::CTRL | Qt::Key_G));
    make(actClose, "actClose", tr("閉じる"), tr("閉じる"), {});
    make(actShowUp, "actShowUp", tr("拡大"), tr("拡大"), QKeySequence(Qt::Key_F3));
    make(actShowDown, "actShowDown", tr("縮小"), tr("縮小"), QKeySequence(Qt::CTRL | Qt::Key_F3));
    make(actShowSame, "actShowSame", tr("等倍"), tr("等倍"), QKeySequence(Qt::Key_F4));
    make(actShowWidth, "actShowWidth", tr("幅に合わせる"), tr("幅に合わせる"), {});
    make(actShowAll, "actShowAll", tr("全体"), tr("全体"), {});
    make(actPageFirst, "actPageFirst", tr("先頭ページ"), tr("先頭ページ"), QKeySequence(Qt::CTRL | Qt::Key_F));
    make(actPagePrior, "actPagePrior", tr("前ページ"), tr("前ページ"), QKeySequence(Qt::CTRL | Qt::Key_B));
    make(actPageNext, "actPageNext", tr("次ページ"), tr("次ページ"), QKeySequence(Qt::CTRL | Qt::Key_N));
    make(actPageLast, "actPageLast", tr("最終ページ"), tr("最終ページ"), QKeySequence(Qt::CTRL | Qt::Key_L));
    actGuide->setCheckable(true);
    actGuide->setChecked(true);
    make(actSoftProof, "actSoftProof", tr("ソフトプルーフ"), tr("プリンタのカラープロファイルで印刷結果を再現"), QKeySequence());
    actSoftProof->setCheckable(true);
    make(actGamutWarning, "actGamutWarning", tr("色域外を表示"), tr("プリンタで再現できない色を灰色で表示"), QKeySequence());
    actGamutWarning->setCheckable(true);
    actGamutWarning->setEnabled(false);
    connect(actSoftProof, &QAction::toggled, this, [this] { updateProof(); });
    connect(actGamutWarning, &QAction::toggled, this, [this] { updateProof(); });

    connect(actPrint, &QAction::triggered, this, [this] { done(kPreviewPrint); });
    connect(actQuickPrint, &QAction::triggered, this, [this] { done(kPreviewQuickPrint); });
    connect(actClose, &QAction::triggered, this, [this] { reject(); });
    connect(actGuide, &QAction::toggled, this, [this](bool on) {
        FGuide = on;
        if (FPrinting)
            showPage();
    });
    connect(actShowUp, &QAction::triggered, this, [this] {
        const int rate = FShowRate + 20;
        setRateInternal(rate > 200 ? 100 : rate, TPageFitMode::pfmNoFit);
    });
    connect(actShowDown, &QAction::triggered, this, [this] { setRateInternal(FShowRate - 20, TPageFitMode::pfmNoFit); });
    connect(actShowSame, &QAction::triggered, this, [this] { setRateInternal(100, TPageFitMode::pfmNoFit); });
    connect(actShowWidth, &QAction::triggered, this, [this] { SetFitMode(TPageFitMode::pfmFit); });
    connect(actShowAll, &QAction::triggered, this, [this] { SetFitMode(TPageFitMode::pfmFitProportional); });
    connect(actPageFirst, &QAction::triggered, this, [this] { GoToPage(0); });
    connect(actPagePrior, &QAction::triggered, this, [this] { GoToPage(FPage - 1); });
    connect(actPageNext, &QAction::triggered, this, [this] { GoToPage(FPage + 1); });
    connect(actPageLast, &QAction::triggered, this, [this] { GoToPage(FPageMax); });
}

void TfrmPrev::SetPaper(TPhotoPaper *paper)
{
    FPaper = paper;
    FPages.clear();
    FMaker->SetPaper(nullptr);
    FReady = false;
    FPrinting = false;
    FPage = 0;
    FPageMax = paper ? CountPages(*paper, paper->PrintOptions()) - 1 : -1;
    FHasGeometry = false;
    if (paper) {
        FGeometry = ExportPageGeometry(*paper);
        FHasGeometry = true;
    }
    updateStatus();
    updatePageEdit();
}

TImageListItems *TfrmPrev::Images() const
{
    return FPaper ? FPaper->Infos() : nullptr;
}

double TfrmPrev::screenPpi() const
{
    return logicalDpiY() > 0 ? logicalDpiY() : 96.0;
}

double TfrmPrev::devicePixelRatioF2() const
{
    return devicePixelRatioF() > 0 ? devicePixelRatioF() : 1.0;
}

void TfrmPrev::updateStatus()
{
    TQvPrint &print = QvPrint();
    const bool hasPrinter = !print.PrinterNames().isEmpty();
    double w = 0, h = 0;
    if (FHasGeometry) {
        w = FGeometry.paperWidth;
        h = FGeometry.paperHeight;
    } else if (hasPrinter) {
        w = print.MMPaperWidth();
        h = print.MMPaperHeight();
    }
    const QString size = QString::asprintf("%.1f×%.1fmm", w, h);
    lblPaper->setText(hasPrinter && print.HasPaperNames()
                          ? QStringLiteral("%1 [%2]").arg(print.CurrentPaperName(), size)
                          : size);
    lblPrinter->setText(hasPrinter ? print.CurrentPrinterName() : tr("(プリンタなし)"));
}

void TfrmPrev::updatePageEdit()
{
    const QSignalBlocker block(edtPage);
    if (FPageMax < 0) {
        FPage = 0;
        lblMaxPage->setText(tr("/ ページなし"));
        edtPage->SetMin(0);
        edtPage->SetMax(0);
        edtPage->SetValue(0);
    } else {
        lblMaxPage->setText(QStringLiteral("/ %1").arg(FPageMax + 1));
        edtPage->SetMin(1);
        edtPage->SetMax(FPageMax + 1);
        edtPage->SetValue(FPage + 1);
    }
}

void TfrmPrev::SetTitle(const QString &title)
{
    FTitle = title;
    setWindowTitle(title.isEmpty() ? tr("印刷プレビュー") : tr("印刷プレビュー - ") + title);
}

QString TfrmPrev::StatusText() const { return lblStatus->text(); }
void TfrmPrev::SetStatusText(const QString &text) { lblStatus->setText(text); }
QString TfrmPrev::Prompt() const { return lblPrompt->text(); }
void TfrmPrev::SetPrompt(const QString &text) { lblPrompt->setText(text); }
int TfrmPrev::ProgressMin() const { return pbrMake->minimum(); }
int TfrmPrev::ProgressMax() const { return pbrMake->maximum(); }
int TfrmPrev::ProgressPos() const { return pbrMake->value(); }
void TfrmPrev::StepIt() { pbrMake->setValue(std::min(pbrMake->value() + 1, pbrMake->maximum())); }

#define VELLORA_REDRAW()      \
    do {                      \
        if (FPrinting)        \
            showPage();       \
    } while (0)

void TfrmPrev::SetBackColor(const QColor &color) { FBackColor = color; scbPreview->SetBackColor(color); VELLORA_REDRAW(); }
void TfrmPrev::SetGuideColor(const QColor &color) { FGuideColor = color; VELLORA_REDRAW(); }
void TfrmPrev::SetMargin(int value) { FMargin = std::max(0, value); VELLORA_REDRAW(); }
void TfrmPrev::SetPaperColor(const QColor &color) { FPaperColor = color; VELLORA_REDRAW(); }
void TfrmPrev::SetShadowColor(std::uint32_t color) { FShadowColor = color; VELLORA_REDRAW(); }

void TfrmPrev::SetShowRate(int rate)
{
    setRateInternal(rate, TPageFitMode::pfmNoFit);
}

void TfrmPrev::setRateInternal(int rate, TPageFitMode mode)
{
    FFitMode = mode;
    FShowRate = std::clamp(rate, 20, 200);
    cmbShowRate->setEditText(QStringLiteral("%1%").arg(FShowRate));
    VELLORA_REDRAW();
}

void TfrmPrev::SetFitMode(TPageFitMode mode)
{
    FFitMode = mode;
    refit();
}

void TfrmPrev::refit()
{
    if (FFitMode == TPageFitMode::pfmFit)
        setRateInternal(FitWidthRate(), TPageFitMode::pfmFit);
    else if (FFitMode == TPageFitMode::pfmFitProportional)
        setRateInternal(FitAllRate(), TPageFitMode::pfmFitProportional);
}

bool TfrmPrev::rateTextUntouched() const
{
    return !cmbShowRate->lineEdit()->isModified() && cmbShowRate->currentText() == QStringLiteral("%1%").arg(FShowRate);
}

void TfrmPrev::applyRateText()
{
    QString text = cmbShowRate->currentText().trimmed();
    if (const qsizetype percent = text.indexOf(QLatin1Char('%')); percent >= 0)
        text = text.left(percent).trimmed();
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok) {
        cmbShowRate->setEditText(QStringLiteral("%1%").arg(FShowRate));
        return;
    }
    const int rate = std::clamp(value, 20, 200);
    if (rate != FShowRate || FFitMode != TPageFitMode::pfmNoFit)
        setRateInternal(rate, TPageFitMode::pfmNoFit);
    else
        cmbShowRate->setEditText(QStringLiteral("%1%").arg(FShowRate));
}

// The paper at 100 % in screen pixels.
static QSizeF paperAt100(const TPageGeometry &g, double ppi)
{
    return {g.paperWidth / 25.4 * ppi, g.paperHeight / 25.4 * ppi};
}

// The picture around the page: the margin on each side, the shadow and the
// outline's last row and column.
int TfrmPrev::pictureExtra() const
{
    return 2 * FMargin + 2;
}

int TfrmPrev::FitWidthRate() const
{
    if (!FHasGeometry)
        return 100;
    const QScrollBar *v = scbPreview->verticalScrollBar();
    const QScrollBar *h = scbPreview->horizontalScrollBar();
    const int cw = scbPreview->viewport()->width() + (v->isVisible() ? v->width() : 0);
    const int ch = scbPreview->viewport()->height() + (h->isVisible() ? h->height() : 0);
    const QSizeF page = paperAt100(FGeometry, screenPpi());
    auto rateFor = [&](int width) { return static_cast<int>(std::floor(100.0 * (width - pictureExtra()) / page.width())); };
    int rate = rateFor(cw);
    // A page taller than the view brings the vertical scroll bar, which
    // takes its width from the page: fitting the whole width would then
    // hide the page's right edge behind a horizontal scroll bar.
    if (page.height() * rate / 100.0 + pictureExtra() > ch)
        rate = rateFor(cw - scbPreview->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, v));
    return std::clamp(rate, 20, 200);
}

int TfrmPrev::FitAllRate() const
{
    if (!FHasGeometry)
        return 100;
    const QScrollBar *v = scbPreview->verticalScrollBar();
    const QScrollBar *h = scbPreview->horizontalScrollBar();
    const int cw = scbPreview->viewport()->width() + (v->isVisible() ? v->width() : 0);
    const int ch = scbPreview->viewport()->height() + (h->isVisible() ? h->height() : 0);
    // The margin and the shadow are part of what must be seen.
    const QSizeF page = paperAt100(FGeometry, screenPpi());
    const double rate =
        100.0 * std::min((cw - pictureExtra()) / page.width(), (ch - pictureExtra()) / page.height());
    return std::clamp(static_cast<int>(std::floor(rate)), 20, 200);
}

void TfrmPrev::GoToPage(int page)
{
    if (FPageMax < 0)
        return;
    FPage = std::clamp(page, 0, FPageMax);
    updatePageEdit();
    showPage();
}

TPageGeometry TfrmPrev::displayGeometry(QSize *paper, QRect *printable) const
{
    const double mmToPx = screenPpi() * FShowRate / (100.0 * 25.4);
    *paper = QSize(static_cast<int>(std::lround(FGeometry.paperWidth * mmToPx)),
                   static_cast<int>(std::lround(FGeometry.paperHeight * mmToPx)));
    *printable = QRect(static_cast<int>(std::lround(FGeometry.left * mmToPx)),
                       static_cast<int>(std::lround(FGeometry.top * mmToPx)),
                       static_cast<int>(std::lround((FGeometry.paperWidth - FGeometry.left - FGeometry.right) * mmToPx)),
                       static_cast<int>(std::lround((FGeometry.paperHeight - FGeometry.top - FGeometry.bottom) * mmToPx)));
    // Display pixels per export pixel, the screen's pixel ratio included.
    const double scale = mmToPx * devicePixelRatioF2() * 25.4 / FGeometry.dpiY;
    return ScaledPageGeometry(FGeometry, scale);
}

const TfrmPrev::MadePage *TfrmPrev::findPage(int page, QSize size)
{
    for (auto it = FPages.begin(); it != FPages.end(); ++it) {
        if (it->page == page && it->image.size() == size) {
            FPages.splice(FPages.begin(), FPages, it);
            return &FPages.front();
        }
    }
    return nullptr;
}

// The finest copy of the page made for another zoom, shown scaled meanwhile.
const TfrmPrev::MadePage *TfrmPrev::standIn(int page) const
{
    const MadePage *best = nullptr;
    for (const MadePage &made : FPages) {
        if (made.page == page && (!best || made.image.width() > best->image.width()))
            best = &made;
    }
    return best;
}

qint64 TfrmPrev::KeptBytes() const
{
    qint64 bytes = 0;
    for (const MadePage &made : FPages)
        bytes += made.image.sizeInBytes();
    return bytes;
}

void TfrmPrev::keep(int page, const QImage &image)
{
    for (auto it = FPages.begin(); it != FPages.end(); ++it) {
        if (it->page == page && it->image.size() == image.size()) {
            FPages.erase(it);
            break;
        }
    }
    FPages.push_front({page, image});
    // A few pages, and no more memory than three pages of the current zoom
    // or kKeptBytes, whichever is more; the page shown always stays.
    const qint64 budget = std::max<qint64>(kKeptBytes, 3 * qint64(FWanted.width()) * FWanted.height() * 4);
    auto isShown = [this](const MadePage &m) { return m.page == FPage && m.image.size() == FWanted; };
    while (FPages.size() > kKeptPages || KeptBytes() > budget) {
        auto victim = std::find_if_not(FPages.rbegin(), FPages.rend(), isShown);
        if (victim == FPages.rend())
            break;
        FPages.erase(std::next(victim).base());
    }
}

void TfrmPrev::showProgress(bool on)
{
    if (!on || !FVisibleProgress) {
        pnlProgress->hide();
        return;
    }
    lblPrompt->setText(tr("準備しています"));
    pbrMake->setRange(0, 1);
    pbrMake->setValue(0);
    pnlProgress->move((width() - pnlProgress->width()) / 2, (height() - pnlProgress->height()) / 2);
    pnlProgress->show();
    pnlProgress->raise();
}

void TfrmPrev::requestAhead(const TPageGeometry &g)
{
    const QSize size(g.widthPx, g.heightPx);
    for (int page : {FPage + 1, FPage - 1}) {
        if (page < 0 || page > FPageMax)
            continue;
        bool kept = false;
        for (const MadePage &made : FPages)
            kept = kept || (made.page == page && made.image.size() == size);
        if (!kept)
            FMaker->Request(page + 1, g, false);
    }
}

void TfrmPrev::showPage()
{
    if (FPage > FPageMax || !FPaper || !FHasGeometry) {
        FReady = false;
        showProgress(false);
        FShown = QImage();
        scbPreview->SetPicture(FShown);
        ShowErrorBox(tr("印刷するページがありません"),
                     tr("印刷データが存在しないため、プレビューを表示できません。"));
        return;
    }
    if (!FPrinting) {
        PreparePages(*FPaper, FPaper->PrintOptions());
        FMaker->SetPaper(FPaper);
        FPrinting = true;
    }
    QSize paper;
    QRect pageRect;
    const TPageGeometry g = displayGeometry(&paper, &pageRect);
    FWanted = QSize(g.widthPx, g.heightPx);
    if (const MadePage *made = findPage(FPage, FWanted)) {
        FReady = true;
        showProgress(false);
        compose(&made->image, paper, pageRect);
        requestAhead(g);
        emit pageShown(FPage);
        return;
    }
    // Not made yet: the helper makes it while the window shows what it has.
    FReady = false;
    const MadePage *stand = standIn(FPage);
    compose(stand ? &stand->image : nullptr, paper, pageRect);
    showProgress(stand == nullptr);
    FMaker->Request(FPage + 1, g, true);
}

void TfrmPrev::pageMade(int page, QSize size, const QImage &image, const QString &error)
{
    const bool wanted = page == FPage + 1 && size == FWanted;
    if (!error.isEmpty()) {
        if (wanted && !FReady) {
            showProgress(false);
            ShowErrorBox(tr("ページを作成できません"), error);
        }
        return;
    }
    ++FPagesMade;
    keep(page - 1, image);
    // The page itself, or a better stand-in while it is made at this zoom.
    if (page == FPage + 1 && !FReady)
        showPage();
}

void TfrmPrev::updateProof()
{
    FProof.reset();
    actGamutWarning->setEnabled(actSoftProof->isChecked());
    if (actSoftProof->isChecked()) {
        const TPrinterColor printer = PrinterColorFor(QvPrint().CurrentPrinterName());
        QString problem;
        FProof = SoftProofTransform(printer, actGamutWarning->isChecked(), &problem);
        if (!FProof) {
            const QSignalBlocker block(actSoftProof);
            actSoftProof->setChecked(false);
            actGamutWarning->setEnabled(false);
            ShowErrorBox(tr("ソフトプルーフを表示できません"),
                         printer.IsNone() ? tr("プリンタのカラープロファイルが設定されていません。プリンタの設定で選んでください。")
                                          : problem);
        }
    }
    if (FPrinting)
        showPage();
}

void TfrmPrev::compose(const QImage *made, const QSize &paper, const QRect &pageRect)
{
    const double dpr = devicePixelRatioF2();
    const QSize logical(paper.width() + 2 * FMargin + 2, paper.height() + 2 * FMargin + 2);
    QImage picture((QSizeF(logical) * dpr).toSize(), QImage::Format_RGB32);
    picture.setDevicePixelRatio(dpr);
    picture.fill(FBackColor);
    {
        QPainter p(&picture);
        const QRect sheet(FMargin, FMargin, paper.width(), paper.height());
        if (FShadowColor != kNoColor)
            p.fillRect(sheet.translated(2, 2), fromColorValue(FShadowColor));
        p.fillRect(sheet, FPaperColor);
        const QRect printable = pageRect.translated(sheet.topLeft());
        if (made && FProof) {
            QImage proofed = *made;
            FProof->Apply(proofed);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(printable, proofed);
        } else if (made) {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(printable, *made);
        }
        p.setPen(QPen(Qt::black, 0));
        p.setBrush(Qt::NoBrush);
        p.drawRect(sheet.adjusted(0, 0, -1, -1));
        if (FGuide) {
            bool handled = false;
            p.setPen(QPen(FGuideColor, 0, Qt::DotLine));
            if (FOnDrawGuide)
                FOnDrawGuide(*this, p, sheet, printable, FShowRate, handled);
            if (!handled)
                p.drawRect(printable.adjusted(0, 0, -1, -1));
        }
    }
    FShown = picture;
    scbPreview->SetPicture(FShown);
}

void TfrmPrev::ShowErrorBox(const QString &instruction, const QString &text)
{
    TQvTaskDialog box;
    box.Parent = this;
    box.Title = windowTitle();
    box.MainIcon = TTaskDialogIcon::tiError;
    box.SetInstruction(instruction);
    box.SetContent(text);
    box.Buttons = TQvCommonButtons{TQvCommonButton::cbOk};
    box.Execute();
}

const QImage &TfrmPrev::Shown() const
{
    return FShown;
}

void TfrmPrev::Execute()
{
    showPage();
}

void TfrmPrev::PrinterChanged()
{
    bool recreate = FAutoRecreate;
    if (FOnPrinterChanged)
        FOnPrinterChanged(*this, recreate);
    updateStatus();
    if (!recreate || !FPaper)
        return;
    SetPaper(FPaper);
    if (FInitilized)
        showPage();
}

void TfrmPrev::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (FInitilized)
        return;
    FInitilized = true;
    if (FIni)
        ReadForm(*FIni, QStringLiteral("Forms"), QStringLiteral("frmPrev"), this);
    FShowRate = std::clamp(std::min(FitWidthRate(), 100), 20, 200);
    cmbShowRate->setEditText(QStringLiteral("%1%").arg(FShowRate));
    showPage();
}

void TfrmPrev::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (pnlProgress->isVisible())
        pnlProgress->move((width() - pnlProgress->width()) / 2, (height() - pnlProgress->height()) / 2);
    if (FPrinting && FFitMode != TPageFitMode::pfmNoFit)
        refit();
}

void TfrmPrev::done(int result)
{
    if (FIni)
        WriteForm(*FIni, QStringLiteral("Forms"), QStringLiteral("frmPrev"), this);
    QDialog::done(result);
}

#undef VELLORA_REDRAW

} // namespace vellora
