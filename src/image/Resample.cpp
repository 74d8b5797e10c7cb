// The two-stage bilinear resampler (see Resample.h). Its arithmetic is fixed to the bit: positions
// in single precision, interpolation in double, each stage rounded half to even (lrint in the
// default rounding mode). Built with -ffp-contract=off: a fused multiply-add would change
// the bytes.
#include <algorithm>
#include <cmath>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/Resample.h"
#include "image/cDIBSection.h"

namespace pixtrim {
namespace {

// Where one target column samples the source: byte offsets of its left and right source
// pixels and the two horizontal weights.
struct ColumnSample {
    int32_t left;
    int32_t right;
    double leftWeight;  // followed by rightWeight: loaded as one pair
    double rightWeight;
};

inline int32_t RoundSum(double a, double b) { return static_cast<int32_t>(std::lrint(a + b)); }

// The weighted values of every byte for one target row: lower[v] = (1 - dy) x v and
// upper[v] = dy x v, the very products the rule forms, computed once per row.
struct RowWeights {
    double lower[256];
    double upper[256];
};

void FillRowWeights(RowWeights& weights, double lowerWeight, double upperWeight) {
    for (int v = 0; v < 256; ++v) {
        weights.lower[v] = lowerWeight * double(v);
        weights.upper[v] = upperWeight * double(v);
    }
}

// One target row from two source rows. The vertical pass rounds each channel of the
// left and of the right source pixel, then the horizontal pass interpolates those integers.
void ResampleRowScalar(const uint8_t* lower, const uint8_t* upper, const RowWeights& w,
                       const ColumnSample* columns, int32_t width, uint8_t* out) {
    for (int32_t x = 0; x < width; ++x, out += 3) {
        const ColumnSample& c = columns[x];
        for (int k = 0; k < 3; ++k) {
            const double m = RoundSum(w.lower[lower[c.left + k]], w.upper[upper[c.left + k]]);
            const double mr = RoundSum(w.lower[lower[c.right + k]], w.upper[upper[c.right + k]]);
            out[k] = static_cast<uint8_t>(RoundSum(c.leftWeight * m, c.rightWeight * mr));
        }
    }
}

#if defined(__SSE2__)
// The same products, sums and roundings (the default rounding mode is half to even), the
// left and right pixel of a channel side by side.
void ResampleRowVector(const uint8_t* lower, const uint8_t* upper, const RowWeights& w,
                       const ColumnSample* columns, int32_t width, uint8_t* out) {
    for (int32_t x = 0; x < width; ++x, out += 3) {
        const ColumnSample& c = columns[x];
        const uint8_t* p = lower + c.left;
        const uint8_t* pr = lower + c.right;
        const uint8_t* q = upper + c.left;
        const uint8_t* qr = upper + c.right;
        const __m128d horizontal = _mm_loadu_pd(&c.leftWeight);
        for (int k = 0; k < 3; ++k) {
            const __m128d sums = _mm_add_pd(_mm_setr_pd(w.lower[p[k]], w.lower[pr[k]]),
                                            _mm_setr_pd(w.upper[q[k]], w.upper[qr[k]]));
            const __m128d products = _mm_mul_pd(_mm_cvtepi32_pd(_mm_cvtpd_epi32(sums)), horizontal);
            const __m128d sum = _mm_add_sd(products, _mm_unpackhi_pd(products, products));
            out[k] = static_cast<uint8_t>(_mm_cvtsd_si32(sum));
        }
    }
}
#endif

// A whole buffer as a row source.
class BufferRows : public RowSource {
public:
    explicit BufferRows(const cDIBSection& buffer)
        : bits_(buffer.DIBSectionBitsPtr()), stride_(buffer.BytesPerScanLine()) {}
    const uint8_t* Row(int32_t row) override { return bits_ + row * stride_; }

private:
    const uint8_t* bits_;
    int64_t stride_;
};

using RowKernelFunction = void (*)(const uint8_t*, const uint8_t*, const RowWeights&,
                                   const ColumnSample*, int32_t, uint8_t*);

RowKernelFunction KernelFor(RowKernel kernel) {
#if defined(__SSE2__)
    if (kernel == RowKernel::Best) return ResampleRowVector;
#endif
    (void)kernel;
    return ResampleRowScalar;
}

}  // namespace

namespace {

// One target's walk from its top row down: its columns, and the source rows it reads next.
class TargetWalk {
public:
    TargetWalk(cDIBSection& target, int32_t sourceWidth, int32_t sourceHeight,
               RowKernelFunction kernel)
        : target_(target),
          kernel_(kernel),
          sourceHeight_(sourceHeight),
          copy_(target.Width() == sourceWidth && target.Height() == sourceHeight),
          y_(target.Height() - 1),
          xScale_(static_cast<float>(double(sourceWidth - 1) / double(target.Width()))),
          yScale_(static_cast<float>(double(sourceHeight - 1) / double(target.Height()))) {
        // A source one pixel wide or high has no second column or row: the missing
        // neighbour is the last one. The clamps also keep every read inside the source.
        if (copy_) return;
        columns_.resize(static_cast<size_t>(target.Width()));
        for (int32_t x = 0; x < target.Width(); ++x) {
            const float fx = static_cast<float>(double(xScale_) * double(x));
            const int32_t ix = std::min(static_cast<int32_t>(std::floor(fx)), sourceWidth - 1);
            const float dx = static_cast<float>(double(fx) - double(ix));
            columns_[x] = {3 * ix, 3 * std::min(ix + 1, sourceWidth - 1), 1.0 - double(dx),
                           double(dx)};
        }
    }

