#include "imagelist/ImageListView.h"
#include "imagelist/ImageListViewPrivate.h"
#include "imagelist/ListViewConnector.h"
#include "imagelist/tests/JpegBuilder.h"

#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QListView>
#include <QTest>
#include <QThread>
#include <QTreeView>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <sys/stat.h>

using namespace vellora;
using namespace vellora::test;

namespace {

QStringList captions(const TImageListView &view)
{
    QStringList list;
    for (int i = 0; i < view.Items().Count(); ++i)
        list << view.Items().Item(i)->Caption();
    return list;
}

// A view with items for files that are not images (no thumbnails asked for).
std::unique_ptr<TImageListView> plainView(const QStringList &names)
{
    auto view = std::make_unique<TImageListView>();
    view->SetCacheFileName(scratchDir(QStringLiteral("ilv-plain")) + QStringLiteral("/cache.tmp"));
    for (const QString &n : names)
        view->Items().Add(QStringLiteral("/nowhere/") + n + QStringLiteral(".txt"));
    return view;
}

// n JPEG files named 夏休み_001.jpg …, half with an Exif thumbnail.
QStringList makePhotos(const QString &dir, int n, QSize size = QSize(320, 240))
{
    QStringList paths;
    for (int i = 0; i < n; ++i) {
        QImage photo(size, QImage::Format_RGB32);
        photo.fill(QColor::fromHsv((i * 37) % 360, 200, 220));
        const QByteArray bytes =
            i % 2 == 0 ? JpegBuilder::jpegWithExif(photo, JpegBuilder::exifBlock(JpegBuilder::encode(photo.scaled(160, 120)), 6, size))
                       : JpegBuilder::encode(photo);
        const QString path = dir + QStringLiteral("/夏休み_%1.jpg").arg(i + 1, 3, 10, QLatin1Char('0'));
        JpegBuilder::write(path, bytes);
        paths << path;
    }
    return paths;
}

bool onUiThread()
{
    return QThread::currentThread() == qApp->thread();
}

QString renderDir()
{
    const QString dir = QStringLiteral(VELLORA_BINARY_DIR_TEST) + QStringLiteral("/renders/imagelist");
    QDir().mkpath(dir);
    return dir;
}

} // namespace

TEST(ImageListItems, MoveAndExchangeKeepTheItemsAndTheirSelection)
{
    struct Case {
        const char *op;
        int a, b;
        const char *expected;
    } cases[] = {
        {"move", 0, 0, "abcde"}, {"move", 0, 1, "abcde"}, {"move", 0, 2, "bacde"}, {"move", 0, 5, "bcdea"},
        {"move", 4, 0, "eabcd"}, {"move", 3, 1, "adbce"}, {"move", 2, 3, "abcde"}, {"move", 1, 4, "acdbe"},
        {"exchange", 0, 4, "ebcda"}, {"exchange", 1, 2, "acbde"}, {"exchange", 3, 3, "abcde"},
    };
    for (const Case &c : cases) {
        auto view = plainView({"a", "b", "c", "d", "e"});
        view->SetMultiSelect(true);
        TImageListItem *moved = view->Items().Item(c.a);
        moved->SetSelected(true);
        moved->SetChecked(true);
        const std::uint32_t id = moved->ItemID();
        if (QByteArray(c.op) == "move")
            view->Items().Move(c.a, c.b);
        else
            view->Items().Exchange(c.a, c.b);
        EXPECT_EQ(captions(*view).join(QString()).remove(QStringLiteral(".txt")), QString::fromLatin1(c.expected))
            << c.op << " " << c.a << " " << c.b;
        EXPECT_TRUE(moved->Selected()) << c.op << " " << c.a << " " << c.b;
        EXPECT_TRUE(moved->Checked());
        EXPECT_EQ(moved->ItemID(), id);
        EXPECT_EQ(view->SelCount(), 1);
    }
    auto view = plainView({"a"});
    EXPECT_THROW(view->Items().Move(0, 2), std::out_of_range);
    EXPECT_THROW(view->Items().Move(1, 0), std::out_of_range);
}

TEST(ImageListItems, IdsAreUniqueAndAssignRaisesATakenId)
{
    auto view = plainView({"a", "b", "c", "d"});
    EXPECT_EQ(view->Items().Item(3)->ItemID(), 3u);
    EXPECT_EQ(view->Items().MaxID(), 4u);
    view->Items().Delete(2);   // IDs 0, 1, 3 remain
    TImageListItem *last = view->Items().Item(2);
    last->Assign(*view->Items().Item(0));
    EXPECT_EQ(last->ItemID(), 2u);   // 0 and 1 are taken
    EXPECT_EQ(last->Caption(), QStringLiteral("a.txt"));
    EXPECT_EQ(view->Items().ItemById(2), last);
    EXPECT_EQ(view->Items().ItemById(3), nullptr);
    view->Clear();
    EXPECT_EQ(view->Items().MaxID(), 0u);
    EXPECT_EQ(view->Items().Add(QStringLiteral("/x.txt"))->ItemID(), 0u);
}

TEST(ImageListItems, ServeTheModelsListInterface)
{
    auto view = plainView({"a", "b"});
    vellora::TImageListItems &paperSide = view->Items();
    EXPECT_EQ(paperSide.Count(), 2);
    paperSide.SetChecked(1, true);
    EXPECT_TRUE(view->Items().Item(1)->Checked());
    EXPECT_EQ(paperSide.Data(0), nullptr);
}

