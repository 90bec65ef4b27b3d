#include "app/ExportRun.h"

#include "model/ImageInfo.h"
#include "model/ImageListItems.h"
#include "model/PhotoPaper.h"
#include "settings/Errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace vellora {

namespace {

QString errnoText(int error)
{
    switch (error) {
    case ENOENT: return QCoreApplication::translate("ExportRun", "フォルダがありません。");
    case EACCES:
    case EPERM: return QCoreApplication::translate("ExportRun", "書き込む権限がありません。");
    case EROFS: return QCoreApplication::translate("ExportRun", "読み取り専用の場所です。");
    case ENOSPC: return QCoreApplication::translate("ExportRun", "ディスクの空き容量が足りません。");
    case EDQUOT: return QCoreApplication::translate("ExportRun", "ディスクの使用量の制限を超えました。");
    case EISDIR: return QCoreApplication::translate("ExportRun", "同じ名前のフォルダがあります。");
    case ENAMETOOLONG: return QCoreApplication::translate("ExportRun", "ファイル名が長すぎます。");
    case EIO: return QCoreApplication::translate("ExportRun", "ディスクに書き込めません。");
    default: return QCoreApplication::translate("ExportRun", "書き込めません（%1）。").arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

} // namespace

QString ExportWriteProblem(const QStringList &targets)
{
    QStringList checkedFolders;
    for (const QString &target : targets) {
        const QFileInfo file(target);
        const QString folder = file.absolutePath();
        if (!checkedFolders.contains(folder)) {
            checkedFolders << folder;
            const QFileInfo dir(folder);
            if (!dir.exists())
                return QCoreApplication::translate("ExportRun", "フォルダ「%1」がありません。").arg(QDir::toNativeSeparators(folder));
            if (!dir.isDir())
                return QCoreApplication::translate("ExportRun", "「%1」はフォルダではありません。").arg(QDir::toNativeSeparators(folder));
            // The run writes beside the target first, so the folder must take new files.
            if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
                return QCoreApplication::translate("ExportRun", "フォルダ「%1」に書き込めません。%2")
                    .arg(QDir::toNativeSeparators(folder), errnoText(errno));
        }
        if (file.isDir())
            return QCoreApplication::translate("ExportRun", "「%1」と同じ名前のフォルダがあるため、ファイルを書き込めません。")
                .arg(QDir::toNativeSeparators(target));
        if (file.exists() && !file.isFile())
            return QCoreApplication::translate("ExportRun", "「%1」は通常のファイルではないため、書き込めません。").arg(QDir::toNativeSeparators(target));
        if (file.exists() && ::access(QFile::encodeName(target).constData(), W_OK) != 0)
            return QCoreApplication::translate("ExportRun", "「%1」に書き込めません。%2").arg(QDir::toNativeSeparators(target), errnoText(errno));
    }
    return {};
}

QString RunErrorText(const std::exception &e, const QString &target)
{
    if (const auto *io = dynamic_cast<const IoError *>(&e))
        return QCoreApplication::translate("ExportRun", "「%1」に書き込めませんでした。%2")
            .arg(QDir::toNativeSeparators(io->path()), errnoText(io->errorNumber()));
    if (dynamic_cast<const EWriteError *>(&e))
        return QCoreApplication::translate("ExportRun", "「%1」に書き込めませんでした。ディスクの空き容量などを確認してください。")
            .arg(QDir::toNativeSeparators(target));
    // What the drawing reported, as it was said.
    return QCoreApplication::translate("ExportRun", "「%1」を作れませんでした。\n%2").arg(QDir::toNativeSeparators(target), errorMessage(e));
}

void TPhotoProblems::Add(const TPhotoDrawReport &report, int page)
{
    const QString file = report.info ? report.info->FileName() : QString();
    const QString name = QFileInfo(file).fileName();
    if (!report.problem.isEmpty()) {
        // As on the command line: each unreadable photo once.
        if (FSeen.contains(file))
            return;
        FSeen << file;
        ++FUnreadable;
        QString reason;
        if (report.info && report.info->LogMode() == TImageLogging::iloLink && !QFileInfo::exists(file))
            reason = QCoreApplication::translate("ExportRun", "ファイルがありません");
        else if (report.drawn)
            reason = QCoreApplication::translate("ExportRun", "画像の一部しか読み取れません");
        else
            reason = QCoreApplication::translate("ExportRun", "画像を読み取れません");
        FLines << QCoreApplication::translate("ExportRun", "%1 (%2ページ %3番目の枠): %4 - %5（%6）")
                      .arg(name)
                      .arg(page)
                      .arg(report.cell + 1)
                      .arg(reason, report.drawn ? QCoreApplication::translate("ExportRun", "一部だけ印刷") : QCoreApplication::translate("ExportRun", "枠は空白"),
                           report.problem);
        return;
    }
    if (report.drawn && report.effectivePpi > 0 && report.effectivePpi < kLowResolutionPpi) {
        ++FLowResolution;
        FLines << QCoreApplication::translate("ExportRun", "%1 (%2ページ %3番目の枠): %4 ppi - 解像度が低いため、ぼやけて印刷される場合があります")
                      .arg(name)
                      .arg(page)
                      .arg(report.cell + 1)
                      .arg(static_cast<int>(std::lround(report.effectivePpi)));
    }
}

QString TPhotoProblems::Text(int shown) const
{
    QStringList lines = FLines.mid(0, shown);
    if (FLines.size() > shown)
        lines << QCoreApplication::translate("ExportRun", "ほか %1 件").arg(FLines.size() - shown);
    return lines.join(QLatin1Char('\n'));
}

int ExportPageCount(TPhotoPaper &paper, const TPrintOptions &options)
{
    if (!paper.Infos() || paper.Infos()->Count() == 0)
        return 0;
    BuildImageSlots(paper, options);
    const std::int64_t slotCount = static_cast<std::int64_t>(paper.PhotoList().size());
    const std::int64_t skipped = options.StartArea > 1 ? options.StartArea - 1 : 0;
    paper.PhotoList().clear();
    if (slotCount <= skipped)
        return 0;
    const std::int64_t cells = std::max<std::int64_t>(1, std::int64_t(paper.Divide().cx) * paper.Divide().cy);
    const std::int64_t pages = (slotCount + cells - 1) / cells;
    const std::int64_t first = options.AllPage ? 1 : std::max<std::int64_t>(1, options.StartPage);
    const std::int64_t last = options.AllPage ? pages : std::min<std::int64_t>(pages, options.LastPage);
    return last >= first ? static_cast<int>(last - first + 1) : 0;
}

QStringList ExportTargets(TPhotoPaper &paper, const TPrintOptions &options, TPrintDest dest,
                          const QString &prefix, int startNum)
{
    const int pages = ExportPageCount(paper, options);
    QStringList files;
    if (pages == 0)
        return files;
    if (dest == TPrintDest::pdPDF)
        return {prefix + QStringLiteral(".pdf")};
    for (int i = 0; i < pages; ++i)
        files << prefix + QString::number(std::int64_t(startNum) + i) + QStringLiteral(".jpg");
    return files;
}

int RunExport(TPhotoPaper &paper, TPrintDest dest, const TPrintOptions *options, const QString &prefix,
              int startNum, const TPrintRunSettings &settings)
{
    if (dest != TPrintDest::pdPDF)
        return RunPrint(paper, dest, options, prefix, startNum, settings);

    const QString target = prefix + QStringLiteral(".pdf");
    // A name the run can write to: the reserved file is overwritten by the
    // run, which adds ".pdf" to the prefix it is given.
    QTemporaryFile reserve(prefix + QStringLiteral(".XXXXXX.part.pdf"));
    reserve.setAutoRemove(false);
    if (!reserve.open())
        throw Error(QStringLiteral("%1: cannot write in this folder (%2)").arg(target, reserve.errorString()));
    const QString temp = reserve.fileName();
    reserve.close();
    QString tempPrefix = temp;
    tempPrefix.chop(4);
    int produced = 0;
    try {
        produced = RunPrint(paper, dest, options, tempPrefix, startNum, settings);
    } catch (...) {
        QFile::remove(temp);
        throw;
    }
    if (produced == 0) {
        QFile::remove(temp);
        return 0;
    }
    // The new file gets the old one's permissions, or the usual ones of a
    // new document (the temporary file is private to its owner).
    QFile::setPermissions(temp, QFileInfo::exists(target)
                                    ? QFile::permissions(target)
                                    : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther
                                          | QFile::ReadUser | QFile::WriteUser);
    // rename() replaces an existing target in one step.
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0) {
        QFile::remove(temp);
        throw Error(QStringLiteral("%1: cannot replace the file").arg(target));
    }
    return produced;
}

} // namespace vellora
