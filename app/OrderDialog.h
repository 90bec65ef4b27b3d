// TfrmOrder: builds a new order of the print list. The records start in a
// source list (right) and are moved into the target list (left, the new
// order) one by one, all at once or at random; OK moves what is left over in
// source order, so the target always ends up holding every record. The
// dialog only points at the records (owned by the print list) and never
// changes them. UI thread only.
#pragma once

#include <QDialog>
#include <QImage>
#include <QList>
#include <functional>

class QAction;
class QMenu;
class QTreeView;

namespace vellora {

class TBackgroundRead;
class TfrmMain;
class TImageInfo;
class TImageInfos;
class TOrderListModel;
struct TLoadedPicture;

// A picture centred in its box, reduced (never enlarged) to fit with its
// proportions kept.
class TOrderPreview : public QWidget {
    Q_OBJECT
public:
    explicit TOrderPreview(QWidget *parent = nullptr);
    const QImage &Picture() const noexcept { return FPicture; }
    void SetPicture(const QImage &picture);
    // A line over the picture (or in its place), such as a reading notice.
    const QString &Text() const noexcept { return FText; }
    void SetText(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage FPicture;
    QString FText;
};

class TfrmOrder : public QDialog {
    Q_OBJECT
public:
    // Column widths are restored from and saved to the owner's settings, and
    // the owner's list gives thumbnails and the document for the preview;
    // without an owner the dialog works alone.
    explicit TfrmOrder(TfrmMain *owner = nullptr);
    ~TfrmOrder() override;

    // Fills the source list with the records in print-list order.
    void SetImages(TImageInfos *images);
    TImageInfos *Images() const noexcept { return FImages; }
    // The records of the target list, in order (the result after OK).
    QList<TImageInfo *> Order() const;
    // The records still in the source list, in the order shown.
    QList<TImageInfo *> Remaining() const;

    // The source column the list is sorted by (0 name, 1 shot, 2 file
    // time), -1 for none.
    int SortSource() const noexcept { return FSortSource; }
    void SortSourceBy(int column);

    // Random numbers 0 <= n < bound for the random adds; replaceable so a
    // test can fix the sequence.
    std::function<quint32(quint32 bound)> Random;

    void accept() override;
    void done(int result) override;
    // A plug-in reads the picture of the chosen entry now.
    bool PictureLoading() const;

    QTreeView *lvSource;
    QTreeView *lvDest;
    TOrderPreview *imgPrev;
    QAction *actAdd;
    QAction *actAddAll;
    QAction *actAddRandom;
    QAction *actAddRandomAll;
    QAction *actDelete;
    QAction *actDeleteAll;
    QMenu *pmnSource;
    QMenu *pmnDest;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addSelected(bool random);
    void addAll(bool random);
    void deleteSelected();
    void deleteAll();
    void shuffle(QList<TImageInfo *> &records);
    // Moves records dropped (or double-clicked) from one list into another
    // at row (-1: the end).
    void moveRecords(TOrderListModel &from, const QList<int> &rows, TOrderListModel &to, int row);
    void showPreview(TImageInfo *info);
    // The picture as the box shows it, from what was loaded (the list's
    // thumbnail when nothing was).
    QImage previewPicture(TImageInfo *info, const TLoadedPicture *loaded, QSize box) const;
    void showLoaded(TImageInfo *info, const TLoadedPicture &loaded, QSize box);
    void updateActions();
    void afterSourceChange();

    TfrmMain *FOwner;
    TImageInfos *FImages = nullptr;
    int FSortSource = -1;
    TOrderListModel *FSourceModel;
    TOrderListModel *FDestModel;
    TBackgroundRead *FPictureRead;
};

} // namespace vellora