// The collection answers rows, IDs, handles, paths and counts from its own
// lookups; after every kind of change they must agree with a walk over the
// items.
TEST(ImageListItems, LookupsAgreeWithTheItemsAfterEveryKindOfChange)
{
    auto view = plainView({"m", "c", "x"});
    view->SetMultiSelect(true);
    auto &items = view->Items();
    std::mt19937 random(17);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    int added = 0;
    auto checkAll = [&](const std::string &step) {
        int checked = 0, selected = 0;
        TImageListItem *firstSelected = nullptr;
        for (int i = 0; i < items.Count(); ++i) {
            TImageListItem *item = items.Item(i);
            ASSERT_EQ(items.IndexOf(item), i) << step;
            ASSERT_EQ(item->Index(), i) << step;
            ASSERT_EQ(items.ItemById(item->ItemID()), item) << step;
            checked += item->Checked() ? 1 : 0;
            if (view->SelectionModel()->isSelected(view->Model()->index(i, 0))) {
                ++selected;
                if (!firstSelected)
                    firstSelected = item;
            }
        }
        ASSERT_EQ(items.CheckedCount(), checked) << step;
        ASSERT_EQ(view->SelCount(), selected) << step;
        ASSERT_EQ(view->Selected(), firstSelected) << step;
    };
    for (int step = 0; step < 400; ++step) {
        const int n = items.Count();
        const int op = n < 3 ? 0 : pick(10);
        std::string name = "step " + std::to_string(step) + " op " + std::to_string(op);
        switch (op) {
        case 0:   // sorted (into the middle) or appended
            if (pick(2) == 0)
                view->SetSortType(TSortType::stText);
            items.Add(QStringLiteral("/nowhere/%1.txt").arg(QChar(u'a' + pick(26))) + QString::number(added++));
            view->SetSortType(TSortType::stNone);
            break;
        case 1: items.Insert(pick(n + 1), QStringLiteral("/nowhere/i%1.txt").arg(added++)); break;
        case 2: items.Delete(pick(n)); break;
        case 3: items.Move(pick(n), pick(n + 1)); break;
        case 4: items.Exchange(pick(n), pick(n)); break;
        case 5: items.Item(pick(n))->SetChecked(pick(2) == 0); break;
        case 6: items.Item(pick(n))->Assign(*items.Item(pick(n))); break;
        case 7: items.Item(pick(n))->SetAbsoluteName(QStringLiteral("/nowhere/r%1.txt").arg(added++)); break;
        case 8: {   // overlapping ranges of one selection
            const int a = pick(n), b = pick(n);
            QItemSelection sel(view->Model()->index(std::min(a, b), 0), view->Model()->index(std::max(a, b), 0));
            sel.append(QItemSelectionRange(view->Model()->index(a, 0), view->Model()->index(a, 0)));
            view->SelectionModel()->select(sel, pick(3) == 0 ? QItemSelectionModel::Deselect : QItemSelectionModel::Select);
            break;
        }
        default:
            view->AlphaSort();
            break;
        }
        checkAll(name);
        if (HasFatalFailure())
            return;
    }
    // A deleted item is not found, even by a caller that kept its pointer.
    TImageListItem *gone = items.Item(0);
    const std::uint32_t id = gone->ItemID();
    items.Delete(0);
    EXPECT_EQ(items.IndexOf(gone), -1);
    EXPECT_EQ(items.ItemById(id), nullptr);
    view->Clear();
    EXPECT_EQ(items.CheckedCount(), 0);
    EXPECT_EQ(view->SelCount(), 0);
}

TEST(ImageListView, FindFileNameWrapsAndComparesEachItemOnce)
{
    auto view = plainView({"x", "Photo", "y", "photo"});
    const QString photo = QStringLiteral("/nowhere/photo.txt");
    EXPECT_EQ(view->FindFileName(1, photo, false, true, false), view->Items().Item(1));
    EXPECT_EQ(view->FindFileName(1, photo, false, false, false), view->Items().Item(3));
    EXPECT_EQ(view->FindFileName(3, photo, false, false, false), nullptr);
    EXPECT_EQ(view->FindFileName(3, photo, false, false, true), view->Items().Item(1));
    EXPECT_EQ(view->FindFileName(0, QStringLiteral("/other/PHOTO.TXT"), true, false, false), view->Items().Item(1));
    EXPECT_EQ(view->FindFileName(0, QStringLiteral("/other/PHOTO.TXT"), false, false, true), nullptr);
    EXPECT_EQ(view->FindFileName(2, QStringLiteral("none"), true, true, true), nullptr);
    EXPECT_EQ(view->FindFileName(-1, QStringLiteral("/nowhere/x.txt"), false, false, false), view->Items().Item(0));
}

TEST(ImageListView, SortIsStableAndNewItemsGoToTheirPlace)
{
    auto view = plainView({"b1", "a1", "b2", "a2", "c"});
    view->OnCompare = [](TImageListView &, TImageListItem &x, TImageListItem &y, int, int &result) {
        result = x.Caption().at(0).unicode() - y.Caption().at(0).unicode();
    };
    view->Items().Item(2)->SetSelected(true);
    view->SetSortType(TSortType::stData);
    EXPECT_EQ(captions(*view).join(u' ').remove(QStringLiteral(".txt")), QStringLiteral("a1 a2 b1 b2 c"));
    EXPECT_EQ(view->Selected()->Caption(), QStringLiteral("b2.txt"));
    view->Items().Add(QStringLiteral("/nowhere/b3.txt"));
    EXPECT_EQ(captions(*view).join(u' ').remove(QStringLiteral(".txt")), QStringLiteral("a1 a2 b1 b2 b3 c"));
}

