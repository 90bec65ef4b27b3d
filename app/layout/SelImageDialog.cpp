#include "app/layout/SelImageDialog.h"

#include "app/layout/DialogParts.h"
#include "app/PluginStatus.h"
#include "app/ReadProblems.h"
#include "plugins/SPIBmp.h"
#include "graphics/GraphicClassList.h"
#include "model/Background.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include "app/controls/NumberEdit.h"
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

namespace vellora {

namespace {
constexpr int kMinRate = 5;
constexpr int kMaxRate = 200;
} // namespace

QPoint PickedPixel(int x, int y, int rate, QSize pictureSize)
{
    if (rate <= 0 || x < 0 || y < 0)
        return {-1, -1};
    const int shownW = pictureSize.width() * rate / 100;
    const int shownH = pictureSize.height() * rate / 100;
    if (x >= shownW || y >= shownH)
        return {-1, -1};
    // Rounded to the nearest picture pixel; at high rates that can name the
    // pixel past the last one, so it is kept inside.
    const int px = std::min((rate / 2 + x * 100) / rate, pictureSize.width() - 1);
    const int py = std::min((rate / 2 + y * 100) / rate, pictureSize.height() - 1);
    return {px, py};
}

QString PictureFilter()
{
    const QList<QByteArray> qtFormats = QImageReader::supportedImageFormats();
    auto decodes = [&](const QByteArray &format) { return format == "jpeg" || qtFormats.contains(format); };
    QStringList all;
    QStringList entries;
    const TGraphicClassList &registry = ImageFormatRegistry();
    std::vector<std::pair<QString, QStringList>> groups;   // class name → patterns
    auto addExt = [&](const QString &name, const QString &ext) {
        const QString pattern = QLatin1Char('*') + ext.toLower();
        if (all.contains(pattern))
            return;
        all << pattern;
        auto it = std::find_if(groups.begin(), groups.end(), [&](const auto &g) { return g.first == name; });
        if (it == groups.end())
            groups.push_back({name, {pattern}});
        else
            it->second << pattern;
    };
    for (int i = 0; i < registry.Count(); ++i) {
        const TGraphicClassListItem &item = registry.Item(i);
        if (item.GraphicClass && decodes(item.GraphicClass->Format))
            addExt(item.GraphicClass->Name, item.Extension);
    }
    for (const char *ext : {".tif", ".tiff"}) {
        if (const TGraphicClass *cls = PictureClassForExtension(QLatin1String(ext)); cls && decodes(cls->Format))
            addExt(cls->Name, QLatin1String(ext));
    }
    entries << QCoreApplication::translate("vellora::TfrmSelImage", "すべて (%1)").arg(all.join(QLatin1Char(' ')));
    for (const auto &[name, patterns] : groups)
        entries << QStringLiteral("%1 (%2)").arg(name, patterns.join(QLatin1Char(' ')));
    return entries.join(QStringLiteral(";;"));
}

QImage LoadFlatPicture(const QString &path, const QWidget *owner)
{
    const QString shown = QFileInfo(path).fileName();
    QImageReader probe(path);
    const QSize size = probe.size();
    if (size.isValid() && static_cast<qint64>(size.width()) * size.height() > kMaxPicturePixels)
        throw Error(QCoreApplication::translate("vellora::TfrmSelImage", "%1 は大きすぎるため読み込めません (%2 × %3 ピクセル)。")
                        .arg(shown)
                        .arg(size.width())
                        .arg(size.height()));
    QImage picture;
    QString failure;
    const auto read = [&picture, &failure, path] {
        try {
            picture = LoadGraphicFile(path)->Image();
        } catch (const std::exception &e) {
            failure = QString::fromUtf8(e.what());
        }
    };
    // A plug-in may take long or hang: the window stays usable, Escape stops it.
    if (MayReadThroughPlugin(path)) {
        if (!RunOffUiThread(read, {}, owner))
            failure = QStringLiteral("the call was cancelled");
    } else {
        read();
    }
    if (!failure.isEmpty())
        throw Error(QCoreApplication::translate("vellora::TfrmSelImage", "%1 を読み込めません: %2。").arg(shown, ReadProblemText(failure)));
    if (picture.isNull())
        throw Error(QCoreApplication::translate("vellora::TfrmSelImage", "%1 を読み込めません。").arg(shown));
    if (static_cast<qint64>(picture.width()) * picture.height() > kMaxPicturePixels)
        throw Error(QCoreApplication::translate("vellora::TfrmSelImage", "%1 は大きすぎるため読み込めません。").arg(shown));
    QImage flat(picture.size(), QImage::Format_RGB888);
    flat.fill(Qt::white);
    QPainter p(&flat);
    p.drawImage(0, 0, picture);
    return flat;
}

TfrmSelImage::TfrmSelImage(QWidget *parent, TExtIniFile *ini) : QDialog(parent), FIni(ini)
{
    setObjectName(QStringLiteral("frmSelImage"));
    setWindowTitle(tr("画像の選択"));
    setAcceptDrops(true);

    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("tbrImage"));
    auto addTool = [&](const QString &name, const QString &text, const QKeySequence &key, auto slot) {
        auto *a = new QAction(text, this);
        a->setObjectName(name);
        a->setShortcut(key);
        a->setToolTip(text);
        connect(a, &QAction::triggered, this, slot);
        bar->addAction(a);
        QWidget::addAction(a);
    };
    addTool(QStringLiteral("actZoomIn"), tr("拡大"), QKeySequence(QStringLiteral("Ctrl+U")),
              [this] { SetRate(Rate() + 20); });
    addTool(QStringLiteral("actZoomOut"), tr("縮小"), QKeySequence(QStringLiteral("Ctrl+D")),
              [this] { SetRate(Rate() - 20); });
    addTool(QStringLiteral("actActual"), tr("等倍"), QKeySequence(QStringLiteral("Ctrl+S")),
              [this] { SetRate(100); });
    addTool(QStringLiteral("actWhole"), tr("全体"), QKeySequence(QStringLiteral("Ctrl+A")),
              [this] { FitWhole(); });
    edtRate = makeNumberEdit(this, QStringLiteral("edtRate"), 0, kMinRate, kMaxRate, 20);
    edtRate->SetValue(100);
    bar->addSeparator();
    bar->addWidget(new QLabel(tr("表示倍率 "), this));
    edtRate->setFixedWidth(80);
    bar->addWidget(edtRate);
    bar->addWidget(new QLabel(QStringLiteral(" %"), this));
    connect(edtRate, &TNumberEdit::valueChanged, this, [this] {
        if (FBitmap.isNull()) {
            const QSignalBlocker block(edtRate);
            edtRate->SetValue(FSaveRate);
            return;
        }
        FSaveRate = edtRate->AsInteger();
        showPicture();
    });

