// Image plug-ins through the helper process against the same plug-in called
// in this process: a 24-megapixel PAM, 1,000 small PAM thumbnails, and a
// search of a folder of 20 plug-ins. Prints the figures side by side.
#include "plugins/SPIBmp.h"

#include <QDir>
#include <QFile>
#include <chrono>
#include <cstdio>
#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>
#include <functional>

using namespace vellora;

namespace {

using Clock = std::chrono::steady_clock;

// CPU time (user + system) in ms of this process and of the helper.
double cpuMs(pid_t pid)
{
    if (pid <= 0) {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3
               + static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
    }
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = stat.readAll().split(' ');
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    return (fields.value(13).toDouble() + fields.value(14).toDouble()) * 1e3 / ticks;
}

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The best of a few runs, in ms.
double best(int runs, const std::function<void()> &work)
{
    double result = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        result = std::min(result, msSince(start));
    }
    return result;
}

void writePam(const QString &path, int width, int height)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        std::abort();
    f.write(QStringLiteral("P7\nWIDTH %1\nHEIGHT %2\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n")
                .arg(width)
                .arg(height)
                .toLatin1());
    QByteArray row(width * 3, '\0');
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width * 3; ++x)
            row[x] = static_cast<char>((x + y) & 0xFF);
        f.write(row);
    }
}

struct Direct {
    void *module = nullptr;
    SpiGetPictureFn getPicture = nullptr;

    explicit Direct(const char *path)
    {
        module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (!module)
            std::abort();
        getPicture = reinterpret_cast<SpiGetPictureFn>(dlsym(module, "GetPicture"));
    }
    void decode(const QString &file) const
    {
        SpiHandle info = nullptr, bits = nullptr;
        const QByteArray name = file.toLocal8Bit();
        if (getPicture(name.constData(), 0, SPI_SOURCE_FILE, &info, &bits,
                       [](int32_t, int32_t, intptr_t) -> int32_t { return 0; }, 0) != SPI_SUCCESS)
            std::abort();
        SpiFree(info);
        SpiFree(bits);
    }
};

} // namespace

int main(int argc, char **argv)
{
    const QString scratch = QString::fromLocal8Bit(argc > 1 ? argv[1] : "bench-scratch") + QStringLiteral("/plugins");
    QDir().mkpath(scratch);
    TSpiHost::Instance().SetExecutable(QStringLiteral(VELLORA_SPI_HOST_EXE));
    const QString big = scratch + QStringLiteral("/big.pam");
    if (!QFileInfo::exists(big))
        writePam(big, 6000, 4000);
    const QString small = scratch + QStringLiteral("/small.pam");
    writePam(small, 160, 120);

    // Search: 20 copies of the sample, the helper started by the search.
    const QString folder = scratch + QStringLiteral("/twenty");
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    for (int i = 0; i < 20; ++i)
        QFile::copy(QStringLiteral(VELLORA_SAMPLE_SPI), folder + QStringLiteral("/sample%1.spi").arg(i, 2, 10, QLatin1Char('0')));
    TSpiHost::Instance().Stop();
    double searchCold = 0, searchWarm = 0;
    {
        TSPIs spis;
        auto start = Clock::now();
        spis.Search(folder + QStringLiteral("/*.spi"));
        searchCold = msSince(start);
        spis.Clear();
        start = Clock::now();
        spis.Search(folder + QStringLiteral("/*.spi"));
        searchWarm = msSince(start);
    }

    TSPIs spis;
    spis.Search(QFileInfo(QStringLiteral(VELLORA_SAMPLE_SPI)).absolutePath() + QStringLiteral("/*.spi"));
    const Direct direct(VELLORA_SAMPLE_SPI);

    const double bigDirect = best(3, [&] { direct.decode(big); });
    double cpu0 = cpuMs(0);
    const double bigDirectCpu = (best(1, [&] { direct.decode(big); }), cpuMs(0) - cpu0);
    const double bigHost = best(3, [&] {
        TSPIGraphic g;
        g.LoadFromFile(big);
    });
    const pid_t host = TSpiHost::Instance().HostPid();
    cpu0 = cpuMs(0);
    double hostCpu0 = cpuMs(host);
    {
        TSPIGraphic g;
        g.LoadFromFile(big);
    }
    const double bigHostCpu = cpuMs(0) - cpu0 + cpuMs(host) - hostCpu0;
    TSPIGraphic decoded;
    decoded.LoadFromFile(big);
    const double bigImage = best(3, [&] { (void)decoded.ToImage(); });

    const int thumbs = 1000;
    const double smallDirect = best(1, [&] {
        for (int i = 0; i < thumbs; ++i)
            direct.decode(small);
    });
    cpu0 = cpuMs(0);
    const double smallDirectCpu = (best(1, [&] {
        for (int i = 0; i < thumbs; ++i)
            direct.decode(small);
    }), cpuMs(0) - cpu0);
    cpu0 = cpuMs(0);
    hostCpu0 = cpuMs(host);
    const double smallHost = best(1, [&] {
        for (int i = 0; i < thumbs; ++i) {
            TSPIGraphic g;
            g.LoadFromFile(small);
        }
    });

    const double smallHostCpu = cpuMs(0) - cpu0 + cpuMs(host) - hostCpu0;
    std::printf("24-megapixel PAM (6000 x 4000 RGB)\n");
    std::printf("  sample called directly      %8.1f ms\n", bigDirect);
    std::printf("  through the helper process  %8.1f ms   (+%.1f ms)\n", bigHost, bigHost - bigDirect);
    std::printf("  CPU time: directly %.0f ms, through the helper %.0f ms (both processes)\n", bigDirectCpu,
                bigHostCpu);
    std::printf("  BMP form to QImage          %8.1f ms\n", bigImage);
    std::printf("1,000 PAM thumbnails (160 x 120)\n");
    std::printf("  sample called directly      %8.1f ms   (%.3f ms each)\n", smallDirect, smallDirect / thumbs);
    std::printf("  through the helper process  %8.1f ms   (%.3f ms each, +%.3f ms)\n", smallHost, smallHost / thumbs,
                (smallHost - smallDirect) / thumbs);
    std::printf("  CPU time: directly %.0f ms, through the helper %.0f ms (both processes)\n", smallDirectCpu,
                smallHostCpu);
    std::printf("Search of a folder of 20 plug-ins\n");
    std::printf("  helper started by the search %7.1f ms\n", searchCold);
    std::printf("  helper running               %7.1f ms\n", searchWarm);
    return 0;
}
