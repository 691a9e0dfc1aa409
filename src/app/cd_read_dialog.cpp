#include "app/cd_read_dialog.h"

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

CdReadDialog::CdReadDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("MusikCDForm"));
  setWindowTitle(QStringLiteral("Lied von Musik-CD einlesen..."));

  auto* label2 = Named(new QLabel(QStringLiteral("Laufwerk:")), "driveCaption");
  driveBox_ = Named(new QComboBox, "driveBox");
  label2->setBuddy(driveBox_);
  auto* label4 = Named(new QLabel(QStringLiteral("Track zum Speichern:")), "trackCaption");
  trackField_ = Named(new QSpinBox, "trackField");
  trackField_->setRange(1, kHighestTrack);
  trackField_->setValue(1);
  label4->setBuddy(trackField_);
  positionLabel_ = Named(new QLabel, "positionLabel");
  trackTextLabel_ = Named(new QLabel, "trackText");
  connect(trackField_, &QSpinBox::valueChanged, this, &CdReadDialog::ShowTrackText);
  karaokeBox_ =
      Named(new QCheckBox(QStringLiteral("Karaoke Modus (nur Hintergrundmusik)")), "karaokeBox");
  // On by default: a song read once for good is worth half the reading
  // speed, and a drive that answers a scratch differently is caught.
  verifyBox_ = Named(new QCheckBox(QStringLiteral("Sicher lesen (jeden Teil zweimal lesen und vergleichen)")),
                     "verifyBox");
  verifyBox_->setChecked(true);
  log_ = Named(new QPlainTextEdit, "log");
  log_->setReadOnly(true);
  UseInfoColours(log_);
  okButton_ = Named(new QPushButton(QStringLiteral("OK")), "okButton");
  okButton_->setDefault(true);
  cancelButton_ = Named(new QPushButton(QStringLiteral("Abbrechen")), "cancelButton");
  connect(okButton_, &QPushButton::clicked, this, &CdReadDialog::ReadChosenTrack);
  connect(cancelButton_, &QPushButton::clicked, this, &CdReadDialog::Cancel);

  auto* fields = new QGridLayout;
  fields->addWidget(label2, 0, 0);
  fields->addWidget(driveBox_, 0, 1, 1, 2);
  fields->addWidget(label4, 1, 0);
  fields->addWidget(trackField_, 1, 1);
  fields->addWidget(positionLabel_, 1, 2);
  fields->addWidget(trackTextLabel_, 2, 1, 1, 2);
  fields->setColumnStretch(2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* column = new QVBoxLayout(this);
  column->addLayout(fields);
  column->addWidget(karaokeBox_);
  column->addWidget(verifyBox_);
  column->addWidget(log_, 1);
  column->addLayout(buttons);
  // A fixed dialog border: the user cannot drag its size.
  setFixedSize(kDialogSize.expandedTo(column->minimumSize()));
}

CdReadDialog::~CdReadDialog() {
  if (reader_) reader_->RequestCancel();
  if (thread_.joinable()) thread_.join();
}

void CdReadDialog::SetSource(cdda::PassThroughTransport& passThrough, cdda::ScsiGenericLoader& generic,
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

void CdReadDialog::ListDrives(const cdda::CDDriveList& drives) {
  driveBox_->clear();
  for (int i = 0; i < std::min(drives.CDDriveCount, cdda::kMaxCdDrives); ++i)
    driveBox_->addItem(QString::fromStdString(drives.ListText(i)));
  if (driveBox_->count() > 0) driveBox_->setCurrentIndex(0);
}

namespace {

// The dialog as a read on its own thread sees it: the track, the karaoke
// and the verify choice as they were at "OK", the lines and the position handed over to
// the dialog's thread.
class ReadOnThread final : public cdda::TrackReadHost {
 public:
  ReadOnThread(QObject& dialog, std::function<void(std::string)> write, std::function<void(std::string)> show,
               int track, bool karaoke, bool verify)
      : dialog_(dialog),
        write_(std::move(write)),
        show_(std::move(show)),
        track_(track),
        karaoke_(karaoke),
        verify_(verify) {}
  void WriteLine(const std::string& line) override {
    QMetaObject::invokeMethod(&dialog_, [write = write_, line] { write(line); }, Qt::QueuedConnection);
  }
  void ShowPosition(const std::string& label) override {
    QMetaObject::invokeMethod(&dialog_, [show = show_, label] { show(label); }, Qt::QueuedConnection);
  }
  int TrackNumber() const override { return track_; }
  bool Karaoke() const override { return karaoke_; }
  bool Verify() const override { return verify_; }

 private:
  QObject& dialog_;
  std::function<void(std::string)> write_, show_;
  int track_;
  bool karaoke_;
  bool verify_;
};

}  // namespace

// The track is read on a thread of its own into a sound of its own, while
// the dialog stays at hand ("Abbrechen" ends the read); once it is there,
// it becomes the document's sound here and the dialog closes.
void CdReadDialog::ReadChosenTrack() {
  if (reading_ || !reader_) return;
  okButton_->setEnabled(false);
  reading_ = true;
  if (thread_.joinable()) thread_.join();
  auto host = std::make_shared<ReadOnThread>(
      *this, [this](const std::string& line) { WriteLine(line); },
      [this](const std::string& label) { ShowPosition(label); }, TrackNumber(), Karaoke(), Verify());
  auto read = std::make_shared<AudioDocument>();
  thread_ = std::thread([this, host, read, drive = driveBox_->currentIndex()] {
    // An exception must not pass through the dialog's event loop: it is kept
    // and passed on by whoever showed the dialog.
    std::exception_ptr error;
    try {
      reader_->ReadTrack(*drives_, drive, *read, *host);
    } catch (...) {
      error = std::current_exception();
    }
    QMetaObject::invokeMethod(this, [this, read, error] { TakeRead(*read, error); }, Qt::QueuedConnection);
  });
}

void CdReadDialog::TakeRead(AudioDocument& read, std::exception_ptr error) {
  if (thread_.joinable()) thread_.join();
  readError_ = error;
  if (read.SampleData) {
    const std::lock_guard lock(*docLock_);
    ReplaceBlock(*doc_, SampleBlock{std::move(read.SampleData), read.DataSize}, read.Format());
  }
  reading_ = false;
  ShowTrackText();
  okButton_->setEnabled(true);
  accept();
}

void CdReadDialog::Cancel() { reject(); }

void CdReadDialog::reject() {
  if (reading_) {
    reader_->RequestCancel();
    return;
  }
  QDialog::reject();
}

void CdReadDialog::RethrowReadError() {
  if (std::exception_ptr error = std::exchange(readError_, nullptr)) std::rethrow_exception(error);
}

void CdReadDialog::WriteLine(const std::string& line) {
  log_->appendPlainText(QString::fromStdString(line));
}

void CdReadDialog::ShowPosition(const std::string& label) {
  positionLabel_->setText(QString::fromStdString(label));
}


int CdReadDialog::TrackNumber() const { return trackField_->value(); }

std::string CdReadDialog::TrackText(int track) const { return reader_ ? reader_->Text().Describe(track) : ""; }

SoundTags CdReadDialog::TrackTags(int track) const {
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

void CdReadDialog::ShowTrackText() { trackTextLabel_->setText(QString::fromStdString(TrackText(TrackNumber()))); }

bool CdReadDialog::Karaoke() const { return karaokeBox_->isChecked(); }

bool CdReadDialog::Verify() const { return verifyBox_->isChecked(); }

void CdReadDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CenterOnScreen(*this);
}

}  // namespace sonavix
