// The small dialogs and containers of the windows: the picture open dialog
// with a preview pane, the folder picker and a panel that passes its
// enabled state on to its children. UI thread only.
#pragma once

#include <QFileDialog>
#include <QFrame>
#include <QString>

class QLabel;

namespace vellora {

// A file open dialog (never the platform's, so filters and the preview
// behave the same everywhere) with a preview of the current image file.
class TQvOpenPictureDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit TQvOpenPictureDialog(QWidget *parent = nullptr);
    // "description|patterns|description|patterns..." as the windows build
    // it; patterns separated by ";" become Qt's space-separated form.
    void SetFilter(const QString &filter);
    QLabel *Preview() const { return FPreview; }
    // Shows the picture of a file in the preview pane (empty: clears it).
    void ShowPreview(const QString &path);

private:
    QLabel *FPreview;
    QLabel *FPreviewInfo;
};

// Converts a "description|patterns|..." filter into QFileDialog's name
// filters: each pattern list "*.a;*.b" becomes "*.a *.b" inside brackets.
QStringList ToQtNameFilters(const QString &filter);

// Folder picker with a root folder and a title.
class TFolderDialog {
public:
    QString Title;
    QString RootFolder;       // where browsing starts when Folder is empty
    QString Folder;           // chosen folder (in and out)
    bool NewFolder = true;    // false: the user may not create folders
    QWidget *Parent = nullptr;

    bool Execute();
    // The dialog Execute shows, set up but not run (for callers that want
    // to drive it themselves).
    std::unique_ptr<QFileDialog> MakeDialog() const;
};

// A panel whose enabled state is passed on to its child controls, also to
// those that were disabled on their own before (they come back enabled).
class TPanelEx : public QFrame {
    Q_OBJECT
public:
    explicit TPanelEx(QWidget *parent = nullptr);
    void SetEnabled(bool value);
};

} // namespace vellora