TEST(ImageListView, SameFileTwiceIsMadeOnceAndFromTheCacheAfterReopening)
{
    const QString dir = scratchDir(QStringLiteral("ilv-twice"));
    const QStringList photos = makePhotos(dir, 2);
    const QString cache = dir + QStringLiteral("/cache.tmp");
    int made = 0;
    {
        TImageListView view;
        view.SetCacheFileName(cache);
        view.OnMakeThumbnail = [&made](TImageListView &, TImageListItem &) { ++made; };
        TImageListItem *first = view.AddItem(photos[0], nullptr);
        TImageListItem *second = view.AddItem(photos[0], nullptr);
        EXPECT_EQ(made, 1);
        EXPECT_TRUE(first->Maked());
        EXPECT_EQ(second->ImagePos(), first->ImagePos());
        EXPECT_EQ(first->ImageWidth(), 320);
        view.AddItem(photos[1], nullptr);
        EXPECT_EQ(made, 2);
    }
    TImageListView again;
    again.SetCacheFileName(cache);
    again.OnMakeThumbnail = [&made](TImageListView &, TImageListItem &) { ++made; };
    TImageListItem *item = again.AddItem(photos[1], nullptr);
    EXPECT_EQ(made, 2);   // found in the file
    QImage thumb;
    ASSERT_TRUE(again.GetThumbnail(item, thumb));
    EXPECT_EQ(thumb.size(), QSize(160, 120));

    // DeleteCache of one path keeps the other thumbnail at its new place.
    TImageListItem *other = again.AddItem(photos[0], nullptr);
    const std::int64_t before = other->ImagePos();
    again.DeleteCache(photos[0]);
    EXPECT_EQ(other->ImagePos(), 0);
    EXPECT_TRUE(item->Maked());
    EXPECT_LT(item->ImagePos(), before + 1000000);
    ASSERT_TRUE(again.GetThumbnail(item, thumb));
    again.ClearCache();
    EXPECT_EQ(QFileInfo(cache).size(), 0);
    EXPECT_FALSE(item->Maked());
    again.MakeThumbnail(item);
    EXPECT_TRUE(item->Maked());
}

TEST(ImageListView, ChangedFileGetsANewThumbnail)
{
    const QString dir = scratchDir(QStringLiteral("ilv-changed"));
    const QStringList photos = makePhotos(dir, 1);
    TImageListView view;
    view.SetCacheFileName(dir + QStringLiteral("/cache.tmp"));
    TImageListItem *item = view.AddItem(photos[0], nullptr);
    const std::int64_t first = item->ImagePos();
    QImage red(200, 100, QImage::Format_RGB32);
    red.fill(Qt::red);
    JpegBuilder::write(photos[0], JpegBuilder::encode(red));
    item->SetAbsoluteName(photos[0]);
    EXPECT_GT(item->ImagePos(), first);
    EXPECT_EQ(item->ImageWidth(), 200);
}

TEST(ImageListView, UnwritableCacheKeepsThumbnailsInMemoryAndReportsOnce)
{
    const QString dir = scratchDir(QStringLiteral("ilv-unwritable"));
    const QStringList photos = makePhotos(dir, 3);
    TImageListView view;
    view.SetCacheFileName(dir + QStringLiteral("/missing/folder/cache.tmp"));
    QStringList errors;
    view.OnCacheError = [&errors](TImageListView &, const QString &m) { errors << m; };
    for (const QString &p : photos)
        view.AddItem(p, nullptr);
    EXPECT_EQ(errors.size(), 1);
    QImage thumb;
    ASSERT_TRUE(view.GetThumbnail(view.Items().Item(2), thumb));
    EXPECT_EQ(thumb.size(), QSize(160, 120));
    EXPECT_FALSE(view.Items().Item(2)->Maked());
}

TEST(ImageListView, HostSuppliedImagesNeedNoFile)
{
    const QString dir = scratchDir(QStringLiteral("ilv-host"));
    TImageListView view;
    view.SetCacheFileName(dir + QStringLiteral("/cache.tmp"));
    view.OnLoadImage = [](TImageListView &, TImageListItem &, QImage &bitmap, bool &handled) {
        bitmap = QImage(400, 100, QImage::Format_ARGB32);
        bitmap.fill(Qt::transparent);
        handled = true;
    };
    TImageListItem *item = view.AddItem(dir + QStringLiteral("/embedded.jpg"), nullptr);
    EXPECT_EQ(item->ImagePos() > 0, true);
    QImage thumb;
    ASSERT_TRUE(view.GetThumbnail(item, thumb));
    EXPECT_EQ(thumb.size(), QSize(160, 40));
    EXPECT_EQ(thumb.pixelColor(5, 5), QColor(Qt::white));
}

