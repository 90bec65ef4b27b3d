#include "app/Recovery.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QSaveFile>

#include <algorithm>
#include <atomic>

namespace vellora {

namespace {

const QString kDocumentSuffix = QStringLiteral(".vlpf");
const QString kInfoSuffix = QStringLiteral(".json");
const QString kLockSuffix = QStringLiteral(".lock");

// Writes bytes to a file so that the name holds either the old or the new
// complete file at every moment.
QString writeAtomically(const QString &fileName, const QByteArray &bytes) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

QByteArray infoBytes(const TRecoveryInfo &info) {
    QJsonObject o;
    o.insert(QStringLiteral("version"), info.Version);
    o.insert(QStringLiteral("document"), info.Document);
    o.insert(QStringLiteral("saveType"), info.SaveType);
    o.insert(QStringLiteral("written"), QDateTime::currentMSecsSinceEpoch());
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

} // namespace

TRecoveryFile::TRecoveryFile(const QString &folder) : FFolder(folder) {
    FPool.setMaxThreadCount(1);
    FPool.setExpiryTimeout(-1);
    // A name no other process and no other window of this one takes.
    static std::atomic<int> serial{0};
    const QString base = QStringLiteral("%1/%2-%3-%4")
                             .arg(folder)
                             .arg(QCoreApplication::applicationPid())
                             .arg(QDateTime::currentMSecsSinceEpoch())
                             .arg(serial.fetch_add(1));
    FDocumentFile = base + kDocumentSuffix;
    FInfoFile = base + kInfoSuffix;
    if (!QDir().mkpath(folder)) {
        FError = QCoreApplication::translate("Recovery", "フォルダを作れません。");
        return;
    }
    FLock = std::make_unique<QLockFile>(base + kLockSuffix);
    FLock->setStaleLockTime(0);
    if (!FLock->tryLock(0)) {
        FError = FLock->error() == QLockFile::PermissionError ? QCoreApplication::translate("Recovery", "フォルダに書き込む権限がありません。")
                                                              : QCoreApplication::translate("Recovery", "ロックファイルを作れません。");
        FLock.reset();
    }
}

TRecoveryFile::~TRecoveryFile() {
    if (!FRemoved)
        Remove();
}

void TRecoveryFile::Write(QByteArray document, const TRecoveryInfo &info, QObject *context,
                          std::function<void(const QString &error)> done) {
    if (!Ok())
        return;
    FRemoved = false;
    QByteArray meta = infoBytes(info);
    QPointer<QObject> guard(context);
    FPool.start([documentFile = FDocumentFile, infoFile = FInfoFile, document = std::move(document),
                 meta = std::move(meta), guard, done = std::move(done)] {
        QString error = writeAtomically(documentFile, document);
        if (error.isEmpty())
            error = writeAtomically(infoFile, meta);
        if (guard && done)
            QMetaObject::invokeMethod(guard.data(), [guard, done, error] {
                if (guard)
                    done(error);
            }, Qt::QueuedConnection);
    });
}

void TRecoveryFile::Wait() { FPool.waitForDone(); }

void TRecoveryFile::Remove() {
    Wait();
    QFile::remove(FDocumentFile);
    QFile::remove(FInfoFile);
    FRemoved = true;
}

void TRecoveryFile::Abandon() {
    Wait();
    if (FLock)
        FLock->unlock();
    FLock.reset();
    FRemoved = true;
    FError = QStringLiteral("abandoned");
}

std::vector<TRecoveryFile::TOrphan> TRecoveryFile::Orphans(const QString &folder) {
    std::vector<TOrphan> found;
    const QDir dir(folder);
    if (!dir.exists())
        return found;
    const QFileInfoList files = dir.entryInfoList({QStringLiteral("*") + kDocumentSuffix}, QDir::Files);
    for (const QFileInfo &file : files) {
        const QString base = file.absolutePath() + QLatin1Char('/') + file.completeBaseName();
        auto lock = std::make_unique<QLockFile>(base + kLockSuffix);
        // Only a lock whose process has ended is stale, however old it is.
        lock->setStaleLockTime(0);
        if (!lock->tryLock(0))
            continue;
        TOrphan o;
        o.DocumentFile = file.absoluteFilePath();
        o.InfoFile = base + kInfoSuffix;
        o.Lock = std::move(lock);
        o.Written = file.lastModified().toMSecsSinceEpoch();
        found.push_back(std::move(o));
    }
    std::sort(found.begin(), found.end(), [](const TOrphan &a, const TOrphan &b) { return a.Written > b.Written; });
    return found;
}

bool TRecoveryFile::ReadInfo(const QString &infoFile, TRecoveryInfo &info) {
    QFile file(infoFile);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QJsonDocument json = QJsonDocument::fromJson(file.read(64 * 1024));
    if (!json.isObject())
        return false;
    const QJsonObject o = json.object();
    info.Version = o.value(QStringLiteral("version")).toInt(0);
    info.Document = o.value(QStringLiteral("document")).toString();
    info.SaveType = std::clamp(o.value(QStringLiteral("saveType")).toInt(1), 0, 2);
    return info.Version >= 1;
}

void TRecoveryFile::Discard(TOrphan &orphan) {
    QFile::remove(orphan.DocumentFile);
    QFile::remove(orphan.InfoFile);
    if (orphan.Lock)
        orphan.Lock->unlock();
    orphan.Lock.reset();
}

} // namespace vellora
