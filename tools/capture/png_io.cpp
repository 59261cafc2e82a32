// PNG through libpng. No time chunk and a fixed compression level, so the
// same picture always gives the same bytes.
#include <png.h>

#include <cstdio>
#include <memory>

#include "image.h"

namespace capture {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool WritePng(const std::string& path, const IndexedImage& image, std::string* error) {
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        *error = "cannot create " + path;
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        *error = "libpng cannot start";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        *error = "libpng failed writing " + path;
        return false;
    }
    png_init_io(png, file.get());
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = {image.palette[i].r, image.palette[i].g, image.palette[i].b};
    png_set_PLTE(png, info, palette, 256);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y)
        png_write_row(png, &image.pixels[static_cast<size_t>(y) * image.width]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(file.get()) != 0) {
        *error = "cannot write " + path;
        return false;
    }
    return true;
}

bool ReadPng(const std::string& path, RgbImage* image, std::string* error) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        *error = "cannot open " + path;
        return false;
    }
    std::vector<png_bytep> rows;  // before setjmp: a longjmp must not skip its destructor
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        *error = "libpng cannot start";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        *error = path + " is not a PNG that libpng can read";
        return false;
    }
    png_init_io(png, file.get());
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_read_update_info(png, info);
    image->width = static_cast<int>(png_get_image_width(png, info));
    image->height = static_cast<int>(png_get_image_height(png, info));
    if (png_get_rowbytes(png, info) != static_cast<size_t>(image->width) * 3) {
        png_destroy_read_struct(&png, &info, nullptr);
        *error = path + ": unexpected pixel layout";
        return false;
    }
    image->rgb.assign(static_cast<size_t>(image->width) * image->height * 3, 0);
    rows.resize(image->height);
    for (int y = 0; y < image->height; ++y) rows[y] = &image->rgb[static_cast<size_t>(y) * image->width * 3];
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

}  // namespace capture
