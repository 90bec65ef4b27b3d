#include "app/ImagePrevDialog.h"

#include "app/PluginStatus.h"
#include "app/ReadProblems.h"
#include "app/print/ZoomPanView.h"
#include "graphics/GraphicClassList.h"
#include "imagelist/ImageListView.h"
#include "model/ImageInfo.h"
#include "model/PhotoArea.h"
#include "model/PhotoPlacement.h"
#include "model/PhotoTurn.h"
#include "plugins/SPIBmp.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace vellora {

namespace {
constexpr int kMinRate = 20;
constexpr int kMaxRate = 200;
// Fitting may go below the smallest step, so that any photo fits.
constexpr int kMinFitRate = 1;
// The size the window has until it is placed: by the stored placement, or
// else around the photo when first shown.
const QSize kUnplacedSize(640, 520);

// The quarter turns the print run gives an entry: its own fixed rotation,
// else the one it was last drawn with (an automatic rotation depends on the
// cell, so it is known only once the entry has been drawn).
int printQuarters(const TImageInfo &info) {
    const TPhotoOption &options = info.Options();
    if (options.ParentRotate() == TParentMode::pamOrigin && QuarterTurns(options.Rotate()) != 0)
        return QuarterTurns(options.Rotate());
    return QuarterTurns(options.TrueRotate());
}
} // namespace

int TfrmImagePrev::ZoomInRate(int rate) { return rate + 20 > kMaxRate ? 100 : rate + 20; }
int TfrmImagePrev::ZoomOutRate(int rate) { return rate <= kMinRate ? rate : std::max(kMinRate, rate - 20); }

QSize TfrmImagePrev::WindowSizeFor(QSize photo, QSize available, QSize chrome, int minWidth, int margin) {
    const QSize most(available.width() * 8 / 10, available.height() * 8 / 10);
    const QSize want = photo.isEmpty() ? QSize(0, 0) : photo + QSize(2 * margin, 2 * margin);
    // Every button of the bar shows, even past the 80 % on a small screen.
    const int width = std::max(std::min(want.width() + chrome.width(), most.width()), std::min(minWidth, available.width()));
    const int height = std::min(std::max(want.height(), 200) + chrome.height(), most.height());
    return {width, height};
}

