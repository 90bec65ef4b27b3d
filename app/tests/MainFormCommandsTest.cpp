// The main window's list and document commands, driven offscreen; every
// question is answered through the window's question hook.
#include "app/CommentDialog.h"
#include "app/ImageOptionDialog.h"
#include "app/MainForm.h"
#include "app/controls/DropDst.h"
#include "app/controls/ProgressForm.h"
#include "app/controls/QvTaskDialog.h"
#include "imagelist/tests/JpegBuilder.h"
#include "model/Document.h"
#include "model/ImageInfo.h"
#include "model/ImageInfos.h"
#include "model/PaperPrinter.h"
#include "model/PhotoPaper.h"
#include "testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSet>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QMimeData>
#include <QDropEvent>
#include <QUrl>
#include <QtEndian>
#include <atomic>

using namespace vellora;

namespace {

struct Asked {
    QString Instruction;
    QString Content;
    QString ExpandContent;
    QString CollapsedControlText;
    int DefaultRadio = 0;
    int Radios = 0;
};

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FConfig.isValid());
        ASSERT_TRUE(FDir.isValid());
        FOldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", FConfig.path().toUtf8());
        SetExceptionHandler([this](QWidget *, const QString &message) { FMessages << message; });
    }
    void TearDown() override {
        SetExceptionHandler({});
        qputenv("XDG_CONFIG_HOME", FOldConfig);
    }
    // Questions take their answers from FAnswers (button, radio) in turn.
    void hook(TfrmMain &w) {
        w.OnQuestion = [this](TQvTaskDialog &d, int &radio, bool &checked) {
            Asked a{d.Instruction(), d.Content(), d.ExpandContent(), d.CollapsedControlText, d.DefaultRadioButtonID,
                    d.RadioButtons.Count()};
            FAsked << a;
            const auto [button, r] = FAnswers.isEmpty() ? std::pair{idCancel, 0} : FAnswers.takeFirst();
            radio = r;
            // The save-type question follows the chosen radio button.
            if (d.OnSelect && r)
                d.OnSelect(d, r);
            FAsked.last().ExpandContent = d.ExpandContent();
            checked = false;
            return button;
        };
        w.OnChooseFiles = [this](TFileQuestion q, const QString &) {
            FChosenFor << int(q);
            return FFiles.isEmpty() ? QStringList() : FFiles.takeFirst();
        };
    }
    QString makeImage(const QString &name, int width, int height, QColor colour = Qt::darkCyan) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = FDir.path() + QLatin1Char('/') + name;
        EXPECT_TRUE(image.save(path, "PNG"));
        return path;
    }
    static QString order(TfrmMain &w) {
        QString s;
        for (int i = 0; i < w.lvFile->Items().Count(); ++i)
            s += QFileInfo(w.lvFile->Items().Item(i)->AbsoluteName()).baseName();
        return s;
    }
    // Selection-bound commands wake up with the queued selection event.
    static void select(TfrmMain &w, const QList<int> &indexes) {
        w.lvFile->ClearSelection();
        for (int i : indexes)
            w.lvFile->Items().Item(i)->SetSelected(true);
        QApplication::processEvents();
    }
    // Entries A, B, C, ... of one size each.
    void addLetters(TfrmMain &w, const QString &letters) {
        for (QChar c : letters)
            w.AddImageFile(makeImage(QString(c) + QStringLiteral(".png"), 8, 8));
    }

    QTemporaryDir FConfig;
    QTemporaryDir FDir;
    QByteArray FOldConfig;
    QStringList FMessages;
    QList<Asked> FAsked;
    QList<std::pair<int, int>> FAnswers;
    QList<QStringList> FFiles;
    QList<int> FChosenFor;
};

} // namespace

TEST_F(CommandsTest, MovesKeepABlockAtTheEdgeAndTheOrderWithin) {
    struct Case {
        const char *action;
        QList<int> selected;
        const char *expected;
    } cases[] = {
        {"actMoveUp", {0, 1}, "ABCD"},   {"actMoveUp", {1, 2}, "BCAD"},   {"actMoveUp", {2}, "ACBD"},
        {"actMoveDown", {2, 3}, "ABCD"}, {"actMoveDown", {0, 1}, "CABD"}, {"actMoveDown", {1}, "ACBD"},
        {"actMoveFirst", {0, 2}, "ACBD"}, {"actMoveFirst", {1, 3}, "BDAC"}, {"actMoveLast", {3}, "ABCD"},
        {"actMoveLast", {0, 2}, "BDAC"},
    };
    for (const Case &c : cases) {
        TfrmMain w;
        hook(w);
        addLetters(w, QStringLiteral("ABCD"));
        w.Action(QStringLiteral("actAutoSort"))->setChecked(true);
        select(w, c.selected);
        w.Action(QString::fromLatin1(c.action))->trigger();
        EXPECT_EQ(order(w), QString::fromLatin1(c.expected)) << c.action << " " << c.selected.size();
        EXPECT_FALSE(w.Action(QStringLiteral("actAutoSort"))->isChecked()) << c.action;
        // The moved entries stay selected.
        EXPECT_EQ(w.lvFile->SelCount(), c.selected.size()) << c.action;
    }
}

