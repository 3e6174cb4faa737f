#include "app/files/data_tables.h"

#include <QFileInfo>
#include <cmath>
#include <exception>

#include "core/errors.h"
#include "core/numtext.h"

namespace actinfit {

namespace {

// The plain reader read the same columns the tables reader found: nothing is left out but
// columns without a reading, and every trace is a column of the same header, in order.
// One table with nothing left out but columns without a reading: the shape of a plain file.
bool PlainShape(const files::TFileTables& found) {
  if (found.tables.size() != 1) return false;
  for (const files::TLeftOut& out : found.tables[0].leftOut) {
    if (out.why != "no readings") return false;
  }
  return true;
}

bool SameColumns(const TDataTable& plain, const files::TFileTables& found) {
  if (!PlainShape(found)) return false;
  const files::TKineticTable& table = found.tables[0];
  size_t column = 1;
  for (const files::TWellTrace& trace : table.traces) {
    while (column < plain.Names.size() && plain.Names[column] != trace.header &&
           !(plain.Names[column].empty() && trace.header.empty())) {
      ++column;
    }
    if (column >= plain.Names.size()) return false;
    ++column;
  }
  return !table.traces.empty();
}

}  // namespace

TOpenedData ReadDataForWindow(const std::string& path) {
  TOpenedData data;
  std::exception_ptr refused;
  try {
    data.tables = files::ReadTables(path);
  } catch (const files::ETimesMissing&) {
    throw;  // whatever the plain reader makes of the blocks, the interval is what is missing
  } catch (const files::ELayoutRefused&) {
    refused = std::current_exception();
  } catch (const EInvalidInput&) {
    data.tables.reset();
  }
  try {
    data.plain = ReadDataFile(path);
  } catch (const EInvalidInput&) {
    // A plain file with a fault (a time that is none, a number out of range) is refused for
    // it, though the tables reader would read the rows above the fault.
    if (!data.tables || PlainShape(*data.tables)) throw;
  }
  // A layout found but not read (plates never measured) is said, whatever the plain reader read.
  if (refused) std::rethrow_exception(refused);
  if (data.plain && data.tables && !SameColumns(*data.plain, *data.tables)) data.plain.reset();
  if (data.plain) data.tables.reset();
  return data;
}

TSourceParts TraceSourceParts(const QString& path, const files::TFileTables& tables, size_t table,
                              size_t trace) {
  const files::TKineticTable& chosen = tables.tables.at(table);
  TSourceParts parts{QFileInfo(path).fileName().toStdString(), {}, chosen.traces.at(trace).name};
  if (tables.tables.size() > 1) {
    parts.Table = chosen.name.empty() ? "table " + std::to_string(table + 1) : chosen.name;
  }
  return parts;
}

QString TraceSourceName(const QString& path, const files::TFileTables& tables, size_t table,
                        size_t trace) {
  return QString::fromStdString(SourceNameOfParts(TraceSourceParts(path, tables, table, trace)));
}

size_t FindWell(const files::TFileTables& tables, int table, const QString& well,
                const QString& path) {
  const int count = static_cast<int>(tables.tables.size());
  if (table < 0 || table >= count) {
    throw Error(QStringLiteral("'%1' has no table %2: its tables are 1 to %3")
                    .arg(path)
                    .arg(table + 1)
                    .arg(count)
                    .toStdString());
  }
  const files::TKineticTable& chosen = tables.tables[static_cast<size_t>(table)];
  for (size_t k = 0; k < chosen.traces.size(); ++k) {
    if (QString::fromStdString(chosen.traces[k].name).compare(well, Qt::CaseInsensitive) == 0) {
      return k;
    }
  }
  throw Error(QStringLiteral("'%1', table %2: no well '%3' holds readings")
                  .arg(path)
                  .arg(table + 1)
                  .arg(well)
                  .toStdString());
}

double IntervalOfReads(const QString& typed, const QString& path) {
  const QString text = typed.trimmed();
  if (text.isEmpty()) {
    throw Error(QStringLiteral("'%1' holds no times: give the seconds between reads")
                    .arg(path)
                    .toStdString());
  }
  double seconds = 0;
  try {
    seconds = ParseReal(text.toStdString());
  } catch (const Error&) {
    seconds = 0;  // said below, in words that name the field
  }
  if (!(seconds > 0) || !std::isfinite(seconds)) {
    throw Error(QStringLiteral("'%1' is no interval between reads: give the seconds between "
                               "them, a number above 0")
                    .arg(text)
                    .toStdString());
  }
  return seconds;
}

}  // namespace actinfit
