#include "app/EntryCheck.h"

#include "graphics/GraphicClass.h"
#include "graphics/GraphicClassList.h"
#include "model/ImageInfo.h"
#include "plugins/SPIBmp.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>

namespace vellora {

namespace {

constexpr qint64 kKeepMs = 5000;
constexpr int kHeadBytes = 4096;
constexpr int kTailBytes = 32;

} // namespace

QString TEntryChecker::CheckFile(const QString &fileName, const TGraphicClassList &classes) {
    const QFileInfo fi(fileName);
    if (!fi.exists())
        return QCoreApplication::translate("EntryCheck", "ファイルが見つかりません。");
    if (!fi.isFile())
        return QCoreApplication::translate("EntryCheck", "ファイルではありません。");
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return file.error() == QFileDevice::PermissionsError ? QCoreApplication::translate("EntryCheck", "ファイルを読み取る権限がありません。")
                                                             : QCoreApplication::translate("EntryCheck", "ファイルを読み取れません。");
    const qint64 size = file.size();
    if (size == 0)
        return QCoreApplication::translate("EntryCheck", "空のファイルです。");
    const QByteArray head = file.read(kHeadBytes);
    const int index = classes.IndexOfExtension(ExtractFileExt(fileName));
    const TGraphicClass *byName = index >= 0 ? classes.GraphicClass(index) : nullptr;
    // Plug-in formats are known by their plug-ins only: their content is not judged here.
    if (byName == &SPIBitmapClass())
        return {};
    if (!DetectGraphicClass(head))
        return QCoreApplication::translate("EntryCheck", "画像ファイルではないか、壊れています。");
    // A JPEG ends with its end marker and a PNG with its end chunk; a file
    // cut short has neither (a little padding after them is allowed).
    QByteArray tail;
    if (size > kTailBytes && file.seek(size - kTailBytes))
        tail = file.read(kTailBytes);
    else if (file.seek(0))
        tail = file.read(kTailBytes);
    const bool jpeg = head.startsWith("\xFF\xD8");
    const bool png = head.startsWith("\x89PNG");
    if ((jpeg && !tail.contains("\xFF\xD9")) || (png && !tail.contains("IEND")))
        return QCoreApplication::translate("EntryCheck", "画像が途中で切れています。");
    return {};
}

QString TEntryChecker::Problem(const TImageInfo &info) {
    // Embedded photos are read from the document, which the open has checked.
    if (info.LogMode() == TImageLogging::iloStream)
        return {};
    if (!FClock.isValid())
        FClock.start();
    const qint64 now = FClock.elapsed();
    auto it = FCache.find(&info);
    if (it != FCache.end() && now - it->At < kKeepMs)
        return it->Problem;
    const QString problem = CheckFile(info.FileName(), FClasses);
    FCache.insert(&info, Answer{problem, now});
    return problem;
}

void DrawEntryMarker(QPainter &canvas, const QRect &box, int size) {
    const QIcon icon = QIcon::fromTheme(QStringLiteral("dialog-warning"),
                                        QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning));
    const QRect r(box.left(), box.top(), size, size);
    canvas.save();
    // A white disc keeps the sign readable on any photo.
    canvas.setRenderHint(QPainter::Antialiasing);
    canvas.setPen(Qt::NoPen);
    canvas.setBrush(QColor(255, 255, 255, 220));
    canvas.drawEllipse(r.adjusted(-2, -2, 2, 2));
    icon.paint(&canvas, r);
    canvas.restore();
}

void TEntryMarkerDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const {
    QStyledItemDelegate::paint(painter, option, index);
    if (index.column() != 0 || !FProblem || FProblem(index.row()).isEmpty())
        return;
    // At the right end of the name, where it does not hide the check box.
    const int size = std::max(10, std::min(16, option.rect.height() - 2));
    const QRect box(option.rect.right() - size - 2, option.rect.top() + (option.rect.height() - size) / 2, size, size);
    DrawEntryMarker(*painter, box, size);
}

} // namespace vellora
