// TControlHook: watches the events of one control through an event filter
// (on the viewport of an item view, where its mouse and drop events
// arrive). TDropDst: a drop target on such a control that takes files
// dropped from the desktop (text/uri-list) and raises OnFileDrop once per
// drop with every local path and the drop point in the control's
// coordinates. An exception from the handler goes to the application's
// error handler. UI thread only.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>

class QMimeData;

namespace vellora {

enum class THookTarget : std::uint8_t { htControl, htForm };

class TControlHook : public QObject {
    Q_OBJECT
public:
    explicit TControlHook(QObject *owner = nullptr);
    ~TControlHook() override;

    QWidget *Control() const { return FControl; }
    void SetControl(QWidget *control);
    THookTarget Target() const noexcept { return FTarget; }
    void SetTarget(THookTarget value);
    // The widget whose events are watched: the control (or the viewport of
    // an item view), or its window with htForm.
    QWidget *HookedWidget() const { return FHooked; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Called for each event of the hooked widget; true eats it.
    virtual bool HookEvent(QEvent *event) = 0;
    virtual void Hooked() {}
    virtual void Unhooked() {}

private:
    void rehook();

    QPointer<QWidget> FControl;
    QPointer<QWidget> FHooked;
    THookTarget FTarget = THookTarget::htControl;
};

class TDropDst : public TControlHook {
    Q_OBJECT
public:
    using TFileDropEvent = std::function<void(TDropDst &sender, const QStringList &files, int x, int y)>;

    explicit TDropDst(QObject *owner = nullptr);

    bool AcceptDrop() const noexcept { return FAcceptDrop; }
    void SetAcceptDrop(bool value);
    void SetOnFileDrop(TFileDropEvent handler) { FOnFileDrop = std::move(handler); }

    // The local paths of a drop, in the order the sender lists them.
    static QStringList DroppedFiles(const QMimeData *data);

protected:
    bool HookEvent(QEvent *event) override;
    void Hooked() override;

private:
    bool FAcceptDrop = true;
    TFileDropEvent FOnFileDrop;
};

// The application's error handler: shows the message of an exception that
// ended a user command, in a task dialog over the given window.
void ShowException(QWidget *parent, const std::exception &e);
// The same for the exception being handled (call inside a catch block).
void ShowCurrentException(QWidget *parent);
// Replaces how the handler shows messages (tests record them instead);
// an empty handler restores the task dialog.
using TExceptionHandler = std::function<void(QWidget *parent, const QString &message)>;
void SetExceptionHandler(TExceptionHandler handler);

} // namespace vellora
