#include "app/controls/NumberEdit.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <clocale>

using namespace vellora;

namespace {

struct LimitCase {
    const char *name;
    bool limit;
    bool zeroEnabled;
    TLimitOptions options;
    double min, max, input, expected;
};

} // namespace

TEST(NumberEdit, LimitAndZeroEnabledRules) {
    const TLimitOptions both{TLimitOption::loMin, TLimitOption::loMax};
    const LimitCase cases[] = {
        {"no limit keeps any value", false, true, both, 1, 10, 25, 25},
        {"no limit keeps a negative", false, false, both, 1, 10, -3, -3},
        {"raised to Min", true, true, both, 1, 10, 0.5, 1},
        {"lowered to Max", true, true, both, 1, 10, 11, 10},
        {"zero allowed", true, true, both, 1, 10, 0, 0},
        {"zero not allowed is raised", true, false, both, 1, 10, 0, 1},
        {"only loMin leaves large values", true, true, {TLimitOption::loMin}, 1, 10, 500, 500},
        {"only loMax leaves small values", true, false, {TLimitOption::loMax}, 1, 10, -5, -5},
        {"in range unchanged", true, false, both, 1, 10, 7.5, 7.5},
    };
    for (const LimitCase &c : cases) {
        TNumberEdit edit;
        edit.SetMin(c.min);
        edit.SetMax(c.max);
        edit.SetLimitOptions(c.options);
        edit.SetZeroEnabled(c.zeroEnabled);
        edit.SetLimit(c.limit);
        edit.SetValue(c.input);
        EXPECT_DOUBLE_EQ(edit.Value(), c.expected) << c.name;
    }
}

TEST(NumberEdit, FigureRoundsKeepsAndFormats) {
    struct Case {
        int figure;
        bool fixed;
        TRoundMode mode;
        double input;
        double value;
        const char *text;
    } const cases[] = {
        {1, true, TRoundMode::rmRound, 12.34, 12.3, "12.3"},
        {1, true, TRoundMode::rmRound, 12.0, 12.0, "12.0"},
        {1, false, TRoundMode::rmRound, 12.0, 12.0, "12"},
        {2, true, TRoundMode::rmRound, 0.1 * 3, 0.3, "0.30"},
        {1, true, TRoundMode::rmDown, 0.1 * 3, 0.3, "0.3"},   // no binary-noise round-down
        {1, true, TRoundMode::rmDown, 2.99, 2.9, "2.9"},
        {1, true, TRoundMode::rmUp, 2.91, 3.0, "3.0"},
        {0, false, TRoundMode::rmRound, 2.5, 3.0, "3"},
        {-1, false, TRoundMode::rmRound, 2.125, 2.125, "2.125"},
    };
    for (const Case &c : cases) {
        TNumberEdit edit;
        edit.SetRoundMode(c.mode);
        edit.SetFixed(c.fixed);
        edit.SetFigure(c.figure);
        edit.SetValue(c.input);
        EXPECT_NEAR(edit.Value(), c.value, 1e-12) << c.text;
        EXPECT_EQ(edit.text(), QString::fromLatin1(c.text));
    }
}

TEST(NumberEdit, TypedTextIsReadOnLeavingAndRevertsWhenNotANumber) {
    TNumberEdit edit;
    edit.SetFigure(1);
    edit.SetValue(5);
    struct Case {
        QString typed;
        double value;
    } const cases[] = {
        {QStringLiteral("7.25"), 7.3},
        {QStringLiteral("abc"), 7.3},                       // reverts
        {QStringLiteral("１２．５"), 12.5},                 // full-width digits and point
        {QStringLiteral("1,234.5"), 1234.5},               // separators ignored
        {QStringLiteral("－３"), -3},                        // full-width minus
        {QStringLiteral("1e400"), -3},                      // not finite: reverts
        {QStringLiteral("1.2.3"), -3},
    };
    for (const Case &c : cases) {
        edit.setText(c.typed);
        emit edit.returnPressed();
        EXPECT_DOUBLE_EQ(edit.Value(), c.value) << c.typed.toStdString();
        EXPECT_EQ(edit.text(), edit.FormatValue(edit.Value()));
    }
}

TEST(NumberEdit, PointIsTheDecimalSeparatorInEveryLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    TNumberEdit edit;
    edit.SetFigure(2);
    edit.SetFixed(true);
    edit.SetValue(3.5);
    EXPECT_EQ(edit.text(), QStringLiteral("3.50"));
    edit.setText(QStringLiteral("4.25"));
    emit edit.returnPressed();
    EXPECT_DOUBLE_EQ(edit.Value(), 4.25);
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(before);
}

TEST(NumberEdit, AsIntegerRoundsAndClamps) {
    TNumberEdit edit;
    edit.SetValue(2.6);
    EXPECT_EQ(edit.AsInteger(), 3);
    edit.SetRoundMode(TRoundMode::rmDown);
    EXPECT_EQ(edit.AsInteger(), 2);
    edit.SetRoundMode(TRoundMode::rmRound);
    edit.SetValue(1e30);
    EXPECT_EQ(edit.AsInteger(), std::numeric_limits<int>::max());
    edit.SetValue(-1e30);
    EXPECT_EQ(edit.AsInteger(), std::numeric_limits<int>::min());
    edit.SetAsInteger(42);
    EXPECT_EQ(edit.text(), QStringLiteral("42"));
}

