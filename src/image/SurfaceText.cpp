// The toolkit's side of the image buffers: fonts matched by Qt and fontconfig, one line of
// text drawn into the bitmap's own memory, and a picture the toolkit read. Glyphs are
// rendered once into a coverage mask the size of the text (never a copy of the picture),
// then blended into the bottom-up rows. The command line links SurfaceWithoutText.cpp in
// its place, so that a run without text never loads Qt Gui.
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <tuple>

#include "image/Surface.h"
#include "image/cDIBSection.h"
#include "tools/TextCase.h"

namespace pixtrim {

class Font {
public:
    QFont font;
    // Glyphs are drawn at the font's whole pixel size times `scale`, so that the cell can
    // be any height, not only the heights of whole pixel sizes.
    qreal scale = 1;
    qreal ascent = 0;     // scaled, like every measure below
    int32_t cell = 0;     // ascent plus descent, rounded once
    uint64_t serial = 0;  // tells fonts apart even when one takes a freed one's address
};

// Coverage of one text's glyphs; `area` is where it lies relative to the top-left corner
// of the text's box.
struct TextMask {
    uint64_t fontSerial = 0;
    QString text;
    QRect area;
    QImage coverage;
};

namespace {

std::atomic<uint64_t> nextFontSerial{1};

void MeasureFont(Font& font) {
    const QFontMetricsF metrics(font.font);
    font.ascent = metrics.ascent() * font.scale;
    font.cell = qRound((metrics.ascent() + metrics.descent()) * font.scale);
}

qreal CellHeight(const QFont& font, int32_t pixelSize) {
    QFont sized = font;
    sized.setPixelSize(pixelSize);
    const QFontMetricsF metrics(sized);
    return metrics.ascent() + metrics.descent();
}

struct Sizing {
    int32_t pixelSize;
    qreal scale;
};

// The largest whole pixel size whose cell is at most `cell` (1 at least), and the scale
// that makes that cell exactly `cell`. Remembered per face and weight: every copy of a
// run asks again.
Sizing SizingForCellHeight(const QFont& font, int32_t cell) {
    static std::mutex lock;
    static std::map<std::tuple<QString, int, bool, int32_t>, Sizing> known;
    const auto key = std::make_tuple(font.family(), int(font.weight()), font.italic(), cell);
    {
        const std::lock_guard<std::mutex> guard(lock);
        if (const auto found = known.find(key); found != known.end()) return found->second;
    }
    // Far above any copy's need, and below where the font engine's measures overflow:
    // larger cells are this size scaled up.
    constexpr int32_t kMaxPixelSize = 4096;
    const int32_t start = std::min(cell, kMaxPixelSize);
    const qreal atStart = CellHeight(font, start);
    int32_t size = atStart > 0
                       ? std::clamp<int32_t>(int32_t(start * (start / atStart)), 1, kMaxPixelSize)
                       : start;
    while (size < kMaxPixelSize && CellHeight(font, size + 1) <= cell) ++size;
    while (size > 1 && CellHeight(font, size) > cell) --size;
    const qreal measured = CellHeight(font, size);
    const Sizing sizing{size, measured > 0 ? cell / measured : 1};
    const std::lock_guard<std::mutex> guard(lock);
    known.emplace(key, sizing);
    return sizing;
}

Font& DefaultFont() {
    static Font* font = [] {
        auto* made = new Font;
        made->serial = nextFontSerial++;
        MeasureFont(*made);
        return made;
    }();
    return *font;
}

QString SingleLine(const std::string& text) {
    QString line = DisplayText(text);
    for (QChar& c : line) {
        if (c.category() == QChar::Other_Control) c = QLatin1Char(' ');
    }
    return line;
}

void BlendColor(uint8_t* pixel, uint32_t color, int alpha) {
    const int channel[3] = {int(color >> 16) & 255, int(color >> 8) & 255, int(color) & 255};
    for (int k = 0; k < 3; ++k) {
        pixel[k] =
            static_cast<uint8_t>((pixel[k] * (255 - alpha) + channel[k] * alpha + 127) / 255);
    }
}

// Paints the surface rectangle `area` (clipped to the bitmap) in `color`.
void FillArea(const Bitmap& bitmap, const QRect& area, uint32_t color) {
    const QRect clipped = area.intersected(QRect(0, 0, bitmap.width, bitmap.height));
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        uint8_t* row = SurfaceRow(bitmap.bits, bitmap.height, bitmap.stride, y);
        for (int x = clipped.left(); x <= clipped.right(); ++x) BlendColor(row + 3 * x, color, 255);
    }
}

std::unique_ptr<TextMask> RenderMask(const Font& font, const QString& line, const QRect& area) {
    auto mask = std::make_unique<TextMask>();
    mask->fontSerial = font.serial;
    mask->text = line;
    mask->area = area;
    mask->coverage = QImage(area.size(), QImage::Format_Alpha8);
    if (mask->coverage.isNull()) return nullptr;
    mask->coverage.fill(0);
    QPainter painter(&mask->coverage);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font.font);
    painter.setPen(QColor(0, 0, 0, 255));
    painter.translate(-area.left(), font.ascent - area.top());
    painter.scale(font.scale, font.scale);
    painter.drawText(QPointF(0, 0), line);
    return mask;
}

