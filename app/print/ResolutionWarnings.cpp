#include "app/print/ResolutionWarnings.h"

#include "app/controls/ProgressForm.h"
#include "app/controls/QvTaskDialog.h"
#include "app/print/PreviewForm.h"
#include "app/print/ZoomPanView.h"
#include "model/PhotoPaper.h"
#include "settings/IniFile.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStatusBar>
#include <cmath>
#include <memory>

namespace vellora {

namespace {

const QString kSection = QStringLiteral("Option");
const QString kWarnKey = QStringLiteral("WarnLowResolution");
// A long run lists this many photos and counts the rest.
constexpr int kMaxListed = 20;
// A check done within this goes by without a window.
constexpr int kQuietMs = 400;

TLowResolutionAsk &askHook()
{
    static TLowResolutionAsk hook;
    return hook;
}

TResolutionCheckProgress &progressHook()
{
    static TResolutionCheckProgress hook;
    return hook;
}

} // namespace

void SetLowResolutionAsk(TLowResolutionAsk ask)
{
    askHook() = std::move(ask);
}

void SetLowResolutionProgress(TResolutionCheckProgress progress)
{
    progressHook() = std::move(progress);
}

bool ConfirmLowResolution(QWidget *parent, TPhotoPaper &paper, const TPrintOptions &options, TExtIniFile *ini)
{
    if (ini && !ini->ReadBool(kSection, kWarnKey, true))
        return true;
    // The window appears only once the check has taken a moment; before that
    // no input is let through, so nothing can change the run under the check.
    std::unique_ptr<TfrmProgress> progress;
    QElapsedTimer clock;
    clock.start();
    bool canceled = false;
    const std::vector<TLowResolutionPhoto> photos = FindLowResolutionPhotos(
        paper, options, kLowResolutionPpi,
        [&](int page, int pages, bool &cancel) {
            if (!progress && page < pages && clock.elapsed() >= kQuietMs) {
                progress = std::make_unique<TfrmProgress>(parent);
                progress->SetMax(pages);
                progress->SetPrompt(QObject::tr("写真の解像度を確かめています"));
                progress->SetVisibleStop(false);
                progress->Start();
            }
            if (progress) {
                progress->SetPosition(page);
                progress->ProcessMessages();
            }
            if (progressHook())
                progressHook()(page, pages, cancel);
            if (progress && progress->Canceled())
                cancel = true;
        },
        &canceled);
    progress.reset();
    if (canceled)
        return false;
    if (photos.empty())
        return true;
    QStringList lines;
    for (const TLowResolutionPhoto &p : photos) {
        if (lines.size() == kMaxListed) {
            lines << QObject::tr("ほか %1 枚").arg(photos.size() - kMaxListed);
            break;
        }
        lines << LowResolutionLine(p);
    }
    bool dontShowAgain = false;
    bool goOn = false;
    if (askHook()) {
        goOn = askHook()(lines, dontShowAgain);
    } else {
        TQvTaskDialog box;
        box.Parent = parent;
        box.Title = QStringLiteral("Vellora");
        box.MainIcon = TTaskDialogIcon::tiWarning;
        box.SetInstruction(QObject::tr("解像度の低い写真があります"));
        box.SetContent(QObject::tr("次の写真は %1 ppi 未満で印刷されるため、ぼやけて見えることがあります。\n\n%2")
                           .arg(static_cast<int>(kLowResolutionPpi))
                           .arg(lines.join(QLatin1Char('\n'))));
        constexpr int kGoOn = 100, kStop = 101;
        box.CustomButtons.Add(QObject::tr("続行"), kGoOn);
        box.CustomButtons.Add(QObject::tr("キャンセル"), kStop);
        box.DefaultButton = TTaskDialogDefaultButton::tdbCustom;
        box.CustomDefaultButtonID = kGoOn;
        box.VerificationText = QObject::tr("今後表示しない");
        int button = kStop, radio = 0;
        if (box.Execute(button, radio, dontShowAgain))
            goOn = button == kGoOn;
    }
    if (goOn && dontShowAgain && ini)
        ini->WriteBool(kSection, kWarnKey, false);
    return goOn;
}

// --- the preview ---

TPreviewResolution::TPreviewResolution(TfrmPrev &preview) : QObject(&preview), FPreview(preview)
{
    FLabel = new QLabel(preview.stbStatus);
    FLabel->setObjectName(QStringLiteral("lblPpi"));
    preview.stbStatus->addPermanentWidget(FLabel);
    preview.scbPreview->viewport()->setMouseTracking(true);
    preview.scbPreview->viewport()->installEventFilter(this);

    FPaper = preview.Paper();
    if (TPhotoPaper *paper = FPaper) {
        // The page maker tells the paper of each photo a made page drew, with
        // the paper's current page set to that page.
        FPrevious = paper->OnPhotoDrawn();
        paper->SetOnPhotoDrawn([this, paper](const TPhotoDrawReport &report) {
            if (FPrevious)
                FPrevious(report);
            FPages[paper->PrintingInfo().piNowPage][report.cell] = report.drawn ? report.effectivePpi : 0.0;
        });
    }
    preview.SetOnDrawGuide([this](TfrmPrev &, QPainter &canvas, const QRect &sheet, const QRect &printable, int,
                                  bool &) {
        // The marks go on the preview picture only; the window still draws
        // the printable area's guide (handled stays false).
        Q_UNUSED(printable);
        FSheet = sheet;
        drawMarks(canvas, sheet);
    });
}

TPreviewResolution::~TPreviewResolution()
{
    // Runs while the window is torn down: the paper, which outlives it, is
    // reached through the pointer kept, not through the window.
    if (FPaper)
        FPaper->SetOnPhotoDrawn(FPrevious);
}

std::map<int, double> TPreviewResolution::CellPpi(int page) const
{
    const auto it = FPages.find(page);
    return it == FPages.end() ? std::map<int, double>{} : it->second;
}

void TPreviewResolution::drawMarks(QPainter &canvas, const QRect &sheet)
{
    const TPhotoPaper *paper = FPreview.Paper();
    if (!paper || paper->PaperWidth() <= 0 || sheet.isEmpty())
        return;
    const double scale = mmToPixels();
    const auto cells = CellPpi(FPreview.Page() + 1);
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing);
    for (const auto &[cell, ppi] : cells) {
        if (!(ppi > 0 && ppi < kLowResolutionPpi) || cell >= paper->PhotoAreas().Count())
            continue;
        const TFloatRect &b = paper->PhotoAreas().Items(cell)->Bounds();
        const QPointF corner(sheet.left() + static_cast<double>(b.Right) * scale - 4,
                             sheet.top() + static_cast<double>(b.Top) * scale + 4);
        // A small yellow triangle with "!", inside the cell's top-right corner.
        const double s = 14;
        QPainterPath tri;
        tri.moveTo(corner.x() - s / 2, corner.y());
        tri.lineTo(corner.x(), corner.y() + s);
        tri.lineTo(corner.x() - s, corner.y() + s);
        tri.closeSubpath();
        canvas.setPen(QPen(QColor(120, 90, 0), 1));
        canvas.setBrush(QColor(255, 210, 0));
        canvas.drawPath(tri);
        canvas.setPen(QPen(Qt::black, 1.6));
        canvas.drawLine(QPointF(corner.x() - s / 2, corner.y() + 4), QPointF(corner.x() - s / 2, corner.y() + s - 5));
        canvas.drawPoint(QPointF(corner.x() - s / 2, corner.y() + s - 2.5));
    }
    canvas.restore();
}

