#include "model/StandardPapers.h"

#include <QCoreApplication>
#include <cmath>
#include <iterator>

namespace vellora {

namespace {

constexpr int kUser = 256;

// Public numbers where the sheet has one (so that a printer found later
// offers the same paper), else the user-defined size.
constexpr TStandardPaper kPapers[] = {
    {u"A3", "A3", 297, 420, 8},
    {u"A4", "A4", 210, 297, 9},
    {u"A5", "A5", 148, 210, 11},
    {u"A6", "A6", 105, 148, 70},
    {u"B4 (JIS)", "B4", 257, 364, 12},
    {u"B5 (JIS)", "B5", 182, 257, 13},
    {u"B6 (JIS)", "B6", 128, 182, 88},
    {u"A3ノビ", "A3plus", 329, 483, kUser},
    {u"L判", "L", 89, 127, kUser},
    {u"2L判", "2L", 127, 178, kUser},
    {u"KG", "KG", 102, 152, kUser},
    {u"はがき", "Postcard", 100, 148, 43},
    {u"六切", "6giri", 203, 254, kUser},
    {u"四切", "4giri", 254, 305, kUser},
    {u"レター", "Letter", 215.9, 279.4, 1},
    {u"リーガル", "Legal", 215.9, 355.6, 5},
    {u"4 × 6 インチ", "4x6in", 101.6, 152.4, 89},
    {u"5 × 7 インチ", "5x7in", 127, 177.8, kUser},
    {u"8 × 10 インチ", "8x10in", 203.2, 254, kUser},
};

QString normalised(QString name)
{
    name = name.trimmed();
    name.replace(QChar(u'×'), QLatin1Char('x'));
    name.remove(QLatin1Char(' '));
    if (name.endsWith(QChar(u'判')))
        name.chop(1);
    return name.toLower();
}

QString mm(double v)
{
    return QString::number(v, 'f', std::fmod(v, 1.0) == 0 ? 0 : 1);
}

} // namespace

std::span<const TStandardPaper> StandardPapers()
{
    return kPapers;
}

const TStandardPaper *FindStandardPaper(const QString &name)
{
    const QString wanted = normalised(name);
    if (wanted.isEmpty())
        return nullptr;
    for (const TStandardPaper &p : kPapers) {
        if (normalised(QString::fromUtf16(p.name)) == wanted
            || (p.alias && normalised(QLatin1String(p.alias)) == wanted))
            return &p;
    }
    // "Hagaki" is what a Japanese user types for a postcard in ASCII.
    if (wanted == QLatin1String("hagaki"))
        return &kPapers[11];
    return nullptr;
}

QString StandardPaperCaption(const TStandardPaper &paper)
{
    return QStringLiteral("%1 (%2 × %3 mm)").arg(QString::fromUtf16(paper.name), mm(paper.width), mm(paper.height));
}

QStringList StandardPaperAliases()
{
    QStringList names;
    for (const TStandardPaper &p : kPapers)
        names << QLatin1String(p.alias);
    return names;
}

bool PaperSizeAllowed(double widthMM, double heightMM)
{
    auto ok = [](double v) { return std::isfinite(v) && v >= kMinPaperMM && v <= kMaxPaperMM; };
    return ok(widthMM) && ok(heightMM);
}

QString PaperSizeLimitMessage()
{
    return QCoreApplication::translate("vellora", "用紙の幅と高さは %1 mm から %2 mm までで指定してください。")
        .arg(kMinPaperMM)
        .arg(kMaxPaperMM);
}

} // namespace vellora
