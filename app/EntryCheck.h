// Whether a print-list entry's photo can be printed: a missing, unreadable,
// empty or cut-off file, or one that is no picture, gives the reason in plain
// words. Looks at the file's name, head and tail only, never decodes; the
// answers are kept for a few seconds so painting the list stays cheap. UI
// thread.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QStyledItemDelegate>

#include <functional>

class QPainter;
class QRect;

namespace vellora {

class TGraphicClassList;
class TImageInfo;

class TEntryChecker {
public:
    explicit TEntryChecker(const TGraphicClassList &classes) : FClasses(classes) {}
    // Empty when nothing is known to be wrong.
    QString Problem(const TImageInfo &info);
    void Forget(const TImageInfo *info) { FCache.remove(info); }
    void Clear() { FCache.clear(); }

    // The file check alone, without the cache.
    static QString CheckFile(const QString &fileName, const TGraphicClassList &classes);

private:
    struct Answer {
        QString Problem;
        qint64 At = 0;
    };
    const TGraphicClassList &FClasses;
    QHash<const TImageInfo *, Answer> FCache;
    QElapsedTimer FClock;
};

// The list and detail styles' delegate: the usual drawing, and the marker
// at the end of the name of a broken entry (row -> its problem).
class TEntryMarkerDelegate : public QStyledItemDelegate {
public:
    TEntryMarkerDelegate(std::function<QString(int row)> problem, QObject *parent)
        : QStyledItemDelegate(parent), FProblem(std::move(problem)) {}
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    std::function<QString(int row)> FProblem;
};

// The warning marker of a broken entry, drawn into `box` (its top-left
// square of `size` pixels).
void DrawEntryMarker(QPainter &canvas, const QRect &box, int size);

} // namespace vellora
