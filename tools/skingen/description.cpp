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

bool ParseDescription(const QString& text, QVector<BitmapDescription>* descriptions, QString* error) {
  const QStringList lines = text.split('\n');
  for (int i = 0; i < lines.size(); ++i) {
    QString line = lines[i].trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    const QStringList tokens = Tokenize(line);
    BitmapDescription desc;
    desc.line = i + 1;
    bool ok[4] = {false, false, false, false};
    if (tokens.size() >= 5) {
      desc.id = tokens[0].toInt(&ok[0]);
      desc.width = tokens[1].toInt(&ok[1]);
      desc.height = tokens[2].toInt(&ok[2]);
      desc.bitsPerPixel = tokens[3].toInt(&ok[3]);
      desc.painter = tokens[4];
    }
    if (!(ok[0] && ok[1] && ok[2] && ok[3]) || desc.width <= 0 || desc.height <= 0 ||
        (desc.bitsPerPixel != 8 && desc.bitsPerPixel != 24)) {
      *error = QStringLiteral("line %1: expected id width height bpp(8|24) painter").arg(i + 1);
      return false;
    }
    for (int t = 5; t < tokens.size(); ++t) {
      const int eq = tokens[t].indexOf('=');
      if (eq <= 0) {
        *error = QStringLiteral("line %1: argument '%2' is not key=value").arg(i + 1).arg(tokens[t]);
        return false;
      }
      desc.args.insert(tokens[t].left(eq), tokens[t].mid(eq + 1));
    }
    for (const BitmapDescription& other : *descriptions) {
      if (other.id == desc.id) {
        *error = QStringLiteral("line %1: id %2 given twice").arg(i + 1).arg(desc.id);
        return false;
      }
    }
    descriptions->push_back(desc);
  }
  return true;
}

}  // namespace skingen
