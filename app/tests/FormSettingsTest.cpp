#include "app/FormSettings.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>

using namespace vellora;

namespace {

std::unique_ptr<TExtIniFile> memoryIni(const QString &path)
{
    auto ini = std::make_unique<TExtIniFile>();
    ini->SetAutoUpdate(false);
    ini->SetDefaultFolder(TDefaultFolder::dfUser);
    ini->SetFileName(path);
    return ini;
}

} // namespace

TEST(FormSettings, AWindowPlacementRoundTripsThroughTheFormFamily)
{
    QTemporaryDir tmp;
    auto ini = memoryIni(tmp.filePath(QStringLiteral("forms.ini")));
    QWidget written;
    written.setObjectName(QStringLiteral("frmMain"));
    written.setGeometry(100, 120, 300, 200);
    WriteForm2(*ini, QStringLiteral("Forms"), &written);
    const QString s = QStringLiteral("Forms");
    EXPECT_EQ(ini->ReadStr(s, QStringLiteral("frmMain"), QString()), QStringLiteral("FORM"));
    EXPECT_EQ(ini->ReadInt(s, QStringLiteral("frmMain.left"), -1), 100);
    EXPECT_EQ(ini->ReadInt(s, QStringLiteral("frmMain.right"), -1), 400);
    EXPECT_EQ(ini->ReadInt(s, QStringLiteral("frmMain.bottom"), -1), 320);
    EXPECT_EQ(ini->ReadInt(s, QStringLiteral("frmMain.show"), -1), 1);
    EXPECT_EQ(ini->ReadInt(s, QStringLiteral("frmMain.state"), -1), 0);
    EXPECT_EQ(ini->ReadInt(s, QStringLiteral("frmMain.cwidth"), -1), 300);

    QWidget restored;
    restored.setObjectName(QStringLiteral("frmMain"));
    restored.setGeometry(0, 0, 50, 50);
    ReadForm2(*ini, s, &restored);
    EXPECT_EQ(restored.geometry(), QRect(100, 120, 300, 200));
    EXPECT_FALSE(restored.isVisible());
    EXPECT_EQ(WindowStateOf(&restored), 0);

    // A stored maximised state makes a hidden window maximised; its normal
    // rectangle is still the stored one.
    ini->WriteInt(s, QStringLiteral("frmMain.state"), 2);
    QWidget maximised;
    ReadForm(*ini, s, QStringLiteral("frmMain"), &maximised);
    EXPECT_TRUE(maximised.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(WindowPlacementOf(&maximised).ShowCmd, kShowMaximized);
}

TEST(FormSettings, SizeOnlyAndPositionOnlyVariants)
{
    QTemporaryDir tmp;
    auto ini = memoryIni(tmp.filePath(QStringLiteral("forms.ini")));
    const QString s = QStringLiteral("Forms");
    QWidget source;
    source.setGeometry(100, 120, 300, 200);
    WriteForm(*ini, s, QStringLiteral("dlg"), &source);
    ini->WriteInt(s, QStringLiteral("dlg.cwidth"), 280);
    ini->WriteInt(s, QStringLiteral("dlg.cheight"), 150);

    QWidget sized;
    sized.setGeometry(10, 20, 50, 50);
    ReadWinSize(*ini, s, QStringLiteral("dlg"), &sized);
    EXPECT_EQ(sized.geometry(), QRect(10, 20, 300, 200));
    ReadWinSizeEx(*ini, s, QStringLiteral("dlg"), &sized);
    EXPECT_EQ(sized.geometry(), QRect(10, 20, 280, 150));

    QWidget moved;
    moved.setGeometry(10, 20, 50, 60);
    ReadWinPos(*ini, s, QStringLiteral("dlg"), &moved);
    EXPECT_EQ(moved.geometry(), QRect(100, 120, 50, 60));

    // A damaged rectangle keeps the window's size.
    ini->WriteInt(s, QStringLiteral("dlg.right"), 50);
    QWidget damaged;
    damaged.setGeometry(0, 0, 70, 80);
    ReadForm(*ini, s, QStringLiteral("dlg"), &damaged);
    EXPECT_EQ(damaged.geometry(), QRect(100, 120, 70, 80));
}

TEST(FormSettings, ControlBounds)
{
    QTemporaryDir tmp;
    auto ini = memoryIni(tmp.filePath(QStringLiteral("forms.ini")));
    QWidget parent;
    QWidget *panel = new QWidget(&parent);
    panel->setGeometry(5, 6, 70, 80);
    WriteBounds(*ini, QStringLiteral("C"), QStringLiteral("Panel"), panel);
    panel->setGeometry(0, 0, 1, 1);
    ReadBounds(*ini, QStringLiteral("C"), QStringLiteral("Panel"), panel);
    EXPECT_EQ(panel->geometry(), QRect(5, 6, 70, 80));
    panel->setGeometry(0, 0, 1, 1);
    ReadPos(*ini, QStringLiteral("C"), QStringLiteral("Panel"), panel);
    EXPECT_EQ(panel->geometry(), QRect(5, 6, 1, 1));
    ReadSize(*ini, QStringLiteral("C"), QStringLiteral("Panel"), panel);
    EXPECT_EQ(panel->geometry(), QRect(5, 6, 70, 80));
}

TEST(FormSettings, AShownWindowTakesTheStoredShowCommand)
{
    QTemporaryDir tmp;
    auto ini = memoryIni(tmp.filePath(QStringLiteral("forms.ini")));
    const QString s = QStringLiteral("Forms");
    QWidget source;
    source.setGeometry(100, 120, 300, 200);
    WriteForm(*ini, s, QStringLiteral("w"), &source);

    QWidget shown;
    shown.setGeometry(0, 0, 50, 50);
    shown.show();
    ini->WriteInt(s, QStringLiteral("w.show"), static_cast<int>(kShowMaximized));
    ReadForm(*ini, s, QStringLiteral("w"), &shown);
    EXPECT_TRUE(shown.isVisible());
    EXPECT_TRUE(shown.isMaximized());
    ini->WriteInt(s, QStringLiteral("w.show"), static_cast<int>(kShowNormal));
    ReadForm(*ini, s, QStringLiteral("w"), &shown);
    EXPECT_FALSE(shown.isMaximized());
    EXPECT_EQ(shown.geometry(), QRect(100, 120, 300, 200));
}

// Nothing stored yet (the first run): the dialog is not moved, so that it
// opens centred over its owner instead of in the screen's corner.
TEST(FormSettings, ADialogWithNothingStoredOpensOverItsOwner)
{
    QTemporaryDir tmp;
    auto ini = memoryIni(tmp.filePath(QStringLiteral("forms.ini")));
    QWidget owner;
    owner.setGeometry(150, 100, 500, 400);
    owner.show();
    QDialog dialog(&owner);
    dialog.setObjectName(QStringLiteral("frmComment"));
    dialog.resize(360, 240);
    ReadForm2(*ini, QStringLiteral("Forms"), &dialog);
    EXPECT_EQ(dialog.size(), QSize(360, 240));
    dialog.show();
    const QPoint offset = dialog.geometry().center() - owner.geometry().center();
    EXPECT_LE(offset.manhattanLength(), 8) << dialog.geometry().x() << "," << dialog.geometry().y();

    // Once stored, the stored place wins.
    dialog.setGeometry(QRect(QPoint(20, 30), dialog.size()));
    WriteForm2(*ini, QStringLiteral("Forms"), &dialog);
    QDialog again(&owner);
    again.setObjectName(QStringLiteral("frmComment"));
    ReadForm2(*ini, QStringLiteral("Forms"), &again);
    again.show();
    EXPECT_EQ(again.geometry().topLeft(), QPoint(20, 30));
}
