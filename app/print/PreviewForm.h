// TfrmPrev "印刷プレビュー": the pages of the print run exactly as the run
// draws them (model/PrintRun.h renders both), one page at a time, with zoom,
// page navigation and panning. Closes with 100 (print dialog wanted), 101
// (print at once) or 0. Pages are made on demand on a helper thread
// (TPageMaker) and kept as display-size copies (a few at a time; evicted ones
// are made again); the neighbours of the page shown are made ahead. While a
// page is made the window stays usable: it shows the page at another zoom
// scaled, or the blank sheet under the progress panel. UI thread only.
#pragma once

#include "app/print/ZoomPanView.h"
#include "model/PrintRun.h"

#include <QColor>
#include <QDialog>
#include <QImage>

#include "graphics/ColorManagement.h"
#include <functional>
#include <list>
#include <memory>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QPainter;
class QProgressBar;
class QStatusBar;
class QToolBar;

namespace vellora {

class TExtIniFile;
class TImageListItems;
class TNumberEdit;
class TPageMaker;
class TPhotoPaper;

enum class TPageFitMode : std::uint8_t { pfmNoFit, pfmFit, pfmFitProportional };

inline constexpr int kPreviewPrint = 100;
inline constexpr int kPreviewQuickPrint = 101;
inline constexpr std::uint32_t kNoColor = 0x1FFFFFFF;

class TfrmPrev : public QDialog {
    Q_OBJECT
public:
    using TDrawGuideEvent = std::function<void(TfrmPrev &sender, QPainter &canvas, const QRect &paperRect,
                                               const QRect &pageRect, int rate, bool &handled)>;
    using TPrinterChangedEvent = std::function<void(TfrmPrev &sender, bool &recreatePrev)>;

    explicit TfrmPrev(QWidget *parent = nullptr);
    ~TfrmPrev() override;

    // Counts the pages (FPageMax = pages - 1; -1 when there is none).
    void SetPaper(TPhotoPaper *paper);
    TPhotoPaper *Paper() const noexcept { return FPaper; }
    TImageListItems *Images() const;
    // Window placement in "Forms"/"frmPrev"; none without a settings file.
    void SetIniFile(TExtIniFile *ini) { FIni = ini; }

    bool AutoRecreate() const noexcept { return FAutoRecreate; }
    void SetAutoRecreate(bool value) { FAutoRecreate = value; }
    QColor BackColor() const { return FBackColor; }
    void SetBackColor(const QColor &color);
    TPageFitMode FitMode() const noexcept { return FFitMode; }
    void SetFitMode(TPageFitMode mode);
    QColor GuideColor() const { return FGuideColor; }
    void SetGuideColor(const QColor &color);
    int Margin() const noexcept { return FMargin; }
    void SetMargin(int value);
    QColor PaperColor() const { return FPaperColor; }
    void SetPaperColor(const QColor &color);
    // kNoColor disables the shadow.
    std::uint32_t ShadowColor() const noexcept { return FShadowColor; }
    void SetShadowColor(std::uint32_t color);
    int ShowRate() const noexcept { return FShowRate; }
    void SetShowRate(int rate);              // clamped to 20 ... 200
    QString Title() const { return FTitle; }
    void SetTitle(const QString &title);
    bool VisibleProgress() const noexcept { return FVisibleProgress; }
    void SetVisibleProgress(bool value) { FVisibleProgress = value; }
    bool GuideVisible() const noexcept { return FGuide; }
    int Page() const noexcept { return FPage; }             // 0-based
    int PageMax() const noexcept { return FPageMax; }
    QString StatusText() const;
    void SetStatusText(const QString &text);
    QString Prompt() const;
    void SetPrompt(const QString &text);
    int ProgressMin() const;
    int ProgressMax() const;
    int ProgressPos() const;
    void StepIt();
    void SetOnDrawGuide(TDrawGuideEvent handler) { FOnDrawGuide = std::move(handler); }
    void SetOnPrinterChanged(TPrinterChangedEvent handler) { FOnPrinterChanged = std::move(handler); }

