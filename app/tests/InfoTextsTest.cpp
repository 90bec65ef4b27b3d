#include "app/InfoCommand.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QImage>
#include <QLocale>
#include <gtest/gtest.h>

using namespace vellora::app;
using namespace vellora::test;

namespace {

// The texts follow the user's locale; pin it for the test.
class InfoTexts : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan)); }
    void TearDown() override { QLocale::setDefault(FOld); }
    QLocale FOld;
};

} // namespace

TEST_F(InfoTexts, CameraPhotoShowsTheEntryTextsAndHeaderSize)
{
    const QJsonObject facts = imageFacts(testDataPath("photos/Canon_40D.jpg"));
    ASSERT_FALSE(facts.contains("error")) << facts["error"].toString().toStdString();
    EXPECT_EQ(facts["imageWidth"], 100);
    EXPECT_EQ(facts["imageHeight"], 68);
    EXPECT_EQ(facts["imageSizeText"], QStringLiteral("100×68 ピクセル"));
    EXPECT_EQ(facts["shotTimeText"], "2008/05/30 15:56:01.0");
    EXPECT_EQ(facts["fileSizeText"], "7.8 KB");   // 7958 bytes
    const QString fileTime = facts["fileTimeText"].toString();
    EXPECT_TRUE(fileTime.startsWith(QDateTime::fromString(facts["fileTime"].toString(), Qt::ISODate)
                                        .toString("yyyy/MM/dd")))
        << fileTime.toStdString();
}

TEST_F(InfoTexts, ImageWithoutExifHasNoShotTime)
{
    const QString path = QDir(scratchDir("info-texts")).filePath("plain.png");
    ASSERT_TRUE(QImage(30, 20, QImage::Format_RGB888).save(path, "PNG"));
    const QJsonObject facts = imageFacts(path);
    ASSERT_FALSE(facts.contains("error")) << facts["error"].toString().toStdString();
    EXPECT_EQ(facts["imageWidth"], 30);
    EXPECT_EQ(facts["imageHeight"], 20);
    EXPECT_EQ(facts["imageSizeText"], QStringLiteral("30×20 ピクセル"));
    EXPECT_EQ(facts["shotTimeText"], QStringLiteral("(なし)"));
    EXPECT_TRUE(facts["fileSizeText"].toString().endsWith(QStringLiteral(" バイト")));
}
