// The skinned controls' mechanics, driven with synthetic mouse and key events offscreen.
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include "app/controls/bitmaps.h"
#include "app/controls/icon_group_box.h"
#include "app/controls/image_button.h"
#include "app/controls/skin_button.h"

using controls::ImageButton;
using controls::SkinButton;

class ControlsTest : public QObject {
  Q_OBJECT
 private slots:
  void everyBitmapOfTheDialogsExistsInThreeDistinctStates() {
    const int triples[][3] = {{192, 193, 194}, {201, 202, 203}, {206, 207, 208},
                              {178, 179, 180}, {172, 173, 174}, {186, 187, 188}};
    for (const auto& t : triples) {
      const QImage n = controls::bitmap(t[0]).toImage();
      const QImage h = controls::bitmap(t[1]).toImage();
      const QImage p = controls::bitmap(t[2]).toImage();
      QVERIFY2(!n.isNull() && !h.isNull() && !p.isNull(), qPrintable(QString::number(t[0])));
      QVERIFY(n != h);
      QVERIFY(n != p);
    }
    for (int id : {181, 182, 195, 196, 197, 198, 199, 200, 204, 205})
      QVERIFY2(!controls::bitmap(id).isNull(), qPrintable(QString::number(id)));
    QVERIFY(controls::bitmap(99999).isNull());
  }

  void imageButtonShowsPressedThenHoverAndReportsOneClick() {
    QWidget dialog;
    auto* b = new ImageButton(&dialog);
    b->setBitmaps(192, 193, 194);
    b->setGeometry(10, 10, 32, 32);
    dialog.show();
    QSignalSpy clicks(b, &ImageButton::clicked);
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(16, 16));
    QCOMPARE(b->state(), ImageButton::State::Pressed);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(16, 16));
    QCOMPARE(b->state(), ImageButton::State::Hover);
    QCOMPARE(clicks.count(), 1);
    ImageButton::resetAll(&dialog);
    QCOMPARE(b->state(), ImageButton::State::Normal);
  }

  void imageButtonReleasedOutsideDoesNotClick() {
    ImageButton b;
    b.setBitmaps(195, 196, -1);
    b.resize(32, 32);
    b.show();
    QSignalSpy clicks(&b, &ImageButton::clicked);
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(b.state(), ImageButton::State::Normal);
  }

  void imageButtonWithoutHoverOrPressedImagesShowsTheNormalOne() {
    ImageButton b;
    b.setBitmaps(195, -1, -1);
    b.resize(32, 32);
    const QImage normal = b.grab().toImage();
    b.show();
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(b.grab().toImage(), normal);
  }

  void disabledImageButtonDoesNotClick() {
    ImageButton b;
    b.setBitmaps(206, 207, 208);
    b.resize(32, 32);
    b.setEnabled(false);
    b.show();
    QSignalSpy clicks(&b, &ImageButton::clicked);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(clicks.count(), 0);
  }

  void checkingARadioUnchecksTheOthersOfItsGroupOnly() {
    QWidget dialog;
    auto* a = new SkinButton("A", SkinButton::Kind::Radio, &dialog);
    auto* b = new SkinButton("B", SkinButton::Kind::Radio, &dialog);
    auto* other = new SkinButton("C", SkinButton::Kind::Radio, &dialog);
    other->setGroup(1);
    a->setGeometry(0, 0, 80, 20);
    b->setGeometry(0, 30, 80, 20);
    other->setGeometry(0, 60, 80, 20);
    dialog.show();
    other->setChecked(true);
    QTest::mouseClick(a, Qt::LeftButton);
    QVERIFY(a->isChecked());
    QTest::mouseClick(b, Qt::LeftButton);
    QVERIFY(b->isChecked());
    QVERIFY(!a->isChecked());
    QVERIFY(other->isChecked());
    QTest::mouseClick(b, Qt::LeftButton);  // a checked radio stays checked
    QVERIFY(b->isChecked());
  }

  void checkBoxTogglesOnClickAndSpaceAndSwapsTooltips() {
    SkinButton box("Save", SkinButton::Kind::CheckBox);
    box.setTooltips("off tip", "on tip");
    box.resize(100, 20);
    box.show();
    QCOMPARE(box.toolTip(), QString("off tip"));
    QTest::mouseClick(&box, Qt::LeftButton);
    QVERIFY(box.isChecked());
    QCOMPARE(box.toolTip(), QString("on tip"));
    box.setFocus();
    QTest::keyClick(&box, Qt::Key_Space);
    QVERIFY(!box.isChecked());
    QCOMPARE(box.toolTip(), QString("off tip"));
  }

  void ownerControlledButtonOnlyReportsTheClick() {
    SkinButton page("Volt", SkinButton::Kind::CheckBox);
    page.setPushLike(true);
    page.setAutoCheck(false);
    page.resize(72, 36);
    page.show();
    QSignalSpy clicks(&page, &QAbstractButton::clicked);
    QTest::mouseClick(&page, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
    QVERIFY(!page.isChecked());
  }

  void looksDifferForNormalCheckedAndDisabled() {
    SkinButton b("Run", SkinButton::Kind::CheckBox);
    b.setPushLike(true);
    b.resize(72, 36);
    const QImage normal = b.grab().toImage();
    b.setChecked(true);
    const QImage checked = b.grab().toImage();
    b.setChecked(false);
    b.setEnabled(false);
    const QImage disabled = b.grab().toImage();
    QVERIFY(normal != checked);
    QVERIFY(normal != disabled);
  }

  void iconGroupBoxBandFitsTheLargerOfTextAndIcon() {
    controls::IconGroupBox box;
    box.setCaption("Setting mode.");
    const int textBand = box.captionBandHeight();
    QCOMPARE(textBand, box.fontMetrics().height() + 1);
    box.setIcon(controls::glyph("settings", 32), 32);
    QCOMPARE(box.captionBandHeight(), std::max(32, box.fontMetrics().height()) + 1);
    box.resize(300, 200);
    QVERIFY(box.contentRect().top() > box.captionBandHeight());
    QVERIFY(!box.grab().isNull());
  }
};

QTEST_MAIN(ControlsTest)
#include "controls_test.moc"
