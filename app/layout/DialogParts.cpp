#include "app/layout/DialogParts.h"

#include "app/FormSettings.h"
#include "app/layout/SelAreaDialog.h"
#include "app/controls/QvTaskDialog.h"
#include "settings/IniFile.h"

#include <QColorDialog>
#include <QDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <cmath>

namespace vellora {

namespace {

TMessageHook &messageHook()
{
    static TMessageHook hook;
    return hook;
}

struct NamedColor {
    TColor color;
    const char *name;   // translated where shown
};
// The usual colours of a colour box ($00BBGGRR).
constexpr NamedColor kColors[] = {
    {0x000000, QT_TRANSLATE_NOOP("vellora::TColorBox", "黒")},   {0x000080, QT_TRANSLATE_NOOP("vellora::TColorBox", "マルーン")}, {0x008000, QT_TRANSLATE_NOOP("vellora::TColorBox", "緑")},     {0x008080, QT_TRANSLATE_NOOP("vellora::TColorBox", "オリーブ")},
    {0x800000, QT_TRANSLATE_NOOP("vellora::TColorBox", "紺")},   {0x800080, QT_TRANSLATE_NOOP("vellora::TColorBox", "紫")},       {0x808000, QT_TRANSLATE_NOOP("vellora::TColorBox", "ティール")}, {0x808080, QT_TRANSLATE_NOOP("vellora::TColorBox", "灰色")},
    {0xC0C0C0, QT_TRANSLATE_NOOP("vellora::TColorBox", "銀")},   {0x0000FF, QT_TRANSLATE_NOOP("vellora::TColorBox", "赤")},       {0x00FF00, QT_TRANSLATE_NOOP("vellora::TColorBox", "ライム")}, {0x00FFFF, QT_TRANSLATE_NOOP("vellora::TColorBox", "黄")},
    {0xFF0000, QT_TRANSLATE_NOOP("vellora::TColorBox", "青")},   {0xFF00FF, QT_TRANSLATE_NOOP("vellora::TColorBox", "赤紫")},     {0xFFFF00, QT_TRANSLATE_NOOP("vellora::TColorBox", "水色")},   {0xFFFFFF, QT_TRANSLATE_NOOP("vellora::TColorBox", "白")},
};

QIcon swatch(TColor color)
{
    QPixmap pm(16, 12);
    pm.fill(ToQColor(color));
    QPainter p(&pm);
    p.setPen(Qt::gray);
    p.drawRect(0, 0, 15, 11);
    return QIcon(pm);
}

} // namespace

TUpdownNumberEdit *makeNumberEdit(QWidget *parent, const QString &name, int decimals, double minimum,
                                  double maximum, double step)
{
    auto *edit = new TUpdownNumberEdit(parent);
    edit->setObjectName(name);
    edit->SetFigure(decimals);
    edit->SetFixed(true);
    edit->SetIncrement(step);
    edit->SetMin(minimum);
    edit->SetMax(maximum);
    edit->SetLimit(true);
    // An exact 0 would slip through the limit otherwise.
    edit->SetZeroEnabled(minimum <= 0 && maximum >= 0);
    edit->SetValidMinus(minimum < 0);
    edit->SetAllowKeys(true);
    edit->SetValue(std::clamp(0.0, minimum, maximum));
    edit->SetRefuseInvalid(true);
    return edit;
}

QComboBox *makeComboBox(QWidget *parent, const QString &name, const QStringList &items)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(items);
    return box;
}

void ChooseLinkedArea(QWidget *parent, TExtIniFile *ini, TPhotoPaper *paper, TNumberEdit *edit)
{
    if (!paper)
        return;
    TfrmSelArea dialog(parent, ini);
    dialog.SetSelectionMode(TSelectionMode::smSelectOnly);
    dialog.SetPaper(paper);
    dialog.SetSelected(edit->AsInteger() - 1);
    if (dialog.exec() == QDialog::Accepted)
        edit->SetValue(dialog.Selected() + 1);
}

TNumberEdit *makeDisplayEdit(QWidget *parent, const QString &name, int decimals)
{
    auto *edit = new TNumberEdit(parent);
    edit->setObjectName(name);
    edit->SetFigure(decimals);
    edit->SetFixed(true);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::ClickFocus);
    return edit;
}

double TypedValue(const TNumberEdit *edit)
{
    double v = 0;
    return edit->ParseText(edit->text(), v) ? v : edit->Value();
}

double CommittedValue(TNumberEdit *edit)
{
    edit->CommitText();
    return edit->Value();
}

