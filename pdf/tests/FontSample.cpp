// pdf_font_sample OUT.pdf: one page of text in every font type the PDF writer
// makes, embedded and not, for looking at and for checking with PDF readers.
#include "pdf/QvPDF.h"

#include <QGuiApplication>
#include <cstdio>

using namespace vellora::pdf;

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: pdf_font_sample OUT.pdf\n");
        return 2;
    }
    const QString japanese = QStringLiteral("Café 写真 ｶﾅ");
    const QString latin = QStringLiteral("Café");
    TQvPDF doc;
    doc.SetBuryFonts(true);
    doc.SetTitle(QStringLiteral("Font sample"));
    TPDFPage *page = doc.BeginDoc(QString::fromLocal8Bit(argv[1]));
    TPDFContent &c = *page->Canvas();
    double y = 800;
    auto show = [&](const QString &text) {
        c.TextOut(40, y, text);
        y -= 28;
    };
    c.Font().SetSize(16);
    for (const TPDFFontType type : {TPDFFontType::pfoCentury, TPDFFontType::pfoArial, TPDFFontType::pfoCourier}) {
        c.Font().SetName(type);
        show(latin);
        c.Font().SetBold(true);
        show(latin);
        c.Font().SetBold(false);
    }
    for (const TPDFFontType type : {TPDFFontType::pfoMS_Mincho, TPDFFontType::pfoMS_Gothic,
                                    TPDFFontType::pfoMS_PMincho, TPDFFontType::pfoMS_PGothic}) {
        c.Font().SetName(type);
        show(japanese);
    }
    // Custom faces: embedded, and the same faces kept out of the file.
    for (const QString &face : {QStringLiteral("IPAGothic"), QStringLiteral("IPAPMincho")}) {
        c.Font().SetCustomName(face);
        show(japanese);
        c.Font().SetCanBury(-1);
        show(japanese);
    }
    c.Font().SetCustomName(QStringLiteral("DejaVu Sans"));
    show(latin);
    c.Font().SetCanBury(-1);
    show(latin);
    doc.EndDoc();
    return 0;
}
