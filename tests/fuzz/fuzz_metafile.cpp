// Loads a metafile from arbitrary bytes and, when it is accepted, enumerates its records and
// plays it onto a small image at two scales. Nothing may crash or read outside the bytes; the
// refusal of a damaged metafile (EInvalidGraphic) is fine.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdlib>

#include "platform/Metafile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QGuiApplication* app = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "fuzz_metafile";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
    qm::TMetafile m;
    try {
        m.LoadFromData(data, size);
    } catch (const qm::EInvalidGraphic&) {
        return 0;
    }
    size_t records = 0;
    m.EnumerateRecords([&](const qm::TEmfRecord&) { return ++records < 100000; });
    QImage img(64, 64, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    m.Play(p, QRectF(0, 0, 64, 64));
    m.Play(p, QRectF(-10, 5, 7, 300));
    return 0;
}
