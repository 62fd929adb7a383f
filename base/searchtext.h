#pragma once

#include <QString>
#include <QStringList>

// Turkish text as the program's searches and lists compare it, whatever the machine's locale.

// The text as a search compares it: the dotted and dotless I alike in either case (İ, i, I
// and ı are one letter), case and the Turkish letters' marks aside (ç c, ğ g, ö o, ş s, ü u,
// â a), blanks and other characters as they are: "Işık Öztürk" is "isik ozturk".
QString searchFolded(const QString &text);

// A key that sorts texts in the order of the Turkish alphabet (a b c ç d e f g ğ h ı i j k l
// m n o ö p r s ş t u ü v y z), case aside: Çelik after Cengiz, Işık before İnce, Özlem after
// Oya. Compared character by character (binary), as a database index keeps it.
QString sortingKey(const QString &text);

// The pieces a search index keeps of a folded text so that any part of it can be found: every
// run of three characters, and the last two and the last one (the whole text when it is
// shorter), each once.
QStringList searchPieces(const QString &folded);
