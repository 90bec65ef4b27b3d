#include "model/PhotoPaper.h"
#include "model/ImageArea.h"
#include "model/TextArea.h"

#include <gtest/gtest.h>

using namespace vellora;

namespace {

// A paper of two cells side by side.
struct TwoCells {
    TPhotoPaper paper;
    TPhotoArea *a = nullptr;
    TPhotoArea *b = nullptr;
    TwoCells()
    {
        paper.SetDivide({2, 1});
        paper.PhotoAreas().AdjustAreas();
        a = paper.PhotoAreas().Items(0);
        b = paper.PhotoAreas().Items(1);
    }
};

} // namespace

TEST(PhotoAreaInheritance, APaperChangeReachesOnlyTheCellsThatInheritIt)
{
    TwoCells t;
    // Cell b takes its own value of every group.
    t.b->SetHorizontalAlign(TPhotoAlign::paLeftTop);
    t.b->SetVerticalAlign(TPhotoAlign::paLeftTop);
    t.b->SetPhotoScale(2.0);
    t.b->SetProtrudeWidth(1.0);
    t.b->SetRotate(TPhotoRotate::prNone);
    t.b->Background().Fill().SetColor(0x0000FF);
    EXPECT_FALSE(t.b->ParentHorizontalAlign());
    EXPECT_FALSE(t.b->ParentVerticalAlign());
    EXPECT_FALSE(t.b->ParentPhotoSize());
    EXPECT_FALSE(t.b->ParentProtrudeWidth());
    EXPECT_FALSE(t.b->ParentRotate());
    EXPECT_FALSE(t.b->ParentBackground());

    t.paper.SetHorizontalAlign(TPhotoAlign::paRightBottom);
    t.paper.SetVerticalAlign(TPhotoAlign::paRightBottom);
    t.paper.SetPhotoSize(TPhotoSize::psLarge);
    t.paper.SetProtrudeWidth(3.0);
    t.paper.SetRotate(TPhotoRotate::pr270);
    t.paper.Background().Fill().SetColor(0x00FF00);

    EXPECT_EQ(t.a->HorizontalAlign(), TPhotoAlign::paRightBottom);
    EXPECT_EQ(t.a->VerticalAlign(), TPhotoAlign::paRightBottom);
    EXPECT_EQ(t.a->PhotoSize(), TPhotoSize::psLarge);
    EXPECT_EQ(t.a->ProtrudeWidth(), 3.0);
    EXPECT_EQ(t.a->Rotate(), TPhotoRotate::pr270);
    EXPECT_EQ(t.a->Background().Fill().Color(), 0x00FF00u);
    EXPECT_TRUE(t.a->ParentBackground());

    EXPECT_EQ(t.b->HorizontalAlign(), TPhotoAlign::paLeftTop);
    EXPECT_EQ(t.b->VerticalAlign(), TPhotoAlign::paLeftTop);
    // One flag covers size, scale and limit: the size stays the cell's too.
    EXPECT_EQ(t.b->PhotoSize(), TPhotoSize::psPaper);
    EXPECT_EQ(t.b->PhotoScale(), 2.0);
    EXPECT_EQ(t.b->ProtrudeWidth(), 1.0);
    EXPECT_EQ(t.b->Rotate(), TPhotoRotate::prNone);
    EXPECT_EQ(t.b->Background().Fill().Color(), 0x0000FFu);

    // Inheriting again takes the paper's value at once.
    t.b->SetParentRotate(true);
    EXPECT_EQ(t.b->Rotate(), TPhotoRotate::pr270);
    t.b->SetParentBackground(true);
    EXPECT_EQ(t.b->Background().Fill().Color(), 0x00FF00u);
    EXPECT_TRUE(t.b->State().empty());
}

TEST(PhotoAreaInheritance, ValuesSetInsideAParentChangeKeepTheFlags)
{
    TwoCells t;
    t.a->BeginParentChange();
    t.a->SetRotate(TPhotoRotate::pr90);
    t.a->SetPhotoSize(TPhotoSize::psScale);
    t.a->Background().Fill().SetStyle(TFillStyle::fisSolid);
    t.a->EndParentChange();
    EXPECT_EQ(t.a->Rotate(), TPhotoRotate::pr90);
    EXPECT_TRUE(t.a->ParentRotate());
    EXPECT_TRUE(t.a->ParentPhotoSize());
    EXPECT_TRUE(t.a->ParentBackground());
    // Writing the value a cell already has is no change.
    t.a->SetRotate(TPhotoRotate::pr90);
    EXPECT_TRUE(t.a->ParentRotate());
}

TEST(PhotoAreaInheritance, AssignCopiesOwnValuesReinheritsTheRestAndCopiesFreeAreas)
{
    TwoCells from;
    from.a->SetRotate(TPhotoRotate::pr180);
    from.a->SetPhotoSize(TPhotoSize::psScale);
    from.a->SetPhotoScale(0.5);
    from.a->Areas().AddImage();
    from.a->Areas().AddText()->SetText(QStringLiteral("caption"));

    TwoCells to;
    to.paper.SetPhotoSize(TPhotoSize::psLarge);
    to.paper.SetHorizontalAlign(TPhotoAlign::paRightBottom);
    to.b->SetHorizontalAlign(TPhotoAlign::paLeftTop);
    to.b->Areas().AddText();
    const TFloatRect bounds = to.b->Bounds();

    to.b->Assign(*from.a);
    EXPECT_EQ(to.b->Rotate(), TPhotoRotate::pr180);
    EXPECT_FALSE(to.b->ParentRotate());
    EXPECT_EQ(to.b->PhotoSize(), TPhotoSize::psScale);
    EXPECT_EQ(to.b->PhotoScale(), 0.5);
    // The source inherits its alignment, so the destination inherits from its own paper.
    EXPECT_TRUE(to.b->ParentHorizontalAlign());
    EXPECT_EQ(to.b->HorizontalAlign(), TPhotoAlign::paRightBottom);
    EXPECT_EQ(to.b->Bounds(), bounds);
    ASSERT_EQ(to.b->Areas().Count(), 2);
    EXPECT_NE(dynamic_cast<TImageArea *>(to.b->Areas().Items(0)), nullptr);
    auto *text = dynamic_cast<TTextArea *>(to.b->Areas().Items(1));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Lines(), QStringList{QStringLiteral("caption")});
    EXPECT_EQ(text->Owner(), &to.b->Areas());
}

TEST(PhotoAreaInheritance, CopyFromTakesTheFlagsButNeitherFreeAreasNorBounds)
{
    TwoCells t;
    t.a->SetRotate(TPhotoRotate::pr90);
    t.a->Areas().AddText();
    t.b->SetVerticalAlign(TPhotoAlign::paLeftTop);
    const TFloatRect bounds = t.b->Bounds();

    t.b->CopyFrom(*t.a);
    EXPECT_FALSE(t.b->ParentRotate());
    EXPECT_EQ(t.b->Rotate(), TPhotoRotate::pr90);
    EXPECT_TRUE(t.b->ParentVerticalAlign());
    EXPECT_EQ(t.b->VerticalAlign(), t.paper.VerticalAlign());
    EXPECT_EQ(t.b->Areas().Count(), 0);
    EXPECT_EQ(t.b->Bounds(), bounds);
}
