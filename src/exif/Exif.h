// Carries a source photo's metadata into its resized copy, on raw bytes:
//   - the first APP1 segment, whatever it holds; when it is not EXIF (an editor's XMP), the
//     first APP1 that is EXIF follows it. The EXIF one gets its PixelXDimension and
//     PixelYDimension set to the copy's size;
//   - the ICC color profile (its APP2 "ICC_PROFILE" segments, in order) when it describes
//     RGB data, since the copy's pixels are in the source's color space;
//   - without the APP1, a minimal EXIF segment holding only an Orientation of 2 to 8, so
//     the copy is displayed the way its source is.
// Every read stays inside the file or the kept segment; damaged metadata never stops a run.
// One object per image; not shared between threads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pixtrim {

class ExifTransfer {
public:
    // Walks the source file's segments (`file` holds the whole file) up to its image data.
    // True when an APP1 segment was found and kept in ExifData (whatever it holds). The
    // color profile and orientation are read on the way.
    bool ReadExifBytes(std::string_view file);
    // The same for the regular file `sFileName`.
    bool ReadExifData(const std::string& sFileName);
    // Takes the metadata of a source that is no JPEG: its EXIF block from the TIFF header on
    // (kept as an APP1 when one can hold it: ExifTooLarge() tells otherwise), its ICC
    // profile (split into APP2 chunks), and its orientation: `orientation` when the format
    // says it outside EXIF (1 to 8), else the EXIF's. `upright`: the picture was turned
    // already, so the orientation becomes 1, in the carried EXIF too. True when an EXIF
    // block is kept.
    bool ReadMetadata(std::string_view exif, std::string_view icc, int orientation, bool upright);
    // The size of the EXIF block that ReadMetadata could not carry (0: none).
    size_t ExifTooLarge() const { return exifTooLarge_; }

    // Writes the new size into the kept segment when FindExifImageSize finds it: SHORT and
    // SSHORT entries as 2 bytes, LONG and SLONG entries as 4, in the segment's byte order;
    // other types are left unchanged.
    void SetExifImageSize(int32_t iWidth, int32_t iHeight);

    // Inserts the segments to carry right after the FF D8 of the encoded copy `copy`: the
    // kept APP1 when `withExif` (else the minimal orientation segment, if any), then the
    // RGB color profile. False, with `copy` unchanged, when it does not start with FF D8.
    bool InsertSegments(std::string& copy, bool withExif);
    // The same on the copy file `sFileName`, replaced atomically. False when it cannot be
    // read or replaced.
    bool WriteExifData(const std::string& sFileName, bool withExif);

    // Leaves the location out of the kept EXIF: IFD0's GPS pointer (tag 0x8825) is removed
    // (the entries after it and the offset of the next IFD move up one place, the count
    // drops by one) and the GPS IFD's bytes are zeroed, its entries and the values they
    // point to. Every other byte stays as it was. True when there was a location.
    bool RemoveLocation();
    // True when the kept EXIF's IFD0 points to a GPS IFD.
    bool HasLocation();

    // Finds the value fields of PixelXDimension and PixelYDimension in the kept segment:
    // IFD0 where the TIFF header says, each IFD walked over its own count of entries only,
    // never past the segment.
    bool FindExifImageSize();
    // The 16-bit word at ExifPos in the segment's byte order, advancing ExifPos by 2;
    // nothing when the word would pass the segment's end.
    std::optional<uint16_t> ReadExifWord();
    // Writes a 16-bit word at lPos in the segment's byte order (ignored past the end).
    void WriteExifWord(int32_t lPos, int32_t lValue);

    bool HasRgbProfile() const { return !iccSegments_.empty() && iccIsRgb_; }
    // The Orientation the source says (1 to 8; 0 when it says none).
    int Orientation() const { return orientation_; }
    // The PixelXDimension and PixelYDimension values of the kept EXIF (of an integer type),
    // when it holds both.
    std::optional<std::pair<uint32_t, uint32_t>> ExifImageSize();

    std::vector<uint8_t> ExifData;
    int32_t ExifPos = 0;
    bool ExifLittleEndian = false;
    int32_t ExifWidthPos = 0;
    int32_t ExifHeightPos = 0;

private:
    void Clear();
    // Removes IFD0's first GPS pointer as RemoveLocation says; true when there was one.
    bool RemoveOneLocation();
    void ReadOrientation();
    void SetOrientationToOne();
    // Checks "Exif", the byte order (setting ExifLittleEndian) and 42; gives the offset of
    // IFD0 from the TIFF header, leaving ExifPos just past it. Nothing when any is wrong.
    std::optional<uint32_t> ReadTiffHeader();
    std::optional<uint32_t> ReadExifLong();
    // The kept segment's length field L (0 when the segment is too short to hold one).
    int32_t SegmentLength() const;
    // The position of the entry `tag` among the counted entries of the IFD at `ifd` (from
    // the TIFF header); nothing when absent or when the walk would reach `length`.
    std::optional<int32_t> FindEntry(uint32_t ifd, uint16_t tag, int32_t length);
    // Runs `work` with ExifData holding the EXIF segment (the later one when there is one).
    template <typename Work>
    void WithExifSegment(Work work);
    void WriteSizeValue(int32_t valuePos, int32_t value);
    // Zeroes `count` bytes at `at` of ExifData, as far as the segment goes.
    void Zero(int64_t at, int64_t count);
    void ZeroIfd(int32_t ifd);

    std::vector<uint8_t> laterExif_;    // the first EXIF APP1, when the first APP1 is not
    std::vector<uint8_t> iccSegments_;  // whole APP2 segments, markers included, in order
    bool iccIsRgb_ = false;
    int orientation_ = 0;
    size_t exifTooLarge_ = 0;
};

// The smallest EXIF APP1 segment that holds only `orientation` (big-endian IFD0, one entry).
std::vector<uint8_t> MakeOrientationSegment(int orientation);

}  // namespace pixtrim