TfrmImagePrev::TfrmImagePrev(TImageListView &list, const QString &documentFileName, QWidget *parent)
    : QDialog(parent), FList(list), FDocumentFileName(documentFileName) {
    setObjectName(QStringLiteral("frmImagePrev"));
    setWindowTitle(tr("画像の確認"));
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("tbrMain"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto make = [this, bar](const char *name, const char *caption, const QKeySequence &key) {
        auto *a = new QAction(tr(caption), this);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        a->setToolTip(tr(caption));
        addAction(a);
        bar->addAction(a);
        return a;
    };
    actZoomIn = make("actZoomIn", QT_TR_NOOP("拡大"), QKeySequence(Qt::Key_F3));
    actZoomOut = make("actZoomOut", QT_TR_NOOP("縮小"), QKeySequence(Qt::CTRL | Qt::Key_F3));
    actActualSize = make("actActualSize", QT_TR_NOOP("等倍"), QKeySequence(Qt::Key_F4));
    actFitWidth = make("actFitWidth", QT_TR_NOOP("幅に合わせる"), {});
    actFitAll = make("actFitAll", QT_TR_NOOP("全体"), {});
    cmbRate = new QComboBox(bar);
    cmbRate->setObjectName(QStringLiteral("cmbRate"));
    cmbRate->setEditable(true);
    cmbRate->setInsertPolicy(QComboBox::NoInsert);
    for (int r = kMaxRate; r >= kMinRate; r -= 20)
        cmbRate->addItem(QStringLiteral("%1%").arg(r));
    bar->addWidget(cmbRate);
    bar->addSeparator();
    actFirstPage = make("actFirstPage", QT_TR_NOOP("先頭ページ"), QKeySequence(Qt::CTRL | Qt::Key_F));
    actPriorPage = make("actPriorPage", QT_TR_NOOP("前ページ"), QKeySequence(Qt::CTRL | Qt::Key_B));
    edtPage = new QLineEdit(bar);
    edtPage->setObjectName(QStringLiteral("edtPage"));
    edtPage->setFixedWidth(edtPage->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    edtPage->setAlignment(Qt::AlignRight);
    bar->addWidget(edtPage);
    lblMaxPage = new QLabel(bar);
    lblMaxPage->setObjectName(QStringLiteral("lblMaxPage"));
    bar->addWidget(lblMaxPage);
    actNextPage = make("actNextPage", QT_TR_NOOP("次ページ"), QKeySequence(Qt::CTRL | Qt::Key_N));
    actLastPage = make("actLastPage", QT_TR_NOOP("最終ページ"), QKeySequence(Qt::CTRL | Qt::Key_L));
    bar->addSeparator();
    actClose = make("actClose", QT_TR_NOOP("閉じる"), {});
    root->addWidget(bar);

    viwImage = new TZoomPanView(this);
    viwImage->setObjectName(QStringLiteral("viwImage"));
    viwImage->SetBackColor(FBackColor);
    root->addWidget(viwImage, 1);
    stbMain = new QStatusBar(this);
    stbMain->setObjectName(QStringLiteral("stbMain"));
    stbMain->setSizeGripEnabled(false);
    lblFileName = new QLabel(stbMain);
    lblFileName->setObjectName(QStringLiteral("lblFileName"));
    lblImageSize = new QLabel(stbMain);
    lblImageSize->setObjectName(QStringLiteral("lblImageSize"));
    stbMain->addWidget(lblFileName, 1);
    stbMain->addWidget(lblImageSize);
    root->addWidget(stbMain);

    connect(actZoomIn, &QAction::triggered, this, [this] { zoomTo(ZoomInRate(FShowRate), viewCentre()); });
    connect(actZoomOut, &QAction::triggered, this, [this] { zoomTo(ZoomOutRate(FShowRate), viewCentre()); });
    connect(actActualSize, &QAction::triggered, this, [this] { zoomTo(100, viewCentre()); });
    connect(actFitWidth, &QAction::triggered, this, [this] { SetShowRate(FitWidthRate()); });
    connect(actFitAll, &QAction::triggered, this, [this] { SetShowRate(FitAllRate()); });
    connect(actFirstPage, &QAction::triggered, this, [this] { SetPage(0); });
    connect(actPriorPage, &QAction::triggered, this, [this] { SetPage(FPage - 1); });
    connect(actNextPage, &QAction::triggered, this, [this] { SetPage(FPage + 1); });
    connect(actLastPage, &QAction::triggered, this, [this] { SetPage(FList.Items().Count() - 1); });
    connect(actClose, &QAction::triggered, this, &QDialog::reject);
    connect(cmbRate, &QComboBox::activated, this, [this] { rateEntered(); });
    connect(cmbRate->lineEdit(), &QLineEdit::editingFinished, this, [this] { rateEntered(); });
    connect(edtPage, &QLineEdit::editingFinished, this, [this] { pageEntered(); });
    connect(viwImage, &TZoomPanView::zoomRequested, this, [this](int steps) {
        zoomTo(steps > 0 ? std::min(kMaxRate, FShowRate + 20) : ZoomOutRate(FShowRate), viewCentre());
    });
    // Ctrl+wheel zooms about the point under the pointer.
    viwImage->viewport()->installEventFilter(this);
    // Every button stays on the bar (none behind its overflow arrow).
    FBar = bar;
    resize(kUnplacedSize);
    SetPage(FList.Items().Count() > 0 ? 0 : -1);
}

TfrmImagePrev::~TfrmImagePrev() {
    // Hiding moves the focus, and a focused edit reports its text as
    // finished then: no handler may run on a half-destroyed window.
    edtPage->disconnect(this);
    cmbRate->disconnect(this);
    cmbRate->lineEdit()->disconnect(this);
}

void TfrmImagePrev::SetPage(int index) {
    const int count = FList.Items().Count();
    if (count == 0)
        index = -1;
    else
        index = std::clamp(index, 0, count - 1);
    const bool changed = index != FPage || FImage.isNull();
    FPage = index;
    if (changed)
        load();
    updateControls();
}

void TfrmImagePrev::SetShowRate(int rate) {
    FShowRate = std::clamp(rate, kMinFitRate, kMaxRate);
    compose();
    updateControls();
}

QPoint TfrmImagePrev::viewCentre() const { return viwImage->viewport()->rect().center(); }

void TfrmImagePrev::zoomTo(int rate, QPoint anchor) {
    // The photo's point under the anchor (as a fraction of the photo) stays
    // under it at the new rate.
    QScrollBar *h = viwImage->horizontalScrollBar();
    QScrollBar *v = viwImage->verticalScrollBar();
    const auto fraction = [this](int picture, int view, int scroll, int at) {
        const int x = picture < view ? at - (view - picture) / 2 : at + scroll;
        return double(x - FMargin) / std::max(1, picture - 2 * FMargin);
    };
    const QSize before = viwImage->PictureSize();
    const QSize view = viwImage->viewport()->size();
    const double fx = fraction(before.width(), view.width(), h->value(), anchor.x());
    const double fy = fraction(before.height(), view.height(), v->value(), anchor.y());
    SetShowRate(rate);
    const QSize after = viwImage->PictureSize();
    h->setValue(int(std::lround(FMargin + fx * (after.width() - 2 * FMargin) - anchor.x())));
    v->setValue(int(std::lround(FMargin + fy * (after.height() - 2 * FMargin) - anchor.y())));
}

bool TfrmImagePrev::eventFilter(QObject *watched, QEvent *event) {
    if (watched == viwImage->viewport() && event->type() == QEvent::Wheel) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        if ((wheel->modifiers() & Qt::ControlModifier) && wheel->angleDelta().y() != 0) {
            const int rate =
                wheel->angleDelta().y() > 0 ? std::min(kMaxRate, FShowRate + 20) : ZoomOutRate(FShowRate);
            zoomTo(rate, wheel->position().toPoint());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmImagePrev::load() {
    const int serial = ++FLoadSerial;
    FImage = QImage();
    FFullSize = QSize();
    FTurn = {};
    FOrientation = 1;
    FError.clear();
    lblFileName->clear();
    lblImageSize->clear();
    if (FPage < 0) {
        compose();
        return;
    }
    TImageListItem *item = FList.Items()[FPage];
    const TImageInfo *info = item ? item->Data() : nullptr;
    lblFileName->setText(info ? info->FileName() : QString());
    if (!info) {
        FError = tr("画像を読み込めません。");
        compose();
        return;
    }
    // Decoded at the reduction the largest zoom needs of the view.
    const int rate = FShowRate;
    const QString document = FDocumentFileName;
    TLoadedPicture p;
    QString failure;
    const auto read = [&p, &failure, info, document, rate] {
        try {
            p = LoadAreaPicture(*info, document, [rate](QSize full) {
                return QSize(std::max(1, full.width() * std::max(rate, 100) / 100),
                             std::max(1, full.height() * std::max(rate, 100) / 100));
            });
        } catch (const std::exception &e) {
            failure = QString::fromUtf8(e.what());
        }
    };
    if (MayReadThroughPlugin(info->FileName())) {
        // A plug-in may take long or hang: the window stays usable meanwhile,
        // and Escape stops the reading.
        FError = tr("読み込み中…\n%1").arg(info->FileName());
        compose();
        if (!isVisible()) {
            // Read once the window shows, so that it is seen waiting.
            FLoadWhenShown = true;
            return;
        }
        FLoading = true;
        const bool finished = RunOffUiThread(read, {}, this);
        FLoading = false;
        if (serial != FLoadSerial)
            return;   // another page was asked for meanwhile
        if (!finished)
            failure = QStringLiteral("the call was cancelled");
        FError.clear();
    } else {
        read();
    }
    if (failure.isEmpty()) {
        // Shown as it prints: upright when photos are turned so, then turned
        // as the print run turns this entry.
        FOrientation = p.orientation;
        FTurn = ThenQuarters(ExifRotate() ? UprightTurn(p.orientation) : TPixelTurn{}, printQuarters(*info));
        FImage = TurnImage(p.image, FTurn);
        FFullSize = p.fullSize.isEmpty() ? p.image.size() : p.fullSize;
        if (FImage.isNull())
            failure = p.problem;
    }
    if (FImage.isNull())
        FError = tr("画像を読み込めません: %1。\n%2").arg(ReadProblemText(failure), info->FileName());
    // The photo's upright size, as the list shows it (the print turn aside).
    const QSize upright = TurnedSize(FFullSize, ExifRotate() ? UprightTurn(FOrientation) : TPixelTurn{});
    if (!upright.isEmpty())
        lblImageSize->setText(tr("%1×%2 ピクセル").arg(upright.width()).arg(upright.height()));
    FFullSize = TurnedSize(FFullSize, FTurn);
    compose();
}

int TfrmImagePrev::FitWidthRate() const {
    if (FFullSize.isEmpty())
        return 100;
    const int width = viwImage->viewport()->width() - 2 * FMargin;
    return std::clamp(int(std::floor(double(width) * 100 / FFullSize.width())), kMinFitRate, kMaxRate);
}

int TfrmImagePrev::FitAllRate() const {
    if (FFullSize.isEmpty())
        return 100;
    const int width = viwImage->viewport()->width() - 2 * FMargin;
    const int height = viwImage->viewport()->height() - 2 * FMargin;
    const double r = std::min(double(width) * 100 / FFullSize.width(), double(height) * 100 / FFullSize.height());
    return std::clamp(int(std::floor(r)), kMinFitRate, kMaxRate);
}

void TfrmImagePrev::compose() {
    const qreal dpr = devicePixelRatioF();
    QSize size(FMargin * 2 + 1, FMargin * 2 + 1);
    if (!FImage.isNull())
        size = QSize(int(std::floor(FFullSize.width() * FShowRate / 100.0)) + 2 * FMargin,
                     int(std::floor(FFullSize.height() * FShowRate / 100.0)) + 2 * FMargin);
    else if (!FError.isEmpty())
        size = viwImage->viewport()->size();
    QImage picture(size * dpr, QImage::Format_RGB32);
    picture.setDevicePixelRatio(dpr);
    picture.fill(FBackColor);
    QPainter p(&picture);
    if (!FImage.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRect(QPoint(FMargin, FMargin), size - QSize(2 * FMargin, 2 * FMargin)), FImage);
    } else if (!FError.isEmpty()) {
        p.setPen(Qt::white);
        p.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, FError);
    }
    p.end();
    viwImage->SetPicture(picture);
}

void TfrmImagePrev::updateControls() {
    const int count = FList.Items().Count();
    edtPage->setText(FPage < 0 ? QString() : QString::number(FPage + 1));
    lblMaxPage->setText(count == 0 ? tr("/ ページなし") : QStringLiteral("/ %1").arg(count));
    cmbRate->setEditText(QStringLiteral("%1%").arg(FShowRate));
    actFirstPage->setEnabled(FPage > 0);
    actPriorPage->setEnabled(FPage > 0);
    actNextPage->setEnabled(FPage >= 0 && FPage < count - 1);
    actLastPage->setEnabled(FPage >= 0 && FPage < count - 1);
}

void TfrmImagePrev::rateEntered() {
    QString text = cmbRate->currentText().trimmed();
    if (text.endsWith(QLatin1Char('%')))
        text.chop(1);
    bool ok = false;
    const int rate = text.trimmed().toInt(&ok);
    if (ok && rate >= kMinRate && rate <= kMaxRate)
        SetShowRate(rate);
    else
        updateControls();   // restores the shown rate
}

void TfrmImagePrev::pageEntered() {
    bool ok = false;
    const int page = edtPage->text().trimmed().toInt(&ok);
    if (ok)
        SetPage(page - 1);
    else
        updateControls();
}

void TfrmImagePrev::keyPressEvent(QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_PageUp: SetPage(FPage - 1); return;
    case Qt::Key_PageDown: SetPage(FPage + 1); return;
    case Qt::Key_Home: SetPage(0); return;
    case Qt::Key_End: SetPage(FList.Items().Count() - 1); return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter applies an edit; it never closes the window.
        if (edtPage->hasFocus())
            pageEntered();
        else if (cmbRate->hasFocus())
            rateEntered();
        return;
    default: break;
    }
    QDialog::keyPressEvent(event);
}

void TfrmImagePrev::fitWindowToPhoto() {
    QScreen *shown = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!shown)
        return;
    const QRect available = shown->availableGeometry();
    // Everything around the photo's view: bar, status bar and frames.
    layout()->activate();
    const QSize chrome = size() - viwImage->viewport()->size();
    const QSize wanted = WindowSizeFor(FFullSize, available.size(), chrome, FBar->sizeHint().width(), FMargin);
    resize(wanted);
    QRect frame(QPoint(0, 0), wanted);
    frame.moveCenter((parentWidget() ? parentWidget()->window()->geometry() : available).center());
    move(std::clamp(frame.left(), available.left(), std::max(available.left(), available.right() - wanted.width())),
         std::clamp(frame.top(), available.top(), std::max(available.top(), available.bottom() - wanted.height())));
}

void TfrmImagePrev::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (FFirstShow) {
        FFirstShow = false;
        FAutoPlaced = size() == kUnplacedSize;
        if (FAutoPlaced)
            fitWindowToPhoto();
        // The whole photo, at most at its own size.
        SetShowRate(std::min(100, FitAllRate()));
    }
    if (FLoadWhenShown && !FLoadScheduled) {
        FLoadScheduled = true;
        QTimer::singleShot(0, this, [this] {
            FLoadScheduled = false;
            FLoadWhenShown = false;
            load();
            // The photo's size is known only now.
            if (FAutoPlaced && !FFullSize.isEmpty()) {
                fitWindowToPhoto();
                SetShowRate(std::min(100, FitAllRate()));
            }
        });
    }
}

} // namespace vellora
