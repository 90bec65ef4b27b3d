// The recovery file of one running program: while the document has unsaved
// changes the main window hands its state (a document with linked photos)
// to this object, which writes it atomically on its own worker thread into
// the recovery folder under a name of this process. A lock file beside it
// tells other processes that its owner still runs, so two programs keep
// their own files and only the files of ended processes are offered at the
// next start. Made and used on the UI thread; the worker touches only bytes
// and files.
#pragma once

#include <QByteArray>
#include <QLockFile>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <vector>

class QObject;

namespace vellora {

// What a recovery file says about the document it saves.
struct TRecoveryInfo {
    QString Document;   // the document's file, empty for a new one
    int SaveType = 1;   // TFileSaveType ordinal of that document
    int Version = 1;    // format of the recovery files; a newer one is not read
};

class TRecoveryFile {
public:
    static constexpr int kVersion = 1;

    // Takes a name in `folder` (created when missing). Ok() tells whether
    // the folder can hold it; Error() says why not.
    explicit TRecoveryFile(const QString &folder);
    ~TRecoveryFile();   // waits for a write, then removes the files
    TRecoveryFile(const TRecoveryFile &) = delete;
    TRecoveryFile &operator=(const TRecoveryFile &) = delete;

    bool Ok() const noexcept { return FError.isEmpty(); }
    const QString &Error() const noexcept { return FError; }
    const QString &FileName() const noexcept { return FDocumentFile; }

    // Writes on the worker; `done` runs later on context's thread with an
    // empty text or what went wrong. A write asked while one runs follows it.
    void Write(QByteArray document, const TRecoveryInfo &info, QObject *context,
               std::function<void(const QString &error)> done);
    void Wait();
    // Removes this process's files (after a save or a normal end).
    void Remove();
    // Stops and leaves the files and no lock, as a killed process would.
    void Abandon();

    // A file left by an ended process, locked for this process while held.
    struct TOrphan {
        QString DocumentFile;
        QString InfoFile;
        std::unique_ptr<QLockFile> Lock;
        qint64 Written = 0;   // ms since the epoch
    };
    // The files of ended processes in `folder`, newest first.
    static std::vector<TOrphan> Orphans(const QString &folder);
    // Reads the information beside a recovery document; false when it is
    // damaged (the defaults stand).
    static bool ReadInfo(const QString &infoFile, TRecoveryInfo &info);
    // Deletes an orphan's files and its lock.
    static void Discard(TOrphan &orphan);

private:
    QString FFolder;
    QString FDocumentFile;
    QString FInfoFile;
    QString FError;
    std::unique_ptr<QLockFile> FLock;
    QThreadPool FPool;   // one thread: writes never overlap
    bool FRemoved = false;
};

} // namespace vellora