TEST_F(CommandsTest, SortsAreStableColumnFourAlternatesAndTheRadioFollows) {
    TfrmMain w;
    hook(w);
    // Names against sizes: b 30x10, a 20x30, c 20x10, d 30x10 (a tie with b).
    w.AddImageFile(makeImage(QStringLiteral("b.png"), 30, 10));
    w.AddImageFile(makeImage(QStringLiteral("a.png"), 20, 30));
    w.AddImageFile(makeImage(QStringLiteral("c.png"), 20, 10));
    w.AddImageFile(makeImage(QStringLiteral("d.png"), 30, 10));
    ASSERT_EQ(order(w), QStringLiteral("bacd"));   // no auto sort: add order
    w.lvFile->OnColumnClick(*w.lvFile, 4);
    EXPECT_EQ(order(w), QStringLiteral("cabd"));   // width, ties by height, b before d kept
    EXPECT_TRUE(w.Action(QStringLiteral("actSortImageWidth"))->isChecked());
    w.lvFile->OnColumnClick(*w.lvFile, 4);
    EXPECT_EQ(order(w), QStringLiteral("cbda"));   // height, ties by width
    EXPECT_TRUE(w.Action(QStringLiteral("actSortImageHeight"))->isChecked());
    // Two more clicks: the same two, descending; then ascending again.
    QHeaderView *header = w.lvFile->TreeView()->header();
    EXPECT_TRUE(header->isSortIndicatorShown());
    EXPECT_EQ(header->sortIndicatorSection(), 4);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    w.lvFile->OnColumnClick(*w.lvFile, 4);
    EXPECT_EQ(order(w), QStringLiteral("bdac"));   // width down, ties by height down, b before d kept
    EXPECT_TRUE(w.Action(QStringLiteral("actSortImageWidth"))->isChecked());
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    w.lvFile->OnColumnClick(*w.lvFile, 4);
    EXPECT_EQ(order(w), QStringLiteral("abdc"));
    w.lvFile->OnColumnClick(*w.lvFile, 4);
    EXPECT_EQ(order(w), QStringLiteral("cabd"));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    // Another column starts ascending; its second click turns it round.
    w.lvFile->OnColumnClick(*w.lvFile, 0);
    EXPECT_EQ(order(w), QStringLiteral("abcd"));
    EXPECT_EQ(header->sortIndicatorSection(), 0);
    w.lvFile->OnColumnClick(*w.lvFile, 0);
    EXPECT_EQ(order(w), QStringLiteral("dcba"));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    w.Action(QStringLiteral("actSortFileName"))->trigger();
    EXPECT_EQ(order(w), QStringLiteral("abcd"));
    // A one-off sort leaves later adds at the end; auto sort places them.
    w.AddImageFile(makeImage(QStringLiteral("0.png"), 5, 5));
    EXPECT_EQ(order(w), QStringLiteral("abcd0"));
    w.Action(QStringLiteral("actAutoSort"))->trigger();
    EXPECT_EQ(order(w), QStringLiteral("0abcd"));
    w.AddImageFile(makeImage(QStringLiteral("bb.png"), 5, 5));
    EXPECT_EQ(order(w), QStringLiteral("0abbbcd"));
}

TEST_F(CommandsTest, ViewStyleCyclesAndRestoreKeysComeBack) {
    {
        TfrmMain w;
        EXPECT_EQ(w.lvFile->ViewStyle(), TImageViewStyle::ivsThumbnail);
        const TImageViewStyle cycle[] = {TImageViewStyle::ivsList, TImageViewStyle::ivsReport,
                                         TImageViewStyle::ivsThumbnail, TImageViewStyle::ivsList};
        for (TImageViewStyle s : cycle) {
            w.Action(QStringLiteral("actViewStyle"))->trigger();
            EXPECT_EQ(w.lvFile->ViewStyle(), s);
        }
        EXPECT_TRUE(w.Action(QStringLiteral("actViewList"))->isChecked());
        w.Action(QStringLiteral("actViewDetail"))->trigger();
        w.Action(QStringLiteral("actSortCopies"))->trigger();
        w.Action(QStringLiteral("actAutoSort"))->trigger();
    }
    TfrmMain again;
    EXPECT_EQ(again.lvFile->ViewStyle(), TImageViewStyle::ivsReport);
    EXPECT_TRUE(again.Action(QStringLiteral("actViewDetail"))->isChecked());
    EXPECT_TRUE(again.Action(QStringLiteral("actSortCopies"))->isChecked());
    EXPECT_TRUE(again.Action(QStringLiteral("actAutoSort"))->isChecked());
}

TEST_F(CommandsTest, SelectionChecksAndDelete) {
    TfrmMain w;
    hook(w);
    addLetters(w, QStringLiteral("ABCD"));
    w.Action(QStringLiteral("actSelectAll"))->trigger();
    QApplication::processEvents();
    EXPECT_EQ(w.lvFile->SelCount(), 4);
    select(w, {0, 2});
    w.Action(QStringLiteral("actRevSelection"))->trigger();
    EXPECT_FALSE(w.lvFile->Items().Item(0)->Selected());
    EXPECT_TRUE(w.lvFile->Items().Item(1)->Selected());
    EXPECT_TRUE(w.lvFile->Items().Item(3)->Selected());
    w.Action(QStringLiteral("actCheck"))->trigger();
    EXPECT_EQ(w.CheckedCount(), 2);
    select(w, {0, 1});
    w.Action(QStringLiteral("actRevCheck"))->trigger();
    EXPECT_TRUE(w.lvFile->Items().Item(0)->Checked());
    EXPECT_FALSE(w.lvFile->Items().Item(1)->Checked());
    w.Action(QStringLiteral("actClearCheck"))->trigger();
    EXPECT_EQ(w.CheckedCount(), 1);   // D only
    w.Action(QStringLiteral("actClearSelection"))->trigger();
    EXPECT_EQ(w.lvFile->SelCount(), 0);

    select(w, {1, 2});
    FAnswers = {{idNo, 0}, {idYes, 0}};
    w.Action(QStringLiteral("actDeleteImage"))->trigger();
    EXPECT_EQ(order(w), QStringLiteral("ABCD"));
    w.Action(QStringLiteral("actDeleteImage"))->trigger();
    EXPECT_EQ(order(w), QStringLiteral("AD"));
    ASSERT_EQ(w.Images().Count(), 2);
    EXPECT_EQ(w.lvFile->Items().Item(0)->Data(), w.Images().Items(0));
    EXPECT_EQ(w.lvFile->Items().Item(1)->Data(), w.Images().Items(1));
    ASSERT_EQ(FAsked.size(), 2);
    EXPECT_EQ(FAsked[0].Instruction, QStringLiteral("画像を削除しますか"));
    EXPECT_EQ(FAsked[0].Content, QStringLiteral("選択した画像を削除してよろしいですか？"));
    FAnswers = {{idYes, 0}};
    w.Action(QStringLiteral("mitClearImage"))->trigger();
    EXPECT_EQ(w.lvFile->Items().Count(), 0);
    EXPECT_EQ(w.Images().Count(), 0);
    EXPECT_EQ(FAsked.last().Content, QStringLiteral("すべての画像を削除してよろしいですか？"));
}

