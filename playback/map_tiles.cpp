#include "playback/map_tiles.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QRegularExpression>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include "playback/tile_store.h"

namespace orvia {
namespace {

constexpr int kFetchTimeoutMs = 20000;

QByteArray MimeOf(const QByteArray& data) {
  if (data.startsWith("\x89PNG")) return "image/png";
  if (data.startsWith("\xff\xd8")) return "image/jpeg";
  if (data.startsWith("RIFF") && data.mid(8, 4) == "WEBP") return "image/webp";
  return "image/png";
}

void Answer(QWebEngineUrlRequestJob* job, const QByteArray& data) {
  auto* buffer = new QBuffer(job);  // lives as long as the job reads it
  buffer->setData(data);
  buffer->open(QIODevice::ReadOnly);
  job->reply(MimeOf(data), buffer);
}

}  // namespace

QString MapUserAgent() {
  return QStringLiteral("Orvia/%1 (+orvia-maps@users.invalid)").arg(QStringLiteral(ORVIA_VERSION_TEXT));
}

void RegisterMapTileScheme() {
  if (QWebEngineUrlScheme::schemeByName(kTileScheme).name() == kTileScheme) return;
  QWebEngineUrlScheme scheme(kTileScheme);
  scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
  scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalScheme);
  QWebEngineUrlScheme::registerScheme(scheme);
}

bool MapTemplateUsable(const QString& t) {
  const QUrl url(QString(t).replace('{', 'a').replace('}', 'a'));
  const bool web =
      url.isValid() && (url.scheme() == "http" || url.scheme() == "https") && !url.host().isEmpty();
  return web && t.contains("{z}") && t.contains("{x}") && t.contains("{y}");
}

QString FillTileUrl(const MapSource& source, int z, int x, int y) {
  QString url = source.urlTemplate;
  url.replace(QLatin1String("{z}"), QString::number(z))
      .replace(QLatin1String("{x}"), QString::number(x))
      .replace(QLatin1String("{y}"), QString::number(y))
      .replace(QLatin1String("{key}"), QString::fromLatin1(QUrl::toPercentEncoding(source.apiKey)));
  return url;
}

TileSchemeHandler::TileSchemeHandler(QObject* parent)
    : QWebEngineUrlSchemeHandler(parent), network_(new QNetworkAccessManager(this)) {
  SetSource(MapSource(), nullptr);
}

TileSchemeHandler::~TileSchemeHandler() = default;

bool TileSchemeHandler::SetSource(const MapSource& source, QString* error) {
  source_ = source;
  cache_ = std::make_unique<TileCache>(TileCache::DefaultFolder(),
                                       qint64(qMax(0, source.cacheMegabytes)) * 1024 * 1024);
  offline_.reset();
  if (source.offlineFile.isEmpty()) return true;
  offline_ = std::make_unique<MbTilesFile>();
  return offline_->Open(source.offlineFile, error);
}

QString TileSchemeHandler::Credit() const {
  if (offline_ && !offline_->Attribution().isEmpty()) return offline_->Attribution();
  return source_.credit;
}

void TileSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
  static const QRegularExpression kPath(QStringLiteral("^/*(\\d{1,2})/(\\d{1,7})/(\\d{1,7})(\\.\\w+)?$"));
  const QRegularExpressionMatch m = kPath.match(job->requestUrl().path());
  const TileKey key{m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()};
  if (!m.hasMatch() || !TileKeyValid(key)) {
    job->fail(QWebEngineUrlRequestJob::UrlInvalid);
    return;
  }
  // An offline map answers alone: where it has no tile, the page says so.
  if (!source_.offlineFile.isEmpty()) {
    const std::optional<QByteArray> tile = offline_ ? offline_->Tile(key) : std::nullopt;
    if (tile)
      Answer(job, *tile);
    else
      job->fail(QWebEngineUrlRequestJob::UrlNotFound);
    return;
  }
  if (const std::optional<QByteArray> cached = cache_->Get(source_.urlTemplate, key)) {
    Answer(job, *cached);
    return;
  }
  Fetch(job, key.z, key.x, key.y);
}

// One request per tile the page asked for; the answer is kept in the cache.
// A job the page drops (it moved on) stops its request.
void TileSchemeHandler::Fetch(QWebEngineUrlRequestJob* job, int z, int x, int y) {
  QNetworkRequest request(QUrl(FillTileUrl(source_, z, x, y)));
  request.setHeader(QNetworkRequest::UserAgentHeader, MapUserAgent());
  request.setTransferTimeout(kFetchTimeoutMs);
  QNetworkReply* reply = network_->get(request);
  QPointer<QWebEngineUrlRequestJob> guard(job);
  connect(job, &QObject::destroyed, reply, &QNetworkReply::abort);
  connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
    if (received > kMaxTileBytes) reply->abort();
  });
  const QString source = source_.urlTemplate;
  const TileKey key{z, x, y};
  connect(reply, &QNetworkReply::finished, this, [this, reply, guard, source, key] {
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray data = reply->error() == QNetworkReply::NoError && status == 200
                                ? reply->read(kMaxTileBytes + 1)
                                : QByteArray();
    const bool ok = !data.isEmpty() && data.size() <= kMaxTileBytes;
    // The cache keeps tiles of the source they were asked from, even when
    // the source changed meanwhile.
    if (ok) {
      ++fetched_;
      cache_->Put(source, key, data);
    }
    if (!guard) return;
    if (ok)
      Answer(guard, data);
    else
      guard->fail(QWebEngineUrlRequestJob::RequestFailed);
  });
}

TileSchemeHandler* MapTileHandler() {
  static TileSchemeHandler* handler = new TileSchemeHandler(QCoreApplication::instance());
  return handler;
}

QWebEngineProfile* MapWebProfile() {
  static QWebEngineProfile* profile = [] {
    auto* p = new QWebEngineProfile(QCoreApplication::instance());  // off the record
    p->setHttpUserAgent(MapUserAgent());
    p->installUrlSchemeHandler(kTileScheme, MapTileHandler());
    return p;
  }();
  return profile;
}

}  // namespace orvia