TColor FromQColor(const QColor &color)
{
    return static_cast<TColor>(color.red()) | (static_cast<TColor>(color.green()) << 8) |
           (static_cast<TColor>(color.blue()) << 16);
}

// --- TColorBox ---

TColorBox::TColorBox(QWidget *parent, const QString &name) : QComboBox(parent)
{
    setObjectName(name);
    for (const auto &c : kColors)
        addItem(swatch(c.color), tr(c.name), QVariant::fromValue<uint>(c.color));
    addItem(tr("その他..."));
    connect(this, &QComboBox::activated, this, &TColorBox::onActivated);
    SetColor(clBlack);
}

int TColorBox::indexOfColor(TColor color) const
{
    for (int i = 0; i < count() - 1; ++i) {
        if (itemData(i).isValid() && itemData(i).toUInt() == color)
            return i;
    }
    return -1;
}

void TColorBox::SetColor(TColor color)
{
    FColor = color & 0xFFFFFF;
    int index = indexOfColor(FColor);
    if (index < 0) {
        // A colour outside the list gets an entry of its own before "その他...".
        const QColor q = ToQColor(FColor);
        insertItem(count() - 1, swatch(FColor), q.name(QColor::HexRgb).toUpper(), QVariant::fromValue<uint>(FColor));
        index = count() - 2;
    }
    setCurrentIndex(index);
    FLastIndex = index;
}

void TColorBox::onActivated(int index)
{
    if (index == count() - 1) {
        const QColor chosen = QColorDialog::getColor(ToQColor(FColor), this);
        if (!chosen.isValid()) {
            setCurrentIndex(FLastIndex);
            return;
        }
        SetColor(FromQColor(chosen));
    } else {
        FColor = itemData(index).toUInt();
        FLastIndex = index;
    }
    emit colorChosen(FColor);
}

// --- TBackgroundSample ---

TBackgroundSample::TBackgroundSample(QWidget *parent, const QString &name) : QWidget(parent)
{
    setObjectName(name);
    setMinimumSize(80, 60);
    setAutoFillBackground(false);
}

void TBackgroundSample::SetBackground(const TBackground *background)
{
    FBackground = background;
    Refresh();
}

void TBackgroundSample::Refresh()
{
    FCache = QImage();
    update();
}

void TBackgroundSample::resizeEvent(QResizeEvent *event)
{
    FCache = QImage();
    QWidget::resizeEvent(event);
}

void TBackgroundSample::paintEvent(QPaintEvent *)
{
    const qreal dpr = devicePixelRatioF();
    if (FCache.isNull() || FCache.devicePixelRatio() != dpr) {
        const QSize px(static_cast<int>(std::lround(width() * dpr)), static_cast<int>(std::lround(height() * dpr)));
        FCache = QImage(px, QImage::Format_RGB32);
        FCache.fill(Qt::white);
        if (FBackground) {
            QPainter p(&FCache);
            const double dpi = logicalDpiX() * dpr;
            const double inset = 8 * dpr;
            const double mmPerPx = 25.4 / dpi;
            const TFloatRect rect = FloatRect(inset * mmPerPx, inset * mmPerPx, (px.width() - inset) * mmPerPx,
                                              (px.height() - inset) * mmPerPx);
            FBackground->Draw(p, dpi, rect, true);
        }
        FCache.setDevicePixelRatio(dpr);
    }
    QPainter p(this);
    p.drawImage(0, 0, FCache);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TBackgroundSample::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}

// --- fonts ---

QComboBox *makeFontNameBox(QWidget *parent, const QString &name)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(QFontDatabase::families());
    return box;
}

QComboBox *makeFontSizeBox(QWidget *parent, const QString &name)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    for (int size : {6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72})
        box->addItem(QString::number(size));
    return box;
}

TFontControls::TFontControls(QComboBox *name, QComboBox *size, TColorBox *color, QObject *parent)
    : QObject(parent), FName(name), FSize(size), FColor(color)
{
    // A size outside the range shows red as it is typed; OK refuses it.
    connect(FSize, &QComboBox::editTextChanged, this, [this] {
        FSize->setStyleSheet(SizeValid() ? QString() : QStringLiteral("color: red"));
    });
}

bool TFontControls::SizeValid() const
{
    bool ok = false;
    const int size = FSize->currentText().trimmed().toInt(&ok);
    return !FSize->isEnabled() || (ok && size >= kMinFontSize && size <= kMaxFontSize);
}

bool TFontControls::CheckSize(QWidget *dialog)
{
    if (SizeValid())
        return true;
    ShowError(dialog, tr("文字サイズは %1 から %2 までの整数で指定してください。").arg(kMinFontSize).arg(kMaxFontSize));
    FSize->setFocus();
    return false;
}

