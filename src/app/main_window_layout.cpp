// The main window's controls and menus. At its first size every control
// stands at its fixed place; made larger, the preview and the waveform
// take the new room.

#include <QAction>
#include <QFileInfo>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/format_choice.h"
#include "app/import_controller.h"
#include "app/main_window.h"
#include "app/picture_settings.h"
#include "app/preview_box.h"
#include "app/time_ruler.h"
#include "app/waveform_view.h"
#include "app/window_context.h"
#include "app/zoom_spin_edit.h"
#include "document/local_names.h"

namespace sonavix {

namespace {

// The window's outer size; the client area excludes a 4-pixel border on each
// side and a 26-pixel title bar, which is what a usual window manager adds.
constexpr QPoint kFormPosition{230, 126};
constexpr QSize kFormSize{696, 584};
constexpr QSize kClientSize{kFormSize.width() - 8, kFormSize.height() - 34};

constexpr int kTopPanelHeight = 89;  // three rows: the third for the web formats
constexpr int kEditPanelHeight = 105;
constexpr int kWaveBoxHeight = 129;
constexpr int kWaveBorder = 8;       // the box around the strip
constexpr int kScrollBarHeight = 17;
constexpr int kControlHeight = 21;

template <class Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QWidget* FixedPanel(const char* name, int height) {
  auto* panel = Named(new QWidget, name);
  panel->setFixedHeight(height);
  return panel;
}

// The scroll boxes show the workspace colour wherever nothing is drawn.
void UseWorkspaceColour(QScrollArea* box) {
  QPalette palette = box->palette();
  palette.setColor(QPalette::Window, box->palette().color(QPalette::Dark));
  box->setPalette(palette);
  box->setBackgroundRole(QPalette::Window);
  box->viewport()->setPalette(palette);
  box->viewport()->setAutoFillBackground(true);
}

// A button at its place that is `action` (see BindButton).
QPushButton* AddButton(QWidget* panel, const char* caption, QRect geometry, QAction* action,
                       QStyle::StandardPixmap icon = QStyle::SP_CustomBase) {
  auto* button = new QPushButton(QString::fromUtf8(caption), panel);
  button->setGeometry(geometry);
  if (icon != QStyle::SP_CustomBase) button->setIcon(panel->style()->standardIcon(icon));
  BindButton(button, action);
  return button;
}

}  // namespace

void MainWindow::BuildWindow() {
  setObjectName(QStringLiteral("mainWindow"));
  setWindowTitle(kProgramTitle);
  move(kFormPosition);
  resize(kClientSize);
  setAcceptDrops(true);  // a sound file dropped anywhere on the window opens

  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  QWidget* top = FixedPanel("topPanel", kTopPanelHeight);
  BuildTopPanel(top);
  column->addWidget(top);
  auto* pages = Named(new QTabWidget, "pages");
  pages->addTab(BuildPage(), QStringLiteral("Datei zurechtschneiden"));
  column->addWidget(pages, 1);
  setCentralWidget(central);

  setStatusBar(status_.Build());
  BuildMenus();
}

void MainWindow::BuildTopPanel(QWidget* panel) {
  const WindowActions& a = actions_;
  AddButton(panel, "Öffnen...", {8, 8, 89, 25}, a.open, QStyle::SP_DialogOpenButton);
  AddButton(panel, "Speichern als Video...", {104, 8, 145, 25}, a.exportVideo, QStyle::SP_DialogSaveButton);
  AddButton(panel, "Von Musik-CD einlesen...", {256, 8, 177, 25}, a.readCd, QStyle::SP_DriveCDIcon);
  AddButton(panel, "Disc-Abbild...", {440, 8, 121, 25}, a.discImage)
      ->setToolTip(QStringLiteral("Speichern als Disc-Abbild (CUE/BIN oder ISO) zum Brennen"));

  format_ = new FormatChoice(panel, this);
  format_->tvBox->setGeometry(568, 8, 116, 25);
  format_->pal->setGeometry(0, 2, 52, kControlHeight);
  format_->ntsc->setGeometry(54, 2, 60, kControlHeight);
  format_->videoCd->setGeometry(8, 40, 70, kControlHeight);
  format_->superVideoCd->setGeometry(80, 40, 102, kControlHeight);
  format_->dvd->setGeometry(184, 40, 60, kControlHeight);
  format_->mp4Hd720->setGeometry(8, 64, 80, kControlHeight);
  format_->mp4Hd1080->setGeometry(96, 64, 88, kControlHeight);
  format_->other->setGeometry(190, 64, 18, kControlHeight);
  format_->otherList->setGeometry(208, 63, 150, 23);
  AddButton(panel, "Bild...", {366, 62, 60, 25}, a.chooseImage);
  AddButton(panel, "Liedtext...", {430, 62, 80, 25}, a.chooseLyrics);
  picture_->subtextField->setParent(panel);
  picture_->subtextField->setGeometry(518, 64, 166, kControlHeight);

  auto* label = new QLabel(QStringLiteral("Text:"), panel);
  label->setGeometry(288, 40, 40, kControlHeight);
  picture_->textField->setParent(panel);
  picture_->textField->setGeometry(336, 40, 169, kControlHeight);
  AddButton(panel, "Schriftart...", {520, 40, 97, 25}, a.chooseFont);
}

void MainWindow::BuildEditPanel(QWidget* panel) {
  const WindowActions& a = actions_;
  AddButton(panel, "Kleiner", {8, 8, 97, 25}, a.zoomSmaller);
  AddButton(panel, "Größer", {112, 8, 97, 25}, a.zoomLarger);
  AddButton(panel, "Ganze Datei", {240, 8, 97, 25}, a.zoomWholeFile);
  AddButton(panel, "Voller Zoom", {344, 8, 97, 25}, a.zoomFull);
  AddButton(panel, "Zoom auf Auswahl", {448, 8, 137, 25}, a.zoomToSelection);

  auto* label = new QLabel(QStringLiteral("Verkleinerung:"), panel);
  label->setGeometry(8, 40, 78, kControlHeight);
  view_->ZoomField()->setParent(panel);
  view_->ZoomField()->setGeometry(88, 40, 97, kControlHeight);

  AddButton(panel, "PLAY", {240, 40, 75, 25}, a.play, QStyle::SP_MediaPlay);
  AddButton(panel, "STOP", {320, 40, 75, 25}, a.stop, QStyle::SP_MediaStop);
  picture_->loopBox->setParent(panel);
  picture_->loopBox->setGeometry(400, 40, 270, kControlHeight);

  AddButton(panel, "Zur Auswahl zurechtschneiden", {8, 72, 201, 25}, a.cropToSelection);
  AddButton(panel, "Die Auswahl wegschneiden", {216, 72, 201, 25}, a.cutSelection);
  AddButton(panel, "Sampleformat ändern...", {424, 72, 153, 25}, a.changeSampleFormat);
}

QWidget* MainWindow::BuildPage() {
  auto* page = new QWidget;
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  QWidget* editPanel = FixedPanel("editPanel", kEditPanelHeight);
  BuildEditPanel(editPanel);
  column->addWidget(editPanel);

  // The preview fills its box and shows the whole picture scaled into it,
  // whatever size the picture is drawn at.
  auto* previewBox = Named(new QScrollArea, "previewBox");
  UseWorkspaceColour(previewBox);
  previewBox->setWidgetResizable(true);
  previewBox->setWidget(preview_);
  previewBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  column->addWidget(previewBox, 1);

  // The ruler takes its height from the preview.
  ruler_ = new TimeRuler(session_.doc, *view_);
  column->addWidget(ruler_);

  auto* waveBox = Named(new QScrollArea, "waveformBox");
  waveBox_ = waveBox;
  UseWorkspaceColour(waveBox);
  waveBox->setFixedHeight(kWaveBoxHeight);
  waveBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  waveBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  waveBox->setWidgetResizable(true);
  waveBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  view_->setFixedHeight(kWaveBoxHeight - kWaveBorder);
  view_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  waveBox->setWidget(view_);
  column->addWidget(waveBox);

  QScrollBar* scroll = view_->ScrollBar();
  scroll->setFixedHeight(kScrollBarHeight);
  column->addWidget(scroll);
  return page;
}

// Taller than at first, the waveform takes a third of the new room and the
// preview the rest; wider, both take all of it.
void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (!waveBox_) return;
  const int extra = std::max(0, event->size().height() - kClientSize.height());
  const int box = kWaveBoxHeight + extra / 3;
  if (waveBox_->height() == box) return;
  waveBox_->setFixedHeight(box);
  view_->setFixedHeight(box - kWaveBorder);
}

