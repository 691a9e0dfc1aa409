#include "app/musik_cd_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <utility>

#include "app/dialog_placement.h"

namespace sonavix {

namespace {

constexpr QSize kDialogSize(400, 300);
constexpr int kHighestTrack = 256;

template <class Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// The message box reads like a note: the tooltip colours of the style.
void UseInfoColours(QPlainTextEdit* memo) {
  QPalette palette = memo->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
  palette.setColor(QPalette::Text, palette.color(QPalette::ToolTipText));
  memo->setPalette(palette);
}

}  // namespace

TMusikCDForm::TMusikCDForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("MusikCDForm"));
  setWindowTitle(QStringLiteral("Lied von Musik-CD einlesen..."));

  auto* label2 = Named(new QLabel(QStringLiteral("Laufwerk:")), "Label2");
  DriveBox = Named(new QComboBox, "DriveBox");
  label2->setBuddy(DriveBox);
  auto* label4 = Named(new QLabel(QStringLiteral("Track zum Speichern:")), "Label4");
  STrackEd = Named(new QSpinBox, "STrackEd");
  STrackEd->setRange(1, kHighestTrack);
  STrackEd->setValue(1);
  label4->setBuddy(STrackEd);
  Label1 = Named(new QLabel, "Label1");
  TrackTextLabel = Named(new QLabel, "TrackTextLabel");
  connect(STrackEd, &QSpinBox::valueChanged, this, &TMusikCDForm::ShowTrackText);
  KaraokeCheck =
      Named(new QCheckBox(QStringLiteral("Karaoke Modus (nur Hintergrundmusik)")), "KaraokeCheck");
  Memo1 = Named(new QPlainTextEdit, "Memo1");
  Memo1->setReadOnly(true);
  UseInfoColours(Memo1);
  BitBtnXP1 = Named(new QPushButton(QStringLiteral("OK")), "BitBtnXP1");
  BitBtnXP1->setDefault(true);
  BitBtnXP2 = Named(new QPushButton(QStringLiteral("Abbrechen")), "BitBtnXP2");
  connect(BitBtnXP1, &QPushButton::clicked, this, &TMusikCDForm::BitBtnXP1Click);
  connect(BitBtnXP2, &QPushButton::clicked, this, &TMusikCDForm::BitBtnXP2Click);

  auto* fields = new QGridLayout;
  fields->addWidget(label2, 0, 0);
  fields->addWidget(DriveBox, 0, 1, 1, 2);
  fields->addWidget(label4, 1, 0);
  fields->addWidget(STrackEd, 1, 1);
  fields->addWidget(Label1, 1, 2);
  fields->addWidget(TrackTextLabel, 2, 1, 1, 2);
  fields->setColumnStretch(2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(BitBtnXP1);
  buttons->addWidget(BitBtnXP2);
  auto* column = new QVBoxLayout(this);
  column->addLayout(fields);
  column->addWidget(KaraokeCheck);
  column->addWidget(Memo1, 1);
  column->addLayout(buttons);
  // A fixed dialog border: the user cannot drag its size.
  setFixedSize(kDialogSize.expandedTo(column->minimumSize()));
}

TMusikCDForm::~TMusikCDForm() {
  if (reader_) reader_->RequestCancel();
  if (thread_.joinable()) thread_.join();
}

void TMusikCDForm::SetSource(cdda::PassThroughTransport& passThrough, cdda::ScsiGenericLoader& generic,
                             const cdda::CDDriveList& drives, AudioDocument& doc, std::mutex& lock) {
  // The reader keeps the last TOC; it is made anew only for other transports.
  if (!reader_ || passThrough_ != &passThrough || generic_ != &generic)
    reader_ = std::make_unique<cdda::TrackReader>(passThrough, generic);
  passThrough_ = &passThrough;
  generic_ = &generic;
  drives_ = &drives;
  doc_ = &doc;
  docLock_ = &lock;
}

void TMusikCDForm::ListDrives(const cdda::CDDriveList& drives) {
  DriveBox->clear();
  for (int i = 0; i < std::min(drives.CDDriveCount, cdda::kMaxCdDrives); ++i)
    DriveBox->addItem(QString::fromStdString(drives.ListText(i)));
  if (DriveBox->count() > 0) DriveBox->setCurrentIndex(0);
}

