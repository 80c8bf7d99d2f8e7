// The chart trace painted from one line per record, from the per-column thinned trace and from
// the min/max pyramid give the same picture, pixel for pixel, over many kinds of signal and
// picture sizes, for whole recordings and for stretches that start and end inside blocks.

#include <QImage>
#include <QPainter>
#include <QTest>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "records/chart_pyramid.h"
#include "records/chart_record.h"
#include "records/chart_record_widget.h"

namespace {

QImage render(const records::ChartTrace& trace, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  QPainter p(&image);
  records::paintChartBackground(p, size);
  records::paintChartTrace(p, trace, QColor(0, 255, 255));
  return image;
}

// Pixels that differ between two pictures of the same size.
int differences(const QImage& a, const QImage& b) {
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
  return n;
}

struct Signal {
  const char* name;
  int count;
  std::function<double(int, std::mt19937&)> value;
};

}  // namespace

class ChartImageTest : public QObject {
  Q_OBJECT
 private slots:
  void thinnedTraceGivesTheSameImage_data();
  void thinnedTraceGivesTheSameImage();
  void mappingAgreesWithTheTransform();
  void pyramidReadsAFewBlocksPerColumn();
};

void ChartImageTest::thinnedTraceGivesTheSameImage_data() {
  QTest::addColumn<int>("signal");
  QTest::addColumn<QSize>("size");
  const char* names[] = {"random walk at 10 MHz",
                         "noise with spikes",
                         "square wave",
                         "sawtooth",
                         "all equal",
                         "alternating every record",
                         "overflow readings among normal ones",
                         "negative slow drift",
                         "just wider than the picture",
                         "twice the picture"};
  const QSize sizes[] = {{660, 300}, {101, 77}, {13, 9}};
  for (int s = 0; s < 10; ++s) {
    for (const QSize& size : sizes) {
      QTest::addRow("%s %dx%d", names[s], size.width(), size.height()) << s << size;
    }
  }
}

void ChartImageTest::thinnedTraceGivesTheSameImage() {
  QFETCH(int, signal);
  QFETCH(QSize, size);
  std::mt19937 random(1234 + signal);
  std::normal_distribution<double> noise(0, 1);
  std::uniform_real_distribution<double> unit(0, 1);
  double level = 1e7;
  const int w = size.width();
  const Signal kinds[] = {
      {"walk", 200000, [&](int, std::mt19937& r) { return level += noise(r) * 0.01; }},
      {"spikes", 50000,
       [&](int, std::mt19937& r) { return 5.0 + noise(r) + (unit(r) < 0.001 ? 80.0 : 0.0); }},
      {"square", 30011, [](int i, std::mt19937&) { return (i / 37) % 2 ? 1.25 : -3.5; }},
      {"saw", 40000, [](int i, std::mt19937&) { return (i % 1000) * 0.001; }},
      {"equal", 20000, [](int, std::mt19937&) { return 42.0; }},
      {"alternating", 9999, [](int i, std::mt19937&) { return i % 2 ? 1.0 : 0.0; }},
      {"overflow", 20000,
       [&](int, std::mt19937& r) { return unit(r) < 0.01 ? 9.91e37 : 1e6 + noise(r); }},
      {"drift", 100000, [](int i, std::mt19937&) { return -1e-3 * i + std::sin(i * 0.01); }},
      {"wider", w + 2, [&](int, std::mt19937& r) { return noise(r); }},
      {"twice", 2 * w + 1, [&](int, std::mt19937& r) { return noise(r); }},
  };
  const Signal& s = kinds[signal];
  std::vector<double> values;
  values.reserve(static_cast<size_t>(s.count));
  for (int i = 0; i < s.count; ++i) values.push_back(s.value(i, random));

  const records::ChartTrace full = records::chartTrace(values, w, size.height(), false);
  const records::ChartTrace thin = records::chartTrace(values, w, size.height(), true);
  QCOMPARE(full.points.size(), values.size());
  QVERIFY(thin.points.size() <= 4 * static_cast<size_t>(w + 1));
  const QImage one = render(full, size);
  const QImage thinned = render(thin, size);
  QCOMPARE(differences(one, thinned), 0);

  // From the pyramid: the whole recording, and a stretch starting and ending inside blocks.
  records::MemoryPyramid pyramid(values);
  const long long count = static_cast<long long>(values.size());
  const long long stretches[][2] = {{0, count - 1}, {count / 7 + 3, count - count / 5 - 2}};
  for (const auto& stretch : stretches) {
    const long long first = stretch[0];
    const long long lastX = stretch[1] - first;
    const std::span<const double> part(values.data() + first, static_cast<size_t>(lastX + 1));
    const records::ChartTrace every = records::chartTrace(part, w, size.height(), false);
    const records::ChartTrace fromPyramid =
        records::pyramidTrace(pyramid, first, lastX, w, size.height());
    QCOMPARE(fromPyramid.firstValue, every.firstValue);
    QCOMPARE(fromPyramid.maximum, every.maximum);
    QCOMPARE(fromPyramid.minimum, every.minimum);
    QCOMPARE(fromPyramid.scale, every.scale);
    QCOMPARE(fromPyramid.valuesRead, every.valuesRead);
    QVERIFY(fromPyramid.points.size() <= 4 * static_cast<size_t>(w + 1));
    QCOMPARE(differences(render(every, size), render(fromPyramid, size)), 0);
  }
  // The trace did paint something beside the background.
  QImage empty(size, QImage::Format_RGB32);
  {
    QPainter p(&empty);
    records::paintChartBackground(p, size);
  }
  QVERIFY(differences(one, empty) > 0);
}

