#pragma once

#include "base/Result.h"
#include "declaration/Review.h"

#include <QIODevice>
#include <QString>
#include <QStringView>

#include <initializer_list>

namespace orvida::declaration {

// The review as a CSV table that a Romanian Excel opens as columns: UTF-8 (with its byte order
// mark), a header row, ";" between fields, amounts with two decimals and a decimal point. The lines
// come first ("Linie"), then the findings ("Constatare").
// One record of those CSV files, CR LF included: fields holding ";", a quote or a line break are
// quoted, their quotes doubled.
QString csvLine(const QStringList& fields);
void appendCsvLine(QString& out, std::initializer_list<QStringView> fields);

// The byte order mark that starts those files, so that Excel reads them as UTF-8.
inline constexpr char16_t CsvByteOrderMark = 0xFEFF;

Status writeReviewCsv(const Review& review, QIODevice& out);
Status saveReviewCsv(const Review& review, const QString& path);

// The review as an .xlsx workbook: a sheet "Linii" and a sheet "Constatari", amounts as numbers
// shown with two decimals. An earlier file is replaced only once the new one is complete.
Status writeReviewXlsx(const Review& review, QIODevice& out);
Status saveReviewXlsx(const Review& review, const QString& path);

} // namespace orvida::declaration
