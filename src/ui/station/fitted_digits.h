#pragma once

#include <QFont>
#include <QString>

namespace qor::ui {

// A number as a digit field shows it: whole, at the largest pixel size from the font's own
// down to `smallest` at which it fits `width`; where none fits, the mark "###", which has no
// digit and so is never read as a (shortened) number. Text without digits (a unit) is
// drawn at `smallest` when it does not fit.
struct FittedDigits {
    QString text;
    QFont font;
};
FittedDigits FitDigits(const QFont& font, const QString& text, int width, int smallest);

}  // namespace qor::ui
