// Soft photos told where the user decides: the list before printing or
// exporting (with "今後表示しない"), and in the print preview the marks and
// the ppi of the cell under the mouse.
#include "app/print/ResolutionWarnings.h"

#include "app/controls/ProgressForm.h"
#include "app/print/PreviewForm.h"
#include "app/print/ZoomPanView.h"
#include "model/ImageInfo.h"
#include "model/ImageListItems.h"
#include "model/PaperPrinter.h"
#include "model/PhotoPaper.h"
#include "print/DevicePrint.h"
#include "print/MemoryPrint.h"
#include "print/MemoryService.h"
#include "settings/IniFile.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

using namespace vellora;
using namespace vellora::test;

namespace {

// A 160 × 120 photo: soft in a 2 × 1 grid on 210 × 148 mm (29 ppi), fine
// on a 50 × 20 mm sheet.
QString smallPhoto()
{
    const QString path = scratchDir(QStringLiteral("resolution-photos")) + QStringLiteral("/small.jpg");
    if (!QFile::exists(path)) {
        QImage image(160, 120, QImage::Format_RGB32);
        image.fill(QColor(30, 180, 40));
        image.save(path, "JPEG", 95);
    }
    return path;
}

// The program-wide printer: none, or one in-memory printer with the usual papers.
std::unique_ptr<TQvPrint> printer(bool withDevice)
{
    if (!withDevice)
        return std::make_unique<TMemoryPrint>();
    auto system = std::make_shared<TFakeSystem>();
    system->devices.push_back(TMemoryService::StandardDevice(QStringLiteral("Fake")));
    return std::make_unique<TDevicePrint>(std::make_unique<TJwPrinter>(std::make_unique<TMemoryService>(system)));
}

struct SoftRun {
    std::unique_ptr<TQvPrint> old;
    TPhotoPaper paper;
    TImageListItems list;
    TImageInfo info;
    QTemporaryDir tmp;
    TExtIniFile ini;

    explicit SoftRun(double width = 210, double height = 148, bool withDevice = false)
        : old(SetQvPrint(printer(withDevice)))
    {
        paper.SetPaperSize(FloatSize(width, height));
        paper.SetMargins(FloatRect(0, 0, 0, 0));
        paper.SetPhotoSize(TPhotoSize::psPhoto);
        paper.SetDivide({2, 1});
        paper.PhotoAreas().AdjustAreas();
        info.SetFileName(smallPhoto(), TImageLogging::iloLink);
        list.Add(&info, true);
        paper.SetInfos(&list);
        ini.SetAutoUpdate(false);
        ini.SetFileName(tmp.filePath(QStringLiteral("v.ini")));
    }
    ~SoftRun()
    {
        SetLowResolutionAsk({});
        SetLowResolutionProgress({});
        PaperPrinter().SetPaper(nullptr);
        SetQvPrint(std::move(old));
    }
};

} // namespace

TEST(ResolutionWarnings, TheListBeforeTheRunCanBeDeclinedOrSilenced)
{
    SoftRun r;
    QStringList shown;
    bool answer = false, silence = false;
    SetLowResolutionAsk([&](const QStringList &lines, bool &dontShowAgain) {
        shown = lines;
        dontShowAgain = silence;
        return answer;
    });
    EXPECT_FALSE(ConfirmLowResolution(nullptr, r.paper, r.paper.PrintOptions(), &r.ini));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith(QStringLiteral("small.jpg: "))) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].endsWith(QStringLiteral(" ppi (1 ページ、エリア 1)"))) << shown[0].toStdString();
    // "今後表示しない" with "キャンセル" keeps warning; with "続行" it stops.
    silence = true;
    EXPECT_FALSE(ConfirmLowResolution(nullptr, r.paper, r.paper.PrintOptions(), &r.ini));
    EXPECT_TRUE(r.ini.ReadBool(QStringLiteral("Option"), QStringLiteral("WarnLowResolution"), true));
    answer = true;
    EXPECT_TRUE(ConfirmLowResolution(nullptr, r.paper, r.paper.PrintOptions(), &r.ini));
    EXPECT_FALSE(r.ini.ReadBool(QStringLiteral("Option"), QStringLiteral("WarnLowResolution"), true));
    shown.clear();
    answer = false;
    EXPECT_TRUE(ConfirmLowResolution(nullptr, r.paper, r.paper.PrintOptions(), &r.ini));
    EXPECT_TRUE(shown.isEmpty());

    // A photo that prints finely is not worth a question.
    SoftRun fine(50, 20);
    bool asked = false;
    SetLowResolutionAsk([&](const QStringList &, bool &) { return asked = true; });
    EXPECT_TRUE(ConfirmLowResolution(nullptr, fine.paper, fine.paper.PrintOptions(), &fine.ini));
    EXPECT_FALSE(asked);
}

