// Icons: TQvIcon holds the images of an icon file (sizes and colour depths),
// reads and writes the icon file format, picks the image that best fits a
// size and device depth, draws it, and builds icon images from any picture
// (mask from transparency, stretching, colour reduction). TQvIconImage is one
// image, kept exactly as it is stored in a file. Outside bytes are read
// through ByteReader; format errors throw EQvGraphic. UI thread for the
// clipboard and QIcon functions; otherwise one thread at a time.
#pragma once

#include "graphics/ColorReduction.h"
#include "graphics/GraphicClass.h"

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class QMimeData;
class QPainter;

namespace vellora {

// The icon unit's error: "ID:<id> <text>". Derived from the graphics error so
// that callers treat a bad icon as an unreadable image.
class EQvGraphic : public EGraphicError {
public:
    explicit EQvGraphic(int id);
    int LastErrorID() const noexcept { return FLastErrorID; }

private:
    int FLastErrorID;
};

// 0 "Graphic Error", 1 "Indistinct error", 2 "Uncorresponding format",
// 3 "Invalid format", 4 "Image is empty.", 5 "Failed Creating Handle.",
// 6 "Failed Creating Image.", others empty.
QString QvGraphicErrorText(int id);

enum class TQvIconStretchMode : std::uint8_t { smAuto, smFit, smProportional };

// Depth of the images made for a preferred bit count: 1 for 0-1, 4 for
// 2-4, 8 for 5-8, 16 for 9-14 and 16, 15 for 15, 32 for 32, 24 otherwise.
int IconDepth(int bitCount);

// The private clipboard format of whole icon files.
inline constexpr char kQvIconClipboardFormat[] = "QvIconClipboardFormatInQvGraphics";

class TQvIcon;

class TQvIconImage {
public:
    explicit TQvIconImage(TQvIcon *icon = nullptr) : FIcon(icon) {}

    std::uint16_t BitCount() const noexcept { return FBitCount; }
    std::uint8_t ColorCount() const noexcept { return FColorCount; }
    int Width() const noexcept { return FWidth; }
    int Height() const noexcept { return FHeight; }
    int Index() const noexcept { return FIndex; }
    TQvIcon *Icon() const noexcept { return FIcon; }
    // The 16-byte directory entry followed by the image's data, as in a file.
    const QByteArray &IconMemory() const noexcept { return FIconMemory; }

    // Copies depth, colour count, size, memory and handle.
    void Assign(const TQvIconImage &source);
    // Builds the image from a picture at the owning icon's size, bit count and
    // stretch mode (32 x 32 at 4 bits, smAuto without an icon).
    void Assign(const QImage &picture);
    void AssignTo(TQvIconImage &dest) const { dest.Assign(*this); }
    // Drawn at the image's size onto a white 24-bit bitmap.
    void AssignTo(TGraphic &dest) const;
    QIcon ToIcon() const;

    // The picture with alpha from the mask (or a 32-bit image's own alpha);
    // made from the memory on first use. Throws EQvGraphic 5 when it cannot.
    QImage Handle() const;
    // Rebuilds the memory from image at this image's depth (the icon's
    // depth when it has none yet). Throws EQvGraphic 3 above 256 pixels.
    void SetHandle(const QImage &image);

    bool Empty() const noexcept { return FIconMemory.isEmpty() && FHandle.isNull(); }

private:
    friend class TQvIcon;
    // Reads one directory entry and its data from a whole icon file.
    static std::unique_ptr<TQvIconImage> fromFile(TQvIcon *icon, const QByteArray &file, std::size_t entryOffset);
    void setMemory(QByteArray memory);

    std::uint16_t FBitCount = 0;
    std::uint8_t FColorCount = 0;
    mutable QImage FHandle;
    int FHeight = 0;
    int FWidth = 0;
    TQvIcon *FIcon;
    QByteArray FIconMemory;
    int FIndex = -1;
};

// Loaded through the picture registry, an icon whose images this reader does
// not take (PNG-compressed entries and the like) is read with Qt's icon
// reader instead, so that such files still load. The graphic's picture
// (TGraphic::Image) is the image a true-colour canvas shows at the preferred
// size and follows the images; SetImage does not change them (use Assign).
class TQvIcon : public TGraphic {
public:
    TQvIcon();
    ~TQvIcon() override;

