// COrviaDlg: the program's one top-level window. A frameless 1020 x 730
// window drawn from the skin, holding the two player views, the map page,
// the graph window, the recording list, three sliders and nineteen buttons.
// It creates its parts, lays them out (normal and full screen) and routes
// commands; the parts do the work.
#pragma once

#include <QElapsedTimer>
#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "controls/window_drag.h"

class QHelpEvent;
class QKeyEvent;
class QLabel;
class QTimer;

class CxSkinButton;
class CBitSlider;
class CColoredListCtrl;

class QSizeGrip;

namespace orvia {

struct PlayListRow;
// Play-list rows as the recording list takes them: number, date, time, type
// and path.
QList<QStringList> ListRowTexts(const std::vector<PlayListRow>& rows);
class CDlgGraph;
class CardAnalysis;
class CardWatch;
class TripsView;
struct CardSummary;
struct Trip;
class ListNote;
class ListStatusLine;
class CardInsertedNote;
class ReadoutBox;
class MainWindowPlayback;
class GPSMap;
class MapPanel;
namespace player {
class EmbeddedPlayer;
class PlayerModule;
}  // namespace player

// Control ids of the main window.
enum ControlId : int {
  kFrontPlayer = 1000,
  kRearPlayer = 1001,
  kUpgradeButton = 1002,
  kMinimizeButton = 1003,
  kExitButton = 1004,
  kSetupButton = 1005,
  kPrintButton = 1006,
  kCaptureButton = 1007,
  kFullRearButton = 1008,
  kFullFrontButton = 1009,
  kMapButton = 1010,
  kMapBrowser = 1011,
  kPreviousFileButton = 1012,
  kBackButton = 1013,
  kPlayButton = 1014,
  kForwardButton = 1015,
  kNextFileButton = 1016,
  kSdButton = 1017,
  kTimeText = 1018,
  kTimeLine = 1019,
  kSpeedSlider = 1021,
  kVolumeSlider = 1023,
  kRecordingList = 1024,
  kGraphModeButton = 1025,
  kRestoreButton = 1115,
  kNormalButton = 1116,
  kXText = 1121,
  kYText = 1122,
  kZText = 1123,
  kStopButton = 1124,
};

// Dispatches pending events for 10 ms, so that a busy command keeps the
// interface alive. With a window, only its events (and its children's) are
// wanted; Qt cannot filter by window, so all pending events are dispatched.
void PumpMessagesBriefly(QWidget* window = nullptr);

class COrviaDlg : public QWidget {
  Q_OBJECT

 public:
  // `module` creates the two players; null leaves the views empty (tests).
  explicit COrviaDlg(player::PlayerModule* module, QWidget* parent = nullptr);
  ~COrviaDlg() override;

  // The control with this id (buttons, sliders, list, labels, players).
  QWidget* Control(int id) const;
  CxSkinButton* Button(int id) const;
  player::EmbeddedPlayer* FrontPlayer() const { return players_[0]; }
  player::EmbeddedPlayer* RearPlayer() const { return players_[1]; }
  CColoredListCtrl* RecordingList() const { return list_; }
  CDlgGraph* Graph() const { return graph_; }
  // Playback of the recording list; null without players.
  MainWindowPlayback* Playback() const { return playback_; }
  GPSMap* Map() const { return map_; }
  // The X, Y, Z and speed read-outs right of the graph.
  ReadoutBox* Readouts() const { return readouts_; }
  // The note over the recording list when a source gave no rows.
  ListNote* RecordingListNote() const { return listNote_; }
  ListStatusLine* RecordingListStatus() const { return listStatus_; }
  CardInsertedNote* InsertedCardNote() const { return cardNote_; }
  CardWatch* Watch() const { return cardWatch_; }

  bool IsFullScreen() const { return fullScreen_; }
  bool IsMapShown() const { return mapShown_; }
  // Full screen with the front (true) or rear player, on the monitor nearest
  // the window; and back.
  void EnterFullScreen(bool front);
  void LeaveFullScreen();

