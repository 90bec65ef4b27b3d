#include "app/controls/ProgressForm.h"

#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace vellora;

TEST(ProgressForm, PercentIsRoundedAndEmptyAtMaximumZero) {
    TfrmProgress f;
    f.SetMax(0);
    EXPECT_EQ(f.lblPercent->text(), QString());
    f.SetMax(3);
    f.StepIt();
    EXPECT_EQ(f.lblPercent->text(), QStringLiteral("33%"));
    f.StepIt();
    EXPECT_EQ(f.lblPercent->text(), QStringLiteral("67%"));
    f.SetPosition(3);
    EXPECT_EQ(f.lblPercent->text(), QStringLiteral("100%"));
}

TEST(ProgressForm, ButtonsAndMaxResetFlags) {
    TfrmProgress f;
    EXPECT_EQ(f.btnCancel->text(), QStringLiteral("中止(&C)"));
    EXPECT_EQ(f.btnStop->text(), QStringLiteral("中断(&S)"));
    EXPECT_TRUE(f.btnStop->isDefault());
    f.SetMax(10);
    f.SetPosition(4);
    QTest::mouseClick(f.btnCancel, Qt::LeftButton);
    QTest::mouseClick(f.btnStop, Qt::LeftButton);
    EXPECT_TRUE(f.Canceled());
    EXPECT_TRUE(f.Stopped());
    f.SetMax(5);
    EXPECT_FALSE(f.Canceled());
    EXPECT_FALSE(f.Stopped());
    EXPECT_EQ(f.Position(), 0);
}

TEST(ProgressForm, HandlersMayRefuse) {
    TfrmProgress f;
    int asked = 0;
    f.SetOnCancel([&](TfrmProgress &, bool &accept) {
        ++asked;
        accept = false;
    });
    f.SetOnStop([&](TfrmProgress &sender, bool &accept) { accept = &sender == &f; });
    f.btnCancel->click();
    f.btnStop->click();
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(f.Canceled());
    EXPECT_TRUE(f.Stopped());
}

TEST(ProgressForm, EscAndCloseRequestsCancelAndTheLoopSeesThem) {
    QMainWindow owner;
    owner.resize(600, 400);
    owner.show();
    TfrmProgress f(&owner);
    f.SetVisibleStop(false);
    f.SetMax(1000);
    f.Start();
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.windowModality(), Qt::WindowModal);
    EXPECT_FALSE(f.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_NEAR(f.frameGeometry().center().x(), owner.frameGeometry().center().x(), 2);

    // A click queued while a loop runs reaches the button through the
    // throttled pumping of SetPosition.
    QTimer::singleShot(0, f.btnCancel, [&] { QTest::mouseClick(f.btnCancel, Qt::LeftButton); });
    int i = 0;
    QElapsedTimer t;
    t.start();
    while (!f.Canceled() && t.elapsed() < 5000)
        f.SetPosition(++i % 1000);
    EXPECT_TRUE(f.Canceled());

    f.SetMax(10);
    QTest::keyClick(&f, Qt::Key_Escape);
    EXPECT_TRUE(f.Canceled());
    EXPECT_TRUE(f.isVisible());   // the operation decides when to close

    f.SetMax(10);
    f.close();
    EXPECT_TRUE(f.Canceled());
    EXPECT_TRUE(f.isVisible());
    f.Finish();
    EXPECT_FALSE(f.isVisible());
}

TEST(ProgressForm, Render) {
    TfrmProgress f;
    f.setFont(QFont(test::testFontFamily(), 9));
    f.SetMax(3);
    f.SetPrompt(QStringLiteral("印刷しています - 2ページ"));
    f.StepIt();
    f.show();
    QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
    ASSERT_TRUE(f.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/frmProgress.png")));
}
