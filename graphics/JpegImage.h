#pragma once
// JPEG pictures of the dialog windows, decoded and encoded with libjpeg.
#include <QByteArray>
#include <QImage>

namespace qm {

// Decodes a JPEG file's bytes into an RGB32 image. A stream libjpeg refuses, damaged or cut
// short, raises EJPEG "JPEG error #<n>" with libjpeg's message number; nothing is read past
// the end of the bytes.
QImage DecodeJpeg(const QByteArray& bytes);

// Encodes the image as a baseline JPEG file at the given quality (1..100). Raises EJPEG as
// DecodeJpeg does.
QByteArray EncodeJpeg(const QImage& image, int quality = 90);

} // namespace qm
