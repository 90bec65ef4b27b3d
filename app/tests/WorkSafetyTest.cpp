// The user's work in the main window: every print-list edit marks the
// document and can be undone, the save type keeps the photos, the recovery
// file brings the work back after the program was killed, and broken
// entries show what is wrong with them.
#include "app/CommentDialog.h"
#include "app/EntryCheck.h"
#include "app/ImageOptionDialog.h"
#include "app/MainForm.h"
#include "app/controls/QvTaskDialog.h"
#include "app/controls/DropDst.h"
#include "model/Document.h"
#include "model/DocumentFormat.h"
#include "model/ImageInfo.h"
#include "model/ImageInfos.h"
#include "model/PhotoPaper.h"
#include "settings/Stream.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <functional>

using namespace vellora;

namespace {

struct Asked {
    QString Instruction;
    QString Content;
    QString ExpandContent;
    int DefaultRadio = 0;
    bool Expanded = false;
};

class WorkSafetyTest : public ::testing::Test {
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
    // Questions take their answers (button, radio) from FAnswers in turn;
    // with none left, Cancel.
    void hook(TfrmMain &w) {
        w.OnQuestion = [this](TQvTaskDialog &d, int &radio, bool &checked) {
            FAsked << Asked{d.Instruction(), d.Content(), d.ExpandContent(), d.DefaultRadioButtonID,
                            d.Options.contains(TQvTaskDialogOption::tdoDefaultExpanded)};
            const auto [button, r] = FAnswers.isEmpty() ? std::pair{idCancel, 0} : FAnswers.takeFirst();
            radio = r;
            checked = false;
            return button;
        };
        w.OnChooseFiles = [this](TFileQuestion, const QString &) {
            return FFiles.isEmpty() ? QStringList() : FFiles.takeFirst();
        };
    }
    QString makeImage(const QString &name, int width = 8, int height = 8) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const QString path = FDir.path() + QLatin1Char('/') + name;
        EXPECT_TRUE(image.save(path));
        return path;
    }
    QStringList letters(const QString &names) {
        QStringList paths;
        for (QChar c : names)
            paths << makeImage(QString(c) + QStringLiteral(".png"));
        return paths;
    }
    static QString order(TfrmMain &w) {
        QString s;
        for (int i = 0; i < w.lvFile->Items().Count(); ++i)
            s += QFileInfo(w.lvFile->Items().Item(i)->AbsoluteName()).baseName();
        return s;
    }
    static void select(TfrmMain &w, const QList<int> &indexes) {
        w.lvFile->ClearSelection();
        for (int i : indexes)
            w.lvFile->Items().Item(i)->SetSelected(true);
        QApplication::processEvents();
    }
    // The document as it would be saved with its photos linked (the
    // window's own save type aside): paper, list, marks, options, order.
    static QByteArray bytesOf(TfrmMain &w) {
        w.StoreItemStates();
        TMemoryStream s;
        SavePaperToStream(s, w.Paper());
        const TFileSaveType type = w.Images().SaveType();
        w.Images().SetSaveType(TFileSaveType::fstLink);
        w.Images().SaveToStream(s, nullptr);
        w.Images().SetSaveType(type);
        return s.Data();
    }
    // A link document of the letters, saved and opened again in w.
    QString linkDocument(TfrmMain &w, const QString &names, int radio = 101) {
        for (const QString &p : letters(names))
            w.AddImageFile(p);
        const QString doc = FDir.path() + QStringLiteral("/doc%1.vlpf").arg(FDocs++);
        FFiles = {{doc}};
        FAnswers = {{idOk, radio}};
        w.SaveDocumentAs();
        EXPECT_FALSE(w.DocumentModified());
        return doc;
    }

