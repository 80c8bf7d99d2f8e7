#pragma once
// Text that is never cut off: shown at a size that fits its label.

#include <QString>

class QLabel;

namespace controls {

// Shows `text` in `label` at `maxPointSize`, or smaller until it fits the label's width.
void setFittedText(QLabel* label, const QString& text, qreal maxPointSize);

}  // namespace controls
