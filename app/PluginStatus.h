// Image plug-ins as the user sees them: their troubles told in the window,
// once per plug-in and session, and the list of plug-ins found with their
// state for the options dialog; and a plug-in call run off the UI thread
// while the window stays responsive. UI thread only.
#pragma once

#include <QGroupBox>
#include <functional>

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
// pressed in the application, or cancel() returning true, stops a plug-in
// call at once: its helper is killed (and started again by the next call).
// False when the work was stopped that way. Nested use is allowed.
bool RunOffUiThread(const std::function<void()> &work, const std::function<bool()> &cancel = {});

} // namespace vellora
