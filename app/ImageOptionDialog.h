// TfrmImageOpt: the placement, size, rotation, copies and comment of one
// print-list record (its TPhotoOption).
#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;
class QTabWidget;
class QWidget;
class QPushButton;

namespace vellora {

class TExtIniFile;
class TPhotoOption;

class TfrmImageOpt : public QDialog {
    Q_OBJECT
public:
    explicit TfrmImageOpt(QWidget *parent = nullptr, TExtIniFile *ini = nullptr);
    ~TfrmImageOpt() override;

    // Loads the controls from the option (the Selected setter).
    void SetOption(const TPhotoOption &option);
    // Writes the controls into the option: groups that follow their parent
    // keep the option's own values.
    void GetOption(TPhotoOption &option) const;
    // 0 "配置", 1 "印刷枚数".
    void SetPage(int page);
    // The comment was changed through the comment editor.
    bool CommentEdited() const noexcept { return FCommentEdited; }
    const QStringList &Comment() const noexcept { return FComment; }

    QTabWidget *pgcMain;
    QComboBox *cmbParentAlign;
    QComboBox *cmbHorzAlign;
    QComboBox *cmbVertAlign;
    QComboBox *cmbParentSize;
    QComboBox *cmbPhotoSize;
    QDoubleSpinBox *edtScale;
    QComboBox *cmbSizeLimit;
    QComboBox *cmbParentRotate;
    QComboBox *cmbRotate;
    QSpinBox *edtCopies;
    QPushButton *btnComment;

private:
    void updateEnabling();
    void editComment();

    TExtIniFile *FIni;
    QStringList FComment;
    bool FCommentEdited = false;
    QWidget *pnlAlign;
    QWidget *pnlSize;
    QList<QWidget *> FScaleWidgets;
    QList<QWidget *> FLimitWidgets;
    QList<QWidget *> FRotateWidgets;
};

} // namespace vellora
