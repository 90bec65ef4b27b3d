// TImageFileReader: reads image files for the main window's list on one
// worker thread, so that adding a large folder never holds up the window.
// For a folder it first lists the files (no sub-folders, no hidden files)
// and puts their names in natural order; then, for each name in turn whose
// extension the registry knows, it fills a new TImageInfo from the file with
// the worker's own Exif reader (the shared one belongs to the UI thread) and
// reads the pixel size from the headers, never decoding the image. A list of
// files chosen by the user may be read whatever their extensions. The
// results are taken on the UI thread in the order of the names. The worker
// reads at most a few hundred entries ahead and ends after the file in hand
// when stopped or destroyed.
#pragma once

#include "graphics/Geometry.h"
#include "graphics/GraphicClassList.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vellora {

class TImageInfo;

// Text without regard to case, runs of digits by their value: "IMG_2" comes
// before "IMG_10" whatever the locale offers.
int NaturalCompare(const QString &a, const QString &b);

// A folder's files (no sub-folders, none whose name starts with a dot) in
// natural name order; nothing once `stop` is set.
QStringList ListFolderFiles(const QString &folder, const std::atomic_bool *stop = nullptr);

class TImageFileReader {
public:
    struct TEntry {
        QString FileName;
        // Null when the file is passed over (an extension the registry does
        // not know, where only known ones are read; a FIFO, socket or device).
        std::unique_ptr<TImageInfo> Info;
        TIntSize ImageSize;   // from the headers; (0, 0) when unknown
        QString Error;        // what reading the file's Exif data threw, if anything
    };

    // Reads the given files in the given order: with knownOnly, only those
    // whose extension `classes` knows. `classes` is copied: the registry
    // itself belongs to the UI thread.
    TImageFileReader(QStringList files, const TGraphicClassList &classes, bool knownOnly = true);
    // Lists the folder first (ListFolderFiles).
    static std::unique_ptr<TImageFileReader> ForFolder(const QString &folder, const TGraphicClassList &classes);
    ~TImageFileReader();
    TImageFileReader(const TImageFileReader &) = delete;
    TImageFileReader &operator=(const TImageFileReader &) = delete;

    // The number of names; -1 while the folder is still being listed.
    int Count() const;
    // Takes up to `max` entries read so far, in order.
    std::vector<TEntry> Take(std::size_t max);
    // True when every entry has been taken, or the reader was stopped.
    bool Finished() const;
    // Waits up to `ms` milliseconds for an entry to take or for the end.
    void Wait(int ms);
    // Ends the worker after the file it is reading; nothing more comes.
    void Stop();

private:
    TImageFileReader(const QString &folder, QStringList files, const TGraphicClassList &classes, bool knownOnly);
    void run();

    const QString FFolder;
    QStringList FFiles;
    const TGraphicClassList FClasses;
    const bool FKnownOnly;
    mutable std::mutex FLock;
    std::condition_variable FChanged;
    std::deque<TEntry> FReady;
    int FCount = -1;
    int FTaken = 0;
    std::atomic_bool FStop{false};
    std::thread FThread;
};

} // namespace vellora
