#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHelpEvent>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QSizeGrip>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <memory>

#include "app/card_analysis.h"
#include "app/list_context_menu.h"
#include "app/list_note.h"
#include "app/main_window_geometry.h"
#include "app/main_window_playback.h"
#include "app/preferences.h"
#include "app/readout_box.h"
#include "app/startup_files.h"
#include "base/localized_text.h"
#include "base/program_folder.h"
#include "controls/bit_slider.h"
#include "controls/colored_list_ctrl.h"
#include "controls/message_box.h"
#include "controls/skin.h"
#include "controls/skin_button.h"
#include "disk/disk_manager.h"
#include "disk/format_page.h"
#include "library/card_drives.h"
#include "library/card_watch.h"
#include "library/udisks_client.h"
#include "output/capture_command.h"
#include "output/print_dialog.h"
#include "playback/gps_map.h"
#include "playback/map_panel.h"
#include "playback/graph_window.h"
#include "playback/recording_index.h"
#include "playback/telemetry.h"
#include "player/embedded_player.h"
#include "player/player_module.h"
#include "settings/settings_card.h"
#include "settings/settings_dialog.h"

namespace orvia {
namespace {

QString Text(const char* key) { return QString::fromStdString(GetLocalizedText(key)); }

// The window's icon: the amber lens of the title band.
QIcon WindowIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128}) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(73, 73, 74));
    p.drawEllipse(QRectF(0, 0, s, s));
    p.setBrush(QColor(245, 166, 35));
    p.drawEllipse(QRectF(s * 0.12, s * 0.12, s * 0.76, s * 0.76));
    p.setBrush(QColor(24, 24, 26));
    p.drawEllipse(QRectF(s * 0.24, s * 0.24, s * 0.52, s * 0.52));
    p.setBrush(QColor(255, 255, 255, 170));
    p.drawEllipse(QRectF(s * 0.34, s * 0.32, s * 0.14, s * 0.14));
    p.end();
    icon.addPixmap(pm);
  }
  return icon;
}

}  // namespace

void PumpMessagesBriefly(QWidget*) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 10) QCoreApplication::processEvents(QEventLoop::AllEvents, 10 - clock.elapsed());
}

COrviaDlg::COrviaDlg(player::PlayerModule* module, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName("COrviaDlg");
  setWindowTitle("Orvia");
  setAttribute(Qt::WA_OpaquePaintEvent);
  // The window grows and shrinks keeping its proportions (LayoutNormal);
  // it starts at its design size.
  resize(kDesignWidth, kDesignHeight);
  setMinimumSize(kDesignWidth * 7 / 10, kDesignHeight * 7 / 10);
  if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
  setWindowIcon(WindowIcon());

  CreatePlayers(module);
  CreateReadouts();
  CreateMapAndList();
  CreateCardAnalysis();
  CreateSkinControls();
  BindCommands();

  // Enter, Esc and the window's keys reach it whichever child has the focus.
  qApp->installEventFilter(this);
  // Cards, folders and recordings can be dropped anywhere on the window
  // (main_window_open.cpp).
  setAcceptDrops(true);

  // Playback: its 1 ms tick runs from here for the window's whole life.
  if (players_[0] && players_[1]) playback_ = new MainWindowPlayback(this);
  new ListContextMenu(this);  // the recording list's right-click exports

  // The card in use going away stops playback.
  cardWatch_ = new CardWatch(QStringLiteral("/proc/self/mountinfo"), this);
  cardWatch_->SetCardRootProvider([this] { return cardRoot_; });
  connect(cardWatch_, &CardWatch::cardRemoved, this, [this](const QString& mountPoint) {
    if (playback_) playback_->OnVolumeRemoved(mountPoint);
  });
  // A card put in while the viewer runs is offered, never opened over what
  // plays.
  connect(cardWatch_, &CardWatch::cardInserted, this, [this](const QString& root) {
    if (root != cardRoot_) cardNote_->Offer(root);
  });
  connect(cardNote_, &CardInsertedNote::openRequested, this,
          [this](const QString& root) { OpenPaths({root}); });
  cardWatch_->Start();
  cardWatch_->StartServiceWatch(udisks::TakeSnapshot);

  // Resizing by the corner; from here on every resize lays the window out.
  sizeGrip_ = new QSizeGrip(this);
  sizeGrip_->resize(16, 16);
  sizeGrip_->move(width() - 16, height() - 16);
  CaptureDesignLayout();
}