void MainWindow::BuildMenus() {
  WindowActions& a = actions_;
  QMenu* file = menuBar()->addMenu(QStringLiteral("&Datei"));
  file->addAction(a.open);
  a.recentFiles = file->addMenu(QStringLiteral("Zuletzt &geöffnet"));
  connect(a.recentFiles, &QMenu::aboutToShow, this, &MainWindow::FillRecentFiles);
  FillRecentFiles();
  file->addActions({a.saveWav, a.exportVideo, a.discImage});
  file->addSeparator();
  file->addAction(a.readCd);
  file->addSeparator();
  file->addAction(a.quit);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Bearbeiten"));
  edit->addActions({a.undo, a.redo});
  edit->addSeparator();
  edit->addActions({a.cropToSelection, a.cutSelection});
  edit->addSeparator();
  edit->addActions({a.selectAll, a.selectNothing, a.chooseSelection});
  edit->addSeparator();
  edit->addAction(a.changeSampleFormat);

  QMenu* view = menuBar()->addMenu(QStringLiteral("&Ansicht"));
  view->addActions({a.zoomWholeFile, a.zoomFull, a.zoomToSelection});
  view->addSeparator();
  view->addActions({a.zoomSmaller, a.zoomLarger});

  QMenu* playback = menuBar()->addMenu(QStringLiteral("&Wiedergabe"));
  playback->addAction(a.playOrStop);
  playback->addSeparator();
  playback->addActions({a.goToStart, a.goToEnd});

  QMenu* effects = menuBar()->addMenu(QStringLiteral("&Effekte"));
  effects->addActions({a.echo, a.fadeIn, a.fadeOut, a.crossfadeEndToStart});
  effects->addSeparator();
  effects->addActions({a.maximumVolume, a.louder, a.quieter});
  effects->addSeparator();
  effects->addAction(a.reverse);
  effects->addSeparator();
  effects->addActions({a.faster, a.slower});

  QMenu* picture = menuBar()->addMenu(QStringLiteral("B&ild"));
  picture->addActions({a.chooseImage, a.songCover, a.noImage});
  picture->addSeparator();
  picture->addActions({a.imageFills, a.imageWhole});
  picture->addSeparator();
  picture->addActions({a.chooseLyrics, a.noLyrics});
  picture->addSeparator();
  picture->addActions({a.textColour, a.formatColour});
  picture->addSeparator();
  picture->addActions({a.placeTop, a.placeMiddle, a.placeBottom, a.formatPlace});
  picture->addSeparator();
  picture->addAction(a.sixtyFrames);

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Hilfe"));
  help->addAction(a.about);
}

// The last files opened, the newest first; one that is gone is shown but
// cannot be chosen.
void MainWindow::FillRecentFiles() {
  QMenu* menu = actions_.recentFiles;
  menu->clear();
  const QStringList& files = recent_.Files();
  for (int i = 0; i < files.size(); ++i) {
    const QString& path = files[i];
    const QString shown = QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(DisplayName(QFileInfo(path).fileName()));
    QAction* entry = menu->addAction(shown);
    entry->setToolTip(DisplayName(path));
    entry->setEnabled(QFileInfo(path).isFile());
    connect(entry, &QAction::triggered, this, [this, path] { ShowingErrors(context_, [&] { import_->OpenRecent(path); }); });
  }
  if (!files.isEmpty()) menu->addSeparator();
  menu->addAction(actions_.clearRecentFiles);
  actions_.clearRecentFiles->setEnabled(!files.isEmpty());
}

}  // namespace sonavix
