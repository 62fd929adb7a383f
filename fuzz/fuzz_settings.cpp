// Any bytes as ayarlar.dat: reading never fails, and whatever was read and can be written
// reads back the same.
#include "settings/ayarlar.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

QString scratch(const char *name) {
    return QDir::temp().filePath(
        QStringLiteral("fatura-fuzz-%1-%2").arg(getpid()).arg(QLatin1String(name)));
}

// Single values are read without the blanks around them.
ayarlar normalised(ayarlar a) {
    for (const AyarSatiri &s : ayarSatirlari()) {
        if (s.tek)
            a.*s.tek = (a.*s.tek).trimmed();
    }
    return a;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const QString in = scratch("in");
    static const QString out = scratch("out");
    {
        QFile f(in);
        if (!f.open(QIODevice::WriteOnly))
            std::abort();
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    const AyarOkuma okuma = ayarDosyasiniOku(in, 23);
    if (okuma.okunanSatir < 0 || okuma.okunanSatir > 23)
        std::abort();
    if (!yazilamayanDegerler(okuma.deger).isEmpty())
        return 0;
    ayarlari_yaz(okuma.deger, out);
    const AyarOkuma geri = ayarDosyasiniOku(out, 23);
    if (geri.okunanSatir != 23 || normalised(geri.deger) != normalised(okuma.deger))
        std::abort();
    return 0;
}
