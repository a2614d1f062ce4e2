#include "output/evidence_report.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <optional>

#include "base/file_io.h"
#include "playback/telemetry.h"

namespace orvia {
namespace {

// The page in millimetres: A4 with margins of 15 mm.
constexpr double kLeft = 15, kTop = 14, kWidth = 180;
constexpr double kBottom = 280;  // where the footer begins
constexpr int kDpi = 300;
const QColor kInk(20, 20, 20), kGrey(110, 110, 110), kRule(190, 190, 190), kRoute(25, 70, 160),
    kMoment(200, 30, 30), kStart(30, 140, 60);

QString Q(const std::string& s) { return QString::fromStdString(s); }

// "UTC+09:00", "UTC-05:30".
QString ZoneText(int offsetMinutes) {
  const int m = std::abs(offsetMinutes);
  return QString::asprintf("UTC%c%02d:%02d", offsetMinutes < 0 ? '-' : '+', m / 60, m % 60);
}

// Bytes with thousands apart: "3 145 728".
QString BytesText(uint64_t n) {
  QString digits = QString::number(n);
  for (int i = digits.size() - 3; i > 0; i -= 3) digits.insert(i, QChar(' '));
  return digits;
}

QString Degrees(int32_t e6) { return QString::number(e6 / 1e6, 'f', 6); }

// One second of the range, wherever its recording is.
struct Second {
  int64_t t = 0;
  const TrackSecond* s = nullptr;
};

std::vector<Second> SecondsOf(const std::vector<RecordingTrack>& tracks) {
  std::vector<Second> out;
  for (const RecordingTrack& t : tracks)
    for (const TrackSecond& s : t.seconds) out.push_back({s.unixTime, &s});
  std::stable_sort(out.begin(), out.end(), [](const Second& a, const Second& b) { return a.t < b.t; });
  return out;
}

double PeakG(const GPeak& p) {
  return std::sqrt(static_cast<double>(p.x) * p.x + static_cast<double>(p.y) * p.y +
                   static_cast<double>(p.z) * p.z) /
         1000.0;
}

// A round upper bound for a graph's scale: 1, 2 or 5 times a power of ten.
double NiceMax(double v) {
  if (v <= 0) return 1;
  const double p = std::pow(10.0, std::floor(std::log10(v)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (v <= m * p) return m * p;
  return 10 * p;
}

class ReportPage {
 public:
  ReportPage(QPdfWriter& pdf, const EvidenceReportInput& in) : pdf_(pdf), in_(in), p_(&pdf) {}
  bool ok() const { return p_.isActive(); }
  void Draw();

 private:
  double D(double mm) const { return mm * kDpi / 25.4; }
  QRectF R(double x, double y, double w, double h) const { return {D(x), D(y), D(w), D(h)}; }
  QFont Font(double pt, bool bold = false, bool mono = false) const {
    QFont f(mono ? "DejaVu Sans Mono" : "DejaVu Sans");
    f.setStyleHint(mono ? QFont::Monospace : QFont::SansSerif);
    f.setPointSizeF(pt);
    f.setBold(bold);
    return f;
  }
  void Text(double x, double y, double w, double h, const QFont& f, const QString& s,
            int flags = Qt::AlignLeft | Qt::AlignVCenter, const QColor& c = kInk) {
    p_.setFont(f);
    p_.setPen(c);
    p_.drawText(R(x, y, w, h), flags, s);
  }
  void Rule(double y) {
    p_.setPen(QPen(kRule, D(0.2)));
    p_.drawLine(QPointF(D(kLeft), D(y)), QPointF(D(kLeft + kWidth), D(y)));
  }
  // Room for `h` mm more, on a new page when this one is full.
  void Ensure(double h) {
    if (y_ + h <= kBottom) return;
    Footer();
    pdf_.newPage();
    ++page_;
    y_ = kTop;
  }
  void Header();
  void Moment();
  void Pictures();
  void Route(double x, double y, double w, double h);
  void Graph(double x, double y, double w, double h, const QString& title, bool speed);
  void Files(const QString& title, const std::vector<ReportFile>& files);
  void Notes();
  void Footer();

  QPdfWriter& pdf_;
  const EvidenceReportInput& in_;
  QPainter p_;
  std::vector<Second> seconds_ = SecondsOf(in_.tracks);
  double y_ = kTop;
  int page_ = 1;
};

void ReportPage::Header() {
  Text(kLeft, y_, 120, 9, Font(17, true), "Evidence report");
  Text(kLeft + 100, y_, kWidth - 100, 9, Font(9), Q(in_.program), Qt::AlignRight | Qt::AlignVCenter, kGrey);
  y_ += 9;
  const QString made = "Made " + Q(ReportTimeText(in_.madeAt)) + " UTC from ";
  const QFont small = Font(8);
  const QFontMetricsF fm(small, &pdf_);
  const QString source =
      fm.elidedText(Q(in_.source), Qt::ElideMiddle, D(kWidth) - fm.horizontalAdvance(made));
  Text(kLeft, y_, kWidth, 5, small, made + source, Qt::AlignLeft | Qt::AlignVCenter, kGrey);
  y_ += 6.5;
  Rule(y_);
  y_ += 2;
}

// The moment on both clocks, the place and the range: a grid of names and
// values.
void ReportPage::Moment() {
  QString utc = "not known: the card's settings name no time zone";
  if (in_.zone.known)
    utc = Q(ReportTimeText(in_.moment - int64_t{in_.zone.utcOffsetMinutes} * 60)) +
          " UTC (the card's zone is " + ZoneText(in_.zone.utcOffsetMinutes) + ")";
  const TrackSecond* at = nullptr;
  const TrackSecond* nearest = nullptr;
  int64_t nearestT = 0;
  for (const Second& s : seconds_) {
    if (s.t == in_.moment) at = s.s;
    if (s.s->hasFix && (!nearest || std::llabs(s.t - in_.moment) < std::llabs(nearestT - in_.moment)))
      nearest = s.s, nearestT = s.t;
  }
  QString place = "no GPS fix in the range";
  if (at && at->hasFix) {
    place = Degrees(at->latitude) + ", " + Degrees(at->longitude) +
            QString::asprintf("   %.1f km/h", at->speedX10 / 10.0);
  } else if (nearest) {
    place = "no GPS fix in that second; nearest " + Degrees(nearest->latitude) + ", " +
            Degrees(nearest->longitude) +
            QString::asprintf(" (%+lld s)", static_cast<long long>(nearestT - in_.moment));
  }
  if (at) place += QString::asprintf("   G-sensor peak %.2f g", PeakG(at->peak));
  const int64_t before = in_.moment - in_.from, after = in_.to - 1 - in_.moment;
  const QString range = Q(ReportTimeText(in_.from)) + " to " + Q(ReportTimeText(in_.to - 1)) +
                        QString::asprintf("   (%lld s before, %lld s after)", static_cast<long long>(before),
                                          static_cast<long long>(after));
  const std::pair<QString, QString> rows[] = {{"Moment, recorder's clock", Q(ReportTimeText(in_.moment))},
                                              {"Moment, UTC", utc},
                                              {"Place", place},
                                              {"Range", range}};
  for (const auto& [name, value] : rows) {
    Text(kLeft, y_, 48, 5.5, Font(9, false), name, Qt::AlignLeft | Qt::AlignVCenter, kGrey);
    Text(kLeft + 48, y_, kWidth - 48, 5.5, Font(9.5, name.startsWith("Moment")), value);
    y_ += 5.5;
  }
  y_ += 2;
}

// Front and rear side by side, each fitted into its frame.
void ReportPage::Pictures() {
  const double gap = 5, w = (kWidth - gap) / 2, h = w * 9 / 16;
  const char* names[2] = {"Front camera", "Rear camera"};
  for (int s = 0; s < 2; ++s) {
    const double x = kLeft + s * (w + gap);
    Text(x, y_, w, 5, Font(9, true), QString(names[s]) + ", " + Q(ReportTimeText(in_.moment)));
    const QRectF frame = R(x, y_ + 5, w, h);
    p_.fillRect(frame, QColor(235, 235, 235));
    const player::RgbImage& pic = in_.pictures[s];
    if (pic.width > 0 && pic.height > 0 && pic.pixels.size() >= size_t{4} * pic.width * pic.height) {
      const QImage image(pic.pixels.data(), pic.width, pic.height, pic.width * 4, QImage::Format_RGB32);
      QSizeF size = QSizeF(pic.width, pic.height).scaled(frame.size(), Qt::KeepAspectRatio);
      const QRectF target(frame.center() - QPointF(size.width() / 2, size.height() / 2), size);
      p_.drawImage(target, image);
    } else {
      Text(x + 3, y_ + 5, w - 6, h, Font(8.5),
           Q(in_.pictureNote[s].empty() ? "no picture" : in_.pictureNote[s]),
           Qt::AlignCenter | Qt::TextWordWrap, kGrey);
    }
    p_.setPen(QPen(kRule, D(0.2)));
    p_.drawRect(frame);
  }
  y_ += 5 + h + 5;
}

// The route of the range as a line, north up, the moment marked.
void ReportPage::Route(double x, double y, double w, double h) {
  Text(x, y, w, 5, Font(9, true), "Route of the range");
  const QRectF box = R(x, y + 5, w, h - 5);
  p_.setPen(QPen(kRule, D(0.2)));
  p_.drawRect(box);
  std::vector<const TrackSecond*> fixes;
  const TrackSecond* moment = nullptr;
  for (const Second& s : seconds_) {
    if (!s.s->hasFix) continue;
    fixes.push_back(s.s);
    if (s.t == in_.moment) moment = s.s;
  }
  if (fixes.empty()) {
    Text(x, y + 5, w, h - 5, Font(8.5), "no GPS fix in the range", Qt::AlignCenter, kGrey);
    return;
  }
  double minLat = 1e9, maxLat = -1e9, minLon = 1e9, maxLon = -1e9;
  for (const TrackSecond* f : fixes) {
    minLat = std::min(minLat, f->latitude / 1e6), maxLat = std::max(maxLat, f->latitude / 1e6);
    minLon = std::min(minLon, f->longitude / 1e6), maxLon = std::max(maxLon, f->longitude / 1e6);
  }
  // Metres east and north of the south-west corner (flat at this scale).
  const double kM = 111320.0, cosLat = std::cos((minLat + maxLat) / 2 * M_PI / 180);
  const double spanE = std::max((maxLon - minLon) * kM * cosLat, 1.0),
               spanN = std::max((maxLat - minLat) * kM, 1.0);
  const QRectF inner = box.adjusted(D(5), D(5), -D(5), -D(9));
  const double scale = std::min(inner.width() / spanE, inner.height() / spanN);
  const QPointF origin(inner.center().x() - spanE * scale / 2, inner.center().y() + spanN * scale / 2);
  auto at = [&](const TrackSecond* f) {
    return QPointF(origin.x() + (f->longitude / 1e6 - minLon) * kM * cosLat * scale,
                   origin.y() - (f->latitude / 1e6 - minLat) * kM * scale);
  };
  QPainterPath line(at(fixes.front()));
  for (const TrackSecond* f : fixes) line.lineTo(at(f));
  p_.setPen(QPen(kRoute, D(0.7), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p_.drawPath(line);
  p_.setPen(Qt::NoPen);
  p_.setBrush(kStart);
  p_.drawEllipse(at(fixes.front()), D(1.2), D(1.2));
  p_.setBrush(kRoute);
  p_.drawRect(QRectF(at(fixes.back()) - QPointF(D(1.1), D(1.1)), QSizeF(D(2.2), D(2.2))));
  if (moment) {
    p_.setBrush(kMoment);
    p_.drawEllipse(at(moment), D(1.5), D(1.5));
  }
  p_.setBrush(Qt::NoBrush);
  const QString legend =
      QString::asprintf("start green, moment red, end square; %.0f m \u00d7 %.0f m, north up", spanE, spanN);
  Text(x + 2, y + h - 5, w - 4, 4, Font(6.5), legend, Qt::AlignLeft | Qt::AlignVCenter, kGrey);
}

// Speed (km/h, seconds with a fix) or the G-sensor peak (g) over the range,
// with the moment as a red line.
void ReportPage::Graph(double x, double y, double w, double h, const QString& title, bool speed) {
  Text(x, y, w, 5, Font(9, true), title);
  const QRectF box = R(x + 8, y + 5, w - 8, h - 10);
  p_.setPen(QPen(kRule, D(0.2)));
  p_.drawRect(box);
  double top = 0;
  for (const Second& s : seconds_) {
    if (speed && !s.s->hasFix) continue;
    top = std::max(top, speed ? s.s->speedX10 / 10.0 : PeakG(s.s->peak));
  }
  top = NiceMax(top);
  const double span = std::max<double>(1, in_.to - 1 - in_.from);
  auto px = [&](int64_t t) { return box.left() + (t - in_.from) / span * box.width(); };
  auto py = [&](double v) { return box.bottom() - std::clamp(v / top, 0.0, 1.0) * box.height(); };
  Text(x, y + 5, 7.5, 4, Font(6.5), QString::number(top), Qt::AlignRight | Qt::AlignTop, kGrey);
  Text(x, y + h - 9, 7.5, 4, Font(6.5), "0", Qt::AlignRight | Qt::AlignBottom, kGrey);
  QPainterPath path;
  int64_t last = INT64_MIN;
  for (const Second& s : seconds_) {
    if (speed && !s.s->hasFix) continue;
    const QPointF pt(px(s.t), py(speed ? s.s->speedX10 / 10.0 : PeakG(s.s->peak)));
    // A second without a value breaks the line.
    if (s.t != last + 1)
      path.moveTo(pt);
    else
      path.lineTo(pt);
    last = s.t;
  }
  p_.setPen(QPen(kRoute, D(0.45)));
  p_.drawPath(path);
  p_.setPen(QPen(kMoment, D(0.3)));
  p_.drawLine(QPointF(px(in_.moment), box.top()), QPointF(px(in_.moment), box.bottom()));
  // The ends of the time axis, left out where the moment's label (10 mm
  // each side of its line) would run into them.
  const QFont f = Font(6.5);
  const double mx = (px(in_.moment) - box.left()) / D(1) + x + 8, endRoom = 10;
  if (mx - 10 > x + 8 + endRoom)
    Text(x + 8, y + h - 5, 20, 4, f,
         QString::asprintf("%+lld s", static_cast<long long>(in_.from - in_.moment)),
         Qt::AlignLeft | Qt::AlignVCenter, kGrey);
  if (mx + 10 < x + w - endRoom)
    Text(x + 8, y + h - 5, w - 8, 4, f,
         QString::asprintf("%+lld s", static_cast<long long>(in_.to - 1 - in_.moment)),
         Qt::AlignRight | Qt::AlignVCenter, kGrey);
  Text(mx - 10, y + h - 5, 20, 4, f, "moment", Qt::AlignCenter, kMoment);
}

// A list of files: the path and its size on one line, the SHA-256 below.
void ReportPage::Files(const QString& title, const std::vector<ReportFile>& files) {
  Ensure(14);
  Text(kLeft, y_, kWidth, 6, Font(10, true), title);
  y_ += 6;
  Text(kLeft, y_, 120, 4, Font(7), "file  /  SHA-256", Qt::AlignLeft | Qt::AlignVCenter, kGrey);
  Text(kLeft + 120, y_, kWidth - 120, 4, Font(7), "bytes", Qt::AlignRight | Qt::AlignVCenter, kGrey);
  y_ += 4.5;
  for (const ReportFile& f : files) {
    Ensure(9);
    Text(kLeft, y_, kWidth - 35, 4.2, Font(8.5), Q(f.path));
    Text(kLeft + kWidth - 35, y_, 35, 4.2, Font(8.5), BytesText(f.size), Qt::AlignRight | Qt::AlignVCenter);
    Text(kLeft + 4, y_ + 4.2, kWidth - 4, 3.8, Font(7.5, false, true), Q(f.sha256),
         Qt::AlignLeft | Qt::AlignVCenter, kGrey);
    y_ += 9;
  }
  y_ += 2;
}

void ReportPage::Notes() {
  if (in_.notes.empty()) return;
  Ensure(12);
  Text(kLeft, y_, kWidth, 6, Font(10, true), "Notes");
  y_ += 6;
  const QFont f = Font(8.5);
  const QFontMetricsF fm(f, &pdf_);
  for (const std::string& n : in_.notes) {
    const QString text = QString::fromUtf8("\u2022 ") + Q(n);
    const double h = fm.boundingRect(R(0, 0, kWidth, 100), Qt::TextWordWrap, text).height() / D(1) + 1;
    Ensure(h);
    Text(kLeft, y_, kWidth, h, f, text, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
    y_ += h;
  }
}

void ReportPage::Footer() {
  Rule(kBottom + 4);
  const QFont f = Font(7);
  Text(kLeft, kBottom + 5, 150, 5, f,
       "To check the pack: sha256sum -c SHA256SUMS in its folder, or orvia-cli verify PACK",
       Qt::AlignLeft | Qt::AlignVCenter, kGrey);
  Text(kLeft + 120, kBottom + 5, kWidth - 120, 5, f, Q(in_.program) + QString::asprintf(", page %d", page_),
       Qt::AlignRight | Qt::AlignVCenter, kGrey);
}

void ReportPage::Draw() {
  Header();
  Moment();
  Pictures();
  const double half = (kWidth - 5) / 2, routeH = 72;
  Route(kLeft, y_, half, routeH);
  Graph(kLeft + half + 5, y_, half, routeH / 2, "Speed (km/h)", true);
  Graph(kLeft + half + 5, y_ + routeH / 2, half, routeH / 2, "G-sensor peak (g)", false);
  y_ += routeH + 4;
  Files("Original recordings, copied byte for byte", in_.originals);
  Files("Other files of the pack", in_.derived);
  Notes();
  Footer();
}

}  // namespace

std::string ReportTimeText(int64_t t) {
  // The ISO text with a space between date and time, as people read it.
  std::string text = IsoTimeText(t);
  if (text.size() > 10) text[10] = ' ';
  return text;
}

bool WriteEvidenceReport(const EvidenceReportInput& input, const std::string& path, std::string* error) {
  auto fail = [error](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    return fail("no QGuiApplication to draw with");
  QByteArray bytes;
  {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setResolution(kDpi);
    pdf.setCreator(Q(input.program));
    pdf.setTitle("Evidence report " + Q(ReportTimeText(input.moment)));
    ReportPage page(pdf, input);
    if (!page.ok()) return fail("the PDF cannot be drawn");
    page.Draw();
  }
  if (bytes.isEmpty()) return fail("the PDF came out empty");
  return WriteFileDurably(path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
                          error);
}

}  // namespace orvia
