// Builds the main window's controls and menus at their fixed places.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QButtonGroup>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/main_form.h"
#include "app/paint_box.h"
#include "app/progress_panel.h"
#include "app/zoom_spin_edit.h"
#include "view/zoom.h"

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
constexpr int kWaveHeight = 121;
constexpr int kScrollBarHeight = 17;
constexpr int kStatusBarHeight = 19;
constexpr int kStatusTextWidth = 400;
constexpr int kProgressWidth = 50;
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

}  // namespace

QPushButton* TMainForm::AddButton(QWidget* parent, const char* name, const QString& caption, QRect geometry,
                                  QAction* action) {
  auto* button = Named(new QPushButton(caption, parent), name);
  button->setGeometry(geometry);
  BindButton(button, action);
  return button;
}

void TMainForm::BuildWindow() {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(kProgramTitle);
  move(kFormPosition);
  resize(kClientSize);
  setAcceptDrops(true);  // a sound file dropped anywhere on the window opens

  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  QWidget* top = FixedPanel("Panel2", kTopPanelHeight);
  BuildTopPanel(top);
  column->addWidget(top);
  auto* pages = Named(new QTabWidget, "PageControl1");
  pages->addTab(BuildPage(), QStringLiteral("Datei zurechtschneiden"));
  column->addWidget(pages, 1);
  setCentralWidget(central);

  BuildStatusBar();
  BuildMenus();
}

void TMainForm::BuildTopPanel(QWidget* panel) {
  AddButton(panel, "OpenBtn", QStringLiteral("Öffnen..."), {8, 8, 89, 25}, actions_.open)
      ->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
  AddButton(panel, "Button1", QStringLiteral("Speichern als MPEG..."), {104, 8, 145, 25}, actions_.exportVideo)
      ->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  AddButton(panel, "MusikCDBtn", QStringLiteral("Von Musik-CD einlesen..."), {256, 8, 177, 25}, actions_.readCd)
      ->setIcon(style()->standardIcon(QStyle::SP_DriveCDIcon));
  AddButton(panel, "DiscBtn", QStringLiteral("Disc-Abbild..."), {440, 8, 121, 25}, actions_.discImage)
      ->setToolTip(QStringLiteral("Speichern als Disc-Abbild (CUE/BIN oder ISO) zum Brennen"));
  // The TV system: a button group of its own, so that it is not one more
  // choice among the disc formats (radio buttons of one parent exclude
  // each other, down to their children's).
  auto* tv = Named(new QWidget(panel), "TvSystemBox");
  tv->setGeometry(568, 8, 116, 25);
  auto* tvGroup = new QButtonGroup(tv);
  PalRadio = Named(new QRadioButton(QStringLiteral("PAL"), tv), "PalRadio");
  PalRadio->setGeometry(0, 2, 52, kControlHeight);
  NtscRadio = Named(new QRadioButton(QStringLiteral("NTSC"), tv), "NtscRadio");
  NtscRadio->setGeometry(54, 2, 60, kControlHeight);
  tvGroup->addButton(PalRadio);
  tvGroup->addButton(NtscRadio);
  PalRadio->setChecked(true);

  RadioButton1 = Named(new QRadioButton(QStringLiteral("Video-CD"), panel), "RadioButton1");
  RadioButton1->setGeometry(8, 40, 70, kControlHeight);
  RadioButton2 = Named(new QRadioButton(QStringLiteral("Super Video CD"), panel), "RadioButton2");
  RadioButton2->setGeometry(80, 40, 102, kControlHeight);
  RadioButton3 = Named(new QRadioButton(QStringLiteral("DVD"), panel), "RadioButton3");
  RadioButton3->setGeometry(184, 40, 60, kControlHeight);
  RadioButton3->setChecked(true);
  // The web formats join the disc formats' choice (same parent).
  Mp4Radio720 = Named(new QRadioButton(QStringLiteral("MP4 720p"), panel), "Mp4Radio720");
  Mp4Radio720->setGeometry(8, 64, 80, kControlHeight);
  Mp4Radio1080 = Named(new QRadioButton(QStringLiteral("MP4 1080p"), panel), "Mp4Radio1080");
  Mp4Radio1080->setGeometry(96, 64, 88, kControlHeight);
  for (QRadioButton* format : {RadioButton1, RadioButton2, RadioButton3, Mp4Radio720, Mp4Radio1080})
    connect(format, &QRadioButton::toggled, this, [this] { EnableExportButton(actions_.exportVideo->isEnabled()); });

  auto* label = Named(new QLabel(QStringLiteral("Text:"), panel), "Label3");
  label->setGeometry(288, 40, 40, kControlHeight);
  Edit1 = Named(new QLineEdit(panel), "Edit1");
  Edit1->setGeometry(336, 40, 169, kControlHeight);
  AddButton(panel, "BitBtnXP1", QStringLiteral("Schriftart..."), {520, 40, 97, 25}, actions_.chooseFont);
}