    bool Done() const { return y_ < 0; }
    // The lower source row of the next target row (memory numbering): the smaller it is,
    // the further down the picture the target reads.
    int32_t NextRow() const { return copy_ ? y_ : LowerRow(Position()); }

    // Makes the next target row from the source's rows; false when the source fails.
    bool Step(RowSource& source) {
        uint8_t* out = target_.DIBSectionBitsPtr() + int64_t{y_} * target_.BytesPerScanLine();
        if (copy_) {
            const uint8_t* row = source.Row(y_--);
            if (!row) return false;
            std::copy(row, row + 3 * int64_t{target_.Width()}, out);
            return true;
        }
        const float fy = Position();
        const int32_t iy = LowerRow(fy);
        const float dy = static_cast<float>(double(fy) - double(iy));
        const uint8_t* upper = source.Row(std::min(iy + 1, sourceHeight_ - 1));
        const uint8_t* lower = source.Row(iy);
        if (!upper || !lower) return false;
        FillRowWeights(weights_, 1.0 - double(dy), double(dy));
        kernel_(lower, upper, weights_, columns_.data(), target_.Width(), out);
        --y_;
        return true;
    }

private:
    float Position() const { return static_cast<float>(double(yScale_) * double(y_)); }
    int32_t LowerRow(float fy) const {
        return std::min(static_cast<int32_t>(std::floor(fy)), sourceHeight_ - 1);
    }

    cDIBSection& target_;
    const RowKernelFunction kernel_;
    const int32_t sourceHeight_;
    const bool copy_;
    int32_t y_;
    const float xScale_;
    const float yScale_;
    std::vector<ColumnSample> columns_;
    RowWeights weights_;
};

}  // namespace

bool ResampleRows(RowSource& source, int32_t sourceWidth, int32_t sourceHeight, cDIBSection& target,
                  cDIBSection* second, RowKernel kernel) {
    std::vector<TargetWalk> walks;
    walks.reserve(2);
    walks.emplace_back(target, sourceWidth, sourceHeight, KernelFor(kernel));
    if (second) walks.emplace_back(*second, sourceWidth, sourceHeight, KernelFor(kernel));
    // The target that reads highest in the picture goes first, so that the source's rows
    // are asked for in order, each pair at most one row behind the last.
    for (;;) {
        TargetWalk* next = nullptr;
        for (TargetWalk& walk : walks) {
            if (!walk.Done() && (!next || walk.NextRow() > next->NextRow())) next = &walk;
        }
        if (!next) return true;
        if (!next->Step(source)) return false;
    }
}

void AverageBlocks(const cDIBSection& large, cDIBSection& small, int32_t factor) {
    const int64_t from = large.BytesPerScanLine(), to = small.BytesPerScanLine();
    const int32_t count = factor * factor;
    for (int32_t y = 0; y < small.Height(); ++y) {
        uint8_t* out = small.DIBSectionBitsPtr() + y * to;
        for (int32_t i = 0; i < 3 * small.Width(); ++i) {
            const uint8_t* corner = large.DIBSectionBitsPtr() + int64_t{factor} * y * from +
                                    3 * factor * (i / 3) + i % 3;
            int32_t sum = count / 2;
            for (int32_t dy = 0; dy < factor; ++dy)
                for (int32_t dx = 0; dx < factor; ++dx) sum += corner[dy * from + 3 * dx];
            out[i] = static_cast<uint8_t>(sum / count);
        }
    }
}

bool cDIBSection::Resample(cDIBSection& cDib, int32_t lNewHeight, int32_t lNewWidth) const {
    // The target's Create would release this very picture.
    if (&cDib == this || !BitsPointer) return false;
    if (!cDib.Create(lNewWidth, lNewHeight)) return false;
    BufferRows rows(*this);
    return ResampleRows(rows, Width(), Height(), cDib);
}

}  // namespace pixtrim
