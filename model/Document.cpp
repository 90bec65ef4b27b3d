#include "model/Document.h"

#include "model/DocumentFormat.h"
#include "model/ImageInfos.h"
#include "model/PhotoPaper.h"
#include "settings/Stream.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <memory>
#include <unistd.h>
#include <utility>
#include <vector>

namespace vellora {

namespace {

QString kText(const char16_t *text)
{
    return QString::fromUtf16(text);
}

// Makes the rename itself durable; a folder that cannot be synced (some
// network file systems) still holds a complete document, so this never fails.
void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool hasSignature(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) && HasDocumentSignature(file.read(kDocumentSignatureSize));
}

} // namespace

QString DocumentErrorReason(TDocumentErrorReason reason, int errorNumber)
{
    switch (reason) {
    case TDocumentErrorReason::derUnreadable:
        switch (errorNumber) {
        case ENOENT: return QCoreApplication::translate("vellora", "ファイルがありません。");
        case EACCES:
        case EPERM: return QCoreApplication::translate("vellora", "ファイルを読み取る権限がありません。");
        case EISDIR: return QCoreApplication::translate("vellora", "フォルダはドキュメントとして開けません。");
        case EIO: return QCoreApplication::translate("vellora", "ディスクから読み取れません。");
        default:
            return errorNumber != 0
                       ? QCoreApplication::translate("vellora", "ファイルを読み取れません（%1）。").arg(QString::fromLocal8Bit(std::strerror(errorNumber)))
                       : QCoreApplication::translate("vellora", "ファイルを読み取れません。");
        }
    case TDocumentErrorReason::derNotDocument: return QCoreApplication::translate("vellora", "Vellora のドキュメントではありません。");
    case TDocumentErrorReason::derDamaged: return QCoreApplication::translate("vellora", "ファイルが壊れているか、途中で切れています。");
    case TDocumentErrorReason::derNewer:
        return QCoreApplication::translate("vellora", "新しいバージョンの Vellora で作られたドキュメントのため読み取れません（またはファイルが壊れています）。");
    }
    return {};
}

QString DocumentTempFileName(const QString &fileName)
{
    const int slash = static_cast<int>(fileName.lastIndexOf(QLatin1Char('/')));
    const int dot = static_cast<int>(fileName.lastIndexOf(QLatin1Char('.')));
    const QString stem = dot > slash ? fileName.left(dot) : fileName;
    return stem + kText(kDocumentTempExtension);
}

void SaveDocumentFile(const QString &fileName, TPhotoPaper &paper, TImageInfos &images, QStringList *lostImages)
{
    const QString temp = DocumentTempFileName(fileName);
    QStringList lost;
    // Saving points embedded entries into the new file. Until that file has
    // replaced the old one they must point into the old one again on failure,
    // also when the failure comes after the print list was written (a full
    // disk shows itself only when the buffers are flushed).
    std::vector<std::pair<TImageLogging, std::int64_t>> storage;
    storage.reserve(static_cast<std::size_t>(images.Count()));
    for (int i = 0; i < images.Count(); ++i)
        storage.emplace_back(images[i]->LogMode(), images[i]->Position());
    try {
        {
            // A save killed before its rename leaves the temporary file
            // behind, read-only when the old document was: start afresh.
            QFile::remove(temp);
            TFileStream out(temp, TFileStream::Mode::Create);
            SavePaperToStream(out, paper);
            // Each embedded entry's record is copied from the document it
            // came from; every such document is opened once.
            std::map<QString, std::unique_ptr<TFileStream>> backups;
            const QString previous = paper.DocumentFileName();
            auto backupOf = [&](const TImageInfo &info) -> TStream * {
                const QString source = info.SourceFile().isEmpty() ? previous : info.SourceFile();
                auto found = backups.find(source);
                if (found == backups.end()) {
                    std::unique_ptr<TFileStream> stream;
                    if (!source.isEmpty() && QFileInfo(source).isFile())
                        stream = std::make_unique<TFileStream>(source, TFileStream::Mode::Read);
                    found = backups.emplace(source, std::move(stream)).first;
                }
                return found->second.get();
            };
            lost = images.SaveToStream(out, backupOf);
            out.Flush();
        }
        // The new file keeps the access rights the user gave the old one.
        if (QFileInfo::exists(fileName))
            QFile::setPermissions(temp, QFile::permissions(fileName));
        // rename() replaces the old document in one step: at every moment
        // either the old or the new complete document carries the name.
        if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(fileName).constData()) != 0)
            throw IoError(fileName, errno, QStringLiteral("cannot replace the document"));
        syncFolder(QFileInfo(fileName).absolutePath());
    } catch (const std::exception &e) {
        QFile::remove(temp);
        for (int i = 0; i < images.Count(); ++i)
            images[i]->RestoreStorage(storage[static_cast<std::size_t>(i)].first, storage[static_cast<std::size_t>(i)].second);
        throw EDocumentError(QCoreApplication::translate("vellora", "ドキュメントの保存に失敗しました。"), errorMessage(e));   // kDocumentSaveErrorText
    }
    paper.SetDocumentFileName(fileName);
    for (int i = 0; i < images.Count(); ++i)
        if (images[i]->LogMode() == TImageLogging::iloStream)
            images[i]->SetSourceFile(fileName);
    if (lostImages)
        *lostImages = lost;
}

void OpenDocumentFile(const QString &fileName, TPhotoPaper &paper, TImageInfos &images)
{
    const int before = images.Count();
    try {
        // Read from the file as it goes: embedded image records are passed
        // over, so a document of gigabytes costs no more memory than its
        // entries.
        TFileStream stream(fileName, TFileStream::Mode::Read);
        LoadPaperFromStream(stream, paper);
        images.LoadFromStream(stream);
    } catch (const std::exception &e) {
        TDocumentErrorReason reason = TDocumentErrorReason::derDamaged;
        int errorNumber = 0;
        if (const auto *io = dynamic_cast<const IoError *>(&e)) {
            reason = TDocumentErrorReason::derUnreadable;
            errorNumber = io->errorNumber();
        } else if (!hasSignature(fileName)) {
            reason = TDocumentErrorReason::derNotDocument;
        } else if (const auto *format = dynamic_cast<const FormatError *>(&e);
                   format && format->message().contains(QLatin1String("unknown"))) {
            // Every value of a kind this version writes is known to it.
            reason = TDocumentErrorReason::derNewer;
        }
        throw EDocumentError(QCoreApplication::translate("vellora", "ドキュメントの読み取りに失敗しました。"),   // kDocumentReadErrorText
                             errorMessage(e), reason, errorNumber);
    }
    paper.SetDocumentFileName(fileName);
    for (int i = before; i < images.Count(); ++i)
        if (images[i]->LogMode() == TImageLogging::iloStream)
            images[i]->SetSourceFile(fileName);
}

bool IsDocumentFile(const QString &fileName)
{
    // A FIFO or a device is never a document, and opening one could block.
    if (const QFileInfo info(fileName); info.exists() && !info.isFile())
        return false;
    QFile file(fileName);
    if (file.open(QIODevice::ReadOnly) && HasDocumentSignature(file.read(kDocumentSignatureSize)))
        return true;
    return fileName.endsWith(kText(kDocumentExtension), Qt::CaseInsensitive);
}

} // namespace vellora