    scrImage = new QScrollArea(this);
    scrImage->setObjectName(QStringLiteral("scrImage"));
    scrImage->setMinimumSize(360, 260);
    scrImage->setBackgroundRole(QPalette::Dark);
    imgImage = new QLabel;
    imgImage->setObjectName(QStringLiteral("imgImage"));
    imgImage->setCursor(Qt::CrossCursor);
    imgImage->installEventFilter(this);
    scrImage->setWidget(imgImage);

    shpColor = new QLabel(this);
    shpColor->setObjectName(QStringLiteral("shpColor"));
    shpColor->setFixedSize(40, 24);
    shpColor->setToolTip(tr("透過色"));
    shpColor->setFrameShape(QFrame::Box);
    lblRGB = new QLabel(this);
    lblRGB->setObjectName(QStringLiteral("lblRGB"));
    lblHex = new QLabel(this);
    lblHex->setObjectName(QStringLiteral("lblHex"));

    auto *btnLoad = new QPushButton(tr("画像の読み込み(&L)..."), this);
    btnLoad->setObjectName(QStringLiteral("btnLoad"));
    auto *btnClear = new QPushButton(tr("クリア(&C)"), this);
    btnClear->setObjectName(QStringLiteral("btnClear"));
    connect(btnLoad, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), PictureFilter(), nullptr,
                                                          QFileDialog::DontUseNativeDialog);
        if (!path.isEmpty())
            LoadFile(path);
    });
    connect(btnClear, &QPushButton::clicked, this, [this] { SetBitmap(QImage()); });

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("btnOk"));
    buttons->addButton(tr("キャンセル"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmSelImage::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmSelImage::reject);

    auto *colour = new QHBoxLayout;
    colour->addWidget(shpColor);
    colour->addWidget(lblRGB);
    colour->addWidget(lblHex);
    colour->addStretch(1);
    colour->addWidget(btnLoad);
    colour->addWidget(btnClear);
    auto *l = new QVBoxLayout(this);
    l->addWidget(bar);
    l->addWidget(scrImage, 1);
    l->addLayout(colour);
    l->addWidget(buttons);
    SetBackgroundColor(clBlack);
    TFormPlacement(this, FIni).Restore();
}

