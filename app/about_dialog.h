#pragma once
// The About box ("About Counter Tool"): the "About" tab with the product picture, its name,
// the version and the maker's web link, and the "Language" tab whose OK chooses the language
// section of the texts. Any left press on the box moves it.

#include <QUrl>
#include <functional>
#include <optional>
#include <string>

#include "app/draggable_dialog.h"

class QComboBox;
class QLabel;
class QTabWidget;

namespace controls {
class SkinButton;
}

namespace measure {
class Texts;
}

namespace app {

inline constexpr const char* kVersion = "1.1.2";
inline constexpr const char* kVersionText = "Version 1.1.2";  // the English text of the version
inline constexpr const char* kMakerUrl = "https://www.orvalent.example/";

// A picture with a caption that opens a web address when clicked; the pointer turns into a
// pointing hand over it.
class WebLinkWidget : public QWidget {
  Q_OBJECT
 public:
  WebLinkWidget(const QUrl& url, QWidget* parent = nullptr);
  QUrl url() const { return url_; }

 signals:
  void activated(const QUrl& url);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QUrl url_;
  bool pressed_ = false;
};

class AboutDialog : public DraggableDialog {
  Q_OBJECT
 public:
  AboutDialog(const measure::Texts& texts, QWidget* parent = nullptr);

  // The language section chosen with the Language tab's OK; nothing when closed otherwise.
  const std::optional<std::string>& chosenLanguage() const { return chosen_; }

  // How the web address is opened (the desktop's browser by default; tests record it).
  static void setUrlOpener(std::function<void(const QUrl&)> opener);

  QTabWidget* tabs() const { return tabs_; }
  QComboBox* languageList() const { return languages_; }
  controls::SkinButton* languageOk() const { return ok_; }
  WebLinkWidget* webLink() const { return link_; }

 private:
  QTabWidget* tabs_ = nullptr;
  QComboBox* languages_ = nullptr;
  controls::SkinButton* ok_ = nullptr;
  WebLinkWidget* link_ = nullptr;
  std::optional<std::string> chosen_;
};

}  // namespace app