    // Every kind of list edit, as the user makes it.
    struct Edit {
        const char *name;
        std::function<void(WorkSafetyTest &, TfrmMain &)> run;
    };
    static std::vector<Edit> edits() {
        return {
            {"tick by click", [](WorkSafetyTest &, TfrmMain &w) {
                 // What a click on the check box does: the view sets the check state.
                 QAbstractItemView *v = w.lvFile->ActiveView();
                 v->model()->setData(v->model()->index(1, 0), Qt::Checked, Qt::CheckStateRole);
             }},
            {"tick by Space", [](WorkSafetyTest &, TfrmMain &w) {
                 w.SetViewStyle(TImageViewStyle::ivsReport);
                 QAbstractItemView *v = w.lvFile->ActiveView();
                 v->setCurrentIndex(v->model()->index(2, 0));
                 QTest::keyClick(v, Qt::Key_Space);
             }},
            {"tick by menu", [](WorkSafetyTest &, TfrmMain &w) {
                 select(w, {0, 2});
                 w.Action(QStringLiteral("actCheck"))->trigger();
             }},
            {"copies", [](WorkSafetyTest &, TfrmMain &w) {
                 select(w, {1});
                 w.OnImageOptionDialog = [](TfrmImageOpt &d) {
                     d.edtCopies->setValue(5);
                     return true;
                 };
                 w.Action(QStringLiteral("actCopies"))->trigger();
             }},
            {"comment", [](WorkSafetyTest &, TfrmMain &w) {
                 select(w, {0});
                 w.OnCommentDialog = [](TfrmComment &d) {
                     d.SetLines({QStringLiteral("海")});
                     return true;
                 };
                 w.Action(QStringLiteral("actComment"))->trigger();
             }},
            {"move", [](WorkSafetyTest &, TfrmMain &w) {
                 select(w, {0});
                 w.Action(QStringLiteral("actMoveDown"))->trigger();
             }},
            {"sort", [](WorkSafetyTest &, TfrmMain &w) { w.Action(QStringLiteral("actSortFileName"))->trigger(); }},
            {"add", [](WorkSafetyTest &t, TfrmMain &w) {
                 t.FFiles = {t.letters(QStringLiteral("DE"))};
                 w.Action(QStringLiteral("actAddImage"))->trigger();
             }},
            {"delete", [](WorkSafetyTest &t, TfrmMain &w) {
                 select(w, {0, 2});
                 t.FAnswers = {{idYes, 0}};
                 w.Action(QStringLiteral("actDeleteImage"))->trigger();
             }},
            {"delete all", [](WorkSafetyTest &t, TfrmMain &w) {
                 t.FAnswers = {{idYes, 0}};
                 w.Action(QStringLiteral("mitClearImage"))->trigger();
             }},
        };
    }

    QTemporaryDir FConfig;
    QTemporaryDir FDir;
    QByteArray FOldConfig;
    QStringList FMessages;
    QList<Asked> FAsked;
    QList<std::pair<int, int>> FAnswers;
    QList<QStringList> FFiles;
    int FDocs = 0;
};

} // namespace

TEST_F(WorkSafetyTest, EveryListEditMarksTheDocumentAndClosingAsks) {
    for (const bool linked : {false, true}) {
        for (const Edit &edit : edits()) {
            SCOPED_TRACE(std::string(edit.name) + (linked ? " on a link document" : " on a new document"));
            // Start-up entries and an opened document are not changes.
            const QStringList start = letters(QStringLiteral("CAB"));
            TfrmMain w(linked ? QStringList() : start);
            hook(w);
            if (linked) {
                const QString doc = linkDocument(w, QStringLiteral("CAB"));
                TfrmMain opened({doc});
                hook(opened);
                opened.LoadStartupFiles();
                ASSERT_EQ(order(opened), QStringLiteral("CAB"));
                ASSERT_FALSE(opened.DocumentModified());
                edit.run(*this, opened);
                EXPECT_TRUE(opened.DocumentModified());
                EXPECT_TRUE(opened.isWindowModified());
                FAsked.clear();
                FAnswers = {{idCancel, 0}};
                EXPECT_FALSE(opened.close());
                ASSERT_EQ(FAsked.size(), 1);
                EXPECT_EQ(FAsked[0].Content, QFileInfo(doc).fileName() + QStringLiteral("は変更されています。保存しますか？"));
                continue;
            }
            w.LoadStartupFiles();
            ASSERT_EQ(order(w), QStringLiteral("CAB"));
            ASSERT_FALSE(w.DocumentModified());
            edit.run(*this, w);
            EXPECT_TRUE(w.DocumentModified());
            FAsked.clear();
            FAnswers = {{idCancel, 0}};
            EXPECT_FALSE(w.close());
            ASSERT_EQ(FAsked.size(), 1);
            EXPECT_EQ(FAsked[0].Instruction, QStringLiteral("保存しますか"));
            // New and Open ask the same question.
            FAsked.clear();
            FAnswers = {{idCancel, 0}};
            w.Action(QStringLiteral("mitNewPaper"))->trigger();
            FFiles = {{FDir.path() + QStringLiteral("/doc0.vlpf")}};
            FAnswers = {{idCancel, 0}};
            w.Action(QStringLiteral("actOpenPaper"))->trigger();
            ASSERT_GE(FAsked.size(), 1);
            for (const Asked &a : std::as_const(FAsked))
                EXPECT_EQ(a.Instruction, QStringLiteral("保存しますか"));
        }
    }
    EXPECT_TRUE(FMessages.isEmpty()) << FMessages.join(QLatin1Char('\n')).toStdString();
}