TEST(NumberEdit, DisplayOptions) {
    TNumberEdit edit;
    edit.SetComma(true);
    edit.SetFigure(1);
    edit.SetValue(-1234567.25);
    EXPECT_EQ(edit.text(), QStringLiteral("-1,234,567.3"));
    edit.SetComma(false);
    edit.SetZeroVisible(false);
    edit.SetValue(0);
    EXPECT_EQ(edit.text(), QString());
    edit.SetNumberType(TNumberType::ntHex);
    edit.SetZeroVisible(true);
    edit.SetValue(255.9);
    EXPECT_EQ(edit.text(), QStringLiteral("FF"));
    edit.setText(QStringLiteral("1a"));
    emit edit.returnPressed();
    EXPECT_DOUBLE_EQ(edit.Value(), 26);
}

TEST(NumberEdit, KeysFilterTypingAndArrowsStep) {
    TNumberEdit edit;
    edit.SetValidMinus(false);
    edit.show();
    edit.setFocus();
    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("1x-2.5"));
    EXPECT_EQ(edit.text(), QStringLiteral("12.5"));

    QSignalSpy changed(&edit, &TNumberEdit::udChanged);
    QTest::keyClick(&edit, Qt::Key_Up);   // AllowKeys off: no step
    EXPECT_EQ(changed.count(), 0);
    edit.SetAllowKeys(true);
    edit.SetIncrement(0.5);
    QTest::keyClick(&edit, Qt::Key_Up);
    EXPECT_DOUBLE_EQ(edit.Value(), 13.0);
    QTest::keyClick(&edit, Qt::Key_Down);
    QTest::keyClick(&edit, Qt::Key_Down);
    EXPECT_DOUBLE_EQ(edit.Value(), 12.0);
    EXPECT_EQ(changed.count(), 3);
}

TEST(UpdownNumberEdit, SpinButtonsStepWithinLimitsAndWrap) {
    TUpdownNumberEdit edit;
    edit.resize(80, 24);
    edit.show();
    EXPECT_TRUE(edit.AllowKeys());
    edit.SetMin(1);
    edit.SetMax(3);
    edit.SetLimit(true);
    edit.SetZeroEnabled(false);
    EXPECT_DOUBLE_EQ(edit.Value(), 1);
    QSignalSpy clicks(&edit, &TUpdownNumberEdit::udClick);
    QSignalSpy changed(&edit, &TNumberEdit::udChanged);
    for (int i = 0; i < 3; ++i)
        edit.upButton()->click();
    EXPECT_DOUBLE_EQ(edit.Value(), 3);   // stops at Max
    edit.SetWrap(true);
    edit.upButton()->click();
    EXPECT_DOUBLE_EQ(edit.Value(), 1);   // wraps round
    edit.downButton()->click();
    EXPECT_DOUBLE_EQ(edit.Value(), 3);
    EXPECT_EQ(clicks.count(), 5);
    EXPECT_EQ(changed.count(), 5);
    EXPECT_TRUE(clicks.last().at(0).toBool() == false);
    edit.SetVisibleUpdown(false);
    EXPECT_TRUE(edit.upButton()->isHidden());
}

TEST(NumberEdit, RefusingEditsKeepWhatWasTypedInRedInsteadOfChangingIt) {
    struct Case {
        const char *what;
        double min, max;
        bool validMinus;
        QString typed;
        bool valid;
        double value;   // after leaving the edit (the old value 5 where refused)
    } const cases[] = {
        {"in range", 1, 99, false, QStringLiteral("7"), true, 7},
        {"a minus where none is allowed", 1, 99, false, QStringLiteral("-3"), false, 5},
        {"a full-width minus too", 0.1, 1200, false, QStringLiteral("－50"), false, 5},
        {"above the maximum", 0.1, 1200, false, QStringLiteral("10000"), false, 5},
        {"below the minimum", 1, 99, false, QStringLiteral("0"), false, 5},
        {"a minus where one is allowed", -100, 100, true, QStringLiteral("-3"), true, -3},
        {"not a number", 1, 99, false, QStringLiteral("abc"), false, 5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TNumberEdit edit;
        edit.SetMin(c.min);
        edit.SetMax(c.max);
        edit.SetLimit(true);
        edit.SetZeroEnabled(false);
        edit.SetValidMinus(c.validMinus);
        edit.SetValue(5);
        edit.SetRefuseInvalid(true);
        edit.setText(c.typed);
        EXPECT_EQ(edit.IsValid(), c.valid);
        emit edit.returnPressed();
        EXPECT_DOUBLE_EQ(edit.Value(), c.value);
        if (c.valid) {
            EXPECT_EQ(edit.text(), edit.FormatValue(c.value));
            EXPECT_TRUE(edit.styleSheet().isEmpty());
        } else {
            // The typed text stays, red, until it is corrected.
            EXPECT_EQ(edit.text(), c.typed);
            EXPECT_TRUE(edit.styleSheet().contains(QStringLiteral("red")));
            EXPECT_FALSE(edit.RangeMessage().isEmpty());
        }
    }
    // A refusing edit shows a typed minus sign rather than dropping it.
    TNumberEdit edit;
    edit.SetValidMinus(false);
    edit.SetRefuseInvalid(true);
    edit.show();
    edit.setFocus();
    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("-3"));
    EXPECT_EQ(edit.text(), QStringLiteral("-3"));
    EXPECT_FALSE(edit.IsValid());
    EXPECT_EQ(edit.RangeMessage(), QStringLiteral("0 以上の数値を入力してください。"));
}
