// Default column widths of the main window's details view.
#include "app/MainForm.h"

#include "model/ImageInfo.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QTreeView>

#include <algorithm>

namespace vellora {

// Wide enough for each caption and for a long value in the list's font, so
// nothing is cut in a new installation; saved widths replace these later.
void TfrmMain::fitDefaultColumns() {
    QTreeView *tree = lvFile->TreeView();
    QHeaderView *header = tree->header();
    const QFontMetrics metrics(tree->font());
    const TDateTime late = DateTimeFromQt(QDateTime(QDate(2026, 12, 28), QTime(23, 59, 59, 999)));
    const QString samples[] = {
        QStringLiteral("IMG_20261228_235959.jpg"),
        ShotTimeText(late),
        FileTimeText(late),
        FileSizeText(std::int64_t(999) * 1024 * 1024),
        ImageSizeText(TIntSize{10000, 10000}),
        QStringLiteral("99"),
    };
    const int margin = 2 * (tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree) + 1) + 6;
    // The name column also holds the check box and the small picture.
    const int checkAndIcon =
        tree->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, tree) + tree->iconSize().width() + 8;
    const int count = std::min(lvFile->ColumnCount(), int(std::size(samples)));
    for (int i = 0; i < count; ++i) {
        const int value = metrics.horizontalAdvance(samples[i]) + margin + (i == 0 ? checkAndIcon : 0);
        lvFile->SetColumnWidth(i, std::max({lvFile->Column(i).Width, header->sectionSizeHint(i) + 4, value}));
    }
}

} // namespace vellora
