// TfrmSelImage, the picture picker: loads a picture (flattened on white),
// shows it at a display rate and picks a transparent colour from it with a
// click. UI thread only.
#pragma once

#include "settings/Font.h"

#include "app/controls/NumberEdit.h"

#include <QDialog>
#include <QImage>

class QLabel;
class QScrollArea;

namespace vellora {

class TExtIniFile;

// Pictures beyond this many pixels are refused rather than decoded.
inline constexpr qint64 kMaxPicturePixels = 100'000'000;

// The picture pixel under a click at (x, y) of the picture shown at `rate`
// percent, or (-1, -1) when the click lies beside the picture.
QPoint PickedPixel(int x, int y, int rate, QSize pictureSize);

// The open dialog's filter: "すべて" and one entry per format the program decodes.
QString PictureFilter();

// Reads a picture file and flattens it on white; throws Error with a message
// naming the file when it cannot be read or is too large. A plug-in read
// stops when the owner window closes.
QImage LoadFlatPicture(const QString &path, const QWidget *owner = nullptr);

class TfrmSelImage : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSelImage(QWidget *parent = nullptr, TExtIniFile *ini = nullptr);
    ~TfrmSelImage() override;

    const QImage &Bitmap() const noexcept { return FBitmap; }
    void SetBitmap(const QImage &bitmap);
    TColor BackgroundColor() const noexcept { return FColor; }
    void SetBackgroundColor(TColor color);
    int Rate() const;
    void SetRate(int rate);
    // "全体": the rate that fits the picture into the view.
    void FitWhole();
    // Loads a picture file; on failure shows a message and keeps the old picture.
    bool LoadFile(const QString &path);
    // A click on the shown picture at view pixel (x, y).
    void PickAt(int x, int y);

    void done(int result) override;

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showPicture();

    TExtIniFile *FIni;
    QImage FBitmap;
    TColor FColor = clBlack;
    int FSaveRate = 100;
    QScrollArea *scrImage;
    QLabel *imgImage;
    TUpdownNumberEdit *edtRate;
    QLabel *shpColor, *lblRGB, *lblHex;
};

} // namespace vellora