void TMainForm::BuildEditPanel(QWidget* panel) {
  AddButton(panel, "ZoomKleinerBtn", QStringLiteral("Kleiner"), {8, 8, 97, 25}, actions_.zoomSmaller);
  AddButton(panel, "ZoomGroesserBtn", QStringLiteral("Größer"), {112, 8, 97, 25}, actions_.zoomLarger);
  AddButton(panel, "ZoomOutFull", QStringLiteral("Ganze Datei"), {240, 8, 97, 25}, actions_.zoomWholeFile);
  AddButton(panel, "ZoomInFull", QStringLiteral("Voller Zoom"), {344, 8, 97, 25}, actions_.zoomFull);
  AddButton(panel, "ZoomSel", QStringLiteral("Zoom auf Auswahl"), {448, 8, 137, 25}, actions_.zoomToSelection);

  auto* label = Named(new QLabel(QStringLiteral("Verkleinerung:"), panel), "Label1");
  label->setGeometry(8, 40, 78, kControlHeight);
  ZoomOutEd = Named(new ZoomSpinEdit(panel), "ZoomOutEd");
  ZoomOutEd->setGeometry(88, 40, 97, kControlHeight);

  AddButton(panel, "PlayBtn", QStringLiteral("PLAY"), {240, 40, 75, 25}, actions_.play)
      ->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
  AddButton(panel, "StopBTN", QStringLiteral("STOP"), {320, 40, 75, 25}, actions_.stop)
      ->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
  SchleifeCheck = Named(
      new QCheckBox(QStringLiteral("In einer Schleife kontinuierlich abspielen"), panel),
      "SchleifeCheck");
  SchleifeCheck->setGeometry(400, 40, 270, kControlHeight);
  SchleifeCheck->setChecked(true);

  AddButton(panel, "CropToSelection", QStringLiteral("Zur Auswahl zurechtschneiden"), {8, 72, 201, 25},
            actions_.cropToSelection);
  AddButton(panel, "CutSelectionBtn", QStringLiteral("Die Auswahl wegschneiden"), {216, 72, 201, 25},
            actions_.cutSelection);
  AddButton(panel, "ChangeFormat", QStringLiteral("Sampleformat ändern..."), {424, 72, 153, 25},
            actions_.changeSampleFormat);
}

QWidget* TMainForm::BuildPage() {
  auto* page = Named(new QWidget, "TabSheet1");
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  QWidget* editPanel = FixedPanel("Panel1", kEditPanelHeight);
  BuildEditPanel(editPanel);
  column->addWidget(editPanel);

  auto* previewBox = Named(new QScrollArea, "ScrollBox2");
  UseWorkspaceColour(previewBox);
  // The preview fills its box and shows the whole picture scaled into it,
  // whatever size the picture is drawn at.
  PaintBox2 = Named(new PaintBox, "PaintBox2");
  previewBox->setWidgetResizable(true);
  previewBox->setWidget(PaintBox2);
  previewBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  column->addWidget(previewBox, 1);

  auto* waveBox = Named(new QScrollArea, "ScrollBox1");
  UseWorkspaceColour(waveBox);
  waveBox->setFixedHeight(kWaveBoxHeight);
  waveBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  waveBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  waveBox->setWidgetResizable(true);
  waveBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  PaintBox1 = Named(new PaintBox, "PaintBox1");
  PaintBox1->setFixedHeight(kWaveHeight);
  PaintBox1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  waveBox->setWidget(PaintBox1);
  column->addWidget(waveBox);

  RxSlider1 = Named(new QScrollBar(Qt::Horizontal), "RxSlider1");
  RxSlider1->setFixedHeight(kScrollBarHeight);
  RxSlider1->setRange(0, kInitialScrollMaximum);
  RxSlider1->setSingleStep(10);
  RxSlider1->setPageStep(100);
  column->addWidget(RxSlider1);
  return page;
}

void TMainForm::BuildStatusBar() {
  auto* bar = Named(new QStatusBar, "StatusBar1");
  bar->setFixedHeight(kStatusBarHeight);
  bar->setSizeGripEnabled(false);
  StatusText_ = Named(new QLabel, "StatusText");
  StatusText_->setFixedWidth(kStatusTextWidth);
  bar->addWidget(StatusText_);
  progress_ = new ProgressPanel;
  progress_->setFixedWidth(kProgressWidth);
  bar->addWidget(progress_);
  setStatusBar(bar);
}

void TMainForm::BuildMenus() {
  const WindowActions& a = actions_;
  QMenu* file = Named(menuBar()->addMenu(QStringLiteral("Datei")), "Datei1");
  file->addActions({a.open, a.saveWav, a.exportVideo, a.discImage});
  file->addSeparator();
  file->addAction(a.readCd);
  file->addSeparator();
  file->addAction(a.quit);

  QMenu* edit = Named(menuBar()->addMenu(QStringLiteral("Bearbeiten")), "Bearbeiten1");
  edit->addActions({a.undo, a.redo});
  edit->addSeparator();
  edit->addActions({a.cropToSelection, a.cutSelection});
  edit->addSeparator();
  edit->addAction(a.selectNothing);
  edit->addSeparator();
  edit->addAction(a.changeSampleFormat);

  QMenu* view = Named(menuBar()->addMenu(QStringLiteral("Ansicht")), "Ansicht1");
  view->addActions({a.zoomWholeFile, a.zoomFull, a.zoomToSelection});
  view->addSeparator();
  view->addActions({a.zoomSmaller, a.zoomLarger});

  QMenu* effects = Named(menuBar()->addMenu(QStringLiteral("Effekte")), "Effekte1");
  effects->addActions({a.echo, a.fadeIn, a.fadeOut, a.crossfadeEndToStart});
  effects->addSeparator();
  effects->addActions({a.maximumVolume, a.louder, a.quieter});
  effects->addSeparator();
  effects->addAction(a.reverse);
  effects->addSeparator();
  effects->addActions({a.faster, a.slower});

  QMenu* help = Named(menuBar()->addMenu(QStringLiteral("Hilfe")), "Hilfe1");
  help->addAction(a.about);
}

}  // namespace sonavix