// With workers, a host's pictures are made off the UI thread whether or not
// their files exist: the items are listed at once, each picture is asked for
// once, and OnLoadImage is left for views without workers. A loader giving
// nothing leaves a missing file's item marked missing.
TEST(ImageListWorkers, HostLoadersRunOnWorkers)
{
    const QString dir = scratchDir(QStringLiteral("ilv-loader"));
    const QString present = makePhotos(dir, 1).constFirst();
    TImageListView view;
    view.SetCacheFileName(dir + QStringLiteral("/cache.tmp"));
    view.SetUseThread(true);
    std::atomic_int loads{0}, uiLoads{0};
    int inline_ = 0;
    view.OnLoadImage = [&](TImageListView &, TImageListItem &, QImage &, bool &handled) {
        ++inline_;
        handled = true;
    };
    view.OnImageLoader = [&](TImageListView &, TImageListItem &item) -> std::function<QImage()> {
        if (item.AbsoluteName().endsWith(QStringLiteral("broken.jpg")))
            return [&] { ++loads; return QImage(); };
        const QColor colour = item.AbsoluteName() == present ? QColor(0, 0, 200) : QColor(200, 0, 0);
        return [&loads, &uiLoads, colour] {
            ++loads;
            if (onUiThread())
                ++uiLoads;
            QImage image(300, 200, QImage::Format_RGB32);
            image.fill(colour);
            return image;
        };
    };
    QList<TImageListItem *> items;
    for (int i = 0; i < 6; ++i)
        items << view.AddItem(dir + QStringLiteral("/gone_%1.jpg").arg(i), nullptr);
    items << view.AddItem(present, nullptr) << view.AddItem(dir + QStringLiteral("/broken.jpg"), nullptr);
    view.WaitForThumbnails();
    EXPECT_EQ(loads.load(), 8);
    EXPECT_EQ(uiLoads.load(), 0);
    EXPECT_EQ(inline_, 0);
    for (int i = 0; i < 7; ++i) {
        QImage thumb;
        ASSERT_TRUE(view.GetThumbnail(items[i], thumb)) << i;
        EXPECT_EQ(thumb.size(), QSize(160, 107)) << i;
        EXPECT_EQ(thumb.pixelColor(80, 50), i == 6 ? QColor(0, 0, 200) : QColor(200, 0, 0)) << i;
    }
    EXPECT_EQ(items[7]->ImagePos(), -1);
}

TEST(ImageListWorkers, FiftyFilesWithDeletesAndSwitchesMidRun)
{
    const QString dir = scratchDir(QStringLiteral("ilv-workers"));
    const QStringList photos = makePhotos(dir, 50, QSize(640, 480));
    enum class Stop { none, deleteSome, threadOff, destroy };
    for (Stop stop : {Stop::none, Stop::deleteSome, Stop::threadOff, Stop::destroy}) {
        auto view = std::make_unique<TImageListView>();
        view->SetCacheFileName(dir + QStringLiteral("/cache%1.tmp").arg(int(stop)));
        view->SetThumbnailMode(TIVThumbnailMode::tmDraft);
        view->SetUseThread(true);
        bool offThread = false;
        QStringList loaded;
        int made = 0;
        view->OnLoadImage = [&](TImageListView &, TImageListItem &item, QImage &, bool &) {
            offThread |= !onUiThread();
            loaded << item.AbsoluteName();
        };
        view->OnMakeThumbnail = [&](TImageListView &, TImageListItem &) {
            offThread |= !onUiThread();
            ++made;
        };
        for (const QString &p : photos)
            view->AddItem(p, nullptr);
        EXPECT_GT(view->PendingThumbnails(), 0);
        // The last item is still queued: deleted there, it never starts.
        const QString lastPath = photos.last();
        if (stop == Stop::deleteSome) {
            view->Delete(view->Items().Item(49));
            view->Delete(view->Items().Item(0));   // running or done
            view->Delete(view->Items().Item(10));
        }
        if (stop == Stop::destroy) {
            QCoreApplication::processEvents();
            view.reset();
            EXPECT_FALSE(offThread);
            continue;
        }
        if (stop == Stop::threadOff) {
            QCoreApplication::processEvents();
            view->SetUseThread(false);
            EXPECT_EQ(view->PendingThumbnails(), 0);
        }
        view->WaitForThumbnails();
        QTRY_COMPARE_WITH_TIMEOUT(view->PendingThumbnails(), 0, 60000);
        EXPECT_FALSE(offThread);
        const int count = view->Items().Count();
        EXPECT_EQ(count, stop == Stop::deleteSome ? 47 : 50);
        for (int i = 0; i < count; ++i)
            EXPECT_TRUE(view->Items().Item(i)->Maked()) << i;
        EXPECT_EQ(made, count);
        if (stop == Stop::deleteSome) {
            EXPECT_FALSE(loaded.contains(lastPath));
        }
    }
}

TEST(ImageListWorkers, ItemAddedWhileItsFileIsQueuedGetsTheThumbnail)
{
    const QString dir = scratchDir(QStringLiteral("ilv-queued"));
    const QStringList photos = makePhotos(dir, 8, QSize(640, 480));
    TImageListView view;
    view.SetCacheFileName(dir + QStringLiteral("/cache.tmp"));
    view.SetUseThread(true);
    for (const QString &p : photos)
        view.AddItem(p, nullptr);
    TImageListItem *twin = view.AddItem(photos.last(), nullptr);
    view.WaitForThumbnails();
    QTRY_COMPARE_WITH_TIMEOUT(view.PendingThumbnails(), 0, 60000);
    EXPECT_TRUE(twin->Maked());
    EXPECT_EQ(twin->ImagePos(), view.Items().Item(7)->ImagePos());
}

TEST(ImageListView, StyleSwitchKeepsSelectionChecksAndFocus)
{
    auto view = plainView({"a", "b", "c"});
    view->SetMultiSelect(true);
    view->SetCheckBoxes(true);
    view->Items().Item(1)->SetSelected(true);
    view->Items().Item(2)->SetSelected(true);
    view->Items().Item(2)->SetChecked(true);
    view->SetItemFocused(view->Items().Item(1));
    for (TImageViewStyle style : {TImageViewStyle::ivsThumbnail, TImageViewStyle::ivsReport, TImageViewStyle::ivsList,
                                  TImageViewStyle::ivsSmallIcon, TImageViewStyle::ivsIcon}) {
        view->SetViewStyle(style);
        EXPECT_EQ(view->SelCount(), 2);
        EXPECT_TRUE(view->Items().Item(2)->Checked());
        EXPECT_EQ(view->ItemFocused(), view->Items().Item(1));
        EXPECT_EQ(view->ActiveView() == view->TreeView(), style == TImageViewStyle::ivsReport);
    }
    view->SetThumbSize(96);
    EXPECT_EQ(view->SelCount(), 2);
    view->SelectAll();
    EXPECT_EQ(view->SelCount(), 3);
    view->ClearSelection();
    EXPECT_EQ(view->SelCount(), 0);
    view->Items().Item(0)->SetSelected(true);
    view->Items().Item(2)->SetSelected(true);
    view->DeleteSelected();
    EXPECT_EQ(captions(*view), QStringList{QStringLiteral("b.txt")});
}

