#include "model/ImageArea.h"
#include "model/PhotoPaper.h"
#include "model/TextArea.h"

#include <gtest/gtest.h>

using namespace vellora;

namespace {

QStringList kinds(const TAreas &areas)
{
    QStringList out;
    for (int i = 0; i < areas.Count(); ++i) {
        const TCustomArea *a = areas.Items(i);
        const auto *text = dynamic_cast<const TTextArea *>(a);
        out << (text ? QStringLiteral("T:") + text->Lines().join(QLatin1Char('|')) : QStringLiteral("I"));
    }
    return out;
}

} // namespace

TEST(FreeAreaList, AddInsertMoveAndRemoveKeepTheDrawingOrder)
{
    TPhotoPaper paper;
    TAreas &areas = paper.Areas();
    areas.AddText()->SetText(QStringLiteral("a"));
    areas.AddImage();
    areas.InsertText(1)->SetText(QStringLiteral("b"));
    areas.InsertText(99)->SetText(QStringLiteral("c"));    // outside: appended
    areas.InsertText(-1)->SetText(QStringLiteral("d"));
    EXPECT_EQ(kinds(areas), QStringList({"T:a", "T:b", "I", "T:c", "T:d"}));

    areas.Move(0, 3);
    EXPECT_EQ(kinds(areas), QStringList({"T:b", "I", "T:c", "T:a", "T:d"}));
    TCustomArea *image = areas.Items(1);
    EXPECT_EQ(areas.IndexOf(image), 1);
    EXPECT_EQ(image->Index(), 1);
    areas.Remove(image);
    EXPECT_EQ(areas.IndexOf(image), -1);
    areas.Delete(0);
    EXPECT_EQ(kinds(areas), QStringList({"T:c", "T:a", "T:d"}));
    EXPECT_THROW(areas.Delete(3), std::out_of_range);
    EXPECT_THROW(areas.Move(0, 3), std::out_of_range);
}

TEST(FreeAreaList, NewAreasLinkToTheCellsCurrentPlace)
{
    // Cells remember where they were last found; after the grid shifts the
    // link must still be the cell's place now.
    TPhotoPaper paper;
    paper.SetDivide({3, 1});
    TPhotoAreas &cells = paper.PhotoAreas();
    cells.AdjustAreas();
    TPhotoArea *second = cells.Items(1);
    EXPECT_EQ(second->Areas().AddText()->LinkAreaIndex(), 1);
    TPhotoArea *inserted = cells.Insert(0);
    EXPECT_EQ(second->Areas().AddText()->LinkAreaIndex(), 2);
    EXPECT_EQ(inserted->Areas().AddText()->LinkAreaIndex(), 0);
    cells.Delete(0);
    cells.Delete(0);
    EXPECT_EQ(second->Index(), 0);
    EXPECT_EQ(second->Areas().AddImage()->LinkAreaIndex(), 0);
    for (int i = 0; i < cells.Count(); ++i)
        EXPECT_EQ(cells.Items(i)->Index(), i);
    TPhotoArea outside(nullptr);
    EXPECT_EQ(cells.IndexOf(&outside), -1);
    EXPECT_EQ(cells.IndexOf(nullptr), -1);
}

TEST(FreeAreaList, NewAreasLinkToTheirCellAndSeeThePapersFont)
{
    TPhotoPaper paper;
    paper.SetDivide({2, 2});
    paper.PhotoAreas().AdjustAreas();
    TPhotoArea *cell3 = paper.PhotoAreas().Items(3);
    EXPECT_EQ(paper.Areas().AddText()->LinkAreaIndex(), 0);
    TTextArea *inCell = cell3->Areas().AddText();
    EXPECT_EQ(inCell->LinkAreaIndex(), 3);
    EXPECT_EQ(inCell->Paper(), &paper);
    EXPECT_EQ(cell3->Areas().ParentFont(), &paper.Font());

    TFont own;
    own.Name = QStringLiteral("Own");
    inCell->SetFont(own);
    EXPECT_EQ(inCell->Font().Name, paper.Font().Name);
    inCell->SetParentFont(false);
    EXPECT_EQ(inCell->Font().Name, QStringLiteral("Own"));
}

