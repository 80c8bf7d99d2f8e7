#include "app/controls/fitted_text.h"

#include <QFontMetrics>
#include <QLabel>

namespace controls {

void setFittedText(QLabel* label, const QString& text, qreal maxPointSize) {
  QFont f = label->font();
  const int room = label->contentsRect().width();
  for (qreal pt = maxPointSize; pt > 6; pt -= 0.5) {
    f.setPointSizeF(pt);
    if (QFontMetrics(f).horizontalAdvance(text) <= room) break;
  }
  if (f != label->font()) label->setFont(f);
  label->setText(text);
}

}  // namespace controls
