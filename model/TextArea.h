// A free area that writes a text: fixed lines, or a fact of the image the
// linked cell is drawing (file name, dates, sizes, comments, Exif texts, the
// page number). The text is laid out by the text writer inside the area less
// its paddings. Lengths in mm.
#pragma once

#include "model/Areas.h"
#include "model/TextSources.h"
#include "model/Types.h"

#include <QStringList>

namespace vellora {

// The facts of an entry as text sources show them.
TTextSourceFacts TextSourceFacts(const TImageInfo &info);

class TTextArea : public TCustomArea {
public:
    explicit TTextArea(TAreas *owner);
    std::unique_ptr<TCustomArea> CreateSameClass(TAreas *owner) const override;

    bool AdjustmentAngle() const noexcept { return FAdjustmentAngle; }
    void SetAdjustmentAngle(bool value) noexcept { FAdjustmentAngle = value; }
    TTextFitMode FitMode() const noexcept { return FFitMode; }
    void SetFitMode(TTextFitMode mode) noexcept { FFitMode = mode; }
    // The paper's font when ParentFont is set (and there is a paper), else the own.
    const TFont &Font() const;
    const TFont &OwnFont() const noexcept { return FFont; }
    void SetFont(const TFont &font) { FFont = font; }
    THorzAlignment HorzAlignment() const noexcept { return FHorzAlignment; }
    void SetHorzAlignment(THorzAlignment value) noexcept { FHorzAlignment = value; }
    TVertAlignment VertAlignment() const noexcept { return FVertAlignment; }
    void SetVertAlignment(TVertAlignment value) noexcept { FVertAlignment = value; }
    const QStringList &Lines() const noexcept { return FLines; }
    void SetLines(const QStringList &lines) { FLines = lines; }
    QString Text() const { return JoinLines(FLines); }
    // Splits at CR LF, LF or CR; one trailing break adds no empty line.
    void SetText(const QString &text);
    const TFloatRect &Paddings() const noexcept { return FPaddings; }
    void SetPaddings(const TFloatRect &paddings) noexcept { FPaddings = paddings; }
    Extended PaddingLeft() const noexcept { return FPaddings.Left; }
    Extended PaddingTop() const noexcept { return FPaddings.Top; }
    Extended PaddingRight() const noexcept { return FPaddings.Right; }
    Extended PaddingBottom() const noexcept { return FPaddings.Bottom; }
    bool ParentFont() const noexcept { return FParentFont; }
    void SetParentFont(bool value) noexcept { FParentFont = value; }
    Extended RowPitch() const noexcept { return FRowPitch; }
    void SetRowPitch(Extended mm) noexcept { FRowPitch = mm; }
    TTextSourceType Source() const noexcept { return FSource; }
    void SetSource(TTextSourceType source) noexcept { FSource = source; }

    // Copies the own font whatever either ParentFont is.
    void Assign(const TCustomArea &source) override;

    // The text this area writes now (the sample in a preview).
    QString CurrentText(bool preview) const;
    // The writer angle this area draws with now.
    TTextAngle CurrentAngle() const;

protected:
    void DrawContent(QPainter &canvas, double resolution, bool preview, const TFloatPoint &origin) override;
    bool HasContent(bool preview) const override;

private:
    bool FAdjustmentAngle = false;
    TTextFitMode FFitMode = TTextFitMode::tfmNone;
    TFont FFont;
    THorzAlignment FHorzAlignment = THorzAlignment::haLeft;
    QStringList FLines;
    TFloatRect FPaddings;
    bool FParentFont = true;
    Extended FRowPitch = 0;
    TTextSourceType FSource = TTextSourceType::tstFix;
    TVertAlignment FVertAlignment = TVertAlignment::vaTop;
};

} // namespace vellora
