// The print preview: its pages against the print run's, pages made on the
// helper thread and ahead, zoom and page commands, the rate box, no pages,
// window placement, and renders.
#include "app/print/PreviewForm.h"

#include "app/print/PageMaker.h"
#include "app/print/PrinterColorPanel.h"
#include "app/PrinterSetupDialog.h"

#include "app/controls/NumberEdit.h"
#include "model/ImageInfo.h"
#include "model/ImageListItems.h"
#include "model/PhotoPaper.h"
#include "model/TextArea.h"
#include "print/DevicePrint.h"
#include "print/MemoryService.h"
#include "settings/IniFile.h"
#include "testsupport/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QAbstractItemView>
#include <QThread>
#include <gtest/gtest.h>

using namespace vellora;
using namespace vellora::test;

namespace {

const QColor kColors[] = {QColor(220, 30, 30), QColor(30, 180, 40), QColor(30, 40, 220), QColor(230, 200, 20),
                          QColor(150, 30, 160)};

char classify(QRgb p)
{
    for (int i = 0; i < 5; ++i) {
        const QColor &c = kColors[i];
        if (std::abs(qRed(p) - c.red()) < 40 && std::abs(qGreen(p) - c.green()) < 40 && std::abs(qBlue(p) - c.blue()) < 40)
            return static_cast<char>('A' + i);
    }
    return qRed(p) > 235 && qGreen(p) > 235 && qBlue(p) > 235 ? '.' : '?';
}

QString photo(int i)
{
    const QString path = scratchDir(QStringLiteral("preview-photos")) + QStringLiteral("/%1.jpg").arg(i);
    if (!QFile::exists(path)) {
        QImage image(160, 120, QImage::Format_RGB32);
        image.fill(kColors[i]);
        image.save(path, "JPEG", 95);
    }
    return path;
}

// A preview that records its error boxes instead of showing them.
class Preview : public TfrmPrev {
public:
    QStringList boxes;

protected:
    void ShowErrorBox(const QString &instruction, const QString &text) override
    {
        boxes << instruction + QLatin1Char('|') + text;
    }
};

class PreviewForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        QApplication::setFont(QFont(testFontFamily(), 9));
        system = std::make_shared<TFakeSystem>();
        system->devices.push_back(TMemoryService::StandardDevice(QStringLiteral("Fake")));
        old = SetQvPrint(std::make_unique<TDevicePrint>(
            std::make_unique<TJwPrinter>(std::make_unique<TMemoryService>(system))));
        paper.SetDivide({2, 2});
        paper.SetSpace(FloatSize(4, 4));
        paper.PhotoAreas().AdjustAreas();
        paper.SetInfos(&list);
    }
    void TearDown() override { SetQvPrint(std::move(old)); }

    void add(int count, bool checked = true)
    {
        for (int i = 0; i < count; ++i) {
            infos.push_back(std::make_unique<TImageInfo>());
            infos.back()->SetFileName(photo(static_cast<int>(infos.size() - 1) % 5), TImageLogging::iloLink);
            list.Add(infos.back().get(), checked);
        }
    }
    // The cells of the page shown, read at the cells' centres.
    QString shownCells(const TfrmPrev &prev) const
    {
        const QImage shown = prev.Shown().convertToFormat(QImage::Format_RGB32);
        const double dpr = shown.devicePixelRatio();
        const double mmToPx = prev.logicalDpiY() * prev.ShowRate() / (100.0 * 25.4);
        QString out;
        for (int i = 0; i < paper.PhotoAreas().Count(); ++i) {
            const TFloatRect &b = paper.PhotoAreas().Items(i)->Bounds();
            const double x = prev.Margin() + static_cast<double>(b.Left + b.Right) / 2 * mmToPx;
            const double y = prev.Margin() + static_cast<double>(b.Top + b.Bottom) / 2 * mmToPx;
            out += QLatin1Char(classify(shown.pixel(static_cast<int>(x * dpr), static_cast<int>(y * dpr))));
        }
        return out;
    }
    // Pages are made on a helper thread: wait until the current one is shown.
    static void waitReady(const TfrmPrev &prev)
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return prev.PageReady(); }, 30000)) << "page " << prev.Page() + 1;
    }
    static void render(QWidget &w, const char *name)
    {
        QApplication::processEvents();
        QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
        EXPECT_TRUE(w.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/%1.png").arg(QLatin1String(name))));
    }

    std::shared_ptr<TFakeSystem> system;
    std::unique_ptr<TQvPrint> old;
    std::vector<std::unique_ptr<TImageInfo>> infos;
    TImageListItems list;
    TPhotoPaper paper;
};

} // namespace