TEST(ImageListView, PropertiesHaveTheirDefaults)
{
    TImageListView view;
    EXPECT_TRUE(view.MakeThumb());
    EXPECT_EQ(view.Priority(), TMakeThreadPriority::mpNormal);
    EXPECT_EQ(view.SearchBytes(), 32);
    view.SetSearchBytes(-5);
    EXPECT_EQ(view.SearchBytes(), 0);
    EXPECT_FALSE(view.SelColorEnabled());
    EXPECT_FALSE(view.ThumbCheckBoxes());
    EXPECT_EQ(view.ThumbnailMode(), TIVThumbnailMode::tmFine);
    EXPECT_EQ(view.ThumbSize(), 160);
    EXPECT_FALSE(view.UseThread());
    EXPECT_EQ(view.ViewStyle(), TImageViewStyle::ivsIcon);
    EXPECT_EQ(view.ThumbnailClass(), &BitmapClass());
    EXPECT_EQ(view.ImageClasses().Count(), 8);
    int changed = 0;
    view.OnChangeThumbnailClass = [&changed](TImageListView &) { ++changed; };
    view.SetThumbnailClass(&PngImageClass());
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(static_cast<int>(TImageViewStyle::ivsThumbnail), 4);
    EXPECT_EQ(static_cast<int>(TIVThumbnailMode::tmFine), 1);
}