  // A command of the command table, as a button click delivers it.
  void OnCommand(int id);
  // Routes a command id to an action; later parts of the program plug in
  // here (settings, print, capture, card manager, playback).
  void SetCommandHandler(int id, std::function<void()> handler);

  // Root of the card whose recordings fill the list, with its trailing
  // separator; empty when no card is in use.
  const QString& CardRoot() const { return cardRoot_; }
  void SetCardRoot(const QString& root) { cardRoot_ = root; }

  // The SD button: the card manager, then the chosen card's recordings play.
  void OpenCardManager();
  // A folder the user named as a card (`--card`); the card manager lists it.
  void AddUserCard(const QString& folder);
  // Shows a row as damaged: type "Damaged", greyed.
  void MarkRowDamaged(int row);
  // Started with nothing to open: the one card found opens; several bring up
  // the card manager when `mayAsk`. False when nothing was opened.
  bool OpenCardsAtStart(bool mayAsk);

  // Remembering between runs (app/preferences.h): once switched on, the
  // volume, map, graph, window place and export folder stored last time are
  // taken now, and what they are at close is stored. Off by default, so that
  // windows made by tests share nothing.
  void SetRemembering(bool on);
  bool IsRemembering() const { return remembering_; }
  // The card or folder opened last time (remembered), and the one opened now.
  QString RememberedSource() const { return rememberedSource_; }
  void RememberSource(const QString& path) { openedSource_ = path; }
  QString ExportFolder() const { return exportFolder_; }
  void SetExportFolder(const QString& folder) { exportFolder_ = folder; }

  // Replaces the rows of the recording list (number, date, time, type, path);
  // no rows shows the list's no-recordings note.
  void SetRows(const QList<QStringList>& rows);

  // Cards, copied card folders, folders of recordings or .avi files (paths
  // or file URLs): their recordings fill the list in time order and the first
  // plays. Paths that give no recording are named in a message; when none
  // gives any, the list stays as it was. True when something was listed.
  bool OpenPaths(const QStringList& paths);

  // The window's keys (main_window_keys.cpp): true when the key was one of
  // them and was acted on.
  bool HandleKey(QKeyEvent* event);
  // The key of a control's command as the tooltip names it ("Space",
  // "Ctrl+S"); empty for controls without one.
  static QString KeyHint(int id);
  // The control's tooltip followed by its key in brackets.
  QString ToolTipWithKey(int id) const;

  // The program's version as the updater is told it.
  static QString UpdaterParameterText();

  // Trips and events of the list's recordings (main_window_events.cpp).
  CardAnalysis* Analysis() const { return analysis_; }
  // The trips and events view (key T, the list's menu); null until opened.
  TripsView* TripsWindow() const { return tripsView_; }
  void OpenTripsView();
  // Plays event `index` of the summary from ten seconds before it, its
  // trip's recordings following; a trip from its start.
  void PlayEvent(int index);
  void PlayTrip(int index);
  // N / Shift+N: the next or previous event of the card from where
  // playback is. False when there is none (or nothing has been read yet).
  bool JumpToEvent(bool forward);
  // Marks the open recording's events on the time bar.
  void UpdateEventMarks();

