#include "ui/station/fitted_digits.h"

#include <QFontMetrics>
#include <algorithm>

namespace qor::ui {

namespace {

// The largest pixel size from `largest` down to `smallest` at which `text` fits `width`; 0
// when none does.
int FittingPixelSize(QFont font, const QString& text, int width, int largest, int smallest)
{
    font.setPixelSize(std::max(1, largest));
    const int full = QFontMetrics(font).horizontalAdvance(text);
    if (full <= width)
        return largest;
    // Text width grows about in step with the size: start near the answer, then step down.
    for (int px = std::min(largest - 1, largest * width / std::max(1, full)); px >= smallest; --px) {
        font.setPixelSize(px);
        if (QFontMetrics(font).horizontalAdvance(text) <= width)
            return px;
    }
    return 0;
}

}  // namespace

FittedDigits FitDigits(const QFont& font, const QString& text, int width, int smallest)
{
    const int largest = font.pixelSize() > 0 ? font.pixelSize() : QFontMetrics(font).height();
    FittedDigits out{text, font};
    int px = FittingPixelSize(font, text, width, largest, smallest);
    if (px == 0 && std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); })) {
        // Fewer digits would be a different number.
        out.text = QStringLiteral("###");
        px = FittingPixelSize(font, out.text, width, largest, 1);
    }
    out.font.setPixelSize(std::max(smallest, px));
    return out;
}

}  // namespace qor::ui
