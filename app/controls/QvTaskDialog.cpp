#include "app/controls/QvTaskDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCommandLinkButton>
#include <QDateTime>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace vellora {

namespace {

TTaskDialogKind gKind = TTaskDialogKind::tdkEmulationThemed;

struct CommonButtonInfo {
    TQvCommonButton button;
    QDialogButtonBox::StandardButton standard;
    int id;
    TTaskDialogDefaultButton defaultButton;
};

// In the order the buttons are listed.
constexpr CommonButtonInfo kCommonButtons[] = {
    {TQvCommonButton::cbOk, QDialogButtonBox::Ok, idOk, TTaskDialogDefaultButton::tdbOk},
    {TQvCommonButton::cbYes, QDialogButtonBox::Yes, idYes, TTaskDialogDefaultButton::tdbYes},
    {TQvCommonButton::cbNo, QDialogButtonBox::No, idNo, TTaskDialogDefaultButton::tdbNo},
    {TQvCommonButton::cbCancel, QDialogButtonBox::Cancel, idCancel, TTaskDialogDefaultButton::tdbCancel},
    {TQvCommonButton::cbRetry, QDialogButtonBox::Retry, idRetry, TTaskDialogDefaultButton::tdbRetry},
    {TQvCommonButton::cbClose, QDialogButtonBox::Close, idClose, TTaskDialogDefaultButton::tdbClose},
};

constexpr int kIconColumn = 48;
constexpr int kMaxWidth = 640;
constexpr int kIconSize = 32;
constexpr int kFooterIconSize = 16;

QString defaultExpandText() { return QCoreApplication::translate("vellora::TTaskDialogXPForm", "詳細情報の表示"); }
QString defaultCollapseText() { return QCoreApplication::translate("vellora::TTaskDialogXPForm", "詳細情報の非表示"); }

} // namespace

int CommonButtonID(TQvCommonButton button) {
    for (const CommonButtonInfo &i : kCommonButtons)
        if (i.button == button)
            return i.id;
    return 0;
}

TTaskDialogKind ChooseTaskDialogImplementation() {
    // A themed desktop without a platform task dialog: the themed emulation.
    gKind = TTaskDialogKind::tdkEmulationThemed;
    return gKind;
}

TTaskDialogKind TaskDialogImplementation() { return gKind; }

TQvCommandButton &TQvCommandButtons::Add(const QString &caption, int id) {
    FItems.push_back(TQvCommandButton{id, caption, true, false});
    return FItems.back();
}

TQvTaskDialog::TQvTaskDialog(QObject *owner) : QObject(owner) {}

TQvTaskDialog::~TQvTaskDialog() = default;

bool TQvTaskDialog::Execute() {
    int button = 0;
    int radio = 0;
    bool checked = false;
    return Execute(button, radio, checked);
}

bool TQvTaskDialog::Execute(int &button, int &radioButton, bool &checked) {
    if (FForm)
        throw ETaskDialog("タスクダイアログが表示されています。");
    QWidget *parent = Options.contains(TQvTaskDialogOption::tdoNoParent) ? nullptr : Parent.data();
    if (!parent && !Options.contains(TQvTaskDialogOption::tdoNoParent))
        parent = QApplication::activeWindow();
    TTaskDialogXPForm form(*this, parent);
    FForm = &form;
    struct Reset {
        TTaskDialogXPForm *&form;
        ~Reset() { form = nullptr; }
    } reset{FForm};
    form.exec();
    button = form.ResultButton();
    radioButton = form.ResultRadio();
    checked = form.ResultChecked();
    Checked = checked;
    FForm = nullptr;
    if (OnClose)
        OnClose(*this);
    return true;
}

void TQvTaskDialog::SetContent(const QString &value) {
    FContent = value;
    if (FForm)
        FForm->UpdateTexts();
}

void TQvTaskDialog::SetInstruction(const QString &value) {
    FInstruction = value;
    if (FForm)
        FForm->UpdateTexts();
}