TEST(FreeAreaList, AssignRecreatesEachKindAndCopyFromKeepsTheNewLinks)
{
    TPhotoPaper paper;
    paper.SetDivide({3, 1});
    paper.PhotoAreas().AdjustAreas();
    TAreas &source = paper.PhotoAreas().Items(0)->Areas();
    TTextArea *text = source.AddText();
    text->SetSource(TTextSourceType::tstFileName);
    text->SetBounds(FloatRect(1, 2, 30, 8));
    text->SetAngle(TTextAngle::taAngle90);
    source.AddImage()->SetLink(true);

    TAreas &assigned = paper.PhotoAreas().Items(1)->Areas();
    assigned.Assign(source);
    TAreas &copied = paper.PhotoAreas().Items(2)->Areas();
    copied.CopyFrom(source);
    for (TAreas *areas : {&assigned, &copied}) {
        ASSERT_EQ(areas->Count(), 2);
        auto *t = dynamic_cast<TTextArea *>(areas->Items(0));
        auto *i = dynamic_cast<TImageArea *>(areas->Items(1));
        ASSERT_TRUE(t && i);
        EXPECT_EQ(t->Source(), TTextSourceType::tstFileName);
        EXPECT_EQ(t->Bounds(), FloatRect(1, 2, 30, 8));
        EXPECT_EQ(t->Angle(), TTextAngle::taAngle90);
        EXPECT_TRUE(i->Link());
        EXPECT_EQ(t->Owner(), areas);
    }
    // Assign takes the source's link (cell 0); CopyFrom keeps the area's own cell.
    EXPECT_EQ(assigned.Items(0)->LinkAreaIndex(), 0);
    EXPECT_EQ(copied.Items(0)->LinkAreaIndex(), 2);
    EXPECT_EQ(copied.Items(1)->LinkAreaIndex(), 2);
}

TEST(FreeArea, AssigningATextAreaCopiesTheOwnFontWhateverParentFontIs)
{
    TPhotoPaper paper;
    const TFont paperFont = paper.Font();
    TTextArea *source = paper.Areas().AddText();
    TFont own;
    own.Name = QStringLiteral("Source font");
    own.SetSize(20);
    source->SetFont(own);
    source->SetParentFont(false);
    source->SetRowPitch(4.5);
    source->SetFitMode(TTextFitMode::tfmSize);
    source->SetAdjustmentAngle(true);
    source->SetPaddings(FloatRect(1, 2, 3, 4));

    TTextArea *dest = paper.Areas().AddText();
    ASSERT_TRUE(dest->ParentFont());
    dest->Assign(*source);
    EXPECT_EQ(dest->OwnFont(), own);
    EXPECT_FALSE(dest->ParentFont());
    EXPECT_EQ(dest->RowPitch(), 4.5L);
    EXPECT_EQ(dest->FitMode(), TTextFitMode::tfmSize);
    EXPECT_TRUE(dest->AdjustmentAngle());
    EXPECT_EQ(dest->Paddings(), FloatRect(1, 2, 3, 4));
    EXPECT_EQ(paper.Font(), paperFont);

    // A picture area takes only the common part from a text area.
    TImageArea *image = paper.Areas().AddImage();
    image->Assign(*source);
    EXPECT_EQ(image->Bounds(), source->Bounds());
    EXPECT_FALSE(image->Link());
}

TEST(FreeArea, TextKeepsItsLines)
{
    TPhotoPaper paper;
    TTextArea *text = paper.Areas().AddText();
    text->SetText(QStringLiteral("one\r\ntwo\nthree\r\n"));
    EXPECT_EQ(text->Lines(), QStringList({"one", "two", "three"}));
    EXPECT_EQ(text->Text(), QStringLiteral("one\r\ntwo\r\nthree\r\n"));
    text->SetText(QString());
    EXPECT_TRUE(text->Lines().isEmpty());
    EXPECT_EQ(text->CurrentText(true), QStringLiteral("指定した固定のテキストが入ります。"));
}

TEST(FreeArea, AFixedPictureIsTurnedOnce)
{
    TPhotoPaper paper;
    TImageArea *image = paper.Areas().AddImage();
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(Qt::white);
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    image->SetBitmap(picture);
    image->SetAngle(TTextAngle::taAngle90);

    image->PreparePicture();
    EXPECT_EQ(image->Bitmap().size(), QSize(20, 30));
    EXPECT_EQ(image->Bitmap().pixel(19, 0), qRgb(255, 0, 0));   // top-left went to top-right
    EXPECT_EQ(image->Angle(), TTextAngle::taNone);

    image->PreparePicture();
    EXPECT_EQ(image->Bitmap().size(), QSize(20, 30));
    EXPECT_EQ(image->Bitmap().pixel(19, 0), qRgb(255, 0, 0));
}