TEST_F(PreviewForm, ShowsThePagesOfThePrintRun)
{
    add(5);
    paper.PrintOptions().StartArea = 2;
    Preview prev;
    prev.SetPaper(&paper);
    prev.show();
    EXPECT_EQ(prev.PageMax(), 1);
    EXPECT_EQ(prev.lblMaxPage->text(), QStringLiteral("/ 2"));
    EXPECT_LE(prev.ShowRate(), 100);
    EXPECT_EQ(prev.cmbShowRate->currentText(), QStringLiteral("%1%").arg(prev.ShowRate()));
    waitReady(prev);
    EXPECT_EQ(shownCells(prev), QStringLiteral(".ABC"));
    prev.actPageNext->trigger();
    EXPECT_EQ(prev.Page(), 1);
    EXPECT_EQ(prev.edtPage->AsInteger(), 2);
    waitReady(prev);
    EXPECT_EQ(shownCells(prev), QStringLiteral("DE.."));
    // The shown page is the run's own page image, scaled.
    const TPageGeometry g = ExportPageGeometry(paper);
    PreparePages(paper, paper.PrintOptions());
    const QImage exported = RenderPrintPage(paper, 2, g);
    EXPECT_EQ(classify(exported.pixel(exported.width() / 4, exported.height() / 4)), 'D');
    EXPECT_TRUE(prev.boxes.isEmpty());
    render(prev, "frmPrev-fit-width");
}

TEST_F(PreviewForm, HelperThreadPagesEqualTheRunsOwn)
{
    // Real photos, a page number and a file name linked to a cell: the helper
    // draws on copies of the layout and the entries, and must match.
    add(3);
    for (const char *name : {"canon-ixus.jpg", "landscape_1.jpg"}) {
        infos.push_back(std::make_unique<TImageInfo>());
        infos.back()->SetFileName(testDataPath(QStringLiteral("pages/photos/") + QLatin1String(name)),
                                  TImageLogging::iloLink);
        list.Add(infos.back().get(), true);
    }
    TTextArea *number = paper.Areas().AddText();
    number->SetSource(TTextSourceType::tstPageNumber);
    number->SetBounds(FloatRect(10, 280, 60, 290));
    TTextArea *name = paper.Areas().AddText();
    name->SetSource(TTextSourceType::tstFileName);
    name->SetLinkAreaIndex(1);
    name->SetBounds(FloatRect(110, 280, 200, 290));
    paper.PrintOptions().StartArea = 2;
    PreparePages(paper, paper.PrintOptions());
    const TPageGeometry g = ExportPageGeometry(paper, 72);
    ASSERT_EQ(infos[3]->ImageWidth(), 0) << "the size is learnt by drawing";

    TPageMaker maker;
    maker.SetPaper(&paper);
    QSignalSpy made(&maker, &TPageMaker::pageMade);
    maker.Request(2, g, false);
    maker.Request(1, g, false);
    maker.Request(2, g, false);   // asked for twice, made once
    // Made in the order asked for: a second page 2 would come before this one.
    const TPageGeometry last = ScaledPageGeometry(g, 0.5);
    maker.Request(1, last, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !made.isEmpty() && made.last()[1].toSize().height() == last.heightPx; },
                                30000));
    ASSERT_EQ(made.size(), 3);
    made.removeLast();
    // The entries on the UI thread learn what drawing found out.
    EXPECT_GT(infos[3]->ImageWidth(), 0);
    for (const QList<QVariant> &result : made) {
        const int page = result[0].toInt();
        EXPECT_TRUE(result[3].toString().isEmpty()) << result[3].toString().toStdString();
        EXPECT_EQ(result[1].toSize(), QSize(g.widthPx, g.heightPx));
        EXPECT_EQ(result[2].value<QImage>(), RenderPrintPage(paper, page, g)) << "page " << page;
    }
}

