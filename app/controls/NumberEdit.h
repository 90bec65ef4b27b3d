// TNumberEdit: a single-line edit that holds a number (extended precision as
// double). TUpdownNumberEdit adds spin buttons at its right edge. The text
// always shows the value; typing is filtered, and leaving the edit (or Enter)
// re-reads the text: a text that is not a number reverts to the value.
// Full-width digits are accepted and the decimal point is "." whatever the
// locale. UI thread only; never throws.
#pragma once

#include <QLineEdit>
#include <cstdint>

class QToolButton;

namespace vellora {

enum class TNumberType : std::uint8_t { ntDecimal, ntHex };
enum class TRoundMode : std::uint8_t { rmDown, rmRound, rmUp };
enum class TLimitOption : std::uint8_t { loMax, loMin };

// A set of TLimitOption ordinals.
class TLimitOptions {
public:
    constexpr TLimitOptions() = default;
    constexpr TLimitOptions(std::initializer_list<TLimitOption> options) {
        for (TLimitOption o : options)
            FBits |= bit(o);
    }
    constexpr bool contains(TLimitOption o) const noexcept { return (FBits & bit(o)) != 0; }
    constexpr bool operator==(const TLimitOptions &) const = default;

private:
    static constexpr std::uint8_t bit(TLimitOption o) { return static_cast<std::uint8_t>(1u << static_cast<unsigned>(o)); }
    std::uint8_t FBits = 0;
};

class TNumberEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TNumberEdit(QWidget *parent = nullptr);

    double Value() const noexcept { return FValue; }
    // Applies the Limit / ZeroEnabled rules and the Figure rounding, then
    // re-formats the text.
    void SetValue(double value);
    // The value as a whole number (rounded by RoundMode), clamped to int.
    int AsInteger() const noexcept;
    void SetAsInteger(int value) { SetValue(value); }

    int Figure() const noexcept { return FFigure; }           // -1: as typed
    void SetFigure(int value);
    bool Fixed() const noexcept { return FFixed; }
    void SetFixed(bool value);
    double Increment() const noexcept { return FIncrement; }
    void SetIncrement(double value) { FIncrement = value; }
    bool Limit() const noexcept { return FLimit; }
    void SetLimit(bool value);
    TLimitOptions LimitOptions() const noexcept { return FLimitOptions; }
    void SetLimitOptions(TLimitOptions value);
    double Max() const noexcept { return FMax; }
    void SetMax(double value);
    double Min() const noexcept { return FMin; }
    void SetMin(double value);
    bool ZeroEnabled() const noexcept { return FZeroEnabled; }
    void SetZeroEnabled(bool value);
    bool ZeroVisible() const noexcept { return FZeroVisible; }
    void SetZeroVisible(bool value);
    bool Comma() const noexcept { return FComma; }             // thousands separators
    void SetComma(bool value);
    TNumberType NumberType() const noexcept { return FNumberType; }
    void SetNumberType(TNumberType value);
    TRoundMode RoundMode() const noexcept { return FRoundMode; }
    void SetRoundMode(TRoundMode value);
    bool ValidMinus() const noexcept { return FValidMinus; }   // a minus sign may be typed
    void SetValidMinus(bool value) { FValidMinus = value; }
    bool Wrap() const noexcept { return FWrap; }               // stepping past a limit wraps round
    void SetWrap(bool value) { FWrap = value; }
    bool AllowKeys() const noexcept { return FAllowKeys; }     // up/down arrow keys step the value
    void SetAllowKeys(bool value) { FAllowKeys = value; }
    // Refusing edits keep a typed number outside the limits (or a minus sign
    // where none is allowed) as typed, shown in red, instead of changing it
    // into another value; the dialog refuses OK while one is invalid.
    bool RefuseInvalid() const noexcept { return FRefuseInvalid; }
    void SetRefuseInvalid(bool value);
    // False while a refusing edit holds a text that is not an allowed value.
    bool IsValid() const;
    // Whether a value is within the limits (and a sign is allowed).
    bool InRange(double value) const;
    // "0.1 から 1200 までの数値を入力してください。"
    QString RangeMessage() const;
    // Takes the typed text into the value, as leaving the edit does.
    void CommitText() { commitText(); }

    // Steps the value by Increment times count (negative: down), as the spin
    // buttons and the arrow keys do; raises udChanged.
    void Step(int count);

    // The text for a value under the current format settings.
    QString FormatValue(double value) const;
    // Parses an edit text: full-width forms, "." as the point, thousands
    // separators ignored. False when it is not a number.
    bool ParseText(const QString &text, double &value) const;

signals:
    void valueChanged(double value);
    void udChanged();                 // the value was stepped
    void arrowKeyChange(int count);   // OnArrowKeyChange

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    double applyRules(double value) const;
    void commitText();
    void refreshText();
    void markValidity();
    bool acceptsChar(QChar c) const;

    double FValue = 0.0;
    int FFigure = -1;
    bool FFixed = false;
    double FIncrement = 1.0;
    bool FLimit = false;
    TLimitOptions FLimitOptions{TLimitOption::loMax, TLimitOption::loMin};
    double FMax = 0.0;
    double FMin = 0.0;
    bool FZeroEnabled = true;
    bool FZeroVisible = true;
    bool FComma = false;
    TNumberType FNumberType = TNumberType::ntDecimal;
    TRoundMode FRoundMode = TRoundMode::rmRound;
    bool FValidMinus = true;
    bool FWrap = false;
    bool FAllowKeys = false;
    bool FRefuseInvalid = false;
};

// The number edit with up/down (or left/right) spin buttons inside its right
// edge.
class TUpdownNumberEdit : public TNumberEdit {
    Q_OBJECT
public:
    explicit TUpdownNumberEdit(QWidget *parent = nullptr);

    Qt::Orientation Orientation() const noexcept { return FOrientation; }
    void SetOrientation(Qt::Orientation value);
    bool VisibleUpdown() const noexcept { return FVisibleUpdown; }
    void SetVisibleUpdown(bool value);

    QToolButton *upButton() const { return FUp; }
    QToolButton *downButton() const { return FDown; }

signals:
    void udClick(bool up);   // OnUDClick, before the value changes

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeButtons();

    Qt::Orientation FOrientation = Qt::Vertical;
    bool FVisibleUpdown = true;
    QToolButton *FUp;
    QToolButton *FDown;
};

} // namespace vellora
