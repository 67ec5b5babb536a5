#pragma once

#include "base/Value.h"

#include <QList>
#include <QStringList>

namespace orvida::store {

// The rows of a query, fetched whole: it can be walked after the statement and its connection
// are gone (the detached record set). Column names are matched without regard to case.
class RecordSet
{
public:
    QStringList columns;
    QList<QList<Value>> rows;

    int size() const { return int(rows.size()); }
    bool isEmpty() const { return rows.isEmpty(); }
    int columnIndex(const QString& name) const
    {
        for (int i = 0; i < columns.size(); ++i)
            if (columns[i].compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
    bool hasColumn(const QString& name) const { return columnIndex(name) >= 0; }
    // The value of a column in a row; Empty when the row or column does not exist.
    Value value(int row, const QString& column) const
    {
        const int c = columnIndex(column);
        if (row < 0 || row >= rows.size() || c < 0)
            return Value();
        return rows[row][c];
    }
};

} // namespace orvida::store