TEST_F(PreviewForm, APageWhoseEntryCannotBeCopiedIsMadeOnThePaper)
{
    // A photo whose Exif block is damaged after it was added: copying its
    // entry reads the file again and fails.
    const QString path = scratchDir(QStringLiteral("preview-damaged")) + QStringLiteral("/damaged.jpg");
    QFile::remove(path);
    ASSERT_TRUE(QFile::copy(photo(2), path));
    add(1);
    infos.push_back(std::make_unique<TImageInfo>());
    infos.back()->SetFileName(path, TImageLogging::iloLink);
    list.Add(infos.back().get(), true);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray jpeg = file.readAll();
    file.close();
    const QByteArray app1("\xFF\xE1\x00\x10" "Exif\0\0" "II*\0" "\xF0\xFF\xFF\x7F", 18);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(jpeg.left(2) + app1 + jpeg.mid(2));
    file.close();
    ASSERT_ANY_THROW(TImageInfo().SetFileName(path, TImageLogging::iloLink));

    PreparePages(paper, paper.PrintOptions());
    const TPageGeometry g = ExportPageGeometry(paper, 72);
    TPageMaker maker;
    maker.SetPaper(&paper);
    QSignalSpy made(&maker, &TPageMaker::pageMade);
    maker.Request(1, g, true);
    EXPECT_TRUE(made.isEmpty()) << "reported from the event loop";
    ASSERT_TRUE(made.wait(30000));
    EXPECT_TRUE(made[0][3].toString().isEmpty()) << made[0][3].toString().toStdString();
    const QImage page = made[0][2].value<QImage>();
    EXPECT_EQ(classify(page.pixel(page.width() * 3 / 4, page.height() / 4)), 'C');
    EXPECT_EQ(page, RenderPrintPage(paper, 1, g));
}

namespace {

struct Report {
    const TImageInfo *info;
    int cell;
    QString problem;
    bool drawn;
    double ppi;
    int page;   // the paper's current page when told
    bool operator==(const Report &) const = default;
};

} // namespace

TEST_F(PreviewForm, PhotosDrawnOnTheHelperAreToldOnTheUiThreadInDrawingOrder)
{
    // Two pages: three photos, a file that is no picture, and one more photo.
    add(3);
    const QString broken = scratchDir(QStringLiteral("preview-reports")) + QStringLiteral("/broken.jpg");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("this is not a picture");
    file.close();
    infos.push_back(std::make_unique<TImageInfo>());
    infos.back()->SetFileName(broken, TImageLogging::iloLink);
    list.Add(infos.back().get(), true);
    add(1);
    PreparePages(paper, paper.PrintOptions());
    const TPageGeometry g = ExportPageGeometry(paper, 72);

    std::vector<Report> reports;
    bool offThread = false;
    paper.SetOnPhotoDrawn([&](const TPhotoDrawReport &r) {
        offThread = offThread || QThread::currentThread() != qApp->thread();
        reports.push_back({r.info, r.cell, r.problem, r.drawn, r.effectivePpi, paper.PrintingInfo().piNowPage});
    });
    // What the paper tells when it draws the pages itself.
    RenderPrintPage(paper, 1, g);
    RenderPrintPage(paper, 2, g);
    const std::vector<Report> expected = reports;
    ASSERT_EQ(expected.size(), 5u);
    EXPECT_EQ(expected[3].info, infos[3].get());
    EXPECT_FALSE(expected[3].problem.isEmpty());
    EXPECT_FALSE(expected[3].drawn);
    reports.clear();

    TPrintingInfo info = paper.PrintingInfo();
    info.piNowPage = 9;
    paper.SetPrintingInfo(info);
    TPageMaker maker;
    maker.SetPaper(&paper);
    std::vector<std::size_t> toldBeforeMade;
    QObject::connect(&maker, &TPageMaker::pageMade, [&] { toldBeforeMade.push_back(reports.size()); });
    maker.Request(1, g, false);
    maker.Request(2, g, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return toldBeforeMade.size() == 2; }, 30000));
    EXPECT_FALSE(offThread);
    EXPECT_EQ(reports, expected);
    EXPECT_EQ(toldBeforeMade, (std::vector<std::size_t>{4, 5}));

    // Pages of a paper replaced before they came back tell nothing.
    reports.clear();
    maker.Request(1, ScaledPageGeometry(g, 0.5), false);
    maker.SetPaper(&paper);
    maker.Request(2, ScaledPageGeometry(g, 0.5), false);
    // The helper makes pages in turn: page 1 came back (and was dropped) first.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !toldBeforeMade.empty() && toldBeforeMade.size() == 3; }, 30000));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].info, infos[4].get());
    EXPECT_EQ(reports[0].page, 2);
}

