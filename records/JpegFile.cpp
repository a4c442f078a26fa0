#include "JpegFile.h"

#include <csetjmp>
#include <utility>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {
struct ErrorJump {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void Fail(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorJump*>(cinfo->err)->jump, 1);
}
void Quiet(j_common_ptr, int) {}
}  // namespace

bool EncodeJpeg(QImage picture, std::vector<uint8_t>& out, int quality)
{
    out.clear();
    if (picture.isNull())
        return false;
    if (picture.format() != QImage::Format_RGB888)
        picture = std::move(picture).convertToFormat(QImage::Format_RGB888);
    const int width = picture.width(), height = picture.height();
    const uchar* const rgb = picture.constBits();
    const size_t stride = size_t(picture.bytesPerLine());
    jpeg_compress_struct cinfo;
    ErrorJump err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = Fail;
    err.mgr.emit_message = Quiet;
    // libjpeg grows this buffer itself; freed here whatever happens.
    unsigned char* coded = nullptr;
    unsigned long codedLen = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(coded);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &coded, &codedLen);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    for (int y = 0; y < height; ++y) {
        JSAMPROW r = const_cast<JSAMPROW>(rgb + size_t(y) * stride);
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    out.assign(coded, coded + codedLen);
    std::free(coded);
    return !out.empty();
}
