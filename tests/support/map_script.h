// The map page's answer to a script, for the tests that drive the map.
#pragma once

#include <QString>
#include <QVariant>
#include <QWebEnginePage>
#include <QtTest/QTest>

#include "playback/gps_map.h"

namespace orvia::testing {

inline constexpr const char* kNoAnswer = "<no answer>";

// The text the loaded page gives for `script`, or kNoAnswer after 10 s.
inline QString Evaluate(GPSMap& map, const QString& script) {
  QString result;
  bool done = false;
  map.page()->runJavaScript(script, [&](const QVariant& v) {
    result = v.toString();
    done = true;
  });
  if (!QTest::qWaitFor([&] { return done; }, 10000)) return QString::fromLatin1(kNoAnswer);
  return result;
}

}  // namespace orvia::testing