// The two player views and their one-time set-up calls.
void COrviaDlg::CreatePlayers(player::PlayerModule* module) {
  for (int v = 0; v < 2; ++v) {
    players_[v] = module ? module->CreatePlayer(this) : nullptr;
    if (!players_[v]) continue;
    playerWidgets_[v] = players_[v]->widget();
    playerWidgets_[v]->setObjectName(QString("ctl%1").arg(kFrontPlayer + v));
    playerWidgets_[v]->setGeometry(v == 0 ? kFrontRect : kRearRect);
    controls_[kFrontPlayer + v] = playerWidgets_[v];
    players_[v]->Startup(v == 0);
    players_[v]->SetViewNumber(v == 0 ? 2 : 3);
  }
}

void COrviaDlg::CreateReadouts() {
  graph_ = new CDlgGraph(this);
  graph_->setGeometry(kGraphRect);

  // Read-outs: time in white, the three axes in red, yellow and green.
  AddLabel(kXText, QRect(932, 600, 150, 15), QColor(255, 0, 0));
  AddLabel(kYText, QRect(932, 640, 150, 15), QColor(255, 255, 0));
  AddLabel(kZText, QRect(932, 680, 150, 15), QColor(0, 255, 0));
  AddLabel(kTimeText, QRect(322, 498, 115, 15), Qt::white);
  ResetAxisLabels();
  readouts_ = new ReadoutBox(this, static_cast<QLabel*>(Control(kXText)),
                             static_cast<QLabel*>(Control(kYText)), static_cast<QLabel*>(Control(kZText)));
}

void COrviaDlg::CreateMapAndList() {
  map_ = new GPSMap();
  mapPanel_ = new MapPanel(map_, this);
  mapPanel_->setObjectName(QString("ctl%1").arg(kMapBrowser));
  mapPanel_->setGeometry(kMapRect);
  controls_[kMapBrowser] = mapPanel_;
  map_->HoldLoads();  // until the first picture (main_window_events.cpp)
  map_->Navigate(QString::fromStdString(GetProgramFolder() + kMapPageFileName));

  list_ = new CColoredListCtrl(this);
  list_->setObjectName(QString("ctl%1").arg(kRecordingList));
  list_->setGeometry(14, 537, 357, 181);
  list_->InsertColumn(0, Text("IDS_CAPTION_LIST_NUMBER"), 40);
  list_->InsertColumn(1, Text("IDS_CAPTION_LIST_DATE"), 80);
  list_->InsertColumn(2, Text("IDS_CAPTION_LIST_TIME"), 75);
  list_->InsertColumn(3, Text("IDS_CAPTION_LIST_TYPE"), 120);
  list_->InsertColumn(4, Text("IDS_CAPTION_LIST_PATH"), 0);
  controls_[kRecordingList] = list_;
  listNote_ = new ListNote(list_);
  listStatus_ = new ListStatusLine(list_);
  cardNote_ = new CardInsertedNote(list_);
}