TEST(ImageListView, DefaultCacheIsAPrivateFileInTheTemporaryFolder)
{
    QString name;
    {
        TImageListView view;
        view.OpenCache();
        name = view.TempFileName();
        EXPECT_TRUE(name.startsWith(GetSpecialFolder(TSpecialFolder::sfTemporary))) << name.toStdString();
        struct stat st {};
        ASSERT_EQ(::lstat(QFile::encodeName(name).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
    }
    EXPECT_FALSE(QFile::exists(name));
    const QString dir = scratchDir(QStringLiteral("ilv-newname"));
    const QString made = NewThumbnailCacheFileName(dir);
    EXPECT_TRUE(QFileInfo(made).fileName().startsWith(QStringLiteral("vlt")));
    EXPECT_TRUE(QFile::exists(made));
    EXPECT_TRUE(NewThumbnailCacheFileName(dir + QStringLiteral("/no/such")).isEmpty());
}

TEST(ImageListWidget, ThumbnailCellsFramesCheckerboardAndChecks)
{
    const QString family = testFontFamily();
    const QString dir = scratchDir(QStringLiteral("ilv-render"));
    const QStringList photos = makePhotos(dir, 6, QSize(400, 300));
    TImageListView view;
    view.setFont(QFont(family, 10));
    view.resize(560, 420);
    view.SetCacheFileName(dir + QStringLiteral("/cache.tmp"));
    view.SetCheckBoxes(true);
    view.SetThumbCheckBoxes(true);
    view.SetMultiSelect(true);
    view.SetThumbSize(96);
    view.SetViewStyle(TImageViewStyle::ivsThumbnail);
    view.SetSelColorEnabled(true);
    view.SetSelColor(QColor(0, 0, 255));
    for (const QString &p : photos)
        view.AddItem(p, nullptr);
    view.AddItem(dir + QStringLiteral("/夏休みの思い出がいっぱい詰まったとても長い名前の写真ファイル.jpg"), nullptr);
    view.Items().Item(1)->SetChecked(true);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.ListView()->setFocus();
    view.SetItemFocused(view.Items().Item(0));
    view.Items().Item(0)->SetSelected(true);
    QApplication::processEvents();

    QImage shot = view.ListView()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    shot.save(renderDir() + QStringLiteral("/thumbnails.png"));
    const QRect selectedCell = view.ItemCellRect(view.Items().Item(0));
    const QRect plainCell = view.ItemCellRect(view.Items().Item(2));
    ASSERT_EQ(selectedCell.width(), 104);
    // Selected and focused: a 3-pixel frame of the selection colour, 2 in from the edge.
    EXPECT_EQ(QColor(shot.pixel(selectedCell.center().x(), selectedCell.top() + 3)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(shot.pixel(selectedCell.left() + 2, selectedCell.center().y())), QColor(0, 0, 255));
    EXPECT_EQ(QColor(shot.pixel(selectedCell.left() + 3, selectedCell.center().y())), QColor(0, 0, 255));
    EXPECT_NE(QColor(shot.pixel(selectedCell.left() + 1, selectedCell.center().y())), QColor(0, 0, 255));
    // Not selected, not hot: 1 pixel of 0xE9E9E9 on the edge.
    EXPECT_EQ(QColor(shot.pixel(plainCell.center().x(), plainCell.top())), QColor(0xE9, 0xE9, 0xE9));
    // The picture sits 1:1 in the middle of the icon square: 96 × 72 for a 4:3 photo.
    const QColor photoColour = QColor(shot.pixel(plainCell.center().x(), plainCell.top() + 52));
    EXPECT_GT(photoColour.saturation(), 100);

    // Check box: press and release inside it toggles; release elsewhere does not.
    TImageListItem *target = view.Items().Item(2);
    const QPoint box = plainCell.topLeft() + QPoint(4 + 8, 4 + 8);
    QTest::mouseClick(view.ListView()->viewport(), Qt::LeftButton, {}, box);
    EXPECT_TRUE(target->Checked());
    QTest::mouseClick(view.ListView()->viewport(), Qt::LeftButton, {}, box);
    EXPECT_FALSE(target->Checked());
    QTest::mousePress(view.ListView()->viewport(), Qt::LeftButton, {}, box);
    QTest::mouseRelease(view.ListView()->viewport(), Qt::LeftButton, {}, view.ItemCellRect(view.Items().Item(3)).center());
    EXPECT_FALSE(target->Checked());

    // Space toggles the checks of the selection.
    view.SelectAll();
    QTest::keyClick(view.ListView(), Qt::Key_Space);
    for (int i = 0; i < view.Items().Count(); ++i)
        EXPECT_TRUE(view.Items().Item(i)->Checked()) << i;
    view.ClearSelection();

    // Disabled: the picture ORed with the white / grey checkerboard.
    view.setEnabled(false);
    QApplication::processEvents();
    QImage off = view.ListView()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    off.save(renderDir() + QStringLiteral("/thumbnails-disabled.png"));
    const QPoint p = plainCell.center();
    for (QPoint q : {p, p + QPoint(1, 0)}) {
        const QColor c(off.pixel(q));
        if ((q.x() + q.y()) % 2 == 0)   // grey pixels: every channel at least 128
            EXPECT_TRUE(c.red() >= 128 && c.green() >= 128 && c.blue() >= 128);
        else
            EXPECT_EQ(c, QColor(Qt::white));
    }
}

// The check box sits in the corner the picture leaves free: portrait and
// landscape thumbnails are drawn whole and at full size beside or below it,
// shapes near the square are drawn smaller rather than covered.
TEST(ImageListWidget, CheckBoxNeverCoversThePicture)
{
    const QString dir = scratchDir(QStringLiteral("ilv-shapes"));
    struct Shape {
        QSize photo;
        QColor colour;
    };
    const Shape shapes[] = {
        {{300, 400}, QColor(220, 30, 30)}, {{400, 300}, QColor(30, 160, 30)}, {{200, 300}, QColor(30, 30, 220)},
        {{300, 200}, QColor(200, 150, 0)}, {{400, 400}, QColor(160, 0, 160)}, {{400, 360}, QColor(0, 150, 160)},
    };
    QStringList paths;
    for (const Shape &s : shapes) {
        QImage photo(s.photo, QImage::Format_RGB32);
        photo.fill(s.colour);
        paths << dir + QStringLiteral("/%1x%2.jpg").arg(s.photo.width()).arg(s.photo.height());
        JpegBuilder::write(paths.last(), JpegBuilder::encode(photo));
    }
    for (int thumbSize : {160, 96}) {
        TImageListView view;
        view.resize(1200, 420);
        view.SetCacheFileName(dir + QStringLiteral("/cache-%1.tmp").arg(thumbSize));
        view.SetCheckBoxes(true);
        view.SetThumbCheckBoxes(true);
        view.SetThumbSize(thumbSize);
        view.SetViewStyle(TImageViewStyle::ivsThumbnail);
        for (const QString &p : paths)
            view.AddItem(p, nullptr);
        view.Items().Item(0)->SetChecked(true);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.WaitForThumbnails();
        QApplication::processEvents();
        const QImage shot = view.ListView()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        shot.save(renderDir() + QStringLiteral("/check-boxes-%1.png").arg(thumbSize));
        for (int i = 0; i < int(std::size(shapes)); ++i) {
            const Shape &s = shapes[i];
            const QRect cell = view.ItemCellRect(view.Items().Item(i));
            const QRect box(cell.topLeft() + QPoint(4, 4), QSize(16, 16));
            // The photo's pixels: one solid rectangle clear of the box.
            QRect found;
            int count = 0;
            for (int y = cell.top(); y < cell.top() + thumbSize + 8; ++y)
                for (int x = cell.left(); x <= cell.right(); ++x) {
                    const QColor c(shot.pixel(x, y));
                    if (std::abs(c.red() - s.colour.red()) + std::abs(c.green() - s.colour.green())
                            + std::abs(c.blue() - s.colour.blue()) < 60) {
                        found |= QRect(x, y, 1, 1);
                        ++count;
                    }
                }
            const QString what = QStringLiteral("%1 at %2").arg(paths[i]).arg(thumbSize);
            ASSERT_FALSE(found.isEmpty()) << what.toStdString();
            EXPECT_EQ(count, found.width() * found.height()) << what.toStdString();
            EXPECT_FALSE(found.intersects(box)) << what.toStdString();
            const int longer = std::max(s.photo.width(), s.photo.height());
            const QSize full(qRound(double(s.photo.width()) * thumbSize / longer),
                             qRound(double(s.photo.height()) * thumbSize / longer));
            // Whole when its shorter side leaves the box's row or column free
            // (a pixel of air beside the box), else smaller, but not much.
            if (std::min(full.width(), full.height()) <= thumbSize + 8 - 2 * 21)
                EXPECT_EQ(found.size(), full) << what.toStdString();
            else
                EXPECT_GE(std::max(found.width(), found.height()), thumbSize * 3 / 5) << what.toStdString();
        }
    }
}

TEST(ImageListWidget, ReportColumnsHeadersAndWidths)
{
    const QString family = testFontFamily();
    TImageListView view;
    view.setFont(QFont(family, 10));
    view.resize(600, 200);
    view.SetCacheFileName(scratchDir(QStringLiteral("ilv-report")) + QStringLiteral("/cache.tmp"));
    view.SetCheckBoxes(true);
    view.SetRowSelect(true);
    view.SetViewStyle(TImageViewStyle::ivsReport);
    const struct {
        const char *caption;
        int width;
    } columns[] = {{"ファイル名", 150}, {"撮影日時", 70}, {"ファイル日時", 70}, {"ファイルサイズ", 60}, {"横×縦", 60}, {"コピー", 50}};
    for (const auto &c : columns)
        view.AddColumn(QString::fromUtf8(c.caption), c.width, c.width == 150 ? Qt::AlignLeft : Qt::AlignRight);
    TImageListItem *item = view.Items().Add(QStringLiteral("/photos/夏休み_001.txt"));
    item->SetSubItems({QStringLiteral("2024/08/01 10:00"), QStringLiteral("2024/08/02"), QStringLiteral("1,234 KB"),
                       QStringLiteral("4000×3000"), QStringLiteral("1")});
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QHeaderView *header = view.TreeView()->header();
    ASSERT_EQ(header->count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(view.Model()->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString(), QString::fromUtf8(columns[i].caption));
        EXPECT_EQ(header->sectionSize(i), columns[i].width);
    }
    TListViewConnector connector(&view);
    EXPECT_EQ(connector.ColumnCount(), 6);
    EXPECT_EQ(connector.Width(1), 70);
    connector.SetWidth(1, 90);
    EXPECT_EQ(header->sectionSize(1), 90);
    header->resizeSection(2, 33);
    EXPECT_EQ(connector.Width(2), 33);
    EXPECT_EQ(connector.Width(9), 0);
    TListViewConnector plain(view.TreeView());
    EXPECT_EQ(plain.ColumnCount(), 6);
    EXPECT_EQ(plain.Width(1), 90);

    int clicked = -1;
    view.OnColumnClick = [&clicked](TImageListView &, int column) { clicked = column; };
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(4) + 5, header->height() / 2));
    EXPECT_EQ(clicked, 4);
    view.grab().save(renderDir() + QStringLiteral("/report.png"));
}

TEST(ImageListWidget, LongNamesThatShareAPrefixStayApartWhenCut)
{
    // Cut at the end, two names that differ only in their number would read
    // the same in a narrow name column: the cut goes in the middle.
    auto view = plainView({QStringLiteral("IMG_20260801_summer_holiday_by_the_sea_0001"),
                           QStringLiteral("IMG_20260801_summer_holiday_by_the_sea_0002")});
    view->setFont(QFont(testFontFamily(), 9));
    view->AddColumn(QStringLiteral("ファイル名"), 150);
    view->SetViewStyle(TImageViewStyle::ivsReport);
    view->resize(400, 120);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    QTreeView *tree = view->TreeView();
    tree->selectionModel()->clear();   // no focus frame or highlight on either
    QApplication::processEvents();
    const QRect first = tree->visualRect(view->Model()->index(0, 0));
    const QRect second = tree->visualRect(view->Model()->index(1, 0));
    ASSERT_FALSE(first.isEmpty());
    ASSERT_EQ(first.size(), second.size());
    const QImage shot = tree->viewport()->grab().toImage();
    EXPECT_TRUE(shot.copy(first) != shot.copy(second));
    shot.save(renderDir() + QStringLiteral("/long-names.png"));
}

namespace {

// What the list style's delegate asks for an item: the whole name with its
// check box and icon.
QSize wantedCell(QListView *list, const QModelIndex &index)
{
    QStyleOptionViewItem option;
    option.initFrom(list);
    option.font = list->font();
    option.decorationSize = list->iconSize();
    option.textElideMode = list->textElideMode();
    return list->itemDelegateForIndex(index)->sizeHint(option, index);
}

} // namespace

TEST(ImageListWidget, ListStyleShowsEveryEntryWithWholeNames)
{
    QStringList names;
    for (int i = 0; i < 1000; ++i)
        names << QStringLiteral("DSC_%1_夏休みの海").arg(i + 1, 4, 10, QLatin1Char('0'));
    auto view = plainView(names);
    view->setFont(QFont(testFontFamily(), 9));
    view->SetCheckBoxes(true);
    view->SetViewStyle(TImageViewStyle::ivsThumbnail);
    view->resize(700, 400);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    // Through another style first: switching must not leave a stale layout.
    view->SetViewStyle(TImageViewStyle::ivsList);
    QListView *list = view->ListView();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_End);
    QApplication::processEvents();
    const QModelIndex last = view->Model()->index(999, 0);
    EXPECT_EQ(list->currentIndex(), last);
    const QRect lastRect = list->visualRect(last);
    EXPECT_FALSE(lastRect.isEmpty());
    EXPECT_TRUE(list->viewport()->rect().contains(lastRect)) << lastRect.x() << "," << lastRect.y();
    EXPECT_EQ(list->indexAt(lastRect.center()), last);
    for (int row : {0, 1, 500, 998, 999}) {
        const QModelIndex index = view->Model()->index(row, 0);
        EXPECT_GE(list->visualRect(index).width(), wantedCell(list, index).width()) << row;
    }
    list->viewport()->grab().save(renderDir() + QStringLiteral("/list-style-end.png"));

    // A name wider than the view is cut to the view, in the middle.
    TImageListItem *longOne = view->Items().Add(
        QStringLiteral("/nowhere/IMG_20260801_summer_holiday_by_the_sea_with_the_whole_family_0001.txt"));
    view->resize(300, 400);
    QApplication::processEvents();
    const QModelIndex longIndex = view->Model()->index(longOne->Index(), 0);
    EXPECT_LE(list->visualRect(longIndex).width(), list->viewport()->width());
    EXPECT_GT(list->visualRect(longIndex).width(), list->viewport()->width() / 2);
}

