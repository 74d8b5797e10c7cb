// The text side of Surface: fonts matched by Qt and fontconfig, and one line of text drawn
// into the bitmap's own memory. Glyphs are rendered once into a coverage mask the size of
// the text (never a copy of the picture), then blended into the bottom-up rows.
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <new>

#include "image/Surface.h"

namespace pixtrim {

class Font {
public:
    QFont font;
    int32_t ascent = 0;
    int32_t descent = 0;
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
    const QFontMetrics metrics(font.font);
    font.ascent = metrics.ascent();
    font.descent = metrics.descent();
}

int32_t CellHeight(const QFont& font, int32_t pixelSize) {
    QFont sized = font;
    sized.setPixelSize(pixelSize);
    const QFontMetrics metrics(sized);
    return metrics.ascent() + metrics.descent();
}

// The pixel size whose ascent plus descent equals `cell`, or else the largest one below.
int32_t PixelSizeForCellHeight(const QFont& font, int32_t cell) {
    const int32_t atCell = CellHeight(font, cell);
    if (atCell == cell || atCell <= 0) return cell;
    const int32_t guess = std::max<int64_t>(1, int64_t{cell} * cell / atCell);
    int32_t best = 0;
    for (int32_t size = std::max(1, guess - 2); size <= guess + 2; ++size) {
        const int32_t height = CellHeight(font, size);
        if (height == cell) return size;
        if (height < cell) best = size;
    }
    return best > 0 ? best : std::max(1, guess);
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
    QString line = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    for (QChar& c : line) {
        if (c.category() == QChar::Other_Control) c = QLatin1Char(' ');
    }
    return line;
}

void BlendColour(uint8_t* pixel, uint32_t colour, int alpha) {
    const int channel[3] = {int(colour >> 16) & 255, int(colour >> 8) & 255, int(colour) & 255};
    for (int k = 0; k < 3; ++k) {
        pixel[k] =
            static_cast<uint8_t>((pixel[k] * (255 - alpha) + channel[k] * alpha + 127) / 255);
    }
}

// Paints the surface rectangle `area` (clipped to the bitmap) in `colour`.
void FillArea(const Bitmap& bitmap, const QRect& area, uint32_t colour) {
    const QRect clipped = area.intersected(QRect(0, 0, bitmap.width, bitmap.height));
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        uint8_t* row = bitmap.bits + int64_t(bitmap.height - 1 - y) * bitmap.stride;
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            BlendColour(row + 3 * x, colour, 255);
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
    painter.drawText(QPoint(-area.left(), font.ascent - area.top()), line);
    return mask;
}

// Blends the mask into the bitmap with the text's box at `origin` (surface coordinates).
void BlendMask(const Bitmap& bitmap, const TextMask& mask, const QPoint& origin, uint32_t colour) {
    const QImage& coverage = mask.coverage;
    for (int y = 0; y < coverage.height(); ++y) {
        const int64_t surfaceY = int64_t{origin.y()} + mask.area.top() + y;
        if (surfaceY < 0 || surfaceY >= bitmap.height) continue;
        const uchar* alpha = coverage.constScanLine(y);
        uint8_t* row = bitmap.bits + (bitmap.height - 1 - surfaceY) * bitmap.stride;
        for (int x = 0; x < coverage.width(); ++x) {
            const int64_t surfaceX = int64_t{origin.x()} + mask.area.left() + x;
            if (alpha[x] == 0 || surfaceX < 0 || surfaceX >= bitmap.width) continue;
            BlendColour(row + 3 * surfaceX, colour, alpha[x]);
        }
    }
}

}  // namespace

Font* CreateFontFromDescription(const FontDescription& description) {
    auto* font = new (std::nothrow) Font;
    if (!font) return nullptr;
    font->serial = nextFontSerial++;
    font->font = QFont(QString::fromStdString(description.faceName));
    font->font.setWeight(static_cast<QFont::Weight>(std::clamp(description.weight, 1, 1000)));
    font->font.setItalic(description.italic);
    font->font.setUnderline(description.underline);
    font->font.setStrikeOut(description.strikeOut);
    if (description.height > 0) {
        font->font.setPixelSize(PixelSizeForCellHeight(font->font, description.height));
    } else if (description.height < 0) {
        font->font.setPixelSize(description.height == INT32_MIN ? INT32_MAX : -description.height);
    }
    MeasureFont(*font);
    return font;
}

void DeleteFont(Font* font) { delete font; }

Surface::Surface() = default;
Surface::~Surface() = default;

Font* Surface::SelectFont(Font* font) {
    Font* displaced = font_;
    font_ = font;
    return displaced;
}

uint32_t Surface::SetTextColor(uint32_t colour) { return std::exchange(textColour_, colour); }
uint32_t Surface::SetBkColor(uint32_t colour) { return std::exchange(backgroundColour_, colour); }
BackgroundMode Surface::SetBkMode(BackgroundMode mode) {
    return std::exchange(backgroundMode_, mode);
}

int32_t Surface::DrawText(const std::string& text, const TextRect& rect, uint32_t flags) {
    if (!bitmap_) return 0;
    const Font& font = font_ ? *font_ : DefaultFont();
    const QString line = SingleLine(text);
    const QFontMetrics metrics(font.font);
    const int64_t width = metrics.horizontalAdvance(line);
    const int64_t cell = int64_t{font.ascent} + font.descent;

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
        FillArea(*bitmap_, QRect(origin, QSize(int(width), int(cell))), backgroundColour_);
    }

    // Only the part of the glyphs that can fall on the bitmap is rendered.
    const QRect ink = metrics.boundingRect(line).translated(0, font.ascent).adjusted(-2, -2, 2, 2);
    const QRect visible = ink.intersected(QRect(-origin, QSize(bitmap_->width, bitmap_->height)));
    if (!line.isEmpty() && !visible.isEmpty()) {
        if (!mask_ || mask_->fontSerial != font.serial || mask_->text != line ||
            mask_->area != visible) {
            mask_ = RenderMask(font, line, visible);
            if (!mask_) return 0;
        }
        BlendMask(*bitmap_, *mask_, origin, textColour_);
    }
    return int32_t(std::max<int64_t>(cell, 1));
}

}  // namespace pixtrim