// The skin's bitmaps, buttons and sliders.
void COrviaDlg::CreateSkinControls() {
  background_ = skin::LoadPixmap(186);
  indicatorA_ = skin::LoadPixmap(189);
  indicatorB_ = skin::LoadPixmap(190);
  bottomBar_ = skin::LoadPixmap(191);
  controlBar_ = skin::LoadPixmap(215);

  AddButton(kUpgradeButton, 305, 8, 147, 148, "IDS_CAPTION_TOOLTIP_UPGRADE");
  AddButton(kSetupButton, 450, 8, 149, 150, "IDS_CAPTION_TOOLTIP_SETUP");
  AddButton(kPrintButton, 595, 8, 151, 152, "IDS_CAPTION_TOOLTIP_PRINT");
  AddButton(kCaptureButton, 740, 8, 153, 154, "IDS_CAPTION_TOOLTIP_CAPTURE");
  AddButton(kMinimizeButton, 932, 17, 155, 156, "IDS_CAPTION_TOOLTIP_MINIMIZE");
  AddButton(kRestoreButton, 990, 8, 192, 193, "IDS_CAPTION_TOOLTIP_RESTORE")->hide();
  AddButton(kExitButton, 970, 17, 157, 158, "IDS_CAPTION_TOOLTIP_EXIT");
  AddButton(kMapButton, 13, 271, 161, 162, "IDS_CAPTION_TOOLTIP_MAP_ON");
  AddButton(kFullRearButton, 260, 261, 163, 164, "IDS_CAPTION_TOOLTIP_FULL_REAR");
  AddButton(kPreviousFileButton, 306, 445, 166, 165, "IDS_CAPTION_TOOLTIP_REWARD");
  AddButton(kBackButton, 356, 445, 167, 168, "IDS_CAPTION_TOOLTIP_BACK_PLAY");
  AddButton(kPlayButton, 406, 445, 169, 170, "IDS_CAPTION_TOOLTIP_PLAY");
  AddButton(kForwardButton, 456, 445, 171, 172, "IDS_CAPTION_TOOLTIP_NEXT_PLAY");
  AddButton(kNextFileButton, 506, 445, 173, 174, "IDS_CAPTION_TOOLTIP_NEXT_FORWARD");
  AddButton(kStopButton, 556, 445, 220, 219, "IDS_CAPTION_TOOLTIP_STOP");
  AddButton(kFullFrontButton, 971, 446, 163, 164, "IDS_CAPTION_TOOLTIP_FULL_FRONT");
  AddButton(kSdButton, 370, 537, 187, 188, "IDS_CAPTION_TOOLTIP_DISK");
  AddButton(kGraphModeButton, 929, 536, 230, 231, "IDS_CAPTION_TOOLTIP_ACCELERATE");
  AddButton(kNormalButton, 975, 658, 216, 217, nullptr)->hide();

  AddSlider(kSpeedSlider, QRect(663, 459, 125, 10), 0, 4, 2, 179, 180);
  AddSlider(kVolumeSlider, QRect(831, 459, 125, 10), 0, 10, 5, 179, 180);
  AddSlider(kTimeLine, kTimeLineRect, 0, 59, 0, 175, 176);
}

// Commands this window carries out itself.
void COrviaDlg::BindCommands() {
  handlers_[kMinimizeButton] = [this] { showMinimized(); };
  handlers_[kExitButton] = [this] { close(); };
  handlers_[kFullRearButton] = [this] { EnterFullScreen(false); };
  handlers_[kFullFrontButton] = [this] { EnterFullScreen(true); };
  handlers_[kRestoreButton] = [this] { LeaveFullScreen(); };
  handlers_[kNormalButton] = [this] { LeaveFullScreen(); };
  handlers_[kMapButton] = [this] { ToggleMap(); };
  handlers_[kGraphModeButton] = [this] { ToggleGraphMode(); };
  handlers_[kUpgradeButton] = [this] { StartUpdater(); };
  handlers_[kSetupButton] = [this] { OpenSettings(); };
  handlers_[kSdButton] = [this] { OpenCardManager(); };
  handlers_[kCaptureButton] = [this] {
    PlaybackController* c = playback_ ? &playback_->controller() : nullptr;
    RunCapture(FrontPlayer(), RearPlayer(), c ? c->rowCount() : 0, c ? c->currentDate() : RecordingDate{});
  };
  handlers_[kPrintButton] = [this] {
    CDlgPrint dialog(FrontPlayer(), RearPlayer(), this);
    if (PlaybackController* c = playback_ ? &playback_->controller() : nullptr; c && c->fileOpen()) {
      dialog.SetCaption(QString::fromStdString(PictureCaption(c->index(), c->position(), c->currentDate())),
                        QString::fromStdString("orvia-" + SnapshotTimeText(c->currentDate())));
    }
    dialog.exec();
  };
}