TEST_F(PreviewForm, KeptPicturesServeOnlyTheSamePhotoAtTheSameReduction)
{
    // A photo large enough to be decoded reduced, twice on the page, then
    // edited: pages at two zooms and again must each be what the paper
    // itself draws.
    const QString path = scratchDir(QStringLiteral("preview-kept")) + QStringLiteral("/large.jpg");
    auto writePhoto = [&](const QColor &colour, int secondsAhead) {
        // Stripes finer than a reduced decode keeps, so that decodes at two
        // reductions differ.
        QImage image(1600, 1200, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                image.setPixelColor(x, y, (x + y) % 6 < 3 ? colour.lighter(112) : colour.darker(112));
        }
        ASSERT_TRUE(image.save(path, "JPEG", 90));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(secondsAhead), QFileDevice::FileModificationTime));
    };
    writePhoto(kColors[0], 0);
    for (int i = 0; i < 2; ++i) {
        infos.push_back(std::make_unique<TImageInfo>());
        infos.back()->SetFileName(path, TImageLogging::iloLink);
        list.Add(infos.back().get(), true);
    }
    add(2);
    PreparePages(paper, paper.PrintOptions());
    const TPageGeometry g = ExportPageGeometry(paper, 72);
    const TPageGeometry small = ScaledPageGeometry(g, 0.5);

    TPageMaker maker;
    maker.SetPaper(&paper);
    QSignalSpy made(&maker, &TPageMaker::pageMade);
    auto make = [&](const TPageGeometry &at) {
        const qsizetype before = made.size();
        maker.Request(1, at, true);
        if (!QTest::qWaitFor([&] { return made.size() > before; }, 30000)) {
            ADD_FAILURE() << "page not made";
            return QImage();
        }
        return made.last()[2].value<QImage>();
    };
    for (const TPageGeometry &at : {g, small, g}) {
        const QImage page = make(at);
        EXPECT_EQ(page, RenderPrintPage(paper, 1, at)) << at.widthPx;
        EXPECT_EQ(classify(page.pixel(page.width() / 4, page.height() / 4)), 'A');
        EXPECT_EQ(classify(page.pixel(page.width() * 3 / 4, page.height() / 4)), 'A');
    }
    writePhoto(kColors[4], 5);
    const QImage edited = make(g);
    EXPECT_EQ(classify(edited.pixel(edited.width() / 4, edited.height() / 4)), 'E');
    EXPECT_EQ(edited, RenderPrintPage(paper, 1, g));
}

TEST_F(PreviewForm, APageGivenUpForAnUrgentOneCanBeAskedForAgain)
{
    add(8);
    PreparePages(paper, paper.PrintOptions());
    const TPageGeometry g = ExportPageGeometry(paper, 72);
    TPageMaker maker;
    maker.SetPaper(&paper);
    QSignalSpy made(&maker, &TPageMaker::pageMade);
    maker.Request(1, g, false);
    maker.Request(2, g, true);
    auto madePage = [&](int page) {
        return std::any_of(made.begin(), made.end(), [&](const QList<QVariant> &m) { return m[0].toInt() == page; });
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return madePage(2); }, 30000));
    // Page 1 was made or given up; either way it is no longer pending and a
    // new request makes it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !maker.IsPending(1, g); }, 30000));
    made.clear();
    maker.Request(1, g, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return madePage(1); }, 30000));
    EXPECT_EQ(made.last()[2].value<QImage>(), RenderPrintPage(paper, 1, g));
}

