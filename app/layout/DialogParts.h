// Pieces the layout and property dialogs share: number edits with the
// dialogs' ranges, the background sample, colour boxes, font controls and
// window placement under "Forms". UI thread only.
#pragma once

#include "model/Background.h"
#include "settings/Font.h"

#include <QComboBox>
#include "app/controls/NumberEdit.h"
#include <QImage>
#include <QWidget>
#include <functional>

class QDialog;

namespace vellora {

class TExtIniFile;
class TPhotoPaper;

// The magnitude "not limited" edits still refuse: beyond any real sheet.
inline constexpr double kUnlimitedMM = 10000.0;

// A number edit with its decimals, step and range. Zero stays allowed only
// when the range holds it.
TUpdownNumberEdit *makeNumberEdit(QWidget *parent, const QString &name, int decimals, double minimum,
                                  double maximum, double step = 1.0);
// A list box with that object name and items.
QComboBox *makeComboBox(QWidget *parent, const QString &name, const QStringList &items);
// A read-only edit without spin buttons that shows any computed value.
TNumberEdit *makeDisplayEdit(QWidget *parent, const QString &name, int decimals);
// The number the edit's text shows while the user is still typing (the
// value when the text is not a number yet).
double TypedValue(const TNumberEdit *edit);
// Takes the typed text into the value (limits and rounding applied) and returns it.
double CommittedValue(TNumberEdit *edit);

// $00BBGGRR of a Qt colour.
TColor FromQColor(const QColor &color);

// A colour box: the usual colours, the current one and "その他..." which opens
// the colour dialog. Colour() reads the chosen colour.
class TColorBox : public QComboBox {
    Q_OBJECT
public:
    explicit TColorBox(QWidget *parent, const QString &name);
    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor color);

signals:
    void colorChosen(TColor color);

private:
    void onActivated(int index);
    int indexOfColor(TColor color) const;

    TColor FColor = clBlack;
    int FLastIndex = 0;
};

// The sample of a background: drawn with TBackground::Draw (preview) into the
// widget's rectangle inset by 8 pixels, at the screen's resolution, sharp at
// any device pixel ratio. The picture is cached until Refresh().
class TBackgroundSample : public QWidget {
    Q_OBJECT
public:
    explicit TBackgroundSample(QWidget *parent, const QString &name);
    void SetBackground(const TBackground *background);
    void Refresh();

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    const TBackground *FBackground = nullptr;
    QImage FCache;
};

// Font name, size and colour controls with "フォントの設定(&F)...": the
// style, which has no control of its own, rides along in the TFont.
class TFontControls : public QObject {
    Q_OBJECT
public:
    TFontControls(QComboBox *name, QComboBox *size, TColorBox *color, QObject *parent);
    void Load(const TFont &font);
    // The font with the controls' name, size and colour.
    TFont Font() const;
    // The platform font dialog preset with name and size; takes family, size
    // and style on OK.
    void ChooseFont(QWidget *parent);
    void SetEnabled(bool enabled);
    // Whether the typed size is a whole number within the range (a disabled
    // box always is); CheckSize tells the user and focuses the box when not.
    bool SizeValid() const;
    bool CheckSize(QWidget *dialog);

    static constexpr int kMinFontSize = 1;
    static constexpr int kMaxFontSize = 1638;

private:
    QComboBox *FName;
    QComboBox *FSize;
    TColorBox *FColor;
    TFont FFont;
};
QComboBox *makeFontNameBox(QWidget *parent, const QString &name);
QComboBox *makeFontSizeBox(QWidget *parent, const QString &name);

// Keeps a dialog's placement in "Forms" under its object name: read when
// created, written when closed. Without a settings file it does nothing.
class TFormPlacement {
public:
    TFormPlacement(QDialog *dialog, TExtIniFile *ini);
    void Restore();
    void Save();

private:
    QDialog *FDialog;
    TExtIniFile *FIni;
};

// The area chooser (select only) on the paper's photo areas, preselecting the
// 1-based number in `edit`; the number of the chosen area goes back into it.
void ChooseLinkedArea(QWidget *parent, TExtIniFile *ini, TPhotoPaper *paper, TNumberEdit *edit);

// Takes the text being typed in every number edit of the dialog into its value.
void CommitNumberEdits(QWidget *dialog);

// False, after telling the user and focusing the edit, when an enabled number
// edit of the dialog holds a value it refuses (out of range, a minus sign).
bool CheckNumberEdits(QWidget *dialog);

// Cuts the signals of a dialog's children to the dialog: a focused number
// edit commits its text while the window is torn down, when the dialog's
// handlers must no longer run. Called from the dialogs' destructors.
void DisconnectChildren(QObject *dialog);

// A question with Yes and No; true for Yes.
bool AskYesNo(QWidget *parent, const QString &instruction, const QString &text);
// An error message.
void ShowError(QWidget *parent, const QString &text);

// The tests answer questions (true: Yes) and see messages through this hook
// instead of a modal window.
using TMessageHook = std::function<bool(const QString &instruction, const QString &text)>;
void SetMessageHook(TMessageHook hook);

} // namespace vellora
