// The options dialog driven through its object names: the colour management
// check box shows the program's switch and OK writes a change to the
// settings and sets the switch.
#include "app/OptionDialog.h"
#include "graphics/ColorManagement.h"
#include "settings/IniFile.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace vellora;

namespace {

// Opens the dialog, clicks the check box when `toggle`, then OK; returns
// whether the box was checked when the dialog opened. `render` names a PNG
// of the dialog as shown.
bool runDialog(TExtIniFile &ini, const QString &cache, bool toggle, const char *render = nullptr)
{
    TfrmOption dialog(ini);
    dialog.OnMessage = [](const QString &instruction, const QString &, bool) {
        ADD_FAILURE() << "unexpected message: " << instruction.toStdString();
        return 1;
    };
    auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("edtTemporaryPath"));
    auto *box = dialog.findChild<QCheckBox *>(QStringLiteral("chkColorManage"));
    auto *ok = dialog.findChild<QPushButton *>(QStringLiteral("btnOK"));
    EXPECT_TRUE(edit && box && ok);
    if (!edit || !box || !ok)
        return false;
    EXPECT_EQ(box->text(), QStringLiteral("カラーマネジメントを行う"));
    edit->setText(cache);
    const bool shown = box->isChecked();
    if (render) {
        QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
        EXPECT_TRUE(dialog.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/") + QLatin1String(render)));
    }
    if (toggle)
        QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    return shown;
}

} // namespace

TEST(OptionDialog, TheColourManagementBoxRoundTripsTheSetting)
{
    QTemporaryDir tmp;
    TExtIniFile ini;
    ini.SetAutoUpdate(false);
    ini.SetDefaultFolder(TDefaultFolder::dfUser);
    ini.SetFileName(tmp.filePath(QStringLiteral("options.ini")));
    const QString section = QStringLiteral("Option"), key = QStringLiteral("ColorManage");
    TColorManageScope on(true);

    // Left alone, nothing is written: the default stays in force.
    EXPECT_TRUE(runDialog(ini, tmp.path(), false, "option-dialog.png"));
    EXPECT_EQ(ini.ReadStr(section, key, QStringLiteral("absent")), QStringLiteral("absent"));
    EXPECT_TRUE(ColorManage());

    EXPECT_TRUE(runDialog(ini, tmp.path(), true));
    EXPECT_FALSE(ColorManage());
    EXPECT_FALSE(ini.ReadBool(section, key, true));

    // Opened again it shows what was chosen; switched back on it says so.
    EXPECT_FALSE(runDialog(ini, tmp.path(), true));
    EXPECT_TRUE(ColorManage());
    EXPECT_TRUE(ini.ReadBool(section, key, false));
}
