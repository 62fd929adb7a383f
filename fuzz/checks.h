#pragma once

#include <QByteArray>
#include <QString>

// What the fuzz targets require of the program, for any bytes. Each returns what went wrong,
// or an empty text. The fuzz targets abort on a non-empty answer; the ordinary tests run
// the kept inputs through the same checks.

// The bytes as ayarlar.dat: reading never fails, reading two lines gives the first two
// values of reading all, and whatever was read and can be written reads back the same.
QString settingsProblem(const QByteArray &bytes);

// The bytes as a money text in words; the first eight also as a value whose money text
// must read into words without an error.
QString wordsProblem(const QByteArray &bytes);

// Every number reading on the bytes as text; the first eight also as a value whose plain
// and money texts must read back.
QString numbersProblem(const QByteArray &bytes);
