#include "app/designer/PositioningDialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace vellora {

namespace {

// Three boxes of the sample in mm-like units, before aligning.
const TFloatRect kSampleBoxes[] = {{10, 12, 40, 30}, {52, 40, 72, 70}, {30, 78, 90, 92}};

QPixmap sample(THorzAlign horz, TVertAlign vert, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setPen(QPen(QColor(160, 160, 160), 1, Qt::DashLine));
    p.drawRect(QRect(8, 8, size - 17, size - 17));
    std::vector<TFloatRect> boxes(std::begin(kSampleBoxes), std::end(kSampleBoxes));
    boxes = AlignRects(boxes, horz, vert);
    const double k = (size - 16) / 100.0;
    const QColor fills[] = {QColor(166, 202, 240), QColor(240, 200, 160), QColor(180, 220, 170)};
    for (size_t i = 0; i < boxes.size(); ++i) {
        const TFloatRect &b = boxes[i];
        const QRectF r(8 + double(b.Left) * k, 8 + double(b.Top) * k, double(b.Width()) * k, double(b.Height()) * k);
        p.setPen(Qt::black);
        p.setBrush(fills[i]);
        p.drawRect(r);
    }
    return pm;
}

// A button picture: three bars placed as the choice places areas.
QIcon alignIcon(bool horizontal, int choice)
{
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(50, 50, 50));
    const int lengths[] = {14, 8, 18};
    for (int i = 0; i < 3; ++i) {
        const int len = lengths[i];
        int at = 3;   // unaligned: staggered
        if (choice == 1)
            at = 3;
        else if (choice == 2)
            at = (24 - len) / 2;
        else if (choice == 3)
            at = 21 - len;
        else
            at = 3 + i * 2;
        if (horizontal)
            p.drawRect(at, 4 + i * 6, len, 4);
        else
            p.drawRect(4 + i * 6, at, 4, len);
    }
    p.setPen(QColor(200, 0, 0));
    if (choice != 0) {
        const int line = choice == 1 ? 2 : choice == 2 ? 12 : 21;
        if (horizontal)
            p.drawLine(line, 1, line, 22);
        else
            p.drawLine(1, line, 22, line);
    }
    return QIcon(pm);
}

} // namespace

TfrmPositioning::TfrmPositioning(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPositioning"));
    setWindowTitle(tr("整列"));
    grpHorz = new QButtonGroup(this);
    grpHorz->setObjectName(QStringLiteral("grpHorz"));
    grpVert = new QButtonGroup(this);
    grpVert->setObjectName(QStringLiteral("grpVert"));
    grpHorz->setExclusive(true);
    grpVert->setExclusive(true);

    auto button = [this](const char *name, const QString &hint, const QIcon &icon) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setCheckable(true);
        b->setIcon(icon);
        b->setIconSize(QSize(24, 24));
        b->setAutoRaise(false);
        return b;
    };
    // Ids are the enumerations' ordinals.
    const struct { const char *name; const char *hint; THorzAlign value; int icon; } horz[] = {
        {"btnHorzNone", QT_TR_NOOP("指定なし"), THorzAlign::haNone, 0},
        {"btnHorzLeft", QT_TR_NOOP("左揃え"), THorzAlign::haLeft, 1},
        {"btnHorzCenter", QT_TR_NOOP("中央揃え"), THorzAlign::haCenter, 2},
        {"btnHorzRight", QT_TR_NOOP("右揃え"), THorzAlign::haRight, 3},
    };
    // Top first, then "none": the column reads from the top edge downwards.
    const struct { const char *name; const char *hint; TVertAlign value; int icon; } vert[] = {
        {"btnVertTop", QT_TR_NOOP("上揃え"), TVertAlign::vaTop, 1},
        {"btnVertNone", QT_TR_NOOP("指定なし"), TVertAlign::vaNone, 0},
        {"btnVertCenter", QT_TR_NOOP("中央揃え"), TVertAlign::vaCenter, 2},
        {"btnVertBottom", QT_TR_NOOP("下揃え"), TVertAlign::vaBottom, 3},
    };
    auto *row = new QHBoxLayout;
    for (const auto &h : horz) {
        QToolButton *b = button(h.name, tr(h.hint), alignIcon(true, h.icon));
        grpHorz->addButton(b, static_cast<int>(h.value));
        row->addWidget(b);
    }
    row->addStretch(1);
    auto *column = new QVBoxLayout;
    for (const auto &v : vert) {
        QToolButton *b = button(v.name, tr(v.hint), alignIcon(false, v.icon));
        grpVert->addButton(b, static_cast<int>(v.value));
        column->addWidget(b);
    }
    column->addStretch(1);
    grpHorz->button(static_cast<int>(THorzAlign::haNone))->setChecked(true);
    grpVert->button(static_cast<int>(TVertAlign::vaNone))->setChecked(true);

    imgSample = new QLabel(this);
    imgSample->setObjectName(QStringLiteral("imgSample"));
    imgSample->setFrameShape(QFrame::Box);
    imgSample->setFixedSize(152, 152);
    imgSample->setAlignment(Qt::AlignCenter);
    connect(grpHorz, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            updateSample();
    });
    connect(grpVert, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            updateSample();
    });

    auto *grid = new QGridLayout;
    grid->addLayout(row, 0, 1);
    grid->addLayout(column, 1, 0);
    grid->addWidget(imgSample, 1, 1);

    auto *btnOk = new QPushButton(QStringLiteral("&OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    auto *btnCancel = new QPushButton(tr("キャンセル(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    buttons->addStretch(1);

    auto *main = new QHBoxLayout(this);
    main->addLayout(grid);
    main->addLayout(buttons);
    updateSample();
}

THorzAlign TfrmPositioning::HorzAlign() const
{
    return static_cast<THorzAlign>(std::max(0, grpHorz->checkedId()));
}

void TfrmPositioning::SetHorzAlign(THorzAlign value)
{
    grpHorz->button(static_cast<int>(value))->setChecked(true);
}

TVertAlign TfrmPositioning::VertAlign() const
{
    const int id = grpVert->checkedId();
    return id < 0 ? TVertAlign::vaNone : static_cast<TVertAlign>(id);
}

void TfrmPositioning::SetVertAlign(TVertAlign value)
{
    grpVert->button(static_cast<int>(value))->setChecked(true);
}

void TfrmPositioning::updateSample()
{
    imgSample->setPixmap(sample(HorzAlign(), VertAlign(), 140));
}

} // namespace vellora
