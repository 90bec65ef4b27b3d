// TfrmSelArea, the photo-area chooser: shows the paper's grid, lets the user
// pick a cell and, depending on the mode, copy a cell's free areas or own
// settings to others, clear its free areas, or open its per-area settings.
// Changes the paper's cells in place. UI thread only.
#pragma once

#include <QDialog>
#include <QRect>
#include <vector>

class QAction;
class QPushButton;
class QToolBar;

namespace vellora {

class TExtIniFile;
class TPhotoPaper;
class TSelAreaView;

enum class TSelectionMode : std::uint8_t { smSelect, smSetting, smSelectOnly, smCheck };
enum class TPasteKind : std::uint8_t { pkOne, pkRow, pkColumn, pkAll };

// The cells a paste reaches from `selected` in a grid of `columns` × `count`
// cells; the copy source itself is never among them.
std::vector<int> PasteTargets(TPasteKind kind, int selected, int source, int columns, int count);

class TfrmSelArea : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSelArea(QWidget *parent = nullptr, TExtIniFile *ini = nullptr);

    TPhotoPaper *Paper() const noexcept { return FPaper; }
    void SetPaper(TPhotoPaper *paper);
    TSelectionMode SelectionMode() const noexcept { return FSelectionMode; }
    void SetSelectionMode(TSelectionMode mode);
    int Selected() const noexcept { return FSelected; }
    void SetSelected(int index);
    int CopySource() const noexcept { return FCopySource; }

    void Copy();
    void Paste(TPasteKind kind);
    void Clear();
    // The area under a point of the picture, or -1.
    int AreaAt(QPoint point) const;

    // Cell rectangles of the last drawing (picture pixels), the paper's and the rate.
    const std::vector<QRect> &AreaRects() const noexcept { return FAreas; }
    QRect PaperRect() const noexcept { return FPaperRect; }
    double Rate() const noexcept { return FRate; }

    void accept() override;
    void done(int result) override;

private:
    friend class TSelAreaView;
    void layoutPicture(QSize client);
    void drawPicture(class QPainter &painter, QSize client);
    void updateActions();
    void openAreaProp();

    TExtIniFile *FIni;
    std::vector<QRect> FAreas;
    int FCopySource = -1;
    TPhotoPaper *FPaper = nullptr;
    QRect FPaperRect;
    double FRate = 1;
    int FSelected = 0;
    TSelectionMode FSelectionMode = TSelectionMode::smSelect;

    TSelAreaView *imgPaper;
    QToolBar *tbrArea;
    QAction *actCopy, *actPaste, *actPasteHorz, *actPasteVert, *actPasteAll, *actClear;
    QPushButton *btnOk, *btnCancel;
};

} // namespace vellora
