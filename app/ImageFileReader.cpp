#include "app/ImageFileReader.h"

#include "exif/ExifInfo.h"
#include "imagelist/Thumbnail.h"
#include "model/ImageInfo.h"
#include "settings/Helpers.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <exception>
#include <utility>

namespace vellora {

namespace {

// How far the worker reads ahead of the window: enough to fill a few
// batches, little to throw away on a cancel.
constexpr std::size_t kReadAhead = 256;

} // namespace

int NaturalCompare(const QString &a, const QString &b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            QStringView da = QStringView(a).mid(i, ei - i), db = QStringView(b).mid(j, ej - j);
            while (da.size() > 1 && da.front() == QLatin1Char('0'))
                da = da.mid(1);
            while (db.size() > 1 && db.front() == QLatin1Char('0'))
                db = db.mid(1);
            if (da.size() != db.size())
                return da.size() < db.size() ? -1 : 1;
            if (const int c = da.compare(db); c != 0)
                return c;
            i = ei;
            j = ej;
            continue;
        }
        const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return a.compare(b);
}

QStringList ListFolderFiles(const QString &folder, const std::atomic_bool *stop) {
    // Name order as people read it (IMG_2 before IMG_10), whatever the file
    // system gives; hidden files (copies other systems leave) are not photos.
    // The names alone are compared: the folder part is the same for all.
    std::vector<std::pair<QString, QString>> named;   // name, path
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        // A folder on a slow share may take long to list: a cancel ends it.
        if (stop && *stop)
            return {};
        const QString path = it.next();
        const QString name = it.fileName();
        if (!name.startsWith(QLatin1Char('.')))
            named.emplace_back(name, path);
    }
    std::stable_sort(named.begin(), named.end(),
                     [](const auto &x, const auto &y) { return NaturalCompare(x.first, y.first) < 0; });
    QStringList files;
    files.reserve(qsizetype(named.size()));
    for (auto &entry : named)
        files << std::move(entry.second);
    return files;
}

TImageFileReader::TImageFileReader(QStringList files, const TGraphicClassList &classes, bool knownOnly)
    : TImageFileReader(QString(), std::move(files), classes, knownOnly) {}

TImageFileReader::TImageFileReader(const QString &folder, QStringList files, const TGraphicClassList &classes,
                                   bool knownOnly)
    : FFolder(folder), FFiles(std::move(files)), FClasses(classes), FKnownOnly(knownOnly) {
    if (FFolder.isEmpty())
        FCount = int(FFiles.size());
    FThread = std::thread([this] { run(); });
}

std::unique_ptr<TImageFileReader> TImageFileReader::ForFolder(const QString &folder, const TGraphicClassList &classes) {
    return std::unique_ptr<TImageFileReader>(new TImageFileReader(folder, {}, classes, true));
}

TImageFileReader::~TImageFileReader() {
    Stop();
    FThread.join();
}

void TImageFileReader::run() {
    if (!FFolder.isEmpty()) {
        QStringList files = ListFolderFiles(FFolder, &FStop);
        std::lock_guard lock(FLock);
        FFiles = std::move(files);
        FCount = int(FFiles.size());
        FChanged.notify_all();
    }
    TExifInfo exif;
    for (const QString &file : std::as_const(FFiles)) {
        {
            std::unique_lock lock(FLock);
            FChanged.wait(lock, [this] { return FStop || FReady.size() < kReadAhead; });
        }
        if (FStop)
            return;
        TEntry entry;
        entry.FileName = file;
        const QString ext = ExtractFileExt(file);
        const int index = ext.isEmpty() ? -1 : FClasses.IndexOfExtension(ext);
        // A FIFO or a device named like a photo would block the worker in
        // open() for good, beyond the reach of Stop(); it is no photo.
        const QFileInfo fileInfo(file);
        const bool special = fileInfo.exists() && !fileInfo.isFile();
        if (!special && (index >= 0 || !FKnownOnly)) {
            entry.Info = std::make_unique<TImageInfo>();
            try {
                entry.Info->SetFileName(file, TImageLogging::iloLink, exif);
            } catch (const std::exception &e) {
                // A damaged Exif block: the entry keeps the facts read so far.
                entry.Error = QString::fromLocal8Bit(e.what());
            }
            entry.ImageSize = ReadImageSize(file, index >= 0 ? FClasses.GraphicClass(index) : nullptr);
        }
        std::lock_guard lock(FLock);
        FReady.push_back(std::move(entry));
        FChanged.notify_all();
    }
}

int TImageFileReader::Count() const {
    std::lock_guard lock(FLock);
    return FCount;
}

std::vector<TImageFileReader::TEntry> TImageFileReader::Take(std::size_t max) {
    std::vector<TEntry> taken;
    std::lock_guard lock(FLock);
    while (!FReady.empty() && taken.size() < max) {
        taken.push_back(std::move(FReady.front()));
        FReady.pop_front();
    }
    FTaken += int(taken.size());
    if (!taken.empty())
        FChanged.notify_all();
    return taken;
}

bool TImageFileReader::Finished() const {
    std::lock_guard lock(FLock);
    return FStop || (FCount >= 0 && FTaken >= FCount);
}

void TImageFileReader::Wait(int ms) {
    std::unique_lock lock(FLock);
    FChanged.wait_for(lock, std::chrono::milliseconds(ms), [this] {
        return FStop || !FReady.empty() || (FCount >= 0 && FTaken >= FCount);
    });
}

void TImageFileReader::Stop() {
    std::lock_guard lock(FLock);
    FStop = true;
    FChanged.notify_all();
}

} // namespace vellora