    // Shows the current page, asking for it to be made when it is not.
    void Execute();
    int FitWidthRate() const;
    int FitAllRate() const;
    // Moves to a page (0-based, clamped) and shows it.
    void GoToPage(int page);
    // The program's printer changed: fires OnPrinterChanged with
    // RecreatePrev := AutoRecreate and remakes the pages when it stays true.
    void PrinterChanged();
    // The composed picture of the current page as shown (for tests).
    const QImage &Shown() const;
    // Whether the picture shown holds the current page made for the current
    // zoom (not a stand-in while it is made).
    bool PageReady() const noexcept { return FReady; }
    // Pages made since the window opened (for tests of the page cache).
    int PagesMade() const noexcept { return FPagesMade; }
    // Display-size pages kept, and their bytes (for tests of the page cache).
    int PagesKept() const noexcept { return static_cast<int>(FPages.size()); }
    qint64 KeptBytes() const;

signals:
    // The current page, made for the current zoom, is on screen.
    void pageShown(int page);

public:

    // Soft proof: the page as the printer's output profile renders it
    // (PrinterColorFor the current printer), colours out of its gamut grey
    // while actGamutWarning is on as well.
    QAction *actSoftProof, *actGamutWarning;
    QAction *actPrint, *actQuickPrint, *actGuide, *actClose, *actShowUp, *actShowDown, *actShowSame,
        *actShowWidth, *actShowAll, *actPageFirst, *actPagePrior, *actPageNext, *actPageLast;
    QComboBox *cmbShowRate;
    TNumberEdit *edtPage;
    QLabel *lblMaxPage;
    QStatusBar *stbStatus;
    QLabel *lblPaper, *lblPrinter, *lblStatus;
    QFrame *pnlProgress;
    QLabel *lblPrompt;
    QProgressBar *pbrMake;
    TZoomPanView *scbPreview;

protected:
    // The error box of the window (a task dialog with OK).
    virtual void ShowErrorBox(const QString &instruction, const QString &text);
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void done(int result) override;

private:
    struct MadePage {
        int page = 0;
        QImage image;          // its size tells the zoom it was made for
    };
    void makeActions();
    void applyRateText();
    // The rate box shows the rate as the window wrote it, not edited since.
    bool rateTextUntouched() const;
    void showPage();
    void updateProof();
    // The page at the current zoom: its geometry, sheet and printable rectangles.
    TPageGeometry displayGeometry(QSize *paper, QRect *printable) const;
    void compose(const QImage *made, const QSize &paper, const QRect &pageRect);
    const MadePage *findPage(int page, QSize size);
    const MadePage *standIn(int page) const;
    void pageMade(int page, QSize size, const QImage &image, const QString &error);
    void keep(int page, const QImage &image);
    void requestAhead(const TPageGeometry &g);
    void showProgress(bool on);
    void refit();
    void updateStatus();
    void updatePageEdit();
    void setRateInternal(int rate, TPageFitMode mode);
    double screenPpi() const;
    double devicePixelRatioF2() const;
    int pictureExtra() const;

    TPhotoPaper *FPaper = nullptr;
    TExtIniFile *FIni = nullptr;
    TPageGeometry FGeometry;
    bool FHasGeometry = false;
    bool FAutoRecreate = true;
    QColor FBackColor{192, 192, 192};
    TPageFitMode FFitMode = TPageFitMode::pfmNoFit;
    QColor FGuideColor{255, 0, 0};
    bool FGuide = true;
    bool FInitilized = false;
    int FMargin = 10;
    int FPage = 0;
    int FPageMax = -1;
    QColor FPaperColor{255, 255, 255};
    bool FPrinting = false;          // the paper's slots are prepared
    std::uint32_t FShadowColor = 8421504;
    int FShowRate = 100;
    QString FTitle;
    bool FVisibleProgress = true;
    std::list<MadePage> FPages;      // most recently used first
    int FPagesMade = 0;
    QImage FShown;
    bool FReady = false;
    TColorTransformPtr FProof;   // while soft proofing
    QSize FWanted;                   // size of the current page at the current zoom
    TPageMaker *FMaker = nullptr;
    TDrawGuideEvent FOnDrawGuide;
    TPrinterChangedEvent FOnPrinterChanged;
};

} // namespace vellora