TEST_F(CommandsTest, AddFolderTakesImagesInNameOrderAndCancelAsks) {
    QDir(FDir.path()).mkdir(QStringLiteral("sub"));
    makeImage(QStringLiteral("sub/inner.png"), 4, 4);
    makeImage(QStringLiteral("IMG_10.png"), 4, 4);
    makeImage(QStringLiteral("IMG_2.png"), 4, 4);
    QFile::copy(test::testDataPath(QStringLiteral("images/halves.jpg")), FDir.path() + QStringLiteral("/UPPER.JPG"));
    QFile::copy(test::testDataPath(QStringLiteral("images/halves.jpg")), FDir.path() + QStringLiteral("/._IMG_0001.JPG"));
    QFile note(FDir.path() + QStringLiteral("/note.txt"));
    ASSERT_TRUE(note.open(QIODevice::WriteOnly));
    note.close();
    TfrmMain w;
    hook(w);
    FFiles = {{FDir.path()}};
    w.Action(QStringLiteral("actAddFolder"))->trigger();
    QStringList names;
    for (int i = 0; i < w.lvFile->Items().Count(); ++i)
        names << w.lvFile->Items().Item(i)->Caption();
    EXPECT_EQ(names.join(QLatin1Char(',')), QStringLiteral("IMG_2.png,IMG_10.png,UPPER.JPG"));
    EXPECT_EQ(FChosenFor, QList<int>{int(TFileQuestion::fqFolder)});
    EXPECT_TRUE(FAsked.isEmpty());

    // The image dialog's files: cancel during the loop asks; No goes on.
    // What the user picked goes in whatever its extension.
    TfrmMain v;
    hook(v);
    const QString a = makeImage(QStringLiteral("x1.png"), 4, 4), b = makeImage(QStringLiteral("x2.png"), 4, 4);
    const QString c = makeImage(QStringLiteral("x3.picture"), 5, 3);
    FFiles = {{a, b, c}};
    FAnswers = {{idNo, 0}};
    QTimer::singleShot(0, &v, [&v] {
        if (v.Progress())
            v.Progress()->cancelClicked();
    });
    v.Action(QStringLiteral("actAddImage"))->trigger();
    ASSERT_EQ(v.lvFile->Items().Count(), 3);
    EXPECT_EQ(v.Images()[2]->ImageSize(), (TIntSize{5, 3}));
}

