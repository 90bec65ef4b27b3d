#include "app/controls/PictureDialogs.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QLayout>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace vellora {

QStringList ToQtNameFilters(const QString &filter) {
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString &p : patterns)
            p = p.trimmed();
        // A description that already ends in its patterns, as "JPEGイメージ
        // (*.jpg)" does, names them once: the dialog adds them itself.
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && description.endsWith(QLatin1Char(')'))) {
            QStringList named = description.mid(open + 1, description.size() - open - 2)
                                    .split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
            QStringList sortedPatterns = patterns;
            named.sort(Qt::CaseInsensitive);
            sortedPatterns.sort(Qt::CaseInsensitive);
            if (named == sortedPatterns)
                description = description.left(open).trimmed();
        }
        // Qt reads the patterns from the last brackets: other brackets of the
        // description would be taken as patterns.
        description.replace(QLatin1Char('('), QCoreApplication::translate("vellora::TQvOpenPictureDialog", "（")).replace(QLatin1Char(')'), QCoreApplication::translate("vellora::TQvOpenPictureDialog", "）"));
        result << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return result;
}

TQvOpenPictureDialog::TQvOpenPictureDialog(QWidget *parent)
    : QFileDialog(parent), FPreview(new QLabel), FPreviewInfo(new QLabel) {
    setObjectName(QStringLiteral("dlgOpenPic"));
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::ExistingFiles);
    setAcceptMode(QFileDialog::AcceptOpen);
    FPreview->setObjectName(QStringLiteral("imgPreview"));
    FPreview->setFixedSize(160, 160);
    FPreview->setAlignment(Qt::AlignCenter);
    FPreview->setFrameShape(QFrame::StyledPanel);
    FPreviewInfo->setObjectName(QStringLiteral("lblPreviewInfo"));
    FPreviewInfo->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto *pane = new QWidget;
    auto *box = new QVBoxLayout(pane);
    box->setContentsMargins(0, 0, 0, 0);
    box->addWidget(FPreview);
    box->addWidget(FPreviewInfo);
    box->addStretch(1);
    if (auto *grid = qobject_cast<QGridLayout *>(layout()))
        grid->addWidget(pane, 0, grid->columnCount(), grid->rowCount(), 1);
    connect(this, &QFileDialog::currentChanged, this, &TQvOpenPictureDialog::ShowPreview);
}

void TQvOpenPictureDialog::SetFilter(const QString &filter) { setNameFilters(ToQtNameFilters(filter)); }

void TQvOpenPictureDialog::ShowPreview(const QString &path) {
    FPreview->clear();
    FPreviewInfo->clear();
    if (path.isEmpty())
        return;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid()) {
        const qreal dpr = devicePixelRatioF();
        reader.setScaledSize(size.scaled(FPreview->size() * dpr, Qt::KeepAspectRatio));
    }
    QImage image = reader.read();
    if (image.isNull())
        return;
    image.setDevicePixelRatio(devicePixelRatioF());
    FPreview->setPixmap(QPixmap::fromImage(image));
    if (size.isValid())
        FPreviewInfo->setText(QStringLiteral("%1×%2").arg(size.width()).arg(size.height()));
}

std::unique_ptr<QFileDialog> TFolderDialog::MakeDialog() const {
    auto dialog = std::make_unique<QFileDialog>(Parent, Title);
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    dialog->setOption(QFileDialog::ReadOnly, !NewFolder);
    dialog->setDirectory(Folder.isEmpty() ? RootFolder : Folder);
    return dialog;
}

bool TFolderDialog::Execute() {
    auto dialog = MakeDialog();
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return false;
    Folder = dialog->selectedFiles().constFirst();
    return true;
}

TPanelEx::TPanelEx(QWidget *parent) : QFrame(parent) {}

void TPanelEx::SetEnabled(bool value) {
    setEnabled(value);
    for (QWidget *w : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        w->setEnabled(value);
}

} // namespace vellora
