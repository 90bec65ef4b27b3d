#include "app/ShowDocumentCommand.h"

#include "model/Document.h"
#include "model/ImageArea.h"
#include "model/ImageInfos.h"
#include "model/PhotoArea.h"
#include "model/PhotoPaper.h"
#include "model/TextArea.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>
#include <initializer_list>

namespace vellora::app {

namespace {

template <typename E>
QString name(E value, std::initializer_list<const char *> names)
{
    const auto i = static_cast<std::size_t>(Ord(value));
    return i < names.size() ? QLatin1String(names.begin()[i]) : QString::number(i);
}

QString name(TPhotoAlign v) { return name(v, {"paLeftTop", "paCenter", "paRightBottom"}); }
QString name(TPhotoSize v) { return name(v, {"psPhoto", "psPaper", "psLarge", "psScale"}); }
QString name(TPhotoLimitMode v) { return name(v, {"plmNone", "plmUpOnly", "plmDownOnly"}); }
QString name(TPhotoRotate v) { return name(v, {"prNone", "prAuto", "pr90", "pr180", "pr270"}); }
QString name(TFillStyle v) { return name(v, {"fisNone", "fisSolid", "fisGradient", "fisImage"}); }
QString name(TFrameStyle v)
{
    return name(v, {"frsNone", "frsSolid", "frsDash", "frsDot", "frsDashDot", "frsDashDotDot"});
}
QString name(TFrameEndCap v) { return name(v, {"fecRound", "fecSquare", "fecFlat"}); }
QString name(TFrameJoinStyle v) { return name(v, {"fjsBevel", "fjsMiter", "fjsRound"}); }
QString name(TImageDrawMode v) { return name(v, {"idmOrigin", "idmStretch", "idmProportional", "idmTile"}); }
QString name(TGradientDirection v) { return name(v, {"gdHorizontal", "gdVertical"}); }
QString name(TTextAngle v) { return name(v, {"taNone", "taAngle90", "taAngle180", "taAngle270"}); }
QString name(THorzAlignment v) { return name(v, {"haLeft", "haCenter", "haRight", "haEven", "haBoth"}); }
QString name(TVertAlignment v) { return name(v, {"vaTop", "vaCenter", "vaBottom", "vaEven"}); }
QString name(TTextFitMode v) { return name(v, {"tfmNone", "tfmWrap", "tfmTrans", "tfmSize"}); }
QString name(TTextSourceType v)
{
    return name(v, {"tstFix", "tstFileName", "tstFileSize", "tstFileDate", "tstFileTime", "tstImageComment",
                    "tstImageSize", "tstExifDate", "tstExifTime", "tstExifComment", "tstExifDescription",
                    "tstFileDateTime", "tstExifDateTime", "tstPageNumber"});
}
QString name(TQvOrientation v) { return name(v, {"qotPortrait", "qotLandscape"}); }
QString name(TFileSaveType v) { return name(v, {"fstLayout", "fstLink", "fstStream"}); }
QString name(TImageLogging v) { return name(v, {"iloLink", "iloStream"}); }
QString name(TParentMode v) { return name(v, {"pamArea", "pamPaper", "pamOrigin"}); }
QString name(TFontPitch v) { return name(v, {"fpDefault", "fpVariable", "fpFixed"}); }

double mm(Extended v) { return static_cast<double>(v); }

QJsonObject sizeJson(const TFloatSize &s) { return {{"cx", mm(s.cx)}, {"cy", mm(s.cy)}}; }
QJsonObject rectJson(const TFloatRect &r)
{
    return {{"Left", mm(r.Left)}, {"Top", mm(r.Top)}, {"Right", mm(r.Right)}, {"Bottom", mm(r.Bottom)}};
}

QJsonObject fontJson(const TFont &f)
{
    QJsonArray style;
    const char *names[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
    for (int i = 0; i < 4; ++i) {
        if (f.Style.contains(static_cast<TFontStyle>(i)))
            style.append(QLatin1String(names[i]));
    }
    return {{"Name", f.Name}, {"Charset", f.Charset}, {"Color", static_cast<double>(f.Color)},
            {"Height", f.Height}, {"Pitch", name(f.Pitch)}, {"Style", style}};
}

QJsonObject backgroundJson(const TBackground &b)
{
    const TBackFill &f = b.Fill();
    QJsonObject fill{{"Style", name(f.Style())}, {"Color", static_cast<double>(f.Color())},
                     {"EndColor", static_cast<double>(f.EndColor())}, {"ClearLevel", f.ClearLevel()},
                     {"GradientDirection", name(f.GradientDirection())},
                     {"ImageDrawStyle", name(f.ImageDrawStyle())}, {"Transparent", f.Transparent()},
                     {"TransparentColor", static_cast<double>(f.TransparentColor())}, {"OverAll", f.OverAll()}};
    fill.insert(QLatin1String("Bitmap"), f.Bitmap().isNull()
                                             ? QJsonValue()
                                             : QJsonValue(QJsonObject{{"Width", f.Bitmap().width()},
                                                                      {"Height", f.Bitmap().height()}}));
    const TFrames &r = b.Frame();
    return {{"Fill", fill},
            {"Frame", QJsonObject{{"Style", name(r.Style())}, {"Color", static_cast<double>(r.Color())},
                                  {"Width", r.Width()}, {"EndCap", name(r.EndCap())},
                                  {"JoinStyle", name(r.JoinStyle())}}}};
}

QJsonArray areasJson(const TAreas &areas)
{
    QJsonArray list;
    for (int i = 0; i < areas.Count(); ++i) {
        const TCustomArea *area = areas.Items(i);
        QJsonObject o{{"Bounds", rectJson(area->Bounds())}, {"Angle", name(area->Angle())},
                      {"LinkAreaIndex", area->LinkAreaIndex()}, {"Background", backgroundJson(area->Background())}};
        if (const auto *text = dynamic_cast<const TTextArea *>(area)) {
            o.insert(QLatin1String("Class"), QLatin1String("TTextArea"));
            o.insert(QLatin1String("Lines"), QJsonArray::fromStringList(text->Lines()));
            o.insert(QLatin1String("Font"), fontJson(text->OwnFont()));
            o.insert(QLatin1String("ParentFont"), text->ParentFont());
            o.insert(QLatin1String("HorzAlignment"), name(text->HorzAlignment()));
            o.insert(QLatin1String("VertAlignment"), name(text->VertAlignment()));
            o.insert(QLatin1String("Source"), name(text->Source()));
            o.insert(QLatin1String("RowPitch"), mm(text->RowPitch()));
            o.insert(QLatin1String("FitMode"), name(text->FitMode()));
            o.insert(QLatin1String("Paddings"), rectJson(text->Paddings()));
        } else if (const auto *image = dynamic_cast<const TImageArea *>(area)) {
            o.insert(QLatin1String("Class"), QLatin1String("TImageArea"));
            o.insert(QLatin1String("Link"), image->Link());
        }
        list.append(o);
    }
    return list;
}

QJsonObject cellJson(const TPhotoArea &c)
{
    return {{"Bounds", rectJson(c.Bounds())},
            {"HorizontalAlign", name(c.HorizontalAlign())},
            {"VerticalAlign", name(c.VerticalAlign())},
            {"PhotoScale", c.PhotoScale()},
            {"PhotoSize", name(c.PhotoSize())},
            {"ScaleLimit", name(c.ScaleLimit())},
            {"ProtrudeWidth", c.ProtrudeWidth()},
            {"Rotate", name(c.Rotate())},
            {"ParentBackground", c.ParentBackground()},
            {"ParentHorizontalAlign", c.ParentHorizontalAlign()},
            {"ParentPhotoSize", c.ParentPhotoSize()},
            {"ParentProtrudeWidth", c.ParentProtrudeWidth()},
            {"ParentRotate", c.ParentRotate()},
            {"ParentVerticalAlign", c.ParentVerticalAlign()},
            {"Background", backgroundJson(c.Background())},
            {"Areas", areasJson(c.Areas())}};
}

QJsonObject entryJson(const TImageInfo &info, const QString &fileName)
{
    const TPhotoOption &o = info.Options();
    QJsonObject options{{"Copies", o.Copies()},
                        {"Comment", QJsonArray::fromStringList(o.Comment())},
                        {"HorizontalAlign", name(o.HorizontalAlign())},
                        {"VerticalAlign", name(o.VerticalAlign())},
                        {"ParentAlign", name(o.ParentAlign())},
                        {"ParentRotate", name(o.ParentRotate())},
                        {"ParentSize", name(o.ParentSize())},
                        {"PhotoScale", o.PhotoScale()},
                        {"PhotoSize", name(o.PhotoSize())},
                        {"Rotate", name(o.Rotate())},
                        {"ScaleLimit", name(o.ScaleLimit())}};
    // An unknown time is empty: the list's placeholder texts are for people.
    const QString fileTime = info.FileTimeText();
    const QString shotTime = info.ShotTimeText();
    QJsonObject e{{"FileName", info.FileName()},
                  {"LogMode", name(info.LogMode())},
                  {"Checked", info.Checked()},
                  {"IsExist", info.IsExist()},
                  {"FileSize", static_cast<double>(info.FileSize())},
                  {"FileTime", fileTime == FileTimeText(0) ? QString() : fileTime},
                  {"ShotTime", shotTime == ShotTimeText(0) ? QString() : shotTime},
                  {"ImageSize", QJsonObject{{"cx", info.ImageSize().cx}, {"cy", info.ImageSize().cy}}},
                  {"Descriptin", info.Descriptin()},
                  {"ExifComment", info.ExifComment()},
                  {"Options", options},
                  {"Embedded", info.LogMode() == TImageLogging::iloStream}};
    if (info.LogMode() == TImageLogging::iloStream) {
        // Decoded at the smallest size: proves the stored data is a picture.
        QJsonValue picture;
        try {
            const TLoadedPicture p = LoadAreaPicture(info, fileName, [](QSize) { return QSize(1, 1); });
            if (!p.image.isNull())
                picture = QJsonObject{{"Width", p.fullSize.width()}, {"Height", p.fullSize.height()}};
        } catch (const std::exception &) {
        }
        e.insert(QLatin1String("EmbeddedImage"), picture);
    }
    return e;
}

} // namespace

QJsonObject documentJson(const TPhotoPaper &paper, const TImageInfos &images, const QString &fileName)
{
    QJsonArray cells;
    for (int i = 0; i < paper.PhotoAreas().Count(); ++i)
        cells.append(cellJson(*paper.PhotoAreas().Items(i)));
    QJsonArray entries;
    for (int i = 0; i < images.Count(); ++i)
        entries.append(entryJson(*images[i], fileName));
    return {{"PaperName", paper.PaperName()},
            {"PaperSizeName", paper.PaperSizeName()},
            {"PaperSizeNumber", paper.PaperSizeNumber()},
            {"PaperSize", sizeJson(paper.PaperSize())},
            {"PrinterName", paper.PrinterName()},
            {"Orientation", name(paper.Orientation())},
            {"Margins", rectJson(paper.Margins())},
            {"Divide", QJsonObject{{"cx", paper.Divide().cx}, {"cy", paper.Divide().cy}}},
            {"Space", sizeJson(paper.Space())},
            {"Border", paper.Border()},
            {"BorderWidth", paper.BorderWidth()},
            {"Font", fontJson(paper.Font())},
            {"HorizontalAlign", name(paper.HorizontalAlign())},
            {"VerticalAlign", name(paper.VerticalAlign())},
            {"PhotoScale", paper.PhotoScale()},
            {"PhotoSize", name(paper.PhotoSize())},
            {"ScaleLimit", name(paper.ScaleLimit())},
            {"ProtrudeWidth", paper.ProtrudeWidth()},
            {"Rotate", name(paper.Rotate())},
            {"Background", backgroundJson(paper.Background())},
            {"Areas", areasJson(paper.Areas())},
            {"PhotoAreas", cells},
            {"ImageInfos", QJsonObject{{"SaveType", name(images.SaveType())}, {"Items", entries}}}};
}

int runShowDocument(const ParsedArgs &args)
{
    if (args.paths.size() != 1) {
        std::fputs("vellora: --show-document needs exactly one document file\n", stderr);
        return 2;
    }
    const QString &file = args.paths.front();
    TPhotoPaper paper;
    TImageInfos images;
    try {
        OpenDocumentFile(file, paper, images);
    } catch (const EDocumentError &e) {
        std::fprintf(stderr, "vellora: %s: %s (%s)\n", file.toLocal8Bit().constData(),
                     e.message().toUtf8().constData(), e.detail().toUtf8().constData());
        return 1;
    }
    std::fputs(QJsonDocument(documentJson(paper, images, file)).toJson(QJsonDocument::Indented).constData(), stdout);
    return 0;
}

} // namespace vellora::app