TEST_F(PreviewForm, PagesMadeAheadShowAtOnceAndAZoomShowsAStandIn)
{
    add(12);
    Preview prev;
    prev.SetPaper(&paper);
    prev.show();
    // The window is not held up: the sheet shows under the progress panel.
    EXPECT_FALSE(prev.PageReady());
    EXPECT_TRUE(prev.pnlProgress->isVisible());
    EXPECT_FALSE(prev.Shown().isNull());
    QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
    prev.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/frmPrev-making-page.png"));
    waitReady(prev);
    EXPECT_FALSE(prev.pnlProgress->isVisible());
    // The next page is made while the first one is looked at.
    ASSERT_TRUE(QTest::qWaitFor([&] { return prev.PagesMade() >= 2; }, 30000));
    prev.actPageNext->trigger();
    EXPECT_TRUE(prev.PageReady()) << "shown without waiting";
    EXPECT_EQ(shownCells(prev), QStringLiteral("EABC"));

    // Another zoom: the page made for the old one stands in, scaled, until the new one is made.
    const QSize before = prev.scbPreview->PictureSize();
    prev.SetShowRate(prev.ShowRate() + 40);
    EXPECT_FALSE(prev.PageReady());
    EXPECT_FALSE(prev.pnlProgress->isVisible());
    EXPECT_GT(prev.scbPreview->PictureSize().width(), before.width());
    EXPECT_EQ(shownCells(prev), QStringLiteral("EABC"));
    waitReady(prev);
    EXPECT_EQ(shownCells(prev), QStringLiteral("EABC"));
    EXPECT_TRUE(prev.boxes.isEmpty());
}

