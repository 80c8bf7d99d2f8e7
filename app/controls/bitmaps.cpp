#include "app/controls/bitmaps.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

// The images live in a resource file compiled into a static library, which must be
// registered explicitly before first use.
static void initProductResources() { Q_INIT_RESOURCE(resources); }

namespace controls {

namespace {

void ensureResources() {
  static const bool registered = [] {
    initProductResources();
    return true;
  }();
  (void)registered;
}

struct BitmapEntry {
  const char* glyph;
  QColor accent;
  BitmapState state;
};

const QHash<int, BitmapEntry>& registry() {
  static const QColor blue(0x25, 0x63, 0xeb), teal(0x0d, 0x94, 0x88), indigo(0x4f, 0x46, 0xe5),
      purple(0x93, 0x33, 0xea), red(0xdc, 0x26, 0x26), green(0x16, 0xa3, 0x4a),
      slate(0x47, 0x55, 0x69), orange(0xea, 0x58, 0x0c);
  using S = BitmapState;
  static const QHash<int, BitmapEntry> table{
      {172, {"clear", orange, S::Normal}},  {173, {"clear", orange, S::Hover}},
      {174, {"clear", orange, S::Pressed}}, {178, {"chart", blue, S::Normal}},
      {179, {"chart", blue, S::Hover}},     {180, {"chart", blue, S::Pressed}},
      {181, {"color", purple, S::Normal}},  {182, {"color", purple, S::Hover}},
      {186, {"ok", green, S::Normal}},      {187, {"ok", green, S::Hover}},
      {188, {"ok", green, S::Pressed}},     {192, {"exit", slate, S::Normal}},
      {193, {"exit", slate, S::Hover}},     {194, {"exit", slate, S::Pressed}},
      {195, {"query", blue, S::Normal}},    {196, {"query", blue, S::Hover}},
      {197, {"read", indigo, S::Normal}},   {198, {"read", indigo, S::Hover}},
      {199, {"write", teal, S::Normal}},    {200, {"write", teal, S::Hover}},
      {201, {"refresh", blue, S::Normal}},  {202, {"refresh", blue, S::Hover}},
      {203, {"refresh", blue, S::Pressed}}, {204, {"csv", green, S::Normal}},
      {205, {"csv", green, S::Hover}},      {206, {"delete", red, S::Normal}},
      {207, {"delete", red, S::Hover}},     {208, {"delete", red, S::Pressed}},
  };
  return table;
}

QByteArray svgData(const QString& name, const QColor& color) {
  ensureResources();
  QFile file(QStringLiteral(":/icons/%1.svg").arg(name));
  if (!file.open(QIODevice::ReadOnly)) return {};
  QByteArray data = file.readAll();
  // Glyphs are drawn in white; recolour them when another colour is asked for.
  if (color != Qt::white) data.replace("#ffffff", color.name().toLatin1());
  return data;
}

}  // namespace

QPixmap glyph(const QString& name, int size, const QColor& color) {
  const qreal dpr = 2.0;  // crisp on high-density screens, scaled down elsewhere
  QPixmap pm(QSize(size, size) * dpr);
  pm.setDevicePixelRatio(dpr);
  pm.fill(Qt::transparent);
  QSvgRenderer renderer(svgData(name, color));
  if (!renderer.isValid()) return {};
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  renderer.render(&p, QRectF(0, 0, size, size));
  return pm;
}

QPixmap keyImage(const QString& glyphName, const QColor& accent, BitmapState state, int size) {
  const qreal dpr = 2.0;
  QPixmap pm(QSize(size, size) * dpr);
  pm.setDevicePixelRatio(dpr);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);

  QColor top = accent, bottom = accent.darker(125);
  if (state == BitmapState::Hover) {
    top = accent.lighter(125);
    bottom = accent;
  } else if (state == BitmapState::Pressed) {
    top = accent.darker(130);
    bottom = accent.darker(110);
  }
  const qreal inset = state == BitmapState::Pressed ? 2.0 : 1.0;
  const QRectF key(inset, inset, size - 2 * inset, size - 2 * inset);
  QLinearGradient gradient(key.topLeft(), key.bottomLeft());
  gradient.setColorAt(0, top);
  gradient.setColorAt(1, bottom);
  p.setPen(QPen(accent.darker(150), 1));
  p.setBrush(gradient);
  p.drawRoundedRect(key, size * 0.22, size * 0.22);
  if (state == BitmapState::Hover) {  // a soft ring tells the pointer is over the key
    p.setPen(QPen(QColor(255, 255, 255, 150), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(key.adjusted(1.5, 1.5, -1.5, -1.5), size * 0.2, size * 0.2);
  }
  const qreal g = size * 0.62;
  const QPointF offset = state == BitmapState::Pressed ? QPointF(0.5, 0.5) : QPointF();
  const QPixmap face = glyph(glyphName, int(g));
  p.drawPixmap(QRectF(QPointF((size - g) / 2, (size - g) / 2) + offset, QSizeF(g, g)), face,
               QRectF(QPointF(0, 0), QSizeF(face.size())));
  return pm;
}

QPixmap bitmap(int id, int size) {
  const auto& table = registry();
  const auto it = table.find(id);
  if (it == table.end()) return {};
  return keyImage(QString::fromLatin1(it->glyph), it->accent, it->state, size);
}

QIcon mainIcon() {
  QIcon icon;
  for (int s : {16, 24, 32, 48, 64, 128}) icon.addPixmap(glyph(QStringLiteral("counter"), s));
  return icon;
}

}  // namespace controls