TfrmSelImage::~TfrmSelImage()
{
    DisconnectChildren(this);
}

int TfrmSelImage::Rate() const
{
    return edtRate->AsInteger();
}

void TfrmSelImage::SetRate(int rate)
{
    rate = std::clamp(rate, kMinRate, kMaxRate);
    const QSignalBlocker block(edtRate);
    edtRate->SetValue(rate);
    FSaveRate = rate;
    showPicture();
}

void TfrmSelImage::FitWhole()
{
    if (FBitmap.isNull())
        return;
    const QSize view = scrImage->viewport()->size();
    const double rate = std::min(static_cast<double>(view.width()) / FBitmap.width(),
                                 static_cast<double>(view.height()) / FBitmap.height()) * 100;
    SetRate(static_cast<int>(rate));
}

void TfrmSelImage::SetBitmap(const QImage &bitmap)
{
    FBitmap = bitmap;
    if (FBitmap.isNull()) {
        imgImage->clear();
        imgImage->hide();
        return;
    }
    SetRate(100);
    imgImage->show();
}

void TfrmSelImage::showPicture()
{
    if (FBitmap.isNull())
        return;
    const int rate = Rate();
    const QSize size(std::max(1, FBitmap.width() * rate / 100), std::max(1, FBitmap.height() * rate / 100));
    imgImage->setPixmap(QPixmap::fromImage(FBitmap.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
    imgImage->resize(size);
}

void TfrmSelImage::SetBackgroundColor(TColor color)
{
    FColor = color & 0xFFFFFF;
    const QColor q = ToQColor(FColor);
    QPixmap swatch(shpColor->size());
    swatch.fill(q);
    shpColor->setPixmap(swatch);
    lblRGB->setText(QString::asprintf("R:%d G:%d B:%d", q.red(), q.green(), q.blue()));
    lblHex->setText(QString::asprintf("#%02X%02X%02X", q.red(), q.green(), q.blue()));
}

bool TfrmSelImage::LoadFile(const QString &path)
{
    QImage picture;
    const bool shown = isVisible();
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        picture = LoadFlatPicture(path, shown ? this : nullptr);
        QApplication::restoreOverrideCursor();
    } catch (const std::exception &e) {
        QApplication::restoreOverrideCursor();
        // Closed while reading: the user no longer waits for that picture.
        if (!shown || isVisible())
            ShowError(this, QString::fromUtf8(e.what()));
        return false;
    }
    SetBitmap(picture);
    FitWhole();
    return true;
}

void TfrmSelImage::PickAt(int x, int y)
{
    if (FBitmap.isNull())
        return;
    const QPoint p = PickedPixel(x, y, Rate(), FBitmap.size());
    if (p.x() < 0)
        return;
    SetBackgroundColor(FromQColor(FBitmap.pixelColor(p)));
}

bool TfrmSelImage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == imgImage && event->type() == QEvent::MouseButtonPress) {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() == Qt::LeftButton) {
            PickAt(me->position().toPoint().x(), me->position().toPoint().y());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmSelImage::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TfrmSelImage::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile())
        LoadFile(urls.first().toLocalFile());
}

void TfrmSelImage::done(int result)
{
    TFormPlacement(this, FIni).Save();
    QDialog::done(result);
}

} // namespace vellora