double TPreviewResolution::mmToPixels() const
{
    // The preview draws the sheet at the screen's resolution times its rate
    // (the sheet may be the printer's paper, larger than the document's).
    return FPreview.logicalDpiY() * FPreview.ShowRate() / (100.0 * 25.4);
}

int TPreviewResolution::cellAt(QPoint picturePoint) const
{
    const TPhotoPaper *paper = FPreview.Paper();
    if (!paper || FSheet.isEmpty() || !FSheet.contains(picturePoint))
        return -1;
    const double mmPerPixel = 1.0 / mmToPixels();
    const double x = (picturePoint.x() - FSheet.left()) * mmPerPixel;
    const double y = (picturePoint.y() - FSheet.top()) * mmPerPixel;
    for (int i = 0; i < paper->PhotoAreas().Count(); ++i) {
        const TFloatRect &b = paper->PhotoAreas().Items(i)->Bounds();
        if (x >= static_cast<double>(b.Left) && x < static_cast<double>(b.Right) && y >= static_cast<double>(b.Top)
            && y < static_cast<double>(b.Bottom))
            return i;
    }
    return -1;
}

QString TPreviewResolution::TextAt(QPoint picturePoint) const
{
    const int cell = cellAt(picturePoint);
    if (cell < 0)
        return QString();
    const auto cells = CellPpi(FPreview.Page() + 1);
    const auto it = cells.find(cell);
    if (it == cells.end() || !(it->second > 0))
        return tr("エリア %1").arg(cell + 1);
    const int ppi = static_cast<int>(std::lround(it->second));
    return it->second < kLowResolutionPpi ? tr("エリア %1: %2 ppi (解像度不足)").arg(cell + 1).arg(ppi)
                                          : tr("エリア %1: %2 ppi").arg(cell + 1).arg(ppi);
}

bool TPreviewResolution::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove) {
        // The view draws its picture centred when smaller, else scrolled.
        TZoomPanView *view = FPreview.scbPreview;
        const QSize size = view->PictureSize();
        const QSize port = view->viewport()->size();
        const int x = size.width() < port.width() ? (port.width() - size.width()) / 2
                                                   : -view->horizontalScrollBar()->value();
        const int y = size.height() < port.height() ? (port.height() - size.height()) / 2
                                                     : -view->verticalScrollBar()->value();
        const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint() - QPoint(x, y);
        FLabel->setText(TextAt(at));
    } else if (event->type() == QEvent::Leave) {
        FLabel->clear();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vellora