COrviaDlg::~COrviaDlg() { qApp->removeEventFilter(this); }

QWidget* COrviaDlg::Control(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

CxSkinButton* COrviaDlg::Button(int id) const { return qobject_cast<CxSkinButton*>(Control(id)); }

CxSkinButton* COrviaDlg::AddButton(int id, int x, int y, int normal, int pressed, const char* tooltipKey) {
  auto* b = new CxSkinButton(this, id);
  b->move(x, y);
  b->SetSkin(normal, pressed, normal, normal);
  if (tooltipKey) b->SetToolTipKey(tooltipKey);
  connect(b, &CxSkinButton::command, this, &COrviaDlg::OnCommand);
  controls_[id] = b;
  return b;
}

CBitSlider* COrviaDlg::AddSlider(int id, QRect rect, int min, int max, int pos, int rightId, int leftId) {
  auto* s = new CBitSlider(this, id);
  s->setGeometry(rect);
  s->SetRange(min, max);
  s->SetPos(pos);
  s->CreateThumb();
  s->SetBitmaps(rightId, leftId);
  s->update();
  controls_[id] = s;
  return s;
}

QLabel* COrviaDlg::AddLabel(int id, QRect rect, const QColor& colour) {
  auto* l = new QLabel(this);
  l->setObjectName(QString("ctl%1").arg(id));
  l->setGeometry(rect);
  l->setAttribute(Qt::WA_TranslucentBackground);
  QPalette pal = l->palette();
  pal.setColor(QPalette::WindowText, colour);
  l->setPalette(pal);
  QFont f("DejaVu Sans");
  // The time text must fit "2026-12-07 08:30:00" into its 115 pixels.
  f.setPixelSize(id == kTimeText ? 11 : 12);
  if (id == kTimeText) f.setLetterSpacing(QFont::AbsoluteSpacing, -0.4);
  l->setFont(f);
  controls_[id] = l;
  return l;
}

void COrviaDlg::ResetAxisLabels() {
  static_cast<QLabel*>(Control(kXText))->setText(Text("IDS_CAPTION_X") + ": ");
  static_cast<QLabel*>(Control(kYText))->setText(Text("IDS_CAPTION_Y") + ": ");
  static_cast<QLabel*>(Control(kZText))->setText(Text("IDS_CAPTION_Z") + ": ");
  static_cast<QLabel*>(Control(kTimeText))->clear();
}

void COrviaDlg::SetRows(const QList<QStringList>& rows) {
  list_->DeleteAllItems();
  for (const QStringList& r : rows) list_->AddRow(r);
  listNote_->ShowForRows(list_->RowCount());
  MarkRowsWithoutPictures();
  if (!keepAnalysis_) {
    currentEvent_ = -1;
    StartCardAnalysis();
  }
}

void COrviaDlg::MarkRowsWithoutPictures() {
  // Only files too small to hold a second of pictures are read here (a
  // header left by a power cut, a file cut at once): reading every file would
  // cost a card's worth of reads. Larger damaged files are marked when
  // playback comes to them.
  constexpr qint64 kSmallRecordingBytes = 64 * 1024;
  std::unique_ptr<RecordingIndex> index;
  for (int row = 0; row < list_->RowCount(); ++row) {
    const QFileInfo info(list_->RowText(row, 4));
    if (info.isFile() && info.size() >= kSmallRecordingBytes) continue;
    if (!index) index = std::make_unique<RecordingIndex>();
    const RecordingFile file = OpenRecording(info.filePath().toStdString(), *index);
    if (!file.IsOpen() || !HasKeyUnit(*index)) MarkRowDamaged(row);
  }
}

void COrviaDlg::MarkRowDamaged(int row) {
  QTreeWidgetItem* item = list_->topLevelItem(row);
  if (!item) return;
  const QString damaged = Text("IDS_CAPTION_LIST_DAMAGED");
  if (item->text(3) == damaged) return;
  item->setText(3, damaged);
  for (int c = 0; c < item->columnCount(); ++c) item->setForeground(c, QColor(150, 150, 150));
}

void COrviaDlg::OpenCardManager() {
  if (!playback_) return;
  playback_->OpenSource(
      [this] {
        DiskManagerResult r = RunDiskManager(this, userCards_, MakeFormatPageFactory());
        return MainWindowPlayback::SourceChoice{r.accepted, r.pageIndex == 0, r.rows, r.cardText,
                                                r.cardsChanged};
      },
      // Before maintenance the card's pending writes reach it. The card stays
      // mounted: a volume taken away here would not come back by itself, and
      // the card manager could no longer list it.
      [](const QString& root) { FlushVolume(root.toLocal8Bit().constData()); });
}

bool COrviaDlg::OpenCardsAtStart(bool mayAsk) {
  CardEnvironment env;
  for (const QString& folder : userCards_) env.userFolders.push_back(folder.toStdString());
  env.udisks = udisks::SystemSnapshot;
  const std::vector<std::string> cards = FindCardDrives(env);
  if (cards.size() == 1) return OpenPaths({QString::fromStdString(cards.front())});
  if (cards.size() > 1 && mayAsk) {
    OpenCardManager();
    return true;
  }
  return false;
}

void COrviaDlg::AddUserCard(const QString& folder) {
  if (!userCards_.contains(folder)) userCards_ << folder;
}

void COrviaDlg::SetCommandHandler(int id, std::function<void()> handler) {
  handlers_[id] = std::move(handler);
}

void COrviaDlg::OnCommand(int id) {
  auto it = handlers_.find(id);
  if (it != handlers_.end() && it->second) it->second();
}

void COrviaDlg::SetButtonImages(int id, int normal, int pressed) {
  if (CxSkinButton* b = Button(id)) b->SetSkin(normal, pressed, normal, normal);
}

QString COrviaDlg::UpdaterParameterText() {
  return QString::fromStdString(
      UpdaterParameter(ORVIA_VERSION_MAJOR, ORVIA_VERSION_MINOR, ORVIA_VERSION_PATCH, ORVIA_VERSION_TWEAK));
}

void COrviaDlg::OpenSettings() {
  std::string recording;
  if (playback_ && playback_->controller().fileOpen())
    recording = RecordingList()->RowText(playback_->controller().currentRow(), 4).toStdString();
  std::vector<std::string> found;
  if (cardRoot_.isEmpty() && recording.empty()) {
    CardEnvironment env;
    for (const QString& folder : userCards_) env.userFolders.push_back(folder.toStdString());
    env.udisks = udisks::SystemSnapshot;
    found = FindCardDrives(env);
  }
  const SettingsCardChoice choice = ChooseSettingsCard(cardRoot_.toStdString(), recording, found);
  QString card = QString::fromStdString(choice.card);
  if (choice.kind == SettingsCardChoice::Kind::kAsk) {
    QStringList items;
    for (const std::string& c : choice.candidates) items << QString::fromStdString(c);
    bool ok = false;
    card = QInputDialog::getItem(this, QString::fromStdString(GetLocalizedText("IDS_CAPTION_SETUP_BLACKBOX")),
                                 QString::fromStdString(GetLocalizedText("IDS_CAPTION_SETUP_WHICH_CARD")),
                                 items, 0, false, &ok);
    if (!ok) return;
  }
  RunSettingsDialog(this, card);
}

void COrviaDlg::StartUpdater() {
  // The updater lies beside the program. Without one (the packaged viewer)
  // the user learns where updates come from instead of seeing nothing happen.
  QString path = QCoreApplication::applicationDirPath() + "/" + kUpdaterFileName;
  if (QFileInfo(path).isExecutable() && QProcess::startDetached(path, {UpdaterParameterText()})) return;
  ShowLocalizedMessageBox(QString::fromStdString(GetLocalizedText("IDS_CAPTION_UPDATE_FROM_PACKAGE")) + " " +
                              QCoreApplication::applicationVersion() + ".",
                          QMessageBox::Ok);
}

bool COrviaDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::ToolTip) {
    QWidget* w = qobject_cast<QWidget*>(watched);
    if (w && (w == this || isAncestorOf(w))) {
      if (event->type() == QEvent::KeyPress && HandleKey(static_cast<QKeyEvent*>(event))) return true;
      if (event->type() == QEvent::ToolTip && ShowToolTipWithKey(watched, static_cast<QHelpEvent*>(event)))
        return true;
    }
  }
  if (TakeChildDrop(watched, event)) return true;
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Escape) {
      QWidget* w = qobject_cast<QWidget*>(watched);
      if (w && (w == this || isAncestorOf(w))) {
        if (event->type() == QEvent::KeyPress && fullScreen_) LeaveFullScreen();
        // Enter on the recording list plays its selected row, as a double click does.
        else if (event->type() == QEvent::KeyPress && key->key() != Qt::Key_Escape &&
                 (w == list_ || list_->isAncestorOf(w)))
          OnCommand(kRecordingList);
        return true;  // neither key closes the window or reaches a child
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void COrviaDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape) {
    if (fullScreen_) LeaveFullScreen();
    return;
  }
  QWidget::keyPressEvent(event);
}