    std::uint8_t BitCount() const noexcept { return FBitCount; }
    void SetBitCount(int bits);                  // 0 gives 1, above 32 gives 32
    int Width() const noexcept { return FWidth; }
    void SetWidth(int width);                    // outside 1..65534: ignored
    int Height() const noexcept { return FHeight; }
    void SetHeight(int height);                  // outside 1..65534: ignored
    TQvIconStretchMode StretchMode() const noexcept { return FStretchMode; }
    void SetStretchMode(TQvIconStretchMode mode) { FStretchMode = mode; }
    bool QtFallback() const noexcept { return FQtFallback; }
    void SetQtFallback(bool on) { FQtFallback = on; }
    // The graphic's picture (what a print or a viewer takes) is the largest
    // image rather than the one nearest the preferred size.
    bool LargestAsPicture() const noexcept { return FLargestAsPicture; }
    void SetLargestAsPicture(bool on);

    int Count() const noexcept { return static_cast<int>(FImages.size()); }
    const TQvIconImage &Images(int index) const { return *FImages.at(static_cast<std::size_t>(index)); }
    TQvIconImage &Images(int index) { return *FImages.at(static_cast<std::size_t>(index)); }

    // Adds every image of another icon, every size of a system icon, or one
    // image made from a picture.
    void AddIcon(const TQvIcon &icon);
    void AddIcon(const QIcon &icon);
    void AddIcon(const QImage &picture);
    // Replaces the images by those of the source.
    void Assign(const TQvIcon &source);
    void Assign(const QIcon &icon);
    void Assign(const QImage &picture);
    void Assign(const TGraphic &graphic);
    // The private format when present, else a picture; EQvGraphic 3 when
    // neither is there.
    void Assign(const QMimeData &mime);
    void AssignTo(TQvIcon &dest) const { dest.Assign(*this); }
    // The private format and the nearest image as a picture, so that other
    // programs can paste it.
    void AssignTo(QMimeData &mime) const;
    // The image nearest the preferred size and depth.
    void AssignTo(TGraphic &dest) const;
    QIcon ToIcon() const;
    void CopyToClipboard() const;
    void PasteFromClipboard();

    void ClearImages();

    // Draws the image that fits the target's device pixels and the device's
    // depth best, stretched into target.
    void Draw(QPainter &painter, const QRectF &target) const;

    // The whole icon file; EQvGraphic 2 for other files, 3 for broken ones.
    void LoadFromData(const QByteArray &data);
    void LoadFromStream(TStream &stream);
    void SaveToStream(TStream &stream) const;
    QByteArray SaveToData() const;

    // An empty icon leaves format and data untouched.
    void SaveToClipboardFormat(QString &format, QByteArray &data) const;
    // EQvGraphic 3 for another format, 4 without data.
    void LoadFromClipboardFormat(const QString &format, const QByteArray &data);

    // Index of the image nearest width x height, then bitCount; the first on
    // ties. Sets the arguments to its values; -1 when there is none.
    int NearestIcon(int &width, int &height, int &bitCount) const;
    // The colour table of the image nearest the preferred size and depth.
    TPalette Palette() const;
    bool Empty() const noexcept;

protected:
    QImage decode(const QByteArray &data) override;
    QByteArray encode(const QImage &image) const override;

private:
    void parse(const QByteArray &data);
    void readWithQt(const QByteArray &data);
    void append(std::unique_ptr<TQvIconImage> image);
    // Keeps the graphic's picture in step with the images.
    void changed();
    QImage displayImage() const;

    std::uint8_t FBitCount = 4;
    int FHeight = 32;
    int FWidth = 32;
    std::vector<std::unique_ptr<TQvIconImage>> FImages;
    TQvIconStretchMode FStretchMode = TQvIconStretchMode::smAuto;
    bool FQtFallback = false;
    bool FLargestAsPicture = false;
};

// The class the picture registries use for ".ico": TQvIcon with Qt's reader
// as the fallback, giving its largest image as the picture. Its description
// in the picture loader is "アイコン".
std::unique_ptr<TGraphic> CreateQvIconGraphic();
QString QvIconPictureExtension();     // "ico"
QString QvIconPictureDescription();   // "アイコン"

} // namespace vellora
