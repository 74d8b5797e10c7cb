// The two-stage bilinear resampler (see Resample.h). Its arithmetic is fixed to the bit: positions
// in single precision, interpolation in double, each stage rounded half to even (lrint in the
// default rounding mode). Built with -ffp-contract=off: a fused multiply-add would change
// the bytes.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PIXTRIM_AVX2_KERNEL 1
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

// The products and sums above are exact in double whenever a weight is a whole number of
// 2^-23 (a fraction of a float of at least 1, which every shrinking step has): a byte times
// such a weight needs 31 bits, a sum of two at most 31 too. Rounding that exact value half
// to even in integers, t / 2^23 up when the rest passes half or is half over an odd
// quotient, gives the very bytes of the double rule eight lanes at a time.
constexpr int kWeightBits = 23;
constexpr int32_t kWeightOne = int32_t{1} << kWeightBits;

// The integer weight of a fraction, or -1 when it is not a whole number of 2^-23.
int32_t WholeWeight(double fraction) {
    const double scaled = fraction * double(kWeightOne);
    return scaled == std::floor(scaled) && scaled >= 0 && scaled < kWeightOne ? int32_t(scaled)
                                                                              : -1;
}

// A column's horizontal weights as the integer kernel multiplies them: the left pixel's
// three channels, then the right one's.
struct alignas(32) ColumnWeights {
    int32_t lanes[8];
};

#if defined(PIXTRIM_AVX2_KERNEL)
__attribute__((target("avx2"))) inline __m256i RoundWeighted(__m256i t) {
    const __m256i belowHalf = _mm256_set1_epi32(kWeightOne / 2 - 1);
    const __m256i odd = _mm256_and_si256(_mm256_srli_epi32(t, kWeightBits), _mm256_set1_epi32(1));
    return _mm256_srli_epi32(_mm256_add_epi32(_mm256_add_epi32(t, belowHalf), odd), kWeightBits);
}

// One target row from two source rows, for columns whose right pixel follows the left one
// and whose eight bytes from the left one lie inside the row: a pixel at a time, the left
// and right pixel's channels side by side in one register.
__attribute__((target("avx2"))) void ResampleRowWhole(const uint8_t* lower, const uint8_t* upper,
                                                      int32_t upperWeight,
                                                      const ColumnSample* columns,
                                                      const ColumnWeights* weights, int32_t width,
                                                      uint8_t* out) {
    const __m256i lowerWeights = _mm256_set1_epi32(kWeightOne - upperWeight);
    const __m256i upperWeights = _mm256_set1_epi32(upperWeight);
    const __m256i rightDown = _mm256_setr_epi32(3, 4, 5, 3, 3, 3, 3, 3);
    for (int32_t x = 0; x < width; ++x, out += 3) {
        const int32_t left = columns[x].left;
        const __m256i a =
            _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(lower + left)));
        const __m256i b =
            _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(upper + left)));
        const __m256i m = RoundWeighted(_mm256_add_epi32(_mm256_mullo_epi32(a, lowerWeights),
                                                         _mm256_mullo_epi32(b, upperWeights)));
        const __m256i h = _mm256_mullo_epi32(
            m, _mm256_load_si256(reinterpret_cast<const __m256i*>(weights[x].lanes)));
        const __m256i sums = _mm256_add_epi32(h, _mm256_permutevar8x32_epi32(h, rightDown));
        __m128i pixel = _mm256_castsi256_si128(RoundWeighted(sums));
        pixel = _mm_packus_epi16(_mm_packus_epi32(pixel, pixel), pixel);
        const int32_t bytes = _mm_cvtsi128_si32(pixel);
        // The fourth byte is the next pixel's, written over by it.
        std::memcpy(out, &bytes, x + 1 < width ? 4 : 3);
    }
}
#endif

bool HasWholeKernel() {
#if defined(PIXTRIM_AVX2_KERNEL)
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
#else
    return false;
#endif
}

using RowKernelFunction = void (*)(const uint8_t*, const uint8_t*, const RowWeights&,
                                   const ColumnSample*, int32_t, uint8_t*);

RowKernelFunction KernelFor(RowKernel kernel) {
#if defined(__SSE2__)
    if (kernel == RowKernel::Best || kernel == RowKernel::Sse2) return ResampleRowVector;
#endif
    (void)kernel;
    return ResampleRowScalar;
}

}  // namespace

namespace {

// One target's walk from its top row down: its columns, and the source rows it reads next.
class TargetWalk {
public:
    TargetWalk(cDIBSection& target, int32_t sourceWidth, int32_t sourceHeight, RowKernel kernel)
        : target_(target),
          kernel_(KernelFor(kernel)),
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
        if (kernel == RowKernel::Best && HasWholeKernel()) WholeColumns(sourceWidth);
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
        int32_t done = 0;
#if defined(PIXTRIM_AVX2_KERNEL)
        const int32_t upperWeight = WholeWeight(dy);
        if (upperWeight >= 0 && wholeColumns_ > 0) {
            ResampleRowWhole(lower, upper, upperWeight, columns_.data(), columnWeights_.data(),
                             wholeColumns_, out);
            done = wholeColumns_;
        }
#endif
        if (done < target_.Width()) {
            FillRowWeights(weights_, 1.0 - double(dy), double(dy));
            kernel_(lower, upper, weights_, columns_.data() + done, target_.Width() - done,
                    out + 3 * int64_t{done});
        }
        --y_;
        return true;
    }

private:
    // The leading columns the integer kernel may take: every column's weight whole, the
    // right pixel next to the left one, and eight bytes readable from the left one.
    void WholeColumns(int32_t sourceWidth) {
        columnWeights_.resize(columns_.size());
        for (size_t x = 0; x < columns_.size(); ++x) {
            const ColumnSample& c = columns_[x];
            const int32_t weight = WholeWeight(c.rightWeight);
            if (weight < 0) return;
            for (int k = 0; k < 8; ++k)
                columnWeights_[x].lanes[k] = k < 3 ? kWeightOne - weight : k < 6 ? weight : 0;
        }
        while (wholeColumns_ < target_.Width()) {
            const ColumnSample& c = columns_[size_t(wholeColumns_)];
            if (c.right != c.left + 3 || c.left + 8 > 3 * sourceWidth) break;
            ++wholeColumns_;
        }
    }

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
    std::vector<ColumnWeights> columnWeights_;
    int32_t wholeColumns_ = 0;
    RowWeights weights_;
};

}  // namespace

BufferRows::BufferRows(const cDIBSection& buffer)
    : bits_(buffer.DIBSectionBitsPtr()), stride_(buffer.BytesPerScanLine()) {}

bool ResampleRows(RowSource& source, int32_t sourceWidth, int32_t sourceHeight, cDIBSection& target,
                  cDIBSection* second, RowKernel kernel) {
    std::vector<TargetWalk> walks;
    walks.reserve(2);
    walks.emplace_back(target, sourceWidth, sourceHeight, kernel);
    if (second) walks.emplace_back(*second, sourceWidth, sourceHeight, kernel);
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
