#include "app/controls/DropDst.h"

#include "app/controls/QvTaskDialog.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace vellora {

TControlHook::TControlHook(QObject *owner) : QObject(owner) {}

TControlHook::~TControlHook() {
    if (FHooked)
        FHooked->removeEventFilter(this);
}

void TControlHook::SetControl(QWidget *control) {
    FControl = control;
    rehook();
}

void TControlHook::SetTarget(THookTarget value) {
    FTarget = value;
    rehook();
}

void TControlHook::rehook() {
    if (FHooked) {
        FHooked->removeEventFilter(this);
        Unhooked();
    }
    FHooked = nullptr;
    if (!FControl)
        return;
    QWidget *w = FTarget == THookTarget::htForm ? FControl->window() : FControl.data();
    if (auto *area = qobject_cast<QAbstractScrollArea *>(w); area && FTarget == THookTarget::htControl)
        w = area->viewport();
    FHooked = w;
    FHooked->installEventFilter(this);
    Hooked();
}

bool TControlHook::eventFilter(QObject *watched, QEvent *event) {
    if (watched == FHooked && HookEvent(event))
        return true;
    return QObject::eventFilter(watched, event);
}

TDropDst::TDropDst(QObject *owner) : TControlHook(owner) {}

void TDropDst::SetAcceptDrop(bool value) {
    FAcceptDrop = value;
    Hooked();
}

void TDropDst::Hooked() {
    if (QWidget *w = HookedWidget()) {
        w->setAcceptDrops(FAcceptDrop);
        if (w != Control() && Control() && FAcceptDrop)
            Control()->setAcceptDrops(true);
    }
}

QStringList TDropDst::DroppedFiles(const QMimeData *data) {
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();   // whole paths, however long
    return files;
}

bool TDropDst::HookEvent(QEvent *event) {
    if (!FAcceptDrop)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *e = static_cast<QDropEvent *>(event);
        if (DroppedFiles(e->mimeData()).isEmpty())
            return false;
        e->setDropAction(Qt::CopyAction);
        e->accept();
        return true;
    }
    case QEvent::Drop: {
        auto *e = static_cast<QDropEvent *>(event);
        const QStringList files = DroppedFiles(e->mimeData());
        if (files.isEmpty())
            return false;
        e->setDropAction(Qt::CopyAction);
        e->accept();
        QPoint p = e->position().toPoint();
        if (Control() && HookedWidget() != Control())
            p = HookedWidget()->mapTo(Control(), p);
        if (FOnFileDrop) {
            try {
                FOnFileDrop(*this, files, p.x(), p.y());
            } catch (const std::exception &ex) {
                ShowException(Control() ? Control()->window() : nullptr, ex);
            }
        }
        return true;
    }
    default:
        return false;
    }
}

namespace {
TExceptionHandler &exceptionHandler() {
    static TExceptionHandler handler;
    return handler;
}
} // namespace

void SetExceptionHandler(TExceptionHandler handler) { exceptionHandler() = std::move(handler); }

void ShowException(QWidget *parent, const std::exception &e) {
    if (exceptionHandler()) {
        exceptionHandler()(parent, QString::fromUtf8(e.what()));
        return;
    }
    TQvTaskDialog d;
    d.Parent = parent;
    d.Title = QStringLiteral("Vellora");
    d.MainIcon = TTaskDialogIcon::tiError;
    d.SetContent(QString::fromUtf8(e.what()));
    d.Buttons = {TQvCommonButton::cbOk};
    d.Execute();
}

void ShowCurrentException(QWidget *parent) {
    try {
        throw;
    } catch (const std::exception &e) {
        ShowException(parent, e);
    } catch (...) {
        ShowException(parent, std::runtime_error(QCoreApplication::translate("vellora", "不明なエラーが発生しました。").toStdString()));
    }
}

} // namespace vellora
