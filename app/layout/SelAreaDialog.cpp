#include "app/layout/SelAreaDialog.h"

#include "app/layout/AreaPropDialog.h"
#include "app/layout/DialogParts.h"
#include "model/PhotoPaper.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>
#include <cmath>

namespace vellora {

namespace {
// $00BBGGRR colours of the chooser.
constexpr TColor kBeforeStart = 12632256;   // silver: cells before the start cell
constexpr TColor kSelected = 9828337;       // light yellow
constexpr TColor kFreeArea = 15780518;      // sky blue outlines of free areas
} // namespace

// The picture of the chooser.
class TSelAreaView : public QWidget {
public:
    explicit TSelAreaView(TfrmSelArea *owner) : QWidget(owner), FOwner(owner)
    {
        setObjectName(QStringLiteral("imgPaper"));
        setMinimumSize(260, 300);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        FOwner->drawPicture(p, size());
    }
    void mousePressEvent(QMouseEvent *event) override
    {
        const int index = FOwner->AreaAt(event->position().toPoint());
        if (index >= 0)
            FOwner->SetSelected(index);
    }
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && FOwner->AreaAt(event->position().toPoint()) >= 0)
            FOwner->accept();
    }
    void contextMenuEvent(QContextMenuEvent *event) override
    {
        if (FOwner->SelectionMode() != TSelectionMode::smSelect &&
            FOwner->SelectionMode() != TSelectionMode::smSetting)
            return;
        const int index = FOwner->AreaAt(event->pos());
        if (index >= 0)
            FOwner->SetSelected(index);
        QMenu menu(this);
        menu.setObjectName(QStringLiteral("pmnPaste"));
        for (QAction *a : {FOwner->actCopy, FOwner->actPaste, FOwner->actPasteHorz, FOwner->actPasteVert,
                           FOwner->actPasteAll, FOwner->actClear}) {
            if (a->isVisible())
                menu.addAction(a);
        }
        menu.exec(event->globalPos());
    }

private:
    TfrmSelArea *FOwner;
};

std::vector<int> PasteTargets(TPasteKind kind, int selected, int source, int columns, int count)
{
    std::vector<int> targets;
    auto add = [&](int i) {
        if (i >= 0 && i < count && i != source)
            targets.push_back(i);
    };
    if (columns < 1 || selected < 0 || selected >= count)
        return targets;
    switch (kind) {
    case TPasteKind::pkOne:
        add(selected);
        break;
    case TPasteKind::pkRow: {
        const int row = selected / columns;
        for (int i = row * columns; i < row * columns + columns; ++i)
            add(i);
        break;
    }
    case TPasteKind::pkColumn:
        for (int i = selected % columns; i < count; i += columns)
            add(i);
        break;
    case TPasteKind::pkAll:
        for (int i = 0; i < count; ++i)
            add(i);
        break;
    }
    return targets;
}

