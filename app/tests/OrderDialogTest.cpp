// The print-order dialog driven through its object names, alone and through
// the main window's command.
#include "app/OrderDialog.h"
#include "app/MainForm.h"
#include "app/controls/DropDst.h"
#include "app/controls/QvTaskDialog.h"
#include "model/ImageInfo.h"
#include "model/ImageInfos.h"
#include "model/PhotoArea.h"
#include "model/PhotoTurn.h"
#include "testsupport/OrientedPhoto.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImageReader>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <map>
#include <memory>
#include <random>

using namespace vellora;

namespace {

class OrderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FConfig.isValid());
        ASSERT_TRUE(FDir.isValid());
        FOldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", FConfig.path().toUtf8());
        // Short dates whose text order is not their time order.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        SetExceptionHandler([this](QWidget *, const QString &message) { FMessages << message; });
    }
    void TearDown() override {
        SetExceptionHandler({});
        QLocale::setDefault(QLocale::system());
        qputenv("XDG_CONFIG_HOME", FOldConfig);
    }

    // An image file written at a given modification time.
    QString makeImage(const QString &name, const QDateTime &modified, QSize size = {8, 6}) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const QString path = FDir.path() + QLatin1Char('/') + name;
        EXPECT_TRUE(image.save(path, "PNG"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadWrite));
        EXPECT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
        return path;
    }
    // Records A..E, one per letter, all modified on 2021-09-01 unless given.
    void addRecords(TImageInfos &infos, const QString &letters) {
        for (QChar c : letters) {
            TImageInfo *info = infos.Add();
            info->SetFileName(makeImage(QString(c) + QStringLiteral(".png"), QDateTime({2021, 9, 1}, {12, 0})),
                              TImageLogging::iloLink);
        }
    }
    static QString names(const QList<TImageInfo *> &records) {
        QString s;
        for (const TImageInfo *r : records)
            s += QFileInfo(r->FileName()).completeBaseName();
        return s;
    }
    static void select(QTreeView *view, const QList<int> &rows) {
        view->clearSelection();
        for (int r : rows)
            view->selectionModel()->select(view->model()->index(r, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    static QString enabled(const TfrmOrder &d) {
        QString s;
        for (const QAction *a : {d.actAdd, d.actAddAll, d.actAddRandom, d.actAddRandomAll, d.actDelete, d.actDeleteAll})
            s += a->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }
    static QString listOrder(TfrmMain &w) {
        QString s;
        for (int i = 0; i < w.lvFile->Items().Count(); ++i)
            s += QFileInfo(w.lvFile->Items().Item(i)->AbsoluteName()).completeBaseName();
        return s;
    }

    QTemporaryDir FConfig;
    QTemporaryDir FDir;
    QByteArray FOldConfig;
    QStringList FMessages;
};

} // namespace

TEST_F(OrderTest, CommandsMoveEntriesAndFollowTheirEnabling) {
    TImageInfos infos;
    addRecords(infos, QStringLiteral("ABCDE"));
    TfrmOrder d;
    d.SetImages(&infos);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("印刷順序の変更"));
    EXPECT_EQ(d.SortSource(), -1);
    // add, add all, random, random all, delete, delete all
    EXPECT_EQ(enabled(d), QStringLiteral("010100"));

    select(d.lvSource, {3, 1});
    EXPECT_EQ(enabled(d), QStringLiteral("111100"));
    d.actAdd->trigger();
    EXPECT_EQ(names(d.Order()), QStringLiteral("BD"));   // source order, not selection order
    EXPECT_EQ(names(d.Remaining()), QStringLiteral("ACE"));
    EXPECT_EQ(enabled(d), QStringLiteral("010101"));

    select(d.lvDest, {0});
    EXPECT_EQ(enabled(d), QStringLiteral("010111"));
    d.actDelete->trigger();
    EXPECT_EQ(names(d.Order()), QStringLiteral("D"));
    EXPECT_EQ(names(d.Remaining()), QStringLiteral("ACEB"));   // back at the end

    d.actDeleteAll->trigger();
    EXPECT_EQ(names(d.Order()), QString());
    EXPECT_EQ(names(d.Remaining()), QStringLiteral("ACEBD"));
    EXPECT_EQ(enabled(d), QStringLiteral("010100"));

    d.actAddAll->trigger();
    EXPECT_EQ(names(d.Order()), QStringLiteral("ACEBD"));
    EXPECT_TRUE(d.Remaining().isEmpty());
    EXPECT_EQ(enabled(d), QStringLiteral("000001"));

    // Double click moves one entry across, either way.
    emit d.lvDest->doubleClicked(d.lvDest->model()->index(2, 0));
    EXPECT_EQ(names(d.Order()), QStringLiteral("ACBD"));
    EXPECT_EQ(names(d.Remaining()), QStringLiteral("E"));
    emit d.lvSource->doubleClicked(d.lvSource->model()->index(0, 1));
    EXPECT_EQ(names(d.Order()), QStringLiteral("ACBDE"));
}

