#include "pdf/CMap.h"

namespace vellora::pdf {

TCMapNode *TCMapTree::Find(std::uint16_t code)
{
    Branch *branch = FRoot[code >> 8].get();
    if (!branch || !branch->present[code & 0xFF])
        return nullptr;
    return &(*branch->leaves)[code & 0xFF];
}

const TCMapNode *TCMapTree::Find(std::uint16_t code) const
{
    return const_cast<TCMapTree *>(this)->Find(code);
}

TCMapNode &TCMapTree::Add(std::uint16_t code)
{
    auto &branch = FRoot[code >> 8];
    if (!branch) {
        branch = std::make_unique<Branch>();
        branch->leaves = std::make_unique<Leaves>();
    }
    TCMapNode &node = (*branch->leaves)[code & 0xFF];
    if (!branch->present[code & 0xFF]) {
        branch->present[code & 0xFF] = true;
        node = TCMapNode{};
        node.FSourceCode = code;
        node.FWidth = static_cast<std::uint16_t>(FDW);
    }
    return node;
}

void TCMapTree::ForEach(const std::function<void(const TCMapNode &)> &visit) const
{
    for (const auto &branch : FRoot) {
        if (!branch)
            continue;
        for (int low = 0; low < 256; ++low)
            if (branch->present[std::size_t(low)])
                visit((*branch->leaves)[std::size_t(low)]);
    }
}

void TCMapTree::Clear()
{
    for (auto &branch : FRoot)
        branch.reset();
}

namespace {

QString hex4(std::uint32_t v)
{
    return QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0')).toUpper();
}

QString hexText(const QString &text)
{
    QString out;
    for (const QChar c : text)
        out += hex4(c.unicode());
    return out;
}

void block(QByteArray &out, const char *begin, const char *end, const std::vector<QString> &lines)
{
    for (std::size_t at = 0; at < lines.size(); at += 100) {
        const std::size_t n = std::min<std::size_t>(100, lines.size() - at);
        out += QByteArray::number(qulonglong(n)) + ' ' + begin + "\r\n";
        for (std::size_t i = at; i < at + n; ++i)
            out += lines[i].toLatin1() + "\r\n";
        out += QByteArray(end) + "\r\n";
    }
}

} // namespace

QByteArray ToUnicodeProgram(std::vector<TToUnicodeEntry> entries, const QString &cidSystemInfo,
                            const QString &cmapName)
{
    std::stable_sort(entries.begin(), entries.end(),
                     [](const TToUnicodeEntry &a, const TToUnicodeEntry &b) { return a.code < b.code; });
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const TToUnicodeEntry &a, const TToUnicodeEntry &b) { return a.code == b.code; }),
                  entries.end());

    std::vector<QString> chars, ranges;
    for (std::size_t i = 0; i < entries.size();) {
        const TToUnicodeEntry &first = entries[i];
        std::size_t j = i + 1;
        if (first.text.size() == 1) {
            const int delta = int(first.text[0].unicode()) - int(first.code);
            while (j < entries.size() && entries[j].text.size() == 1
                   && int(entries[j].text[0].unicode()) - int(entries[j].code) == delta
                   && (entries[j].code >> 8) == (first.code >> 8)
                   && (entries[j].text[0].unicode() >> 8) == (first.text[0].unicode() >> 8))
                ++j;
        }
        if (j - i == 1)
            chars.push_back(QLatin1Char('<') + hex4(first.code) + QStringLiteral("> <") + hexText(first.text)
                            + QLatin1Char('>'));
        else
            ranges.push_back(QLatin1Char('<') + hex4(first.code) + QStringLiteral("> <") + hex4(entries[j - 1].code)
                             + QStringLiteral("> <") + hexText(first.text) + QLatin1Char('>'));
        i = j;
    }

    QByteArray out;
    auto line = [&out](const QString &text) { out += text.toLatin1() + "\r\n"; };
    line(QStringLiteral("/CIDInit /ProcSet findresource begin"));
    line(QStringLiteral("12 dict begin"));
    line(QStringLiteral("begincmap"));
    line(QStringLiteral("/CIDSystemInfo ") + cidSystemInfo + QStringLiteral(" def"));
    line(QStringLiteral("/CMapName ") + cmapName + QStringLiteral(" def"));
    line(QStringLiteral("/CMapType 2 def"));
    // Every code is two bytes: the whole two-byte space, since a range of the
    // used codes alone would leave out codes whose low byte lies outside it.
    line(QStringLiteral("1 begincodespacerange"));
    line(QStringLiteral("<0000> <FFFF>"));
    line(QStringLiteral("endcodespacerange"));
    block(out, "beginbfchar", "endbfchar", chars);
    block(out, "beginbfrange", "endbfrange", ranges);
    line(QStringLiteral("endcmap CMapName currentdict /CMap defineresource pop"));
    line(QStringLiteral("end end"));
    return out;
}

} // namespace vellora::pdf
