#include "app/layout/LayoutWindows.h"

#include "app/MainForm.h"
#include "app/controls/DropDst.h"
#include "app/layout/AdjustDialog.h"
#include "app/layout/LayoutDialog.h"
#include "model/PaperPrinter.h"
#include "model/PhotoPaper.h"

#include <QAction>

namespace vellora {

void InstallLayoutWindows(TfrmMain &main)
{
    if (QAction *layout = main.Action(QStringLiteral("actLayout"))) {
        QObject::connect(layout, &QAction::triggered, &main, [&main] {
            try {
                TfrmLayout dialog(&main, &main.Ini());
                dialog.SetPaper(main.Paper());
                if (dialog.exec() == QDialog::Accepted)
                    main.ApplyLayout(dialog.Paper());
            } catch (...) {
                ShowCurrentException(&main);
            }
        });
        main.SetActionPending(layout, false);
    }
    if (QAction *adjust = main.Action(QStringLiteral("mitAdjustPos"))) {
        QObject::connect(adjust, &QAction::triggered, &main, [&main] {
            try {
                TfrmAdjust dialog(&main, &main.Ini());
                const TFloatSize adjusts = main.Paper().PrintOptions().Adjusts;
                dialog.SetAdjustLeft(static_cast<double>(adjusts.cx));
                dialog.SetAdjustTop(static_cast<double>(adjusts.cy));
                if (dialog.exec() == QDialog::Accepted)
                    main.ApplyAdjustment(dialog.AdjustLeft(), dialog.AdjustTop());
            } catch (...) {
                ShowCurrentException(&main);
            }
        });
        main.SetActionPending(adjust, false);
    }
}

} // namespace vellora
