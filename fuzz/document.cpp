// Opening a document from arbitrary bytes, in either format, as the program
// opens one: from its file, the paper part, then the print list from the
// same file. Every outcome but a loaded document or a thrown error (crash,
// hang, huge allocation) is a finding.
#include "fuzz/FuzzFile.h"
#include "model/Document.h"
#include "model/ImageInfos.h"
#include "model/PhotoPaper.h"

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

    const QString file = vellora::fuzz::WriteInputFile("fuzz_document", data, size);
    vellora::TPhotoPaper paper;
    vellora::TImageInfos images;
    try {
        vellora::OpenDocumentFile(file, paper, images);
    } catch (const std::exception &) {
    }
    return 0;
}
