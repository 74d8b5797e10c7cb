// Writes a JPEG photo of noise, row by row, for the memory benchmarks: sizes far beyond the
// test photos, baseline 4:2:0 or progressive 4:4:4.
//
// make_photo WIDTH HEIGHT OUT.jpg [--progressive]
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

// clang-format off
#include <jpeglib.h>
// clang-format on

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: make_photo WIDTH HEIGHT OUT.jpg [--progressive]\n");
        return 1;
    }
    const int width = std::atoi(argv[1]), height = std::atoi(argv[2]);
    const bool progressive = argc > 4 && std::string(argv[4]) == "--progressive";
    FILE* out = std::fopen(argv[3], "wb");
    if (!out || width <= 0 || height <= 0) return 1;
    jpeg_compress_struct codec;
    jpeg_error_mgr errors;
    codec.err = jpeg_std_error(&errors);
    jpeg_create_compress(&codec);
    jpeg_stdio_dest(&codec, out);
    codec.image_width = JDIMENSION(width), codec.image_height = JDIMENSION(height);
    codec.input_components = 3, codec.in_color_space = JCS_RGB;
    jpeg_set_defaults(&codec);
    jpeg_set_quality(&codec, 80, TRUE);
    if (progressive) {
        codec.comp_info[0].h_samp_factor = codec.comp_info[0].v_samp_factor = 1;
        jpeg_simple_progression(&codec);
    }
    jpeg_start_compress(&codec, TRUE);
    std::mt19937 random(1);
    std::vector<JSAMPLE> row(size_t(width) * 3);
    while (codec.next_scanline < codec.image_height) {
        // A gradient with noise: photo-like byte counts, never a pathological file.
        for (size_t i = 0; i < row.size(); ++i)
            row[i] =
                JSAMPLE((i * 255 / row.size() + codec.next_scanline % 256 + random() % 48) % 256);
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&codec, rows, 1);
    }
    jpeg_finish_compress(&codec);
    jpeg_destroy_compress(&codec);
    return std::fclose(out) == 0 ? 0 : 1;
}
