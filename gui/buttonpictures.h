#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

class QDir;

// The two pictures of the image buttons. Users may replace the files in the working
// directory with pictures of their own; the program carries these built-in ones.
QString raisedPictureFile();  // "buton mavi.jpg"
QString pressedPictureFile(); // "buton mavi geri.jpg"

QImage builtInButtonPicture(bool pressed);

// The picture from the working directory's file, or the built-in one when the file is
// missing or unreadable.
QImage buttonPicture(bool pressed);

// Writes the built-in pictures into `dir` where the files are missing, each whole or not at
// all. Returns a message naming the files that could not be written, or nothing.
QStringList writeMissingButtonPictures(const QDir &dir);