void COrviaDlg::mousePressEvent(QMouseEvent* event) {
  // A press on the background moves the window, as a caption would. A press
  // that a child control (the graph, a read-out) let through does not.
  const bool onSurface = childAt(event->position().toPoint()) == nullptr;
  if (!fullScreen_ && onSurface && drag_.Press(this, event)) return;
  QWidget::mousePressEvent(event);
}

void COrviaDlg::mouseMoveEvent(QMouseEvent* event) {
  if (drag_.Move(this, event)) return;
  QWidget::mouseMoveEvent(event);
}

void COrviaDlg::mouseReleaseEvent(QMouseEvent* event) {
  drag_.Release(event);
  QWidget::mouseReleaseEvent(event);
}

void COrviaDlg::SetRemembering(bool on) {
  remembering_ = on;
  if (!on) return;
  const ViewerPreferences p = LoadPreferences();
  static_cast<CBitSlider*>(Control(kVolumeSlider))->SetPos(p.volume);
  if (p.mapShown != mapShown_) ToggleMap();
  if (graph_ && p.speedGraph != (graph_->mode() == CDlgGraph::kSpeed)) ToggleGraphMode();
  rememberedSource_ = p.lastSource;
  exportFolder_ = p.exportFolder;
  analysis_->SetSpeedLimit(p.speedLimitKmh);
  // The place is taken only where a screen still shows the window's top.
  if (p.hasPosition && QGuiApplication::screenAt(p.position + QPoint(40, 10))) move(p.position);
}

void COrviaDlg::closeEvent(QCloseEvent* event) {
  if (remembering_) {
    ViewerPreferences p;
    p.volume = static_cast<CBitSlider*>(Control(kVolumeSlider))->GetPos();
    p.mapShown = mapShown_;
    p.speedGraph = graph_ && graph_->mode() == CDlgGraph::kSpeed;
    p.lastSource = openedSource_.isEmpty() ? rememberedSource_ : openedSource_;
    p.exportFolder = exportFolder_;
    p.speedLimitKmh = static_cast<int>(analysis_->SpeedLimit());
    if (!fullScreen_) {
      p.hasPosition = true;
      p.position = pos();
    }
    SavePreferences(p);
  }
  delete playback_;  // stops the timers and closes the open recording
  playback_ = nullptr;
  event->accept();
}

}  // namespace orvia
