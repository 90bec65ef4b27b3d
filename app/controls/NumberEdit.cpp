#include "app/controls/NumberEdit.h"

#include <QKeyEvent>
#include <QStyle>
#include <QToolButton>
#include <QWheelEvent>
#include <cmath>
#include <limits>

namespace vellora {

namespace {

// Full-width digits, point, comma and minus (an IME gives these) and the
// typographic minus become their ASCII forms.
QString toHalfWidth(const QString &text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            out += QChar(char16_t(u - 0xFEE0));
        else if (u == 0x2212 || u == 0x2012 || u == 0x2013)
            out += QLatin1Char('-');
        else if (u == 0x3000)
            out += QLatin1Char(' ');
        else
            out += c;
    }
    return out;
}

double roundTo(double value, int figure, TRoundMode mode) {
    if (figure < 0 || !std::isfinite(value))
        return value;
    const double scale = std::pow(10.0, std::min(figure, 15));
    const double scaled = value * scale;
    if (std::abs(scaled) >= 9e15)
        return value;   // beyond what the digits can change
    // A small tolerance, so 0.1 * 3 does not round down to 0.2.
    constexpr double eps = 1e-7;
    double r;
    switch (mode) {
    case TRoundMode::rmDown: r = std::floor(scaled + eps); break;
    case TRoundMode::rmUp: r = std::ceil(scaled - eps); break;
    case TRoundMode::rmRound: default: r = std::round(scaled); break;
    }
    return r / scale;
}

QString groupThousands(const QString &digits) {
    QString out;
    const int n = int(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += QLatin1Char(',');
        out += digits[i];
    }
    return out;
}

} // namespace

TNumberEdit::TNumberEdit(QWidget *parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setInputMethodHints(Qt::ImhFormattedNumbersOnly);
    connect(this, &QLineEdit::returnPressed, this, &TNumberEdit::commitText);
    connect(this, &QLineEdit::textChanged, this, &TNumberEdit::markValidity);
    refreshText();
}

void TNumberEdit::SetRefuseInvalid(bool value) {
    FRefuseInvalid = value;
    markValidity();
}

bool TNumberEdit::InRange(double value) const {
    if (!std::isfinite(value))
        return false;
    if (value < 0 && !FValidMinus)
        return false;
    if (FLimit && !(value == 0.0 && FZeroEnabled)) {
        if (FLimitOptions.contains(TLimitOption::loMin) && value < FMin)
            return false;
        if (FLimitOptions.contains(TLimitOption::loMax) && value > FMax)
            return false;
    }
    return true;
}

bool TNumberEdit::IsValid() const {
    if (!FRefuseInvalid)
        return true;
    // The sign is read here, not refused by ParseText, so that it can be told.
    QString t = toHalfWidth(text()).trimmed();
    t.remove(QLatin1Char(','));
    t.remove(QLatin1Char(' '));
    if (t.isEmpty())
        return InRange(0.0);
    bool ok = false;
    const double v = FNumberType == TNumberType::ntHex ? double(t.toLongLong(&ok, 16)) : t.toDouble(&ok);
    return ok && InRange(v);
}

QString TNumberEdit::RangeMessage() const {
    const bool min = FLimit && FLimitOptions.contains(TLimitOption::loMin);
    const bool max = FLimit && FLimitOptions.contains(TLimitOption::loMax);
    const double low = min ? FMin : 0.0;
    if (max && (min || !FValidMinus))
        return tr("%1 から %2 までの数値を入力してください。").arg(FormatValue(low), FormatValue(FMax));
    if (min || !FValidMinus)
        return tr("%1 以上の数値を入力してください。").arg(FormatValue(low));
    if (max)
        return tr("%1 以下の数値を入力してください。").arg(FormatValue(FMax));
    return tr("数値を入力してください。");
}

void TNumberEdit::markValidity() {
    if (!FRefuseInvalid)
        return;
    const bool valid = IsValid();
    if (valid == (property("numberInvalid").toBool() == false))
        return;
    setProperty("numberInvalid", !valid);
    setStyleSheet(valid ? QString() : QStringLiteral("color: red"));
    setToolTip(valid ? QString() : RangeMessage());
}

double TNumberEdit::applyRules(double value) const {
    if (!std::isfinite(value))
        return FValue;
    if (FNumberType == TNumberType::ntHex)
        value = std::trunc(value);
    if (FLimit && !(value == 0.0 && FZeroEnabled)) {
        if (FLimitOptions.contains(TLimitOption::loMin) && value < FMin)
            value = FMin;
        if (FLimitOptions.contains(TLimitOption::loMax) && value > FMax)
            value = FMax;
    }
    return roundTo(value, FFigure, FRoundMode);
}