TEST(ResolutionWarnings, ASlowCheckShowsProgressAndItsCancelStopsTheRun)
{
    // Eight soft photos, two to a page: four pages to check.
    SoftRun r;
    std::vector<std::unique_ptr<TImageInfo>> more;
    for (int i = 0; i < 7; ++i) {
        more.push_back(std::make_unique<TImageInfo>());
        more.back()->SetFileName(smallPhoto(), TImageLogging::iloLink);
        r.list.Add(more.back().get(), true);
    }
    r.paper.SetInfos(&r.list);
    int heard = 0;
    r.paper.SetOnPhotoDrawn([&](const TPhotoDrawReport &) { ++heard; });
    bool asked = false;
    SetLowResolutionAsk([&](const QStringList &, bool &) { return asked = true; });

    // Every page is told, then the warning follows.
    std::vector<std::pair<int, int>> seen;
    SetLowResolutionProgress([&](int page, int pages, bool &) { seen.emplace_back(page, pages); });
    EXPECT_TRUE(ConfirmLowResolution(nullptr, r.paper, r.paper.PrintOptions(), &r.ini));
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 4}, {2, 4}, {3, 4}, {4, 4}}));
    EXPECT_TRUE(asked);

    // Slow: the progress window comes up, and its "中止" stops the check at
    // that page; the run does not go on and nobody is asked.
    seen.clear();
    asked = false;
    QString prompt;
    SetLowResolutionProgress([&](int page, int pages, bool &) {
        seen.emplace_back(page, pages);
        if (page == 1)
            QThread::msleep(450);
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *progress = qobject_cast<TfrmProgress *>(w); progress && progress->isVisible() && page >= 2) {
                prompt = progress->Prompt();
                EXPECT_EQ(progress->Position(), page);
                progress->btnCancel->click();
            }
    });
    EXPECT_FALSE(ConfirmLowResolution(nullptr, r.paper, r.paper.PrintOptions(), &r.ini));
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 4}, {2, 4}}));
    EXPECT_EQ(prompt, QStringLiteral("写真の解像度を確かめています"));
    EXPECT_FALSE(asked);
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<TfrmProgress *>(w) && w->isVisible());
    // The paper's own listener was neither told of the check nor dropped.
    EXPECT_EQ(heard, 0);
    ASSERT_TRUE(r.paper.OnPhotoDrawn());
}

TEST(ResolutionWarnings, ThePreviewMarksSoftCellsAndTellsThePpiUnderTheMouse)
{
    QApplication::setFont(QFont(testFontFamily(), 9));
    SoftRun r(210, 148, true);
    TfrmPrev prev;
    prev.SetPaper(&r.paper);
    auto *watch = new TPreviewResolution(prev);
    prev.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return prev.PageReady(); }, 30000));
    const auto cells = watch->CellPpi(1);
    ASSERT_EQ(cells.count(0), 1u);
    // Turned upright to the tall cell, its 120 pixels span the 105 mm width.
    EXPECT_NEAR(cells.at(0), 120 / (105 / 25.4), 2);
    // The mouse over cell 1's centre: the status bar tells its ppi.
    const double mmToPx = prev.logicalDpiY() * prev.ShowRate() / (100.0 * 25.4);
    const QPoint centre(prev.Margin() + static_cast<int>(52 * mmToPx), prev.Margin() + static_cast<int>(74 * mmToPx));
    const QString text = watch->TextAt(centre);
    EXPECT_TRUE(text.startsWith(QStringLiteral("エリア 1: "))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("ppi (解像度不足)"))) << text.toStdString();
    EXPECT_EQ(watch->TextAt(QPoint(1, 1)), QString());   // off the sheet
    // The mark is drawn on the preview near the cell's top-right corner, in yellow.
    const QImage shown = prev.Shown().convertToFormat(QImage::Format_RGB32);
    const double dpr = shown.devicePixelRatio();
    bool yellow = false;
    const int right = prev.Margin() + static_cast<int>(105 * mmToPx), top = prev.Margin();
    for (int y = top; y < top + 20 && !yellow; ++y)
        for (int x = right - 20; x < right && !yellow; ++x) {
            const QColor c = shown.pixelColor(static_cast<int>(x * dpr), static_cast<int>(y * dpr));
            yellow = c.red() > 230 && c.green() > 180 && c.blue() < 60;
        }
    EXPECT_TRUE(yellow);
    QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
    prev.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/frmPrev-low-resolution.png"));
}