 signals:
  // Full screen was entered or left; playback refreshes its buttons' looks.
  void fullScreenChanged();
  // The window has been drawn for the first time (once, after the paint).
  void firstPainted();
  // The trips and events of the list have been read.
  void cardAnalysed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // The parts of the window, made in this order by the constructor.
  void CreatePlayers(player::PlayerModule* module);
  void CreateReadouts();
  void CreateMapAndList();
  void CreateSkinControls();
  void BindCommands();
  CxSkinButton* AddButton(int id, int x, int y, int normal, int pressed, const char* tooltipKey);
  CBitSlider* AddSlider(int id, QRect rect, int min, int max, int pos, int rightId, int leftId);
  QLabel* AddLabel(int id, QRect rect, const QColor& colour);
  void ApplyNormalLayout();
  void ApplyFullScreenLayout(int width, int height);
  // The normal layout scaled to the window's size; the full-screen one at it.
  void LayoutNormal();
  void LayoutFullScreen();
  // Puts `widget` at `design` (design coordinates), scaled to the window.
  void Place(QWidget* widget, const QRect& design);
  QRect Scaled(const QRect& design) const;
  // Takes every part's place and font as built, at the design size.
  void CaptureDesignLayout();
  // Marks at once the rows whose small file holds no key picture.
  void MarkRowsWithoutPictures();
  void SetButtonImages(int id, int normal, int pressed);
  void ToggleMap();
  void PlaceMap();
  void ToggleGraphMode();
  void StartUpdater();
  // The Setup button: the settings of the card in use, else of the card
  // the open recording lies on, else of the only card found (or the one the
  // user picks among several).
  void OpenSettings();
  void ResetAxisLabels();
  bool ShowToolTipWithKey(QObject* watched, QHelpEvent* event);
  void CreateCardAnalysis();
  // Reads the list's recordings once the first picture is on screen.
  void StartCardAnalysis();
  void OnCardAnalysed();
  static const Trip* TripOf(const CardSummary& summary, size_t recording);
  void PlayRecordingAt(size_t recording, int second);
  int RowOfPath(const std::string& path) const;
  bool TakeChildDrop(QObject* watched, QEvent* event);

  std::map<int, QWidget*> controls_;
  std::map<int, std::function<void()>> handlers_;
  player::EmbeddedPlayer* players_[2] = {nullptr, nullptr};
  QWidget* playerWidgets_[2] = {nullptr, nullptr};
  GPSMap* map_ = nullptr;         // off screen, owned by mapPanel_
  MapPanel* mapPanel_ = nullptr;  // the map's place in the window
  CDlgGraph* graph_ = nullptr;
  MainWindowPlayback* playback_ = nullptr;
  CColoredListCtrl* list_ = nullptr;
  ReadoutBox* readouts_ = nullptr;
  ListNote* listNote_ = nullptr;
  ListStatusLine* listStatus_ = nullptr;
  CardInsertedNote* cardNote_ = nullptr;
  QPixmap background_, indicatorA_, indicatorB_, bottomBar_, controlBar_;
  QColor panel_{73, 73, 74};
  QString cardRoot_;
  QStringList userCards_;
  bool remembering_ = false;
  QString rememberedSource_;
  QString openedSource_;
  QString exportFolder_;
  CardWatch* cardWatch_ = nullptr;
  bool fullScreen_ = false;
  bool painted_ = false;
  bool fullScreenFront_ = true;
  QRect savedGeometry_;
  bool wasMaximized_ = false;
  // The normal layout at any size: each part's place and font at the design
  // size (1020 x 730), and the scale and offset that fit it into the window.
  QHash<QWidget*, QRect> designRects_;
  QHash<QWidget*, QFont> designFonts_;
  double scale_ = 1.0;
  QPoint offset_;
  QSizeGrip* sizeGrip_ = nullptr;
  bool mapShown_ = true;
  WindowDrag drag_;
  CardAnalysis* analysis_ = nullptr;
  TripsView* tripsView_ = nullptr;
  QTimer* analysisGate_ = nullptr;  // waits for the first picture
  QElapsedTimer analysisWait_;
  std::vector<std::string> pendingAnalysis_;
  int currentEvent_ = -1;  // the event last played
  QString unreadableNote_;
  unsigned reportedReading_ = 0;  // the reading whose unreadable recordings went to stderr
  bool keepAnalysis_ = false;
  bool showingProgress_ =
      false;  // the list's status line counts the reading     // the list changes to a trip of the card read
};

}  // namespace orvia