void TNumberEdit::SetValue(double value) {
    const double v = applyRules(value);
    const bool changed = v != FValue;
    FValue = v;
    refreshText();
    if (changed)
        emit valueChanged(FValue);
}

int TNumberEdit::AsInteger() const noexcept {
    double v = FValue;
    switch (FRoundMode) {
    case TRoundMode::rmDown: v = std::floor(v + 1e-9); break;
    case TRoundMode::rmUp: v = std::ceil(v - 1e-9); break;
    case TRoundMode::rmRound: v = std::round(v); break;
    }
    if (!(v > std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (!(v < std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return static_cast<int>(v);
}

void TNumberEdit::SetFigure(int value) {
    FFigure = std::max(-1, std::min(value, 15));
    SetValue(FValue);
}

void TNumberEdit::SetFixed(bool value) {
    FFixed = value;
    refreshText();
}

void TNumberEdit::SetLimit(bool value) {
    FLimit = value;
    SetValue(FValue);
}

void TNumberEdit::SetLimitOptions(TLimitOptions value) {
    FLimitOptions = value;
    SetValue(FValue);
}

void TNumberEdit::SetMax(double value) {
    FMax = value;
    SetValue(FValue);
}

void TNumberEdit::SetMin(double value) {
    FMin = value;
    SetValue(FValue);
}

void TNumberEdit::SetZeroEnabled(bool value) {
    FZeroEnabled = value;
    SetValue(FValue);
}

void TNumberEdit::SetZeroVisible(bool value) {
    FZeroVisible = value;
    refreshText();
}

void TNumberEdit::SetComma(bool value) {
    FComma = value;
    refreshText();
}

void TNumberEdit::SetNumberType(TNumberType value) {
    FNumberType = value;
    SetValue(FValue);
}

void TNumberEdit::SetRoundMode(TRoundMode value) {
    FRoundMode = value;
    SetValue(FValue);
}

QString TNumberEdit::FormatValue(double value) const {
    if (value == 0.0 && !FZeroVisible)
        return {};
    if (FNumberType == TNumberType::ntHex) {
        const double t = std::trunc(value);
        const auto n = static_cast<long long>(std::clamp(t, -9.0e18, 9.0e18));
        QString hex = QString::number(n < 0 ? -n : n, 16).toUpper();
        return n < 0 ? QLatin1Char('-') + hex : hex;
    }
    QString text;
    if (FFigure >= 0) {
        text = QString::number(value, 'f', FFigure);
        if (!FFixed && text.contains(QLatin1Char('.'))) {
            while (text.endsWith(QLatin1Char('0')))
                text.chop(1);
            if (text.endsWith(QLatin1Char('.')))
                text.chop(1);
        }
    } else {
        text = QString::number(value, 'g', 15);
        if (text.contains(QLatin1Char('e')))
            text = QString::number(value, 'f', 6);
    }
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    if (FComma) {
        const bool minus = text.startsWith(QLatin1Char('-'));
        QString body = minus ? text.mid(1) : text;
        const qsizetype dot = body.indexOf(QLatin1Char('.'));
        const QString whole = dot < 0 ? body : body.left(dot);
        body = groupThousands(whole) + (dot < 0 ? QString() : body.mid(dot));
        text = minus ? QLatin1Char('-') + body : body;
    }
    return text;
}

bool TNumberEdit::ParseText(const QString &text, double &value) const {
    QString t = toHalfWidth(text).trimmed();
    t.remove(QLatin1Char(','));
    t.remove(QLatin1Char(' '));
    if (t.isEmpty()) {
        value = 0.0;
        return true;   // an empty edit means zero (what ZeroVisible hides)
    }
    bool ok = false;
    double v;
    if (FNumberType == TNumberType::ntHex) {
        const bool minus = t.startsWith(QLatin1Char('-'));
        const long long n = (minus ? t.mid(1) : t).toLongLong(&ok, 16);
        v = minus ? -double(n) : double(n);
    } else {
        // QString::toDouble always uses "." whatever the locale.
        v = t.toDouble(&ok);
    }
    if (!ok || !std::isfinite(v))
        return false;
    if (v < 0 && !FValidMinus)
        return false;
    value = v;
    return true;
}

void TNumberEdit::refreshText() {
    const QString text = FormatValue(FValue);
    if (text != this->text())
        setText(text);
}

void TNumberEdit::commitText() {
    // A refused value stays as typed, in red, so the user sees what was wrong.
    if (FRefuseInvalid && !IsValid()) {
        markValidity();
        return;
    }
    double v = 0.0;
    if (ParseText(text(), v))
        SetValue(v);
    refreshText();
}

void TNumberEdit::Step(int count) {
    if (count == 0)
        return;
    commitText();
    double v = FValue + FIncrement * count;
    if (FLimit && FWrap) {
        if (FLimitOptions.contains(TLimitOption::loMax) && v > FMax && FValue >= FMax)
            v = FMin;
        else if (FLimitOptions.contains(TLimitOption::loMin) && v < FMin && FValue <= FMin)
            v = FMax;
    }
    if (v < 0 && !FValidMinus)
        v = 0;
    SetValue(v);
    emit udChanged();
}

bool TNumberEdit::acceptsChar(QChar c) const {
    const QChar h = toHalfWidth(QString(c)).at(0);
    if (h.isDigit() && h.unicode() < 128)
        return true;
    if (h == QLatin1Char('-'))
        return FValidMinus || FRefuseInvalid;   // a refusing edit shows the sign and refuses it
    if (h == QLatin1Char(','))
        return FComma;
    if (FNumberType == TNumberType::ntHex)
        return (h >= QLatin1Char('a') && h <= QLatin1Char('f')) || (h >= QLatin1Char('A') && h <= QLatin1Char('F'));
    return h == QLatin1Char('.') && FFigure != 0;
}

void TNumberEdit::keyPressEvent(QKeyEvent *event) {
    if (FAllowKeys && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const int count = event->key() == Qt::Key_Up ? 1 : -1;
        Step(count);
        emit arrowKeyChange(count);
        event->accept();
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        for (QChar c : text) {
            if (c.isPrint() && !acceptsChar(c)) {
                event->ignore();
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TNumberEdit::focusOutEvent(QFocusEvent *event) {
    commitText();
    QLineEdit::focusOutEvent(event);
}

void TNumberEdit::wheelEvent(QWheelEvent *event) {
    if (FAllowKeys && hasFocus() && event->angleDelta().y() != 0) {
        Step(event->angleDelta().y() > 0 ? 1 : -1);
        event->accept();
        return;
    }
    QLineEdit::wheelEvent(event);
}

TUpdownNumberEdit::TUpdownNumberEdit(QWidget *parent)
    : TNumberEdit(parent), FUp(new QToolButton(this)), FDown(new QToolButton(this)) {
    SetAllowKeys(true);
    for (QToolButton *b : {FUp, FDown}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setCursor(Qt::ArrowCursor);
        b->setAutoRaise(true);
    }
    FUp->setObjectName(QStringLiteral("udUp"));
    FDown->setObjectName(QStringLiteral("udDown"));
    connect(FUp, &QToolButton::clicked, this, [this] {
        emit udClick(true);
        Step(1);
    });
    connect(FDown, &QToolButton::clicked, this, [this] {
        emit udClick(false);
        Step(-1);
    });
    SetOrientation(Qt::Vertical);
}

void TUpdownNumberEdit::SetOrientation(Qt::Orientation value) {
    FOrientation = value;
    const bool v = value == Qt::Vertical;
    FUp->setArrowType(v ? Qt::UpArrow : Qt::RightArrow);
    FDown->setArrowType(v ? Qt::DownArrow : Qt::LeftArrow);
    placeButtons();
}

void TUpdownNumberEdit::SetVisibleUpdown(bool value) {
    FVisibleUpdown = value;
    placeButtons();
}

void TUpdownNumberEdit::resizeEvent(QResizeEvent *event) {
    TNumberEdit::resizeEvent(event);
    placeButtons();
}

void TUpdownNumberEdit::placeButtons() {
    FUp->setVisible(FVisibleUpdown);
    FDown->setVisible(FVisibleUpdown);
    if (!FVisibleUpdown) {
        setTextMargins(0, 0, 0, 0);
        return;
    }
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const int h = height() - 2 * frame;
    if (FOrientation == Qt::Vertical) {
        const int w = std::max(12, h * 3 / 4);
        const int x = width() - frame - w;
        FUp->setGeometry(x, frame, w, h / 2);
        FDown->setGeometry(x, frame + h / 2, w, h - h / 2);
        setTextMargins(0, 0, w, 0);
    } else {
        const int w = std::max(12, h * 3 / 4);
        FDown->setGeometry(width() - frame - 2 * w, frame, w, h);
        FUp->setGeometry(width() - frame - w, frame, w, h);
        setTextMargins(0, 0, 2 * w, 0);
    }
}

} // namespace vellora