// Enough files for several slices and more than the reader reads ahead, in
// a folder whose natural order differs from both the text order and the
// order the files were made in; one of them has a damaged Exif block.
TEST_F(CommandsTest, LargeFolderKeepsNameOrderSortsOnceAndStopsAtACancel) {
    const QString folder = FDir.path() + QStringLiteral("/many");
    ASSERT_TRUE(QDir().mkpath(folder));
    constexpr int kFiles = 600;
    auto widthOf = [](int n) { return n % 7 + 1; };
    QStringList expected;
    for (int n = 1; n <= kFiles; ++n)
        expected << QStringLiteral("P%1").arg(n);
    for (int i = 0; i < kFiles; ++i) {
        const int n = (i * 7 + 3) % kFiles + 1;   // made out of order
        QImage image(widthOf(n), 2, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        ASSERT_TRUE(image.save(folder + QStringLiteral("/P%1.png").arg(n), "PNG"));
    }
    // P300 becomes a JPEG whose Exif IFD points past its segment.
    QFile::remove(folder + QStringLiteral("/P300.png"));
    QFile source(test::testDataPath(QStringLiteral("images/halves.jpg")));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray jpeg = source.readAll();
    const QByteArray tiff = QByteArray("Exif\0\0II*\0", 10) + QByteArray("\x00\xff\xff\x7f", 4) + QByteArray(8, '\0');
    const QByteArray app1 = QByteArray("\xff\xe1\x00", 3) + char(tiff.size() + 2) + tiff;
    const QString damaged = folder + QStringLiteral("/P300.jpg");
    QFile out(damaged);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(jpeg.left(2) + app1 + jpeg.mid(2));
    out.close();
    {
        TImageInfo probe;
        ASSERT_ANY_THROW(probe.SetFileName(damaged, TImageLogging::iloLink));
    }
    expected[299] = QStringLiteral("P300");

    auto names = [](TfrmMain &w) {
        QStringList list;
        for (int i = 0; i < w.lvFile->Items().Count(); ++i)
            list << QFileInfo(w.lvFile->Items().Item(i)->Caption()).baseName();
        return list;
    };
    // Every entry has its own record, with the size from the file; records
    // keep the order of adding (a sort reorders them only when saving).
    auto checkRecords = [&](TfrmMain &w, bool sorted) {
        ASSERT_EQ(w.Images().Count(), w.lvFile->Items().Count());
        QSet<TImageInfo *> records;
        for (int i = 0; i < w.Images().Count(); ++i) {
            TImageListItem *item = w.lvFile->Items().Item(i);
            ASSERT_NE(item->Data(), nullptr);
            records.insert(item->Data());
            if (!sorted) {
                ASSERT_EQ(item->Data(), w.Images().Items(i)) << i;
            }
            const int n = QFileInfo(item->Caption()).baseName().mid(1).toInt();
            const TIntSize size = item->Data()->ImageSize();
            if (n == 300)
                EXPECT_EQ(size, (TIntSize{QImage(source.fileName()).width(), QImage(source.fileName()).height()}));
            else
                EXPECT_EQ(size, (TIntSize{widthOf(n), 2})) << n;
        }
        EXPECT_EQ(records.size(), w.Images().Count());
    };

    {
        TfrmMain w;
        hook(w);
        w.AddFolder(folder);
        EXPECT_EQ(names(w), expected);
        checkRecords(w, false);
        EXPECT_TRUE(FAsked.isEmpty());
    }
    {
        // Auto sort by width: sorted at the end, ties in the order they came.
        TfrmMain w;
        hook(w);
        w.Action(QStringLiteral("actSortImageWidth"))->trigger();
        w.SetAutoSort(true);
        w.AddFolder(folder);
        const QStringList got = names(w);
        QStringList sorted = expected;
        std::stable_sort(sorted.begin(), sorted.end(), [&](const QString &a, const QString &b) {
            auto width = [&](const QString &name) {
                return name == QLatin1String("P300") ? QImage(source.fileName()).width() : widthOf(name.mid(1).toInt());
            };
            return width(a) < width(b);
        });
        EXPECT_EQ(got, sorted);
        checkRecords(w, true);
    }
    // A cancel answered No goes on; Yes stops after the entries already in.
    for (const int answer : {idNo, idYes}) {
        TfrmMain w;
        hook(w);
        w.SetAutoSort(false);
        FAsked.clear();
        FAnswers = {{answer, 0}};
        int inserted = 0;
        auto previous = w.lvFile->OnInsert;
        w.lvFile->OnInsert = [&](TImageListView &view, TImageListItem &item) {
            previous(view, item);
            if (++inserted == 100)
                w.Progress()->cancelClicked();
        };
        w.AddFolder(folder);
        ASSERT_EQ(FAsked.size(), 1);
        EXPECT_EQ(FAsked.first().Instruction, QStringLiteral("画像の追加を中止しますか？"));
        EXPECT_EQ(names(w), answer == idYes ? expected.mid(0, 100) : expected) << answer;
        checkRecords(w, false);
        EXPECT_EQ(w.Progress(), nullptr);
    }
}

TEST_F(CommandsTest, CommentsGatherAndCopiesAskForSeveral) {
    TfrmMain w;
    hook(w);
    addLetters(w, QStringLiteral("ABC"));
    for (int i = 0; i < 3; ++i)
        w.Images().Items(i)->Options().SetComment({QStringLiteral("A")});
    w.Action(QStringLiteral("actSelectAll"))->trigger();
    QApplication::processEvents();
    QStringList shown;
    w.OnCommentDialog = [&shown](TfrmComment &d) {
        shown = d.Lines();
        d.SetLines({QStringLiteral("new")});
        return true;
    };
    w.Action(QStringLiteral("actComment"))->trigger();
    EXPECT_EQ(shown, QStringList{QStringLiteral("A")});
    EXPECT_TRUE(FAsked.isEmpty());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(w.Images().Items(i)->Options().Comment(), QStringList{QStringLiteral("new")});
    EXPECT_TRUE(w.DocumentModified());

    // Different comments: the question, and all of them gathered.
    w.SetDocumentModified(false);
    w.Images().Items(1)->Options().SetComment({QStringLiteral("B")});
    FAnswers = {{idYes, 0}};
    w.Action(QStringLiteral("actComment"))->trigger();
    EXPECT_EQ(shown, (QStringList{QStringLiteral("new"), QStringLiteral("B"), QStringLiteral("new")}));
    ASSERT_EQ(FAsked.size(), 1);
    EXPECT_EQ(FAsked[0].Instruction, QStringLiteral("コメントを編集しますか"));

    // Copies on two entries: No changes nothing; Yes copies, comments stay.
    w.Images().Items(0)->Options().SetComment({QStringLiteral("first")});
    w.Images().Items(1)->Options().SetComment({QStringLiteral("second")});
    select(w, {0, 1});
    int page = -1;
    w.OnImageOptionDialog = [&page](TfrmImageOpt &d) {
        page = d.pgcMain->currentIndex();
        d.edtCopies->setValue(7);
        return true;
    };
    FAnswers = {{idNo, 0}};
    w.Action(QStringLiteral("actCopies"))->trigger();
    EXPECT_EQ(w.Images().Items(0)->Options().Copies(), 1);
    EXPECT_EQ(w.Images().Items(1)->Options().Copies(), 1);
    EXPECT_EQ(page, -1);
    FAnswers = {{idYes, 0}};
    w.Action(QStringLiteral("actCopies"))->trigger();
    EXPECT_EQ(page, 1);
    EXPECT_EQ(w.Images().Items(0)->Options().Copies(), 7);
    EXPECT_EQ(w.Images().Items(1)->Options().Copies(), 7);
    EXPECT_EQ(w.Images().Items(2)->Options().Copies(), 1);
    EXPECT_EQ(w.Images().Items(1)->Options().Comment(), QStringList{QStringLiteral("second")});
    EXPECT_EQ(w.lvFile->Items().Item(1)->SubItems().value(4), QStringLiteral("7"));
    EXPECT_EQ(FAsked.last().Instruction, QStringLiteral("設定を変更しますか"));
    select(w, {2});
    w.Action(QStringLiteral("actImageProp"))->trigger();
    EXPECT_EQ(page, 0);
}

TEST_F(CommandsTest, ImageOptionDialogLoadsWritesAndLeavesParentGroups) {
    TPhotoOption option;
    option.SetHorizontalAlign(TPhotoAlign::paRightBottom);
    option.SetPhotoSize(TPhotoSize::psLarge);
    option.SetRotate(TPhotoRotate::pr90);
    option.SetCopies(3);
    TfrmImageOpt d;
    d.SetOption(option);
    EXPECT_DOUBLE_EQ(d.edtScale->value(), 100);   // a stored 0 shows 100
    EXPECT_EQ(d.edtCopies->maximum(), 99);
    EXPECT_FALSE(d.cmbHorzAlign->isEnabled() && d.cmbHorzAlign->parentWidget()->isEnabled());
    // Size individual, by scale: scale on, limit off.
    d.cmbParentSize->setCurrentIndex(2);
    d.cmbPhotoSize->setCurrentIndex(3);
    d.edtScale->setValue(150);
    d.edtCopies->setValue(0);
    d.cmbRotate->setCurrentIndex(4);   // ignored: rotation follows its parent
    EXPECT_TRUE(d.edtScale->isEnabled());
    EXPECT_FALSE(d.cmbSizeLimit->isEnabled());
    EXPECT_FALSE(d.cmbRotate->isEnabled());
    d.GetOption(option);
    EXPECT_EQ(option.ParentSize(), TParentMode::pamOrigin);
    EXPECT_EQ(option.PhotoSize(), TPhotoSize::psScale);
    EXPECT_DOUBLE_EQ(option.PhotoScale(), 1.5);
    EXPECT_EQ(option.Copies(), 0);
    EXPECT_EQ(option.Rotate(), TPhotoRotate::pr90);
    EXPECT_EQ(option.HorizontalAlign(), TPhotoAlign::paRightBottom);
    EXPECT_FALSE(d.CommentEdited());
}

TEST_F(CommandsTest, DocumentRoundTripKeepsOrderChecksCopiesAndComments) {
    const QString doc = FDir.path() + QStringLiteral("/album");
    {
        TfrmMain w;
        hook(w);
        addLetters(w, QStringLiteral("CAB"));
        w.Action(QStringLiteral("actSortFileName"))->trigger();
        ASSERT_EQ(order(w), QStringLiteral("ABC"));
        w.lvFile->Items().Item(1)->SetChecked(true);
        w.lvFile->Items().Item(2)->Data()->Options().SetCopies(4);
        w.lvFile->Items().Item(0)->Data()->Options().SetComment({QStringLiteral("note")});
        // Save as a link document: the name gets its extension.
        FFiles = {{doc}};
        FAnswers = {{idOk, 101}};
        w.Action(QStringLiteral("actSaveAs"))->trigger();
        ASSERT_TRUE(FMessages.isEmpty()) << FMessages.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(w.Document(), doc + QStringLiteral(".vlpf"));
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Vellora 9 - album.vlpf[*]"));
        EXPECT_FALSE(w.DocumentModified());
        ASSERT_EQ(FAsked.size(), 1);
        EXPECT_EQ(FAsked[0].Instruction, QStringLiteral("保存形式を選択してください。"));
        EXPECT_EQ(FAsked[0].DefaultRadio, 101);   // a new document with photos: links keep them
        EXPECT_EQ(FAsked[0].Radios, 3);
        EXPECT_EQ(FAsked[0].CollapsedControlText, QStringLiteral("詳細情報"));
        EXPECT_TRUE(FAsked[0].ExpandContent.startsWith(QStringLiteral("用紙のレイアウトと、画像ファイル名")));
        // New paper, Yes: the list goes, name and title stay.
        FAnswers = {{idYes, 0}};
        w.Action(QStringLiteral("mitNewPaper"))->trigger();
        EXPECT_EQ(w.lvFile->Items().Count(), 0);
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Vellora 9 - album.vlpf[*]"));
    }
    TfrmMain w;
    hook(w);
    FFiles = {{doc + QStringLiteral(".vlpf")}};
    w.Action(QStringLiteral("actOpenPaper"))->trigger();
    ASSERT_TRUE(FMessages.isEmpty()) << FMessages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(order(w), QStringLiteral("ABC"));
    EXPECT_FALSE(w.lvFile->Items().Item(0)->Checked());
    EXPECT_TRUE(w.lvFile->Items().Item(1)->Checked());
    EXPECT_EQ(w.lvFile->Items().Item(2)->SubItems().value(4), QStringLiteral("4"));
    EXPECT_EQ(w.lvFile->Items().Item(0)->Data()->Options().Comment(), QStringList{QStringLiteral("note")});
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vellora 9 - album.vlpf[*]"));
    EXPECT_FALSE(w.DocumentModified());

    // Opening again over a full list: 101 clears it first.
    FFiles = {{doc + QStringLiteral(".vlpf")}};
    FAnswers = {{idOk, 101}};
    w.Action(QStringLiteral("actOpenPaper"))->trigger();
    EXPECT_EQ(order(w), QStringLiteral("ABC"));
    EXPECT_EQ(FAsked.last().Instruction, QStringLiteral("画像の読み込み方法を選択してください。"));
    EXPECT_FALSE(w.DocumentModified());
    // 100 adds to the list: the entries kept are not in the file, so closing
    // must ask before they are lost.
    FFiles = {{doc + QStringLiteral(".vlpf")}};
    FAnswers = {{idOk, 100}};
    w.Action(QStringLiteral("actOpenPaper"))->trigger();
    EXPECT_EQ(order(w), QStringLiteral("ABCABC"));
    EXPECT_TRUE(w.DocumentModified());
    FFiles = {{doc + QStringLiteral(".vlpf")}};
    FAnswers = {{idNo, 0}, {idOk, 101}};   // the save question, then the load question
    w.Action(QStringLiteral("actOpenPaper"))->trigger();
    EXPECT_EQ(order(w), QStringLiteral("ABC"));
    // A non-document is refused with a message, a truncated one changes nothing.
    const QString text = makeImage(QStringLiteral("plain.png"), 2, 2);
    FFiles = {{text}};
    w.Action(QStringLiteral("actOpenPaper"))->trigger();
    EXPECT_EQ(FMessages.size(), 1);
    QFile full(doc + QStringLiteral(".vlpf"));
    ASSERT_TRUE(full.open(QIODevice::ReadOnly));
    const QByteArray bytes = full.readAll();
    full.close();
    QFile cut(FDir.path() + QStringLiteral("/cut.vlpf"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(bytes.left(bytes.size() - 20));
    cut.close();
    // The paper part reads, the list does not: "clear the list" chosen, and
    // still neither list nor paper nor the printer binding changes.
    w.Paper().SetPaperName(QStringLiteral("mine"));
    FFiles = {{cut.fileName()}};
    FAnswers = {{idOk, 101}};
    w.Action(QStringLiteral("actOpenPaper"))->trigger();
    EXPECT_EQ(FMessages.size(), 2);
    EXPECT_EQ(order(w), QStringLiteral("ABC"));
    EXPECT_EQ(w.Images().Count(), 3);
    EXPECT_EQ(w.Document(), doc + QStringLiteral(".vlpf"));
    EXPECT_EQ(w.Paper().PaperName(), QStringLiteral("mine"));
    EXPECT_EQ(PaperPrinter().Paper(), &w.Paper());
}

TEST_F(CommandsTest, ConfirmSaveAndNewPaperAnswers) {
    struct Case {
        int answer;
        bool unnamedSaveCancelled;
        bool result;
    } cases[] = {{idNo, false, true}, {idCancel, false, false}, {idYes, true, false}};
    for (const Case &c : cases) {
        TfrmMain w;
        hook(w);
        w.SetDocumentModified(true);
        FAnswers = {{c.answer, 0}};
        FAsked.clear();
        EXPECT_EQ(w.ConfirmSave(), c.result) << c.answer;
        ASSERT_FALSE(FAsked.isEmpty());
        EXPECT_EQ(FAsked[0].Instruction, QStringLiteral("保存しますか"));
        EXPECT_EQ(FAsked[0].Content, QStringLiteral("新規ドキュメントは変更されています。保存しますか？"));
        EXPECT_TRUE(w.DocumentModified());
    }
    // New paper: No keeps the images, Cancel does nothing, a clean document is not asked about.
    TfrmMain w;
    hook(w);
    addLetters(w, QStringLiteral("AB"));
    w.Paper().SetPaperName(QStringLiteral("mine"));
    w.SetDocumentModified(false);   // as if saved: only the list question comes
    FAsked.clear();
    FAnswers = {{idCancel, 0}};
    w.Action(QStringLiteral("mitNewPaper"))->trigger();
    EXPECT_EQ(w.Paper().PaperName(), QStringLiteral("mine"));
    FAnswers = {{idNo, 0}};
    w.Action(QStringLiteral("mitNewPaper"))->trigger();
    EXPECT_EQ(w.lvFile->Items().Count(), 2);
    EXPECT_EQ(w.Paper().PaperName(), QStringLiteral("新規の用紙"));
    ASSERT_EQ(FAsked.size(), 2);
    EXPECT_EQ(FAsked[0].Instruction, QStringLiteral("画像を消去しますか"));
}

TEST_F(CommandsTest, FailedSaveKeepsTheOldDocumentAndTheName) {
    TfrmMain w;
    hook(w);
    addLetters(w, QStringLiteral("A"));
    const QString doc = FDir.path() + QStringLiteral("/keep.vlpf");
    FFiles = {{doc}};
    FAnswers = {{idOk, 101}};
    w.Action(QStringLiteral("actSaveAs"))->trigger();
    ASSERT_TRUE(QFileInfo(doc).isFile());
    EXPECT_FALSE(w.isWindowModified());
    w.SetDocumentModified(true);
    FFiles = {{FDir.path() + QStringLiteral("/no-such-folder/x.vlpf")}};
    FAnswers = {{idOk, 102}};
    w.Action(QStringLiteral("actSaveAs"))->trigger();
    ASSERT_EQ(FMessages.size(), 1);
    EXPECT_EQ(FMessages[0], QString::fromUtf16(kDocumentSaveErrorText));
    EXPECT_EQ(w.Document(), doc);
    EXPECT_EQ(w.Images().SaveType(), TFileSaveType::fstLink);
    EXPECT_TRUE(w.DocumentModified());
    EXPECT_TRUE(w.isWindowModified());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vellora 9 - keep.vlpf[*]"));
    // List changes mark a link document, and the window shows it.
    w.SetDocumentModified(false);
    EXPECT_FALSE(w.isWindowModified());
    select(w, {0});
    w.Action(QStringLiteral("actCheck"))->trigger();
    EXPECT_TRUE(w.DocumentModified());
    EXPECT_TRUE(w.isWindowModified());
}

// Every file dialog starts in a folder that exists: pictures where the last
// ones came from, documents beside the current one, each falling back on the
// other and then on the home folder.
TEST_F(CommandsTest, FileDialogsStartInThePictureOrDocumentFolder) {
    const QString pictures = FDir.path() + QStringLiteral("/pictures");
    const QString documents = FDir.path() + QStringLiteral("/documents");
    ASSERT_TRUE(QDir().mkpath(pictures));
    ASSERT_TRUE(QDir().mkpath(documents));
    const QString doc = documents + QStringLiteral("/album.vlpf");
    const QString home = QDir::homePath();
    QStringList next;   // what the next dialog returns, nothing when empty
    QStringList starts;
    auto hookStarts = [&](TfrmMain &w) {
        hook(w);
        w.OnChooseFiles = [&](TFileQuestion, const QString &start) {
            starts << start;
            return next.isEmpty() ? QStringList() : QStringList{next.takeFirst()};
        };
    };
    // The folders the four dialogs are asked to start in: add images, add
    // folder, open, save as.
    auto startsOf = [&](TfrmMain &w) {
        starts.clear();
        for (const char *action : {"actAddImage", "actAddFolder", "actOpenPaper", "actSaveAs"})
            w.Action(QString::fromLatin1(action))->trigger();
        return starts;
    };

    TfrmMain w;
    hookStarts(w);
    EXPECT_EQ(startsOf(w), (QStringList{home, home, home, home}));
    next = {pictures};
    w.Action(QStringLiteral("actAddFolder"))->trigger();
    EXPECT_EQ(startsOf(w), (QStringList{pictures, pictures, pictures, pictures}));
    next = {doc};
    FAnswers = {{idOk, 101}};
    w.Action(QStringLiteral("actSaveAs"))->trigger();
    ASSERT_EQ(w.Document(), doc);
    EXPECT_EQ(startsOf(w), (QStringList{pictures, pictures, documents, documents}));

    TfrmMain opened;
    hookStarts(opened);
    next = {doc};
    opened.Action(QStringLiteral("actOpenPaper"))->trigger();
    ASSERT_EQ(opened.Document(), doc);
    EXPECT_EQ(startsOf(opened), (QStringList{documents, documents, documents, documents}));
    // The document's folder removed since: home again.
    ASSERT_TRUE(QDir(documents).removeRecursively());
    EXPECT_EQ(startsOf(opened), (QStringList{home, home, home, home}));
    EXPECT_TRUE(FMessages.isEmpty()) << FMessages.join(QLatin1Char('\n')).toStdString();
}

// The whole image record (length, kind, data) at pos in a document.
static QByteArray imageRecord(const QString &document, std::int64_t pos) {
    QFile f(document);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(pos))
        return {};
    const QByteArray head = f.read(4);
    if (head.size() != 4)
        return {};
    const auto length = qFromLittleEndian<quint32>(head.constData());
    return head + f.read(qint64(length) - 4);
}

// The colour in the middle of an entry's thumbnail; invalid without one.
static QColor thumbColour(TfrmMain &w, int index) {
    QImage thumb;
    if (!w.lvFile->GetThumbnail(w.lvFile->Items().Item(index), thumb))
        return {};
    return thumb.pixelColor(thumb.width() / 2, thumb.height() / 2);
}

// Embedded documents moved away from their photos still show them; two
// merged in one list keep reading each entry from its own document, and a
// save naming what could not be copied.
TEST_F(CommandsTest, EmbeddedEntriesReadFromTheirOwnDocument) {
    const QString moved = FDir.path() + QStringLiteral("/moved");
    ASSERT_TRUE(QDir().mkpath(moved));
    const QColor red(200, 0, 0), green(0, 200, 0), blue(0, 0, 200);
    auto embed = [&](const QList<std::pair<QString, QColor>> &photos, const QString &name) {
        TfrmMain w;
        hook(w);
        QStringList paths;
        for (const auto &[photo, colour] : photos)
            w.AddImageFile(paths.emplace_back(makeImage(photo, 8, 8, colour)));
        FFiles = {{FDir.path() + QLatin1Char('/') + name}};
        FAnswers = {{idOk, 102}};
        w.Action(QStringLiteral("actSaveAs"))->trigger();
        for (const QString &path : paths)
            QFile::remove(path);
        EXPECT_TRUE(QFile::rename(FDir.path() + QLatin1Char('/') + name, moved + QLatin1Char('/') + name));
    };
    embed({{QStringLiteral("A.png"), red}, {QStringLiteral("B.png"), green}}, QStringLiteral("one.vlpf"));
    embed({{QStringLiteral("C.png"), blue}}, QStringLiteral("two.vlpf"));
    ASSERT_TRUE(FMessages.isEmpty()) << FMessages.join(QLatin1Char('\n')).toStdString();
    QString one = moved + QStringLiteral("/one.vlpf");
    const QString two = moved + QStringLiteral("/two.vlpf");

    {
        TfrmMain w;
        hook(w);
        ASSERT_TRUE(w.OpenDocument(one));
        FAnswers = {{idOk, 100}};   // add to the current list
        ASSERT_TRUE(w.OpenDocument(two));
        // A new cache file (the options dialog's cache folder) makes every
        // thumbnail again, now with two documents behind the list.
        w.lvFile->SetCacheFileName(FDir.path() + QStringLiteral("/other-cache.tmp"));
        w.lvFile->WaitForThumbnails();
        ASSERT_EQ(order(w), QStringLiteral("ABC"));
        EXPECT_EQ(thumbColour(w, 0), red);
        EXPECT_EQ(thumbColour(w, 1), green);
        EXPECT_EQ(thumbColour(w, 2), blue);
        // The stored size stays although the photo files are gone.
        EXPECT_EQ(w.lvFile->Items().Item(0)->SubItems().value(3), ImageSizeText(TIntSize{8, 8}));
        QList<QByteArray> before;
        for (int i = 0; i < 3; ++i) {
            const TImageInfo *info = w.Images()[i];
            before << imageRecord(i < 2 ? one : two, info->Position());
            EXPECT_GT(before.last().size(), 5) << i;
        }
        FAsked.clear();
        const QString merged = FDir.path() + QStringLiteral("/merged.vlpf");
        FFiles = {{merged}};
        FAnswers = {{idOk, 102}};
        w.Action(QStringLiteral("actSaveAs"))->trigger();
        ASSERT_TRUE(FMessages.isEmpty()) << FMessages.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(FAsked.size(), 1);   // the save type only: nothing was lost
        TfrmMain reopened;
        hook(reopened);
        ASSERT_TRUE(reopened.OpenDocument(merged));
        ASSERT_EQ(reopened.Images().Count(), 3);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(imageRecord(merged, reopened.Images()[i]->Position()), before[i]) << i;
    }

    // The document holding the records is gone before the save: the save
    // goes through and names the images that lost their data.
    TfrmMain w;
    hook(w);
    ASSERT_TRUE(w.OpenDocument(one));
    ASSERT_TRUE(QFile::remove(one));
    FAsked.clear();
    FFiles = {{FDir.path() + QStringLiteral("/after.vlpf")}};
    FAnswers = {{idOk, 102}, {idOk, 0}};
    w.Action(QStringLiteral("actSaveAs"))->trigger();
    EXPECT_TRUE(FMessages.isEmpty()) << FMessages.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(FAsked.size(), 2);
    EXPECT_EQ(FAsked[1].Instruction, QStringLiteral("画像データのない画像があります。"));
    EXPECT_TRUE(FAsked[1].Content.contains(QStringLiteral("A.png")));
    EXPECT_TRUE(FAsked[1].Content.contains(QStringLiteral("B.png")));
    EXPECT_EQ(w.Document(), FDir.path() + QStringLiteral("/after.vlpf"));

    // The same warning through the real task dialog, rendered.
    const QString dir = QStringLiteral(VELLORA_RENDER_DIR);
    QDir().mkpath(dir);
    FAnswers = {{idOk, 101}};   // the list is replaced
    ASSERT_TRUE(w.OpenDocument(one = FDir.path() + QStringLiteral("/after.vlpf")));
    EXPECT_EQ(order(w), QStringLiteral("AB"));
    ASSERT_TRUE(QFile::remove(one));
    bool grabbed = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            auto *form = qobject_cast<TTaskDialogXPForm *>(top);
            if (!form || !form->isVisible())
                continue;
            form->setFont(QFont(test::testFontFamily(), 9));
            QApplication::processEvents();
            grabbed = form->grab().save(dir + QStringLiteral("/dlgLostImages.png"));
            form->done(0);
        }
    });
    w.OnQuestion = [&](TQvTaskDialog &d, int &radio, bool &checked) {
        if (d.RadioButtons.Count() > 0) {   // the save type
            radio = 102;
            return int(idOk);
        }
        poll.start();
        int button = 0;
        d.Execute(button, radio, checked);
        return button;
    };
    FFiles = {{FDir.path() + QStringLiteral("/again.vlpf")}};
    w.Action(QStringLiteral("actSaveAs"))->trigger();
    EXPECT_TRUE(grabbed);
}

