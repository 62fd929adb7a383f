#pragma once

#include <QString>

// Turkish words for a money text such as "1.234,56": lira words followed by " YTL",
// kuruş words followed by " Ykr", words joined without blanks
// ("BinİkiYüzOtuzDört YTLElliAltı Ykr"). Bad lira digits give "ytl de Hata" (the kuruş
// words still follow); bad kuruş digits make the whole result "kuruş ta Hata".
QString yaziyacevir(const QString &amount);
