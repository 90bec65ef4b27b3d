#include "exif/tests/ExifFixture.h"

#include <stdexcept>

namespace vellora::test {

namespace {

std::size_t typeSize(std::uint16_t type)
{
    static const std::size_t kSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    return type < std::size(kSizes) ? kSizes[type] : 0;
}

class Writer {
public:
    explicit Writer(bool little) : FLittle(little) {}
    QByteArray data;

    void u8(std::uint64_t v) { data.append(static_cast<char>(v & 0xFF)); }
    void u16(std::uint64_t v) { put(v, 2); }
    void u32(std::uint64_t v) { put(v, 4); }
    void put(std::uint64_t v, int bytes)
    {
        for (int i = 0; i < bytes; ++i) {
            const int shift = FLittle ? 8 * i : 8 * (bytes - 1 - i);
            u8(v >> shift);
        }
    }
    void value(const FixtureEntry &e, std::uint64_t v)
    {
        switch (typeSize(e.type)) {
        case 1: u8(v); break;
        case 2: u16(v); break;
        case 4: u32(v); break;
        case 8:
            if (e.type == 12) {
                put(v, 8);
            } else {
                u32(v & 0xFFFFFFFFu);
                u32(v >> 32);
            }
            break;
        default: break;
        }
    }

private:
    bool FLittle;
};

std::uint32_t realCount(const FixtureEntry &e)
{
    return static_cast<std::uint32_t>(e.type == 2 || e.type == 7 ? e.bytes.size() : qsizetype(e.values.size()));
}

QByteArray encodedValue(const FixtureEntry &e, bool little)
{
    Writer w(little);
    if (e.type == 2 || e.type == 7)
        w.data = e.bytes;
    else
        for (std::uint64_t v : e.values)
            w.value(e, v);
    return w.data;
}

std::size_t ifdSize(const std::vector<FixtureEntry> &entries)
{
    return entries.empty() ? 0 : 2 + 12 * entries.size() + 4;
}

} // namespace

FixtureEntry asciiEntry(std::uint16_t tag, const QByteArray &text)
{
    FixtureEntry e;
    e.tag = tag;
    e.type = 2;
    e.bytes = text + QByteArray(1, '\0');
    return e;
}

FixtureEntry undefinedEntry(std::uint16_t tag, const QByteArray &bytes)
{
    FixtureEntry e;
    e.tag = tag;
    e.type = 7;
    e.bytes = bytes;
    return e;
}

FixtureEntry shortEntry(std::uint16_t tag, std::vector<std::uint64_t> values)
{
    return FixtureEntry{tag, 3, std::move(values), {}, {}, {}};
}

FixtureEntry longEntry(std::uint16_t tag, std::vector<std::uint64_t> values)
{
    return FixtureEntry{tag, 4, std::move(values), {}, {}, {}};
}

FixtureEntry rationalEntry(std::uint16_t tag, std::int32_t num, std::int32_t den, bool isSigned)
{
    const std::uint64_t packed = std::uint64_t(static_cast<std::uint32_t>(num))
        | (std::uint64_t(static_cast<std::uint32_t>(den)) << 32);
    return FixtureEntry{tag, static_cast<std::uint16_t>(isSigned ? 10 : 5), {packed}, {}, {}, {}};
}

QByteArray buildTiff(const TiffFixture &source)
{
    TiffFixture f = source;
    // Pointer entries go last so that the IFD layout is known before their values.
    if (!f.exif.empty())
        f.ifd0.push_back(longEntry(34665, {0}));
    if (!f.gps.empty())
        f.ifd0.push_back(longEntry(34853, {0}));
    if (!f.interop.empty())
        f.exif.push_back(longEntry(40965, {0}));
    if (!f.thumbnail.isEmpty()) {
        f.ifd1.push_back(shortEntry(259, {6}));
        f.ifd1.push_back(longEntry(513, {0}));
        f.ifd1.push_back(longEntry(514, {std::uint64_t(f.thumbnail.size())}));
    }
    std::vector<std::vector<FixtureEntry> *> ifds = {&f.ifd0, &f.exif, &f.gps, &f.interop, &f.ifd1};
    std::vector<std::size_t> at;
    std::size_t pos = 8;
    for (auto *ifd : ifds) {
        at.push_back(pos);
        pos += ifdSize(*ifd);
    }
    const std::size_t dataStart = pos;
    // Lay out the values that do not fit in 4 bytes.
    std::size_t dataPos = dataStart;
    std::vector<std::vector<std::size_t>> valueAt(ifds.size());
    for (std::size_t i = 0; i < ifds.size(); ++i) {
        for (const FixtureEntry &e : *ifds[i]) {
            const std::size_t size = encodedValue(e, f.littleEndian).size();
            valueAt[i].push_back(size > 4 ? dataPos : 0);
            if (size > 4)
                dataPos += size + (size & 1);
        }
    }
    const std::size_t thumbAt = dataPos;
    const auto setPointer = [](std::vector<FixtureEntry> &list, std::uint16_t tag, std::size_t value) {
        for (auto &e : list)
            if (e.tag == tag && e.type == 4)
                e.values = {value};
    };
    setPointer(f.ifd0, 34665, at[1]);
    setPointer(f.ifd0, 34853, at[2]);
    setPointer(f.exif, 40965, at[3]);
    setPointer(f.ifd1, 513, thumbAt);

    Writer w(f.littleEndian);
    w.data.append(f.littleEndian ? "II" : "MM");
    w.u16(42);
    w.u32(f.ifd0.empty() ? 0 : at[0]);
    for (std::size_t i = 0; i < ifds.size(); ++i) {
        const auto &list = *ifds[i];
        if (list.empty())
            continue;
        w.u16(list.size());
        for (std::size_t k = 0; k < list.size(); ++k) {
            const FixtureEntry &e = list[k];
            w.u16(e.tag);
            w.u16(e.type);
            w.u32(e.count.value_or(realCount(e)));
            const QByteArray value = encodedValue(e, f.littleEndian);
            if (e.offset) {
                w.u32(*e.offset);
            } else if (value.size() > 4) {
                w.u32(valueAt[i][k]);
            } else {
                w.data.append(value);
                w.data.append(QByteArray(4 - value.size(), '\0'));
            }
        }
        // IFD0 links to IFD1; the others end the chain.
        w.u32(i == 0 && !f.ifd1.empty() ? at[4] : 0);
    }
    if (std::size_t(w.data.size()) != dataStart)
        throw std::logic_error("fixture layout is off");
    for (std::size_t i = 0; i < ifds.size(); ++i) {
        for (const FixtureEntry &e : *ifds[i]) {
            const QByteArray value = encodedValue(e, f.littleEndian);
            if (value.size() > 4) {
                w.data.append(value);
                if (value.size() & 1)
                    w.data.append('\0');
            }
        }
    }
    w.data.append(f.thumbnail);
    return w.data;
}

namespace {

QByteArray segment(std::uint8_t marker, const QByteArray &payload)
{
    QByteArray s;
    s.append('\xFF');
    s.append(static_cast<char>(marker));
    const auto length = static_cast<std::uint16_t>(payload.size() + 2);
    s.append(static_cast<char>(length >> 8));
    s.append(static_cast<char>(length & 0xFF));
    return s + payload;
}

QByteArray exifSegment(const QByteArray &tiff)
{
    return segment(0xE1, QByteArray("Exif\0\0", 6) + tiff);
}

} // namespace

QByteArray buildJpeg(const QByteArray &tiff, int width, int height, int scanBytes)
{
    QByteArray jpeg("\xFF\xD8", 2);
    jpeg += segment(0xE0, QByteArray("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));
    if (!tiff.isEmpty())
        jpeg += exifSegment(tiff);
    QByteArray sof;
    sof.append('\x08');
    sof.append(static_cast<char>(height >> 8)).append(static_cast<char>(height & 0xFF));
    sof.append(static_cast<char>(width >> 8)).append(static_cast<char>(width & 0xFF));
    sof.append(QByteArray("\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 10));
    jpeg += segment(0xC0, sof);
    jpeg += segment(0xDA, QByteArray("\x03\x01\x00\x02\x11\x03\x11\x00\x3F\x00", 10));
    jpeg += QByteArray(scanBytes, '\x55');
    jpeg += QByteArray("\xFF\xD9", 2);
    return jpeg;
}

QByteArray insertExif(const QByteArray &jpeg, const QByteArray &tiff)
{
    return jpeg.left(2) + exifSegment(tiff) + jpeg.mid(2);
}

} // namespace vellora::test
