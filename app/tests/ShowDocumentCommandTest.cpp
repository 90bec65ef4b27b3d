#include "model/Document.h"
#include "model/ImageInfos.h"
#include "model/PhotoPaper.h"
#include "model/TextArea.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

using namespace vellora;

namespace {

struct CommandRun {
    int status = -1;
    QByteArray out, err;
};

CommandRun showDocument(const QString &file)
{
    QProcess p;
    p.start(QStringLiteral(VELLORA_EXE), {QStringLiteral("--show-document"), file});
    p.waitForFinished(60000);
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

} // namespace

TEST(ShowDocumentCommand, EmbeddedDocumentMovedAwayFromItsPhotos)
{
    const QString dir = test::scratchDir(QStringLiteral("show-doc"));
    const QString photo = dir + QStringLiteral("/Canon_40D.jpg");
    ASSERT_TRUE(QFile::copy(test::testDataPath(QStringLiteral("photos/Canon_40D.jpg")), photo));
    TPhotoPaper paper;
    paper.SetDivide({2, 3});
    paper.PhotoAreas().AdjustAreas();
    paper.PhotoAreas().Items(4)->SetRotate(TPhotoRotate::pr90);
    paper.PhotoAreas().Items(4)->Areas().AddText()->SetText(QStringLiteral("名前"));
    TImageInfos images;
    TImageInfo *info = images.Add();
    info->SetFileName(photo, TImageLogging::iloLink);
    info->SetChecked(true);
    info->Options().SetCopies(4);
    info->Options().SetComment({QStringLiteral("旅行")});
    images.SetSaveType(TFileSaveType::fstStream);
    const QString saved = dir + QStringLiteral("/album.vlpf");
    SaveDocumentFile(saved, paper, images);

    const QString other = test::scratchDir(QStringLiteral("show-doc-moved"));
    const QString doc = other + QStringLiteral("/album.vlpf");
    ASSERT_TRUE(QFile::rename(saved, doc));
    ASSERT_TRUE(QDir(dir).removeRecursively());

    const CommandRun run = showDocument(doc);
    ASSERT_EQ(run.status, 0) << run.err.constData();
    const QJsonObject json = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(json[QLatin1String("Divide")][QLatin1String("cx")].toInt(), 2);
    EXPECT_EQ(json[QLatin1String("Divide")][QLatin1String("cy")].toInt(), 3);
    EXPECT_EQ(json[QLatin1String("Orientation")].toString(), QStringLiteral("qotPortrait"));
    const QJsonArray cells = json[QLatin1String("PhotoAreas")].toArray();
    ASSERT_EQ(cells.size(), 6);
    const QJsonObject cell = cells[4].toObject();
    EXPECT_EQ(cell[QLatin1String("Rotate")].toString(), QStringLiteral("pr90"));
    EXPECT_FALSE(cell[QLatin1String("ParentRotate")].toBool());
    EXPECT_TRUE(cell[QLatin1String("ParentPhotoSize")].toBool());
    EXPECT_EQ(cell[QLatin1String("Areas")][0][QLatin1String("Lines")][0].toString(), QStringLiteral("名前"));
    EXPECT_GT(cell[QLatin1String("Bounds")][QLatin1String("Right")].toDouble(),
              cell[QLatin1String("Bounds")][QLatin1String("Left")].toDouble());

    const QJsonObject list = json[QLatin1String("ImageInfos")].toObject();
    EXPECT_EQ(list[QLatin1String("SaveType")].toString(), QStringLiteral("fstStream"));
    const QJsonObject entry = list[QLatin1String("Items")][0].toObject();
    EXPECT_EQ(entry[QLatin1String("FileName")].toString(), photo);
    EXPECT_EQ(entry[QLatin1String("LogMode")].toString(), QStringLiteral("iloStream"));
    EXPECT_TRUE(entry[QLatin1String("Checked")].toBool());
    EXPECT_FALSE(entry[QLatin1String("IsExist")].toBool());
    EXPECT_EQ(entry[QLatin1String("Options")][QLatin1String("Copies")].toInt(), 4);
    EXPECT_EQ(entry[QLatin1String("Options")][QLatin1String("Comment")][0].toString(), QStringLiteral("旅行"));
    // The photo is shown from the data inside the document.
    const QJsonObject embedded = entry[QLatin1String("EmbeddedImage")].toObject();
    const QSize size = QImageReader(test::testDataPath(QStringLiteral("photos/Canon_40D.jpg"))).size();
    ASSERT_TRUE(size.isValid());
    EXPECT_EQ(embedded[QLatin1String("Width")].toInt(), size.width());
    EXPECT_EQ(embedded[QLatin1String("Height")].toInt(), size.height());
}

TEST(ShowDocumentCommand, UnknownTimesAreEmpty)
{
    const QString dir = test::scratchDir(QStringLiteral("show-doc-times"));
    const QString photo = dir + QStringLiteral("/Canon_40D.jpg");
    ASSERT_TRUE(QFile::copy(test::testDataPath(QStringLiteral("photos/Canon_40D.jpg")), photo));
    TPhotoPaper paper;
    TImageInfos images;
    images.Add()->SetFileName(photo, TImageLogging::iloLink);
    images.Add()->SetFileName(dir + QStringLiteral("/never-there.jpg"), TImageLogging::iloLink);
    images.SetSaveType(TFileSaveType::fstLink);
    const QString doc = dir + QStringLiteral("/times.vlpf");
    SaveDocumentFile(doc, paper, images);

    const CommandRun run = showDocument(doc);
    ASSERT_EQ(run.status, 0) << run.err.constData();
    const QJsonArray items = QJsonDocument::fromJson(run.out).object()[QLatin1String("ImageInfos")][QLatin1String("Items")].toArray();
    ASSERT_EQ(items.size(), 2);
    const QJsonObject known = items[0].toObject();
    EXPECT_TRUE(known[QLatin1String("ShotTime")].toString().startsWith(QStringLiteral("2008/05/30 ")));
    EXPECT_FALSE(known[QLatin1String("FileTime")].toString().isEmpty());
    const QJsonObject unknown = items[1].toObject();
    EXPECT_EQ(unknown[QLatin1String("ShotTime")], QJsonValue(QString()));
    EXPECT_EQ(unknown[QLatin1String("FileTime")], QJsonValue(QString()));
}

TEST(ShowDocumentCommand, UnreadableFileExitsWithTheReadMessage)
{
    const QString dir = test::scratchDir(QStringLiteral("show-doc-bad"));
    const QString doc = dir + QStringLiteral("/broken.vlpf");
    QFile f(doc);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("$VELLORADOC_\x01");
    f.close();
    for (const QString &file : {doc, dir + QStringLiteral("/missing.vlpf")}) {
        const CommandRun run = showDocument(file);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(QString::fromUtf8(run.err).contains(QString::fromUtf16(kDocumentReadErrorText))) << run.err.constData();
    }
}