TfrmSelArea::TfrmSelArea(QWidget *parent, TExtIniFile *ini) : QDialog(parent), FIni(ini)
{
    setObjectName(QStringLiteral("frmSelArea"));
    setWindowTitle(tr("写真エリア選択"));
    tbrArea = new QToolBar(this);
    tbrArea->setObjectName(QStringLiteral("tbrArea"));
    auto make = [this](const QString &name, const QString &text, const QKeySequence &key) {
        auto *a = new QAction(text, this);
        a->setObjectName(name);
        a->setToolTip(text);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
        tbrArea->addAction(a);
        return a;
    };
    actCopy = make(QStringLiteral("actCopy"), tr("コピー"), QKeySequence(QStringLiteral("Ctrl+C")));
    actPaste = make(QStringLiteral("actPaste"), tr("貼り付け"), QKeySequence(QStringLiteral("Ctrl+V")));
    actPasteHorz = make(QStringLiteral("actPasteHorz"), tr("横1列に貼り付け"), QKeySequence(QStringLiteral("Ctrl+H")));
    actPasteVert = make(QStringLiteral("actPasteVert"), tr("縦1列に貼り付け"), QKeySequence(QStringLiteral("Ctrl+T")));
    actPasteAll = make(QStringLiteral("actPasteAll"), tr("全体に貼り付け"), QKeySequence(QStringLiteral("Ctrl+A")));
    actClear = make(QStringLiteral("actClear"), tr("クリア"), QKeySequence(Qt::Key_Delete));
    connect(actCopy, &QAction::triggered, this, &TfrmSelArea::Copy);
    connect(actPaste, &QAction::triggered, this, [this] { Paste(TPasteKind::pkOne); });
    connect(actPasteHorz, &QAction::triggered, this, [this] { Paste(TPasteKind::pkRow); });
    connect(actPasteVert, &QAction::triggered, this, [this] { Paste(TPasteKind::pkColumn); });
    connect(actPasteAll, &QAction::triggered, this, [this] { Paste(TPasteKind::pkAll); });
    connect(actClear, &QAction::triggered, this, &TfrmSelArea::Clear);

    imgPaper = new TSelAreaView(this);
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(tr("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOk, &QPushButton::clicked, this, &TfrmSelArea::accept);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmSelArea::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto *l = new QVBoxLayout(this);
    l->addWidget(tbrArea);
    l->addWidget(imgPaper, 1);
    l->addLayout(buttons);
    SetSelectionMode(TSelectionMode::smSelect);
    resize(520, 480);
    TFormPlacement(this, FIni).Restore();
}

void TfrmSelArea::SetPaper(TPhotoPaper *paper)
{
    FPaper = paper;
    FCopySource = -1;
    if (FPaper && FSelected >= FPaper->PhotoAreas().Count())
        FSelected = 0;
    updateActions();
    imgPaper->update();
}

void TfrmSelArea::SetSelectionMode(TSelectionMode mode)
{
    FSelectionMode = mode;
    const bool tools = mode == TSelectionMode::smSelect || mode == TSelectionMode::smSetting;
    tbrArea->setVisible(tools);
    actClear->setVisible(mode == TSelectionMode::smSelect);
    if (mode == TSelectionMode::smSetting) {
        btnOk->setText(tr("設定(&S)"));
        btnCancel->setText(tr("閉じる(&C)"));
    } else {
        btnOk->setText(QStringLiteral("OK"));
        btnCancel->setText(tr("キャンセル"));
    }
    updateActions();
    imgPaper->update();
}

void TfrmSelArea::SetSelected(int index)
{
    if (!FPaper || index < 0 || index >= FPaper->PhotoAreas().Count())
        return;
    FSelected = index;
    imgPaper->update();
}

void TfrmSelArea::updateActions()
{
    const bool tools = FSelectionMode == TSelectionMode::smSelect || FSelectionMode == TSelectionMode::smSetting;
    actCopy->setEnabled(tools && FPaper);
    for (QAction *a : {actPaste, actPasteHorz, actPasteVert, actPasteAll})
        a->setEnabled(tools && FCopySource >= 0);
    actClear->setEnabled(FSelectionMode == TSelectionMode::smSelect && FPaper);
}

void TfrmSelArea::Copy()
{
    if (!actCopy->isEnabled())
        return;
    FCopySource = FSelected;
    updateActions();
}

void TfrmSelArea::Paste(TPasteKind kind)
{
    if (!FPaper || FCopySource < 0 || FCopySource >= FPaper->PhotoAreas().Count())
        return;
    TPhotoAreas &cells = FPaper->PhotoAreas();
    const TPhotoArea &source = *cells.Items(FCopySource);
    for (int index : PasteTargets(kind, FSelected, FCopySource, FPaper->HorzDivide(), cells.Count())) {
        if (FSelectionMode == TSelectionMode::smSelect)
            cells.Items(index)->Areas().CopyFrom(source.Areas());
        else
            cells.Items(index)->CopyFrom(source);
    }
    if (!(kind == TPasteKind::pkAll && FSelectionMode == TSelectionMode::smSetting))
        imgPaper->update();
}

void TfrmSelArea::Clear()
{
    if (!FPaper || FSelectionMode != TSelectionMode::smSelect)
        return;
    if (!AskYesNo(this, tr("確認"), tr("選択したエリアの印刷領域を消去しますか？")))
        return;
    FPaper->PhotoAreas().Items(FSelected)->Areas().Clear();
    imgPaper->update();
}

void TfrmSelArea::layoutPicture(QSize client)
{
    FAreas.clear();
    if (!FPaper)
        return;
    const double pw = static_cast<double>(FPaper->PaperWidth());
    const double ph = static_cast<double>(FPaper->PaperHeight());
    if (pw <= 0 || ph <= 0)
        return;
    FRate = std::min((client.width() - 20) / pw, (client.height() - 20) / ph);
    if (FRate <= 0)
        FRate = 0.01;
    const int w = static_cast<int>(std::lround(pw * FRate));
    const int h = static_cast<int>(std::lround(ph * FRate));
    FPaperRect = QRect((client.width() - w) / 2, (client.height() - h) / 2, w, h);
    const TPhotoAreas &cells = FPaper->PhotoAreas();
    for (int i = 0; i < cells.Count(); ++i) {
        const TFloatRect &b = cells.Items(i)->Bounds();
        auto px = [this](Extended mm) { return static_cast<int>(std::lround(static_cast<double>(mm) * FRate)); };
        FAreas.push_back(QRect(QPoint(FPaperRect.left() + px(b.Left), FPaperRect.top() + px(b.Top)),
                               QPoint(FPaperRect.left() + px(b.Right) - 1, FPaperRect.top() + px(b.Bottom) - 1)));
    }
}

void TfrmSelArea::drawPicture(QPainter &p, QSize client)
{
    layoutPicture(client);
    p.fillRect(QRect(QPoint(0, 0), client), palette().color(QPalette::Button));
    if (!FPaper)
        return;
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(FPaperRect.adjusted(0, 0, -1, -1));
    const TPhotoAreas &cells = FPaper->PhotoAreas();
    for (int i = 0; i < static_cast<int>(FAreas.size()); ++i) {
        TColor fill = clWhite;
        if (FSelectionMode == TSelectionMode::smCheck)
            fill = i < FSelected ? kBeforeStart : kSelected;
        else if (i == FSelected)
            fill = kSelected;
        p.setPen(Qt::black);
        p.setBrush(ToQColor(fill));
        p.drawRect(FAreas[static_cast<size_t>(i)]);
        if (FSelectionMode == TSelectionMode::smSelect) {
            const TPhotoArea *cell = cells.Items(i);
            p.setPen(ToQColor(kFreeArea));
            p.setBrush(Qt::NoBrush);
            for (int k = 0; k < cell->Areas().Count(); ++k) {
                const TFloatRect &a = cell->Areas().Items(k)->Bounds();
                auto px = [this](Extended mm) { return static_cast<int>(std::lround(static_cast<double>(mm) * FRate)); };
                const QPoint origin = FAreas[static_cast<size_t>(i)].topLeft();
                p.drawRect(QRect(origin + QPoint(px(a.Left), px(a.Top)), origin + QPoint(px(a.Right) - 1, px(a.Bottom) - 1)));
            }
        }
    }
}

int TfrmSelArea::AreaAt(QPoint point) const
{
    for (int i = 0; i < static_cast<int>(FAreas.size()); ++i) {
        if (FAreas[static_cast<size_t>(i)].contains(point))
            return i;
    }
    return -1;
}

void TfrmSelArea::openAreaProp()
{
    if (!FPaper || FSelected < 0 || FSelected >= FPaper->PhotoAreas().Count())
        return;
    TfrmAreaProp dialog(this, FIni);
    dialog.SetArea(FPaper->PhotoAreas().Items(FSelected));
    dialog.exec();
    imgPaper->update();
}

void TfrmSelArea::accept()
{
    if (FSelectionMode == TSelectionMode::smSetting) {
        openAreaProp();
        return;
    }
    QDialog::accept();
}

void TfrmSelArea::done(int result)
{
    TFormPlacement(this, FIni).Save();
    QDialog::done(result);
}

} // namespace vellora
