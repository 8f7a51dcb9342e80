// A read-only Qt model over a TEMDB table, so a plain QTableView can show the library and the
// playlist until the grid control takes over. Rows are the table's visible rows; the header
// shows the column names. ApplyColumnWidths/TakeColumnWidths carry the table's column widths
// (-1 = hidden) to a view and the widths the user dragged back to the table.
#pragma once

#include <QAbstractTableModel>

#include "table/TEMDB.h"

class QTableView;

namespace spinwave {

class TableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit TableModel(TEMDB* table, QObject* parent = nullptr);

  TEMDB* Table() const { return table_; }
  // Shows another table (the browser may show a playlist file in the library's view).
  void SetTable(TEMDB* table);
  // Tells the views that the table's rows or columns changed.
  void Refresh();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  TEMDB* table_;
};

// Hides the columns of width -1 and gives the others their width.
void ApplyColumnWidths(QTableView& view, const TEMDB& table);
// Copies the widths of the view's shown columns into the table (hidden columns keep -1).
void TakeColumnWidths(const QTableView& view, TEMDB& table);

}  // namespace spinwave