// Blends the mask into the bitmap with the text's box at `origin` (surface coordinates).
void BlendMask(const Bitmap& bitmap, const TextMask& mask, const QPoint& origin, uint32_t color) {
    const QImage& coverage = mask.coverage;
    for (int y = 0; y < coverage.height(); ++y) {
        const int64_t surfaceY = int64_t{origin.y()} + mask.area.top() + y;
        if (surfaceY < 0 || surfaceY >= bitmap.height) continue;
        const uchar* alpha = coverage.constScanLine(y);
        uint8_t* row = SurfaceRow(bitmap.bits, bitmap.height, bitmap.stride, surfaceY);
        for (int x = 0; x < coverage.width(); ++x) {
            const int64_t surfaceX = int64_t{origin.x()} + mask.area.left() + x;
            if (alpha[x] == 0 || surfaceX < 0 || surfaceX >= bitmap.width) continue;
            BlendColor(row + 3 * surfaceX, color, alpha[x]);
        }
    }
}

}  // namespace

Font* CreateFontFromDescription(const FontDescription& description) {
    auto* font = new (std::nothrow) Font;
    if (!font) return nullptr;
    font->serial = nextFontSerial++;
    font->font = QFont(DisplayText(description.faceName));
    font->font.setWeight(static_cast<QFont::Weight>(std::clamp(description.weight, 1, 1000)));
    font->font.setItalic(description.italic);
    font->font.setUnderline(description.underline);
    font->font.setStrikeOut(description.strikeOut);
    if (description.height > 0) {
        const Sizing sizing = SizingForCellHeight(font->font, description.height);
        font->font.setPixelSize(sizing.pixelSize);
        font->scale = sizing.scale;
    } else if (description.height < 0) {
        font->font.setPixelSize(description.height == INT32_MIN ? INT32_MAX : -description.height);
    }
    MeasureFont(*font);
    return font;
}

void DeleteFont(Font* font) { delete font; }

Surface::Surface() = default;
Surface::~Surface() = default;

int32_t Surface::DrawText(const std::string& text, const TextRect& rect, uint32_t flags) {
    if (!bitmap_) return 0;
    const Font& font = font_ ? *font_ : DefaultFont();
    const QString line = SingleLine(text);
    const QFontMetricsF metrics(font.font);
    const int64_t width = std::llround(metrics.horizontalAdvance(line) * font.scale);
    const int64_t cell = font.cell;

    int64_t left = rect.left;
    if (flags & kDtRight)
        left = int64_t{rect.right} - width;
    else if (flags & kDtCenter)
        left = (int64_t{rect.left} + rect.right - width) / 2;
    int64_t top = rect.top;
    if (flags & kDtBottom)
        top = int64_t{rect.bottom} - cell;
    else if (flags & kDtVCenter)
        top = (int64_t{rect.top} + rect.bottom - cell) / 2;
    // Far beyond the bitmap nothing shows; this also keeps the values in QRect's range.
    const int64_t reach = int64_t{bitmap_->width} + bitmap_->height + width + cell;
    if (left > reach || -left > reach || top > reach || -top > reach)
        return int32_t(std::max<int64_t>(cell, 1));
    const QPoint origin{int(left), int(top)};

    if (backgroundMode_ == BackgroundMode::Opaque && width > 0) {
        FillArea(*bitmap_, QRect(origin, QSize(int(width), int(cell))), backgroundColor_);
    }

    // Only the part of the glyphs that can fall on the bitmap is rendered.
    const QRectF scaled = metrics.boundingRect(line);
    const QRect ink = QRectF(scaled.topLeft() * font.scale, scaled.size() * font.scale)
                          .translated(0, font.ascent)
                          .toAlignedRect()
                          .adjusted(-2, -2, 2, 2);
    const QRect visible = ink.intersected(QRect(-origin, QSize(bitmap_->width, bitmap_->height)));
    if (!line.isEmpty() && !visible.isEmpty()) {
        if (!mask_ || mask_->fontSerial != font.serial || mask_->text != line ||
            mask_->area != visible) {
            mask_ = RenderMask(font, line, visible);
            if (!mask_) return 0;
        }
        BlendMask(*bitmap_, *mask_, origin, textColor_);
    }
    return int32_t(std::max<int64_t>(cell, 1));
}

void cDIBSection::CreateFromPicture(const QImage& picThis) {
    if (!Create(picThis.width(), picThis.height())) return;
    const QImage picture = picThis.convertToFormat(QImage::Format_BGR888);
    if (picture.isNull()) return;
    const size_t rowBytes = static_cast<size_t>(Width()) * 3;
    for (int32_t y = 0; y < Height(); ++y) {
        std::memcpy(SurfaceRow(BitsPointer, Height(), BytesPerScanLine(), y),
                    picture.constScanLine(y), rowBytes);
    }
}

}  // namespace pixtrim