TEST_F(WorkSafetyTest, ALayoutOnlyDocumentIsChangedByItsLayoutNotByTheListItDoesNotStore) {
    // Decided by the document: once saved or opened as "レイアウト形式" its
    // file holds no list, so list edits leave it clean; the layout does not.
    TfrmMain w;
    hook(w);
    const QString doc = linkDocument(w, QStringLiteral("AB"), 100);
    ASSERT_EQ(w.Images().SaveType(), TFileSaveType::fstLayout);
    select(w, {0});
    w.Action(QStringLiteral("actCheck"))->trigger();
    FFiles = {letters(QStringLiteral("C"))};
    w.Action(QStringLiteral("actAddImage"))->trigger();
    EXPECT_EQ(order(w), QStringLiteral("ABC"));
    EXPECT_FALSE(w.DocumentModified());
    w.ApplyLayout(w.Paper());
    EXPECT_TRUE(w.DocumentModified());
    // A new document keeps its list whatever type it will be saved as.
    TfrmMain fresh;
    hook(fresh);
    fresh.AddImageFile(letters(QStringLiteral("D")).first());
    EXPECT_TRUE(fresh.DocumentModified());
}

TEST_F(WorkSafetyTest, TheSaveTypeQuestionPreselectsWhatKeepsTheWork) {
    struct Case {
        const char *name;
        int typeSaved;   // 0: a new document
        bool photos;
        int preselected;
        bool warns;
    } cases[] = {
        {"new, empty", 0, false, 100, false},   {"new with photos", 0, true, 101, false},
        {"layout document", 100, true, 100, true}, {"link document", 101, true, 101, false},
        {"embedded document", 102, true, 102, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TfrmMain w;
        hook(w);
        if (c.typeSaved)
            linkDocument(w, QStringLiteral("AB"), c.typeSaved);
        else if (c.photos)
            w.AddImageFile(letters(QStringLiteral("A")).first());
        FAsked.clear();
        FFiles = {{FDir.path() + QStringLiteral("/again.vlpf")}};
        FAnswers = {{idCancel, 0}};
        w.SaveDocumentAs();
        ASSERT_EQ(FAsked.size(), 1);
        EXPECT_EQ(FAsked[0].Instruction, QStringLiteral("保存形式を選択してください。"));
        EXPECT_EQ(FAsked[0].DefaultRadio, c.preselected);
        EXPECT_EQ(FAsked[0].ExpandContent.contains(QStringLiteral("枚の画像は保存されません。")), c.warns)
            << FAsked[0].ExpandContent.toStdString();
        EXPECT_EQ(FAsked[0].Expanded, c.warns);
    }
}

TEST_F(WorkSafetyTest, UndoAndRedoOfEveryEditRestoreTheDocumentByteForByte) {
    for (const Edit &edit : edits()) {
        SCOPED_TRACE(edit.name);
        TfrmMain w;
        hook(w);
        const QString doc = linkDocument(w, QStringLiteral("CAB"));
        TfrmMain opened({doc});
        hook(opened);
        opened.LoadStartupFiles();
        EXPECT_FALSE(opened.Action(QStringLiteral("actUndo"))->isEnabled());
        select(opened, {});
        const QByteArray before = bytesOf(opened);
        edit.run(*this, opened);
        select(opened, {});
        const QByteArray after = bytesOf(opened);
        ASSERT_NE(after, before);
        ASSERT_TRUE(opened.Action(QStringLiteral("actUndo"))->isEnabled());
        // Ctrl+Z and Ctrl+Y, as the keys reach the window.
        QAction *undo = opened.Action(QStringLiteral("actUndo"));
        EXPECT_EQ(undo->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
        EXPECT_TRUE(opened.Action(QStringLiteral("actRedo"))->shortcuts().contains(QKeySequence(QStringLiteral("Ctrl+Shift+Z"))));
        undo->trigger();
        select(opened, {});
        EXPECT_EQ(bytesOf(opened), before);
        EXPECT_FALSE(opened.DocumentModified());   // back at the saved state
        opened.Action(QStringLiteral("actRedo"))->trigger();
        select(opened, {});
        EXPECT_EQ(bytesOf(opened), after);
        EXPECT_TRUE(opened.DocumentModified());
        opened.Undo();
        select(opened, {});
        EXPECT_EQ(bytesOf(opened), before);
        EXPECT_FALSE(opened.CanUndo());
    }
    EXPECT_TRUE(FMessages.isEmpty()) << FMessages.join(QLatin1Char('\n')).toStdString();
}

TEST_F(WorkSafetyTest, AnAddOfManyPhotosIsOneStepAndEditsChainBack) {
    TfrmMain w;
    hook(w);
    for (const QString &p : letters(QStringLiteral("AB")))
        w.AddImageFile(p);
    w.SetDocumentModified(false);
    const QByteArray start = bytesOf(w);
    FFiles = {letters(QStringLiteral("CDEFGH"))};
    w.Action(QStringLiteral("actAddImage"))->trigger();
    select(w, {0, 3});
    w.Action(QStringLiteral("actCheck"))->trigger();
    FAnswers = {{idYes, 0}};
    w.Action(QStringLiteral("actDeleteImage"))->trigger();
    select(w, {2});
    w.Action(QStringLiteral("actMoveFirst"))->trigger();
    EXPECT_EQ(order(w), QStringLiteral("EBCFGH"));
    for (int i = 0; i < 4; ++i)
        w.Undo();
    select(w, {});
    EXPECT_EQ(order(w), QStringLiteral("AB"));
    EXPECT_EQ(bytesOf(w), start);
    for (int i = 0; i < 4; ++i)
        w.Redo();
    EXPECT_EQ(order(w), QStringLiteral("EBCFGH"));
    EXPECT_FALSE(w.CanRedo());
    // A new edit after undoing drops the steps that were undone.
    w.Undo();
    select(w, {0});
    w.Action(QStringLiteral("actMoveLast"))->trigger();
    EXPECT_FALSE(w.CanRedo());
}

TEST_F(WorkSafetyTest, TheRecoveryFileBringsBackTheWorkOfAnEndedProcess) {
    const QString folder = FDir.path() + QStringLiteral("/data/Vellora/recovery");
    QByteArray expected;
    QString recoveryFile;
    {
        TfrmMain w;
        hook(w);
        w.EnableRecovery(folder, 3600 * 1000);
        for (const QString &p : letters(QStringLiteral("ABC")))
            w.AddImageFile(p);
        select(w, {1});
        w.Action(QStringLiteral("actCheck"))->trigger();
        w.Paper().SetPaperName(QStringLiteral("葉書"));
        w.ApplyLayout(w.Paper());
        ASSERT_TRUE(w.WriteRecoveryNow());
        recoveryFile = w.RecoveryFileName();
        select(w, {});
        expected = bytesOf(w);
        // The process dies: the file stays, nobody holds it.
        w.AbandonRecovery();
    }
    ASSERT_TRUE(QFileInfo(recoveryFile).isFile());

    TfrmMain w;
    hook(w);
    w.EnableRecovery(folder, 3600 * 1000);
    FAnswers = {{idYes, 0}};
    EXPECT_TRUE(w.OfferRecovery());
    ASSERT_EQ(FAsked.size(), 1);
    EXPECT_EQ(FAsked[0].Instruction, QStringLiteral("前回終了時の作業を復元しますか？"));
    select(w, {});
    EXPECT_EQ(bytesOf(w), expected);
    EXPECT_EQ(order(w), QStringLiteral("ABC"));
    EXPECT_TRUE(w.lvFile->Items().Item(1)->Checked());
    EXPECT_EQ(w.Paper().PaperName(), QStringLiteral("葉書"));
    EXPECT_TRUE(w.DocumentModified());
    EXPECT_TRUE(w.Document().isEmpty());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vellora 9 - 新規ドキュメント[*]"));
    EXPECT_FALSE(QFileInfo(recoveryFile).exists());
    // The restored work is this process's file now; a second program
    // running at the same time leaves it alone and keeps its own.
    ASSERT_TRUE(w.WriteRecoveryNow());
    {
        TfrmMain other;
        hook(other);
        other.EnableRecovery(folder, 3600 * 1000);
        FAsked.clear();
        EXPECT_FALSE(other.OfferRecovery());
        EXPECT_TRUE(FAsked.isEmpty());
        other.AddImageFile(letters(QStringLiteral("Z")).first());
        ASSERT_TRUE(other.WriteRecoveryNow());
        EXPECT_NE(other.RecoveryFileName(), w.RecoveryFileName());
    }
    // A save ends the need for it.
    FFiles = {{FDir.path() + QStringLiteral("/kept.vlpf")}};
    FAnswers = {{idOk, 101}};
    w.SaveDocumentAs();
    EXPECT_FALSE(QFileInfo(w.RecoveryFileName()).exists());
}

TEST_F(WorkSafetyTest, DamagedNewerAndUnwritableRecoveryFilesAreToldNotFatal) {
    const QString folder = FDir.path() + QStringLiteral("/recovery");
    QDir().mkpath(folder);
    auto write = [](const QString &name, const QByteArray &bytes) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write(folder + QStringLiteral("/1-1-0.vlpf"), QByteArray("$VELLORADOC_") + QByteArray(40, '\xff'));
    write(folder + QStringLiteral("/2-2-0.vlpf"), QByteArray("$VELLORADOC_"));
    write(folder + QStringLiteral("/2-2-0.json"), R"({"version": 99, "document": "", "saveType": 1})");
    // Newest first is the order they are offered in; written within the same
    // clock tick they would tie, so give them distinct times.
    for (const auto &[name, age] : {std::pair{"/1-1-0.vlpf", 60}, std::pair{"/2-2-0.vlpf", 120}}) {
        QFile f(folder + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(-age), QFileDevice::FileModificationTime));
    }
    TfrmMain w;
    hook(w);
    w.EnableRecovery(folder, 3600 * 1000);
    FAnswers = {{idYes, 0}, {idOk, 0}};
    EXPECT_FALSE(w.OfferRecovery());
    QStringList instructions;
    for (const Asked &a : std::as_const(FAsked))
        instructions << a.Instruction;
    EXPECT_TRUE(instructions.contains(QStringLiteral("作業を復元できませんでした"))) << instructions.join(u'|').toStdString();
    EXPECT_TRUE(instructions.contains(QStringLiteral("作業を復元できません"))) << instructions.join(u'|').toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/1-1-0.vlpf")));   // damaged: gone
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/2-2-0.vlpf")));    // newer: kept for a newer program
    EXPECT_EQ(w.lvFile->Items().Count(), 0);

    // A data folder that cannot be made: one warning, and work goes on.
    write(FDir.path() + QStringLiteral("/blocked"), "a file where the folder should be");
    TfrmMain blocked;
    hook(blocked);
    FAsked.clear();
    blocked.EnableRecovery(FDir.path() + QStringLiteral("/blocked/recovery"), 3600 * 1000);
    blocked.AddImageFile(letters(QStringLiteral("A")).first());
    EXPECT_FALSE(blocked.WriteRecoveryNow());
    ASSERT_EQ(FAsked.size(), 1);
    EXPECT_EQ(FAsked[0].Instruction, QStringLiteral("作業の自動保存ができません"));
}

TEST_F(WorkSafetyTest, BrokenEntriesShowAMarkerAndTheirReason) {
    const QString good = makeImage(QStringLiteral("good.png"), 64, 48);
    const QString gone = makeImage(QStringLiteral("gone.png"), 64, 48);
    const QString text = FDir.path() + QStringLiteral("/text.jpg");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a picture at all");
    }
    QImage photo(200, 150, QImage::Format_RGB32);
    photo.fill(Qt::darkGreen);
    const QString cut = FDir.path() + QStringLiteral("/cut.jpg");
    ASSERT_TRUE(photo.save(cut, "JPEG"));
    {
        QFile f(cut);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        const QByteArray all = f.readAll();
        f.resize(all.size() / 2);
    }
    TfrmMain w;
    hook(w);
    w.resize(900, 500);
    for (const QString &p : {good, gone, text, cut})
        w.AddImageFile(p);
    QFile::remove(gone);
    struct Case {
        int row;
        const char *reason;
    } cases[] = {{0, ""}, {1, "ファイルが見つかりません。"}, {2, "画像ファイルではないか、壊れています。"},
                 {3, "画像が途中で切れています。"}};
    for (const Case &c : cases)
        EXPECT_EQ(w.EntryProblem(*w.lvFile->Items().Item(c.row)), QString::fromUtf8(c.reason)) << c.row;
    select(w, {1});
    w.UpdateStatus(kAllStatus);
    EXPECT_TRUE(w.StatusText(0).contains(QStringLiteral("ファイルが見つかりません。"))) << w.StatusText(0).toStdString();
    // Each style draws the marker; look at the pictures.
    w.show();
    for (const auto &[style, name] : {std::pair{TImageViewStyle::ivsThumbnail, "thumbnail"},
                                      std::pair{TImageViewStyle::ivsList, "list"},
                                      std::pair{TImageViewStyle::ivsReport, "detail"}}) {
        w.SetViewStyle(style);
        QApplication::processEvents();
        const QImage shot = w.lvFile->grab().toImage();
        QDir().mkpath(QStringLiteral(VELLORA_RENDER_DIR));
        EXPECT_TRUE(shot.save(QStringLiteral(VELLORA_RENDER_DIR "/broken-entries-%1.png").arg(QLatin1String(name))));
        // The marker's warning colours are on the picture only where a
        // broken entry is drawn.
        QAbstractItemView *v = w.lvFile->ActiveView();
        const QRect goodRect = v->visualRect(v->model()->index(0, 0));
        const QRect goneRect = v->visualRect(v->model()->index(1, 0));
        auto warm = [&](const QRect &r) {
            int n = 0;
            const QPoint offset = v->viewport()->mapTo(w.lvFile, QPoint(0, 0));
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x) {
                    const QColor c = shot.pixelColor(QPoint(x, y) + offset);
                    n += c.red() > 180 && c.green() > 120 && c.blue() < 80;
                }
            return n;
        };
        EXPECT_GT(warm(goneRect), 10) << name;
        EXPECT_EQ(warm(goodRect), 0) << name;
    }
}

