// HEIF and AVIF over libheif (HEVC through libde265, AV1 through dav1d): the primary image,
// of a burst or a sequence too, its grid composed by libheif, decoded whole to interleaved
// RGB and handed out row by row. Its transformations (rotation, mirror, crop) are applied,
// as the format requires: the picture is upright. 10- and 12-bit pictures and alpha follow
// SampleRows.h. The EXIF item and an ICC profile ('prof' or 'rICC') are the metadata.

#include <QtGlobal>
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "codec/Decoders.h"
#include "codec/Libheif.h"
#include "codec/SampleRows.h"
#include "tools/Language.h"

namespace pixtrim {
namespace {

constexpr int kCodedMargin = 256;

// Everything libheif made for one file, released in the reverse order of its making.
struct HeifFile {
    const Libheif* h = LoadLibheif();
    heif_context* context = nullptr;
    heif_image_handle* handle = nullptr;
    std::string error;

    HeifFile() = default;
    HeifFile(const HeifFile&) = delete;
    HeifFile& operator=(const HeifFile&) = delete;
    ~HeifFile() {
        if (!h) return;
        if (handle) h->heif_image_handle_release(handle);
        if (context) h->heif_context_free(context);
    }

    bool Succeeded(const heif_error& result) {
        if (result.code == heif_error_Ok) return true;
        error = result.message ? result.message : QT_TRANSLATE_NOOP("pixtrim", "HEIF: erreur");
        // libheif ends some of its messages with a line break.
        while (!error.empty() && std::isspace(static_cast<unsigned char>(error.back())))
            error.pop_back();
        return false;
    }

    // Reads the file's boxes and finds its primary image; no pixel is decoded. `threads`:
    // libheif's own threads for a grid's tiles (0: on the caller's thread). From memory, or
    // from a file read in pieces (`file`, when given).
    bool Open(std::string_view bytes, int threads, const FileBytes* file = nullptr) {
        if (!h) {
            error = Tr("bibliothèque HEIF introuvable : ") + LibheifError();
            return false;
        }
        context = h->heif_context_alloc();
        if (!context) return Succeeded({heif_error_Memory_allocation_error, {}, "out of memory"});
        h->heif_context_set_maximum_image_size_limit(context, kMaxPictureSide);
        h->heif_context_set_max_decoding_threads(context, threads);
        reading = {file, 0};
        const heif_error read =
            file ? h->heif_context_read_from_reader(context, &kReader, &reading, nullptr)
                 : h->heif_context_read_from_memory_without_copy(context, bytes.data(),
                                                                 bytes.size(), nullptr);
        return Succeeded(read) &&
               Succeeded(h->heif_context_get_primary_image_handle(context, &handle));
    }

    // libheif's reader over a file read in pieces.
    struct Reading {
        const FileBytes* file = nullptr;
        uint64_t at = 0;
    } reading;
    static const heif_reader kReader;
};

const heif_reader HeifFile::kReader = {
    1, [](void* user) { return int64_t(static_cast<Reading*>(user)->at); },
    [](void* into, size_t size, void* user) {
        auto* reading = static_cast<Reading*>(user);
        const size_t read = reading->file->ReadAt(reading->at, into, size);
        reading->at += read;
        return read == size ? 0 : -1;
    },
    [](int64_t position, void* user) {
        static_cast<Reading*>(user)->at = uint64_t(position);
        return 0;
    },
    [](int64_t size, void* user) {
        return uint64_t(size) <= static_cast<Reading*>(user)->file->Size()
                   ? heif_reader_grow_status_size_reached
                   : heif_reader_grow_status_size_beyond_eof;
    }};

class HeifDecoder : public ImageDecoder {
public:
    explicit HeifDecoder(const DecodeOptions& options) : options_(options) {}
    HeifDecoder(const HeifDecoder&) = delete;
    HeifDecoder& operator=(const HeifDecoder&) = delete;
    ~HeifDecoder() override {
        if (image_) file_.h->heif_image_release(image_);
        if (thumbnail_) file_.h->heif_image_handle_release(thumbnail_);
    }

    bool Open(std::string_view bytes) override {
        if (!file_.Open(bytes, options_.threads)) return Fail(file_.error.c_str());
        const int width = h->heif_image_handle_get_width(file_.handle);
        const int height = h->heif_image_handle_get_height(file_.handle);
        if (const char* refusal = PictureRefusal(width, height)) return Fail(refusal);
        // What the decode makes may have no side much longer than the primary image's stored
        // longest side: a grid's or an overlay's canvas, or an alpha plane, that claims more
        // is hostile (one of 53462 x 32263 on a picture of 200 x 150 took 14 s and 5 GB).
        // The margin is the coded size's padding to whole blocks (AV1's are 128 pixels).
        h->heif_context_set_maximum_image_size_limit(
            file_.context, std::max(h->heif_image_handle_get_ispe_width(file_.handle),
                                    h->heif_image_handle_get_ispe_height(file_.handle)) +
                               kCodedMargin);
        const heif_image_handle* shown = Thumbnail() ? thumbnail_ : file_.handle;
        return Decode(shown);
    }

    bool ReadRow(int32_t pictureRow, uint8_t* into) override {
        if (failed_ || pictureRow < 0 || pictureRow >= height_) return Fail("");
        converter_->Convert(plane_ + size_t(pictureRow) * stride_, width_, into);
        return true;
    }