TEST_F(PreviewForm, ZoomAndPageCommands)
{
    add(12);
    Preview prev;
    prev.SetPaper(&paper);
    prev.show();
    struct Step {
        QAction *action;
        int rateBefore, rateAfter;
    } const zoom[] = {
        {prev.actShowUp, 200, 100},   // beyond 200 jumps to 100
        {prev.actShowUp, 100, 120},
        {prev.actShowDown, 20, 20},
        {prev.actShowDown, 60, 40},
        {prev.actShowSame, 160, 100},
    };
    for (const Step &s : zoom) {
        prev.SetShowRate(s.rateBefore);
        s.action->trigger();
        EXPECT_EQ(prev.ShowRate(), s.rateAfter) << s.action->text().toStdString() << " from " << s.rateBefore;
    }
    struct Typed {
        const char *text;
        int rate;
    } const typed[] = {{"75", 75}, {"75%", 75}, {" 90 % ", 90}, {"-50%", 20}, {"500", 200}, {"abc", 200}};
    for (const Typed &t : typed) {
        prev.cmbShowRate->setEditText(QString::fromUtf8(t.text));
        QTest::keyClick(prev.cmbShowRate->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(prev.ShowRate(), t.rate) << t.text;
        EXPECT_EQ(prev.cmbShowRate->currentText(), QStringLiteral("%1%").arg(t.rate)) << t.text;
    }
    EXPECT_TRUE(prev.isVisible()) << "Enter in the rate box does not close the window";

    struct Nav {
        QAction *action;
        int page;
    } const nav[] = {{prev.actPageLast, 2}, {prev.actPageNext, 2}, {prev.actPagePrior, 1},
                     {prev.actPageFirst, 0}, {prev.actPagePrior, 0}};
    for (const Nav &n : nav) {
        n.action->trigger();
        EXPECT_EQ(prev.Page(), n.page) << n.action->text().toStdString();
        EXPECT_EQ(prev.edtPage->AsInteger(), n.page + 1);
    }
    prev.edtPage->setFocus();
    prev.edtPage->setText(QStringLiteral("3"));
    QTest::keyClick(prev.edtPage, Qt::Key_Return);
    EXPECT_EQ(prev.Page(), 2);
    EXPECT_TRUE(prev.isVisible());

    // The shortcuts and captions of the commands.
    EXPECT_EQ(prev.actQuickPrint->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(prev.actShowDown->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F3));
    EXPECT_EQ(prev.actQuickPrint->toolTip(), QStringLiteral("すぐに印刷"));

    // Only a few display-size pages stay made, however many were seen.
    for (int i = 0; i < 3; ++i) {
        prev.actPageNext->trigger();
        waitReady(prev);
    }
    EXPECT_LE(prev.PagesKept(), 6);

    prev.SetShowRate(200);
    waitReady(prev);
    render(prev, "frmPrev-200");
}

TEST_F(PreviewForm, FittingFollowsTheWindowSize)
{
    add(4);
    Preview prev;
    prev.SetPaper(&paper);
    prev.resize(700, 600);
    prev.show();
    waitReady(prev);
    prev.actShowWidth->trigger();
    EXPECT_EQ(prev.FitMode(), TPageFitMode::pfmFit);
    const int wide = prev.ShowRate();
    // The sheet is taller than the view: the vertical scroll bar shows and
    // the whole width, margins included, still fits beside it.
    auto fitsTheWidth = [&] {
        QApplication::processEvents();
        const QSize shown = prev.scbPreview->PictureSize();
        EXPECT_TRUE(prev.scbPreview->verticalScrollBar()->isVisible());
        EXPECT_FALSE(prev.scbPreview->horizontalScrollBar()->isVisible());
        EXPECT_LE(shown.width(), prev.scbPreview->viewport()->width());
        // and no larger rate would: one percent more is wider than the view.
        EXPECT_GT(shown.width() * (prev.ShowRate() + 1) / prev.ShowRate(), prev.scbPreview->viewport()->width());
    };
    fitsTheWidth();
    prev.resize(500, 600);
    QApplication::processEvents();
    EXPECT_LT(prev.ShowRate(), wide);
    EXPECT_EQ(prev.ShowRate(), prev.FitWidthRate());
    fitsTheWidth();
    prev.actShowAll->trigger();
    EXPECT_EQ(prev.FitMode(), TPageFitMode::pfmFitProportional);
    // The whole sheet, its margin and shadow included, is in view.
    QApplication::processEvents();
    const QSize shown = prev.scbPreview->PictureSize();
    EXPECT_LE(shown.height(), prev.scbPreview->viewport()->height() + 2);
    EXPECT_LE(shown.width(), prev.scbPreview->viewport()->width() + 2);
    prev.actShowSame->trigger();
    EXPECT_EQ(prev.FitMode(), TPageFitMode::pfmNoFit);
}

TEST_F(PreviewForm, WithoutPagesItSaysSo)
{
    add(3, false);
    paper.PrintOptions().CheckOnly = true;
    Preview prev;
    prev.SetPaper(&paper);
    prev.show();
    EXPECT_EQ(prev.PageMax(), -1);
    EXPECT_EQ(prev.lblMaxPage->text(), QStringLiteral("/ ページなし"));
    ASSERT_EQ(prev.boxes.size(), 1);
    EXPECT_EQ(prev.boxes[0], QStringLiteral("印刷するページがありません|印刷データが存在しないため、プレビューを表示できません。"));
    render(prev, "frmPrev-no-pages");
}

TEST_F(PreviewForm, ResultsTitleAndPlacement)
{
    add(1);
    const QString path = scratchDir(QStringLiteral("preview-ini")) + QStringLiteral("/Vellora.ini");
    QFile::remove(path);
    TExtIniFile ini;
    ini.SetAutoUpdate(false);
    ini.SetDefaultFolder(TDefaultFolder::dfUser);
    ini.SetFileName(path);
    {
        Preview prev;
        prev.SetIniFile(&ini);
        prev.SetTitle(QStringLiteral("旅行"));
        EXPECT_EQ(prev.windowTitle(), QStringLiteral("印刷プレビュー - 旅行"));
        prev.SetPaper(&paper);
        prev.show();
        prev.resize(611, 533);
        prev.actQuickPrint->trigger();
        EXPECT_EQ(prev.result(), kPreviewQuickPrint);
    }
    EXPECT_EQ(ini.ReadInt(QStringLiteral("Forms"), QStringLiteral("frmPrev.right"), 0)
                  - ini.ReadInt(QStringLiteral("Forms"), QStringLiteral("frmPrev.left"), 0),
              611);
    Preview again;
    again.SetIniFile(&ini);
    again.SetPaper(&paper);
    again.show();
    EXPECT_EQ(again.size(), QSize(611, 533));
    again.actPrint->trigger();
    EXPECT_EQ(again.result(), kPreviewPrint);
}

TEST_F(PreviewForm, WithoutAPrinterPrintingIsDisabledWithAReason)
{
    system->devices.clear();
    auto none = SetQvPrint(std::make_unique<TDevicePrint>(
        std::make_unique<TJwPrinter>(std::make_unique<TMemoryService>(system))));
    add(2);
    {
        Preview prev;
        prev.SetPaper(&paper);
        prev.show();
        EXPECT_FALSE(prev.actPrint->isEnabled());
        EXPECT_FALSE(prev.actQuickPrint->isEnabled());
        EXPECT_TRUE(prev.actQuickPrint->toolTip().contains(QStringLiteral("プリンタ")));
        waitReady(prev);
        EXPECT_EQ(shownCells(prev), QStringLiteral("AB.."));
    }
    SetQvPrint(std::move(none));
}

TEST_F(PreviewForm, AFitKeepsFittingAfterATypedRateWhateverTheRateBoxDoesNext)
{
    // Typing a rate and pressing Enter, then 全体: the box shows the fit
    // rate, and leaving the box, or the box selecting its matching item, is
    // no new rate: the window keeps fitting.
    add(4);
    Preview prev;
    prev.SetPaper(&paper);
    prev.show();
    prev.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&prev));
    QComboBox *box = prev.cmbShowRate;
    // A height at which the whole-page rate is one of the box's items, so
    // that the box has an item to select for it.
    for (int h = 300; h < 1000 && box->findText(QStringLiteral("%1%").arg(prev.FitAllRate())) < 0; h += 2) {
        prev.resize(800, h);
        QApplication::processEvents();
    }
    ASSERT_GE(box->findText(QStringLiteral("%1%").arg(prev.FitAllRate())), 0);
    QToolButton *all = nullptr;
    for (QToolButton *b : prev.findChildren<QToolButton *>()) {
        if (b->defaultAction() == prev.actShowAll)
            all = b;
    }
    ASSERT_TRUE(all);
    auto pick = [&](int row) {
        box->showPopup();
        QAbstractItemView *v = box->view();
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, v->visualRect(v->model()->index(row, 0)).center());
        QApplication::processEvents();
    };
    struct Case {
        const char *name;
        int pickedBefore;   // an item chosen from the list first, or -1
        bool popupAtClick;
    } const cases[] = {{"typed", -1, false}, {"after choosing 50%", 4, false}, {"list open at the click", -1, true},
                       {"50% chosen, list open at the click", 4, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.pickedBefore >= 0) {
            pick(c.pickedBefore);
            ASSERT_EQ(prev.ShowRate(), box->itemText(c.pickedBefore).chopped(1).toInt());
        }
        box->lineEdit()->setFocus();
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), QStringLiteral("200"));
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        ASSERT_EQ(prev.ShowRate(), 200);
        if (c.popupAtClick)
            box->showPopup();
        QTest::mouseClick(all, Qt::LeftButton);
        box->hidePopup();
        prev.scbPreview->setFocus();
        QApplication::processEvents();
        EXPECT_EQ(prev.FitMode(), TPageFitMode::pfmFitProportional);
        EXPECT_EQ(prev.ShowRate(), prev.FitAllRate());
        EXPECT_EQ(box->currentText(), QStringLiteral("%1%").arg(prev.ShowRate()));
    }
    // Choosing another rate from the list still ends the fitting.
    pick(0);
    EXPECT_EQ(prev.FitMode(), TPageFitMode::pfmNoFit);
    EXPECT_EQ(prev.ShowRate(), 200);
    EXPECT_EQ(box->currentText(), QStringLiteral("200%"));
}