void TFontControls::Load(const TFont &font)
{
    FFont = font;
    FName->setCurrentText(font.Name);
    FSize->setCurrentText(QString::number(font.Size()));
    FColor->SetColor(font.Color);
}

TFont TFontControls::Font() const
{
    TFont font = FFont;
    font.Name = FName->currentText().trimmed();
    bool ok = false;
    const int size = FSize->currentText().trimmed().toInt(&ok);
    if (ok && size >= kMinFontSize && size <= kMaxFontSize)
        font.SetSize(size);
    font.Color = FColor->Color();
    return font;
}

void TFontControls::ChooseFont(QWidget *parent)
{
    TFont current = Font();
    QFont preset(current.Name);
    preset.setPointSize(std::max(1, current.Size()));
    preset.setBold(current.Style.contains(TFontStyle::fsBold));
    preset.setItalic(current.Style.contains(TFontStyle::fsItalic));
    preset.setUnderline(current.Style.contains(TFontStyle::fsUnderline));
    preset.setStrikeOut(current.Style.contains(TFontStyle::fsStrikeOut));
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, preset, parent);
    if (!ok)
        return;
    current.Name = chosen.family();
    if (chosen.pointSize() > 0)
        current.SetSize(chosen.pointSize());
    TFontStyles style;
    if (chosen.bold())
        style.include(TFontStyle::fsBold);
    if (chosen.italic())
        style.include(TFontStyle::fsItalic);
    if (chosen.underline())
        style.include(TFontStyle::fsUnderline);
    if (chosen.strikeOut())
        style.include(TFontStyle::fsStrikeOut);
    current.Style = style;
    Load(current);
}

void TFontControls::SetEnabled(bool enabled)
{
    FName->setEnabled(enabled);
    FSize->setEnabled(enabled);
    FColor->setEnabled(enabled);
}

// --- placement ---

TFormPlacement::TFormPlacement(QDialog *dialog, TExtIniFile *ini) : FDialog(dialog), FIni(ini) {}

void TFormPlacement::Restore()
{
    if (FIni && FIni->ReadStr(QStringLiteral("Forms"), FDialog->objectName(), QString()) == QStringLiteral("FORM"))
        ReadForm2(*FIni, QStringLiteral("Forms"), FDialog);
}

void TFormPlacement::Save()
{
    if (FIni)
        WriteForm2(*FIni, QStringLiteral("Forms"), FDialog);
}

void CommitNumberEdits(QWidget *dialog)
{
    for (TNumberEdit *e : dialog->findChildren<TNumberEdit *>()) {
        if (!e->isReadOnly())
            CommittedValue(e);
    }
}

bool CheckNumberEdits(QWidget *dialog)
{
    for (TNumberEdit *e : dialog->findChildren<TNumberEdit *>()) {
        if (e->isReadOnly() || !e->isEnabled() || e->IsValid())
            continue;
        // The page holding the edit may be hidden; the message names the value.
        ShowError(dialog, e->RangeMessage());
        e->setFocus();
        e->selectAll();
        return false;
    }
    return true;
}

void DisconnectChildren(QObject *dialog)
{
    for (QObject *child : dialog->findChildren<QObject *>())
        QObject::disconnect(child, nullptr, dialog, nullptr);
}

// --- messages ---

void SetMessageHook(TMessageHook hook)
{
    messageHook() = std::move(hook);
}

bool AskYesNo(QWidget *parent, const QString &instruction, const QString &text)
{
    if (messageHook())
        return messageHook()(instruction, text);
    TQvTaskDialog dialog;
    dialog.Parent = parent;
    dialog.Title = QStringLiteral("Vellora");
    dialog.SetInstruction(instruction);
    dialog.SetContent(text);
    dialog.MainIcon = TTaskDialogIcon::tiQuestion;
    dialog.Buttons = {TQvCommonButton::cbYes, TQvCommonButton::cbNo};
    int button = 0, radio = 0;
    bool checked = false;
    return dialog.Execute(button, radio, checked) && button == idYes;
}

void ShowError(QWidget *parent, const QString &text)
{
    if (messageHook()) {
        messageHook()(QString(), text);
        return;
    }
    TQvTaskDialog dialog;
    dialog.Parent = parent;
    dialog.Title = QStringLiteral("Vellora");
    dialog.SetContent(text);
    dialog.MainIcon = TTaskDialogIcon::tiError;
    dialog.Buttons = {TQvCommonButton::cbOk};
    dialog.Execute();
}

} // namespace vellora