TEST(ImageListView, AddImageFilesAsksProgressAndSurvivesAClearFromIt)
{
    const QString dir = scratchDir(QStringLiteral("ilv-addfiles"));
    makePhotos(dir, 4);
    JpegBuilder::write(dir + QStringLiteral("/notes.txt"), QByteArray("x"));
    QDir().mkpath(dir + QStringLiteral("/sub.jpg"));
    TImageListView view;
    view.SetCacheFileName(scratchDir(QStringLiteral("ilv-addfiles-cache")) + QStringLiteral("/cache.tmp"));
    view.Items().Add(QStringLiteral("/old.txt"));
    auto isImage = [](const QString &f) { return f.endsWith(QStringLiteral(".jpg")); };

    QList<int> positions;
    QStringList names;
    int total = 0;
    const int added = view.AddImageFiles(dir, true, [&](int count, int position, const QString &name, bool &) {
        total = count;
        positions << position;
        names << name;
        return position != 2;   // the second file is refused
    });
    // The folder holds 4 photos and notes.txt (folders are not listed).
    EXPECT_EQ(total, 5);
    EXPECT_EQ(positions, (QList<int>{1, 2, 3, 4, 5}));
    ASSERT_EQ(names.size(), 5);
    const int expected = 4 - (isImage(names[1]) ? 1 : 0);
    EXPECT_EQ(added, expected);
    EXPECT_EQ(view.Items().Count(), expected);   // the old item was cleared

    // Cancelled at the third file; a Clear from the callback does not derail the loop.
    const int more = view.AddImageFiles(dir, false, [&](int, int position, const QString &, bool &canceled) {
        if (position == 2)
            view.Clear();
        canceled = position == 3;
        return true;
    });
    EXPECT_EQ(more, int(isImage(names[0])) + int(isImage(names[1])));
    EXPECT_EQ(view.Items().Count(), int(isImage(names[1])));
}

