#include "app/PrinterSetupDialog.h"

#include "print/JwPrinter.h"
#include "print/MemoryService.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QRadioButton>

using namespace vellora;

namespace {

struct Fixture {
    std::shared_ptr<TFakeSystem> system = std::make_shared<TFakeSystem>();
    std::unique_ptr<TJwPrinter> printer;
    Fixture() {
        system->devices.push_back(TMemoryService::StandardDevice(QStringLiteral("First")));
        system->devices.push_back(TMemoryService::StandardDevice(QStringLiteral("Second")));
        system->devices[1].entry.isDefault = false;
        printer = std::make_unique<TJwPrinter>(std::make_unique<TMemoryService>(system));
        printer->SetIndex(0);
    }
};

} // namespace

TEST(PrinterSetupDialog, OkAppliesAndRereadsTheSettings) {
    Fixture f;
    TJwPrinterSetupDialog dialog(*f.printer);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("プリンタの設定"));
    EXPECT_EQ(dialog.cmbPrinter->count(), 2);
    EXPECT_EQ(dialog.cmbPaper->currentText(), QStringLiteral("A4"));
    dialog.cmbPrinter->setCurrentIndex(1);
    dialog.cmbPaper->setCurrentIndex(dialog.cmbPaper->findText(QStringLiteral("はがき")));
    dialog.cmbSource->setCurrentIndex(1);
    dialog.radLandscape->setChecked(true);
    dialog.accept();
    EXPECT_EQ(f.printer->Index(), 1);
    EXPECT_FALSE(f.printer->Modified());
    EXPECT_EQ(f.printer->PaperSizeNumber(), 43);
    EXPECT_EQ(f.printer->BinNumber(), 4);
    EXPECT_EQ(f.printer->Orientation(), TJwPaperOrientation::jwOrLandScape);
    EXPECT_EQ(f.printer->DeviceSettings().paperSize, 43);   // what a job gets
}

TEST(PrinterSetupDialog, CancelDiscardsAndKeepsThePrinter) {
    Fixture f;
    const int merges = f.system->mergeCount;
    {
        TJwPrinterSetupDialog dialog(*f.printer);
        dialog.cmbPaper->setCurrentIndex(1);
        dialog.radLandscape->setChecked(true);
        dialog.cmbPrinter->setCurrentIndex(1);
        dialog.cmbPaper->setCurrentIndex(2);
        dialog.reject();
    }
    EXPECT_EQ(f.printer->Index(), 0);
    EXPECT_FALSE(f.printer->Modified());
    EXPECT_EQ(f.printer->PaperSizeNumber(), 9);
    EXPECT_EQ(f.printer->Orientation(), TJwPaperOrientation::jwOrPortrait);
    EXPECT_EQ(f.system->mergeCount, merges);
}

TEST(PrinterSetupDialog, Render) {
    Fixture f;
    TJwPrinterSetupDialog dialog(*f.printer);
    dialog.setFont(QFont(test::testFontFamily(), 9));
    dialog.show();
    QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
    EXPECT_TRUE(dialog.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/dlgPrinter.png")));
}