void TQvTaskDialog::SetExpandContent(const QString &value) {
    FExpandContent = value;
    if (FForm)
        FForm->UpdateTexts();
}

void TQvTaskDialog::SetFooter(const QString &value) {
    FFooter = value;
    if (FForm)
        FForm->UpdateTexts();
}

void TQvTaskDialog::SetPosition(int value) {
    FPosition = value;
    if (FForm)
        FForm->UpdatePosition();
}

// --- the emulation window --------------------------------------------------

QString TTaskDialogXPForm::commonButtonCaption(TQvCommonButton button) {
    switch (button) {
    case TQvCommonButton::cbOk: return tr("OK");
    case TQvCommonButton::cbYes: return tr("はい(&Y)");
    case TQvCommonButton::cbNo: return tr("いいえ(&N)");
    case TQvCommonButton::cbCancel: return tr("キャンセル(&C)");
    case TQvCommonButton::cbRetry: return tr("再試行(&R)");
    case TQvCommonButton::cbClose: return tr("閉じる(&C)");
    }
    return {};
}

QIcon TTaskDialogXPForm::ShieldIcon() {
    // Drawn rather than loaded, so it is sharp at any scale.
    QIcon icon;
    for (int size : {16, 32, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        QPainterPath shield;
        shield.moveTo(16, 2);
        shield.cubicTo(21, 5, 25, 6, 29, 6);
        shield.cubicTo(29, 18, 25, 25, 16, 30);
        shield.cubicTo(7, 25, 3, 18, 3, 6);
        shield.cubicTo(7, 6, 11, 5, 16, 2);
        shield.closeSubpath();
        p.setPen(QPen(QColor(40, 40, 40), 1.2));
        p.setBrush(QColor(30, 90, 200));
        p.drawPath(shield);
        p.setClipPath(shield);
        p.fillRect(QRectF(16, 0, 16, 16), QColor(240, 200, 40));
        p.fillRect(QRectF(0, 16, 16, 16), QColor(240, 200, 40));
        p.setClipping(false);
        p.setBrush(Qt::NoBrush);
        p.drawPath(shield);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QIcon TTaskDialogXPForm::StandardIcon(TTaskDialogIcon icon, const QIcon &glyph) {
    QStyle *style = QApplication::style();
    switch (icon) {
    case TTaskDialogIcon::tiNone: return {};
    case TTaskDialogIcon::tiError: return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case TTaskDialogIcon::tiWarning: return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case TTaskDialogIcon::tiQuestion: return style->standardIcon(QStyle::SP_MessageBoxQuestion);
    case TTaskDialogIcon::tiInformation: return style->standardIcon(QStyle::SP_MessageBoxInformation);
    case TTaskDialogIcon::tiShield: return ShieldIcon();
    case TTaskDialogIcon::tiCustom:
        if (!glyph.isNull())
            return glyph;
        if (!QApplication::windowIcon().isNull())
            return QApplication::windowIcon();
        return style->standardIcon(QStyle::SP_DesktopIcon);
    }
    return {};
}

TTaskDialogXPForm::TTaskDialogXPForm(TQvTaskDialog &dialog, QWidget *parent)
    : QDialog(parent), FDialog(dialog) {
    using O = TQvTaskDialogOption;
    setObjectName(QStringLiteral("TaskDialogXPForm"));
    setWindowTitle(dialog.Title.isEmpty() ? QFileInfo(QCoreApplication::applicationFilePath()).fileName()
                                          : dialog.Title);
    setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);

    const bool commandLinks = dialog.Options.contains(O::tdoCommandLinks)
        || dialog.Options.contains(O::tdoCommondLinksNoIcon);
    const bool customShown = commandLinks && dialog.CustomButtons.Count() > 0;
    const bool commonShown = !dialog.Buttons.empty() || !customShown;
    const TQvCommonButtons buttons = dialog.Buttons.empty() && !customShown
        ? TQvCommonButtons{TQvCommonButton::cbOk} : dialog.Buttons;
    FHasCancelButton = commonShown && buttons.contains(TQvCommonButton::cbCancel);

    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (cancellable())
        flags |= Qt::WindowCloseButtonHint;
    if (dialog.Options.contains(O::tdoCanMinimized))
        flags |= Qt::WindowMinimizeButtonHint;
    setWindowFlags(flags);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // Upper part: icon column and texts, on the window colour.
    auto *upper = new QWidget(this);
    upper->setObjectName(QStringLiteral("pnlMain"));
    upper->setAutoFillBackground(true);
    QPalette pal = upper->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Base));
    upper->setPalette(pal);
    auto *upperRow = new QHBoxLayout(upper);
    upperRow->setContentsMargins(10, 10, 10, 10);
    upperRow->setSpacing(0);
    const QIcon mainIcon = StandardIcon(dialog.MainIcon, dialog.MainIconGlyph);
    if (dialog.MainIcon != TTaskDialogIcon::tiNone) {
        auto *icon = new QLabel(upper);
        icon->setObjectName(QStringLiteral("imgMainIcon"));
        icon->setFixedWidth(kIconColumn);
        icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        icon->setPixmap(mainIcon.pixmap(kIconSize, kIconSize));
        upperRow->addWidget(icon, 0, Qt::AlignTop);
    }
    auto *texts = new QVBoxLayout;
    texts->setSpacing(8);
    upperRow->addLayout(texts, 1);

    FInstructionLabel = new QLabel(upper);
    FInstructionLabel->setObjectName(QStringLiteral("lblInstruction"));
    FInstructionLabel->setWordWrap(true);
    FInstructionLabel->setTextFormat(Qt::PlainText);
    QFont big = FInstructionLabel->font();
    big.setPointSizeF(big.pointSizeF() * 1.35);
    FInstructionLabel->setFont(big);
    QPalette ipal = FInstructionLabel->palette();
    ipal.setColor(QPalette::WindowText, QColor(0, 51, 153));
    FInstructionLabel->setPalette(ipal);
    texts->addWidget(FInstructionLabel);

    FContentLabel = new QLabel(upper);
    FContentLabel->setObjectName(QStringLiteral("lblContent"));
    FContentLabel->setWordWrap(true);
    texts->addWidget(FContentLabel);

    FExpandedLabel = new QLabel(this);
    FExpandedLabel->setObjectName(QStringLiteral("lblExpanded"));
    FExpandedLabel->setWordWrap(true);
    if (!dialog.Options.contains(O::tdoExpandFooter))
        texts->addWidget(FExpandedLabel);

    if (customShown) {
        for (const TQvCommandButton &b : dialog.CustomButtons) {
            const qsizetype nl = b.Caption.indexOf(QLatin1Char('\n'));
            auto *link = new QCommandLinkButton(nl < 0 ? b.Caption : b.Caption.left(nl),
                                                nl < 0 ? QString() : b.Caption.mid(nl + 1), upper);
            link->setObjectName(QStringLiteral("cmd%1").arg(b.ButtonID));
            link->setEnabled(b.Enabled);
            link->setAutoDefault(false);
            if (b.Elevation)
                link->setIcon(ShieldIcon());
            else if (dialog.Options.contains(O::tdoCommondLinksNoIcon))
                link->setIcon(QIcon());
            const int id = b.ButtonID;
            connect(link, &QAbstractButton::clicked, this, [this, id] { buttonClicked(id); });
            texts->addWidget(link);
            if (dialog.DefaultButton == TTaskDialogDefaultButton::tdbCustom && dialog.CustomDefaultButtonID == id)
                FDefault = link;
        }
    }

    if (dialog.RadioButtons.Count() > 0) {
        auto *radios = new QVBoxLayout;
        radios->setContentsMargins(8, 8, 8, 8);
        for (const TQvCommandButton &b : dialog.RadioButtons) {
            auto *radio = new QRadioButton(b.Caption, upper);
            radio->setObjectName(QStringLiteral("rad%1").arg(b.ButtonID));
            radio->setEnabled(b.Enabled);
            radio->setProperty("buttonID", b.ButtonID);
            if (b.ButtonID == dialog.DefaultRadioButtonID && !dialog.Options.contains(O::tdoNoDefaultRadioButton))
                radio->setChecked(true);
            const int id = b.ButtonID;
            connect(radio, &QRadioButton::toggled, this, [this, id](bool on) {
                if (!on)
                    return;
                FResultRadio = id;
                if (FDialog.OnSelect)
                    FDialog.OnSelect(FDialog, id);
            });
            radios->addWidget(radio);
            FRadios.push_back(radio);
        }
        texts->addLayout(radios);
    }

    if (dialog.Options.contains(O::tdoShowProgress)) {
        FProgress = new QProgressBar(upper);
        FProgress->setObjectName(QStringLiteral("pbProgress"));
        FProgress->setTextVisible(false);
        if (dialog.ProgressMode == TQvProgressBarMode::pbMarquee)
            FProgress->setRange(0, 0);
        else
            FProgress->setRange(dialog.Min, dialog.Max);
        texts->addWidget(FProgress);
    }
    texts->addStretch(1);
    outer->addWidget(upper, 1);

    // Lower part: expander, verification box and common buttons.
    auto *lower = new QWidget(this);
    lower->setObjectName(QStringLiteral("pnlButtons"));
    auto *lowerBox = new QVBoxLayout(lower);
    lowerBox->setContentsMargins(10, 8, 10, 8);
    auto *row = new QHBoxLayout;
    lowerBox->addLayout(row);
    FExpandButton = new QPushButton(lower);
    FExpandButton->setObjectName(QStringLiteral("btnExpand"));
    FExpandButton->setAutoDefault(false);
    FExpandButton->setFlat(true);
    connect(FExpandButton, &QPushButton::clicked, this, [this] {
        setExpanded(!FExpanded);
        if (FExpanded ? bool(FDialog.OnExpanded) : bool(FDialog.OnCollapsed))
            (FExpanded ? FDialog.OnExpanded : FDialog.OnCollapsed)(FDialog);
    });
    row->addWidget(FExpandButton);
    row->addStretch(1);
    if (commonShown) {
        auto *box = new QDialogButtonBox(lower);
        box->setObjectName(QStringLiteral("btnsCommon"));
        for (const CommonButtonInfo &i : kCommonButtons) {
            if (!buttons.contains(i.button))
                continue;
            QPushButton *b = box->addButton(i.standard);
            // Our own captions: each with its accelerator, and none taken
            // twice within a dialog, which would leave Alt+key doing nothing.
            b->setText(commonButtonCaption(i.button));
            b->setObjectName(QStringLiteral("btn%1").arg(i.id));
            b->setAutoDefault(false);
            const int id = i.id;
            connect(b, &QPushButton::clicked, this, [this, id] { buttonClicked(id); });
            if (dialog.DefaultButton == i.defaultButton)
                FDefault = b;
        }
        row->addWidget(box);
        if (!FDefault && !customShown)
            FDefault = box->buttons().value(0);
    }
    FVerification = new QCheckBox(dialog.VerificationText, lower);
    FVerification->setObjectName(QStringLiteral("chkVerification"));
    FVerification->setChecked(dialog.Checked);
    FVerification->setVisible(!dialog.VerificationText.isEmpty());
    connect(FVerification, &QCheckBox::toggled, this, [this] {
        if (FDialog.OnVerificationClick)
            FDialog.OnVerificationClick(FDialog);
    });
    lowerBox->addWidget(FVerification);
    if (dialog.Options.contains(O::tdoExpandFooter))
        lowerBox->addWidget(FExpandedLabel);
    outer->addWidget(lower);

    // Footer with its small icon.
    auto *footer = new QWidget(this);
    footer->setObjectName(QStringLiteral("pnlFooter"));
    auto *footerRow = new QHBoxLayout(footer);
    footerRow->setContentsMargins(10, 4, 10, 8);
    if (dialog.FooterIcon != TTaskDialogIcon::tiNone) {
        auto *icon = new QLabel(footer);
        icon->setObjectName(QStringLiteral("imgFooterIcon"));
        icon->setPixmap(StandardIcon(dialog.FooterIcon, dialog.FooterIconGlyph).pixmap(kFooterIconSize, kFooterIconSize));
        footerRow->addWidget(icon, 0, Qt::AlignTop);
    }
    FFooterLabel = new QLabel(footer);
    FFooterLabel->setObjectName(QStringLiteral("lblFooter"));
    FFooterLabel->setWordWrap(true);
    footerRow->addWidget(FFooterLabel, 1);
    outer->addWidget(footer);

    for (QLabel *l : {FContentLabel, FExpandedLabel, FFooterLabel}) {
        connect(l, &QLabel::linkActivated, this, [this](const QString &link) {
            bool show = true;
            if (FDialog.OnHyperLink)
                FDialog.OnHyperLink(FDialog, link, show);
            if (show)
                QDesktopServices::openUrl(QUrl(link));
        });
    }

    if (FDefault) {
        if (auto *pb = qobject_cast<QPushButton *>(FDefault))
            pb->setDefault(true);
    }
    for (QRadioButton *r : FRadios)
        if (r->isChecked())
            FResultRadio = r->property("buttonID").toInt();

    if (dialog.Options.contains(O::tdoTimer)) {
        FTimer = new QTimer(this);
        FTimer->setInterval(200);
        connect(FTimer, &QTimer::timeout, this, [this] {
            bool reset = false;
            const qint64 now = QDateTime::currentMSecsSinceEpoch();
            if (FDialog.OnTimer)
                FDialog.OnTimer(FDialog, int(now - FTickStart), reset);
            if (reset)
                FTickStart = now;
        });
    }

    FExpanded = dialog.Options.contains(O::tdoDefaultExpanded);
    UpdateTexts();
    UpdatePosition();
    setMinimumWidth(360);
    setMaximumWidth(kMaxWidth);
}

