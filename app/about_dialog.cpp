#include "app/about_dialog.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/controls/bitmaps.h"
#include "app/controls/skin_button.h"
#include "measure/language.h"
#include "measure/texts.h"

namespace app {

namespace {

std::function<void(const QUrl&)>& urlOpener() {
  static std::function<void(const QUrl&)> opener = [](const QUrl& url) {
    QDesktopServices::openUrl(url);
  };
  return opener;
}

const QColor kAccent(0x25, 0x63, 0xeb);

// The product picture: the counter glyph on a rounded key in the accent colour.
class ProductPicture : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, kAccent.lighter(120));
    g.setColorAt(1, kAccent.darker(140));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(r, r.width() * 0.18, r.width() * 0.18);
    const int s = int(r.width() * 0.64);
    const QPixmap face = controls::glyph(QStringLiteral("counter"), s);
    p.drawPixmap(QPointF((width() - s) / 2.0, (height() - s) / 2.0), face);
  }
};

}  // namespace

WebLinkWidget::WebLinkWidget(const QUrl& url, QWidget* parent) : QWidget(parent), url_(url) {
  setCursor(Qt::PointingHandCursor);
  setToolTip(url.toString());
}

void WebLinkWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const int s = std::min(height(), 24);
  p.drawPixmap(QPointF(0, (height() - s) / 2.0),
               controls::glyph(QStringLiteral("web"), s, kAccent));
  QFont f = font();
  f.setUnderline(true);
  p.setFont(f);
  p.setPen(pressed_ ? kAccent.darker(130) : kAccent);
  p.drawText(rect().adjusted(s + 6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, url_.host());
}

void WebLinkWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  pressed_ = true;
  update();
  event->accept();
}

void WebLinkWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return QWidget::mouseReleaseEvent(event);
  pressed_ = false;
  update();
  if (rect().contains(event->position().toPoint())) emit activated(url_);
  event->accept();
}

void AboutDialog::setUrlOpener(std::function<void(const QUrl&)> opener) {
  urlOpener() = std::move(opener);
}

AboutDialog::AboutDialog(const measure::Texts& texts, QWidget* parent) : DraggableDialog(parent) {
  setWindowTitle(QString::fromStdString(texts.get("1116")));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(440, 260);

  tabs_ = new QTabWidget(this);
  tabs_->setGeometry(12, 12, 416, 236);

  auto* about = new QWidget;
  auto* picture = new ProductPicture(about);
  picture->setGeometry(20, 24, 96, 96);
  auto* name = new QLabel(QStringLiteral("V38XX_AP"), about);
  QFont big = name->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  name->setFont(big);
  name->setGeometry(136, 20, 250, 34);
  auto* product = new QLabel(QString::fromStdString(texts.get("1117")), about);
  product->setWordWrap(true);
  product->setGeometry(136, 56, 250, 40);
  auto* version =
      new QLabel(QString::fromStdString(measure::fillIn(texts.get("1118"), {kVersion})), about);
  version->setGeometry(136, 98, 250, 22);
  link_ = new WebLinkWidget(QUrl(QString::fromLatin1(kMakerUrl)), about);
  link_->setGeometry(136, 136, 230, 28);
  connect(link_, &WebLinkWidget::activated, this, [](const QUrl& url) { urlOpener()(url); });
  tabs_->addTab(about, QString::fromStdString(texts.get("551")));

  auto* language = new QWidget;
  languages_ = new QComboBox(language);
  for (std::string_view entry : measure::kLanguageTabEntries)
    languages_->addItem(QString::fromUtf8(entry.data(), static_cast<qsizetype>(entry.size())));
  languages_->setCurrentIndex(measure::languageTabIndex(texts.language()));
  languages_->setGeometry(24, 32, 220, 28);
  ok_ = new controls::SkinButton(QString::fromStdString(texts.get("003")),
                                 controls::SkinButton::Kind::Push, language);
  ok_->setGeometry(260, 30, 96, 32);
  connect(ok_, &QAbstractButton::clicked, this, [this] {
    chosen_ = std::string(measure::languageForTabIndex(languages_->currentIndex()));
    accept();
  });
  tabs_->addTab(language, QString::fromStdString(texts.get("552")));
}

}  // namespace app