TEST_F(OrderTest, RandomAddsMoveExactlyTheirEntriesInTheGeneratorsOrder) {
    TImageInfos infos;
    addRecords(infos, QStringLiteral("ABCDE"));
    {
        // A generator that always answers 0 makes the shuffle a rotation:
        // the order comes from the generator, not from the list.
        TfrmOrder d;
        d.Random = [](quint32) { return quint32(0); };
        d.SetImages(&infos);
        select(d.lvSource, {1, 3});
        d.actAddRandom->trigger();
        EXPECT_EQ(names(d.Order()), QStringLiteral("DB"));
        EXPECT_EQ(names(d.Remaining()), QStringLiteral("ACE"));
        d.actAddRandomAll->trigger();
        EXPECT_EQ(names(d.Order()), QStringLiteral("DBCEA"));
        EXPECT_TRUE(d.Remaining().isEmpty());
    }
    // Seeded: three of five move and only they; all five move; every order
    // of three appears about equally often.
    std::map<QString, int> seen;
    std::mt19937 engine(20261210);
    TfrmOrder d;
    d.Random = [&engine](quint32 bound) { return std::uniform_int_distribution<quint32>(0, bound - 1)(engine); };
    for (int run = 0; run < 300; ++run) {
        d.SetImages(&infos);
        select(d.lvSource, {0, 2, 4});
        d.actAddRandom->trigger();
        const QString picked = names(d.Order());
        ++seen[picked];
        ASSERT_EQ(names(d.Remaining()), QStringLiteral("BD")) << run;
        d.actAddRandomAll->trigger();
        QString all = names(d.Order());
        ASSERT_TRUE(d.Remaining().isEmpty());
        std::sort(all.begin(), all.end());
        ASSERT_EQ(all, QStringLiteral("ABCDE")) << run;
    }
    ASSERT_EQ(seen.size(), 6u);
    for (const auto &[order, count] : seen) {
        EXPECT_GT(count, 25) << order.toStdString();
        EXPECT_LT(count, 75) << order.toStdString();
    }
}

