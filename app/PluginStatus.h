// Image plug-ins as the user sees them: their troubles told in the window,
// once per plug-in and session, and the list of plug-ins found with their
// state for the options dialog; and a plug-in call run off the UI thread
// while the window stays responsive. UI thread only.
#pragma once

#include <QGroupBox>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QThread;
class QTimer;
class QTreeWidget;

namespace vellora {

class TfrmMain;

// From now on, plug-in troubles met on any thread are told in the window
// (a warning through TfrmMain::Ask), each plug-in once per session.
void ReportPluginProblems(TfrmMain &window);

// ReportPluginProblems, and print runs that read pictures through
// RunOffUiThread (the progress window's 中止 stops a hanging plug-in).
void ConnectPluginsToWindow(TfrmMain &window);

// The user's text for a plug-in trouble: the plug-in's file name and why.
QString PluginProblemText(const QString &plugin, const QString &reason, bool disabled);

// "画像プラグイン": every plug-in found, its formats and its state.
class TPluginListPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit TPluginListPanel(QWidget *parent = nullptr);
    void Refresh();
    QTreeWidget *lvPlugins;
};

// Runs work on a worker thread while a local event loop keeps the window
// painting and its timers firing (a busy cursor shows meanwhile). Escape
// pressed in the application, the owner window closing, or cancel()
// returning true, stops a plug-in call at once: its helper is killed (and
// started again by the next call). False when the work was stopped that
// way. Nested use is allowed.
bool RunOffUiThread(const std::function<void()> &work, const std::function<bool()> &cancel = {},
                    const QWidget *owner = nullptr);

// One picture read at a time for a window that goes on meanwhile: the work
// runs on a worker thread and `done` follows on the UI thread. A newer
// Start, or Cancel, drops the result of the read in hand and stops its
// plug-in call at once; the next read starts once that one has ended.
// Destruction stops a read the same way and waits only for that.
class TBackgroundRead : public QObject {
    Q_OBJECT
public:
    explicit TBackgroundRead(QObject *parent = nullptr);
    ~TBackgroundRead() override;
    // `work` must not touch widgets; `done` runs unless the read was dropped.
    void Start(std::function<void()> work, std::function<void()> done);
    void Cancel();
    // A read runs, or waits for a dropped one to end.
    bool Busy() const noexcept { return FThread != nullptr; }

private:
    void launch(std::function<void()> work, std::function<void()> done);
    void finished();
    void stopCall();

    QThread *FThread = nullptr;
    std::shared_ptr<std::atomic<std::thread::id>> FReader;   // the worker, once it runs
    std::function<void()> FDone;
    bool FDropped = false;
    std::function<void()> FNextWork, FNextDone;
    QTimer *FStopper;
};

} // namespace vellora
