#pragma once
// Qt's file dialog, made to take every file name Linux allows. Qt's own
// model leaves out names that are no UTF-8 ("M\xe4dchen.wav"): it could
// not name them. This dialog lists such files of the folder shown after
// the others, as a dialog reads them (a byte that is no text as U+FFFD),
// and a choice of one comes back with the file's own bytes (see
// local_names.h).

#include <QFileDialog>
#include <QString>
#include <QStringList>

namespace sonavix {

class ExtraEntriesModel;

class ByteNameFileDialog final : public QFileDialog {
 public:
  // `patterns` are the name filter's ("*.WAV"), matched in any case.
  ByteNameFileDialog(QWidget* parent, const QString& folder, const QStringList& patterns);

  // The patterns of the filter chosen now.
  void SetPatterns(const QStringList& patterns);
  // The name chosen, with its bytes; empty if none.
  QString Chosen() const;
  void accept() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ListExtras(const QString& folder);
  void EnableChoiceQtCannotSee();
  bool ExtraUnderCursor(QObject* watched, QEvent* event) const;

  QStringList patterns_;
  ExtraEntriesModel* extras_ = nullptr;
  QString chosen_;
};

}  // namespace sonavix