void ChartImageTest::mappingAgreesWithTheTransform() {
  std::mt19937 random(99);
  std::normal_distribution<double> noise(0, 1);
  std::vector<double> values;
  double level = 1e7;
  for (int i = 0; i < 100000; ++i) values.push_back(level += noise(random));
  for (const QSize size : {QSize(660, 300), QSize(333, 101), QSize(7, 5)}) {
    const records::ChartTrace t = records::chartTrace(values, size.width(), size.height(), false);
    const QTransform transform = records::chartTransform(t.mapping);
    for (const records::ChartPoint& p : t.points) {
      const QPoint device = transform.map(QPointF(p.x, p.y)).toPoint();
      if (device.x() != t.mapping.deviceX(p.x) || device.y() != t.mapping.deviceY(p.y)) {
        QFAIL(qPrintable(QStringLiteral("x %1 maps to %2,%3, logic says %4,%5")
                             .arg(p.x)
                             .arg(device.x())
                             .arg(device.y())
                             .arg(t.mapping.deviceX(p.x))
                             .arg(t.mapping.deviceY(p.y))));
      }
    }
  }
}

void ChartImageTest::pyramidReadsAFewBlocksPerColumn() {
  // Two million readings into 660 columns: about 3,000 a column, of which the pyramid reads a
  // few dozen blocks and at most 2 × 63 single readings at the column's edges.
  std::mt19937 random(5);
  std::normal_distribution<double> noise(0, 1);
  std::vector<double> values(2000000);
  double level = 0;
  for (double& v : values) v = level += noise(random);
  records::MemoryPyramid pyramid(values);
  const records::ChartTrace trace =
      records::pyramidTrace(pyramid, 0, static_cast<long long>(values.size()) - 1, 660, 300);
  QCOMPARE(trace.valuesRead, static_cast<long long>(values.size()));
  QVERIFY2(pyramid.readingsRead() <= 660 * (2 * 63 + 2),
           qPrintable(QString::number(pyramid.readingsRead())));
  QVERIFY2(pyramid.blocksRead() <= 660 * 64, qPrintable(QString::number(pyramid.blocksRead())));
  QVERIFY(records::worthDrawingFromPyramid(static_cast<long long>(values.size()) - 1, 660));
  QVERIFY(!records::worthDrawingFromPyramid(2 * 64 * 660 - 2, 660));
}

QTEST_MAIN(ChartImageTest)
#include "chart_image_test.moc"