TEST_F(PreviewForm, SoftProofSimulatesThePrinterProfileAndMarksColoursOutOfItsGamut)
{
    add(4);
    Preview prev;
    prev.SetPaper(&paper);
    prev.show();
    waitReady(prev);
    // Without a printer profile there is nothing to simulate: it says so.
    prev.actSoftProof->trigger();
    EXPECT_FALSE(prev.actSoftProof->isChecked());
    ASSERT_EQ(prev.boxes.size(), 1);
    EXPECT_TRUE(prev.boxes.at(0).contains(QStringLiteral("カラープロファイルが設定されていません")));

    auto greys = [](const QImage &image) {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        int n = 0;
        for (int y = 0; y < rgb.height(); ++y)
            for (int x = 0; x < rgb.width(); ++x) {
                const QRgb p = rgb.pixel(x, y);
                n += std::abs(qRed(p) - 128) <= 2 && std::abs(qGreen(p) - 128) <= 2 && std::abs(qBlue(p) - 128) <= 2;
            }
        return n;
    };
    const QImage plain = prev.Shown();
    // SMPTE-C's gamut is a little smaller than sRGB's: the saturated swatches
    // fall outside it.
    const QString printer = QvPrint().CurrentPrinterName();
    SetPrinterColorFor(printer, TPrinterColor{QStringLiteral("/usr/share/color/icc/colord/SMPTE-C-RGB.icc")});
    prev.actSoftProof->trigger();
    ASSERT_TRUE(prev.actSoftProof->isChecked());
    EXPECT_TRUE(prev.actGamutWarning->isEnabled());
    waitReady(prev);
    EXPECT_EQ(shownCells(prev), QStringLiteral("ABCD"));   // colours close to the originals
    prev.actGamutWarning->trigger();
    waitReady(prev);
    EXPECT_GT(greys(prev.Shown()), greys(plain) + 100);
    render(prev, "frmPrev-soft-proof-gamut");
    prev.actSoftProof->trigger();
    waitReady(prev);
    EXPECT_EQ(prev.Shown(), plain);
    SetPrinterColorFor(printer, {});
}