    bool Finish() override { return !failed_; }
    DecodeReport Report() const override { return {failed_ ? error_ : "", ""}; }
    SourceMetadata Metadata() const override;

private:
    // The smallest thumbnail no smaller than the options allow, for a preview.
    bool Thumbnail() {
        if (options_.atLeastWidth <= 0) return false;
        const int count = h->heif_image_handle_get_number_of_thumbnails(file_.handle);
        std::vector<heif_item_id> ids(size_t(std::max(count, 0)));
        h->heif_image_handle_get_list_of_thumbnail_IDs(file_.handle, ids.data(), count);
        for (const heif_item_id id : ids) {
            heif_image_handle* candidate = nullptr;
            if (h->heif_image_handle_get_thumbnail(file_.handle, id, &candidate).code !=
                heif_error_Ok) {
                continue;
            }
            const int wide = h->heif_image_handle_get_width(candidate);
            const int tall = h->heif_image_handle_get_height(candidate);
            const bool fits = wide >= options_.atLeastWidth && tall >= options_.atLeastHeight &&
                              (!thumbnail_ || wide < h->heif_image_handle_get_width(thumbnail_));
            if (fits) std::swap(candidate, thumbnail_);
            if (candidate) h->heif_image_handle_release(candidate);
        }
        return thumbnail_ != nullptr;
    }

    bool Decode(const heif_image_handle* handle) {
        const int width = h->heif_image_handle_get_width(handle);
        const int height = h->heif_image_handle_get_height(handle);
        const bool alpha = h->heif_image_handle_has_alpha_channel(handle) != 0;
        const bool deep = h->heif_image_handle_get_luma_bits_per_pixel(handle) > 8;
        const heif_chroma chroma =
            deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                 : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
        heif_decoding_options* options = h->heif_decoding_options_alloc();
        const heif_error decoded =
            h->heif_decode_image(handle, &image_, heif_colorspace_RGB, chroma, options);
        h->heif_decoding_options_free(options);
        if (!file_.Succeeded(decoded)) return Fail(file_.error.c_str());
        int stride = 0;
        plane_ = h->heif_image_get_plane_readonly(image_, heif_channel_interleaved, &stride);
        stride_ = size_t(stride);
        const int bits = h->heif_image_get_bits_per_pixel_range(image_, heif_channel_interleaved);
        if (!plane_ || h->heif_image_get_width(image_, heif_channel_interleaved) != width ||
            h->heif_image_get_height(image_, heif_channel_interleaved) != height || bits < 8 ||
            bits > 16) {
            return Fail(QT_TRANSLATE_NOOP("pixtrim",
                                          "HEIF: image décodée d'une autre taille que annoncée"));
        }
        width_ = width;
        height_ = height;
        SampleLayout layout{alpha ? 4 : 3, deep ? 2 : 1, (1u << bits) - 1};
        layout.premultiplied = h->heif_image_handle_is_premultiplied_alpha(handle) != 0;
        converter_ = std::make_unique<SampleConverter>(layout);
        return true;
    }

    bool Fail(const char* reason) {
        error_ = reason;
        failed_ = true;
        return false;
    }

    const DecodeOptions options_;
    HeifFile file_;
    const Libheif* h = file_.h;
    heif_image_handle* thumbnail_ = nullptr;
    heif_image* image_ = nullptr;
    const uint8_t* plane_ = nullptr;
    size_t stride_ = 0;
    std::unique_ptr<SampleConverter> converter_;
    bool failed_ = false;
    std::string error_;
};

SourceMetadata HeifDecoder::Metadata() const {
    const Libheif* h = file_.h;
    SourceMetadata metadata;
    metadata.upright = true;
    heif_item_id id = 0;
    if (h->heif_image_handle_get_list_of_metadata_block_IDs(file_.handle, "Exif", &id, 1) == 1) {
        std::string block(h->heif_image_handle_get_metadata_size(file_.handle, id), '\0');
        // The item starts with the offset of the TIFF header from the end of that field.
        if (block.size() >= 4 &&
            h->heif_image_handle_get_metadata(file_.handle, id, block.data()).code ==
                heif_error_Ok) {
            const auto byte = [&](size_t i) { return uint32_t(uint8_t(block[i])); };
            const uint64_t offset = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
            if (offset <= block.size() - 4) {
                metadata.exif = ExifFromTiffHeader(std::string_view(block).substr(4 + offset));
            }
        }
    }
    const heif_color_profile_type type = h->heif_image_handle_get_color_profile_type(file_.handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        metadata.icc.resize(h->heif_image_handle_get_raw_color_profile_size(file_.handle));
        if (h->heif_image_handle_get_raw_color_profile(file_.handle, metadata.icc.data()).code !=
            heif_error_Ok) {
            metadata.icc.clear();
        }
    }
    return metadata;
}

}  // namespace

std::unique_ptr<ImageDecoder> MakeHeifDecoder(const DecodeOptions& options) {
    return std::make_unique<HeifDecoder>(options);
}

bool ReadHeifHeader(const FileBytes& bytes, ImageHeader& header) {
    HeifFile file;
    if (!file.Open({}, 0, &bytes)) return false;
    const Libheif* h = file.h;
    header.width = h->heif_image_handle_get_width(file.handle);
    header.height = h->heif_image_handle_get_height(file.handle);
    const uint64_t sampleBytes =
        h->heif_image_handle_get_luma_bits_per_pixel(file.handle) > 8 ? 2 : 1;
    const uint64_t channels = h->heif_image_handle_has_alpha_channel(file.handle) ? 4 : 3;
    // The decoded planes (at most three of full size, and alpha), then their interleaved
    // conversion, which libheif holds together for a moment.
    header.decoderBytes = uint64_t(std::max(header.width, 0)) *
                          uint64_t(std::max(header.height, 0)) * sampleBytes *
                          (channels + channels);
    return true;
}

}  // namespace pixtrim