bool TTaskDialogXPForm::cancellable() const {
    return FHasCancelButton || FDialog.Options.contains(TQvTaskDialogOption::tdoAllowCancel);
}

void TTaskDialogXPForm::setLabelText(QLabel *label, const QString &text) {
    const bool links = FDialog.Options.contains(TQvTaskDialogOption::tdoHyperLink);
    if (links) {
        // Our own markup is the Windows one: <a href="...">...</a>. Line
        // breaks are kept.
        label->setTextFormat(Qt::RichText);
        QString html = text;
        html.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
        label->setText(html);
        label->setTextInteractionFlags(Qt::TextBrowserInteraction);
        label->setOpenExternalLinks(false);
    } else {
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
    }
    label->setVisible(!text.isEmpty());
}

void TTaskDialogXPForm::UpdateTexts() {
    FInstructionLabel->setText(FDialog.Instruction());
    FInstructionLabel->setVisible(!FDialog.Instruction().isEmpty());
    // A short instruction stays on one line, as the platform dialog widens for
    // it; a long one wraps at the window's widest (adjustSize keeps a window
    // within two thirds of the screen).
    const QFontMetrics big(FInstructionLabel->font());
    int longest = 0;
    for (const QString &line : FDialog.Instruction().split(QLatin1Char('\n')))
        longest = std::max(longest, big.horizontalAdvance(line));
    int widest = kMaxWidth;
    if (const QScreen *s = screen())
        widest = std::min(widest, s->availableGeometry().width() * 2 / 3);
    const int sideMargins = 2 * 10;   // the main panel's
    const int room = widest - sideMargins - (FDialog.MainIcon == TTaskDialogIcon::tiNone ? 0 : kIconColumn);
    FInstructionLabel->setMinimumWidth(std::clamp(longest + 2, 0, std::max(room, 0)));
    setLabelText(FContentLabel, FDialog.Content());
    setLabelText(FFooterLabel, FDialog.Footer());
    FFooterLabel->parentWidget()->setVisible(!FDialog.Footer().isEmpty());
    setLabelText(FExpandedLabel, FDialog.ExpandContent());
    setExpanded(FExpanded);
}

