// WebP over libwebp: lossy and lossless pictures decoded whole, then handed out row by row;
// an animation gives its first frame as the animation shows it (libwebp's animation
// decoder composes it on the canvas). Alpha follows SampleRows.h. The EXIF and ICCP chunks
// are read through libwebp's demuxer. libwebp says why a decode failed only by a status.
#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>

#include "codec/Decoders.h"
#include "codec/SampleRows.h"

namespace pixtrim {
namespace {

const char* StatusText(VP8StatusCode status) {
    switch (status) {
        case VP8_STATUS_OK:
            return "";
        case VP8_STATUS_OUT_OF_MEMORY:
            return "WebP: out of memory";
        case VP8_STATUS_INVALID_PARAM:
            return "WebP: invalid parameter";
        case VP8_STATUS_BITSTREAM_ERROR:
            return "WebP: bitstream error";
        case VP8_STATUS_UNSUPPORTED_FEATURE:
            return "WebP: unsupported feature";
        case VP8_STATUS_SUSPENDED:
        case VP8_STATUS_USER_ABORT:
            return "WebP: decoding stopped";
        case VP8_STATUS_NOT_ENOUGH_DATA:
            return "WebP: not enough data (the file is cut short)";
    }
    return "WebP: unknown error";
}

// Owns what the demuxer and the animation decoder made.
struct Demuxed {
    WebPDemuxer* demux = nullptr;
    WebPAnimDecoder* animation = nullptr;
    Demuxed() = default;
    Demuxed(const Demuxed&) = delete;
    Demuxed& operator=(const Demuxed&) = delete;
    ~Demuxed() {
        WebPAnimDecoderDelete(animation);
        WebPDemuxDelete(demux);
    }
};

class WebpDecoder : public ImageDecoder {
public:
    bool Open(std::string_view bytes) override {
        bytes_ = bytes;
        WebPBitstreamFeatures features;
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
        if (const VP8StatusCode status = WebPGetFeatures(data, bytes.size(), &features);
            status != VP8_STATUS_OK) {
            return Fail(StatusText(status));
        }
        if (const char* refusal = PictureRefusal(features.width, features.height)) {
            return Fail(refusal);
        }
        width_ = features.width;
        height_ = features.height;
        channels_ = features.has_alpha || features.has_animation ? 4 : 3;
        converter_ = SampleConverter(SampleLayout{channels_, 1, 255});
        if (!picture_.Allocate(size_t(width_) * size_t(height_) * size_t(channels_))) {
            return Fail(StatusText(VP8_STATUS_OUT_OF_MEMORY));
        }
        if (features.has_animation) return DecodeFirstFrame();
        WebPDecoderConfig config;
        if (!WebPInitDecoderConfig(&config)) return Fail(StatusText(VP8_STATUS_INVALID_PARAM));
        config.output.colorspace = channels_ == 4 ? MODE_RGBA : MODE_RGB;
        config.output.is_external_memory = 1;
        config.output.u.RGBA.rgba = picture_.data();
        config.output.u.RGBA.stride = width_ * channels_;
        config.output.u.RGBA.size = picture_.size();
        const VP8StatusCode status = WebPDecode(data, bytes.size(), &config);
        WebPFreeDecBuffer(&config.output);
        if (status != VP8_STATUS_OK) return Fail(StatusText(status));
        return true;
    }

    bool ReadRow(int32_t pictureRow, uint8_t* into) override {
        if (failed_ || pictureRow < 0 || pictureRow >= height_) return Fail("");
        converter_.Convert(
            picture_.data() + size_t(pictureRow) * size_t(width_) * size_t(channels_), width_,
            into);
        return true;
    }

    bool Finish() override { return !failed_; }
    DecodeReport Report() const override { return {failed_ ? error_ : "", ""}; }

    SourceMetadata Metadata() const override {
        SourceMetadata metadata;
        const WebPData data{reinterpret_cast<const uint8_t*>(bytes_.data()), bytes_.size()};
        Demuxed demuxed;
        demuxed.demux = WebPDemux(&data);
        if (!demuxed.demux) return metadata;
        WebPChunkIterator chunk;
        if (WebPDemuxGetChunk(demuxed.demux, "EXIF", 1, &chunk)) {
            metadata.exif = ExifFromTiffHeader(
                {reinterpret_cast<const char*>(chunk.chunk.bytes), chunk.chunk.size});
            WebPDemuxReleaseChunkIterator(&chunk);
        }
        if (WebPDemuxGetChunk(demuxed.demux, "ICCP", 1, &chunk)) {
            metadata.icc.assign(reinterpret_cast<const char*>(chunk.chunk.bytes), chunk.chunk.size);
            WebPDemuxReleaseChunkIterator(&chunk);
        }
        return metadata;
    }

private:
    bool DecodeFirstFrame() {
        const WebPData data{reinterpret_cast<const uint8_t*>(bytes_.data()), bytes_.size()};
        WebPAnimDecoderOptions options;
        if (!WebPAnimDecoderOptionsInit(&options))
            return Fail(StatusText(VP8_STATUS_INVALID_PARAM));
        options.color_mode = MODE_RGBA;
        options.use_threads = 0;
        Demuxed demuxed;
        demuxed.animation = WebPAnimDecoderNew(&data, &options);
        WebPAnimInfo info;
        uint8_t* frame = nullptr;
        int timestamp = 0;
        if (!demuxed.animation || !WebPAnimDecoderGetInfo(demuxed.animation, &info) ||
            int64_t{info.canvas_width} != width_ || int64_t{info.canvas_height} != height_ ||
            !WebPAnimDecoderGetNext(demuxed.animation, &frame, &timestamp)) {
            return Fail(StatusText(VP8_STATUS_BITSTREAM_ERROR));
        }
        std::memcpy(picture_.data(), frame, picture_.size());
        return true;
    }

    bool Fail(const char* reason) {
        error_ = reason;
        failed_ = true;
        return false;
    }

    std::string_view bytes_;
    int channels_ = 3;
    PictureMemory picture_;
    SampleConverter converter_{SampleLayout{channels_, 1, 255}};
    bool failed_ = false;
    std::string error_;
};

}  // namespace

std::unique_ptr<ImageDecoder> MakeWebpDecoder() { return std::make_unique<WebpDecoder>(); }

bool ReadWebpHeader(std::string_view bytes, ImageHeader& header) {
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &features) !=
        VP8_STATUS_OK) {
        return false;
    }
    header.width = features.width;
    header.height = features.height;
    const uint64_t picture = uint64_t(features.width) * uint64_t(features.height) * 4;
    // The animation decoder keeps its own canvas and the previous one besides ours.
    header.decoderBytes = features.has_animation ? 3 * picture : picture;
    return true;
}

}  // namespace pixtrim
