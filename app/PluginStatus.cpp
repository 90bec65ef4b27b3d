#include "app/PluginStatus.h"

#include "app/MainForm.h"
#include "app/controls/ProgressForm.h"
#include "app/controls/QvTaskDialog.h"
#include "model/PicturePrefetcher.h"
#include "plugins/SPIs.h"
#include "plugins/SpiHost.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <atomic>
#include <memory>
#include <thread>
#include <utility>

namespace vellora {

QString PluginProblemText(const QString &plugin, const QString &reason, bool disabled) {
    if (plugin.isEmpty())
        return QCoreApplication::translate("PluginStatus", "%1。").arg(reason);
    const QString name = QFileInfo(plugin).fileName();
    return disabled ? QCoreApplication::translate("PluginStatus",
                                                  "画像プラグイン「%1」: %2。このプラグインは、このセッションでは使われません。")
                          .arg(name, reason)
                    : QCoreApplication::translate("PluginStatus", "画像プラグイン「%1」: %2。").arg(name, reason);
}

void ReportPluginProblems(TfrmMain &window) {
    QPointer<TfrmMain> target(&window);
    TSpiHost::Instance().SetOnProblem([target](const TPluginProblem &problem) {
        // Met on any thread, told on the UI thread once the current event is done.
        QMetaObject::invokeMethod(
            qApp,
            [target, problem] {
                if (!target)
                    return;
                TQvTaskDialog d;
                d.Parent = target.data();
                d.Title = QStringLiteral("Vellora");
                d.SetInstruction(QCoreApplication::translate("PluginStatus", "画像プラグインで問題が起きました"));
                d.SetContent(PluginProblemText(problem.Plugin, problem.Reason, problem.Disabled));
                d.MainIcon = TTaskDialogIcon::tiWarning;
                d.Buttons = {TQvCommonButton::cbOk};
                int radio = 0;
                bool checked = false;
                target->Ask(d, radio, checked);
            },
            Qt::QueuedConnection);
    });
}

void ConnectPluginsToWindow(TfrmMain &window) {
    ReportPluginProblems(window);
    // A print run's picture reads keep the window alive; the progress
    // window's 中止 stops a plug-in that hangs at once.
    SetPictureWait([](const std::function<void()> &work) {
        RunOffUiThread(work, [] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *progress = qobject_cast<TfrmProgress *>(w); progress && progress->isVisible() && progress->Canceled())
                    return true;
            return false;
        });
    });
}

// --- the options dialog's list --------------------------------------------------------------

TPluginListPanel::TPluginListPanel(QWidget *parent)
    : QGroupBox(QCoreApplication::translate("PluginStatus", "画像プラグイン"), parent), lvPlugins(new QTreeWidget(this)) {
    setObjectName(QStringLiteral("grpPlugins"));
    lvPlugins->setObjectName(QStringLiteral("lvPlugins"));
    lvPlugins->setRootIsDecorated(false);
    lvPlugins->setHeaderLabels({QCoreApplication::translate("PluginStatus", "ファイル"),
                                QCoreApplication::translate("PluginStatus", "形式"),
                                QCoreApplication::translate("PluginStatus", "状態")});
    lvPlugins->header()->setStretchLastSection(true);
    auto *box = new QVBoxLayout(this);
    box->addWidget(lvPlugins);
    Refresh();
}

void TPluginListPanel::Refresh() {
    lvPlugins->clear();
    const TSPIs *spis = TSPIs::Instance();
    const std::vector<TPluginProblem> problems = TSpiHost::Instance().Problems();
    auto problemOf = [&](const QString &file) -> const TPluginProblem * {
        for (const TPluginProblem &p : problems)
            if (p.Plugin == file)
                return &p;
        return nullptr;
    };
    for (int i = 0; spis && i < spis->Count(); ++i) {
        const TSPI *plugin = spis->Plugin(i);
        QStringList formats;
        for (int f = 0; f < plugin->ExtNames().size(); ++f)
            formats << QStringLiteral("%1 (%2)").arg(plugin->FileTypes().value(f), plugin->ExtNames()[f]);
        QString state;
        if (TSpiHost::Instance().IsDisabled(plugin->FileName())) {
            const TPluginProblem *p = problemOf(plugin->FileName());
            state = QCoreApplication::translate("PluginStatus", "使用不可: %1").arg(p ? p->Reason : QString());
        } else if (!dynamic_cast<const TInSPI *>(plugin) || !plugin->Enabled()) {
            state = QCoreApplication::translate("PluginStatus", "画像の読み込みには使われません（種類 %1）").arg(plugin->Version());
        } else if (const TPluginProblem *p = problemOf(plugin->FileName())) {
            state = QCoreApplication::translate("PluginStatus", "読み込み済み（問題あり: %1）").arg(p->Reason);
        } else {
            state = QCoreApplication::translate("PluginStatus", "読み込み済み");
        }
        auto *row = new QTreeWidgetItem(lvPlugins, {plugin->FileName(), formats.join(QStringLiteral("; ")), state});
        row->setToolTip(0, plugin->FileName());
        row->setToolTip(2, state);
    }
    if (const TPluginProblem *p = problemOf(QString()))
        new QTreeWidgetItem(lvPlugins, {QString(), QString(), p->Reason});
    if (lvPlugins->topLevelItemCount() == 0)
        new QTreeWidgetItem(lvPlugins, {QCoreApplication::translate("PluginStatus", "（プラグインは見つかりません）")});
    lvPlugins->resizeColumnToContents(0);
}

