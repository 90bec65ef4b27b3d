// TQvTaskDialog: a question window with main instruction, content, command
// links or radio buttons, a verification check box, an expandable text, a
// footer and an optional progress bar. There is no platform task dialog on
// our desktops, so it always shows the emulation window TTaskDialogXPForm.
// Execute shows it modally and reports the closing button's ID, the chosen
// radio button and the check box; common buttons report OK 1, Cancel 2,
// Retry 4, Yes 6, No 7, Close 8. Texts are plain unless tdoHyperLink is set.
// UI thread only. Execute throws ETaskDialog when the dialog is already
// showing.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <vector>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QVBoxLayout;
class QAbstractButton;
class QRadioButton;

namespace vellora {

// A Delphi-style set over the ordinals of a small enumeration.
template <typename E>
class TSmallSet {
public:
    constexpr TSmallSet() = default;
    constexpr TSmallSet(std::initializer_list<E> values) {
        for (E v : values)
            FBits |= bit(v);
    }
    constexpr bool contains(E v) const noexcept { return (FBits & bit(v)) != 0; }
    constexpr bool empty() const noexcept { return FBits == 0; }
    constexpr TSmallSet &operator+=(E v) noexcept { FBits |= bit(v); return *this; }
    constexpr TSmallSet &operator-=(E v) noexcept { FBits &= ~bit(v); return *this; }
    constexpr bool operator==(const TSmallSet &) const = default;

private:
    static constexpr std::uint32_t bit(E v) { return 1u << static_cast<unsigned>(v); }
    std::uint32_t FBits = 0;
};

enum class TQvTaskDialogOption : std::uint8_t {
    tdoHyperLink, tdoAllowCancel, tdoCommandLinks, tdoCommondLinksNoIcon, tdoExpandFooter,
    tdoDefaultExpanded, tdoShowProgress, tdoTimer, tdoNoParent, tdoNoDefaultRadioButton, tdoCanMinimized
};
using TQvTaskDialogOptions = TSmallSet<TQvTaskDialogOption>;
enum class TQvCommonButton : std::uint8_t { cbOk, cbYes, cbNo, cbCancel, cbRetry, cbClose };
using TQvCommonButtons = TSmallSet<TQvCommonButton>;
enum class TTaskDialogIcon : std::uint8_t { tiNone, tiCustom, tiError, tiWarning, tiQuestion, tiInformation, tiShield };
enum class TTaskDialogDefaultButton : std::uint8_t { tdbNone, tdbOk, tdbYes, tdbNo, tdbCancel, tdbRetry, tdbClose, tdbCustom };
enum class TQvProgressBarMode : std::uint8_t { pbProgress, pbMarquee };
enum class TQvProgressBarState : std::uint8_t { pbsNormal, pbsPause, pbsError };
enum class TTaskDialogControlStyle : std::uint8_t { tcsButton, tcsRadioButton };

// The standard result codes of the common buttons.
inline constexpr int idOk = 1;
inline constexpr int idCancel = 2;
inline constexpr int idRetry = 4;
inline constexpr int idYes = 6;
inline constexpr int idNo = 7;
inline constexpr int idClose = 8;
int CommonButtonID(TQvCommonButton button);

class ETaskDialog : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TQvCommandButton {
    int ButtonID = 0;
    QString Caption;      // a second line becomes the command link's note
    bool Enabled = true;
    bool Elevation = false;   // shows the shield
};

class TQvCommandButtons {
public:
    explicit TQvCommandButtons(TTaskDialogControlStyle style) : FStyle(style) {}
    TTaskDialogControlStyle Style() const noexcept { return FStyle; }
    TQvCommandButton &Add(const QString &caption, int id);
    int Count() const noexcept { return int(FItems.size()); }
    TQvCommandButton &operator[](int i) { return FItems.at(std::size_t(i)); }
    const TQvCommandButton &operator[](int i) const { return FItems.at(std::size_t(i)); }
    void Clear() { FItems.clear(); }
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    TTaskDialogControlStyle FStyle;
    std::vector<TQvCommandButton> FItems;
};

class TTaskDialogXPForm;

// Which implementation Execute uses; chosen once at program start.
enum class TTaskDialogKind : std::uint8_t { tdkEmulationClassic, tdkEmulationThemed, tdkPlatform };
TTaskDialogKind ChooseTaskDialogImplementation();
TTaskDialogKind TaskDialogImplementation();

class TQvTaskDialog : public QObject {
    Q_OBJECT
public:
    using TNotify = std::function<void(TQvTaskDialog &)>;
    using TClickEvent = std::function<void(TQvTaskDialog &, int buttonID, bool &canClose)>;
    using THyperLinkEvent = std::function<void(TQvTaskDialog &, const QString &link, bool &showLink)>;
    using TSelectEvent = std::function<void(TQvTaskDialog &, int buttonID)>;
    using TTimerEvent = std::function<void(TQvTaskDialog &, int tickCount, bool &reset)>;

