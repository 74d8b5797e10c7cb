// libheif, loaded on the first HEIF a process meets rather than at its start: with its
// codecs (libde265, dav1d, and the encoders it carries, x265 and aom) it would double the
// command line's start-up for every run, HEIF or not. Only the HEIF glue includes this.
#pragma once

#include <libheif/heif.h>

namespace pixtrim {

// The functions of libheif the program calls, by their own names.
// clang-format off
#define PIXTRIM_LIBHEIF_FUNCTIONS(X) \
    X(heif_init) \
    X(heif_context_alloc) \
    X(heif_context_free) \
    X(heif_context_get_primary_image_handle) \
    X(heif_context_read_from_memory_without_copy) \
    X(heif_context_read_from_reader) \
    X(heif_context_set_max_decoding_threads) \
    X(heif_context_set_maximum_image_size_limit) \
    X(heif_decode_image) \
    X(heif_decoding_options_alloc) \
    X(heif_decoding_options_free) \
    X(heif_image_get_bits_per_pixel_range) \
    X(heif_image_get_height) \
    X(heif_image_get_plane_readonly) \
    X(heif_image_get_width) \
    X(heif_image_handle_get_color_profile_type) \
    X(heif_image_handle_get_height) \
    X(heif_image_handle_get_ispe_height) \
    X(heif_image_handle_get_ispe_width) \
    X(heif_image_handle_get_list_of_metadata_block_IDs) \
    X(heif_image_handle_get_list_of_thumbnail_IDs) \
    X(heif_image_handle_get_luma_bits_per_pixel) \
    X(heif_image_handle_get_metadata) \
    X(heif_image_handle_get_metadata_size) \
    X(heif_image_handle_get_number_of_thumbnails) \
    X(heif_image_handle_get_raw_color_profile) \
    X(heif_image_handle_get_raw_color_profile_size) \
    X(heif_image_handle_get_thumbnail) \
    X(heif_image_handle_get_width) \
    X(heif_image_handle_has_alpha_channel) \
    X(heif_image_handle_is_premultiplied_alpha) \
    X(heif_image_handle_release) \
    X(heif_image_release)
// clang-format on

struct Libheif {
// NOLINTNEXTLINE(bugprone-macro-parentheses): a declaration, where parentheses cannot stand
#define PIXTRIM_LIBHEIF_POINTER(name) decltype(&::name) name = nullptr;
    PIXTRIM_LIBHEIF_FUNCTIONS(PIXTRIM_LIBHEIF_POINTER)
#undef PIXTRIM_LIBHEIF_POINTER
};

// libheif, loaded and set up once for the process; nullptr when it cannot be (its reason
// then in LibheifError()). Safe to call from any thread.
const Libheif* LoadLibheif();
const char* LibheifError();

}  // namespace pixtrim