TEST_F(OrderTest, SourceSortsByValueStaysSortedAndOkAppendsTheRest) {
    // Names differ in case; file times whose short-date texts sort the
    // other way round ("10/1/21" < "9/1/21" as text).
    const struct {
        const char *name;
        QDateTime modified;
    } files[] = {
        {"b", QDateTime({2021, 10, 1}, {8, 0})},
        {"C", QDateTime({2021, 9, 1}, {8, 0})},
        {"a", QDateTime({2021, 11, 1}, {8, 0})},
        {"D", QDateTime({2021, 10, 1}, {8, 0})},   // same time as b: keeps its place after b
    };
    TImageInfos infos;
    for (const auto &f : files)
        infos.Add()->SetFileName(makeImage(QLatin1String(f.name) + QStringLiteral(".png"), f.modified),
                                 TImageLogging::iloLink);
    // A photo with a shooting date: entries without one come first.
    infos.Add()->SetFileName(test::testDataPath(QStringLiteral("photos/Canon_40D.jpg")), TImageLogging::iloLink);
    ASSERT_GT(infos.Items(4)->ShotTime(), 0);

    TfrmOrder d;
    d.SetImages(&infos);
    d.show();
    QApplication::processEvents();
    QHeaderView *header = d.lvSource->header();
    auto clickColumn = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    };
    const struct {
        int column;
        const char *expected;
    } sorts[] = {
        {0, "abCCanon_40DD"},   // without regard to case
        {2, "CbDaCanon_40D"},   // by time; the photo's file is newer than these
        {1, "CbDaCanon_40D"},   // no shooting dates stay in order, the photo last
        {0, "abCCanon_40DD"},
    };
    for (const auto &s : sorts) {
        clickColumn(s.column);
        EXPECT_EQ(d.SortSource(), s.column);
        EXPECT_EQ(names(d.Remaining()), QLatin1String(s.expected)) << s.column;
    }
    // Twice on one column stays ascending.
    clickColumn(2);
    clickColumn(2);
    EXPECT_EQ(names(d.Remaining()), QStringLiteral("CbDaCanon_40D"));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    // The display texts of the column are not what was compared.
    QStringList texts;
    for (int r = 0; r < 4; ++r)
        texts << d.lvSource->model()->index(r, 2).data().toString();
    EXPECT_TRUE(texts.first().startsWith(QStringLiteral("9/1/21 "))) << texts.first().toStdString();
    QStringList sortedTexts = texts;
    sortedTexts.sort();
    EXPECT_NE(sortedTexts, texts);

    // Entries that come back are sorted in.
    select(d.lvSource, {0, 3});
    d.actAdd->trigger();
    EXPECT_EQ(names(d.Order()), QStringLiteral("Ca"));
    select(d.lvDest, {1});
    d.actDelete->trigger();
    EXPECT_EQ(names(d.Remaining()), QStringLiteral("bDaCanon_40D"));

    // OK: what is left follows in the order shown.
    d.findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(names(d.Order()), QStringLiteral("CbDaCanon_40D"));
    EXPECT_TRUE(d.Remaining().isEmpty());
}

TEST_F(OrderTest, DropsMoveWithinAndAcrossTheLists) {
    TImageInfos infos;
    addRecords(infos, QStringLiteral("ABCDE"));
    TfrmOrder d;
    d.SetImages(&infos);
    d.actAddAll->trigger();
    QAbstractItemModel *dest = d.lvDest->model();
    QAbstractItemModel *source = d.lvSource->model();
    auto drag = [](QAbstractItemModel *from, const QList<int> &rows) {
        QModelIndexList indexes;
        for (int r : rows)
            indexes << from->index(r, 0) << from->index(r, 2);
        return std::unique_ptr<QMimeData>(from->mimeData(indexes));
    };
    const struct {
        QAbstractItemModel *from;
        QList<int> rows;
        QAbstractItemModel *to;
        int row;
        const char *order;
        const char *remaining;
    } drops[] = {
        {dest, {0, 1}, dest, 4, "CDABE", ""},   // within: before E
        {dest, {4}, source, -1, "CDAB", "E"},   // across, at the end
        {source, {0}, dest, 0, "ECDAB", ""},    // across, at the top
        {dest, {1, 3}, dest, 0, "CAEDB", ""},
    };
    for (const auto &drop : drops) {
        const auto mime = drag(drop.from, drop.rows);
        drop.to->dropMimeData(mime.get(), Qt::MoveAction, drop.row, 0, {});
        EXPECT_EQ(names(d.Order()), QLatin1String(drop.order));
        EXPECT_EQ(names(d.Remaining()), QLatin1String(drop.remaining));
    }
    // A drop onto an entry lands before it.
    auto mime = drag(dest, {4});
    dest->dropMimeData(mime.get(), Qt::MoveAction, -1, -1, dest->index(1, 0));
    EXPECT_EQ(names(d.Order()), QStringLiteral("CBAED"));
    // Rows that are not there, or another program's data, change nothing.
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << qint64(QCoreApplication::applicationPid() + 1) << quint64(reinterpret_cast<quintptr>(dest)) << QList<int>{0};
    mime->setData(QStringLiteral("application/x-vellora-order-rows"), bytes);
    source->dropMimeData(mime.get(), Qt::MoveAction, -1, 0, {});
    mime = drag(dest, {0});
    d.actDeleteAll->trigger();
    source->dropMimeData(mime.get(), Qt::MoveAction, -1, 0, {});
    EXPECT_EQ(names(d.Remaining()), QStringLiteral("CBAED"));
    EXPECT_TRUE(d.Order().isEmpty());
}

