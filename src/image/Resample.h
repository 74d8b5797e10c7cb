// The two-stage bilinear resampler over a row source. The copy is made from the top of the
// picture down, so a source is asked for its rows in the order a decoder gives them: a
// whole buffer is one source, the decoder streaming rows is another, and both go through
// this one resampler. Safe on different sources and targets from different threads.
#pragma once

#include <cstdint>

namespace pixtrim {

class cDIBSection;

// The rows of a source picture of 24-bit blue-green-red pixels, numbered as the image
// buffer stores them (memory row 0 at the bottom). The resampler asks for rows with
// non-increasing numbers (the picture's rows top down), two at a time: a row it asked for
// stays valid until it has asked for two more.
class RowSource {
public:
    virtual ~RowSource() = default;
    // The memory row `row`; nullptr when the source failed (a decoder's error).
    virtual const uint8_t* Row(int32_t row) = 0;
};
// A whole picture in memory as a row source.
class BufferRows : public RowSource {
public:
    explicit BufferRows(const cDIBSection& buffer);
    const uint8_t* Row(int32_t row) override { return bits_ + row * stride_; }

private:
    const uint8_t* bits_;
    int64_t stride_;
};

// Fills `target`, already made at the copy's size, with the source of sourceWidth x
// sourceHeight scaled by the two-stage bilinear rule (positions in single precision,
// interpolation in double, each stage rounded half to even); an equal size is a plain
// copy. `second`, when given, is filled by the same rule in the same pass over the source
// (a preview beside the copy). False when the source fails. The kernel: Best takes, where
// the processor has AVX2, every row and column whose weight is a whole number of 2^-23
// (all of them when shrinking) in integers, and the rest as Sse2 does; Sse2 is the
// double-precision one that processors with SSE2 only run; Scalar the plain one of the
// others. All give the very same bytes (a test holds them equal).
enum class RowKernel { Best, Sse2, Scalar };
bool ResampleRows(RowSource& source, int32_t sourceWidth, int32_t sourceHeight, cDIBSection& target,
                  cDIBSection* second = nullptr, RowKernel kernel = RowKernel::Best);

// Fills `small`, already made at 1 / `factor` of `large`'s size (each side rounded down),
// with the rounded average of each factor x factor block of `large`: a preview sampled
// at a few times its size and averaged shows the picture without a sample's aliasing.
void AverageBlocks(const cDIBSection& large, cDIBSection& small, int32_t factor);

}  // namespace pixtrim
