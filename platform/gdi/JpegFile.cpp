#include "platform/gdi/BitmapFile.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

namespace platform {

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void onError(j_common_ptr info) {
    // Back to DecodeJpeg: libjpeg must not exit the process on a bad file.
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Warnings stay quiet, but a scan whose data ends before its last block
// is a broken file, not a picture: libjpeg would fill the rest, and a file
// of a few bytes could claim megapixels of filling. A missing end marker
// alone is fine.
void onMessage(j_common_ptr info, int level) {
    if (level == -1 && info->err->msg_code == JWRN_HIT_MARKER)
        std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// Kept free of objects with destructors between setjmp and longjmp.
bool decode(const unsigned char* data, unsigned long size, int64_t maxPixels, QImage* out) {
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.emit_message = onMessage;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    // The header's size decides before any memory is taken: a tiny file can
    // claim a picture of gigabytes.
    if (info.image_width == 0 || info.image_height == 0 || info.image_width > 32768 ||
        info.image_height > 32768 ||
        static_cast<int64_t>(info.image_width) * info.image_height > maxPixels) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    // Straight into the 32-bit layout, grayscale included: no second copy.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    info.out_color_space = JCS_EXT_BGRX;
#else
    info.out_color_space = JCS_EXT_XRGB;
#endif
    jpeg_start_decompress(&info);
    if (info.output_components != 4) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    *out = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                  QImage::Format_RGB32);
    if (out->isNull()) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out->scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

bool DecodeJpeg(std::string_view bytes, QImage& image, int64_t maxPixels) {
    if (bytes.empty()) return false;
    QImage decoded;
    if (!decode(reinterpret_cast<const unsigned char*>(bytes.data()),
                static_cast<unsigned long>(bytes.size()), maxPixels, &decoded))
        return false;
    image = std::move(decoded);
    return true;
}

bool LoadJpegFile(std::string_view path, QImage& image, int64_t maxPixels) {
    std::string bytes;
    return ReadPictureFile(path, bytes) && DecodeJpeg(bytes, image, maxPixels);
}

} // namespace platform
