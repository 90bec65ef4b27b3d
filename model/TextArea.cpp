#include "model/TextArea.h"

#include "graphics/TextWriter.h"
#include "model/ImageInfo.h"
#include "model/PhotoPaper.h"
#include "model/PhotoTurn.h"

namespace vellora {

TTextSourceFacts TextSourceFacts(const TImageInfo &info)
{
    TTextSourceFacts f;
    f.fileName = info.FileName();
    f.fileSizeText = info.FileSizeText();
    if (info.FileTime() != 0)
        f.fileTime = DateTimeToQt(info.FileTime());
    f.fileTimeText = info.FileTimeText();
    f.comment = info.Options().Comment();
    f.imageSizeText = info.ImageSizeText();
    f.isExif = info.IsExif();
    if (info.ShotTime() != 0)
        f.shotTime = DateTimeToQt(info.ShotTime());
    f.shotTimeText = info.ShotTimeText();
    f.exifComment = info.ExifComment();
    f.description = info.Descriptin();
    return f;
}

// --- TTextArea

TTextArea::TTextArea(TAreas *owner) : TCustomArea(owner) {}

std::unique_ptr<TCustomArea> TTextArea::CreateSameClass(TAreas *owner) const
{
    return std::make_unique<TTextArea>(owner);
}

const TFont &TTextArea::Font() const
{
    if (FParentFont && Owner()) {
        if (const TFont *paperFont = Owner()->ParentFont())
            return *paperFont;
    }
    return FFont;
}

void TTextArea::SetText(const QString &text)
{
    QString normal = text;
    normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (normal.endsWith(QLatin1Char('\n')))
        normal.chop(1);
    FLines = normal.isEmpty() && text.isEmpty() ? QStringList() : normal.split(QLatin1Char('\n'));
}

void TTextArea::Assign(const TCustomArea &source)
{
    if (&source == this)
        return;
    TCustomArea::Assign(source);
    const auto *text = dynamic_cast<const TTextArea *>(&source);
    if (!text)
        return;
    FFitMode = text->FFitMode;
    FFont = text->FFont;
    FHorzAlignment = text->FHorzAlignment;
    FVertAlignment = text->FVertAlignment;
    FLines = text->FLines;
    FPaddings = text->FPaddings;
    FParentFont = text->FParentFont;
    FRowPitch = text->FRowPitch;
    FSource = text->FSource;
    FAdjustmentAngle = text->FAdjustmentAngle;
}

QString TTextArea::CurrentText(bool preview) const
{
    if (preview)
        return PreviewText(FSource, FLines);
    const TImageInfo *info = LinkedImage();
    const TPhotoPaper *paper = Paper();
    const std::int32_t page = paper ? paper->PrintingInfo().piNowPage : 0;
    if (!info)
        return SourceText(FSource, FLines, nullptr, page);
    const TTextSourceFacts facts = TextSourceFacts(*info);
    return SourceText(FSource, FLines, &facts, page);
}

TTextAngle TTextArea::CurrentAngle() const
{
    const TImageInfo *info = FAdjustmentAngle ? LinkedImage() : nullptr;
    if (!info)
        return Angle();
    int orientation = Ord(info->Orientation());
    // A photo drawn upright needs no turn for its orientation, only for the
    // rule's; a photo without a known orientation keeps the angle as it is.
    if (ExifRotate() && orientation >= 1 && orientation <= 8)
        orientation = 1;
    return AdjustedTextAngle(Angle(), orientation, info->Options().TrueRotate());
}

bool TTextArea::HasContent(bool preview) const
{
    // Blank text writes nothing visible.
    return !CurrentText(preview).trimmed().isEmpty();
}

void TTextArea::DrawContent(QPainter &canvas, double resolution, bool preview, const TFloatPoint &origin)
{
    TQvTextWriter writer;
    writer.SetAngle(CurrentAngle());
    switch (FFitMode) {
    case TTextFitMode::tfmNone:
        writer.SetFitStyle(TTextFitStyle::fsNone);
        writer.SetWrapStyle(TTextWrapStyle::wsReturnOnly);
        break;
    case TTextFitMode::tfmWrap:
        writer.SetFitStyle(TTextFitStyle::fsNone);
        writer.SetWrapStyle(TTextWrapStyle::wsWrap);
        break;
    case TTextFitMode::tfmTrans:
        writer.SetFitStyle(TTextFitStyle::fsTrans);
        writer.SetWrapStyle(TTextWrapStyle::wsReturnOnly);
        break;
    case TTextFitMode::tfmSize:
        writer.SetFitStyle(TTextFitStyle::fsSize);
        writer.SetWrapStyle(TTextWrapStyle::wsReturnOnly);
        break;
    }
    const TFont &font = Font();
    writer.SetFont(font);
    writer.SetHorzAlignment(FHorzAlignment);
    writer.SetVertAlignment(FVertAlignment);
    writer.SetResolution(FloatSize(resolution, resolution));
    writer.SetRowStyle(TTextPitchStyle::psPitch);
    writer.SetMMPadding(FPaddings);
    writer.SetMMRowPitch(EffectiveRowPitchMM(static_cast<double>(FRowPitch), font));
    writer.SetText(CurrentText(preview));
    TFloatRect rect = CanvasRect(origin);
    writer.MMDraw(&canvas, rect);
}

} // namespace vellora