TEST_F(WorkSafetyTest, AReadErrorNamesTheFileAndWhy) {
    TfrmMain maker;
    hook(maker);
    const QString layout = linkDocument(maker, QStringLiteral("A"), 100);
    QFile f(layout);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray good = f.readAll();
    f.close();
    auto variant = [&](const char *name, const QByteArray &bytes) {
        const QString path = FDir.path() + QLatin1Char('/') + QLatin1String(name);
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return path;
    };
    QByteArray newer = good;
    newer[newer.size() - 5] = char(7);   // a save type this version does not know
    struct Case {
        QString path;
        const char *reason;
    } cases[] = {
        {variant("text.vlpf", "just some text, long enough to be read as an old document"), "Vellora のドキュメントではありません。"},
        {variant("cut.vlpf", good.left(good.size() - 3)), "ファイルが壊れているか、途中で切れています。"},
        {variant("newer.vlpf", newer), "新しいバージョンの Vellora で作られたドキュメント"},
        {FDir.path() + QStringLiteral("/gone.vlpf"), "ファイルがありません。"},
    };
    TfrmMain w;
    hook(w);
    for (const Case &c : cases) {
        FMessages.clear();
        FFiles = {{c.path}};
        w.Action(QStringLiteral("actOpenPaper"))->trigger();
        ASSERT_EQ(FMessages.size(), 1) << c.path.toStdString();
        const QStringList lines = FMessages[0].split(QLatin1Char('\n'));
        ASSERT_EQ(lines.size(), 3) << FMessages[0].toStdString();
        EXPECT_EQ(lines[0], QStringLiteral("ドキュメントの読み取りに失敗しました。"));
        EXPECT_EQ(lines[1], c.path);
        EXPECT_TRUE(lines[2].startsWith(QString::fromUtf8(c.reason))) << lines[2].toStdString();
    }
    EXPECT_TRUE(w.Document().isEmpty());
}
