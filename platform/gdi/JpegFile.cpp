#include "platform/gdi/BitmapFile.h"

#include "platform/fs/FileSystem.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

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

void quiet(j_common_ptr, int) {}

// Kept free of objects with destructors between setjmp and longjmp.
bool decode(const unsigned char* data, unsigned long size, QImage* out) {
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.emit_message = quiet;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    if (info.image_width == 0 || info.image_height == 0 || info.image_width > 32768 ||
        info.image_height > 32768 ||
        static_cast<uint64_t>(info.image_width) * info.image_height > 64ull * 1024 * 1024) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_start_decompress(&info);
    *out = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                  QImage::Format_RGB888);
    if (out->isNull() || info.output_components != 3) {
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

bool DecodeJpeg(std::string_view bytes, QImage& image) {
    if (bytes.empty()) return false;
    QImage decoded;
    if (!decode(reinterpret_cast<const unsigned char*>(bytes.data()),
                static_cast<unsigned long>(bytes.size()), &decoded))
        return false;
    image = decoded.convertToFormat(QImage::Format_RGB32);
    return true;
}

bool LoadJpegFile(std::string_view path, QImage& image) {
    std::string bytes;
    return ReadFileBytes(path, bytes) && DecodeJpeg(bytes, image);
}

} // namespace platform