    explicit TQvTaskDialog(QObject *owner = nullptr);
    ~TQvTaskDialog() override;

    // Shows the dialog modally. True when it could be shown, whatever
    // closed it.
    bool Execute(int &button, int &radioButton, bool &checked);
    bool Execute();
    bool Showing() const { return FForm != nullptr; }
    TTaskDialogXPForm *Form() const { return FForm; }   // while showing

    // Properties (the ones shown live while the dialog is showing say so).
    TQvCommonButtons Buttons;
    bool Checked = false;
    QString CollapsedControlText;
    TQvCommandButtons CustomButtons{TTaskDialogControlStyle::tcsButton};
    TQvCommandButtons RadioButtons{TTaskDialogControlStyle::tcsRadioButton};
    int CustomDefaultButtonID = 0;
    TTaskDialogDefaultButton DefaultButton = TTaskDialogDefaultButton::tdbNone;
    int DefaultRadioButtonID = 0;
    QString ExpandControlText;
    TTaskDialogIcon FooterIcon = TTaskDialogIcon::tiNone;
    QIcon FooterIconGlyph;
    TTaskDialogIcon MainIcon = TTaskDialogIcon::tiNone;
    QIcon MainIconGlyph;
    int MarqueeSpeed = 20;
    int Max = 100;
    int Min = 0;
    TQvTaskDialogOptions Options;
    QPointer<QWidget> Parent;
    TQvProgressBarMode ProgressMode = TQvProgressBarMode::pbProgress;
    bool QuickChange = true;
    int RangeStep = 1;
    QString Title;
    QString VerificationText;

    // Live while showing.
    const QString &Content() const { return FContent; }
    void SetContent(const QString &value);
    const QString &Instruction() const { return FInstruction; }
    void SetInstruction(const QString &value);
    const QString &ExpandContent() const { return FExpandContent; }
    void SetExpandContent(const QString &value);
    const QString &Footer() const { return FFooter; }
    void SetFooter(const QString &value);
    int Position() const { return FPosition; }
    void SetPosition(int value);

    // Events.
    TClickEvent OnClick;
    TNotify OnClose;
    TNotify OnCollapsed;
    TNotify OnExpanded;
    TNotify OnHelp;
    THyperLinkEvent OnHyperLink;
    TNotify OnNavigate;
    TSelectEvent OnSelect;
    TNotify OnShow;
    TTimerEvent OnTimer;
    TNotify OnVerificationClick;

private:
    QString FContent;
    QString FInstruction;
    QString FExpandContent;
    QString FFooter;
    int FPosition = 0;
    TTaskDialogXPForm *FForm = nullptr;
};

// The emulation window. Built from the dialog's properties; the results are
// read from it after it closes.
class TTaskDialogXPForm : public QDialog {
    Q_OBJECT
public:
    TTaskDialogXPForm(TQvTaskDialog &dialog, QWidget *parent);

    int ResultButton() const noexcept { return FResultButton; }
    int ResultRadio() const noexcept { return FResultRadio; }
    bool ResultChecked() const;

    // Live updates from the dialog.
    void UpdateTexts();
    void UpdatePosition();

    static QIcon StandardIcon(TTaskDialogIcon icon, const QIcon &glyph);
    static QIcon ShieldIcon();
    // The caption of a common button, with its accelerator.
    static QString commonButtonCaption(TQvCommonButton button);

protected:
    void reject() override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buttonClicked(int id);
    void setExpanded(bool expanded);
    void fitToContents();
    bool cancellable() const;
    void setLabelText(QLabel *label, const QString &text);

    TQvTaskDialog &FDialog;
    QLabel *FInstructionLabel = nullptr;
    QLabel *FContentLabel = nullptr;
    QLabel *FExpandedLabel = nullptr;
    QLabel *FFooterLabel = nullptr;
    QPushButton *FExpandButton = nullptr;
    QCheckBox *FVerification = nullptr;
    QProgressBar *FProgress = nullptr;
    QTimer *FTimer = nullptr;
    QAbstractButton *FDefault = nullptr;
    std::vector<QRadioButton *> FRadios;
    bool FHasCancelButton = false;
    bool FExpanded = false;
    bool FClosing = false;
    int FResultButton = 0;
    int FResultRadio = 0;
    qint64 FTickStart = 0;
};

} // namespace vellora
