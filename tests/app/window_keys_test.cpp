// The editor as the hands know it: keys, wheel and Shift+click through the
// real window, PLAY from the cursor, the ruler and the marks in the status
// bar, "Auswahl...", and the settings kept between runs.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QWheelEvent>

#include "app/selection_dialog.h"
#include "app/time_ruler.h"
#include "view/time_scale.h"
#include "view/zoom.h"
#include "window_test_support.h"

namespace sonavix::testing {
namespace {

using WindowKeys = WindowTest;

void Wheel(QWidget* widget, QPoint at, int notches, Qt::KeyboardModifiers modifiers = {}) {
  QWheelEvent wheel(at, widget->mapToGlobal(at), {}, {0, notches * 120}, Qt::NoButton, modifiers,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(widget, &wheel);
}

TEST_F(WindowKeys, EveryKeyReachesItsCommandWhereverTheFocusIs) {
  OpenThroughCommand(WriteRamp("lied.wav", 100'000));
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  AudioDocument& doc = form->Document();
  auto* openButton = form->findChild<QPushButton*>();
  const auto key = [&](int key, Qt::KeyboardModifiers modifiers = {}, QWidget* to = nullptr) {
    QTest::keyClick(to ? to : openButton, Qt::Key(key), modifiers);
    WaitWhileBusy();
  };
  openButton->setFocus();

  key(Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(Selection(doc).first, 0);
  EXPECT_EQ(Selection(doc).last, 100'000);
  EXPECT_EQ(form->Status().Position(), QStringLiteral("Auswahl: 0:00,000 – 0:04,535 (4,535 s)"));
  key(Qt::Key_Escape);
  EXPECT_EQ(doc.SelStart, doc.SelEnd);
  EXPECT_EQ(form->Status().Position(), QStringLiteral("Position: 0:00,000"));
  doc.SelEnd = 1000;
  doc.SelStart = 3000;
  key(Qt::Key_Delete);
  EXPECT_EQ(doc.SampleCount(), 98'000);
  key(Qt::Key_End);
  EXPECT_EQ(doc.SelStart, 98'000);
  EXPECT_EQ(form->View().ScrollBar()->value(), form->View().ScrollBar()->maximum());
  key(Qt::Key_Home);
  EXPECT_EQ(doc.SelStart, 0);
  EXPECT_EQ(form->View().ScrollBar()->value(), 0);
  key(Qt::Key_Plus, Qt::ControlModifier);
  EXPECT_EQ(form->View().Zoom(), LimitZoom(ZoomLarger(98'000 / form->View().width())));
  key(Qt::Key_Minus, Qt::ControlModifier);
  key(Qt::Key_Minus, Qt::ControlModifier);
  key(Qt::Key_0, Qt::ControlModifier);
  EXPECT_EQ(form->View().Zoom(), WholeFileZoom(98'000, form->View().width()));

  // Dialogs: about, open, save and export, the last two with the sound's name.
  key(Qt::Key_F1);
  EXPECT_EQ(prompts.dialogTitles.back(), QStringLiteral("Info"));
  const auto dialogs = prompts.fileDialogs.size();
  prompts.saveChanges.push_back(SaveChangesAnswer::Discard);  // the cut is not saved
  key(Qt::Key_O, Qt::ControlModifier);
  key(Qt::Key_S, Qt::ControlModifier);
  key(Qt::Key_E, Qt::ControlModifier);
  ASSERT_EQ(prompts.fileDialogs.size(), dialogs + 3);
  EXPECT_EQ(prompts.fileDialogs[dialogs].filterDescription, QStringLiteral("Alle Audiodateien"));
  EXPECT_EQ(prompts.fileDialogs[dialogs + 1].name, QStringLiteral("lied.wav"));
  EXPECT_EQ(prompts.fileDialogs[dialogs + 1].defaultSuffix, QStringLiteral("wav"));
  EXPECT_EQ(prompts.fileDialogs[dialogs + 2].name, QStringLiteral("lied.mpg"));

  // Space plays and stops, on a button too; in the text field it is a space.
  form->Picture().loopBox->setChecked(true);
  QTest::keyClick(openButton, Qt::Key_Space);
  EXPECT_TRUE(form->Playback().Running());
  EXPECT_EQ(prompts.fileDialogs.size(), dialogs + 3) << "Space is no click on \"Öffnen...\"";
  QTest::keyClick(openButton, Qt::Key_Space);
  WaitWhileBusy();
  EXPECT_FALSE(form->Playback().Running());
  form->Picture().textField->setFocus();
  key(Qt::Key_Space, {}, form->Picture().textField);
  EXPECT_FALSE(form->Playback().Running());
  EXPECT_EQ(form->Picture().textField->text(), QStringLiteral(" "));

  prompts.saveChanges.push_back(SaveChangesAnswer::Discard);
  key(Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(form->isVisible());
}

TEST_F(WindowKeys, TheWheelScrollsAndZoomsAroundThePointerShiftClickExtendsAndPlayStartsAtTheCursor) {
  OpenThroughCommand(WriteRamp("a.wav", 22050));
  WaveformView& view = form->View();
  view.ZoomField()->SetValue(10);
  view.ScrollBar()->setValue(100);
  Wheel(&view, {50, 50}, -2);
  EXPECT_EQ(view.ScrollBar()->value(), 100 + 2 * (view.width() / 8));
  const std::int64_t under = MarkAtColumn(22050, view.Zoom(), view.ScrollBar()->value(), 50);
  Wheel(&view, {50, 50}, 1, Qt::ControlModifier);
  EXPECT_LT(view.Zoom(), 10);
  EXPECT_NEAR(MarkAtColumn(22050, view.Zoom(), view.ScrollBar()->value(), 50), under, view.Zoom());

  // Shift+click reaches from where the selection began.
  view.ZoomField()->SetValue(20);
  view.ScrollBar()->setValue(0);
  QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(100, 50));
  QTest::mouseClick(&view, Qt::LeftButton, Qt::ShiftModifier, QPoint(300, 50));
  EXPECT_EQ(Selection(form->Document()).first, 2000);
  EXPECT_EQ(Selection(form->Document()).last, 6000);

  // With nothing selected, PLAY runs from the cursor to the end: about
  // half of the second at 22050 Hz.
  form->Picture().loopBox->setChecked(false);
  QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(551, 50));  // frame 11 020
  const std::size_t before = sound->Played().size();
  Trigger(A().play);
  const std::size_t blocks = (sound->Played().size() - before) / 11024;
  EXPECT_GE(blocks, 9u);
  EXPECT_LE(blocks, 10u);
}

TEST_F(WindowKeys, TheRulerPaintsItsTicksOverTheColumnsOfTheirTimesAndAuswahlTakesTypedTimes) {
  OpenThroughCommand(WriteRamp("a.wav", 22050 * 8));
  WaveformView& view = form->View();
  TimeRuler& ruler = form->Ruler();
  for (const std::int64_t zoom : {1, 50, 300}) {
    view.ZoomField()->SetValue(double(zoom));
    view.ScrollBar()->setValue(7);
    const QImage painted = ruler.grab().toImage();
    const auto ticks = RulerTicks(22050, 1, zoom, view.ScrollBar()->value(), view.width());
    int checked = 0;
    for (const RulerTick& tick : ticks) {
      if (!tick.labelled) continue;
      // A long tick stands in its column a few pixels above the base line.
      const QColor pixel = painted.pixelColor(ruler.Origin() + tick.column, ruler.height() - 5);
      EXPECT_LT(pixel.lightness(), 100) << tick.label << " at zoom " << zoom;
      ++checked;
    }
    EXPECT_GE(checked, 2) << zoom;
  }

  prompts.dialogs.push_back([](QDialog& dialog) {
    auto& selection = static_cast<SelectionDialog&>(dialog);
    selection.startField->setText(QStringLiteral("0:01,5"));
    selection.endField->setText(QStringLiteral("0:09"));  // past the end: OK stays off
    EXPECT_FALSE(dialog.findChild<QPushButton*>(QStringLiteral("okButton"))->isEnabled());
    selection.endField->setText(QStringLiteral("0:03,25"));
    return QDialog::Accepted;
  });
  Trigger(A().chooseSelection);
  EXPECT_EQ(Selection(form->Document()).first, 33075);
  EXPECT_EQ(Selection(form->Document()).last, 71663);
  EXPECT_EQ(form->Status().Position(), QStringLiteral("Auswahl: 0:01,500 – 0:03,250 (1,750 s)"));
}

TEST_F(WindowKeys, SettingsComeBackInTheNextRunAndADamagedFileIsIgnored) {
  const QString file = Path("Sonavix.ini");
  const QString song = WriteRamp("a.wav", 1000);
  form->KeepSettingsIn(std::make_unique<QSettings>(file, QSettings::IniFormat));
  OpenThroughCommand(song);
  form->Picture().textField->setText(QStringLiteral("Mein Lied"));
  form->Picture().SetFont(QFont(QStringLiteral("DejaVu Serif"), 17));
  form->Picture().loopBox->setChecked(false);
  form->Format().mp4Hd1080->setChecked(true);
  form->Format().ntsc->setChecked(true);
  form->resize(900, 700);
  form->close();

  const auto next = [&] {
    form = std::make_unique<MainWindow>(prompts, std::make_unique<VirtualSoundDevice>());
    form->KeepSettingsIn(std::make_unique<QSettings>(file, QSettings::IniFormat));
  };
  next();
  EXPECT_EQ(form->Picture().textField->text(), QStringLiteral("Mein Lied"));
  EXPECT_EQ(form->Picture().Font().family(), QStringLiteral("DejaVu Serif"));
  EXPECT_FALSE(form->Picture().loopBox->isChecked());
  EXPECT_EQ(form->Format().Preset(), DiscPreset::Mp4Hd1080);
  EXPECT_EQ(form->Format().Tv(), TvSystem::Ntsc);
  EXPECT_EQ(form->size(), QSize(900, 700));
  QMenu* recent = A().recentFiles;
  emit recent->aboutToShow();
  ASSERT_EQ(recent->actions().size(), 3);  // the file, a line, "Liste leeren"
  EXPECT_TRUE(recent->actions()[0]->isEnabled());
  QFile::remove(song);
  emit recent->aboutToShow();
  EXPECT_FALSE(recent->actions()[0]->isEnabled()) << "a file that is gone cannot be chosen";
  A().clearRecentFiles->trigger();
  EXPECT_EQ(recent->actions().size(), 1);

  QFile damaged(file);
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
  damaged.write("[picture]\nfont=@Variant(\\0\\0\\0\\x7f\\xff\nloop=vielleicht\n[export\nformat=laserdisc\n\xff\xfe\0");
  damaged.close();
  next();
  EXPECT_TRUE(form->Picture().loopBox->isChecked());
  EXPECT_EQ(form->Format().Preset(), DiscPreset::Dvd);
}

}  // namespace
}  // namespace sonavix::testing