// A document dropped with images opens as Open would: the images are added,
// then the save question, then the document with its load question.
// An embedded photo's thumbnail comes from its Exif thumbnail (red here,
// the photo itself blue and larger than what is read for the Exif block);
// one without takes the whole record (green).
TEST_F(CommandsTest, EmbeddedPhotosShowTheirExifThumbnailOrTheWholeImage) {
    QImage noisy(1200, 900, QImage::Format_RGB32);
    std::uint32_t seed = 7;
    for (int y = 0; y < noisy.height(); ++y)
        for (int x = 0; x < noisy.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            noisy.setPixel(x, y, qRgb(int(seed >> 26), int(seed >> 20) & 63, 160 + (int(seed >> 12) & 63)));
        }
    const QString withThumb = FDir.path() + QStringLiteral("/thumb.jpg");
    QImage red(160, 120, QImage::Format_RGB32);
    red.fill(QColor(200, 0, 0));
    test::JpegBuilder::write(withThumb, test::JpegBuilder::jpegWithExif(noisy, test::JpegBuilder::exifBlock(test::JpegBuilder::encode(red), 6,
                                                                                          QSize(1200, 900))));
    ASSERT_GT(QFileInfo(withThumb).size(), 200 * 1024);
    const QString plain = FDir.path() + QStringLiteral("/plain.jpg");
    QImage green(64, 48, QImage::Format_RGB32);
    green.fill(QColor(0, 200, 0));
    ASSERT_TRUE(green.save(plain, "JPEG", 95));
    const QString doc = FDir.path() + QStringLiteral("/embedded.vlpf");
    {
        TfrmMain w;
        hook(w);
        w.AddImageFile(withThumb);
        w.AddImageFile(plain);
        FFiles = {{doc}};
        FAnswers = {{idOk, 102}};
        w.Action(QStringLiteral("actSaveAs"))->trigger();
        ASSERT_TRUE(FMessages.isEmpty()) << FMessages.join(QLatin1Char('\n')).toStdString();
    }
    QFile::remove(withThumb);
    QFile::remove(plain);
    TfrmMain w;
    hook(w);
    // Each picture is read once, by a thumbnail worker: opening does not
    // wait for them.
    int uiLoads = 0;
    std::atomic_int workerLoads{0};
    const auto load = w.lvFile->OnLoadImage;
    w.lvFile->OnLoadImage = [&](TImageListView &view, TImageListItem &item, QImage &bitmap, bool &handled) {
        ++uiLoads;
        load(view, item, bitmap, handled);
    };
    const auto loader = w.lvFile->OnImageLoader;
    w.lvFile->OnImageLoader = [&](TImageListView &view, TImageListItem &item) -> std::function<QImage()> {
        std::function<QImage()> f = loader(view, item);
        if (!f)
            return f;
        return [f, &workerLoads] {
            ++workerLoads;
            return f();
        };
    };
    ASSERT_TRUE(w.OpenDocument(doc));
    w.lvFile->WaitForThumbnails();
    EXPECT_EQ(uiLoads, 0);
    EXPECT_EQ(workerLoads.load(), 2);
    // A cache of its own: the thumbnails made while adding do not count.
    w.lvFile->SetCacheFileName(FDir.path() + QStringLiteral("/fresh-cache.tmp"));
    w.lvFile->WaitForThumbnails();
    ASSERT_EQ(w.lvFile->Items().Count(), 2);
    const QColor thumb = thumbColour(w, 0), whole = thumbColour(w, 1);
    EXPECT_GT(thumb.red(), 150);
    EXPECT_LT(thumb.blue(), 100);
    EXPECT_GT(whole.green(), 150);
}