namespace {

// The dialog as a read on its own thread sees it: the track and the karaoke
// choice as they were at "OK", the lines and the position handed over to
// the dialog's thread.
class ReadOnThread final : public cdda::TrackReadHost {
 public:
  ReadOnThread(QObject& dialog, std::function<void(std::string)> write, std::function<void(std::string)> show,
               int track, bool karaoke)
      : dialog_(dialog), write_(std::move(write)), show_(std::move(show)), track_(track), karaoke_(karaoke) {}
  void WriteLine(const std::string& line) override {
    QMetaObject::invokeMethod(&dialog_, [write = write_, line] { write(line); }, Qt::QueuedConnection);
  }
  void ShowPosition(const std::string& label) override {
    QMetaObject::invokeMethod(&dialog_, [show = show_, label] { show(label); }, Qt::QueuedConnection);
  }
  void ProcessMessages() override {}
  int TrackNumber() const override { return track_; }
  bool Karaoke() const override { return karaoke_; }

 private:
  QObject& dialog_;
  std::function<void(std::string)> write_, show_;
  int track_;
  bool karaoke_;
};

}  // namespace

// The track is read on a thread of its own into a sound of its own, while
// the dialog stays at hand ("Abbrechen" ends the read); once it is there,
// it becomes the document's sound here and the dialog closes.
void TMusikCDForm::BitBtnXP1Click() {
  if (reading_ || !reader_) return;
  BitBtnXP1->setEnabled(false);
  reading_ = true;
  if (thread_.joinable()) thread_.join();
  auto host = std::make_shared<ReadOnThread>(
      *this, [this](const std::string& line) { WriteLine(line); },
      [this](const std::string& label) { ShowPosition(label); }, TrackNumber(), Karaoke());
  auto read = std::make_shared<AudioDocument>();
  thread_ = std::thread([this, host, read, drive = DriveBox->currentIndex()] {
    // An exception must not pass through the dialog's event loop: it is kept
    // and passed on by whoever showed the dialog.
    std::exception_ptr error;
    try {
      reader_->SaveTrackClick(*drives_, drive, *read, *host);
    } catch (...) {
      error = std::current_exception();
    }
    QMetaObject::invokeMethod(this, [this, read, error] { TakeRead(*read, error); }, Qt::QueuedConnection);
  });
}

void TMusikCDForm::TakeRead(AudioDocument& read, std::exception_ptr error) {
  if (thread_.joinable()) thread_.join();
  readError_ = error;
  if (read.SampleData) {
    const std::lock_guard lock(*docLock_);
    ReplaceBlock(*doc_, SampleBlock{std::move(read.SampleData), read.DataSize}, read.Format());
  }
  reading_ = false;
  ShowTrackText();
  BitBtnXP1->setEnabled(true);
  accept();
}

void TMusikCDForm::BitBtnXP2Click() { reject(); }

void TMusikCDForm::reject() {
  if (reading_) {
    reader_->RequestCancel();
    return;
  }
  QDialog::reject();
}

void TMusikCDForm::RethrowReadError() {
  if (std::exception_ptr error = std::exchange(readError_, nullptr)) std::rethrow_exception(error);
}

void TMusikCDForm::WriteLine(const std::string& line) {
  Memo1->appendPlainText(QString::fromStdString(line));
}

void TMusikCDForm::ShowPosition(const std::string& label) {
  Label1->setText(QString::fromStdString(label));
}

void TMusikCDForm::ProcessMessages() {}

int TMusikCDForm::TrackNumber() const { return STrackEd->value(); }

std::string TMusikCDForm::TrackText(int track) const { return reader_ ? reader_->Text().Describe(track) : ""; }

SoundTags TMusikCDForm::TrackTags(int track) const {
  SoundTags tags;
  if (!reader_) return tags;
  const cdda::CdText& text = reader_->Text();
  const auto find = [](const std::map<int, std::string>& texts, int number) {
    const auto it = texts.find(number);
    return it == texts.end() ? std::string() : it->second;
  };
  tags.title = find(text.titles, track);
  tags.artist = find(text.performers, track);
  if (tags.artist.empty()) tags.artist = find(text.performers, 0);
  tags.album = find(text.titles, 0);
  tags.track = track > 0 ? std::to_string(track) : std::string();
  return tags;
}

void TMusikCDForm::ShowTrackText() { TrackTextLabel->setText(QString::fromStdString(TrackText(TrackNumber()))); }

bool TMusikCDForm::Karaoke() const { return KaraokeCheck->isChecked(); }

void TMusikCDForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CenterOnScreen(*this);
}

}  // namespace sonavix
