#include "graphics/JpegImage.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

#include "platform/Exception.h"

namespace qm {

namespace {

// libjpeg reports a fatal error through error_exit, which must not return: it jumps back to
// the caller's set point with the message number kept.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf back;
};

void ErrorExit(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->back, 1);
}

void NoOutput(j_common_ptr) {}

[[noreturn]] void Raise(int code)
{
    throw EJPEG(Format("JPEG error #%d", code));
}

} // namespace

QImage DecodeJpeg(const QByteArray& bytes)
{
    jpeg_decompress_struct info{};
    ErrorManager err{};
    info.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = NoOutput;
    QImage image; // set before the jump point, so the jump leaves nothing undefined
    int code = 0;
    if (setjmp(err.back)) {
        code = err.pub.msg_code;
        jpeg_destroy_decompress(&info);
        Raise(code);
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 (unsigned long)bytes.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3 || info.output_width > 16384 || info.output_height > 16384) {
        jpeg_destroy_decompress(&info);
        Raise(JERR_IMAGE_TOO_BIG);
    }
    image = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB888);
    if (image.isNull()) {
        jpeg_destroy_decompress(&info);
        Raise(JERR_OUT_OF_MEMORY);
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    // A stream cut short is padded by libjpeg with a warning; such a picture counts as damaged.
    const long warnings = err.pub.num_warnings;
    const int lastCode = err.pub.msg_code;
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    if (warnings > 0)
        Raise(lastCode);
    return image.convertToFormat(QImage::Format_RGB32);
}

QByteArray EncodeJpeg(const QImage& source, int quality)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct info{};
    ErrorManager err{};
    info.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = NoOutput;
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (setjmp(err.back)) {
        const int code = err.pub.msg_code;
        jpeg_destroy_compress(&info);
        std::free(out);
        Raise(code);
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = JDIMENSION(image.width());
    info.image_height = JDIMENSION(image.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality < 1 ? 1 : quality > 100 ? 100 : quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uchar*>(image.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
    std::free(out);
    return bytes;
}

} // namespace qm