TEST_F(CommandsTest, DroppedDocumentOpensAfterTheSaveQuestion) {
    const QString doc = FDir.path() + QStringLiteral("/dropped.vlpf");
    {
        TfrmMain w;
        hook(w);
        addLetters(w, QStringLiteral("AB"));
        FFiles = {{doc}};
        FAnswers = {{idOk, 101}};
        w.Action(QStringLiteral("actSaveAs"))->trigger();
        ASSERT_TRUE(QFileInfo(doc).isFile());
    }
    TfrmMain w;
    hook(w);
    w.show();
    w.SetDocumentModified(true);
    FAsked.clear();
    FAnswers = {{idNo, 0}, {idOk, 100}};
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(doc), QUrl::fromLocalFile(makeImage(QStringLiteral("C.png"), 8, 8))});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.lvFile, &enter);
    QDropEvent drop(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.lvFile, &drop);
    ASSERT_TRUE(FMessages.isEmpty()) << FMessages.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(FAsked.size(), 2);
    EXPECT_EQ(FAsked[0].Instruction, QStringLiteral("保存しますか"));
    EXPECT_EQ(FAsked[1].Instruction, QStringLiteral("画像の読み込み方法を選択してください。"));
    EXPECT_EQ(order(w), QStringLiteral("CAB"));
    EXPECT_EQ(w.Document(), doc);
    EXPECT_TRUE(w.DocumentModified());   // C is not in the file
    // Cancel at the save question leaves everything as it was.
    w.SetDocumentModified(true);
    FAnswers = {{idCancel, 0}};
    QApplication::sendEvent(w.lvFile, &enter);
    QApplication::sendEvent(w.lvFile, &drop);
    EXPECT_EQ(order(w), QStringLiteral("CABC"));
    EXPECT_TRUE(w.DocumentModified());
}

