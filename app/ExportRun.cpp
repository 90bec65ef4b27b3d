#include "app/ExportRun.h"

#include "model/ImageListItems.h"
#include "model/PhotoPaper.h"
#include "settings/Errors.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdio>

namespace vellora {

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
