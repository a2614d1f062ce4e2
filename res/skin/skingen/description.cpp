#include "description.h"

#include <QStringList>

namespace skingen {

namespace {

// Splits a line into blank-separated tokens; double quotes group blanks.
QStringList Tokenize(const QString& line) {
  QStringList tokens;
  QString current;
  bool inQuotes = false;
  bool any = false;
  for (const QChar c : line) {
    if (c == '"') {
      inQuotes = !inQuotes;
      any = true;
    } else if (c.isSpace() && !inQuotes) {
      if (any) tokens << current;
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any) tokens << current;
  return tokens;
}

}  // namespace

bool ParseDescription(const QString& text, QVector<BitmapSpec>* specs, QString* error) {
  const QStringList lines = text.split('\n');
  for (int i = 0; i < lines.size(); ++i) {
    QString line = lines[i].trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    const QStringList tokens = Tokenize(line);
    BitmapSpec spec;
    spec.line = i + 1;
    bool ok[4] = {false, false, false, false};
    if (tokens.size() >= 5) {
      spec.id = tokens[0].toInt(&ok[0]);
      spec.width = tokens[1].toInt(&ok[1]);
      spec.height = tokens[2].toInt(&ok[2]);
      spec.bitsPerPixel = tokens[3].toInt(&ok[3]);
      spec.painter = tokens[4];
    }
    if (!(ok[0] && ok[1] && ok[2] && ok[3]) || spec.width <= 0 || spec.height <= 0 ||
        (spec.bitsPerPixel != 8 && spec.bitsPerPixel != 24)) {
      *error = QStringLiteral("line %1: expected id width height bpp(8|24) painter").arg(i + 1);
      return false;
    }
    for (int t = 5; t < tokens.size(); ++t) {
      const int eq = tokens[t].indexOf('=');
      if (eq <= 0) {
        *error = QStringLiteral("line %1: argument '%2' is not key=value").arg(i + 1).arg(tokens[t]);
        return false;
      }
      spec.args.insert(tokens[t].left(eq), tokens[t].mid(eq + 1));
    }
    for (const BitmapSpec& other : *specs) {
      if (other.id == spec.id) {
        *error = QStringLiteral("line %1: id %2 given twice").arg(i + 1).arg(spec.id);
        return false;
      }
    }
    specs->push_back(spec);
  }
  return true;
}

}  // namespace skingen
