// The decoders of the formats other than JPEG, each in its glue file over its library, and
// their header readers (see ImageDecoder.h). Only the codec's dispatch includes this.
#pragma once

#include <memory>
#include <string_view>

#include "codec/ImageDecoder.h"

namespace pixtrim {

std::unique_ptr<ImageDecoder> MakePngDecoder();
bool ReadPngHeader(std::string_view bytes, ImageHeader& header);

std::unique_ptr<ImageDecoder> MakeWebpDecoder();
bool ReadWebpHeader(std::string_view bytes, ImageHeader& header);

std::unique_ptr<ImageDecoder> MakeTiffDecoder();
bool ReadTiffHeader(const FileBytes& file, ImageHeader& header);

std::unique_ptr<ImageDecoder> MakeHeifDecoder(const DecodeOptions& options);
bool ReadHeifHeader(const FileBytes& file, ImageHeader& header);

// An EXIF block as a format stores it, from its TIFF header on: a leading "Exif\0\0" (which
// some writers put where it does not belong) is left out.
std::string_view ExifFromTiffHeader(std::string_view block);

}  // namespace pixtrim