void TTaskDialogXPForm::UpdatePosition() {
    if (FProgress && FDialog.ProgressMode == TQvProgressBarMode::pbProgress)
        FProgress->setValue(std::clamp(FDialog.Position(), FProgress->minimum(), FProgress->maximum()));
}

void TTaskDialogXPForm::setExpanded(bool expanded) {
    FExpanded = expanded;
    const bool has = !FDialog.ExpandContent().isEmpty();
    FExpandButton->setVisible(has);
    FExpandedLabel->setVisible(has && expanded);
    // As the platform dialog labels it: the collapsed text while the details
    // are hidden, the expanded text while they show, either standing in for
    // the other when only one is given.
    QString collapsedText = FDialog.CollapsedControlText, expandedText = FDialog.ExpandControlText;
    if (collapsedText.isEmpty() && expandedText.isEmpty()) {
        collapsedText = defaultExpandText();
        expandedText = defaultCollapseText();
    } else if (collapsedText.isEmpty()) {
        collapsedText = expandedText;
    } else if (expandedText.isEmpty()) {
        expandedText = collapsedText;
    }
    FExpandButton->setText(expanded ? QStringLiteral("▲ ") + expandedText : QStringLiteral("▼ ") + collapsedText);
    fitToContents();
}

void TTaskDialogXPForm::fitToContents() {
    if (!isVisible())
        return;
    // Each layout holds its widget's minimum size from before the change
    // until it is activated again, inner panels first; without this the window
    // would not shrink when the details are hidden.
    const QList<QWidget *> panels = findChildren<QWidget *>();
    for (auto it = panels.crbegin(); it != panels.crend(); ++it)
        if (QLayout *l = (*it)->layout())
            l->activate();
    layout()->activate();
    adjustSize();
}