// One question through the real task dialog: its buttons answer it.
TEST_F(CommandsTest, RealTaskDialogAnswersTheSaveQuestion) {
    TfrmMain w;
    w.SetDocumentModified(true);
    QStringList seen;
    QTimer clicker;
    clicker.setInterval(20);
    QObject::connect(&clicker, &QTimer::timeout, [&seen] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            auto *form = qobject_cast<TTaskDialogXPForm *>(top);
            if (!form || !form->isVisible())
                continue;
            seen << form->findChild<QLabel *>(QStringLiteral("lblInstruction"))->text();
            if (auto *cancel = form->findChild<QAbstractButton *>(QStringLiteral("btn%1").arg(idCancel)))
                cancel->click();
            else
                form->done(0);
        }
    });
    clicker.start();
    EXPECT_FALSE(w.ConfirmSave());
    EXPECT_EQ(seen.value(0), QStringLiteral("保存しますか"));
}

TEST_F(CommandsTest, Render) {
    const QString dir = QStringLiteral(VELLORA_RENDER_DIR);
    QDir().mkpath(dir);
    const QFont font(test::testFontFamily(), 9);
    TfrmMain w;
    hook(w);
    w.setFont(font);
    w.resize(1000, 640);
    w.show();
    for (const char *f : {"halves.jpg", "halves.png", "halves.gif", "gradient-65x49.jpg"})
        w.AddImageFile(test::testDataPath(QStringLiteral("images/") + QLatin1String(f)));
    w.Images().Items(0)->Options().SetCopies(12);
    w.Images().Items(2)->Options().SetCopies(3);
    w.lvFile->WaitForThumbnails();
    QApplication::processEvents();
    EXPECT_TRUE(w.grab().save(dir + QStringLiteral("/frmMain-badges.png")));

    TfrmImageOpt options(&w);
    options.setFont(font);
    TPhotoOption option;
    option.SetParentSize(TParentMode::pamOrigin);
    option.SetPhotoSize(TPhotoSize::psScale);
    option.SetCopies(2);
    options.SetOption(option);
    options.show();
    QApplication::processEvents();
    EXPECT_TRUE(options.grab().save(dir + QStringLiteral("/frmImageOpt-place.png")));
    options.SetPage(1);
    QApplication::processEvents();
    EXPECT_TRUE(options.grab().save(dir + QStringLiteral("/frmImageOpt-copies.png")));
    TfrmComment comment(&w);
    comment.setFont(font);
    comment.SetLines({QStringLiteral("家族旅行"), QStringLiteral("二日目")});
    comment.show();
    QApplication::processEvents();
    EXPECT_TRUE(comment.grab().save(dir + QStringLiteral("/frmComment.png")));

    // The save-type question, grabbed while it shows with the second type chosen.
    w.OnQuestion = nullptr;
    FFiles = {{FDir.path() + QStringLiteral("/r.vlpf")}};
    bool grabbed = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            auto *form = qobject_cast<TTaskDialogXPForm *>(top);
            if (!form || !form->isVisible())
                continue;
            form->setFont(font);
            if (auto *link = form->findChild<QAbstractButton *>(QStringLiteral("rad101")))
                link->click();
            if (auto *expand = form->findChild<QAbstractButton *>(QStringLiteral("btnExpand")))
                expand->click();
            QApplication::processEvents();
            grabbed = form->grab().save(dir + QStringLiteral("/dlgSaveType.png"));
            if (auto *cancel = form->findChild<QAbstractButton *>(QStringLiteral("btn%1").arg(idCancel)))
                cancel->click();
            else
                form->done(0);
        }
    });
    poll.start();
    EXPECT_FALSE(w.SaveDocumentAs());
    EXPECT_TRUE(grabbed);
}