// --- waiting without blocking -------------------------------------------------------------------

namespace {

// Escape, anywhere in the application, while a call is waited for.
class EscapeWatch : public QObject {
public:
    bool pressed = false;
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            pressed = true;
            return true;
        }
        return false;
    }
};

} // namespace

bool RunOffUiThread(const std::function<void()> &work, const std::function<bool()> &cancel, const QWidget *owner) {
    const QPointer<const QWidget> window(owner);
    auto done = std::make_shared<std::atomic<bool>>(false);
    QEventLoop loop;
    QThread *thread = QThread::create([work, done] {
        try {
            work();
        } catch (...) {
            // The work reports through what it captured; nothing may leave the thread.
        }
        done->store(true);
    });
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    EscapeWatch escape;
    qApp->installEventFilter(&escape);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    bool stopped = false;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        // A window closed meanwhile no longer wants the picture.
        const bool closed = owner && (!window || !window->isVisible());
        if (!stopped && (escape.pressed || closed || (cancel && cancel())))
            stopped = true;
        // Again on every tick: the call this work waits for may be queued
        // behind another thread's, which the first stop ended.
        if (stopped)
            TSpiHost::Instance().Cancel();
    });
    poll.start();
    thread->start();
    if (!done->load())
        loop.exec();
    thread->wait();
    delete thread;
    poll.stop();
    QApplication::restoreOverrideCursor();
    qApp->removeEventFilter(&escape);
    return !stopped;
}

// --- reading in the background ---------------------------------------------------------------

TBackgroundRead::TBackgroundRead(QObject *parent) : QObject(parent), FStopper(new QTimer(this)) {
    // Again on every tick: the call the dropped read waits for may be queued
    // behind another thread's.
    FStopper->setInterval(50);
    connect(FStopper, &QTimer::timeout, this, [this] { stopCall(); });
}

TBackgroundRead::~TBackgroundRead() {
    if (!FThread)
        return;
    FThread->disconnect(this);
    // A hung plug-in would hold the window's closing for its whole time limit.
    while (!FThread->wait(50))
        stopCall();
    delete FThread;
}

void TBackgroundRead::Start(std::function<void()> work, std::function<void()> done) {
    if (!FThread) {
        launch(std::move(work), std::move(done));
        return;
    }
    Cancel();
    FNextWork = std::move(work);
    FNextDone = std::move(done);
}

void TBackgroundRead::Cancel() {
    FNextWork = nullptr;
    FNextDone = nullptr;
    if (!FThread || FDropped)
        return;
    FDropped = true;
    stopCall();
    FStopper->start();
}

void TBackgroundRead::stopCall() {
    // Only this read's call: a thumbnail another thread asks for meanwhile goes on.
    if (FReader)
        TSpiHost::Instance().CancelCallOf(FReader->load());
}

void TBackgroundRead::launch(std::function<void()> work, std::function<void()> done) {
    FDropped = false;
    FDone = std::move(done);
    FReader = std::make_shared<std::atomic<std::thread::id>>();
    FThread = QThread::create([work = std::move(work), reader = FReader] {
        reader->store(std::this_thread::get_id());
        try {
            work();
        } catch (...) {
            // The work reports through what it captured; nothing may leave the thread.
        }
    });
    connect(FThread, &QThread::finished, this, &TBackgroundRead::finished, Qt::QueuedConnection);
    FThread->start();
}

void TBackgroundRead::finished() {
    FStopper->stop();
    FThread->wait();
    delete FThread;
    FThread = nullptr;
    std::function<void()> done = FDropped ? nullptr : std::move(FDone);
    FDone = nullptr;
    if (FNextWork)
        launch(std::exchange(FNextWork, nullptr), std::exchange(FNextDone, nullptr));
    if (done)
        done();
}

} // namespace vellora
