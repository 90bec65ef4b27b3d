#include "app/print/PrintWindows.h"

#include "app/MainForm.h"
#include "app/print/PreviewForm.h"
#include "app/print/PrintForm.h"
#include "app/print/ResolutionWarnings.h"
#include "model/PhotoPaper.h"

#include <QAction>
#include <QFileInfo>

namespace vellora {

void InstallPrintWindows(TfrmMain &main)
{
    main.OnPrintDialog = [](TfrmMain &m) {
        TfrmPrint dialog(&m);
        dialog.SetPaper(&m.Paper());
        // Another printer is a change of the document, shown at once.
        QObject::connect(&dialog, &TfrmPrint::printerChanged, &m, [&m] {
            m.UpdateStatus(StatusBit(TStatusPanel::spPrinter));
            m.SetDocumentModified(true);
        });
        return dialog.exec();
    };
    main.OnPreviewWindow = [](TfrmMain &m) {
        TfrmPrev preview(&m);
        preview.SetIniFile(&m.Ini());
        preview.SetTitle(QFileInfo(m.Paper().DocumentFileName()).completeBaseName());
        preview.SetPaper(&m.Paper());
        new TPreviewResolution(preview);   // owned by the window
        return preview.exec();
    };
    for (const char *name : {"actPrint", "actPrintPreview"}) {
        if (QAction *a = main.Action(QLatin1String(name)))
            main.SetActionPending(a, false);
    }
}

} // namespace vellora
