// Opening a document from arbitrary bytes, in either format: the paper part,
// then the print list from the same stream. Every outcome but a loaded
// document or a thrown error (crash, hang, huge allocation) is a finding.
#include "model/DocumentFormat.h"
#include "model/ImageInfos.h"
#include "model/PhotoPaper.h"
#include "settings/Stream.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static int argc = 1;
    static char arg0[] = "fuzz_document";
    static char *argv[] = {arg0, nullptr};
    static QGuiApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    (void)app;

    vellora::TPhotoPaper paper;
    vellora::TImageInfos images;
    vellora::TMemoryStream stream(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    try {
        vellora::LoadPaperFromStream(stream, paper);
        images.LoadFromStream(stream);
    } catch (const std::exception &) {
    }
    return 0;
}
