#include "app/format_choice.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QRadioButton>

#include "export/presets.h"

namespace sonavix {

namespace {

QRadioButton* Choice(const char* caption, const char* name, QWidget* parent) {
  auto* button = new QRadioButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

// The web formats beyond the two with buttons of their own, as the
// presets name them.
QComboBox* OtherFormats(QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setObjectName(QStringLiteral("otherFormatList"));
  for (const ExportPreset& preset : ExportPresets())
    if (preset.disc > DiscPreset::Mp4Hd1080)
      list->addItem(QString::fromUtf8(preset.label), static_cast<int>(preset.disc));
  return list;
}

QWidget* TvBox(QWidget* parent) {
  auto* box = new QWidget(parent);
  box->setObjectName(QStringLiteral("tvSystemBox"));
  return box;
}

}  // namespace

FormatChoice::FormatChoice(QWidget* formats, QObject* parent)
    : QObject(parent),
      videoCd(Choice("Video-CD", "videoCdChoice", formats)),
      superVideoCd(Choice("Super Video CD", "superVideoCdChoice", formats)),
      dvd(Choice("DVD", "dvdChoice", formats)),
      mp4Hd720(Choice("MP4 720p", "mp4Hd720Choice", formats)),
      mp4Hd1080(Choice("MP4 1080p", "mp4Hd1080Choice", formats)),
      other(Choice("", "otherFormatChoice", formats)),
      otherList(OtherFormats(formats)),
      tvBox(TvBox(formats)),
      pal(Choice("PAL", "palChoice", tvBox)),
      ntsc(Choice("NTSC", "ntscChoice", tvBox)) {
  auto* tvGroup = new QButtonGroup(tvBox);
  tvGroup->addButton(pal);
  tvGroup->addButton(ntsc);
  pal->setChecked(true);
  dvd->setChecked(true);
  other->setToolTip(QStringLiteral("Weitere Formate"));
  other->setAccessibleName(QStringLiteral("Weitere Formate"));
  for (QRadioButton* format : {videoCd, superVideoCd, dvd, mp4Hd720, mp4Hd1080, other})
    connect(format, &QRadioButton::toggled, this, [this](bool on) {
      if (on) emit Changed();
    });
  connect(ntsc, &QRadioButton::toggled, this, &FormatChoice::Changed);
  // Choosing in the list chooses the list.
  connect(otherList, &QComboBox::activated, this, [this] {
    if (other->isChecked()) emit Changed();
    other->setChecked(true);
  });
}

DiscPreset FormatChoice::Preset() const {
  if (other->isChecked()) return static_cast<DiscPreset>(otherList->currentData().toInt());
  if (mp4Hd720->isChecked()) return DiscPreset::Mp4Hd720;
  if (mp4Hd1080->isChecked()) return DiscPreset::Mp4Hd1080;
  return dvd->isChecked() ? DiscPreset::Dvd : superVideoCd->isChecked() ? DiscPreset::SuperVideoCd : DiscPreset::VideoCd;
}

void FormatChoice::SetPreset(DiscPreset preset) {
  QRadioButton* const buttons[] = {videoCd, superVideoCd, dvd, mp4Hd720, mp4Hd1080};
  const auto index = static_cast<std::size_t>(preset);
  if (index < std::size(buttons)) return buttons[index]->setChecked(true);
  const int item = otherList->findData(static_cast<int>(preset));
  if (item < 0) return;
  otherList->setCurrentIndex(item);
  if (other->isChecked()) emit Changed();
  other->setChecked(true);
}

void FormatChoice::SetTv(TvSystem tv) { (tv == TvSystem::Ntsc ? ntsc : pal)->setChecked(true); }

TvSystem FormatChoice::Tv() const { return ntsc->isChecked() ? TvSystem::Ntsc : TvSystem::Pal; }

}  // namespace sonavix