bool TTaskDialogXPForm::ResultChecked() const { return FVerification->isChecked(); }

void TTaskDialogXPForm::buttonClicked(int id) {
    bool canClose = true;
    if (FDialog.OnClick)
        FDialog.OnClick(FDialog, id, canClose);
    if (!canClose)
        return;
    FResultButton = id;
    FResultRadio = 0;
    for (QRadioButton *r : FRadios)
        if (r->isChecked())
            FResultRadio = r->property("buttonID").toInt();
    FClosing = true;
    done(id);
}

void TTaskDialogXPForm::reject() {
    // Esc: only when cancellation is allowed, and then as the Cancel button.
    if (cancellable())
        buttonClicked(idCancel);
}

void TTaskDialogXPForm::closeEvent(QCloseEvent *event) {
    if (FClosing) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    reject();
}

void TTaskDialogXPForm::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_F1 && FDialog.OnHelp) {
        FDialog.OnHelp(FDialog);
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier
        && FDefault && FDefault->isEnabled() && !qobject_cast<QPushButton *>(focusWidget())
        && !qobject_cast<QCommandLinkButton *>(focusWidget())) {
        FDefault->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TTaskDialogXPForm::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    adjustSize();
    if (QWidget *p = parentWidget(); p && p->isVisible()) {
        QRect r = frameGeometry();
        r.moveCenter(p->window()->frameGeometry().center());
        move(r.topLeft());
    }
    if (FDefault)
        FDefault->setFocus();
    FTickStart = QDateTime::currentMSecsSinceEpoch();
    if (FTimer)
        FTimer->start();
    if (FDialog.OnShow)
        FDialog.OnShow(FDialog);
}

} // namespace vellora
