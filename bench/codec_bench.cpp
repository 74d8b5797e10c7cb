// Times decode, resample and encode of one real photo fitted into 800 x 600, against
// libjpeg-turbo decoding the same file into plain memory.
// Usage: codec_bench [PHOTO.jpg] [REPEAT]

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// clang-format off
#include <jpeglib.h>  // needs <cstdio> first
// clang-format on

#include "BenchTiming.h"
#include "batch/ImageSelection.h"
#include "batch/SizeRule.h"
#include "codec/JpegCodec.h"
#include "image/cDIBSection.h"

namespace {

// The floor: libjpeg-turbo alone, same file, same pixel format, into one allocation.
void DecodeWithLibjpegAlone(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) std::exit(1);
    jpeg_decompress_struct codec;
    jpeg_error_mgr errors;
    codec.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&codec);
    jpeg_stdio_src(&codec, file);
    jpeg_read_header(&codec, TRUE);
    codec.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&codec);
    const size_t stride = (codec.output_width * 3 + 3) & ~size_t{3};
    auto* pixels = static_cast<unsigned char*>(std::malloc(stride * codec.output_height));
    while (codec.output_scanline < codec.output_height) {
        JSAMPROW rows[16];
        for (int i = 0; i < 16; ++i) {
            const size_t row = std::min<size_t>(codec.output_scanline + i, codec.output_height - 1);
            rows[i] = pixels + row * stride;
        }
        jpeg_read_scanlines(&codec, rows, 16);
    }
    jpeg_finish_decompress(&codec);
    jpeg_destroy_decompress(&codec);
    std::fclose(file);
    std::free(pixels);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace pixtrim;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);  // fonts need it
    const std::string path = argc > 1 ? argv[1] : PIXTRIM_BENCH_PHOTO;
    const int repeat = argc > 2 ? std::atoi(argv[2]) : 7;
    const std::string output = "/tmp/pixtrim-codec-bench.jpg";

    cDIBSection source, target;
    if (!LoadJPG(source, path)) {
        std::fprintf(stderr, "cannot load %s\n", path.c_str());
        return 1;
    }
    int32_t width = source.Width(), height = source.Height();
    FitImageSize(width, height, 800, 600);
    const double sourceMp = source.Width() * double(source.Height()) / 1e6;
    const double targetMp = width * double(height) / 1e6;

    const double floor = bench::BestSeconds(repeat, [&] { DecodeWithLibjpegAlone(path); });
    const double decode = bench::BestSeconds(repeat, [&] { LoadJPG(source, path); });
    const double resample =
        bench::BestSeconds(repeat, [&] { source.Resample(target, height, width); });
    const double overlay = bench::BestSeconds(repeat, [&] {
        target.AddTextOverPicture("© 2026 Zoë Ørsted", CopyrightPlace::BottomRight, 1, true, true,
                                  CopyrightColors::WhiteOnBlack, "Comic Sans MS");
    });
    const double encode = bench::BestSeconds(repeat, [&] { SaveJPG(target, output, 80); });
    std::remove(output.c_str());

    std::printf("photo      %s, %d x %d (%.1f MP) into %d x %d\n", path.c_str(), source.Width(),
                source.Height(), sourceMp, width, height);
    std::printf("libjpeg    %8.2f ms  %7.1f MP/s (baseline)\n", floor * 1e3, sourceMp / floor);
    std::printf("LoadJPG    %8.2f ms  %7.1f MP/s  %.3f x baseline\n", decode * 1e3,
                sourceMp / decode, decode / floor);
    std::printf("Resample   %8.2f ms  %7.1f MP/s of target  %.3f x baseline\n", resample * 1e3,
                targetMp / resample, resample / floor);
    std::printf("Overlay    %8.2f ms  outlined text, 26 drawings  %.3f x baseline\n", overlay * 1e3,
                overlay / floor);
    std::printf("SaveJPG    %8.2f ms  %7.1f MP/s  %.3f x baseline\n", encode * 1e3,
                targetMp / encode, encode / floor);
    return 0;
}
