#pragma once

#include <QString>

// Turkish words for a money text such as "1.234,56": lira words followed by " TL", kuruş
// words followed by " Kr" (the lira of today, not the YTL that ended in 2009), words joined
// without blanks ("BinİkiYüzOtuzDört TLElliAltı Kr"). Bad lira digits give "ytl de Hata" (the kuruş
// words still follow); bad kuruş digits make the whole result "kuruş ta Hata".
QString yaziyacevir(const QString &amount);
