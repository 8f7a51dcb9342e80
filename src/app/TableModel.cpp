#include "app/TableModel.h"

#include <QTableView>

namespace spinwave {

TableModel::TableModel(TEMDB* table, QObject* parent) : QAbstractTableModel(parent), table_(table) {}

void TableModel::SetTable(TEMDB* table) {
  beginResetModel();
  table_ = table;
  endResetModel();
}

void TableModel::Refresh() {
  beginResetModel();
  endResetModel();
}

int TableModel::rowCount(const QModelIndex& parent) const {
  return (parent.isValid() || !table_) ? 0 : table_->GetRowCount();
}

int TableModel::columnCount(const QModelIndex& parent) const {
  return (parent.isValid() || !table_) ? 0 : table_->ColCount();
}

QVariant TableModel::data(const QModelIndex& index, int role) const {
  if (!table_ || !index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
    return {};
  std::string_view cell = table_->ItemView(index.column(), index.row());
  return QString::fromUtf8(cell.data(), qsizetype(cell.size()));
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (!table_ || role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  return QString::fromStdString(table_->GetItem(section, -1));
}

void ApplyColumnWidths(QTableView& view, const TEMDB& table) {
  for (int c = 0; c < table.ColCount(); ++c) {
    const int width = table.GetColWidth(c);
    view.setColumnHidden(c, width < 0);
    if (width >= 0) view.setColumnWidth(c, width);
  }
}

void TakeColumnWidths(const QTableView& view, TEMDB& table) {
  for (int c = 0; c < table.ColCount(); ++c)
    if (table.GetColWidth(c) >= 0 && !view.isColumnHidden(c))
      table.SetColWidth(c, view.columnWidth(c));
}

}  // namespace spinwave
