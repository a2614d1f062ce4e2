#include "app/main_window_playback.h"

#include <QLabel>

#include "app/list_note.h"
#include "app/main_window.h"
#include "app/main_window_route.h"
#include "app/readout_box.h"
#include "base/localized_text.h"
#include "base/program_folder.h"
#include "controls/bit_slider.h"
#include "controls/colored_list_ctrl.h"
#include "controls/message_box.h"
#include "controls/skin_button.h"
#include "controls/slider_math.h"
#include "library/play_list.h"
#include "playback/gps_map.h"
#include "playback/graph_window.h"
#include "playback/map_route.h"
#include "player/blank_key_frame.h"
#include "player/embedded_player.h"
#include "settings/impact_threshold.h"

namespace orvia {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

MainWindowPlayback::MainWindowPlayback(COrviaDlg* window) : QObject(window), window_(window) {
  PlaybackDeps deps;
  deps.front = window->FrontPlayer();
  deps.rear = window->RearPlayer();
  deps.view = this;
  deps.clock = &clock_;
  deps.sleeper = &sleeper_;
  deps.blankFrame = player::BlankKeyFrame();
  controller_ = std::make_unique<PlaybackController>(deps);
  route_ = new MapRouteView(window->Map(), this);

  PlaybackController* c = controller_.get();
  window->SetCommandHandler(kPlayButton, [c] { c->OnPlayPause(); });
  window->SetCommandHandler(kStopButton, [c] { c->OnStop(); });
  window->SetCommandHandler(kBackButton, [c] { c->OnBack(); });
  window->SetCommandHandler(kForwardButton, [c] { c->OnForward(); });
  window->SetCommandHandler(kPreviousFileButton, [c] { c->OnPreviousFile(); });
  window->SetCommandHandler(kNextFileButton, [c] { c->OnNextFile(); });
  // A double click on the list, or Enter on it, plays the first selected row.
  const auto playSelected = [this, c] {
    QList<QTreeWidgetItem*> selected = window_->RecordingList()->selectedItems();
    c->OnListDoubleClick(
        selected.isEmpty() ? -1 : window_->RecordingList()->indexOfTopLevelItem(selected.first()));
  };
  connect(window->RecordingList(), &QTreeWidget::itemDoubleClicked, this, playSelected);
  window->SetCommandHandler(kRecordingList, playSelected);
  for (int id : {kTimeLine, kSpeedSlider, kVolumeSlider}) {
    auto* slider = static_cast<CBitSlider*>(window->Control(id));
    connect(slider, &CBitSlider::scrolled, this, [this, id](int code, int pos) { OnSlider(id, code, pos); });
  }
  // The graph goes to the second clicked, as the time line does.
  connect(window->Graph(), &CDlgGraph::secondPicked, this, [this, c](int second) {
    SetTimeLine(second);
    c->OnTimeLine(second);
  });
  connect(window, &COrviaDlg::fullScreenChanged, this, [c] {
    c->RefreshButtons();
    c->OnFullScreenLeft();  // nothing while full screen lasts
  });

  tick_.setTimerType(Qt::PreciseTimer);
  tick_.setInterval(1);
  connect(&tick_, &QTimer::timeout, this, [this, c] {
    c->Tick();
    // Asleep until the next step or sound block is due, rather than a
    // thousand wake-ups a second for a few dozen moments of work.
    const int next = c->NextTickMs();
    if (next != tick_.interval()) tick_.start(next);
  });
  // Playback starts once the window is on screen. Its first paint takes the
  // user-interface thread for up to a tenth of a second: a start within it
  // would show the first pictures late, one view after the other, and after
  // their sound.
  connect(window, &COrviaDlg::firstPainted, &tick_, qOverload<>(&QTimer::start));
  firstLoad_.setInterval(100);
  connect(&firstLoad_, &QTimer::timeout, this, [c] { c->OnFirstLoadTimer(); });

  c->ResetTelemetry();
  c->RefreshButtons();
}

MainWindowPlayback::~MainWindowPlayback() {
  tick_.stop();
  firstLoad_.stop();
}

void MainWindowPlayback::LoadList(const QList<QStringList>& rows) {
  firstLoad_.stop();
  controller_->BeginOpenSource();
  window_->SetRows(rows);
  controller_->EndOpenSource(true);
  firstLoad_.start();
}

void MainWindowPlayback::OpenSource(const std::function<SourceChoice()>& runManager,
                                    const std::function<void(const QString& root)>& releaseCard) {
  // Cancel leaves the list, the card root and the open recording as they were.
  const PlaybackPlace place = controller_->SavePlace();
  const QString cardRoot = window_->CardRoot();
  controller_->BeginOpenSource();
  firstLoad_.stop();
  if (!window_->CardRoot().isEmpty()) {
    if (releaseCard) releaseCard(window_->CardRoot());
    window_->SetCardRoot(QString());
  }
  const SourceChoice choice = runManager ? runManager() : SourceChoice{};
  if (choice.accepted) {
    PumpMessagesBriefly(window_);
    if (!choice.card.isEmpty()) {
      window_->SetCardRoot(choice.card.endsWith('/') ? choice.card : choice.card + '/');
      window_->RememberSource(choice.card);
    }
    if (choice.handsOverRows) window_->SetRows(choice.rows);
    controller_->EndOpenSource(true);
  } else if (choice.cardsChanged && !cardRoot.isEmpty()) {
    // A format ran: the rows kept may name files that are gone, so the card
    // in use is listed anew.
    window_->SetCardRoot(cardRoot);
    window_->SetRows(ListRowTexts(ScanPlayList(cardRoot.toStdString(), 0)));
    controller_->EndOpenSource(true);
  } else {
    window_->SetCardRoot(cardRoot);
    controller_->ResumePlace(place);
  }
  window_->update();
  firstLoad_.start();
}

void MainWindowPlayback::OnVolumeRemoved(const QString& mountPoint) {
  // The card in use may be a folder inside the volume that went away.
  const QString root = window_->CardRoot();
  if (root.isEmpty()) return;
  const QString mount = mountPoint.endsWith('/') ? mountPoint : mountPoint + '/';
  if (!root.startsWith(mount)) return;
  window_->update();
  controller_->BeginCardRemoved();
  ShowLocalizedMessageBox(
      QString::fromStdString(GetLocalizedText("IDS_CAPTION_COMBO_DRIVE_SELDRIVEREMOVED")));
  controller_->EndCardRemoved();
  window_->SetCardRoot(QString());
  window_->update();
}

void MainWindowPlayback::OnSlider(int id, int code, int pos) {
  if (code != TB_ENDTRACK) return;  // only the end of a drag acts
  if (id == kTimeLine) controller_->OnTimeLine(pos);
  if (id == kSpeedSlider) controller_->OnSpeed(pos);
  if (id == kVolumeSlider) controller_->OnVolume(pos);
}

void MainWindowPlayback::SetTimeLine(int second) {
  static_cast<CBitSlider*>(window_->Control(kTimeLine))->SetPos(second);
}

void MainWindowPlayback::SetSpeedSlider(int position) {
  static_cast<CBitSlider*>(window_->Control(kSpeedSlider))->SetPos(position);
}

int MainWindowPlayback::VolumeSlider() const {
  return static_cast<CBitSlider*>(window_->Control(kVolumeSlider))->GetPos();
}

void MainWindowPlayback::EnableButton(PlaybackButton button, bool enabled) {
  if (CxSkinButton* b = window_->Button(static_cast<int>(button))) b->setEnabled(enabled);
}

void MainWindowPlayback::SetPlayPauseLook(bool pauseLook, const std::string& tooltip) {
  CxSkinButton* b = window_->Button(kPlayButton);
  const bool full = window_->IsFullScreen();
  int normal = pauseLook ? (full ? 211 : 213) : (full ? 207 : 169);
  b->SetSkin(normal, normal + 1, normal, normal);
  b->SetToolTipText(Q(tooltip));
  pauseLook_ = pauseLook;
}

void MainWindowPlayback::SetStepTooltips(const std::string& back, const std::string& forward) {
  window_->Button(kBackButton)->SetToolTipText(Q(back));
  window_->Button(kForwardButton)->SetToolTipText(Q(forward));
}

void MainWindowPlayback::ShowTelemetry(const TelemetryTexts& t) {
  static_cast<QLabel*>(window_->Control(kXText))->setText(Q(t.x));
  static_cast<QLabel*>(window_->Control(kYText))->setText(Q(t.y));
  static_cast<QLabel*>(window_->Control(kZText))->setText(Q(t.z));
  static_cast<QLabel*>(window_->Control(kTimeText))->setText(Q(t.time));
  window_->Readouts()->SetSpeedText(Q(t.speed));
}

bool MainWindowPlayback::MapShown() const { return window_->IsMapShown(); }

void MainWindowPlayback::MapSetPos(const std::string& latitude, const std::string& longitude) {
  window_->Map()->CallScript("setPos", {Q(latitude), Q(longitude)});
}

void MainWindowPlayback::ReloadMap() { window_->Map()->Navigate(Q(GetProgramFolder() + "map.html")); }

void MainWindowPlayback::SetGraphData(int count, const GPeak* peaks, const std::unique_ptr<GpsFix>* fixes) {
  window_->Graph()->SetData(count, peaks, fixes);
  // The map's route follows the graph's recording.
  if (count <= 0) {
    route_->Clear();
  } else {
    const std::string path = RowPath(controller_->currentRow());
    const int threshold = ImpactThresholdForRecording(path, window_->CardRoot().toStdString());
    route_->Show(BuildMapRoute(count, peaks, fixes, threshold));
  }
}

void MainWindowPlayback::SetGraphCursor(int second) {
  window_->Graph()->SetCursor(second);
  if (MapShown()) route_->SetPlayed(second);
}

void MainWindowPlayback::RedrawGraph() { window_->Graph()->update(); }

int MainWindowPlayback::ListRowCount() const { return window_->RecordingList()->RowCount(); }

std::string MainWindowPlayback::RowPath(int row) const {
  QTreeWidgetItem* item = window_->RecordingList()->topLevelItem(row);
  return item ? item->text(4).toStdString() : std::string();
}

void MainWindowPlayback::SelectListRow(int row) {
  CColoredListCtrl* list = window_->RecordingList();
  list->clearSelection();
  QTreeWidgetItem* item = list->topLevelItem(row);
  if (!item) return;
  item->setSelected(true);
  list->setCurrentItem(item);
  list->scrollToItem(item);
  list->setFocus();
  list->viewport()->update();
}

void MainWindowPlayback::FocusList() { window_->RecordingList()->setFocus(); }

void MainWindowPlayback::ClearList() {
  // No rows: nothing more of the card is read either.
  window_->SetRows({});
  window_->RecordingListNote()->hide();  // the card went away; its own message says so
}

void MainWindowPlayback::MarkRowUnplayable(int row) {
  QTreeWidgetItem* item = window_->RecordingList()->topLevelItem(row);
  if (!item) return;
  window_->MarkRowDamaged(row);
  window_->RecordingListStatus()->ShowNote(
      QString::fromStdString(GetLocalizedText("IDS_CAPTION_LIST_PASSED_OVER")).arg(item->text(0)));
}

void MainWindowPlayback::SetTimeLineLength(int seconds) {
  static_cast<CBitSlider*>(window_->Control(kTimeLine))->SetRange(0, std::max(0, seconds - 1), true);
  window_->UpdateEventMarks();
}

bool MainWindowPlayback::FullScreen() const { return window_->IsFullScreen(); }

bool MainWindowPlayback::PlayersHaveWindows() const {
  return window_->FrontPlayer() != nullptr && window_->RearPlayer() != nullptr;
}

void MainWindowPlayback::RedrawWindow() { window_->update(); }

}  // namespace orvia