TEST_F(OrderTest, ActionsMenusAndKeys) {
    TImageInfos infos;
    addRecords(infos, QStringLiteral("ABC"));
    TfrmOrder d;
    d.SetImages(&infos);
    const struct {
        QAction *action;
        const char16_t *caption;
        QList<QKeySequence> keys;
    } actions[] = {
        {d.actAdd, u"追加", {QKeySequence(QStringLiteral("Ctrl+Left"))}},
        {d.actAddAll, u"すべて追加", {QKeySequence(QStringLiteral("Ctrl+Shift+Left"))}},
        {d.actAddRandom, u"ランダムに追加", {QKeySequence(QStringLiteral("Ctrl+R"))}},
        {d.actAddRandomAll, u"すべてランダムに追加", {QKeySequence(QStringLiteral("Ctrl+Alt+R"))}},
        {d.actDelete, u"削除", {QKeySequence(QStringLiteral("Ctrl+Right"))}},
        {d.actDeleteAll, u"すべて削除", {QKeySequence(QStringLiteral("Shift+Del")), QKeySequence(QStringLiteral("Ctrl+Shift+Right"))}},
    };
    for (const auto &a : actions) {
        EXPECT_EQ(a.action->text(), QString::fromUtf16(a.caption));
        EXPECT_EQ(a.action->toolTip(), QString::fromUtf16(a.caption));
        EXPECT_EQ(a.action->shortcuts(), a.keys) << a.action->objectName().toStdString();
    }
    EXPECT_EQ(d.pmnSource->actions(), (QList<QAction *>{d.actAdd, d.actAddAll, d.actAddRandom, d.actAddRandomAll}));
    EXPECT_EQ(d.pmnDest->actions(), (QList<QAction *>{d.actDelete, d.actDeleteAll}));

    // Keys reach the commands while the dialog is active.
    d.show();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    d.lvSource->setFocus();
    select(d.lvSource, {1});
    QTest::keyClick(d.lvSource, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(names(d.Order()), QStringLiteral("B"));
    QTest::keyClick(d.lvSource, Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(names(d.Order()), QStringLiteral("BAC"));
    d.lvDest->setFocus();
    select(d.lvDest, {0, 2});
    QTest::keyClick(d.lvDest, Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(names(d.Order()), QStringLiteral("A"));
    EXPECT_EQ(names(d.Remaining()), QStringLiteral("BC"));
    QTest::keyClick(d.lvDest, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_TRUE(d.Order().isEmpty());
    // Plain Backspace is no command.
    d.actAddAll->trigger();
    select(d.lvDest, {0});
    QTest::keyClick(d.lvDest, Qt::Key_Backspace);
    EXPECT_EQ(d.Order().size(), 3);
}

TEST_F(OrderTest, MainWindowTakesTheOrderKeepsRecordsAndSavesIt) {
    const QString doc = FDir.path() + QStringLiteral("/album.vlpf");
    TfrmMain w;
    w.OnChooseFiles = [&doc](TFileQuestion, const QString &) { return QStringList{doc}; };
    // The save-type question: embedded images.
    w.OnQuestion = [](TQvTaskDialog &, int &radio, bool &) {
        radio = 102;
        return idOk;
    };
    for (QChar c : QStringLiteral("ABCDE"))
        w.AddImageFile(makeImage(QString(c) + QStringLiteral(".png"), QDateTime({2021, 9, 1}, {12, 0}),
                                 QSize(10 + 2 * (c.unicode() - 'A'), 6)));
    w.lvFile->Items().Item(1)->SetChecked(true);
    w.lvFile->Items().Item(3)->SetChecked(true);
    w.lvFile->Items().Item(2)->SetSelected(true);
    w.Images().Items(4)->Options().SetCopies(3);
    w.Action(QStringLiteral("actSaveAs"))->trigger();
    ASSERT_TRUE(FMessages.isEmpty()) << FMessages.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(w.Document(), doc);
    ASSERT_EQ(w.Images().SaveType(), TFileSaveType::fstStream);
    w.Action(QStringLiteral("actAutoSort"))->setChecked(true);
    const std::int64_t positionOfC = w.Images().Items(2)->Position();
    ASSERT_GT(positionOfC, 0);

    // Cancel changes nothing.
    w.OnOrderDialog = [](TfrmOrder &d) {
        d.actAddRandomAll->trigger();
        d.findChild<QPushButton *>(QStringLiteral("btnCancel"))->click();
        return d.result() == QDialog::Accepted;
    };
    w.Action(QStringLiteral("actOrder"))->trigger();
    EXPECT_EQ(listOrder(w), QStringLiteral("ABCDE"));
    EXPECT_FALSE(w.DocumentModified());
    EXPECT_TRUE(w.Action(QStringLiteral("actAutoSort"))->isChecked());

    // OK on the same order changes nothing that is saved.
    w.OnOrderDialog = [](TfrmOrder &d) {
        d.actAddAll->trigger();
        d.findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
        return d.result() == QDialog::Accepted;
    };
    w.Action(QStringLiteral("actOrder"))->trigger();
    EXPECT_EQ(listOrder(w), QStringLiteral("ABCDE"));
    EXPECT_FALSE(w.DocumentModified());

    // E, then C, then OK: A, B, D follow.
    w.OnOrderDialog = [](TfrmOrder &d) {
        EXPECT_EQ(names(d.Remaining()), QStringLiteral("ABCDE"));
        select(d.lvSource, {4});
        d.actAdd->trigger();
        select(d.lvSource, {2});
        d.actAdd->trigger();
        d.findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
        return d.result() == QDialog::Accepted;
    };
    w.Action(QStringLiteral("actOrder"))->trigger();
    ASSERT_TRUE(FMessages.isEmpty()) << FMessages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(listOrder(w), QStringLiteral("ECABD"));
    EXPECT_FALSE(w.Action(QStringLiteral("actAutoSort"))->isChecked());
    EXPECT_TRUE(w.DocumentModified());
    auto &items = w.lvFile->Items();
    for (int i = 0; i < items.Count(); ++i)
        EXPECT_EQ(items.Item(i)->Data(), w.Images().Items(i)) << i;
    EXPECT_TRUE(items.Item(1)->Selected());                    // C
    EXPECT_TRUE(items.Item(3)->Checked() && items.Item(4)->Checked());   // B, D
    EXPECT_FALSE(items.Item(0)->Checked() || items.Item(1)->Checked() || items.Item(2)->Checked());
    EXPECT_EQ(w.Images().Items(1)->Position(), positionOfC);

    // Saved and opened again in the new order, with checks, copies and the
    // embedded pictures (even with their files gone).
    w.Action(QStringLiteral("actSavePaper"))->trigger();
    ASSERT_TRUE(FMessages.isEmpty()) << FMessages.join(QLatin1Char('\n')).toStdString();
    for (QChar c : QStringLiteral("ABCDE"))
        ASSERT_TRUE(QFile::remove(FDir.path() + QLatin1Char('/') + c + QStringLiteral(".png")));
    TfrmMain reopened;
    reopened.OnQuestion = [this](TQvTaskDialog &d, int &, bool &) {
        FMessages << d.Instruction();
        return idCancel;
    };
    ASSERT_TRUE(reopened.OpenDocument(doc));
    EXPECT_EQ(listOrder(reopened), QStringLiteral("ECABD"));
    const char *checked = "00011";
    for (int i = 0; i < 5; ++i) {
        const TImageInfo *info = reopened.Images().Items(i);
        EXPECT_EQ(reopened.lvFile->Items().Item(i)->Checked(), checked[i] == '1') << i;
        const TLoadedPicture picture = LoadAreaPicture(*info, doc);
        const int letter = QFileInfo(info->FileName()).completeBaseName().at(0).unicode() - 'A';
        EXPECT_EQ(picture.image.width(), 10 + 2 * letter) << i;
    }
    EXPECT_EQ(reopened.Images().Items(0)->Options().Copies(), 3);
    EXPECT_TRUE(FMessages.isEmpty()) << FMessages.join(QLatin1Char('\n')).toStdString();
}

TEST_F(OrderTest, PreviewColumnWidthsPlacementAndRender) {
    TfrmMain w;
    const QString photo = test::testDataPath(QStringLiteral("photos/Canon_40D.jpg"));
    const QString wide = makeImage(QStringLiteral("wide.png"), QDateTime({2021, 9, 1}, {12, 0}), {900, 300});
    const QString gone = makeImage(QStringLiteral("gone.png"), QDateTime({2021, 9, 1}, {12, 0}), {40, 20});
    w.AddImageFile(wide);
    w.AddImageFile(photo);
    w.AddImageFile(gone);
    w.AddImageFile(test::testDataPath(QStringLiteral("photos/Olympus_C8080WZ.jpg")));
    w.lvFile->WaitForThumbnails();
    ASSERT_TRUE(QFile::remove(gone));
    w.AddImageFile(FDir.path() + QStringLiteral("/never-there.png"));
    {
        TfrmOrder d(&w);
        d.SetImages(&w.Images());
        d.show();
        QApplication::processEvents();
        // The file itself: a large one reduced to the box with its
        // proportions, a small one at its own size.
        select(d.lvSource, {0});
        const QSizeF box = d.imgPrev->size();
        QSizeF shown = d.imgPrev->Picture().deviceIndependentSize();
        ASSERT_FALSE(shown.isEmpty());
        EXPECT_TRUE(shown.width() <= box.width() + 0.5 && shown.height() <= box.height() + 0.5);
        EXPECT_NEAR(shown.width(), box.width(), 1.0) << shown.width() << " in " << box.width();
        EXPECT_NEAR(shown.width() / shown.height(), 3.0, 0.05);
        select(d.lvSource, {1});
        shown = d.imgPrev->Picture().deviceIndependentSize();
        EXPECT_EQ(shown, QSizeF(QImageReader(photo).size()));
        // A vanished file: the list's thumbnail; nothing at all: empty.
        select(d.lvSource, {2});
        EXPECT_FALSE(d.imgPrev->Picture().isNull());
        select(d.lvSource, {4});
        EXPECT_TRUE(d.imgPrev->Picture().isNull());

        select(d.lvSource, {0, 1});
        d.actAdd->trigger();
        select(d.lvSource, {0});
        QApplication::setFont(QFont(test::testFontFamily(), 9));
        d.setFont(QFont(test::testFontFamily(), 9));
        d.resize(1100, 480);
        QApplication::processEvents();
        QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
        EXPECT_TRUE(d.grab().save(QStringLiteral(VELLORA_RENDER_DIR "/frmOrder.png")));
        QApplication::setFont(QFont());
        d.lvSource->header()->resizeSection(0, 201);
        d.lvDest->header()->resizeSection(2, 77);
    }
    EXPECT_EQ(w.Ini().ReadInt(QStringLiteral("frmOrder.lvSource"), QStringLiteral("0"), 0), 201);
    EXPECT_EQ(w.Ini().ReadInt(QStringLiteral("frmOrder.lvDest"), QStringLiteral("2"), 0), 77);
    TfrmOrder again(&w);
    EXPECT_EQ(again.lvSource->header()->sectionSize(0), 201);
    EXPECT_EQ(again.lvDest->header()->sectionSize(2), 77);
    EXPECT_EQ(again.size(), QSize(1100, 480));
}

TEST_F(OrderTest, PreviewShowsThePhotoUpright) {
    const QString photo = FDir.path() + QStringLiteral("/marker.jpg");
    ASSERT_TRUE(test::writeOrientedMarker(photo, 120, 80, 6));   // stored 80 × 120
    TExifRotateScope on(true);
    TfrmMain w;
    w.AddImageFile(photo);
    TfrmOrder d(&w);
    d.SetImages(&w.Images());
    d.show();
    QApplication::processEvents();
    select(d.lvSource, {0});
    const QImage shown = d.imgPrev->Picture();
    ASSERT_GT(shown.width(), shown.height());
    const QRgb topLeft = shown.pixel(shown.width() / 4, shown.height() / 4);
    EXPECT_GT(qRed(topLeft), 200) << std::hex << topLeft;
    EXPECT_LT(qBlue(topLeft), 60) << std::hex << topLeft;
}