TEST_F(PreviewForm, ThePrinterSetupKeepsAnOutputProfilePerPrinterAndInTheSettings)
{
    auto *device = dynamic_cast<TDevicePrint *>(&QvPrint());
    ASSERT_NE(device, nullptr);
    TExtIniFile ini;
    ini.SetAutoUpdate(false);
    SetPrinterColorSettings(&ini);
    const QString profile = QStringLiteral("/usr/share/color/icc/colord/AdobeRGB1998.icc");
    {
        TJwPrinterSetupDialog dialog(device->JwPrinter());
        TPrinterColorPanel *panel = AddPrinterColorPanel(dialog);
        EXPECT_EQ(panel->cmbColorProfile->currentText(), QStringLiteral("なし"));
        EXPECT_FALSE(panel->cmbRenderingIntent->isEnabled());
        // The system's colour folder is listed by the profiles' descriptions.
        const int at = panel->cmbColorProfile->findData(profile);
        ASSERT_GE(at, 0);
        EXPECT_FALSE(panel->cmbColorProfile->itemText(at).endsWith(QLatin1String(".icc")));
        panel->cmbColorProfile->setCurrentIndex(at);
        EXPECT_TRUE(panel->cmbRenderingIntent->isEnabled());
        panel->cmbRenderingIntent->setCurrentIndex(1);
        panel->chkBlackPoint->setChecked(false);
        dialog.show();
        render(dialog, "dlgPrinter-color-profile");
        dialog.accept();
    }
    const QString printer = QvPrint().CurrentPrinterName();
    const TPrinterColor chosen = PrinterColorFor(printer);
    EXPECT_EQ(chosen.profile, profile);
    EXPECT_EQ(chosen.intent, TRenderIntent::riRelativeColorimetric);
    EXPECT_FALSE(chosen.blackPointCompensation);
    EXPECT_EQ(ini.ReadStr(QStringLiteral("PrinterColor"), printer, QString()), profile + QStringLiteral("|1|0"));
    // Read back as the program does at start.
    SetPrinterColorFor(printer, {});
    LoadPrinterColors(ini);
    EXPECT_EQ(PrinterColorFor(printer), chosen);
    // Cancel changes nothing.
    {
        TJwPrinterSetupDialog dialog(device->JwPrinter());
        TPrinterColorPanel *panel = AddPrinterColorPanel(dialog);
        EXPECT_EQ(panel->Value(), chosen);
        panel->cmbColorProfile->setCurrentIndex(0);
        dialog.reject();
    }
    EXPECT_EQ(PrinterColorFor(printer), chosen);
    SetPrinterColorSettings(nullptr);
    SetPrinterColorFor(printer, {});
}