TEST(ImageListWorkers, HandlersMayClearTheListWhileThumbnailsArrive)
{
    const QString dir = scratchDir(QStringLiteral("ilv-clear-handler"));
    const QStringList photos = makePhotos(dir, 12);
    for (bool threaded : {false, true}) {
        TImageListView view;
        view.SetCacheFileName(dir + QStringLiteral("/cache%1.tmp").arg(threaded));
        view.SetUseThread(threaded);
        int made = 0;
        view.OnMakeThumbnail = [&](TImageListView &sender, TImageListItem &item) {
            ++made;
            if (made == 2)
                sender.Delete(&item);
            else if (made == 3)
                sender.Clear();
        };
        for (const QString &p : photos)
            view.AddItem(p, nullptr);
        view.WaitForThumbnails();
        QTRY_COMPARE_WITH_TIMEOUT(view.PendingThumbnails(), 0, 60000);
        // Inline, the handlers run inside the adds, and the later adds go on;
        // with workers every add comes first.
        EXPECT_EQ(made, threaded ? 3 : 12);
        EXPECT_EQ(view.Items().Count(), threaded ? 0 : 9);
        for (int i = 0; i < view.Items().Count(); ++i)
            EXPECT_TRUE(view.Items().Item(i)->Maked());
        // The view goes on working afterwards.
        TImageListItem *item = view.AddItem(photos[0], nullptr);
        view.WaitForThumbnails();
        QTRY_VERIFY_WITH_TIMEOUT(item->Maked(), 60000);
    }
}

TEST(ImageListView, CaptionsAreEditableOnlyWithoutReadOnly)
{
    auto view = plainView({"a"});
    const QModelIndex index = view->Model()->index(0, 0);
    EXPECT_TRUE(view->Model()->flags(index) & Qt::ItemIsEditable);
    QString seen;
    view->OnEdited = [&seen](TImageListView &, TImageListItem &, QString &s) {
        seen = s;
        s += QStringLiteral("!");
    };
    EXPECT_TRUE(view->Model()->setData(index, QStringLiteral("夏休み"), Qt::EditRole));
    EXPECT_EQ(seen, QStringLiteral("夏休み"));
    EXPECT_EQ(view->Items().Item(0)->Caption(), QStringLiteral("夏休み!"));
    view->SetReadOnly(true);
    EXPECT_FALSE(view->Model()->flags(index) & Qt::ItemIsEditable);
    EXPECT_FALSE(view->Model()->setData(index, QStringLiteral("x"), Qt::EditRole));
    EXPECT_EQ(view->Model()->data(index, Qt::ToolTipRole).toString(), QStringLiteral("/nowhere/a.txt"));
}

TEST(ImageListView, NewCacheFileMakesTheThumbnailsAgain)
{
    const QString dir = scratchDir(QStringLiteral("ilv-newcache"));
    const QStringList photos = makePhotos(dir, 2);
    TImageListView view;
    view.SetCacheFileName(dir + QStringLiteral("/one.tmp"));
    for (const QString &p : photos)
        view.AddItem(p, nullptr);
    view.SetCacheFileName(dir + QStringLiteral("/two.tmp"));
    QImage thumb;
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(view.Items().Item(i)->Maked());
        EXPECT_TRUE(view.GetThumbnail(view.Items().Item(i), thumb));
    }
    EXPECT_EQ(QFileInfo(dir + QStringLiteral("/two.tmp")).size(), 2 * (20 + 57654));
}
